// Pictures as users' files have them, made by independent tools at test time (ImageMagick and
// Pillow, make_corpus.py): each file is first checked to have the property it stands for, then
// shown by the viewer on the emulated receiver (GIF and PNG through the converter programs), and
// the drawn pixels are compared with ImageMagick's decode of the same file, brought to the
// screen by the viewer's rules:
//   - samples of 16 bits become round(v x 255 / 65535);
//   - alpha (PNG, 32-bit BMP) is laid over black: round(colour x alpha / 255), both in 8 bits;
//     a BMP whose fourth byte is 0 in every pixel has no alpha;
//   - GIF transparency is not used: a transparent pixel shows its colour map entry;
//   - GIF and PNG pictures larger than the TAP takes are reduced by the smallest integer factor
//     that fits, each block the rounded average of its pixels;
//   - the fit into the window and the resampling are the viewer's (image_fit_compute,
//     image_resample, themselves tested against worked examples);
//   - JPEG: the firmware is asked for the picture at most 2400 pixels a side and squeezed by
//     45/64; firmware and viewer pick pixels where ImageMagick's picture is averaged over the
//     area each drawn pixel covers: the mean difference of a colour sample stays within 3 and
//     99 % of the samples within 16 (lossless formats: every pixel exact).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/key_codes.h"
#include "image/decode.h"
#include "browser/file_details.h"
#include "image/viewer.h"
#include "osd/window.h"
#include "viewer_fixture.h"

namespace fs = std::filesystem;

