// Screen capture: what the user sees becomes a BMP file in "/Captures". The whole picture is
// converted into one buffer and written with two calls (header, pixels).
#include "capture.h"

#include <stdio.h>
#include <string.h>

#include "common/byte_order.h"
#include "common/memory.h"
#include "common/settings.h"
#include "common/programs.h"
#include "common/usage.h"
#include "osd/ibox.h"
#include "osd/window.h"
#include "osd/window_state.h"

void capture_header_fill(capture_bmp_header* h, uint32_t width, uint32_t height, bool osd) {
    memset(h, 0, sizeof *h);
    const uint32_t image_size = capture_row_size(width) * height;
    h->signature[0] = 'B';
    h->signature[1] = 'M';
    put_le32(h->file_size, 54 + image_size);
    put_le32(h->data_offset, 54);
    put_le32(h->info_size, 40);
    put_le32(h->width, width);
    put_le32(h->height, height);
    put_le16(h->planes, 1);
    put_le16(h->bits, 24);
    put_le32(h->image_size, image_size);
    put_le32(h->x_ppm, osd ? CAPTURE_OSD_X_PPM : 0);
    put_le32(h->y_ppm, osd ? CAPTURE_OSD_Y_PPM : 0);
}

void capture_convert(const uint8_t* source, uint32_t pitch, uint32_t width, uint32_t height,
                     uint8_t* out) {
    const uint32_t row_size = capture_row_size(width);
    for (uint32_t i = 0; i < height; ++i) {
        // The file starts with the bottom row.
        const uint8_t* row = source + static_cast<size_t>(height - 1 - i) * pitch;
        uint8_t* o = out + static_cast<size_t>(i) * row_size;
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t px;
            memcpy(&px, row + 4 * x, 4);
            o[3 * x] = static_cast<uint8_t>(px);
            o[3 * x + 1] = static_cast<uint8_t>(px >> 8);
            o[3 * x + 2] = static_cast<uint8_t>(px >> 16);
        }
        memset(o + 3 * width, 0, row_size - 3 * width);
    }
}

bool capture_free_name(const char* source, char* out, size_t out_size) {
    for (int n = 0; n < 10000; ++n) {
        int len = snprintf(out, out_size, "%s_%02d.bmp", source, n);
        if (len < 0 || static_cast<size_t>(len) >= out_size) return false;
        if (!TAP_Hdd_Exist(out)) return true;
    }
    return false;
}

namespace {

struct raw_block {
    void* p;
    ~raw_block() { mem_raw_free(p); }
};

struct tap_file_guard {
    TYPE_File* f;
    ~tap_file_guard() {
        if (f) TAP_Hdd_Fclose(f);
    }
};

// Puts the TAP back into the folder it was in before the capture changed into "/Captures".
struct folder_keeper {
    char saved[512];
    bool known;
    folder_keeper() {
        const char* dir = tap_folder();
        known = dir && strlen(dir) < sizeof saved;
        if (known) memcpy(saved, dir, strlen(dir) + 1);
    }
    ~folder_keeper() {
        if (known) tap_folder_change(saved);
    }
};

// An OSD plane as the firmware describes it, when it holds 32-bit pixels 0xAARRGGBB.
bool plane_of(byte number, TYPE_OsdBaseInfo* plane) {
    *plane = TYPE_OsdBaseInfo{};
    return TAP_Osd_GetPlaneBaseInfo(plane, number) == 0 && plane->frameBuffer &&
           plane->bytePerPixel == 4 && plane->dataFormat == OSD_8888;
}

} // namespace

