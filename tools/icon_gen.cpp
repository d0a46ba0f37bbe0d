// Draws the TAP's icons (program logo, folder, file and one button per remote-control key) and
// writes them as a C++ source: for each icon a block in our compressed graphic format
// (_<name>Cpm) and its graphic descriptor (_<name>Gd). Run at build time:
//   icon_gen OUT.cpp [PREVIEW.ppm]
// The optional preview is a sheet of every icon on the windows' background colour.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gd_codec.h"

namespace {

using Inside = std::function<bool(double x, double y)>;

struct Canvas {
    int w, h;
    std::vector<uint32_t> px;
    Canvas(int width, int height) : w(width), h(height), px(static_cast<size_t>(w) * h, 0) {}

    // Source-over blending of a colour with coverage a (0..1).
    void blend(int x, int y, uint32_t color, double a) {
        if (x < 0 || y < 0 || x >= w || y >= h || a <= 0) return;
        uint32_t& d = px[static_cast<size_t>(y) * w + x];
        double sa = ((color >> 24) / 255.0) * std::min(a, 1.0);
        double da = (d >> 24) / 255.0;
        double oa = sa + da * (1 - sa);
        if (oa <= 0) return;
        auto ch = [&](int shift) {
            double s = (color >> shift) & 255, dc = (d >> shift) & 255;
            return static_cast<uint32_t>(std::lround((s * sa + dc * da * (1 - sa)) / oa));
        };
        d = static_cast<uint32_t>(std::lround(oa * 255)) << 24 | ch(16) << 16 | ch(8) << 8 | ch(0);
    }
    void set(int x, int y, uint32_t color) { blend(x, y, color, 1); }

    // A shape given by a predicate in pixel coordinates (pixel centres at +0.5), 4 x 4 samples
    // per pixel for smooth edges; color_at gives the colour of each pixel row.
    void paint(const Inside& inside, const std::function<uint32_t(int y)>& color_at) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx)
                        hits += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
                if (hits) blend(x, y, color_at(y), hits / 16.0);
            }
    }
    void paint(const Inside& inside, uint32_t color) {
        paint(inside, [color](int) { return color; });
    }
};

// Shapes.
Inside rounded_rect(double x0, double y0, double x1, double y1, double r) {
    return [=](double x, double y) {
        if (x < x0 || x > x1 || y < y0 || y > y1) return false;
        double cx = std::clamp(x, x0 + r, x1 - r), cy = std::clamp(y, y0 + r, y1 - r);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
    };
}
Inside circle(double cx, double cy, double r) {
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}
Inside ring(double cx, double cy, double r0, double r1) {
    return [=](double x, double y) {
        double d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        return d <= r1 * r1 && d >= r0 * r0;
    };
}
Inside rect(double x0, double y0, double x1, double y1) {
    return [=](double x, double y) { return x >= x0 && x <= x1 && y >= y0 && y <= y1; };
}
Inside triangle(double ax, double ay, double bx, double by, double cx, double cy) {
    return [=](double x, double y) {
        auto side = [&](double px, double py, double qx, double qy) {
            return (qx - px) * (y - py) - (qy - py) * (x - px);
        };
        double d1 = side(ax, ay, bx, by), d2 = side(bx, by, cx, cy), d3 = side(cx, cy, ax, ay);
        bool neg = d1 < 0 || d2 < 0 || d3<0, pos = d1> 0 || d2 > 0 || d3 > 0;
        return !(neg && pos);
    };
}
Inside line(double ax, double ay, double bx, double by, double half_width) {
    return [=](double x, double y) {
        double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
        double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / len2, 0.0, 1.0);
        double ex = ax + t * dx - x, ey = ay + t * dy - y;
        return ex * ex + ey * ey <= half_width * half_width;
    };
}
Inside minus(Inside a, Inside b) {
    return [=](double x, double y) { return a(x, y) && !b(x, y); };
}
Inside either(Inside a, Inside b) {
    return [=](double x, double y) { return a(x, y) || b(x, y); };
}

