// Pixels written by tovak_gif for pictures of different shapes: images smaller than, offset in
// or larger than the logical screen, missing colour maps, indices beyond the map, interlacing and
// animations. Each case states the expected screen pixel by pixel.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "gif_stream.h"
#include "gif_write.h"
#include "test_support.h"

namespace {

const std::string program = program_path("GIFCONV_GIF_PROGRAM", TOVAK_GIF_PROGRAM);

using rgb = GifColorType;
const rgb red{200, 16, 32}, blue{24, 40, 220}, green{48, 210, 56}, white{250, 251, 252},
    grey{100, 101, 102}, black{0, 0, 0}, yellow{230, 220, 8}, brown{120, 60, 10};
const std::vector<rgb> four = {red, blue, green, white};

// The input is written with GIFLIB's encoder or, where the encoder refuses, byte by byte.
struct picture_case {
    const char* name;
    std::variant<gif_write_picture, raw_gif> input;
    int width, height;
    std::vector<rgb> expected; // rows top to bottom
};

// Test names and failure messages show the case by its name.
void PrintTo(const picture_case& c, std::ostream* os) {
    *os << c.name;
}

gif_write_picture encoded(int width, int height, int background, std::vector<rgb> map,
                          std::vector<gif_write_image> images) {
    gif_write_picture picture;
    picture.width = width;
    picture.height = height;
    picture.background = background;
    picture.global_map = std::move(map);
    picture.images = std::move(images);
    return picture;
}

std::string as_bytes(const std::vector<rgb>& colours) {
    std::string bytes;
    for (const auto& colour : colours) {
        bytes += static_cast<char>(colour.Red);
        bytes += static_cast<char>(colour.Green);
        bytes += static_cast<char>(colour.Blue);
    }
    return bytes;
}

// Pixels as text, one "(r,g,b)" per pixel and one line per row, for readable failures.
std::string describe(const std::string& bytes, int width) {
    std::string text;
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 3) {
        text += "(" + std::to_string(static_cast<std::uint8_t>(bytes[i])) + "," +
                std::to_string(static_cast<std::uint8_t>(bytes[i + 1])) + "," +
                std::to_string(static_cast<std::uint8_t>(bytes[i + 2])) + ")";
        text += width > 0 && (i / 3 + 1) % static_cast<std::size_t>(width) == 0 ? "\n" : " ";
    }
    return text;
}

class GifPicture : public ::testing::TestWithParam<picture_case> {};

TEST_P(GifPicture, Pixels) {
    const picture_case& c = GetParam();
    temp_folder folder;
    const std::string path = folder.file("picture.gif");
    if (const auto* picture = std::get_if<gif_write_picture>(&c.input))
        ASSERT_EQ(gif_write_file(path.c_str(), *picture), 0);
    else
        ASSERT_TRUE(write_bytes(path, raw_gif_bytes(std::get<raw_gif>(c.input))));

    const run_result result = run_program(program, with_args({path}));
    ASSERT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.err, "");
    ASSERT_GE(result.out.size(), 256u);
    EXPECT_EQ(le32_at(result.out, 16), static_cast<std::uint32_t>(c.width));
    EXPECT_EQ(le32_at(result.out, 20), static_cast<std::uint32_t>(c.height));
    ASSERT_EQ(c.expected.size(), static_cast<std::size_t>(c.width) * c.height) << "bad case";
    const std::string pixels = result.out.substr(256);
    EXPECT_EQ(pixels.size(), 3 * c.expected.size());
    EXPECT_EQ(describe(pixels, c.width), describe(as_bytes(c.expected), c.width));
}

gif_write_image image(int left, int top, int width, int height, std::vector<std::uint8_t> pixels,
                      std::vector<rgb> local_map = {}, bool interlace = false) {
    gif_write_image result;
    result.left = left;
    result.top = top;
    result.width = width;
    result.height = height;
    result.pixels = std::move(pixels);
    result.local_map = std::move(local_map);
    result.interlace = interlace;
    return result;
}

