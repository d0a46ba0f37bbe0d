// The BMP decoder (every header form, bit depth and compression), the JPEG marker walk and the
// file details (text checks, recording header), fed arbitrary file contents through a file of the
// emulated disk. A decoded BMP is also fitted and resampled the way the viewer does it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/memory.h"
#include "common/programs.h"
#include "emulator.h"
#include "image/decode.h"
#include "browser/file_details.h"
#include "image/viewer.h"
#include "osd/window.h"

namespace {

struct fixture {
    std::string disk;
    tapsim::Emulator* emu = nullptr;
    osd_window win{};
    fixture() {
        disk = tapsim::make_temp_dir("image_fuzz");
        if (disk.empty()) __builtin_trap();
        std::filesystem::create_directories(disk + "/Pics");
        tapsim::Config c;
        c.disk = disk;
        emu = new tapsim::Emulator(c);
        if (!emu->ok()) __builtin_trap();
        osd_frame(&win, FULL_W, 0, "fuzz", nullptr, 0);
        if (tap_folder_change("/Pics") != 0) __builtin_trap();
    }
};

fixture& fx() {
    static fixture* f = new fixture;
    return *f;
}

void put(const char* name, const uint8_t* data, size_t size) {
    FILE* f = fopen((fx().disk + "/Pics/" + name).c_str(), "wb");
    if (!f) __builtin_trap();
    if (size) fwrite(data, 1, size, f);
    fclose(f);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fixture& f = fx();
    const int64_t blocks = mem_outstanding();

    put("f.bmp", data, size);
    if (image_record* img = bmp_read(&f.win, "f.bmp")) {
        if (img->pixels) {
            if (img->width <= 0 || img->height <= 0 || img->width > img->file_width ||
                img->height > img->file_height)
                __builtin_trap();
            // Alpha has been applied: every pixel leaves the decoder opaque.
            for (size_t i = 0; i < static_cast<size_t>(img->width) * img->height; ++i)
                if (img->pixels[i] >> 24 != 0xFF) __builtin_trap();
            image_fit fit = image_fit_compute(img->width, img->height, 690, 530, img->anamorphic);
            if (fit.width > img->width || fit.height > img->height) __builtin_trap();
            image_resample(img, fit);
            mem_raw_free(img->pixels);
        }
    }

    // The marker walk: only the size and the comment are read without a window.
    put("f.jpg", data, size);
    if (image_record* img = jpg_read(nullptr, "f.jpg")) {
        if (img->file_width <= 0 || img->file_height <= 0 || img->pixels) __builtin_trap();
        if (img->comment[sizeof img->comment - 1] != 0) __builtin_trap();
    }

    put("f.txt", data, size);
    const char* text = file_details_text("/Pics", "f.txt", false);
    if (!text) __builtin_trap();
    text = file_details_text("/Pics", "f.jpg", false);
    put("f.rec.inf", data, size);
    text = file_details_text("/Pics", "f.rec.inf", true);
    if (!text) __builtin_trap();

    if (mem_outstanding() != blocks) __builtin_trap();
    return 0;
}
