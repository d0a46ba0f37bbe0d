#include "conv_cli.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool conv_parse_args(int argc, char* const* argv, conv_args* args) {
    *args = conv_args{};
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg == nullptr) return false;
        const std::size_t length = std::strlen(arg);
        if (arg[0] == '-' && (length == 2 || length == 3)) {
            if (std::strcmp(arg, "-h") == 0)
                args->header_only = true;
            else if (std::strcmp(arg, "-v") == 0)
                args->verbose_only = true;
            else
                return false;
            continue;
        }
        if (i != argc - 1) return false; // the file name must be the last argument
        args->file = arg;
    }
    return args->file != nullptr;
}

const char* conv_program_name(int argc, char* const* argv, const char* fallback) {
    if (argc > 0 && argv != nullptr && argv[0] != nullptr && argv[0][0] != '\0') return argv[0];
    return fallback;
}

void conv_report_error(const char* format, ...) {
    std::va_list list;
    va_start(list, format);
    std::vfprintf(stderr, format, list);
    va_end(list);
    if (std::getenv("TU_FNOBELL") == nullptr) std::fputc('\a', stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    if (std::getenv("TU_FWAIT") != nullptr) {
        std::fputs("\a\n\npress RETURN to continue ", stderr);
        std::fflush(stderr);
        for (;;) {
            const int c = std::getchar();
            if (c == EOF || c == '\n') break;
        }
    }
}

int conv_write_stdout(const char* file, const char* decode_error,
                      int (*convert)(void* decoder, const stream_sink& sink, int* error),
                      void (*release)(void* decoder), void* decoder) {
    // Without the buffer stdout keeps its own (4 KiB on a pipe); a refused buffer leaves the
    // default one: slower, but correct.
    static char output_buffer[64 * 1024];
    static_cast<void>(std::setvbuf(stdout, output_buffer, _IOFBF, sizeof output_buffer));
    errno = 0;
    int error = 0;
    const int status = convert(decoder, sink_for_file(stdout), &error);
    const bool flushed = std::fflush(stdout) == 0;
    const int write_errno = errno;
    release(decoder);
    if (status == conv_stream_decode_failed) {
        conv_report_error("%s: %s error %d", file, decode_error, error);
        return conv_exit_error;
    }
    if (status == conv_stream_write_failed || !flushed) {
        conv_report_error("%s: write error %d", file, write_errno);
        return conv_exit_error;
    }
    return 0;
}