raw_gif raw(int width, int height, int background, std::vector<rgb> map,
            std::vector<raw_gif_image> images) {
    raw_gif gif;
    gif.width = width;
    gif.height = height;
    gif.background = background;
    gif.global_map = std::move(map);
    gif.images = std::move(images);
    return gif;
}

raw_gif_image raw_image(int left, int top, int width, int height, std::vector<std::uint8_t> pixels,
                        std::vector<rgb> local_map = {}) {
    return raw_gif_image{left, top, width, height, std::move(local_map), std::move(pixels)};
}

// Sixteen distinct colours for the interlacing case.
std::vector<rgb> ramp16() {
    std::vector<rgb> colours;
    for (int i = 0; i < 16; ++i)
        colours.push_back(rgb{static_cast<GifByteType>(i * 16), static_cast<GifByteType>(255 - i),
                              static_cast<GifByteType>(i)});
    return colours;
}

std::vector<picture_case> full_screen_cases() {
    const auto r = ramp16();
    return {
        {"TwoByOneIndicesOneZero",
         encoded(2, 1, 0, {red, blue}, {image(0, 0, 2, 1, {1, 0})}),
         2,
         1,
         {blue, red}},
        {"ThreeByTwoAllColours",
         encoded(3, 2, 0, four, {image(0, 0, 3, 2, {0, 1, 2, 3, 2, 1})}),
         3,
         2,
         {red, blue, green, white, green, blue}},
        {"OnePixel", encoded(1, 1, 0, four, {image(0, 0, 1, 1, {3})}), 1, 1, {white}},
        {"InterlacedRowsInDisplayOrder",
         encoded(1, 10, 0, r, {image(0, 0, 1, 10, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {}, true)}),
         1,
         10,
         {r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9]}},
        {"FirstFrameOnly",
         encoded(2, 2, 0, four,
                 {image(0, 0, 2, 2, {0, 1, 2, 3}), image(0, 0, 2, 2, {3, 3, 3, 3}),
                  image(1, 1, 1, 1, {2})}),
         2,
         2,
         {red, blue, green, white}},
        {"LocalMapWinsOverGlobalMap",
         encoded(2, 1, 0, {red, blue}, {image(0, 0, 2, 1, {0, 1}, {white, grey})}),
         2,
         1,
         {white, grey}},
        {"LocalMapOffsetImageBackgroundFromGlobalMap",
         encoded(3, 1, 1, {red, blue}, {image(1, 0, 1, 1, {1}, {white, grey})}),
         3,
         1,
         {blue, grey, blue}},
    };
}

std::vector<picture_case> placement_cases() {
    return {
        {"SmallerAtOrigin",
         encoded(3, 2, 2, four, {image(0, 0, 2, 1, {0, 1})}),
         3,
         2,
         {red, blue, green, green, green, green}},
        {"OffsetInside",
         encoded(3, 3, 3, four, {image(1, 1, 1, 2, {0, 1})}),
         3,
         3,
         {white, white, white, white, red, white, white, blue, white}},
        {"OffsetToBottomRightCorner",
         encoded(3, 2, 1, four, {image(2, 1, 1, 1, {2})}),
         3,
         2,
         {blue, blue, blue, blue, blue, green}},
        {"ReachesBeyondRightAndBottom",
         encoded(3, 2, 3, four, {image(2, 1, 2, 2, {0, 1, 2, 1})}),
         3,
         2,
         {white, white, white, white, white, red}},
        {"WiderThanScreen",
         encoded(2, 2, 0, four, {image(0, 0, 4, 2, {0, 1, 2, 3, 3, 2, 1, 0})}),
         2,
         2,
         {red, blue, white, green}},
        {"TallerThanScreen",
         encoded(2, 1, 0, four, {image(0, 0, 2, 3, {2, 3, 0, 0, 1, 1})}),
         2,
         1,
         {green, white}},
        {"EntirelyOutsideScreen",
         encoded(2, 1, 1, four, {image(5, 3, 1, 1, {0})}),
         2,
         1,
         {blue, blue}},
        {"LaterFrameDoesNotFillTheBackground",
         encoded(2, 1, 3, four, {image(0, 0, 1, 1, {0}), image(1, 0, 1, 1, {1})}),
         2,
         1,
         {red, white}},
    };
}

