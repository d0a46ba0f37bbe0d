// The firmware's picture services for TAPs: JPEG decoding, screen capture, OSD planes.
#include <cstring>

#include "api.h"
#include "emulator.h"
#include "pictures.h"

using tapsim::Emulator;
namespace api = tapsim::api;

namespace {

Emulator& emu() {
    return *Emulator::current();
}

// A firmware-made pixel block in the TAP's heap (the TAP frees it with TAP_MemFree).
void* to_tap_block(const std::vector<uint32_t>& px) {
    void* block = emu().mem_alloc(static_cast<uint32_t>(px.size() * 4));
    if (block) std::memcpy(block, px.data(), px.size() * 4);
    return block;
}

constexpr int video_w = 1280, video_h = 720; // the HD picture

} // namespace

void* api::TAP_Osd_DecompressJpeg(const char* name, dword width, dword height, dword) {
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

// The video picture of the main (1) screen, 1280 x 720 pixels 0xAARRGGBB in a buffer of the
// firmware's that stays valid until the next capture. Nothing while the picture is paused.
int api::TAP_CaptureScreen(int main_sub, TYPE_VideoFrame* frame, dword) {
    if (!frame) return -1;
    *frame = TYPE_VideoFrame{};
    const tapsim::ReceiverState& s = emu().state();
    if (main_sub != CHANNEL_Main || s.paused || s.play.trick == 4) return -1;
    std::vector<uint32_t>& picture = emu().video_frame();
    picture = tapsim::video_picture(video_w, video_h);
    frame->data = picture.data();
    frame->pixelFormat = OSD_8888;
    frame->width = video_w;
    frame->height = video_h;
    return 0;
}

// Plane 2 carries the TAPs' regions; plane 0 (the firmware's OSD and teletext) stays empty in
// the emulator. A copy that stays valid until the plane is asked for again.
int api::TAP_Osd_GetPlaneBaseInfo(TYPE_OsdBaseInfo* info, byte plane) {
    if (!info || (plane != BASE_PLANE && plane != TAP_PLANE)) return -1;
    std::vector<uint32_t>& buffer = emu().plane_buffer(plane);
    if (plane == TAP_PLANE)
        buffer = emu().osd().plane();
    else
        buffer.assign(static_cast<size_t>(tapsim::screen_w) * tapsim::screen_h, 0);
    *info = TYPE_OsdBaseInfo{};
    info->frameBuffer = buffer.data();
    info->width = tapsim::screen_w;
    info->height = tapsim::screen_h;
    info->bytePerPixel = 4;
    info->dataFormat = OSD_8888;
    info->enabled = info->visible = 1;
    info->zorder = plane;
    return 0;
}
