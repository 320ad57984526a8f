#include "components/image/jpeg_reader.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace qinghe::image {
namespace {

struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void leave_on_error(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorTrap*>(info->err)->jump, 1);
}

void ignore_message(j_common_ptr) {}

// A progressive file may hold any number of scans, and each one costs a pass
// over the whole picture; real files have a dozen or so.
constexpr int kMaxScans = 256;

void limit_scans(j_common_ptr info) {
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans)
        leave_on_error(info);
}

// Runs between setjmp and a possible longjmp: all state it fills is the caller's.
void decompress(jpeg_decompress_struct& info, std::span<const uint8_t> bytes, DecodedImage& image) {
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (!fits_budget(info.image_width, info.image_height))
        leave_on_error(reinterpret_cast<j_common_ptr>(&info));
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK)
        leave_on_error(reinterpret_cast<j_common_ptr>(&info));
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != 3) leave_on_error(reinterpret_cast<j_common_ptr>(&info));

    image = DecodedImage(int32_t(info.output_width), int32_t(info.output_height));
    JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               info.output_width * 3, 1);
    while (info.output_scanline < info.output_height) {
        uint32_t* out = &image.pixels[size_t(info.output_scanline) * info.output_width];
        jpeg_read_scanlines(&info, row, 1);
        const JSAMPLE* in = row[0];
        for (JDIMENSION x = 0; x < info.output_width; ++x, in += 3)
            out[x] = argb(in[0], in[1], in[2]);
    }
    jpeg_finish_decompress(&info);
}

}  // namespace

std::optional<DecodedImage> read_jpeg(std::span<const uint8_t> bytes) {
    jpeg_decompress_struct info{};
    ErrorTrap trap{};
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = leave_on_error;
    trap.manager.output_message = ignore_message;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = limit_scans;
    DecodedImage image;
    bool decoded = false;
    if (setjmp(trap.jump) == 0) {
        jpeg_create_decompress(&info);
        info.progress = &progress;
        decompress(info, bytes, image);
        decoded = true;
    }
    jpeg_destroy_decompress(&info);
    if (!decoded) return std::nullopt;
    return image;
}

}  // namespace qinghe::image
