// Values of the tag file "TovakRC.tmp" that downloads leave in the settings folder: one tag
// with its value per line, "<Name>value</Name>" or "<Name><![CDATA[value]]></Name>".
#pragma once

#include <stddef.h>

enum { TAG_LINE = 100 };

// The value of the first line holding the tag, or an empty text when there is no file or no
// such line. The text lies in one shared 100-byte buffer, valid until the next lookup.
const char* tag_lookup(const char* tag);
// The same on a file's contents in memory.
const char* tag_lookup_in(const char* data, size_t size, const char* tag);
