// Makes a large photo-like GIF for the converter benchmark:
//   gif_make_bench OUTPUT.gif [WIDTH HEIGHT]   (default 4000 x 3000)
// The picture is a 256-colour pattern of smooth gradients with dithering noise, which gives the
// LZW decoder work comparable to a scanned photo.
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "gif_write.h"

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: %s OUTPUT.gif [WIDTH HEIGHT]\n", argv[0]);
        return 2;
    }
    const int width = argc == 4 ? std::atoi(argv[2]) : 4000;
    const int height = argc == 4 ? std::atoi(argv[3]) : 3000;
    if (width <= 0 || width > 65535 || height <= 0 || height > 65535) {
        std::fprintf(stderr, "%s: size must be 1 ... 65535\n", argv[0]);
        return 2;
    }

    gif_write_picture picture;
    picture.width = width;
    picture.height = height;
    for (int i = 0; i < 256; ++i) {
        const auto c = static_cast<GifByteType>(i);
        picture.global_map.push_back(GifColorType{c, static_cast<GifByteType>(255 - c),
                                                  static_cast<GifByteType>((c * 7) & 255)});
    }
    gif_write_image image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<std::size_t>(width) * height);
    unsigned noise = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const long base = (static_cast<long>(x) * x / 97 + static_cast<long>(y) * y / 131 +
                               static_cast<long>(x) * y / 211) >>
                              6;
            image.pixels[static_cast<std::size_t>(y) * width + x] =
                static_cast<std::uint8_t>((base + ((noise >> 16) & 3)) & 255);
        }
    picture.images.push_back(std::move(image));

    const int error = gif_write_file(argv[1], picture);
    if (error != 0) {
        std::fprintf(stderr, "%s: %s: GIF write error %d\n", argv[0], argv[1], error);
        return 1;
    }
    return 0;
}
