#pragma once
// libjpeg-turbo called directly, as the peer the benchmarks compare our JPEG paths with: the
// plain decode of a file's bytes to RGB rows, nothing else.

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace bench {

struct BareJpegJump {
    jpeg_error_mgr mgr;
    std::jmp_buf buf;
};

[[noreturn]] inline void BareJpegFail(j_common_ptr c) {
    std::longjmp(reinterpret_cast<BareJpegJump*>(c->err)->buf, 1);
}

// Decodes JPEG bytes to RGB rows from the top; false on a library error.
inline bool BareJpegDecode(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& rgb) {
    jpeg_decompress_struct info{};
    BareJpegJump err;
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = BareJpegFail;
    bool ok = false;
    if (setjmp(err.buf) == 0) {
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
        jpeg_read_header(&info, TRUE);
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        rgb.resize(std::size_t{info.output_width} * info.output_height * 3);
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = &rgb[std::size_t{info.output_scanline} * info.output_width * 3];
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        ok = true;
    }
    jpeg_destroy_decompress(&info);
    return ok;
}

} // namespace bench
