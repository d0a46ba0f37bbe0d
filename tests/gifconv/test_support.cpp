#include "test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include <png.h>

extern char** environ;

// ---- files ------------------------------------------------------------------------------------

temp_folder::temp_folder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/gifconv_test_XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) != nullptr) path_ = buffer.data();
}

temp_folder::~temp_folder() {
    if (path_.empty()) return;
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

bool write_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file.flush());
}

std::vector<std::uint8_t> read_bytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file),
                                     std::istreambuf_iterator<char>());
}

std::uint32_t le32_at(const std::string& bytes, std::size_t offset) {
    if (offset + 4 > bytes.size()) return 0xFFFFFFFFu;
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[offset + i]);
    return value;
}

// ---- running programs -------------------------------------------------------------------------

namespace {

void close_fd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

bool is_test_variable(const std::string& entry, const run_request& request) {
    const std::string name = entry.substr(0, entry.find('='));
    if (name == "TU_FWAIT" || name == "TU_FNOBELL") return true;
    for (const auto& [key, value] : request.env)
        if (key == name) return true;
    return false;
}

} // namespace

child_process::~child_process() {
    close_fd(in_);
    close_fd(out_);
    close_fd(err_);
    if (pid_ > 0 && !exited_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status_, 0);
    }
}

bool child_process::start(const std::string& program, const run_request& request) {
    int in_pipe[2], out_pipe[2], err_pipe[2];
    if (pipe2(in_pipe, O_CLOEXEC) != 0) return false;
    if (pipe2(out_pipe, O_CLOEXEC) != 0) return false;
    if (pipe2(err_pipe, O_CLOEXEC) != 0) return false;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
    if (request.stdout_path.empty())
        posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, request.stdout_path.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
    if (!request.cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, request.cwd.c_str());

    // The test ignores SIGPIPE; the program gets the default action back.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    // GIFCONV_EMULATOR (e.g. /usr/bin/qemu-mipsel) runs programs built for the receiver.
    const char* emulator = std::getenv("GIFCONV_EMULATOR");
    const bool emulated = emulator != nullptr && *emulator != '\0';
    const std::string argv0 = request.argv0.empty() ? program : request.argv0;
    std::vector<std::string> arguments;
    if (emulated)
        arguments = {emulator, "-0", argv0, program};
    else
        arguments = {argv0};
    arguments.insert(arguments.end(), request.args.begin(), request.args.end());
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (!is_test_variable(*entry, request)) environment.emplace_back(*entry);
    for (const auto& [key, value] : request.env)
        environment.push_back(key + "=" + value);
    std::vector<char*> envp;
    for (auto& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    signal(SIGPIPE, SIG_IGN);
    const int result = posix_spawn(&pid_, emulated ? emulator : program.c_str(), &actions,
                                   &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(in_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    in_ = in_pipe[1];
    out_ = out_pipe[0];
    err_ = err_pipe[0];
    if (result != 0) {
        pid_ = -1;
        return false;
    }
    if (!request.stdout_path.empty()) close_fd(out_);
    // A program that ends without reading its input closes the pipe first (EPIPE): that is
    // its business, not a failure to start it.
    if (!request.input.empty()) write_input(request.input);
    return true;
}

bool child_process::write_input(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(in_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void child_process::close_input() {
    close_fd(in_);
}

bool child_process::running() {
    if (pid_ <= 0 || exited_) return false;
    if (waitpid(pid_, &status_, WNOHANG) == pid_) exited_ = true;
    return !exited_;
}

run_result child_process::finish(int timeout_ms) {
    run_result result;
    close_input();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    char buffer[65536];
    while (out_ >= 0 || err_ >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) {
            result.timed_out = true;
            break;
        }
        pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(left)) < 0 && errno != EINTR) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0)
                (i == 0 ? result.out : result.err).append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR)
                close_fd(i == 0 ? out_ : err_);
        }
    }
    while (pid_ > 0 && !exited_) {
        if (waitpid(pid_, &status_, WNOHANG) == pid_) {
            exited_ = true;
            break;
        }
        if (result.timed_out || std::chrono::steady_clock::now() > deadline) {
            result.timed_out = true;
            kill(pid_, SIGKILL);
            waitpid(pid_, &status_, 0);
            exited_ = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (exited_ && WIFEXITED(status_)) result.exit_code = WEXITSTATUS(status_);
    if (exited_ && WIFSIGNALED(status_)) result.signal = WTERMSIG(status_);
    return result;
}

std::string program_path(const char* variable, const char* built) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0' ? value : built;
}

