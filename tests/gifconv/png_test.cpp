// tovak_png: pixels for every colour type and bit depth (alpha composited on black), and the
// command line and messages it shares with tovak_gif.
#include <gtest/gtest.h>

#include <png.h>

#include <string>
#include <vector>

#include "gif_write.h"
#include "test_support.h"

namespace {

const std::string program = program_path("GIFCONV_PNG_PROGRAM", TOVAK_PNG_PROGRAM);

struct rgb8 {
    std::uint8_t r, g, b;
};

struct png_case {
    const char* name;
    png_picture picture;
    std::vector<rgb8> expected; // rows top to bottom
};

// Test names and failure messages show the case by its name.
void PrintTo(const png_case& c, std::ostream* os) {
    *os << c.name;
}

png_picture picture(std::uint32_t width, std::uint32_t height, int colour_type, int bit_depth,
                    std::vector<std::uint8_t> rows) {
    png_picture p;
    p.width = width;
    p.height = height;
    p.colour_type = colour_type;
    p.bit_depth = bit_depth;
    p.rows = std::move(rows);
    return p;
}

png_picture with_palette(png_picture p, std::vector<std::uint8_t> palette,
                         std::vector<std::uint8_t> trns = {}) {
    p.palette = std::move(palette);
    p.trns = std::move(trns);
    return p;
}

png_picture with_grey_key(png_picture p, int grey) {
    p.trns_grey = grey;
    return p;
}

std::string as_bytes(const std::vector<rgb8>& pixels) {
    std::string bytes;
    for (const auto& p : pixels) {
        bytes += static_cast<char>(p.r);
        bytes += static_cast<char>(p.g);
        bytes += static_cast<char>(p.b);
    }
    return bytes;
}

std::string describe(const std::string& bytes) {
    std::string text;
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 3)
        text += "(" + std::to_string(static_cast<std::uint8_t>(bytes[i])) + "," +
                std::to_string(static_cast<std::uint8_t>(bytes[i + 1])) + "," +
                std::to_string(static_cast<std::uint8_t>(bytes[i + 2])) + ") ";
    return text;
}

class PngPicture : public ::testing::TestWithParam<png_case> {};

TEST_P(PngPicture, Pixels) {
    const png_case& c = GetParam();
    temp_folder folder;
    const std::string path = folder.file("picture.png");
    ASSERT_TRUE(write_png_file(path, c.picture));
    const run_result result = run_program(program, with_args({path}));
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.err, "");
    ASSERT_GE(result.out.size(), 256u);
    EXPECT_EQ(le32_at(result.out, 0), 0x27E1ADACu);
    EXPECT_EQ(le32_at(result.out, 16), c.picture.width);
    EXPECT_EQ(le32_at(result.out, 20), c.picture.height);
    EXPECT_EQ(le32_at(result.out, 24), c.picture.width);
    EXPECT_EQ(le32_at(result.out, 28), c.picture.height);
    EXPECT_EQ(describe(result.out.substr(256)), describe(as_bytes(c.expected)));
}

const std::vector<std::uint8_t> palette3 = {200, 16, 32, 24, 40, 220, 48, 210, 56};

