#include "tests/support/C_TestJpeg.h"

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

std::vector<uint8_t> C_TestJpeg::Make(
    const S_Options& options, const std::vector<C_JpegCoefficients::S_Marker>& segments)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* pOut = nullptr;
    unsigned long nOut = 0;
    jpeg_mem_dest(&info, &pOut, &nOut);
    info.image_width = static_cast<JDIMENSION>(options.nWidth);
    info.image_height = static_cast<JDIMENSION>(options.nHeight);
    info.input_components = options.nComponents;
    info.in_color_space = options.nComponents == 3 ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, options.nQuality, TRUE);
    info.comp_info[0].h_samp_factor = options.nLumaHorizontal;
    info.comp_info[0].v_samp_factor = options.nLumaVertical;
    info.optimize_coding = options.bOptimize ? TRUE : FALSE;
    info.restart_interval = options.nRestart;
    if (options.bProgressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    for (const C_JpegCoefficients::S_Marker& segment : segments)
        jpeg_write_marker(&info, segment.nCode, segment.data.data(), static_cast<unsigned>(segment.data.size()));
    std::vector<uint8_t> row(static_cast<size_t>(options.nWidth) * static_cast<size_t>(options.nComponents));
    uint32_t nNoise = options.nSeed;
    const auto nComponents = static_cast<size_t>(options.nComponents);
    while (info.next_scanline < info.image_height) {
        for (size_t i = 0; i < row.size(); ++i) {
            nNoise = nNoise * 1103515245u + 12345u;
            const unsigned nLevel = (nNoise >> 16) % static_cast<unsigned>(options.nNoise + 1);
            row[i] =
                static_cast<uint8_t>(3 * (i / nComponents) + 2 * info.next_scanline + 40 * (i % nComponents) + nLevel);
        }
        JSAMPROW pRow = row.data();
        jpeg_write_scanlines(&info, &pRow, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> file(pOut, pOut + nOut);
    jpeg_destroy_compress(&info);
    std::free(pOut);
    return file;
}