namespace {

const fs::path corpus = TOVAK_PICTURE_CORPUS;

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::error_code error;
    std::string bytes(static_cast<size_t>(fs::file_size(path, error)), '\0');
    if (error || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return "";
    return bytes;
}

uint32_t le(const std::string& s, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(s.at(at + i));
    return v;
}
uint32_t be(const std::string& s, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | static_cast<uint8_t>(s.at(at + i));
    return v;
}
std::string size_fact(uint32_t w, uint32_t h) {
    return std::to_string(w) + "x" + std::to_string(h);
}

// --- What a file is, read from its bytes -----------------------------------------------------

std::set<std::string> gif_facts(const std::string& s) {
    std::set<std::string> f{"gif", size_fact(le(s, 6, 2), le(s, 8, 2))};
    const uint8_t flags = static_cast<uint8_t>(s.at(10));
    size_t p = 13;
    std::string global;
    if (flags & 0x80) {
        const size_t bytes = 3u << ((flags & 7) + 1);
        f.insert("global-map-" + std::to_string((flags & 7) + 1) + "bit");
        global = s.substr(p, bytes);
        p += bytes;
    }
    while (s.at(p) == '!') { // extensions before the first image
        if (static_cast<uint8_t>(s.at(p + 1)) == 0xF9 && (s.at(p + 3) & 1)) f.insert("transparent");
        p += 2;
        while (s.at(p))
            p += static_cast<uint8_t>(s.at(p)) + 1u;
        ++p;
    }
    if (s.at(p) != ',') return f;
    const uint8_t image = static_cast<uint8_t>(s.at(p + 9));
    if (image & 0x40) f.insert("interlaced");
    if (image & 0x80) {
        f.insert("local-map");
        const std::string local = s.substr(p + 10, 3u << ((image & 7) + 1));
        if (local.compare(0, global.size(), global) != 0) f.insert("local-map-differs");
    }
    return f;
}

std::set<std::string> png_facts(const std::string& s) {
    std::set<std::string> f{"png", size_fact(be(s, 16, 4), be(s, 20, 4)),
                            "depth-" + std::to_string(static_cast<uint8_t>(s.at(24))),
                            "type-" + std::to_string(static_cast<uint8_t>(s.at(25)))};
    if (s.at(28)) f.insert("interlaced");
    for (size_t p = 8; p + 8 <= s.size();) { // chunks: length, type, data, CRC
        const uint32_t length = be(s, p, 4);
        if (s.compare(p + 4, 4, "tRNS") == 0) f.insert("tRNS");
        p += 12 + static_cast<size_t>(length);
    }
    return f;
}

// True when an RLE8 run or literal of the pixel data passes the end of its row.
bool rle8_passes_row_end(const std::string& s, size_t p, uint32_t width) {
    uint32_t x = 0;
    while (p + 1 < s.size()) {
        const uint8_t count = static_cast<uint8_t>(s[p]), value = static_cast<uint8_t>(s[p + 1]);
        p += 2;
        if (count) {
            x += count;
        } else if (value == 0) {
            x = 0;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            x += static_cast<uint8_t>(s.at(p));
            p += 2;
        } else {
            x += value;
            p += value + (value & 1u);
        }
        if (x > width) return true;
    }
    return false;
}

std::set<std::string> bmp_facts(const std::string& s) {
    const uint32_t header = le(s, 14, 4), offset = le(s, 10, 4);
    const bool core = header == 12;
    const int32_t width =
        core ? static_cast<int32_t>(le(s, 18, 2)) : static_cast<int32_t>(le(s, 18, 4));
    const int32_t height =
        core ? static_cast<int32_t>(le(s, 20, 2)) : static_cast<int32_t>(le(s, 22, 4));
    const uint32_t bits = core ? le(s, 24, 2) : le(s, 28, 2);
    const uint32_t compression = core ? 0 : le(s, 30, 4);
    std::set<std::string> f{"bmp",
                            size_fact(static_cast<uint32_t>(width),
                                      static_cast<uint32_t>(height < 0 ? -height : height)),
                            "header-" + std::to_string(header),
                            "bits-" + std::to_string(bits),
                            "compression-" + std::to_string(compression),
                            "data-offset-" + std::to_string(offset)};
    if (height < 0) f.insert("top-down");
    const uint32_t colours = core ? 0 : le(s, 46, 4);
    if (bits <= 8 && colours > 0 && colours < (1u << bits) && offset == 14 + header + 4 * colours)
        f.insert("short-table");
    if (compression == 3 && header >= 56 && le(s, 14 + 52, 4) != 0) f.insert("alpha-mask");
    if (compression == 1 && rle8_passes_row_end(s, offset, static_cast<uint32_t>(width)))
        f.insert("runs-past-row-end");
    return f;
}

std::set<std::string> jpeg_facts(const std::string& s) {
    std::set<std::string> f{"jpeg"};
    for (size_t p = 2; p + 9 < s.size();) {
        if (static_cast<uint8_t>(s[p]) != 0xFF) break;
        const uint8_t marker = static_cast<uint8_t>(s[p + 1]);
        if (marker == 0xC0 || marker == 0xC2) {
            f.insert(marker == 0xC0 ? "baseline" : "progressive");
            f.insert(size_fact(be(s, p + 7, 2), be(s, p + 5, 2)));
            break;
        }
        p += 2 + be(s, p + 2, 2);
    }
    return f;
}

std::set<std::string> facts(const std::string& name, const std::string& bytes) {
    if (name.rfind("gif_", 0) == 0) return gif_facts(bytes);
    if (name.rfind("png_", 0) == 0) return png_facts(bytes);
    if (name.rfind("bmp_", 0) == 0) return bmp_facts(bytes);
    return jpeg_facts(bytes);
}

// --- The independent decode, brought to the screen by the viewer's rules -----------------------

struct picture {
    int width = 0, height = 0;
    std::vector<uint32_t> px; // 0x00RRGGBB
};

// ImageMagick's PAM: grey, grey + alpha, RGB or RGB + alpha; 8 or 16 bits, big-endian.
bool read_pam(const fs::path& path, bool ignore_alpha, picture* out) {
    const std::string s = read_file(path);
    const size_t end = s.find("ENDHDR\n");
    if (s.rfind("P7\n", 0) != 0 || end == std::string::npos) return false;
    std::istringstream head(s.substr(3, end - 3));
    std::string key;
    int depth = 0, maxval = 0;
    while (head >> key) {
        if (key == "WIDTH") head >> out->width;
        if (key == "HEIGHT") head >> out->height;
        if (key == "DEPTH") head >> depth;
        if (key == "MAXVAL") head >> maxval;
    }
    const int bytes = maxval > 255 ? 2 : 1;
    const size_t count = static_cast<size_t>(out->width) * out->height;
    if (depth < 1 || depth > 4 || (maxval != 255 && maxval != 65535) ||
        s.size() < end + 7 + count * depth * bytes)
        return false;
    const bool grey = depth <= 2, alpha = depth == 2 || depth == 4;
    out->px.resize(count);
    const uint8_t* p = reinterpret_cast<const uint8_t*>(s.data()) + end + 7;
    for (size_t i = 0; i < count; ++i) {
        uint32_t sample[4];
        for (int c = 0; c < depth; ++c, p += bytes) {
            const uint32_t v = bytes == 2 ? p[0] << 8 | p[1] : p[0];
            sample[c] = bytes == 2 ? (v * 255 + 32767) / 65535 : v; // 16 bits: rounded to 8
        }
        const uint32_t a = alpha && !ignore_alpha ? sample[depth - 1] : 255;
        uint32_t rgb = 0;
        for (int c = 0; c < 3; ++c)
            rgb = rgb << 8 | (sample[grey ? 0 : c] * a + 127) / 255; // over black
        out->px[i] = rgb;
    }
    return true;
}

// The rounded average of the pixels in columns x0 ... x1 - 1 and rows y0 ... y1 - 1.
uint32_t average(const picture& in, int x0, int x1, int y0, int y1) {
    uint64_t sum[3] = {0, 0, 0}, n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x, ++n)
            for (int c = 0; c < 3; ++c)
                sum[c] += in.px[static_cast<size_t>(y) * in.width + x] >> (16 - 8 * c) & 0xFF;
    uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c)
        rgb = rgb << 8 | static_cast<uint32_t>((sum[c] + n / 2) / n);
    return rgb;
}