// A 5 x 7 pixel font (rows top to bottom, '#' = ink) and a 3 x 5 one for the smaller marks.
struct Glyph {
    char c;
    const char* rows[7];
};
const Glyph font5[] = {
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'G', {".####", "#....", "#....", "#..##", "#...#", "#...#", ".###."}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'+', {".....", "..#..", "..#..", "#####", "..#..", "..#..", "....."}},
    {'-', {".....", ".....", ".....", "#####", ".....", ".....", "....."}},
    {'/', {"....#", "...#.", "...#.", "..#..", ".#...", ".#...", "#...."}},
    {'i', {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."}},
};

const Glyph* find_glyph(char c) {
    for (const Glyph& g : font5)
        if (g.c == c) return &g;
    std::fprintf(stderr, "icon_gen: no glyph for '%c'\n", c);
    std::exit(1);
}

// Width of a text in the 5 x 7 font; bold glyphs are one pixel wider.
int text_width(const std::string& s, bool bold) {
    return s.empty() ? 0 : static_cast<int>(s.size()) * (bold ? 7 : 6) - 1;
}

void draw_text(Canvas& c, int x, int y, const std::string& s, uint32_t color, bool bold) {
    for (char ch : s) {
        const Glyph* g = find_glyph(ch);
        for (int r = 0; r < 7; ++r)
            for (int k = 0; k < 5; ++k)
                if (g->rows[r][k] == '#') {
                    c.set(x + k, y + r, color);
                    if (bold) c.set(x + k + 1, y + r, color);
                }
        x += bold ? 7 : 6;
    }
}

void draw_text_centred(Canvas& c, const std::string& s, uint32_t color, bool bold, int dy = 0) {
    int x = (c.w - text_width(s, bold)) / 2;
    int y = (c.h - 7) / 2 + dy;
    draw_text(c, x, y, s, color, bold);
}

// The colours of the buttons.
constexpr uint32_t ink = 0xFF141414;
constexpr uint32_t edge = 0xFF2A2A2A;

uint32_t mix(uint32_t a, uint32_t b, double t) {
    auto ch = [&](int shift) {
        double x = (a >> shift) & 255, y = (b >> shift) & 255;
        return static_cast<uint32_t>(std::lround(x + (y - x) * t)) << shift;
    };
    return ch(24) | ch(16) | ch(8) | ch(0);
}

// A key: a rounded light-grey button with a dark edge, lighter at the top.
Canvas button(int w, int h) {
    Canvas c(w, h);
    c.paint(rounded_rect(0, 0, w, h, 4.5), edge);
    c.paint(rounded_rect(1, 1, w - 1, h - 1, 3.5),
            [h](int y) { return mix(0xFFF4F4F4, 0xFFA8A8A8, y / static_cast<double>(h - 1)); });
    return c;
}

Canvas text_button(int w, const std::string& label, bool bold = true) {
    Canvas c = button(w, 20);
    draw_text_centred(c, label, ink, bold);
    return c;
}

Canvas colour_key(uint32_t color) {
    Canvas c(18, 18);
    c.paint(circle(9, 9, 8.6), edge);
    c.paint(circle(9, 9, 7.6),
            [color](int y) { return mix(mix(color, 0xFFFFFFFF, 0.35), color, y / 17.0); });
    c.paint(circle(7, 6, 2.2), 0x70FFFFFF); // a highlight
    return c;
}

// Symbols on a 24 x 20 button; the face's centre is (12, 10).
Canvas symbol_button(const std::function<void(Canvas&)>& draw) {
    Canvas c = button(24, 20);
    draw(c);
    return c;
}

void tri_right(Canvas& c, double x, double w, uint32_t color = ink) {
    c.paint(triangle(x, 5, x + w, 10, x, 15), color);
}
void tri_left(Canvas& c, double x, double w, uint32_t color = ink) {
    c.paint(triangle(x + w, 5, x, 10, x + w, 15), color);
}
void bar(Canvas& c, double x, uint32_t color = ink) {
    c.paint(rect(x, 5, x + 2, 15), color);
}

struct Icon {
    std::string name; // the part between "_" and "Gd"/"Cpm"
    Canvas canvas;
};

std::vector<Icon> make_icons() {
    std::vector<Icon> icons;
    auto add = [&](const std::string& name, Canvas c) { icons.push_back({name, std::move(c)}); };

    // The program logo: a small remote control with the T of TovakRC.
    {
        Canvas c(18, 22);
        c.paint(rounded_rect(1, 0, 17, 22, 4), 0xFF5A6A9A);
        c.paint(rounded_rect(2, 1, 16, 21, 3),
                [](int y) { return mix(0xFF3A5AD0, 0xFF142878, y / 21.0); });
        c.paint(circle(9, 4, 1.8), 0xFFFF3030);
        c.paint(rect(4, 7.5, 14, 9.5), 0xFFFFFFFF);
        c.paint(rect(8, 7.5, 10, 19), 0xFFFFFFFF);
        add("tovak", std::move(c));
    }
    // Folder: a yellow folder with its tab.
    {
        Canvas c(24, 19);
        Inside shape = either(rounded_rect(1, 1, 11, 6, 1.5), rounded_rect(1, 3.5, 23, 18, 1.5));
        c.paint(shape, 0xFF6A4A10);
        c.paint(either(rounded_rect(2, 2, 10, 6, 1), rounded_rect(2, 4.5, 22, 17, 1)),
                [](int y) { return mix(0xFFFFE080, 0xFFD09A20, y / 18.0); });
        c.paint(rect(2, 6.5, 22, 7.5), 0xFFB07A10);
        add("folder", std::move(c));
    }
    // File: a page with a folded corner and lines of text.
    {
        Canvas c(16, 18);
        Inside page = minus(rect(1, 0.5, 15, 17.5), triangle(10.5, 0, 16, 0, 16, 5.5));
        c.paint(page, 0xFF404040);
        c.paint(minus(rect(2, 1.5, 14, 16.5), triangle(10, 0, 16, 0, 16, 6)), 0xFFF8F8F8);
        c.paint(triangle(10.5, 1, 10.5, 6, 15.5, 6), 0xFFB8B8B8);
        for (int y = 8; y <= 14; y += 3)
            c.paint(rect(4, y, 12, y + 1), 0xFF7080A0);
        add("file", std::move(c));
    }
    for (int d = 0; d <= 9; ++d)
        add("Button_" + std::to_string(d) + "_", text_button(24, std::to_string(d)));
    add("Button_ok_", text_button(40, "OK"));
    add("Button_exit_", text_button(40, "EXIT"));
    add("Button_menu_", text_button(40, "MENU"));
    add("Button_fav_", text_button(40, "FAV"));
    add("Button_sat_", text_button(40, "SAT"));
    add("Button_aux_", text_button(40, "AUX"));
    add("Button_guide_", text_button(54, "GUIDE"));
    add("Button_red_", colour_key(0xFFD81C1C));
    add("Button_green_", colour_key(0xFF1CA81C));
    add("Button_yellow_", colour_key(0xFFE8C818));
    add("Button_blue_", colour_key(0xFF1C48D8));
    add("Button_white_", colour_key(0xFFE8E8E8));

    add("Button_mute_", symbol_button([](Canvas& c) {
            c.paint(rect(5, 8, 8, 12), ink);
            c.paint(triangle(7, 10, 12, 5, 12, 15), ink);
            c.paint(line(14, 7, 19, 13, 0.9), 0xFFC01010);
            c.paint(line(14, 13, 19, 7, 0.9), 0xFFC01010);
        }));
    add("Button_vf_", text_button(24, "VF", false));
    add("Button_ar_", text_button(24, "AR", false));
    add("Button_sleep_", symbol_button([](Canvas& c) { // a crescent moon
            c.paint(minus(circle(12, 10, 5.5), circle(14.5, 8, 4.6)), ink);
        }));
    add("Button_recall_", symbol_button([](Canvas& c) { // an arrow turning back
            c.paint(minus(ring(12.5, 10, 3, 5), rect(0, 10, 12.5, 20)), ink);
            c.paint(triangle(4.5, 10, 11.5, 10, 8, 14.5), ink);
        }));
    add("Button_info_", symbol_button([](Canvas& c) {
            c.paint(circle(12, 10, 7), 0xFF1C48B8);
            draw_text(c, 10, 7, "i", 0xFFFFFFFF, false);
            c.set(13, 13, 0xFFFFFFFF);
        }));
    add("Button_tv_radio_", text_button(24, "T/R", false));
    add("Button_audio_", text_button(24, "AUD", false));
    add("Button_subtitle_", text_button(24, "SUB", false));
    add("Button_ttx_", text_button(24, "TXT", false));
    add("Button_progplus_", text_button(24, "P+", false));
    add("Button_progminus_", text_button(24, "P-", false));
    add("Button_volplus_", text_button(24, "V+", false));
    add("Button_volminus_", text_button(24, "V-", false));
    add("Button_up_",
        symbol_button([](Canvas& c) { c.paint(triangle(12, 4.5, 18, 14.5, 6, 14.5), ink); }));
    add("Button_down_",
        symbol_button([](Canvas& c) { c.paint(triangle(6, 5.5, 18, 5.5, 12, 15.5), ink); }));
    add("Button_left_",
        symbol_button([](Canvas& c) { c.paint(triangle(16.5, 4, 16.5, 16, 6.5, 10), ink); }));
    add("Button_right_",
        symbol_button([](Canvas& c) { c.paint(triangle(7.5, 4, 7.5, 16, 17.5, 10), ink); }));
    add("Button_rwd_", symbol_button([](Canvas& c) {
            tri_left(c, 3.5, 8);
            tri_left(c, 11.5, 8);
        }));
    add("Button_play_", symbol_button([](Canvas& c) { tri_right(c, 8, 9, 0xFF108010); }));
    add("Button_ffwd_", symbol_button([](Canvas& c) {
            tri_right(c, 4.5, 8);
            tri_right(c, 12.5, 8);
        }));
    add("Button_step_", symbol_button([](Canvas& c) { // slow: a hollow play mark before a bar
            c.paint(
                minus(triangle(5, 4.5, 15, 10, 5, 15.5), triangle(6.8, 7.8, 11.3, 10, 6.8, 12.2)),
                ink);
            bar(c, 16);
        }));
    add("Button_stop_", symbol_button([](Canvas& c) { c.paint(rect(7, 5, 17, 15), ink); }));
    add("Button_record_",
        symbol_button([](Canvas& c) { c.paint(circle(12, 10, 5.2), 0xFFD01010); }));
    add("Button_pause_", symbol_button([](Canvas& c) {
            bar(c, 8.5);
            c.paint(rect(13.5, 5, 16, 15), ink);
        }));
    add("Button_jumpstart_", symbol_button([](Canvas& c) {
            bar(c, 4);
            tri_left(c, 7, 7);
            tri_left(c, 13, 7);
        }));
    add("Button_filelist_", symbol_button([](Canvas& c) { // a list
            for (int y = 5; y <= 13; y += 4) {
                c.paint(rect(5, y, 7, y + 2), ink);
                c.paint(rect(9, y + 0.5, 19, y + 1.5), ink);
            }
        }));
    add("Button_jumpend_", symbol_button([](Canvas& c) {
            tri_right(c, 3, 7);
            tri_right(c, 9, 7);
            bar(c, 17);
        }));
    add("Button_cut_", symbol_button([](Canvas& c) {
            tri_right(c, 3, 7);
            bar(c, 11);
            tri_left(c, 14, 7);
        }));
    return icons;
}

bool write_source(const std::string& path, const std::vector<Icon>& icons) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    std::fprintf(f, "// Generated by tools/icon_gen at build time; do not edit.\n"
                    "#include \"osd/icons.h\"\n\n");
    for (const Icon& icon : icons) {
        const Canvas& c = icon.canvas;
        std::vector<uint8_t> block = tapsim::gd_encode(c.px.data(), c.w, c.h);
        std::fprintf(f, "static const byte _%sCpm[%zu] = {", icon.name.c_str(), block.size());
        for (size_t i = 0; i < block.size(); ++i)
            std::fprintf(f, "%s0x%02X,", i % 16 ? " " : "\n    ", block[i]);
        // The descriptor's data pointer is not const on the receiver; nothing writes through it.
        std::fprintf(f,
                     "\n};\nconst TYPE_GrData _%sGd = {1, 0, 1, 2, const_cast<byte*>(_%sCpm), %d, "
                     "%d, %d};\n\n",
                     icon.name.c_str(), icon.name.c_str(), c.w * c.h * 4, c.w, c.h);
    }
    return std::fclose(f) == 0;
}

