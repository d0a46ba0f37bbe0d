// The decoding core on memory buffers (the way the fuzz target drives it): the same bytes as the
// program for the same file, and its failure results.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gif_stream.h"
#include "gif_write.h"
#include "test_support.h"

namespace {

const std::string program = program_path("GIFCONV_GIF_PROGRAM", TOVAK_GIF_PROGRAM);

struct collected {
    std::string bytes;
    std::size_t limit = static_cast<std::size_t>(-1); // refuse writes beyond this many bytes
};

bool collect(void* context, const std::uint8_t* data, std::size_t size) {
    auto* out = static_cast<collected*>(context);
    if (out->bytes.size() + size > out->limit) return false;
    out->bytes.append(reinterpret_cast<const char*>(data), size);
    return true;
}

struct core_run {
    GifFileType* gif = nullptr;
    int open_error = 0;
    int status = 1;
    int gif_error = 0;
    collected out;
};

core_run convert_memory(const std::vector<std::uint8_t>& bytes, bool header_only,
                        std::size_t limit = static_cast<std::size_t>(-1)) {
    core_run run;
    run.out.limit = limit;
    gif_memory_source source{bytes.data(), bytes.size(), 0};
    run.gif = gif_open_memory(&source, &run.open_error);
    if (run.gif == nullptr) return run;
    run.status =
        gif_stream_convert(run.gif, header_only, stream_sink{collect, &run.out}, &run.gif_error);
    int close_error = 0;
    EXPECT_EQ(DGifCloseFile(run.gif, &close_error), GIF_OK);
    return run;
}

std::vector<std::uint8_t> sample_gif(const temp_folder& folder) {
    gif_write_picture picture;
    picture.width = 20;
    picture.height = 9;
    picture.background = 1;
    picture.global_map = {{1, 2, 3}, {40, 50, 60}, {70, 80, 90}, {250, 5, 128}};
    gif_write_image image;
    image.left = 3;
    image.top = 2;
    image.width = 11;
    image.height = 5;
    for (int i = 0; i < 55; ++i)
        image.pixels.push_back(static_cast<std::uint8_t>(i % 4));
    picture.images.push_back(image);
    const std::string path = folder.file("sample.gif");
    EXPECT_EQ(gif_write_file(path.c_str(), picture), 0);
    return read_bytes(path);
}

TEST(GifCore, MemoryMatchesProgram) {
    temp_folder folder;
    const auto bytes = sample_gif(folder);
    for (const bool header_only : {false, true}) {
        const core_run run = convert_memory(bytes, header_only);
        ASSERT_EQ(run.status, gif_stream_ok);
        run_request request;
        if (header_only) request.args.push_back("-h");
        request.args.push_back(folder.file("sample.gif"));
        const run_result result = run_program(program, request);
        ASSERT_EQ(result.exit_code, 0);
        EXPECT_EQ(run.out.bytes.size(), header_only ? 256u : 256u + 20 * 9 * 3);
        EXPECT_EQ(run.out.bytes, result.out) << (header_only ? "header only" : "whole stream");
    }
}

TEST(GifCore, OpenFailures) {
    const std::vector<std::pair<std::vector<std::uint8_t>, int>> cases = {
        {{}, D_GIF_ERR_READ_FAILED},
        {{'G', 'I', 'F'}, D_GIF_ERR_READ_FAILED},
        {{'P', 'N', 'G', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}, D_GIF_ERR_NOT_GIF_FILE},
        {{'G', 'I', 'F', '8', '9', 'a', 1, 0}, D_GIF_ERR_NO_SCRN_DSCR},
    };
    for (const auto& [bytes, expected] : cases) {
        const core_run run = convert_memory(bytes, false);
        EXPECT_EQ(run.gif, nullptr) << bytes.size() << " bytes";
        EXPECT_EQ(run.open_error, expected) << bytes.size() << " bytes";
    }
}

TEST(GifCore, TruncatedDataGivesHeaderAndGifError) {
    temp_folder folder;
    auto bytes = sample_gif(folder);
    bytes.resize(bytes.size() - 6);
    const core_run run = convert_memory(bytes, false);
    EXPECT_EQ(run.status, gif_stream_gif_failed);
    EXPECT_NE(run.gif_error, 0);
    EXPECT_EQ(run.out.bytes.size(), 256u);
}

TEST(GifCore, RefusedWritesAreReported) {
    temp_folder folder;
    const auto bytes = sample_gif(folder);
    // Refused header; refused first row; refused last row.
    for (const std::size_t limit : {0ul, 256ul + 59ul, 256ul + 20 * 9 * 3 - 1}) {
        const core_run run = convert_memory(bytes, false, limit);
        EXPECT_EQ(run.status, gif_stream_write_failed) << "limit " << limit;
        EXPECT_LE(run.out.bytes.size(), limit);
    }
}

} // namespace
