// tovak_gif's command line, messages, exit codes and the environment switches, run as a
// program with captured standard streams.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "gif_write.h"
#include "test_support.h"

namespace {

const std::string program = program_path("GIFCONV_GIF_PROGRAM", TOVAK_GIF_PROGRAM);

// The reference picture: 3 x 2, four colours, colour resolution 5.
const std::vector<GifColorType> reference_map = {
    {10, 20, 30}, {200, 100, 50}, {1, 254, 7}, {128, 129, 130}};
const std::vector<std::uint8_t> reference_indices = {0, 1, 2, 3, 2, 1};

std::string reference_pixels() {
    std::string bytes;
    for (const auto index : reference_indices) {
        bytes += static_cast<char>(reference_map[index].Red);
        bytes += static_cast<char>(reference_map[index].Green);
        bytes += static_cast<char>(reference_map[index].Blue);
    }
    return bytes;
}

// Replaces every "$name" in text by the value given for name.
std::string expand(std::string text, const std::vector<std::pair<std::string, std::string>>& vars) {
    for (const auto& [name, value] : vars) {
        const std::string key = "$" + name;
        for (std::size_t at = text.find(key); at != std::string::npos;
             at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    }
    return text;
}

std::string code(int value) {
    return std::to_string(value);
}

const std::string usage =
    "usage: $prog [option]* {gif_file}\n\n\t-v\tverbose only\n\t-h\theader only\n\a\n";
const std::string verbose = "$prog - Jul 28 2016, using GIFLIB\n\n$valid: 3 x 2, colors=5\n";
const std::string wait_prompt = "\a\n\npress RETURN to continue ";

// What standard output must hold: nothing, the header of the reference picture, its whole
// stream, or the header of the truncated picture (64 x 48).
enum class output { nothing, header, stream, truncated_header };

struct cli_case {
    const char* name;
    std::vector<std::string> args; // "$valid" etc. stand for the files of the fixture
    std::vector<std::pair<std::string, std::string>> env;
    output out;
    std::string err; // exact standard error, with the same placeholders
    int exit_code;
};

// Test names and failure messages show the case by its name.
void PrintTo(const cli_case& c, std::ostream* os) {
    *os << c.name;
}

class GifCli : public ::testing::TestWithParam<cli_case> {
  protected:
    static void SetUpTestSuite() {
        folder = new temp_folder();
        gif_write_picture picture;
        picture.width = 3;
        picture.height = 2;
        picture.color_resolution = 5;
        picture.global_map = reference_map;
        picture.images.push_back({0, 0, 3, 2, false, {}, reference_indices});
        ASSERT_EQ(gif_write_file(folder->file("valid.gif").c_str(), picture), 0);
        // Names that look like options but are file names.
        ASSERT_EQ(gif_write_file(folder->file("-abcd").c_str(), picture), 0);
        ASSERT_EQ(gif_write_file(folder->file("-").c_str(), picture), 0);

        // A bigger picture cut in the middle of its image data.
        gif_write_picture big;
        big.width = 64;
        big.height = 48;
        big.global_map = reference_map;
        std::vector<std::uint8_t> pixels(64 * 48);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = (i * 7 + i / 5) % 4;
        big.images.push_back({0, 0, 64, 48, false, {}, pixels});
        const std::string big_path = folder->file("big.gif");
        ASSERT_EQ(gif_write_file(big_path.c_str(), big), 0);
        std::vector<std::uint8_t> bytes = read_bytes(big_path);
        ASSERT_GT(bytes.size(), 100u);
        bytes.resize(bytes.size() / 2);
        ASSERT_TRUE(write_bytes(folder->file("truncated.gif"), bytes));

        ASSERT_TRUE(write_bytes(folder->file("text.gif"),
                                {'T', 'h', 'i', 's', ' ', 'i', 's', ' ', 't', 'e', 'x', 't'}));
        ASSERT_TRUE(write_bytes(folder->file("empty.gif"), {}));
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }

    static std::vector<std::pair<std::string, std::string>> vars() {
        return {{"prog", program},
                {"valid", folder->file("valid.gif")},
                {"truncated", folder->file("truncated.gif")},
                {"text", folder->file("text.gif")},
                {"empty", folder->file("empty.gif")},
                {"missing", folder->file("missing.gif")}};
    }

    static temp_folder* folder;
};

temp_folder* GifCli::folder = nullptr;

TEST_P(GifCli, Run) {
    const cli_case& c = GetParam();
    run_request request;
    for (const auto& arg : c.args)
        request.args.push_back(expand(arg, vars()));
    request.env = c.env;
    request.cwd = folder->path();
    request.input = "\n"; // answers the RETURN prompt when TU_FWAIT is set
    const run_result result = run_program(program, request);

    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, c.exit_code);
    EXPECT_EQ(result.err, expand(c.err, vars()));
    switch (c.out) {
    case output::nothing:
        EXPECT_EQ(result.out.size(), 0u);
        break;
    case output::header:
    case output::stream:
    case output::truncated_header: {
        const std::size_t pixels = c.out == output::stream ? 3 * 2 * 3 : 0;
        const std::uint32_t width = c.out == output::truncated_header ? 64 : 3;
        const std::uint32_t height = c.out == output::truncated_header ? 48 : 2;
        ASSERT_EQ(result.out.size(), 256 + pixels);
        EXPECT_EQ(le32_at(result.out, 0), 0x27E1ADACu);
        EXPECT_EQ(le32_at(result.out, 16), width);
        EXPECT_EQ(le32_at(result.out, 20), height);
        EXPECT_EQ(le32_at(result.out, 24), width);
        EXPECT_EQ(le32_at(result.out, 28), height);
        for (std::size_t offset : {4, 8, 12})
            EXPECT_EQ(le32_at(result.out, offset), 0u) << "offset " << offset;
        EXPECT_EQ(result.out.substr(32, 224), std::string(224, '\0'));
        if (c.out == output::stream) {
            EXPECT_EQ(result.out.substr(256), reference_pixels());
        }
        break;
    }
    }
}

const std::string open_failed = code(D_GIF_ERR_OPEN_FAILED);
const std::string read_failed = code(D_GIF_ERR_READ_FAILED);
const std::string not_gif = code(D_GIF_ERR_NOT_GIF_FILE);

INSTANTIATE_TEST_SUITE_P(
    Options, GifCli,
    ::testing::Values(
        cli_case{"Convert", {"$valid"}, {}, output::stream, "", 0},
        cli_case{"HeaderOnly", {"-h", "$valid"}, {}, output::header, "", 0},
        cli_case{"HeaderOnlyTwice", {"-h", "-h", "$valid"}, {}, output::header, "", 0},
        cli_case{"Verbose", {"-v", "$valid"}, {}, output::nothing, verbose, 0},
        cli_case{"VerboseWinsAfterHeader", {"-h", "-v", "$valid"}, {}, output::nothing, verbose, 0},
        cli_case{
            "VerboseWinsBeforeHeader", {"-v", "-h", "$valid"}, {}, output::nothing, verbose, 0},
        cli_case{"FourCharacterDashWordIsAFile", {"-abcd"}, {}, output::stream, "", 0},
        cli_case{"LoneDashIsAFile", {"-h", "-"}, {}, output::header, "", 0}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    UsageErrors, GifCli,
    ::testing::Values(
        cli_case{"NoArguments", {}, {}, output::nothing, usage, 255},
        cli_case{"VerboseWithoutFile", {"-v"}, {}, output::nothing, usage, 255},
        cli_case{"HeaderWithoutFile", {"-h"}, {}, output::nothing, usage, 255},
        cli_case{"TwoFiles", {"$valid", "$valid"}, {}, output::nothing, usage, 255},
        cli_case{"OptionAfterFile", {"$valid", "-h"}, {}, output::nothing, usage, 255},
        cli_case{"UnknownOption", {"-x", "$valid"}, {}, output::nothing, usage, 255},
        cli_case{"OptionsRunTogether", {"-hv", "$valid"}, {}, output::nothing, usage, 255},
        cli_case{"OptionsRunTogetherReversed", {"-vh", "$valid"}, {}, output::nothing, usage, 255},
        cli_case{"DoubleDash", {"--", "$valid"}, {}, output::nothing, usage, 255},
        cli_case{"UsageWithoutBell",
                 {"-x", "$valid"},
                 {{"TU_FNOBELL", "1"}},
                 output::nothing,
                 "usage: $prog [option]* {gif_file}\n\n\t-v\tverbose only\n\t-h\theader "
                 "only\n\n",
                 255}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    FileErrors, GifCli,
    ::testing::Values(
        cli_case{"Missing",
                 {"$missing"},
                 {},
                 output::nothing,
                 "$missing: GifOpen error " + open_failed + "\a\n",
                 255},
        cli_case{"NotAGif",
                 {"$text"},
                 {},
                 output::nothing,
                 "$text: GifOpen error " + not_gif + "\a\n",
                 255},
        cli_case{"Empty",
                 {"$empty"},
                 {},
                 output::nothing,
                 "$empty: GifOpen error " + read_failed + "\a\n",
                 255},
        cli_case{"VerboseNotAGif",
                 {"-v", "$text"},
                 {},
                 output::nothing,
                 "$text: GifOpen error " + not_gif + "\a\n",
                 255},
        cli_case{"Truncated",
                 {"$truncated"},
                 {},
                 output::truncated_header,
                 "$truncated: GifSlurp error " + read_failed + "\a\n",
                 255},
        cli_case{"TruncatedHeaderOnly", {"-h", "$truncated"}, {}, output::truncated_header, "", 0},
        cli_case{"NoBell",
                 {"$text"},
                 {{"TU_FNOBELL", "1"}},
                 output::nothing,
                 "$text: GifOpen error " + not_gif + "\n",
                 255},
        cli_case{"NoBellEmptyValue",
                 {"$text"},
                 {{"TU_FNOBELL", ""}},
                 output::nothing,
                 "$text: GifOpen error " + not_gif + "\n",
                 255},
        cli_case{"Wait",
                 {"$text"},
                 {{"TU_FWAIT", "1"}},
                 output::nothing,
                 "$text: GifOpen error " + not_gif + "\a\n" + wait_prompt,
                 255},
        cli_case{"WaitNoBell",
                 {"$text"},
                 {{"TU_FWAIT", ""}, {"TU_FNOBELL", "yes"}},
                 output::nothing,
                 "$text: GifOpen error " + not_gif + "\n" + wait_prompt,
                 255},
        cli_case{"WaitAfterSlurp",
                 {"$truncated"},
                 {{"TU_FWAIT", "1"}},
                 output::truncated_header,
                 "$truncated: GifSlurp error " + read_failed + "\a\n" + wait_prompt,
                 255}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the program name as invoked ---------------------------------------------------------------

TEST(GifProgramName, MessagesUseTheNameAsInvoked) {
    temp_folder folder;
    gif_write_picture picture;
    picture.width = 3;
    picture.height = 2;
    picture.color_resolution = 5;
    picture.global_map = reference_map;
    picture.images.push_back({0, 0, 3, 2, false, {}, reference_indices});
    const std::string path = folder.file("valid.gif");
    ASSERT_EQ(gif_write_file(path.c_str(), picture), 0);
    const std::string name = "/mnt/hd/ProgramFiles/Settings/TovakRC/tovak_gif.mips";
    struct name_case {
        std::vector<std::string> args;
        std::string err;
    };
    const name_case cases[] = {
        {{}, expand(usage, {{"prog", name}})},
        {{"-v", path}, expand(verbose, {{"prog", name}, {"valid", path}})},
    };
    for (const auto& c : cases) {
        run_request request = with_args(c.args);
        request.argv0 = name;
        const run_result result = run_program(program, request);
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.out, "");
    }
}

// ---- TU_FWAIT really waits --------------------------------------------------------------------

bool still_running_after(child_process& child, int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return child.running();
}

TEST(GifWait, WaitsForAWholeLine) {
    run_request request;
    request.args = {"/nonexistent/picture.gif"};
    request.env = {{"TU_FWAIT", "1"}};
    child_process child;
    ASSERT_TRUE(child.start(program, request));
    EXPECT_TRUE(still_running_after(child, 300)) << "exited without input";
    ASSERT_TRUE(child.write_input("some text"));
    EXPECT_TRUE(still_running_after(child, 300)) << "exited before the newline";
    ASSERT_TRUE(child.write_input("\n"));
    const run_result result = child.finish(10000);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 255);
    EXPECT_EQ(result.err,
              "/nonexistent/picture.gif: GifOpen error " + open_failed + "\a\n" + wait_prompt);
}

TEST(GifWait, EndOfInputEndsTheWait) {
    run_request request;
    request.args = {"/nonexistent/picture.gif"};
    request.env = {{"TU_FWAIT", "1"}};
    child_process child;
    ASSERT_TRUE(child.start(program, request));
    ASSERT_TRUE(child.write_input("no newline"));
    const run_result result = child.finish(10000); // closes standard input
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 255);
}

TEST(GifWait, NoWaitWithoutTheVariable) {
    run_request request;
    request.args = {"/nonexistent/picture.gif"};
    child_process child;
    ASSERT_TRUE(child.start(program, request));
    // Standard input stays open: the program must end on its own.
    for (int i = 0; i < 500 && child.running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(child.running());
    EXPECT_EQ(child.finish(1000).exit_code, 255);
}

// ---- output that cannot be written ------------------------------------------------------------

TEST(GifWriteError, FullDeviceIsAnError) {
    temp_folder folder;
    gif_write_picture picture;
    picture.width = 300;
    picture.height = 300;
    picture.global_map = reference_map;
    picture.images.push_back({0, 0, 300, 300, false, {}, std::vector<std::uint8_t>(90000, 1)});
    const std::string path = folder.file("big.gif");
    ASSERT_EQ(gif_write_file(path.c_str(), picture), 0);
    run_request request;
    request.args = {path};
    request.stdout_path = "/dev/full";
    const run_result result = run_program(program, request);
    EXPECT_EQ(result.exit_code, 255);
    EXPECT_EQ(result.err.rfind(path + ": write error ", 0), 0u) << result.err;
}

} // namespace
