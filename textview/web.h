// Links and URLs turned into files of the receiver's disk: web pages are downloaded into the
// web cache "/WebCache" (host and path as folders), local files are passed through, and a
// failed download falls back to the cached copy.
#pragma once

#include <stddef.h>

#define WEB_CACHE "/WebCache"

// The place of a fetched text (host and path, without scheme, not decoded) in the cache,
// relative to "/WebCache/": percent-decoded, with "__index__.html" inside a folder when the
// last path component holds no "." or there is no path. Returns 0, or -1 when a component is
// ".." (or "."), the text is empty, or the result does not fit.
int web_cache_place(const char* fetched, char* out, size_t size);

// The file a link or URL leads to: "http://", "https://", "file:///mnt/hd/..." (a disk file,
// or a page of the cache fetched again), a site-relative "file:///..." of a cached page
// (referrer: the path of the page holding the link) and "file://host/path". Returns a fresh
// TAP path the caller frees, or null when the link leads nowhere (nothing cached, unknown
// scheme, a path that would leave its folder).
char* html_get(const char* url, const char* referrer);

// The cached page of a web file as a "file://" link (the viewer's Recall fetches it again):
// "file:///mnt/hd" + path into out.
void web_file_link(const char* path, char* out, size_t size);

// Host names of the lookups and of the lyrics site (whose cached pages are positioned at their
// lyrics).
#define ENCYCLOPEDIA_HOST "wikipedia.org"
#define WEB_SEARCH_HOST "www.startpage.com"
#define LYRICS_HOST "lyrics.wikia.com"

// The URL of a lookup: the words trimmed, each run of blanks one "_" (encyclopedia, in the
// language of the texts) or "+" (web search). 0, or -1 when there are no words or it does not
// fit.
int lookup_url(const char* words, bool encyclopedia, bool english, char* out, size_t size);
