#include "osd.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace tapsim {

namespace {

constexpr size_t max_regions = 32;

Rect clip(const Rect& a, int w, int h) {
    Rect r = a;
    if (r.x < 0) r.w += r.x, r.x = 0;
    if (r.y < 0) r.h += r.y, r.y = 0;
    r.w = std::min(r.w, w - r.x);
    r.h = std::min(r.h, h - r.y);
    return r;
}

uint32_t blend(uint32_t dst, uint32_t src) {
    uint32_t a = src >> 24;
    if (a == 255) return src;
    if (a == 0) return dst;
    auto mix = [&](int shift) {
        uint32_t s = (src >> shift) & 255, d = (dst >> shift) & 255;
        return ((s * a + d * (255 - a)) / 255) << shift;
    };
    uint32_t out_a = std::max(a, dst >> 24);
    return out_a << 24 | mix(16) | mix(8) | mix(0);
}

std::string json_hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", v);
    return buf;
}

} // namespace

uint32_t video_pixel(int x, int y, int w, int h) {
    static const uint32_t bars[] = {0xFFC0C0C0, 0xFFC0C000, 0xFF00C0C0, 0xFF00C000,
                                    0xFFC000C0, 0xFFC00000, 0xFF0000C0, 0xFF101010};
    if (y < h * 2 / 3) return bars[x * 8 / w];
    uint32_t g = static_cast<uint32_t>(x * 255 / (w - 1));
    return 0xFF000000 | g << 16 | g << 8 | g;
}

