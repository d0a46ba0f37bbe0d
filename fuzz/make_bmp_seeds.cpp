// Writes the start corpus of fuzz_image: one small BMP file of each form the decoder reads
// (the samples of its tests: bit depths, compressions, header forms, row orders, colour tables).
//   bmp_fuzz_seeds FOLDER
#include <cstdio>
#include <string>

#include "bmp_samples.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argc > 0 ? argv[0] : "bmp_fuzz_seeds");
        return 2;
    }
    int failures = 0;
    for (const bmp_sample& s : bmp_samples()) {
        const std::string path = std::string(argv[1]) + "/" + s.name + ".bmp";
        const std::string bytes = bmp_file(s.form);
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
            std::fprintf(stderr, "%s: cannot write\n", path.c_str());
            ++failures;
        }
        if (f) std::fclose(f);
    }
    return failures == 0 ? 0 : 1;
}
