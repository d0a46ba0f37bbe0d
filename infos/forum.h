// Forum infos: how many members are online in a forum about these receivers (an English one
// or a German one by the language shown), fetched with the downloader "wget.mips" and shown in
// an info box.
#pragma once

#include <stddef.h>

// The lines worth showing of a forum's front page, tags removed, into out (cut to size):
// English: the six lines from "There are currently" on and the six after the next one (those
// with "Most users ever online was" left out), joined into one line, then "Topics:" and the
// line after it, joined; each without " - Members List", white space squeezed. German: the line
// with "sichtbare Mitglieder", the line with ">Mitglieder: <" and the line with "Mitglieder
// insgesamt", each trimmed to its figures. Returns the length.
size_t forum_extract(const char* page, size_t length, bool english, char* out, size_t size);

// The host asked in the language shown.
const char* forum_host(void);

// Fetches the forum's front page into "/tmp/topfield.forum.wget" and its figures into
// "TovakRC.forum" of the settings folder. Returns 0 when the figures were written, -1 when the
// downloader is missing, -2 when the page could not be fetched.
int forum_fetch(void);
// The figures of "TovakRC.forum" (up to 799 bytes) into out; false when the file is missing.
bool forum_result(char* out, size_t size);
