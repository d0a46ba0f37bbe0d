// The recordings of the recursive file list ("TovakRC.LST" in the settings folder, written by
// the file browser's walk of a folder tree) that belong to a programme: the listed files whose
// line holds the programme's name or its short text. The recording description of the text
// viewer and the EPG's details document both list them.
#pragma once

// The list file's name in the settings folder.
#define FILE_LIST_NAME "TovakRC.LST"

// Called for each listed file that matches, with the folder line above it ("/path:", "" when
// none came before) and the file's line. Returns false to end the search.
typedef bool (*recording_match_fn)(void* context, const char* folder, const char* line);

// Searches the list for `name` and `short_text` (UTF-8 letters taken as Latin-1, as the list is
// written); each counts only when longer than 10 characters, so that short words do not match
// half the disk. Returns how many matches were handed to `found`; 0 without a list.
int recording_search(const char* name, const char* short_text, recording_match_fn found,
                     void* context);