run_result run_program(const std::string& program, const run_request& request) {
    child_process child;
    if (!child.start(program, request)) return run_result{};
    return child.finish();
}

// ---- GIF files byte by byte -------------------------------------------------------------------

namespace {

void put16(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

// Size field of a colour table of n entries (n = 2 << field).
int table_field(std::size_t n) {
    int field = 0;
    while ((2u << field) < n && field < 7)
        ++field;
    return field;
}

void put_table(std::vector<std::uint8_t>& out, const std::vector<GifColorType>& map) {
    for (const auto& colour : map) {
        out.push_back(colour.Red);
        out.push_back(colour.Green);
        out.push_back(colour.Blue);
    }
}

// LZW with code size 8: 9-bit codes, only literal codes, a clear code every 200 pixels so the
// code width never grows.
void put_lzw(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& pixels) {
    std::vector<std::uint8_t> data;
    std::uint32_t bits = 0;
    int count = 0;
    auto code = [&](unsigned value) {
        bits |= value << count;
        count += 9;
        while (count >= 8) {
            data.push_back(static_cast<std::uint8_t>(bits));
            bits >>= 8;
            count -= 8;
        }
    };
    code(256);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (i > 0 && i % 200 == 0) code(256);
        code(pixels[i]);
    }
    code(257);
    if (count > 0) data.push_back(static_cast<std::uint8_t>(bits));
    out.push_back(8);
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        out.push_back(static_cast<std::uint8_t>(n));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    out.push_back(0);
}

} // namespace

std::vector<std::uint8_t> raw_gif_bytes(const raw_gif& gif) {
    std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    put16(out, gif.width);
    put16(out, gif.height);
    int packed = ((gif.color_resolution - 1) & 7) << 4;
    if (!gif.global_map.empty()) packed |= 0x80 | table_field(gif.global_map.size());
    out.push_back(static_cast<std::uint8_t>(packed));
    out.push_back(static_cast<std::uint8_t>(gif.background));
    out.push_back(0);
    put_table(out, gif.global_map);
    for (const auto& image : gif.images) {
        out.push_back(0x2C);
        put16(out, image.left);
        put16(out, image.top);
        put16(out, image.width);
        put16(out, image.height);
        out.push_back(image.local_map.empty()
                          ? 0
                          : static_cast<std::uint8_t>(0x80 | table_field(image.local_map.size())));
        put_table(out, image.local_map);
        put_lzw(out, image.pixels);
    }
    out.push_back(0x3B);
    return out;
}

// ---- PNG files --------------------------------------------------------------------------------

namespace {

// No C++ objects live in this frame: libpng leaves it by longjmp on errors.
bool guarded_png_write(std::FILE* file, const png_picture* picture, png_bytep* rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, picture->width, picture->height, picture->bit_depth,
                 picture->colour_type,
                 picture->interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!picture->palette.empty())
        png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(picture->palette.data()),
                     static_cast<int>(picture->palette.size() / 3));
    if (!picture->trns.empty())
        png_set_tRNS(png, info, picture->trns.data(), static_cast<int>(picture->trns.size()),
                     nullptr);
    png_color_16 grey{};
    if (picture->trns_grey >= 0) {
        grey.gray = static_cast<png_uint_16>(picture->trns_grey);
        png_set_tRNS(png, info, nullptr, 0, &grey);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool write_png_file(const std::string& path, const png_picture& picture) {
    const int channels[] = {1, 0, 3, 1, 2, 0, 4};
    if (picture.colour_type < 0 || picture.colour_type > 6 || channels[picture.colour_type] == 0 ||
        picture.height == 0)
        return false;
    const std::size_t row_bytes = (static_cast<std::size_t>(picture.width) *
                                       channels[picture.colour_type] * picture.bit_depth +
                                   7) /
                                  8;
    if (picture.rows.size() != row_bytes * picture.height) return false;
    std::vector<png_bytep> rows;
    for (std::uint32_t y = 0; y < picture.height; ++y)
        rows.push_back(const_cast<png_bytep>(picture.rows.data() + y * row_bytes));
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = guarded_png_write(file, &picture, rows.data());
    return std::fclose(file) == 0 && written;
}
