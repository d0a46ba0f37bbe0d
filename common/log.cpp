#include "log.h"

#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "common/file_io.h"
#include "common/format.h"
#include "common/paths.h"
#include "common/settings.h"
#include "common/version.h"
#include "platform/tap_api.h"

namespace {

int calls;         // messages logged in this run
bool continuation; // the previous message asked the next one to continue its line

void write_text(int fd, const char* text) {
    size_t left = strlen(text);
    while (left > 0) {
        ssize_t n = write(fd, text, left);
        if (n <= 0) return;
        text += n;
        left -= static_cast<size_t>(n);
    }
}

} // namespace

bool log_enabled(void) {
    return settings.flags & SET_LOGGING;
}

int log_count(void) {
    return calls;
}

void log_restart(void) {
    calls = 0;
    continuation = false;
}

// The log never allocates: it also reports running out of memory.
void log_msg(const char* message) {
    if (!message) return;
    char path[1024];
    if (path_libc_into(nullptr, "TovakRC.log", path, sizeof path) != 0) return;
    {
        file_descriptor file(open(path, O_WRONLY | O_CREAT | O_APPEND, 0644));
        if (!file) return;
        if (calls++ == 0)
            write_text(file.fd, "\n***** " TOVAK_PROGRAM_NAME " (" TOVAK_BUILD_TIME ") *****\n");
        if (!continuation) {
            word mjd = 0;
            byte hour = 0, minute = 0, second = 0;
            TAP_GetTime(&mjd, &hour, &minute, &second);
            char stamp[64];
            snprintf(stamp, sizeof stamp, "%s:%02d : ", date_time_text(mjd, hour * 60 + minute),
                     second);
            write_text(file.fd, stamp);
        }
        continuation = message[0] == 0x01;
        write_text(file.fd, continuation ? message + 1 : message);
        if (!continuation) write_text(file.fd, "\n");
    }
    file_touch(path);
}

void log_printf(const char* format, ...) {
    char message[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    log_msg(message);
}
