// The image viewer: one picture in a full-screen window, shrunk in place to fit and corrected
// for the 16:9 screen, with its date or size in the title bar.
#pragma once

#include <stdint.h>

#include "image_record.h"
#include "platform/tap_api.h"

struct osd_window;

// The viewer's window (690 x 552 content), owned by the viewer and kept between pictures.
extern osd_window image_window;
// 0 normal, -1 while the file details are shown over the picture.
extern int image_state;
// 0: the title bar's right end shows the file's date and time; 1: the picture's size.
extern int headline_toggle;

// Ratios and size of a picture fitted into W x H (integer divisions in this order):
// horizontal hx_num / hx_den, vertical vy_num / vy_den, and the size drawn.
struct image_fit {
    int64_t hx_num, hx_den, vy_num, vy_den;
    int32_t width, height;
};
// Fits a w x h block into W x H. Blocks that are not yet squeezed for the 16:9 screen
// (anamorphic 0) get the 45/64 horizontal squeeze; nothing is ever enlarged.
image_fit image_fit_compute(int32_t w, int32_t h, int32_t W, int32_t H, bool anamorphic);
// Resamples the record's pixel block in place to fit.width x fit.height (nearest neighbour
// with two error accumulators) and stores the new size in the record.
void image_resample(image_record* image, const image_fit& fit);

// Shows one picture. Key 0 decodes and draws `name` (relative to the current TAP folder, which
// the caller has set to `directory`) in image_window and sets the image-viewer window flag;
// afterwards it takes one key per call (viewer_keys): the cursor keys step through the
// pictures of the folder, Subtitle toggles date / size in the title bar, Info shows the file
// details over the picture (Exit puts the picture back), AudioTrk and TvRadio switch language
// and font for the next picture, Exit clears the window flag (the caller closes the window),
// any other key shows the viewer's key help. Returns 0.
dword img_sqz(dword key, const char* directory, const char* name);

// The viewer as the file browser calls it: a picture of a folder, with stepping through the
// folder's pictures (".bmp", ".jpg", ".jpeg", ".gif", ".png", in name order).
//   image_view(0, dir, name)   changes into dir and shows name;
//   image_view(key, 0, 0)      the key goes to img_sqz; after Exit the viewer's window closes.
// Returns 1 while the viewer stays open, 0 once it has closed. The name shown is the one the
// viewer is at (image_view_name()), so the browser can select it afterwards.
int image_view(dword key, const char* dir, const char* name);
const char* image_view_name(void);

// The viewer as the other windows open it (WINDOW_IMAGE of osd/window_open.h): image_view with
// the call's key, folder and name; the name of the picture shown goes into call.answer.
struct window_call;
dword image_viewer_entry(const window_call& call);

// The viewer's keys (its key handling and its help page "Keys in Image Viewer").
struct key_table;
struct help_page;
extern const key_table viewer_keys;
extern const help_page help_image;
