#include "pictures.h"

#include <csetjmp>
#include <cstdlib>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "osd.h"

#ifdef TAPSIM_JPEG
#include <jpeglib.h>
#endif

namespace tapsim {

std::vector<uint32_t> video_picture(int w, int h) {
    std::vector<uint32_t> px(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            px[static_cast<size_t>(y) * w + x] = video_pixel(x, y, w, h);
    return px;
}

#ifdef TAPSIM_JPEG
namespace {

struct jpeg_failure {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void on_jpeg_error(j_common_ptr info) {
    std::longjmp(reinterpret_cast<jpeg_failure*>(info->err)->jump, 1);
}

// Decodes into rgb (3 bytes a pixel) at a libjpeg scale no smaller than the target.
bool decode(const std::vector<unsigned char>& file, int want_w, int want_h,
            std::vector<uint8_t>* rgb, int* w, int* h) {
    jpeg_decompress_struct cinfo;
    jpeg_failure fail;
    cinfo.err = jpeg_std_error(&fail.mgr);
    fail.mgr.error_exit = on_jpeg_error;
    fail.mgr.output_message = [](j_common_ptr) {};
    if (setjmp(fail.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    cinfo.out_color_space = JCS_RGB;
    unsigned num = 8;
    while (num > 1 && cinfo.image_width * (num - 1) / 8 >= static_cast<unsigned>(want_w) &&
           cinfo.image_height * (num - 1) / 8 >= static_cast<unsigned>(want_h))
        --num;
    cinfo.scale_num = num;
    cinfo.scale_denom = 8;
    jpeg_start_decompress(&cinfo);
    *w = static_cast<int>(cinfo.output_width);
    *h = static_cast<int>(cinfo.output_height);
    rgb->assign(static_cast<size_t>(*w) * *h * 3, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = rgb->data() + static_cast<size_t>(cinfo.output_scanline) * *w * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace

std::string jpeg_encode(const std::function<uint32_t(int, int)>& pixel, int w, int h,
                        const std::string& comment, int quality) {
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    if (!comment.empty())
        jpeg_write_marker(&c, JPEG_COM, reinterpret_cast<const JOCTET*>(comment.data()),
                          static_cast<unsigned>(comment.size()));
    std::vector<JSAMPLE> row(static_cast<size_t>(w) * 3);
    while (c.next_scanline < c.image_height) {
        const int y = static_cast<int>(c.next_scanline);
        for (int x = 0; x < w; ++x) {
            uint32_t p = pixel(x, y);
            row[3 * x] = static_cast<JSAMPLE>(p >> 16);
            row[3 * x + 1] = static_cast<JSAMPLE>(p >> 8);
            row[3 * x + 2] = static_cast<JSAMPLE>(p);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::string bytes(reinterpret_cast<char*>(out), size);
    std::free(out);
    return bytes;
}

bool jpeg_decode_scaled(const std::string& path, int w, int h, std::vector<uint32_t>* out) {
    std::error_code ec;
    if (w <= 0 || h <= 0 || !std::filesystem::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::vector<unsigned char> file((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    std::vector<uint8_t> rgb;
    int sw, sh;
    if (file.size() < 4 || !decode(file, w, h, &rgb, &sw, &sh) || sw <= 0 || sh <= 0) return false;
    out->assign(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row =
            rgb.data() + static_cast<size_t>(y * static_cast<int64_t>(sh) / h) * sw * 3;
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = row + static_cast<size_t>(x * static_cast<int64_t>(sw) / w) * 3;
            (*out)[static_cast<size_t>(y) * w + x] = 0xFF000000u |
                                                     static_cast<uint32_t>(p[0]) << 16 |
                                                     static_cast<uint32_t>(p[1]) << 8 | p[2];
        }
    }
    return true;
}
#else
bool jpeg_decode_scaled(const std::string&, int, int, std::vector<uint32_t>*) {
    return false;
}
std::string jpeg_encode(const std::function<uint32_t(int, int)>&, int, int, const std::string&,
                        int) {
    return "";
}
#endif

} // namespace tapsim