// Pictures over the TAP's limits shrink by the smallest integer factor that fits, each
// factor x factor block averaged and rounded (edge blocks average what they hold).
picture reduce_to_limits(const picture& in) {
    int f = 1;
    auto side = [&](int v) { return (v + f - 1) / f; };
    while (side(in.width) > 10000 || side(in.height) > 10000 ||
           int64_t{side(in.width)} * side(in.height) * 4 > 16000000)
        ++f;
    if (f == 1) return in;
    picture out;
    out.width = side(in.width);
    out.height = side(in.height);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x)
            out.px.push_back(average(in, x * f, std::min(in.width, (x + 1) * f), y * f,
                                     std::min(in.height, (y + 1) * f)));
    return out;
}

// The viewer's fit and resampling of a block.
picture fitted(const picture& in, int W, int H, bool anamorphic) {
    const image_fit fit = image_fit_compute(in.width, in.height, W, H, anamorphic);
    std::vector<uint32_t> block = in.px;
    image_record img{};
    img.width = in.width;
    img.height = in.height;
    img.pixels = block.data();
    image_resample(&img, fit);
    picture out;
    out.width = img.width;
    out.height = img.height;
    out.px.assign(block.begin(), block.begin() + static_cast<ptrdiff_t>(out.width) * out.height);
    return out;
}

// The size the firmware is asked for: at most 2400 a side, then squeezed by 45/64.
void jpeg_request(int* w, int* h) {
    if (*w > 2400) {
        *h = static_cast<int>(int64_t{*h} * 2400 / *w);
        *w = 2400;
    }
    if (*h > 2400) {
        *w = static_cast<int>(int64_t{*w} * 2400 / *h);
        *h = 2400;
    }
    *w = std::max(1, *w * 45 / 64);
    *h = std::max(1, *h);
}

// Each drawn pixel as the average of the area of the full picture that it covers.
picture area_average(const picture& in, int w, int h) {
    picture out;
    out.width = w;
    out.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int x0 = static_cast<int>(int64_t{x} * in.width / w),
                      x1 = std::max(x0 + 1, static_cast<int>(int64_t{x + 1} * in.width / w));
            const int y0 = static_cast<int>(int64_t{y} * in.height / h),
                      y1 = std::max(y0 + 1, static_cast<int>(int64_t{y + 1} * in.height / h));
            out.px.push_back(average(in, x0, x1, y0, y1));
        }
    return out;
}

// --- The corpus --------------------------------------------------------------------------------

struct corpus_case {
    const char* file;
    std::vector<std::string> property; // facts the file must have before it counts
};

// Files by format, each group one test; the pictures of 4000 x 3000 make a group of their own.
struct corpus_group {
    const char* name;
    std::vector<corpus_case> files;
};

