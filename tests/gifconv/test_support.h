// Helpers for the converter tests: a temporary folder, running a program with captured
// standard streams, GIF files assembled byte by byte, PNG files written with libpng.
#ifndef TOVAK_TESTS_GIFCONV_TEST_SUPPORT_H
#define TOVAK_TESTS_GIFCONV_TEST_SUPPORT_H

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <gif_lib.h>

// A folder below $TMPDIR (or /tmp) that is removed with everything in it.
class temp_folder {
  public:
    temp_folder();
    ~temp_folder();
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

bool write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> read_bytes(const std::string& path);

struct run_request {
    std::vector<std::string> args;                        // after the program name
    std::string argv0;                                    // empty: the program path
    std::vector<std::pair<std::string, std::string>> env; // set in the child's environment
    std::string cwd;                                      // empty: the test's folder
    std::string input;                                    // written to standard input
    std::string stdout_path;                              // non-empty: stdout goes there
};

struct run_result {
    int exit_code = -1; // -1 when the program did not exit normally
    int signal = 0;
    bool timed_out = false;
    std::string out;
    std::string err;
};

// A started program whose standard streams are pipes. TU_FWAIT and TU_FNOBELL are removed from
// the inherited environment unless the request sets them. When GIFCONV_EMULATOR is set, the
// program runs under that emulator (qemu-user), for programs built for the receiver.
class child_process {
  public:
    child_process() = default;
    ~child_process();
    child_process(const child_process&) = delete;
    child_process& operator=(const child_process&) = delete;

    bool start(const std::string& program, const run_request& request);
    bool write_input(const std::string& text);
    void close_input();
    // True while the program has not ended.
    bool running();
    // Closes standard input, collects the output and waits (killing the program after
    // timeout_ms).
    run_result finish(int timeout_ms = 30000);

  private:
    pid_t pid_ = -1;
    int in_ = -1, out_ = -1, err_ = -1;
    bool exited_ = false;
    int status_ = 0;
};

run_result run_program(const std::string& program, const run_request& request);

// The program to test: the environment variable name, when set, else the built program.
std::string program_path(const char* variable, const char* built);

// A request with only arguments.
inline run_request with_args(std::vector<std::string> args) {
    run_request request;
    request.args = std::move(args);
    return request;
}

// Little-endian 32-bit word at offset of a byte string.
std::uint32_t le32_at(const std::string& bytes, std::size_t offset);

// GIF files assembled byte by byte, for what GIFLIB's encoder refuses to write (no colour map
// at all, colour indices beyond the map, empty or truncated files). The image data is LZW with
// a code size of 8 and a clear code every 200 pixels, so every index 0 ... 255 can be stored.
struct raw_gif_image {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<GifColorType> local_map; // empty: none; else 2, 4, ... 256 entries
    std::vector<std::uint8_t> pixels;    // in file order
};

struct raw_gif {
    int width = 0, height = 0, background = 0, color_resolution = 8;
    std::vector<GifColorType> global_map; // empty: none
    std::vector<raw_gif_image> images;
};

std::vector<std::uint8_t> raw_gif_bytes(const raw_gif& gif);

// PNG files written with libpng. rows holds height rows of packed samples as PNG stores them
// (big-endian 16-bit samples, low bit depths packed from the most significant bit).
struct png_picture {
    std::uint32_t width = 0, height = 0;
    int colour_type = 0; // PNG_COLOR_TYPE_...
    int bit_depth = 8;
    bool interlace = false;
    std::vector<std::uint8_t> palette; // R, G, B triples for palette pictures
    std::vector<std::uint8_t> trns;    // palette alpha values
    int trns_grey = -1;                // transparent grey value for grey pictures (-1: none)
    std::vector<std::uint8_t> rows;
};

bool write_png_file(const std::string& path, const png_picture& picture);

#endif
