#include "font.h"

#include <map>
#include <vector>

#ifdef TAPSIM_FREETYPE
#include <ft2build.h>
#include FT_FREETYPE_H
#endif

namespace tapsim {

namespace {

// Proportional metrics without glyph pictures: enough for layout and the screen text model.
class BuiltinFont : public Font {
  public:
    int width(const std::string& text, int size) override {
        int w = 0;
        for (unsigned char c : text)
            w += advance(c, size);
        return w;
    }
    int draw(const std::string& text, int size, int max_width, GlyphSink sink, void* ctx) override {
        int w = 0;
        for (unsigned char c : text) {
            int a = advance(c, size);
            if (w + a > max_width) break;
            if (c != ' ')
                for (int y = 6; y < line_height(size) - 6; ++y)
                    for (int x = 1; x < a - 1; ++x)
                        sink(ctx, w + x, y, (x + y) % 3 ? 0 : 255);
            w += a;
        }
        return w;
    }

  private:
    static int advance(unsigned char c, int size) {
        int base = c == ' '                                                     ? 5
                   : (c == 'i' || c == 'l' || c == '.' || c == ',' || c == ':') ? 4
                   : (c >= 'A' && c <= 'Z') || c == 'm' || c == 'w'             ? 11
                                                                                : 9;
        return size >= 2 ? base + base / 5 : base;
    }
};

#ifdef TAPSIM_FREETYPE
const char* const font_paths[] = {
    // Narrow like a receiver's OSD font; the plain face where the condensed one is missing.
    "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/freefont/FreeSans.ttf",
};

class FreeTypeFont : public Font {
  public:
    bool init() {
        for (auto& table : advances_)
            for (int& a : table)
                a = -1;
        if (FT_Init_FreeType(&lib_)) return false;
        for (const char* p : font_paths)
            if (!FT_New_Face(lib_, p, 0, &face_)) return true;
        face_ = nullptr;
        return false;
    }
    ~FreeTypeFont() override {
        if (face_) FT_Done_Face(face_);
        if (lib_) FT_Done_FreeType(lib_);
    }
    // Widths are asked for far more often than glyphs are drawn (the text viewer measures its
    // long lines): the advances of both sizes are kept in tables, filled on first use.
    int width(const std::string& text, int size) override {
        int(&table)[256] = advances_[size >= 2 ? 1 : 0];
        int w = 0;
        for (unsigned char c : text) {
            if (table[c] < 0) table[c] = glyph(c, size).advance;
            w += table[c];
        }
        return w;
    }
    int draw(const std::string& text, int size, int max_width, GlyphSink sink, void* ctx) override {
        int pen = 0;
        for (unsigned char c : text) {
            const Glyph& g = glyph(c, size);
            if (pen + g.advance > max_width) break;
            for (int y = 0; y < g.h; ++y)
                for (int x = 0; x < g.w; ++x) {
                    uint8_t a = g.bits[static_cast<size_t>(y) * g.w + x];
                    if (a) sink(ctx, pen + g.left + x, g.top + y, a);
                }
            pen += g.advance;
        }
        return pen;
    }

  private:
    struct Glyph {
        int advance = 0, left = 0, top = 0, w = 0, h = 0;
        std::vector<uint8_t> bits;
    };
    const Glyph& glyph(unsigned char c, int size) {
        int px = size >= 2 ? 19 : 16;
        auto key = std::make_pair(px, c);
        auto it = cache_.find(key);
        if (it != cache_.end()) return it->second;
        Glyph g;
        FT_Set_Pixel_Sizes(face_, 0, px);
        if (!FT_Load_Char(face_, c, FT_LOAD_RENDER)) { // Latin-1 bytes are their code points
            FT_GlyphSlot s = face_->glyph;
            int line = line_height(size);
            int asc = static_cast<int>(face_->size->metrics.ascender >> 6);
            int desc = static_cast<int>(-face_->size->metrics.descender >> 6);
            int baseline = (line - (asc + desc)) / 2 + asc;
            g.advance = static_cast<int>(s->advance.x >> 6);
            g.left = s->bitmap_left;
            g.top = baseline - s->bitmap_top;
            g.w = static_cast<int>(s->bitmap.width);
            g.h = static_cast<int>(s->bitmap.rows);
            g.bits.resize(static_cast<size_t>(g.w) * g.h);
            for (int y = 0; y < g.h; ++y)
                for (int x = 0; x < g.w; ++x)
                    g.bits[static_cast<size_t>(y) * g.w + x] =
                        s->bitmap.buffer[y * s->bitmap.pitch + x];
        }
        return cache_.emplace(key, std::move(g)).first->second;
    }
    FT_Library lib_ = nullptr;
    FT_Face face_ = nullptr;
    std::map<std::pair<int, unsigned char>, Glyph> cache_;
    int advances_[2][256] = {};
};
#endif

} // namespace

std::unique_ptr<Font> make_builtin_font() {
    return std::make_unique<BuiltinFont>();
}

std::unique_ptr<Font> make_font() {
#ifdef TAPSIM_FREETYPE
    auto ft = std::make_unique<FreeTypeFont>();
    if (ft->init()) return ft;
#endif
    return std::make_unique<BuiltinFont>();
}

} // namespace tapsim