const corpus_group groups[] = {
    {"Gif",
     {
         {"gif_local_map.gif", {"local-map", "local-map-differs"}},
         {"gif_interlaced.gif", {"interlaced", "800x600"}},
         {"gif_1bit.gif", {"global-map-1bit"}},
         {"gif_4bit.gif", {"global-map-4bit"}},
         {"gif_8bit.gif", {"global-map-8bit"}},
         {"gif_transparent.gif", {"transparent"}},
         {"gif_1x1.gif", {"1x1"}},
     }},
    {"Png",
     {
         {"png_grey_1bit.png", {"type-0", "depth-1"}},
         {"png_grey_2bit.png", {"type-0", "depth-2"}},
         {"png_grey_4bit.png", {"type-0", "depth-4"}},
         {"png_grey_8bit.png", {"type-0", "depth-8"}},
         {"png_grey_16bit.png", {"type-0", "depth-16"}},
         {"png_rgb_8bit.png", {"type-2", "depth-8"}},
         {"png_rgb_16bit.png", {"type-2", "depth-16"}},
         {"png_palette_1bit.png", {"type-3", "depth-1"}},
         {"png_palette_4bit.png", {"type-3", "depth-4"}},
         {"png_palette_8bit.png", {"type-3", "depth-8"}},
         {"png_palette_trns.png", {"type-3", "tRNS"}},
         {"png_grey_alpha_8bit.png", {"type-4", "depth-8"}},
         {"png_grey_alpha_16bit.png", {"type-4", "depth-16"}},
         {"png_rgba_8bit.png", {"type-6", "depth-8"}},
         {"png_rgba_16bit.png", {"type-6", "depth-16"}},
         {"png_interlaced.png", {"interlaced", "800x600"}},
         {"png_1x1.png", {"1x1"}},
     }},
    {"Bmp",
     {
         {"bmp_1bit.bmp", {"bits-1", "compression-0"}},
         {"bmp_4bit.bmp", {"bits-4", "compression-0"}},
         {"bmp_8bit.bmp", {"bits-8", "compression-0"}},
         {"bmp_8bit_short_table.bmp", {"bits-8", "short-table"}},
         {"bmp_rle8.bmp", {"compression-1", "runs-past-row-end"}},
         {"bmp_16bit_555.bmp", {"bits-16", "compression-3", "header-124"}},
         {"bmp_16bit_565.bmp", {"bits-16", "compression-3"}},
         {"bmp_24bit_v3.bmp", {"bits-24", "header-40", "800x600"}},
         {"bmp_24bit_v4.bmp", {"bits-24", "header-108"}},
         {"bmp_24bit_v5.bmp", {"bits-24", "header-124", "data-offset-138"}},
         {"bmp_24bit_os2.bmp", {"bits-24", "header-12"}},
         {"bmp_32bit_alpha.bmp", {"bits-32", "compression-3", "alpha-mask"}},
         {"bmp_32bit_fourth_byte.bmp", {"bits-32", "compression-0"}},
         {"bmp_top_down.bmp", {"top-down", "800x600"}},
         {"bmp_1x1.bmp", {"1x1"}},
     }},
    {"Jpeg",
     {
         {"jpeg_baseline.jpg", {"baseline"}},
         {"jpeg_progressive.jpg", {"progressive"}},
         {"jpeg_1x1.jpg", {"1x1"}},
     }},
    {"Large",
     {
         {"gif_4000x3000.gif", {"4000x3000"}},
         {"png_4000x3000.png", {"4000x3000"}},
         {"jpeg_4000x3000.jpg", {"4000x3000"}},
     }},
};

void PrintTo(const corpus_group& g, std::ostream* out) {
    *out << g.name;
}

bool has_suffix(const std::string& name, const std::string& suffix) {
    return name.size() >= suffix.size() &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A run of the test program alone makes the corpus; a ctest run makes it once beforehand.
void make_corpus() {
    if (fs::exists(corpus / "corpus.done")) return;
    const std::string command =
        std::string("/usr/bin/python3 '") + TOVAK_MAKE_CORPUS + "' '" + corpus.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The viewer on an emulated receiver with the converter programs installed.
class CorpusViewer : public ViewerFixture {
  public:
    static void SetUpTestSuite() { make_corpus(); }

  protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(corpus / "corpus.done")) << "no picture corpus in " << corpus;
        ViewerFixture::SetUp();
        ASSERT_TRUE(install_converters());
        emu->state().jpeg_max_pixels = 2400 * 2400; // the first request succeeds
    }
    void place(const std::string& name) {
        fs::copy_file(corpus / name, dir / "disk" / "Pics" / name,
                      fs::copy_options::overwrite_existing);
    }
};

class PictureCorpus : public CorpusViewer, public ::testing::WithParamInterface<corpus_group> {
  protected:
    void check(const corpus_case& c);
};

TEST_P(PictureCorpus, DrawnAsTheIndependentDecode) {
    for (const corpus_case& c : GetParam().files) {
        SCOPED_TRACE(c.file);
        check(c);
    }
}

