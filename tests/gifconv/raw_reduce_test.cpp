// Reduction of pictures larger than the TAP takes: the factor, the header, the averages.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "raw_reduce.h"

namespace {

TEST(RawReduction, SmallestFactorThatFits) {
    struct reduction_case {
        const char* what;
        std::uint32_t width, height;
        raw_reduction want;
    };
    const reduction_case cases[] = {
        {"fits", 640, 480, {1, 640, 480}},
        {"exactly 16,000,000 bytes", 2000, 2000, {1, 2000, 2000}},
        {"one column too many", 2001, 2000, {2, 1001, 1000}},
        {"a 4000 x 3000 photo", 4000, 3000, {2, 2000, 1500}},
        {"side of 10000 fits", 10000, 400, {1, 10000, 400}},
        {"side over 10000", 10001, 1, {2, 5001, 1}},
        {"64 million pixels", 8000, 8000, {4, 2000, 2000}},
        {"a line of 64 million pixels", 64000000, 1, {6400, 10000, 1}},
        {"more than 64 million pixels stay", 8000, 8001, {1, 8000, 8001}},
        {"largest GIF screen stays", 65535, 65535, {1, 65535, 65535}},
        {"empty screen stays", 0, 5, {1, 0, 5}},
    };
    for (const auto& c : cases) {
        const raw_reduction got = raw_reduction_for(c.width, c.height);
        EXPECT_EQ(got.factor, c.want.factor) << c.what;
        EXPECT_EQ(got.width, c.want.width) << c.what;
        EXPECT_EQ(got.height, c.want.height) << c.what;
    }
}

bool collect(void* context, const std::uint8_t* data, std::size_t size) {
    static_cast<std::string*>(context)->append(reinterpret_cast<const char*>(data), size);
    return true;
}

std::uint32_t le32_of(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<std::uint8_t>(s[at + i]);
    return v;
}

TEST(RawReduction, HeaderTellsTheSizeSentOrWithHeaderOnlyTheOwnSize) {
    for (bool header_only : {false, true}) {
        std::string out;
        ASSERT_TRUE(raw_write_header(4000, 3000, header_only, stream_sink{collect, &out}));
        ASSERT_EQ(out.size(), 256u);
        EXPECT_EQ(le32_of(out, 0), raw_stream_magic);
        for (std::size_t at : {16u, 24u})
            EXPECT_EQ(le32_of(out, at), header_only ? 4000u : 2000u) << header_only;
        for (std::size_t at : {20u, 28u})
            EXPECT_EQ(le32_of(out, at), header_only ? 3000u : 1500u) << header_only;
    }
}

// 4001 x 1001 (just over the limit) shrinks by 2 to 2001 x 501: the last column and row of
// blocks hold one column or row of the picture. Red carries the test values, green is 255 and
// blue 0 everywhere.
TEST(RawReduction, BlocksAreRoundedAveragesEdgesIncluded) {
    const std::uint32_t w = 4001, h = 1001;
    std::vector<std::uint8_t> picture(std::size_t{w} * h * 3, 0);
    auto red = [&](std::uint32_t x, std::uint32_t y) -> std::uint8_t& {
        return picture[(std::size_t{y} * w + x) * 3];
    };
    for (std::size_t i = 1; i < picture.size(); i += 3)
        picture[i] = 255;
    red(0, 0) = 10, red(1, 0) = 20, red(0, 1) = 30, red(1, 1) = 41; // 25.25
    red(2, 0) = 0, red(3, 0) = 1, red(2, 1) = 0, red(3, 1) = 1;     // 0.5 rounds up
    red(4000, 0) = 100, red(4000, 1) = 201;                         // one column: 150.5
    red(0, 1000) = 7, red(1, 1000) = 8;                             // one row: 7.5
    red(4000, 1000) = 99;                                           // one pixel

    std::string out;
    raw_reducer reducer;
    ASSERT_TRUE(reducer.start(w, h, stream_sink{collect, &out}));
    const stream_sink in = reducer.input();
    for (std::size_t at = 0; at < picture.size(); at += 7) // pieces that cut rows and pixels
        ASSERT_TRUE(
            sink_write(in, picture.data() + at, std::min<std::size_t>(7, picture.size() - at)));
    ASSERT_EQ(out.size(), std::size_t{2001} * 501 * 3);
    auto pixel = [&](std::uint32_t x, std::uint32_t y) {
        const std::size_t at = (std::size_t{y} * 2001 + x) * 3;
        return std::vector<int>{static_cast<std::uint8_t>(out[at]),
                                static_cast<std::uint8_t>(out[at + 1]),
                                static_cast<std::uint8_t>(out[at + 2])};
    };
    EXPECT_EQ(pixel(0, 0), (std::vector<int>{25, 255, 0}));
    EXPECT_EQ(pixel(1, 0), (std::vector<int>{1, 255, 0}));
    EXPECT_EQ(pixel(2, 0), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(pixel(2000, 0), (std::vector<int>{151, 255, 0}));
    EXPECT_EQ(pixel(0, 500), (std::vector<int>{8, 255, 0}));
    EXPECT_EQ(pixel(2000, 500), (std::vector<int>{99, 255, 0}));
    EXPECT_EQ(pixel(1000, 250), (std::vector<int>{0, 255, 0}));
}

TEST(RawReduction, PicturesThatFitPassStraightThrough) {
    std::string out;
    raw_reducer reducer;
    ASSERT_TRUE(reducer.start(3, 1, stream_sink{collect, &out}));
    const std::uint8_t row[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_TRUE(sink_write(reducer.input(), row, sizeof row));
    EXPECT_EQ(out, std::string(reinterpret_cast<const char*>(row), sizeof row));
}

} // namespace