std::string latin1_to_utf8(const std::string& latin1) {
    std::string out;
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

Osd::Osd() : font_(make_font()) {}

Region* Osd::live(int rgn) {
    if (rgn < 0 || static_cast<size_t>(rgn) >= regions_.size() || !regions_[rgn].live)
        return nullptr;
    ++changes_; // the region is about to be drawn on
    return &regions_[rgn];
}

const Region* Osd::region(int rgn) const {
    if (rgn < 0 || static_cast<size_t>(rgn) >= regions_.size() || !regions_[rgn].live)
        return nullptr;
    return &regions_[rgn];
}

int Osd::create(int owner, int x, int y, int w, int h) {
    if (w <= 0 || h <= 0 || w > screen_w || h > screen_h) return -1;
    size_t i = 0;
    while (i < regions_.size() && regions_[i].live)
        ++i;
    if (i == max_regions) return -1;
    if (i == regions_.size()) regions_.emplace_back();
    Region& r = regions_[i];
    r = Region{};
    ++changes_;
    r.live = true;
    r.owner = owner;
    r.place = Rect{x, y, w, h};
    r.px.assign(static_cast<size_t>(w) * h, 0);
    return static_cast<int>(i);
}

bool Osd::remove(int rgn) {
    Region* r = live(rgn);
    if (!r) return false;
    *r = Region{};
    return true;
}

void Osd::remove_owned(int owner) {
    ++changes_;
    for (Region& r : regions_)
        if (r.live && r.owner == owner) r = Region{};
}

// Drawing through a text's ink paints it over. The background of a text drawn beside it paints
// it over only when it covers the middle of its ink: a neighbour's background that takes a
// pixel column off its edge leaves it readable.
void Osd::overdraw(Region& r, const Rect& area, bool by_text) {
    std::erase_if(r.runs, [&](const TextRun& run) {
        if (!by_text) return run.ink.intersects(area);
        const Rect middle{run.ink.x + run.ink.w / 2, run.ink.y + run.ink.h / 2, 1, 1};
        return area.intersects(middle);
    });
}

bool Osd::fill(int rgn, int x, int y, int w, int h, uint32_t color, bool by_text) {
    Region* r = live(rgn);
    if (!r) return false;
    Rect a = clip(Rect{x, y, w, h}, r->place.w, r->place.h);
    if (a.empty()) return true;
    overdraw(*r, a, by_text);
    for (int j = a.y; j < a.y + a.h; ++j)
        std::fill_n(r->px.begin() + static_cast<size_t>(j) * r->place.w + a.x, a.w, color);
    return true;
}

int Osd::put_text(int rgn, int x, int y, int max_x, const std::string& text, uint32_t fg,
                  uint32_t bg, int size) {
    Region* r = live(rgn);
    if (!r) return -1;
    int line = Font::line_height(size);
    int right = std::min(max_x, r->place.w);
    if (bg >> 24) fill(rgn, x, y, right - x, line, bg, true);
    struct Ctx {
        Region* r;
        int x0, y0, right;
        uint32_t fg;
        Rect ink;
        bool any;
    } ctx{r, x, y, right, fg, Rect{}, false};
    int drawn = font_->draw(
        text, size, std::max(0, right - x),
        [](void* p, int dx, int dy, uint8_t a) {
            Ctx& c = *static_cast<Ctx*>(p);
            int px = c.x0 + dx, py = c.y0 + dy;
            if (!a || px < 0 || py < 0 || px >= c.right || px >= c.r->place.w || py >= c.r->place.h)
                return;
            uint32_t& dst = c.r->px[static_cast<size_t>(py) * c.r->place.w + px];
            uint32_t alpha = ((c.fg >> 24) * a) / 255;
            dst = blend(dst, (c.fg & 0xFFFFFF) | alpha << 24);
            if (!c.any) {
                c.ink = Rect{px, py, 1, 1};
                c.any = true;
            } else {
                int x1 = std::max(c.ink.x + c.ink.w, px + 1),
                    y1 = std::max(c.ink.y + c.ink.h, py + 1);
                c.ink.x = std::min(c.ink.x, px);
                c.ink.y = std::min(c.ink.y, py);
                c.ink.w = x1 - c.ink.x;
                c.ink.h = y1 - c.ink.y;
            }
        },
        &ctx);
    if (!(bg >> 24) && ctx.any) overdraw(*r, ctx.ink);
    // A run without ink (blanks: a cursor, a bar) stays in the model too; its place is the
    // cell it takes.
    if (!ctx.any && drawn > 0)
        ctx.ink = clip(Rect{x, y, std::min(drawn, right - x), line}, r->place.w, r->place.h);
    if (!ctx.ink.empty()) r->runs.push_back(TextRun{x, y, ctx.ink, latin1_to_utf8(text), fg, bg});
    return drawn;
}

bool Osd::pixel(int rgn, int x, int y, uint32_t color) {
    Region* r = live(rgn);
    if (!r) return false;
    if (x < 0 || y < 0 || x >= r->place.w || y >= r->place.h) return true;
    overdraw(*r, Rect{x, y, 1, 1});
    r->px[static_cast<size_t>(y) * r->place.w + x] = color;
    return true;
}

bool Osd::rectangle(int rgn, int x, int y, int w, int h, int thick, uint32_t color) {
    if (!live(rgn)) return false;
    if (thick <= 0 || w <= 0 || h <= 0) return true;
    thick = std::min({thick, w, h});
    fill(rgn, x, y, w, thick, color);
    fill(rgn, x, y + h - thick, w, thick, color);
    fill(rgn, x, y, thick, h, color);
    fill(rgn, x + w - thick, y, thick, h, color);
    return true;
}

bool Osd::pixmap(int rgn, int x, int y, int w, int h, const uint32_t* px, bool sprite) {
    Region* r = live(rgn);
    if (!r || !px || w <= 0 || h <= 0) return false;
    Rect a = clip(Rect{x, y, w, h}, r->place.w, r->place.h);
    if (a.empty()) return true;
    overdraw(*r, a);
    for (int j = a.y; j < a.y + a.h; ++j)
        for (int i = a.x; i < a.x + a.w; ++i) {
            uint32_t s = px[static_cast<size_t>(j - y) * w + (i - x)];
            if (sprite && !(s >> 24)) continue;
            r->px[static_cast<size_t>(j) * r->place.w + i] = s;
        }
    return true;
}

bool Osd::save(int rgn, int x, int y, int w, int h, SavedBox* out) const {
    const Region* r = region(rgn);
    if (!r || w <= 0 || h <= 0) return false;
    out->w = w;
    out->h = h;
    out->px.assign(static_cast<size_t>(w) * h, 0);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            int sx = x + i, sy = y + j;
            if (sx >= 0 && sy >= 0 && sx < r->place.w && sy < r->place.h)
                out->px[static_cast<size_t>(j) * w + i] =
                    r->px[static_cast<size_t>(sy) * r->place.w + sx];
        }
    out->runs.clear();
    Rect box{x, y, w, h};
    for (const TextRun& run : r->runs)
        if (box.contains(run.ink)) out->runs.push_back(run);
    return true;
}