std::vector<picture_case> colour_map_cases() {
    return {
        {"RawIndicesBeyondLocalMapAreBlack",
         raw(4, 1, 0, {grey, grey, grey, grey, grey, grey, grey, grey},
             {raw_image(0, 0, 4, 1, {0, 1, 5, 7}, {red, blue})}),
         4,
         1,
         {red, blue, black, black}},
        {"RawIndicesBeyondGlobalMapAreBlack",
         raw(3, 1, 0, {red, blue}, {raw_image(0, 0, 3, 1, {0, 200, 1})}),
         3,
         1,
         {red, black, blue}},
        {"BackgroundBeyondMapIsBlack",
         encoded(2, 1, 3, {red, blue}, {image(0, 0, 1, 1, {1})}),
         2,
         1,
         {blue, black}},
        {"NoGlobalMapUsesLocalMapAndBlack",
         raw(3, 2, 1, {}, {raw_image(1, 0, 2, 1, {1, 0}, {yellow, brown})}),
         3,
         2,
         {black, brown, yellow, black, black, black}},
        {"NoGlobalMapIndexBeyondLocalMapIsBlack",
         raw(2, 1, 0, {}, {raw_image(0, 0, 2, 1, {1, 9}, {yellow, brown})}),
         2,
         1,
         {brown, black}},
        {"NoColourMapAtAllIsBlack",
         raw(2, 2, 1, {}, {raw_image(0, 0, 2, 1, {1, 0})}),
         2,
         2,
         {black, black, black, black}},
        {"NoGlobalMapLaterLocalMapIsNotUsed",
         raw(2, 1, 0, {}, {raw_image(0, 0, 1, 1, {0}), raw_image(1, 0, 1, 1, {0}, {green, red})}),
         2,
         1,
         {black, black}},
        {"LongRawImage",
         raw(300, 1, 0, four, {raw_image(0, 0, 300, 1, std::vector<std::uint8_t>(300, 2))}), 300, 1,
         std::vector<rgb>(300, green)},
    };
}

auto case_name = [](const auto& info) { return std::string(info.param.name); };

INSTANTIATE_TEST_SUITE_P(FullScreen, GifPicture, ::testing::ValuesIn(full_screen_cases()),
                         case_name);
INSTANTIATE_TEST_SUITE_P(Placement, GifPicture, ::testing::ValuesIn(placement_cases()), case_name);
INSTANTIATE_TEST_SUITE_P(ColourMaps, GifPicture, ::testing::ValuesIn(colour_map_cases()),
                         case_name);

// A picture larger than the pipe's buffer, with every colour of a 256-entry map.
TEST(GifPictureLarge, EveryPixelFromTheMap) {
    temp_folder folder;
    gif_write_picture picture;
    picture.width = 301;
    picture.height = 203;
    for (int i = 0; i < 256; ++i)
        picture.global_map.push_back(rgb{static_cast<GifByteType>(i),
                                         static_cast<GifByteType>(i * 3),
                                         static_cast<GifByteType>(255 - i)});
    gif_write_image pixels;
    pixels.width = 301;
    pixels.height = 203;
    std::uint32_t state = 1;
    for (int i = 0; i < 301 * 203; ++i) {
        state = state * 1664525u + 1013904223u;
        pixels.pixels.push_back(static_cast<std::uint8_t>(state >> 24));
    }
    picture.images.push_back(pixels);
    const std::string path = folder.file("large.gif");
    ASSERT_EQ(gif_write_file(path.c_str(), picture), 0);

    const run_result result = run_program(program, with_args({path}));
    ASSERT_EQ(result.exit_code, 0) << result.err;
    ASSERT_EQ(result.out.size(), 256u + 301 * 203 * 3);
    std::size_t wrong = 0;
    for (std::size_t i = 0; i < pixels.pixels.size(); ++i) {
        const rgb& colour = picture.global_map[pixels.pixels[i]];
        const char* got = result.out.data() + 256 + 3 * i;
        if (static_cast<std::uint8_t>(got[0]) != colour.Red ||
            static_cast<std::uint8_t>(got[1]) != colour.Green ||
            static_cast<std::uint8_t>(got[2]) != colour.Blue)
            ++wrong;
    }
    EXPECT_EQ(wrong, 0u);
}

