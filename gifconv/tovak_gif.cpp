// tovak_gif: converts the first picture of a GIF file into the raw image stream on standard
// output. The TAP starts it through a pipe ("tovak_gif.mips [-h] file") and reads the stream.
#include <cstdio>

#include <gif_lib.h>

#include "conv_cli.h"
#include "gif_stream.h"

namespace {

static_assert(gif_stream_gif_failed == conv_stream_decode_failed &&
                  gif_stream_write_failed == conv_stream_write_failed,
              "the programs' results");

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

    struct decoder {
        GifFileType* gif;
        bool header_only;
    } d{gif, args.header_only};
    return conv_write_stdout(
        args.file, "GifSlurp",
        [](void* p, const stream_sink& sink, int* error) {
            auto* d = static_cast<decoder*>(p);
            return gif_stream_convert(d->gif, d->header_only, sink, error);
        },
        [](void* p) { gif_close(static_cast<decoder*>(p)->gif); }, &d);
}