INSTANTIATE_TEST_SUITE_P(
    ColourTypes, PngPicture,
    ::testing::Values(
        png_case{"Rgb8",
                 picture(2, 1, PNG_COLOR_TYPE_RGB, 8, {200, 100, 50, 1, 2, 3}),
                 {{200, 100, 50}, {1, 2, 3}}},
        png_case{"Rgb16",
                 picture(2, 1, PNG_COLOR_TYPE_RGB, 16,
                         {0xFF, 0xFF, 0x80, 0x80, 0x00, 0x00, 0x01, 0x01, 0x40, 0x40, 0xFE, 0xFE}),
                 {{255, 128, 0}, {1, 64, 254}}},
        png_case{"Grey1",
                 picture(3, 1, PNG_COLOR_TYPE_GRAY, 1, {0xA0}),
                 {{255, 255, 255}, {0, 0, 0}, {255, 255, 255}}},
        png_case{"Grey2",
                 picture(4, 1, PNG_COLOR_TYPE_GRAY, 2, {0x1B}),
                 {{0, 0, 0}, {85, 85, 85}, {170, 170, 170}, {255, 255, 255}}},
        png_case{"Grey4",
                 picture(2, 1, PNG_COLOR_TYPE_GRAY, 4, {0xF3}),
                 {{255, 255, 255}, {51, 51, 51}}},
        png_case{"Grey8TwoRows",
                 picture(2, 2, PNG_COLOR_TYPE_GRAY, 8, {0, 77, 128, 255}),
                 {{0, 0, 0}, {77, 77, 77}, {128, 128, 128}, {255, 255, 255}}},
        png_case{"Grey16",
                 picture(2, 1, PNG_COLOR_TYPE_GRAY, 16, {0x40, 0x40, 0xFF, 0xFF}),
                 {{64, 64, 64}, {255, 255, 255}}},
        png_case{"Palette8",
                 with_palette(picture(3, 1, PNG_COLOR_TYPE_PALETTE, 8, {2, 0, 1}), palette3),
                 {{48, 210, 56}, {200, 16, 32}, {24, 40, 220}}},
        png_case{"Palette1",
                 with_palette(picture(8, 1, PNG_COLOR_TYPE_PALETTE, 1, {0xB0}),
                              {10, 20, 30, 240, 230, 220}),
                 {{240, 230, 220},
                  {10, 20, 30},
                  {240, 230, 220},
                  {240, 230, 220},
                  {10, 20, 30},
                  {10, 20, 30},
                  {10, 20, 30},
                  {10, 20, 30}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Transparency is composited on black: sample * alpha / 255, rounded.
INSTANTIATE_TEST_SUITE_P(
    Transparency, PngPicture,
    ::testing::Values(
        png_case{"Rgba8",
                 picture(3, 1, PNG_COLOR_TYPE_RGB_ALPHA, 8,
                         {200, 100, 50, 255, 200, 100, 50, 128, 200, 100, 50, 0}),
                 {{200, 100, 50}, {100, 50, 25}, {0, 0, 0}}},
        png_case{"Rgba16",
                 picture(1, 1, PNG_COLOR_TYPE_RGB_ALPHA, 16,
                         {0xFF, 0xFF, 0x80, 0x80, 0x00, 0x00, 0x80, 0x80}),
                 {{128, 64, 0}}},
        png_case{"GreyAlpha8",
                 picture(3, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {200, 255, 200, 0, 255, 51}),
                 {{200, 200, 200}, {0, 0, 0}, {51, 51, 51}}},
        png_case{"PaletteWithTrns",
                 with_palette(picture(3, 1, PNG_COLOR_TYPE_PALETTE, 4, {0x01, 0x20}), palette3,
                              {255, 0, 128}),
                 {{200, 16, 32}, {0, 0, 0}, {24, 105, 28}}},
        png_case{"PaletteTrnsShorterThanPalette",
                 with_palette(picture(3, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2}), palette3, {0}),
                 {{0, 0, 0}, {24, 40, 220}, {48, 210, 56}}},
        png_case{"GreyKey",
                 with_grey_key(picture(2, 1, PNG_COLOR_TYPE_GRAY, 8, {7, 8}), 7),
                 {{0, 0, 0}, {8, 8, 8}}}),
    [](const auto& info) { return std::string(info.param.name); });

// Larger pictures, plain and interlaced, whose rows do not fit in one pipe buffer.
TEST(PngLarge, PlainAndInterlaced) {
    for (const bool interlace : {false, true}) {
        const std::uint32_t width = interlace ? 61 : 301, height = interlace ? 47 : 203;
        png_picture p = picture(width, height, PNG_COLOR_TYPE_RGB, 8, {});
        p.interlace = interlace;
        for (std::uint32_t y = 0; y < height; ++y)
            for (std::uint32_t x = 0; x < width; ++x) {
                p.rows.push_back(static_cast<std::uint8_t>(x));
                p.rows.push_back(static_cast<std::uint8_t>(y));
                p.rows.push_back(static_cast<std::uint8_t>(x * 3 + y * 5));
            }
        temp_folder folder;
        const std::string path = folder.file("large.png");
        ASSERT_TRUE(write_png_file(path, p));
        const run_result result = run_program(program, with_args({path}));
        ASSERT_EQ(result.exit_code, 0) << result.err;
        ASSERT_EQ(result.out.size(), 256u + p.rows.size()) << "interlace " << interlace;
        EXPECT_TRUE(result.out.compare(256, std::string::npos,
                                       reinterpret_cast<const char*>(p.rows.data()),
                                       p.rows.size()) == 0)
            << "interlace " << interlace;
    }
}

// ---- command line and messages ----------------------------------------------------------------

std::string expand(std::string text, const std::vector<std::pair<std::string, std::string>>& vars) {
    for (const auto& [name, value] : vars) {
        const std::string key = "$" + name;
        for (std::size_t at = text.find(key); at != std::string::npos;
             at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    }
    return text;
}

// What standard output must hold: nothing; exactly the header; the header and some whole rows
// but not all of them (libpng failed while rows were being written).
enum class output { nothing, header, partial };

struct cli_case {
    const char* name;
    std::vector<std::string> args;
    std::vector<std::pair<std::string, std::string>> env;
    output out;
    std::string err;
    int exit_code;
};

// Test names and failure messages show the case by its name.
void PrintTo(const cli_case& c, std::ostream* os) {
    *os << c.name;
}

const std::string usage =
    "usage: $prog [option]* {png_file}\n\n\t-v\tverbose only\n\t-h\theader only\n\a\n";

class PngCli : public ::testing::TestWithParam<cli_case> {
  protected:
    static void SetUpTestSuite() {
        folder = new temp_folder();
        // 5 x 3 grey, 2 bits per sample.
        ASSERT_TRUE(write_png_file(
            folder->file("valid.png"),
            picture(5, 3, PNG_COLOR_TYPE_GRAY, 2, {0x1B, 0xC0, 0xE4, 0x00, 0x55, 0x40})));
        // A noisy picture so that its image data spans many bytes.
        png_picture noisy = picture(64, 64, PNG_COLOR_TYPE_RGB, 8, {});
        std::uint32_t state = 7;
        for (int i = 0; i < 64 * 64 * 3; ++i) {
            state = state * 1664525u + 1013904223u;
            noisy.rows.push_back(static_cast<std::uint8_t>(state >> 24));
        }
        ASSERT_TRUE(write_png_file(folder->file("noisy.png"), noisy));
        const auto bytes = read_bytes(folder->file("noisy.png"));
        const std::string text(bytes.begin(), bytes.end());
        const std::size_t idat = text.find("IDAT");
        ASSERT_NE(idat, std::string::npos);
        ASSERT_GT(bytes.size(), idat + 2000);

        ASSERT_TRUE(
            write_bytes(folder->file("cut_header.png"), {bytes.begin(), bytes.begin() + 20}));
        ASSERT_TRUE(write_bytes(folder->file("cut_data.png"),
                                {bytes.begin(), bytes.begin() + static_cast<long>(idat) + 1000}));
        auto damaged = bytes;
        for (std::size_t i = idat + 100; i < idat + 140; ++i)
            damaged[i] ^= 0x5A;
        ASSERT_TRUE(write_bytes(folder->file("damaged.png"), damaged));
        ASSERT_TRUE(write_bytes(folder->file("text.png"), {'n', 'o', 't', ' ', 'a', ' ', 'P', 'N',
                                                           'G', ' ', 'f', 'i', 'l', 'e'}));
        ASSERT_TRUE(write_bytes(folder->file("empty.png"), {}));
        gif_write_picture gif;
        gif.width = gif.height = 1;
        gif.global_map = {{1, 2, 3}, {4, 5, 6}};
        gif.images.push_back({0, 0, 1, 1, false, {}, {1}});
        ASSERT_EQ(gif_write_file(folder->file("picture.gif").c_str(), gif), 0);
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    static std::vector<std::pair<std::string, std::string>> vars() {
        std::vector<std::pair<std::string, std::string>> result = {{"prog", program}};
        for (const char* name :
             {"valid", "noisy", "cut_header", "cut_data", "damaged", "text", "empty", "missing"})
            result.emplace_back(name, folder->file(std::string(name) + ".png"));
        result.emplace_back("gif", folder->file("picture.gif"));
        return result;
    }
    static temp_folder* folder;
};

temp_folder* PngCli::folder = nullptr;

TEST_P(PngCli, Run) {
    const cli_case& c = GetParam();
    run_request request;
    for (const auto& arg : c.args)
        request.args.push_back(expand(arg, vars()));
    request.env = c.env;
    const run_result result = run_program(program, request);
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, c.exit_code);
    EXPECT_EQ(result.err, expand(c.err, vars()));
    if (c.out == output::nothing) {
        EXPECT_EQ(result.out.size(), 0u);
        return;
    }
    const bool noisy = c.args.back().find("valid") == std::string::npos;
    if (c.out == output::header) {
        EXPECT_EQ(result.out.size(), 256u);
    } else {
        ASSERT_GT(result.out.size(), 256u);
        EXPECT_LT(result.out.size(), 256u + 64 * 64 * 3);
        EXPECT_EQ((result.out.size() - 256) % (64 * 3), 0u);
    }
    ASSERT_GE(result.out.size(), 256u);
    EXPECT_EQ(le32_at(result.out, 0), 0x27E1ADACu);
    EXPECT_EQ(le32_at(result.out, 16), noisy ? 64u : 5u);
    EXPECT_EQ(le32_at(result.out, 20), noisy ? 64u : 3u);
    EXPECT_EQ(le32_at(result.out, 24), noisy ? 64u : 5u);
    EXPECT_EQ(le32_at(result.out, 28), noisy ? 64u : 3u);
    EXPECT_EQ(result.out.substr(32, 224), std::string(224, '\0'));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, PngCli,
    ::testing::Values(
        cli_case{"HeaderOnly", {"-h", "$valid"}, {}, output::header, "", 0},
        cli_case{"Verbose",
                 {"-h", "-v", "$valid"},
                 {},
                 output::nothing,
                 "$prog - Jul 28 2016, using libpng\n\n$valid: 5 x 3, colors=2\n",
                 0},
        cli_case{"NoArguments", {}, {}, output::nothing, usage, 255},
        cli_case{"TwoFiles", {"$valid", "$valid"}, {}, output::nothing, usage, 255},
        cli_case{"OptionsRunTogether", {"-hv", "$valid"}, {}, output::nothing, usage, 255},
        cli_case{
            "Missing", {"$missing"}, {}, output::nothing, "$missing: PngOpen error 101\a\n", 255},
        cli_case{"Empty", {"$empty"}, {}, output::nothing, "$empty: PngOpen error 102\a\n", 255},
        cli_case{"NotAPng", {"$text"}, {}, output::nothing, "$text: PngOpen error 103\a\n", 255},
        cli_case{"GifIsNotAPng",
                 {"-v", "$gif"},
                 {},
                 output::nothing,
                 "$gif: PngOpen error 103\a\n",
                 255},
        cli_case{"CutInHeader",
                 {"$cut_header"},
                 {},
                 output::nothing,
                 "$cut_header: PngOpen error 102\a\n",
                 255},
        cli_case{"CutInData",
                 {"$cut_data"},
                 {},
                 output::header,
                 "$cut_data: PngRead error 102\a\n",
                 255},
        cli_case{"CutInDataHeaderOnly", {"-h", "$cut_data"}, {}, output::header, "", 0},
        cli_case{"DamagedData",
                 {"$damaged"},
                 {},
                 output::partial,
                 "$damaged: PngRead error 104\a\n",
                 255},
        cli_case{"NoBell",
                 {"$text"},
                 {{"TU_FNOBELL", "1"}},
                 output::nothing,
                 "$text: PngOpen error 103\n",
                 255}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
