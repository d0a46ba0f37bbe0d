// tovak_png: converts a PNG file into the raw image stream on standard output, with the same
// command line and messages as tovak_gif. The TAP starts it through a pipe
// ("tovak_png.mips [-h] file") and reads the stream.
//
// Differences that come from the format: "colors=" in the verbose line is the file's bit depth
// per sample; the error codes are those of png_stream.h; rows are decoded and written one at a
// time, so a file that turns out damaged halfway leaves the rows before the damage on standard
// output (followed by the "PngRead error" message), where tovak_gif leaves the header alone.
#include <cstdio>

#include "conv_cli.h"
#include "png_stream.h"

namespace {

static_assert(png_stream_png_failed == conv_stream_decode_failed &&
                  png_stream_write_failed == conv_stream_write_failed,
              "the programs' results");

const char usage_text[] =
    "usage: %s [option]* {png_file}\n\n\t-v\tverbose only\n\t-h\theader only\n";

std::size_t read_file(void* context, std::uint8_t* buffer, std::size_t size) {
    return std::fread(buffer, 1, size, static_cast<std::FILE*>(context));
}

// The file was only read: a failed close loses nothing and needs no report.
void close_input(std::FILE* file) {
    static_cast<void>(std::fclose(file));
}

} // namespace

int main(int argc, char** argv) {
    const char* program = conv_program_name(argc, argv, "tovak_png");
    conv_args args;
    if (!conv_parse_args(argc, argv, &args)) {
        conv_report_error(usage_text, program);
        return conv_exit_error;
    }

    std::FILE* file = std::fopen(args.file, "rb");
    if (file == nullptr) {
        conv_report_error("%s: PngOpen error %d", args.file, png_err_open_failed);
        return conv_exit_error;
    }
    int error = 0;
    png_stream* png = png_stream_open(png_input{read_file, file}, &error);
    if (png == nullptr) {
        close_input(file);
        conv_report_error("%s: PngOpen error %d", args.file, error);
        return conv_exit_error;
    }

    if (args.verbose_only) {
        std::uint32_t width = 0, height = 0;
        int bit_depth = 0;
        png_stream_info(png, &width, &height, &bit_depth);
        std::fprintf(stderr, "%s - Jul 28 2016, using libpng\n\n", program);
        std::fprintf(stderr, "%s: %lu x %lu, colors=%d\n", args.file,
                     static_cast<unsigned long>(width), static_cast<unsigned long>(height),
                     bit_depth);
        png_stream_close(png);
        close_input(file);
        return 0;
    }

    struct decoder {
        png_stream* png;
        std::FILE* file;
        bool header_only;
    } d{png, file, args.header_only};
    return conv_write_stdout(
        args.file, "PngRead",
        [](void* p, const stream_sink& sink, int* error) {
            auto* d = static_cast<decoder*>(p);
            return png_stream_convert(d->png, d->header_only, sink, error);
        },
        [](void* p) {
            auto* d = static_cast<decoder*>(p);
            png_stream_close(d->png);
            close_input(d->file);
        },
        &d);
}
