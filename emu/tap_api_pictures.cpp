// The firmware's picture services for TAPs: JPEG decoding, screen capture, OSD planes.
#include <cstring>

#include "emulator.h"
#include "pictures.h"

using tapsim::Emulator;

#define TAPSIM_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

Emulator& emu() {
    return *Emulator::current();
}

// A firmware-made pixel block in the TAP's heap (the TAP frees it with TAP_MemFree).
dword* to_tap_block(const std::vector<uint32_t>& px) {
    void* block = emu().mem_alloc(static_cast<uint32_t>(px.size() * 4));
    if (block) std::memcpy(block, px.data(), px.size() * 4);
    return static_cast<dword*>(block);
}

} // namespace

TAPSIM_EXPORT dword* TAP_Osd_DecompressJpeg(const char* name, dword width, dword height, int) {
    std::string path;
    if (!name || !emu().disk().resolve(name, &path)) return nullptr;
    // The firmware's decoder has a fixed amount of memory: larger pictures fail.
    if (width == 0 || height == 0 ||
        static_cast<uint64_t>(width) * height > emu().state().jpeg_max_pixels)
        return nullptr;
    std::vector<uint32_t> px;
    if (!tapsim::jpeg_decode_scaled(emu().disk().host_path(path), static_cast<int>(width),
                                    static_cast<int>(height), &px))
        return nullptr;
    return to_tap_block(px);
}

TAPSIM_EXPORT int TAP_CaptureScreen(int mode, dword width, dword height, dword** pixels,
                                    dword* pitch) {
    if (!pixels || !pitch) return -1;
    *pixels = nullptr;
    const tapsim::ReceiverState& s = emu().state();
    if (mode != 1 || width == 0 || height == 0 || width > 1920 || height > 1080 || s.paused ||
        s.play.trick == 4)
        return -1;
    *pixels =
        to_tap_block(tapsim::video_picture(static_cast<int>(width), static_cast<int>(height)));
    *pitch = width * 4;
    return *pixels ? 0 : -1;
}

TAPSIM_EXPORT int TAP_Osd_GetPlaneBaseInfo(int plane, TYPE_OsdBaseInfo* info) {
    if (!info || (plane != 0 && plane != 2)) return -1;
    std::vector<uint32_t>& buffer = emu().plane_buffer(plane);
    // Plane 2 carries the TAPs' regions; plane 0 (teletext) stays empty in the emulator.
    if (plane == 2)
        buffer = emu().osd().plane();
    else
        buffer.assign(static_cast<size_t>(tapsim::screen_w) * tapsim::screen_h, 0);
    info->frameBuffer = buffer.data();
    info->pitch = tapsim::screen_w * 4;
    info->width = tapsim::screen_w;
    info->height = tapsim::screen_h;
    return 0;
}
