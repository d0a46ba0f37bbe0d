// Writes a few small GIF files as the start corpus of fuzz_gif:
//   gif_fuzz_seeds FOLDER
// Each file shows one feature of the format: plain, offset image, local map only, interlace,
// several frames, an image larger than the screen.
#include <cstdio>
#include <string>
#include <vector>

#include "gif_write.h"

namespace {

gif_write_image image(int left, int top, int width, int height, std::vector<GifColorType> local,
                      bool interlace = false) {
    gif_write_image result;
    result.left = left;
    result.top = top;
    result.width = width;
    result.height = height;
    result.local_map = std::move(local);
    result.interlace = interlace;
    for (int i = 0; i < width * height; ++i)
        result.pixels.push_back(static_cast<std::uint8_t>((i * 5 + i / 3) % 4));
    return result;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argc > 0 ? argv[0] : "gif_fuzz_seeds");
        return 2;
    }
    const std::vector<GifColorType> map = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    struct seed {
        const char* name;
        gif_write_picture picture;
    };
    std::vector<seed> seeds;
    auto add = [&](const char* name, int width, int height, int background,
                   std::vector<GifColorType> global, std::vector<gif_write_image> images) {
        gif_write_picture picture;
        picture.width = width;
        picture.height = height;
        picture.background = background;
        picture.global_map = std::move(global);
        picture.images = std::move(images);
        seeds.push_back({name, std::move(picture)});
    };
    add("plain.gif", 2, 1, 0, map, {image(0, 0, 2, 1, {})});
    add("offset.gif", 5, 4, 3, map, {image(2, 1, 2, 2, {})});
    add("local_map.gif", 3, 3, 0, {}, {image(0, 0, 3, 2, map)});
    add("interlaced.gif", 3, 9, 0, map, {image(0, 0, 3, 9, {}, true)});
    add("frames.gif", 4, 4, 1, map, {image(0, 0, 4, 4, {}), image(1, 1, 2, 2, map)});
    add("beyond.gif", 3, 2, 2, map, {image(1, 1, 4, 3, {})});

    int failures = 0;
    for (const auto& s : seeds) {
        const std::string path = std::string(argv[1]) + "/" + s.name;
        const int error = gif_write_file(path.c_str(), s.picture);
        if (error != 0) {
            std::fprintf(stderr, "%s: GIF write error %d\n", path.c_str(), error);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
