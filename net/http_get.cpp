#include "net/http_get.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "common/file_io.h"
#include "common/http_header.h"
#include "common/http_time.h"
#include "common/log.h"
#include "common/memory.h"
#include "common/paths.h"
#include "common/programs.h"
#include "common/socket_io.h"

namespace {

// The request, then each received block (the header at the start of the first ones).
char buffer[HTTP_BLOCK + 1];

const char part_suffix[] = ".part";

long seconds_now() {
    struct timeval now;
    gettimeofday(&now, nullptr);
    return static_cast<long>(now.tv_sec);
}

// A text that may go into a request line: no line ends or other control characters.
bool request_safe(const char* text) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        if (*p < ' ' || *p == 0x7F) return false;
    return true;
}

// The time of the "Last-Modified: " line, else of the "Date: " line: false when neither is
// there with a comma and a line end.
bool header_time(const char* header, size_t n, uint32_t* time) {
    char date[64];
    const char* line;
    size_t length;
    const char* field = http_field_line(header, n, "Last-Modified: ", &line, &length)
                            ? "Last-Modified: "
                            : "Date: ";
    if (!http_field_date(header, n, field, date, sizeof date)) return false;
    *time = atot(date);
    return true;
}

// A received block: its length, 0 when the server closed the connection, -1 on a time-out or
// failure (a signal is waited through).
long receive(int fd, char* into, size_t room) {
    for (int tries = 0; tries < 100; ++tries) {
        const ssize_t got = recv(fd, into, room, 0);
        if (got >= 0) return static_cast<long>(got);
        if (errno != EINTR) break;
    }
    return -1;
}

// The answer's header into buffer: its length in *n. 0 when the header ended; 4 when the server
// closed or fell silent before; 5 when the header outgrew its bound or the server closed in
// the middle of it. Notify-only: 0 at the first block.
int receive_header(int fd, bool notify_only, size_t* n) {
    const long deadline = seconds_now() + HTTP_HEADER_S;
    *n = 0;
    while (*n < HTTP_HEADER_MAX) {
        const long got = receive(fd, buffer + *n, HTTP_HEADER_MAX - *n);
        if (got < 0) return HTTP_NO_CONNECTION;
        if (got == 0) return *n ? HTTP_BAD_HEADER : HTTP_NO_CONNECTION;
        *n += static_cast<size_t>(got);
        buffer[*n] = 0;
        if (notify_only || http_header_end(buffer, *n)) return HTTP_OK;
        if (seconds_now() > deadline) return HTTP_NO_CONNECTION;
    }
    return HTTP_BAD_HEADER;
}

// Writes the body (the first `first` bytes of it already in buffer at `at`) into the open
// file: 0, 4 (time-out), 9 (write failed) or 10 (longer than announced or than a body may be).
int receive_body(int fd, TYPE_File* file, size_t at, size_t first, long long length,
                 uint32_t* count) {
    const long deadline = seconds_now() + HTTP_TRANSFER_S;
    const unsigned long long limit =
        length >= 0 ? static_cast<unsigned long long>(length) : uint64_t{HTTP_BODY_MAX};
    unsigned long long written = 0;
    const char* data = buffer + at;
    long n = static_cast<long>(first);
    for (;;) {
        if (n > 0) {
            if (written + static_cast<unsigned long long>(n) > limit) return HTTP_INCOMPLETE;
            if (TAP_Hdd_Fwrite(const_cast<char*>(data), static_cast<dword>(n), 1, file) != 1)
                return HTTP_WRITE_FAILED;
            written += static_cast<unsigned long long>(n);
            *count = static_cast<uint32_t>(written);
        }
        if (seconds_now() > deadline) return HTTP_NO_CONNECTION;
        data = buffer;
        n = receive(fd, buffer, HTTP_BLOCK);
        if (n == 0) return HTTP_OK;
        // All announced bytes are here: a server that keeps the connection open has no more
        // to say.
        if (n < 0) return length >= 0 && written == limit ? HTTP_OK : HTTP_NO_CONNECTION;
    }
}

