// The baseline of every ratio: the bare libjpeg-turbo calls, blue-green-red
// samples, default settings plus quality with baseline forced.
#pragma once

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace corvane::bench {

// Returns the stream in malloc'ed memory, as the library's memory destination gives it.
inline std::pair<unsigned char*, unsigned long> BareEncode(const std::vector<JSAMPROW>& rows, int width,
                                                           int quality) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(rows.size());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    jpeg_write_scanlines(&cinfo, const_cast<JSAMPARRAY>(rows.data()), static_cast<JDIMENSION>(rows.size()));
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return {buffer, size};
}

// Decodes into rows the caller laid out; `rowsFor` is called once the size is
// known and returns the row addresses (top row first). Rows are handed over
// all at once, so the library fills whole row groups per call.
template <class RowsFor>
void BareDecode(const std::uint8_t* data, std::size_t size, RowsFor rowsFor) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const std::vector<JSAMPROW>& rows = rowsFor(cinfo.output_width, cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, const_cast<JSAMPARRAY>(rows.data()) + cinfo.output_scanline,
                            cinfo.output_height - cinfo.output_scanline);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

}  // namespace corvane::bench