// A preview sheet (binary PPM): every icon at 4x on the windows' background.
bool write_preview(const std::string& path, const std::vector<Icon>& icons) {
    const int scale = 4, pad = 4, cols = 8, cell_w = 56 * scale + pad, cell_h = 22 * scale + pad;
    int rows = (static_cast<int>(icons.size()) + cols - 1) / cols;
    int w = cols * cell_w, h = rows * cell_h;
    std::vector<uint32_t> sheet(static_cast<size_t>(w) * h, 0xFF101010);
    for (size_t i = 0; i < icons.size(); ++i) {
        const Canvas& c = icons[i].canvas;
        int ox = static_cast<int>(i % cols) * cell_w, oy = static_cast<int>(i / cols) * cell_h;
        for (int y = 0; y < c.h * scale; ++y)
            for (int x = 0; x < c.w * scale; ++x) {
                uint32_t s = c.px[static_cast<size_t>(y / scale) * c.w + x / scale];
                uint32_t& d = sheet[static_cast<size_t>(oy + y) * w + ox + x];
                d = mix(d, s | 0xFF000000, (s >> 24) / 255.0);
            }
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "P6\n%d %d\n255\n", w, h);
    for (uint32_t p : sheet) {
        unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16),
                                static_cast<unsigned char>(p >> 8), static_cast<unsigned char>(p)};
        std::fwrite(rgb, 1, 3, f);
    }
    return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: icon_gen OUT.cpp [PREVIEW.ppm]\n");
        return 2;
    }
    std::vector<Icon> icons = make_icons();
    if (!write_source(argv[1], icons)) {
        std::fprintf(stderr, "icon_gen: cannot write %s\n", argv[1]);
        return 1;
    }
    if (argc == 3 && !write_preview(argv[2], icons)) {
        std::fprintf(stderr, "icon_gen: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
