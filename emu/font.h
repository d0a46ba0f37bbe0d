// Text metrics and glyphs of the OSD font. Sizes 1 and 2 have lines of 22 and 26 pixels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace tapsim {

// Coverage callback: (x offset from the text start, y offset from the line top, alpha 0..255).
using GlyphSink = void (*)(void* ctx, int x, int y, uint8_t coverage);

class Font {
  public:
    virtual ~Font() = default;
    // Width in pixels of a Latin-1 text in a size (0 and 1 are small, 2 and above large).
    virtual int width(const std::string& latin1, int size) = 0;
    // Draws the text's coverage up to max_width pixels; returns the drawn width.
    virtual int draw(const std::string& latin1, int size, int max_width, GlyphSink sink,
                     void* ctx) = 0;
    static int line_height(int size) { return size >= 2 ? 26 : 22; }
};

// FreeType with a Debian font where the build has it, else a simple built-in metric font.
std::unique_ptr<Font> make_font();
// The built-in metric font, which every build has (the same widths on the PC and on MIPS).
std::unique_ptr<Font> make_builtin_font();

} // namespace tapsim