// Files whose descriptor reads but which hold no usable image: the header comes out, then
// GIFLIB's complaint with the code it left in the file handle.
struct broken_case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    int width, height;
    int code;
};

// Test names and failure messages show the case by its name.
void PrintTo(const broken_case& c, std::ostream* os) {
    *os << c.name;
}

class GifBroken : public ::testing::TestWithParam<broken_case> {};

TEST_P(GifBroken, HeaderThenSlurpError) {
    const broken_case& c = GetParam();
    temp_folder folder;
    const std::string path = folder.file("broken.gif");
    ASSERT_TRUE(write_bytes(path, c.bytes));
    const run_result result = run_program(program, with_args({path}));
    EXPECT_EQ(result.exit_code, 255);
    ASSERT_EQ(result.out.size(), 256u);
    EXPECT_EQ(le32_at(result.out, 0), 0x27E1ADACu);
    EXPECT_EQ(le32_at(result.out, 16), static_cast<std::uint32_t>(c.width));
    EXPECT_EQ(le32_at(result.out, 20), static_cast<std::uint32_t>(c.height));
    const std::string prefix = path + ": GifSlurp error ";
    ASSERT_EQ(result.err.rfind(prefix, 0), 0u) << result.err;
    EXPECT_EQ(result.err, prefix + std::to_string(c.code) + "\a\n");
}

std::vector<std::uint8_t> without_tail(std::vector<std::uint8_t> bytes, std::size_t count) {
    bytes.resize(bytes.size() > count ? bytes.size() - count : 0);
    return bytes;
}

std::vector<std::uint8_t> with_byte(std::vector<std::uint8_t> bytes, std::size_t at,
                                    std::uint8_t value) {
    bytes.at(at) = value;
    return bytes;
}

std::vector<broken_case> broken_cases() {
    const auto one = raw_gif_bytes(
        raw(4, 3, 0, four, {raw_image(0, 0, 4, 3, std::vector<std::uint8_t>(12, 1))}));
    const std::size_t descriptor = 13 + 12; // signature, screen descriptor, 4-colour map
    return {
        {"ColourMapOnly", std::vector<std::uint8_t>(one.begin(), one.begin() + descriptor), 4, 3,
         D_GIF_ERR_READ_FAILED},
        {"CutInImageDescriptor",
         std::vector<std::uint8_t>(one.begin(), one.begin() + descriptor + 5), 4, 3,
         D_GIF_ERR_READ_FAILED},
        {"CutInImageData", without_tail(one, 4), 4, 3, D_GIF_ERR_READ_FAILED},
        {"NoImageAtAll", raw_gif_bytes(raw(5, 2, 0, four, {})), 5, 2, D_GIF_ERR_NO_IMAG_DSCR},
        {"UnknownRecord", with_byte(one, descriptor, '!' + 1), 4, 3, D_GIF_ERR_WRONG_RECORD},
        // GIFLIB refuses an empty image without leaving a code in the handle.
        {"ZeroWidthImage", raw_gif_bytes(raw(4, 3, 0, four, {raw_image(0, 0, 0, 3, {})})), 4, 3, 0},
    };
}

INSTANTIATE_TEST_SUITE_P(Broken, GifBroken, ::testing::ValuesIn(broken_cases()), case_name);

} // namespace
