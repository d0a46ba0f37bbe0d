// The OSD plane: regions of 32-bit ARGB pixels over the video picture, and the screen text
// model (every text run still visible, with its place and colours).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "font.h"

namespace tapsim {

constexpr int screen_w = 720, screen_h = 576;

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
    bool intersects(const Rect& o) const {
        return !empty() && !o.empty() && x < o.x + o.w && o.x < x + w && y < o.y + o.h &&
               o.y < y + h;
    }
    bool contains(const Rect& o) const {
        return x <= o.x && y <= o.y && o.x + o.w <= x + w && o.y + o.h <= y + h;
    }
};

struct TextRun {
    int x, y;         // where the text was put, in region coordinates
    Rect ink;         // pixels the glyphs touched, or the cell of a text of blanks
    std::string text; // UTF-8
    uint32_t fg, bg;
};

struct Region {
    bool live = false;
    int owner = -1; // task slot of the TAP that created it
    Rect place;     // on the screen
    std::vector<uint32_t> px;
    std::vector<TextRun> runs;
};

// Pixels and text runs of a saved rectangle.
struct SavedBox {
    int w = 0, h = 0;
    std::vector<uint32_t> px;
    std::vector<TextRun> runs;
};

class Osd {
  public:
    Osd();
    void set_font(std::unique_ptr<Font> font) { font_ = std::move(font); }
    int create(int owner, int x, int y, int w, int h); // handle, or -1 when none is free
    bool remove(int rgn);
    void remove_owned(int owner);
    // by_text: the background of a text (see overdraw).
    bool fill(int rgn, int x, int y, int w, int h, uint32_t color, bool by_text = false);
    int put_text(int rgn, int x, int y, int max_x, const std::string& latin1, uint32_t fg,
                 uint32_t bg, int size);
    int text_width(const std::string& latin1, int size) { return font_->width(latin1, size); }
    bool pixel(int rgn, int x, int y, uint32_t color);
    bool rectangle(int rgn, int x, int y, int w, int h, int thick, uint32_t color);
    // Pixels row by row; sprite: fully transparent pixels keep what is below.
    bool pixmap(int rgn, int x, int y, int w, int h, const uint32_t* px, bool sprite);
    bool save(int rgn, int x, int y, int w, int h, SavedBox* out) const;
    bool restore(int rgn, int x, int y, const SavedBox& box);
    void sync() { ++syncs_; }
    int syncs() const { return syncs_; }
    // Grows with every call that may have changed what the screen shows (a live view redraws
    // only when it moved on).
    uint64_t changes() const { return changes_; }

    const Region* region(int rgn) const;
    const std::vector<Region>& regions() const { return regions_; }
    // The screen: video picture with the live regions over it, 720 x 576 ARGB.
    std::vector<uint32_t> compose() const;
    // The OSD plane alone: the live regions over transparent pixels.
    std::vector<uint32_t> plane() const;
    // Visible text runs as JSON ({"regions":[...]}).
    std::string screen_json() const;
    // All visible texts joined by newlines (tests search in it).
    std::string screen_text() const;

  private:
    Region* live(int rgn);
    void overdraw(Region& r, const Rect& area, bool by_text = false);
    bool run_hidden(size_t rgn, const TextRun& run) const;
    void compose_regions(std::vector<uint32_t>& out, bool opaque) const;

    std::vector<Region> regions_;
    std::unique_ptr<Font> font_;
    int syncs_ = 0;
    uint64_t changes_ = 0;
};

std::string latin1_to_utf8(const std::string& latin1);
// The video picture (a test pattern) at (x, y) of a w x h frame.
uint32_t video_pixel(int x, int y, int w, int h);

} // namespace tapsim