void PictureCorpus::check(const corpus_case& c) {
    const std::string name = c.file;
    const std::string bytes = read_file(corpus / name);
    ASSERT_FALSE(bytes.empty()) << name;
    const std::set<std::string> found = facts(name, bytes);
    std::string all;
    for (const std::string& f : found)
        all += f + " ";
    for (const std::string& p : c.property)
        ASSERT_TRUE(found.count(p)) << name << " lacks " << p << "; it has: " << all;

    const bool gif = has_suffix(name, ".gif"), jpeg = has_suffix(name, ".jpg");
    picture ref;
    const std::string base = name.substr(0, name.rfind('.'));
    ASSERT_TRUE(read_pam(corpus / (base + ".pam"), gif, &ref)) << base << ".pam";
    const int file_width = ref.width, file_height = ref.height;
    if (gif || has_suffix(name, ".png")) ref = reduce_to_limits(ref);

    place(name);
    headline_toggle = 1; // the title bar shows the picture's size
    ASSERT_EQ(image_view(0, "/Pics", name.c_str()), 1);
    const int W = image_window.width, H = image_window.height - osd_line_height();
    picture want;
    if (jpeg) {
        int w = ref.width, h = ref.height;
        jpeg_request(&w, &h);
        const image_fit fit = image_fit_compute(w, h, W, H, true);
        want = area_average(ref, fit.width, fit.height);
    } else {
        want = fitted(ref, W, H, false);
    }
    ASSERT_GE(want.width, 1);
    ASSERT_GE(want.height, 1);

    // The picture lies centred below the title bar; nothing is drawn around it.
    const std::vector<uint32_t> plane = emu->osd().plane();
    const int left = image_window.screen_x + image_window.margin_x;
    const int top = image_window.screen_y + image_window.margin_y + osd_line_height();
    const int x0 = left + (W - want.width) / 2;
    const int y0 = top + (want.height < H ? (H - want.height) / 2 : 0);
    const Box drawn = picture_box();
    EXPECT_TRUE(drawn.x0 >= x0 && drawn.x1 < x0 + want.width && drawn.y0 >= y0 &&
                drawn.y1 < y0 + want.height)
        << "drawn at " << drawn.x0 << "," << drawn.y0 << " size " << drawn.w() << "x" << drawn.h()
        << ", the picture's place is " << x0 << "," << y0 << " size " << want.width << "x"
        << want.height;

    size_t wrong = 0, within16 = 0;
    uint64_t total_difference = 0;
    std::string first;
    for (int y = 0; y < want.height; ++y)
        for (int x = 0; x < want.width; ++x) {
            const uint32_t got = plane[static_cast<size_t>(y0 + y) * SCREEN_W + x0 + x] & 0xFFFFFF;
            const uint32_t expected = want.px[static_cast<size_t>(y) * want.width + x];
            for (int shift = 0; shift < 24; shift += 8) {
                const int d = std::abs(static_cast<int>(got >> shift & 0xFF) -
                                       static_cast<int>(expected >> shift & 0xFF));
                total_difference += static_cast<uint64_t>(d);
                within16 += d <= 16;
            }
            if (got != expected && wrong++ == 0) {
                char text[96];
                snprintf(text, sizeof text, "first at %d,%d: drawn %06X, expected %06X", x, y, got,
                         expected);
                first = text;
            }
        }
    // The title tells the size the converter sent (reduced pictures: the reduced size), the
    // file details (the converter's header alone) the picture's own size.
    const std::string title = emu->osd().screen_text();
    const std::string shown = std::to_string(jpeg ? file_width : ref.width) + " x " +
                              std::to_string(jpeg ? file_height : ref.height);
    EXPECT_NE(title.find(shown), std::string::npos) << shown << " in " << title;
    image_view(KEY_EXIT, nullptr, nullptr);
    const std::string own = std::to_string(file_width) + " x " + std::to_string(file_height);
    EXPECT_NE(std::string(file_details_text("/Pics", name.c_str(), false)).find(own + " px"),
              std::string::npos)
        << own;

    const size_t samples = static_cast<size_t>(want.width) * want.height * 3;
    if (jpeg) {
        const double mean = static_cast<double>(total_difference) / static_cast<double>(samples);
        EXPECT_LE(mean, 3.0) << name;
        EXPECT_GE(static_cast<double>(within16), 0.99 * static_cast<double>(samples)) << name;
    } else {
        EXPECT_EQ(wrong, 0u) << name << " " << want.width << "x" << want.height << ", " << first;
    }
}

INSTANTIATE_TEST_SUITE_P(Files, PictureCorpus, ::testing::ValuesIn(groups),
                         [](const auto& info) { return std::string(info.param.name); });

// Every picture of the corpus has its case above.
TEST(PictureCorpusFiles, EachFileIsTested) {
    make_corpus();
    std::set<std::string> listed;
    for (const corpus_group& g : groups)
        for (const corpus_case& c : g.files)
            listed.insert(c.file);
    size_t pictures = 0;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        const std::string name = entry.path().filename().string();
        if (has_suffix(name, ".pam") || name == "corpus.done") continue;
        ++pictures;
        EXPECT_TRUE(listed.count(name)) << name << " is made but not tested";
    }
    EXPECT_EQ(pictures, listed.size());
}

} // namespace