// Writes the body into file + ".part" and puts it in the file's place once complete.
int store_body(int fd, const char* file, const http_header& header, size_t received,
               uint32_t* size) {
    char part[MAX_FILE_NAME_SIZE + 1];
    const int n = snprintf(part, sizeof part, "%s%s", file, part_suffix);
    if (n < 0 || n >= static_cast<int>(sizeof part) || !tap_folder()) return HTTP_NO_FILE;
    TAP_Hdd_Delete(part);
    TAP_Hdd_Create(part, ATTR_FILE);
    uint32_t count = 0;
    int code;
    {
        tap_file out(TAP_Hdd_Fopen(part));
        if (!out) {
            TAP_Hdd_Delete(part);
            return HTTP_NO_FILE;
        }
        code = receive_body(fd, out.f, header.body, received - header.body, header.length, &count);
    }
    if (code == HTTP_OK && header.length >= 0 && count != header.length) code = HTTP_INCOMPLETE;
    if (code == HTTP_OK) {
        // The new file is on the disk before it takes the earlier one's place.
        sync();
        char* from = path_libc(tap_folder(), part);
        char* to = path_libc(tap_folder(), file);
        if (!from || !to || rename(from, to) != 0)
            code = HTTP_WRITE_FAILED;
        else
            file_touch(to);
        mem_free(from);
        mem_free(to);
    }
    if (code != HTTP_OK) {
        TAP_Hdd_Delete(part);
        return code;
    }
    if (size) *size = count;
    return HTTP_OK;
}

} // namespace

int http_header_read(const char* block, size_t n, http_header* out) {
    out->status = 0;
    out->length = -1;
    out->time = 0;
    out->body = http_header_end(block, n);
    if (!out->body) return HTTP_BAD_HEADER;
    const size_t header = out->body;
    const char* const end = block + header;
    const char* line_end = http_find(block, header, "\n");
    const char* blank = http_find(block, static_cast<size_t>(line_end - block), " ");
    if (!blank) return HTTP_BAD_HEADER;
    const long long status = http_number(blank + 1, line_end, 999);
    if (status < 100) return HTTP_BAD_HEADER;
    out->status = static_cast<int>(status);
    if (status != 200) return out->status;
    static const char length_field[] = "Content-Length";
    if (const char* p = http_find(block, header, length_field)) {
        p += sizeof length_field - 1;
        if (p >= end || *p != ':') return HTTP_BAD_LENGTH;
        const long long length = http_number(p + 1, end, HTTP_BODY_MAX);
        if (length < 0) return HTTP_BAD_LENGTH;
        out->length = length;
    }
    if (!header_time(block, header, &out->time)) return HTTP_NO_DATE;
    return HTTP_OK;
}

int http_get(const char* host, const char* path, const char* file, uint32_t* time, uint32_t* size,
             const char* user_agent, int full) {
    if (!path) path = "";
    if (!file) {
        const char* slash = strrchr(path, '/');
        file = slash ? slash + 1 : path;
        if (!*file) file = "__tmp__.htm";
    }
    struct sockaddr_in address;
    if (!socket_address(host, 80, &address)) return HTTP_NO_HOST;
    file_descriptor s(socket(AF_INET, SOCK_STREAM, 0));
    if (!s) return HTTP_NO_SOCKET;
    const bool notify_only = user_agent && !full;
    if (!user_agent) user_agent = "Homebrew";
    const int request =
        snprintf(buffer, sizeof buffer, "GET /%s HTTP/1.0\r\nHost: %s\r\nUser-Agent: %s\r\n\r\n",
                 path, host, user_agent);
    if (request <= 0 || request >= static_cast<int>(sizeof buffer) || !request_safe(path) ||
        !request_safe(host) || !request_safe(user_agent) ||
        !socket_connect_within(s.fd, &address, HTTP_CONNECT_MS, HTTP_RECEIVE_S) ||
        !socket_send_all(s.fd, buffer, static_cast<size_t>(request)))
        return HTTP_NO_CONNECTION;
    size_t received;
    int code = receive_header(s.fd, notify_only, &received);
    if (code != HTTP_OK || notify_only) return code;
    http_header header;
    code = http_header_read(buffer, received, &header);
    if (code != HTTP_OK) return code;
    if (time && header.time) {
        if (*time >= header.time) return HTTP_NOT_NEWER;
        *time = header.time;
    }
    code = store_body(s.fd, file, header, received, size);
    if (code != HTTP_OK && log_enabled()) log_printf("http_get (%s, %s) %d", host, path, code);
    return code;
}
