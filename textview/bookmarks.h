// The bookmark list "/WebCache/Bookmarks.html": an HTML file of one link per line, shown like
// any web page, so that following a bookmark is following a link.
#pragma once

#include <stddef.h>
#include <stdio.h>

#define BOOKMARK_FILE "/WebCache/Bookmarks.html"

// One bookmark line: the document's path (a path without a leading "/" lies in the web
// cache), "#" and the anchor when one is given (blanks become "_"), and the title (default:
// the path without "/WebCache/").
void bookmark_line(FILE* f, const char* path, const char* anchor, const char* title);
// Appends a bookmark (path given) or a separator "<P>" (path null) to the list, creating it
// with mode 0644; its time becomes now. 0, or -1 when the list cannot be written.
int bookmark_add(const char* path, const char* anchor, const char* title);
// The title of an HTML text: the text behind the first "<TITLE>" (any case; when nothing
// follows it on its line, the next line), cut at "</TITLE>" and trimmed of blanks and control
// characters. Lines of up to 799 characters are read. False when there is none.
bool bookmark_title(FILE* f, char* out, size_t size);
// Removes the n-th line (1 ...) holding "HREF=" (any case) through a copy that replaces the
// list only when it was written whole. 0, or -1 (the list is then unchanged).
int bookmark_delete(int n);
// The default list of a first start, when there is no list yet.
void bookmarks_write_default(void);