void screen_capture(osd_window* win) {
    dword state = 0, sub_state = 0;
    TAP_GetState(&state, &sub_state);
    const char* source = nullptr;
    const uint8_t* base = nullptr;
    uint32_t pitch = 0, width = 0, height = 0;
    bool osd = true;
    if (osd_is_open(win)) {
        TYPE_OsdBaseInfo plane;
        if (!plane_of(TAP_PLANE, &plane)) return;
        int x = win->screen_x + win->margin_x, y = win->screen_y + win->margin_y;
        if (x < 0 || y < 0 || win->width <= 0 || win->height <= 0 ||
            x + win->width > static_cast<int>(plane.width) ||
            y + win->height > static_cast<int>(plane.height))
            return; // a window reaching beyond the plane cannot be what is on screen
        source = "tovakrc";
        pitch = plane.width * 4u;
        width = static_cast<uint32_t>(win->width);
        height = static_cast<uint32_t>(win->height);
        base = reinterpret_cast<const uint8_t*>(plane.frameBuffer) +
               static_cast<size_t>(y) * pitch + static_cast<size_t>(x) * 4;
    } else if (state == 0 && sub_state == 0x1F && !screen_taken()) {
        // The TV picture: nothing of this TAP covers it. The firmware keeps the picture; it comes
        // at the video's size (1280 x 720 on the receivers this TAP knows).
        TYPE_VideoFrame frame{};
        if (TAP_CaptureScreen(CHANNEL_Main, &frame, 0) != 0 || !frame.data ||
            frame.pixelFormat != OSD_8888 || frame.width == 0 || frame.height == 0 ||
            frame.width > 1920 || frame.height > 1080) {
            ibox_timed(
                nullptr, MESSAGE_SHORT_MS, IBOX_WARNING, "TovakRC",
                ui_text("No screen capture during pause.", "Kein Screencapture w\xE4hrend Pause."));
            return;
        }
        source = "video";
        base = static_cast<const uint8_t*>(frame.data);
        pitch = frame.width * 4;
        width = frame.width;
        height = frame.height;
        osd = false;
    } else {
        const byte plane_number = state == 4 ? BASE_PLANE : TAP_PLANE; // teletext: plane 0
        TYPE_OsdBaseInfo plane;
        if (!plane_of(plane_number, &plane)) return;
        source = plane_number == BASE_PLANE ? "ttx" : "tap";
        base = static_cast<const uint8_t*>(plane.frameBuffer);
        pitch = plane.width * 4u;
        width = plane.width < SCREEN_W ? plane.width : static_cast<uint32_t>(SCREEN_W);
        height = plane.height < SCREEN_H ? plane.height : static_cast<uint32_t>(SCREEN_H);
    }

    capture_bmp_header header;
    capture_header_fill(&header, width, height, osd);
    const size_t image_size = static_cast<size_t>(capture_row_size(width)) * height;
    uint8_t* pixels = static_cast<uint8_t*>(mem_raw_alloc(image_size));
    if (!pixels) return;
    raw_block pixels_guard{pixels};
    capture_convert(base, pitch, width, height, pixels);

    folder_keeper folder;
    if (!TAP_Hdd_ChangeDir("/") || !TAP_Hdd_ChangeDir(CAPTURE_FOLDER)) return;
    char name[64];
    if (!capture_free_name(source, name, sizeof name)) return;
    TAP_Hdd_Create(name, ATTR_FILE);
    tap_file_guard file{TAP_Hdd_Fopen(name)};
    if (!file.f) return;
    const bool written = TAP_Hdd_Fwrite(&header, sizeof header, 1, file.f) == 1 &&
                         TAP_Hdd_Fwrite(pixels, static_cast<dword>(image_size), 1, file.f) == 1;
    TAP_Hdd_Fclose(file.f);
    file.f = nullptr;

    char text[128];
    osd_save(win);
    if (!written) {
        // A full disk: no short picture is left behind.
        TAP_Hdd_Delete(name);
        snprintf(text, sizeof text, "/%s/%s: %s", CAPTURE_FOLDER, name,
                 ui_text("Not written, disk full?", "Nicht geschrieben, Platte voll?"));
        ibox_hold(MESSAGE_LONG_MS, text, IBOX_ERROR);
    } else {
        usage_opened(USE_CAPTURE);
        snprintf(text, sizeof text, "/%s/%s OK.", CAPTURE_FOLDER, name);
        ibox_hold(MESSAGE_LONG_MS, text, IBOX_INFO);
    }
    osd_release(win);
}
