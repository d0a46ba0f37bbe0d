// Command line and error reporting shared by tovak_gif and tovak_png.
#ifndef TOVAK_GIFCONV_CONV_CLI_H
#define TOVAK_GIFCONV_CONV_CLI_H

#include "stream_sink.h"

// Exit status of the programs after any error.
constexpr int conv_exit_error = 255;

struct conv_args {
    bool header_only = false;   // -h: write the 256-byte header only
    bool verbose_only = false;  // -v: two lines of information on standard error only
    const char* file = nullptr; // the picture file
};

// Scans argv[1..argc-1]. Options ("-h", "-v") come first; an argument starting with '-' that is
// two or three characters long is an option, anything else is the file name and must be the
// last argument. Returns false on a usage error.
bool conv_parse_args(int argc, char* const* argv, conv_args* args);

// The program name as invoked (argv[0]), with a fallback when the caller gave none.
const char* conv_program_name(int argc, char* const* argv, const char* fallback);

// Reports a fatal error: the formatted message, a BEL unless TU_FNOBELL is set, a newline; then,
// when TU_FWAIT is set, asks for RETURN and reads standard input up to a newline. The caller
// exits with conv_exit_error afterwards.
void conv_report_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Results of a converter's writing of the stream (gif_stream and png_stream give the same).
constexpr int conv_stream_ok = 0;
constexpr int conv_stream_decode_failed = -1; // the decoder failed; its code is in *error
constexpr int conv_stream_write_failed = -2;  // standard output refused bytes

// The programs' last step once the picture is open: the stream goes to standard output in few
// large writes (convert writes it to the sink it gets and gives a result above), is flushed
// before any message so that the reader sees the header first, and the decoder is released
// (release). A failure is reported as "<file>: <decode_error> error <code>" or
// "<file>: write error <errno>". Returns the exit status.
int conv_write_stdout(const char* file, const char* decode_error,
                      int (*convert)(void* decoder, const stream_sink& sink, int* error),
                      void (*release)(void* decoder), void* decoder);

#endif