bool Osd::restore(int rgn, int x, int y, const SavedBox& box) {
    Region* r = live(rgn);
    if (!r) return false;
    if (!pixmap(rgn, x, y, box.w, box.h, box.px.data(), false)) return false;
    for (const TextRun& run : box.runs)
        r->runs.push_back(run);
    return true;
}

std::vector<uint32_t> Osd::compose() const {
    std::vector<uint32_t> out(static_cast<size_t>(screen_w) * screen_h);
    for (int y = 0; y < screen_h; ++y)
        for (int x = 0; x < screen_w; ++x)
            out[static_cast<size_t>(y) * screen_w + x] = video_pixel(x, y, screen_w, screen_h);
    compose_regions(out, true);
    return out;
}

std::vector<uint32_t> Osd::plane() const {
    std::vector<uint32_t> out(static_cast<size_t>(screen_w) * screen_h, 0);
    compose_regions(out, false);
    return out;
}

void Osd::compose_regions(std::vector<uint32_t>& out, bool opaque) const {
    for (const Region& r : regions_) {
        if (!r.live) continue;
        for (int j = 0; j < r.place.h; ++j) {
            int sy = r.place.y + j;
            if (sy < 0 || sy >= screen_h) continue;
            for (int i = 0; i < r.place.w; ++i) {
                int sx = r.place.x + i;
                if (sx < 0 || sx >= screen_w) continue;
                uint32_t& d = out[static_cast<size_t>(sy) * screen_w + sx];
                d = blend(d, r.px[static_cast<size_t>(j) * r.place.w + i]);
                if (opaque) d |= 0xFF000000;
            }
        }
    }
}

bool Osd::run_hidden(size_t rgn, const TextRun& run) const {
    const Region& own = regions_[rgn];
    Rect ink{own.place.x + run.ink.x, own.place.y + run.ink.y, run.ink.w, run.ink.h};
    // A region made later lies on top; where its pixels are opaque the text is covered.
    for (size_t k = rgn + 1; k < regions_.size(); ++k) {
        const Region& top = regions_[k];
        if (!top.live || !top.place.contains(ink)) continue;
        bool opaque = true;
        for (int y = ink.y; y < ink.y + ink.h && opaque; ++y)
            for (int x = ink.x; x < ink.x + ink.w; ++x)
                if (!(top.px[static_cast<size_t>(y - top.place.y) * top.place.w +
                             (x - top.place.x)] >>
                      24)) {
                    opaque = false;
                    break;
                }
        if (opaque) return true;
    }
    return false;
}

std::string Osd::screen_json() const {
    nlohmann::json regions = nlohmann::json::array();
    for (size_t i = 0; i < regions_.size(); ++i) {
        const Region& r = regions_[i];
        if (!r.live) continue;
        nlohmann::json texts = nlohmann::json::array();
        for (const TextRun& run : r.runs) {
            if (run_hidden(i, run)) continue;
            texts.push_back({{"x", run.x},
                             {"y", run.y},
                             {"text", run.text},
                             {"fg", json_hex(run.fg)},
                             {"bg", json_hex(run.bg)}});
        }
        regions.push_back({{"x", r.place.x},
                           {"y", r.place.y},
                           {"w", r.place.w},
                           {"h", r.place.h},
                           {"texts", texts}});
    }
    return nlohmann::json{{"regions", regions}}.dump(1) + "\n";
}

std::string Osd::screen_text() const {
    std::string out;
    for (size_t i = 0; i < regions_.size(); ++i) {
        if (!regions_[i].live) continue;
        for (const TextRun& run : regions_[i].runs)
            if (!run_hidden(i, run)) out += run.text + "\n";
    }
    return out;
}

} // namespace tapsim
