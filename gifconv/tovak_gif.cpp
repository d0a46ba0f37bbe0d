// tovak_gif: converts the first picture of a GIF file into the raw image stream on standard
// output. The TAP starts it through a pipe ("tovak_gif.mips [-h] file") and reads the stream.
#include <cerrno>
#include <cstdio>

#include <gif_lib.h>

#include "conv_cli.h"
#include "gif_stream.h"

namespace {

constexpr std::size_t output_buffer_size = 64 * 1024;

const char usage_text[] =
    "usage: %s [option]* {gif_file}\n\n\t-v\tverbose only\n\t-h\theader only\n";

// Frees the handle. GIFLIB frees it even when closing the file fails, and a file that was only
// read has nothing to lose, so a failed close needs no report.
void gif_close(GifFileType* gif) {
    int error = 0;
    static_cast<void>(DGifCloseFile(gif, &error));
}

} // namespace

int main(int argc, char** argv) {
    const char* program = conv_program_name(argc, argv, "tovak_gif");
    conv_args args;
    if (!conv_parse_args(argc, argv, &args)) {
        conv_report_error(usage_text, program);
        return conv_exit_error;
    }

    int error = 0;
    GifFileType* gif = DGifOpenFileName(args.file, &error);
    if (gif == nullptr) {
        conv_report_error("%s: GifOpen error %d", args.file, error);
        return conv_exit_error;
    }

    if (args.verbose_only) {
        std::fprintf(stderr, "%s - Jul 28 2016, using GIFLIB\n\n", program);
        std::fprintf(stderr, "%s: %d x %d, colors=%d\n", args.file, gif->SWidth, gif->SHeight,
                     gif->SColorResolution);
        gif_close(gif);
        return 0;
    }

    // Rows go out in few large writes. Without the buffer stdout keeps its own (4 KiB on a pipe).
    static char output_buffer[output_buffer_size];
    if (std::setvbuf(stdout, output_buffer, _IOFBF, sizeof output_buffer) != 0) {
        // stdout keeps its default buffer; slower, but correct
    }
    errno = 0;
    const int status = gif_stream_convert(gif, args.header_only, sink_for_file(stdout), &error);
    // Whatever was written goes out before a message, so the reader sees the header first.
    const bool flushed = std::fflush(stdout) == 0;
    const int write_errno = errno;
    gif_close(gif);
    if (status == gif_stream_gif_failed) {
        conv_report_error("%s: GifSlurp error %d", args.file, error);
        return conv_exit_error;
    }
    if (status == gif_stream_write_failed || !flushed) {
        conv_report_error("%s: write error %d", args.file, write_errno);
        return conv_exit_error;
    }
    return 0;
}
