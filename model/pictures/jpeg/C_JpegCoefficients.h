#pragma once
// A JPEG file as its quantised DCT coefficients, never decoded to pixels: read with libjpeg's
// coefficient interface and written back with the same coding (quantisation tables, sampling
// factors, component order, restart interval, the same scans in the same order, arithmetic or
// Huffman coding) and every APPn and COM segment of the source byte for byte, in its order after
// the start of the file. Only the coefficients may differ, as the caller changed them. Huffman
// tables: the file's own where they are the standard ones, optimised again where they were not
// (optimised tables are the picture's own statistics, which a change of coefficients alters).
//
// Pixels are for viewing and comparing only: DecodePixels gives what libjpeg shows of the
// coefficients, and Compress makes a new JPEG of a picture that has no coefficients of its own.
//
// A file is hostile until read: libjpeg's errors and its warnings about corrupt data both refuse
// it, and the coefficients' count is checked against the caller's limit before any is held.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class C_JpegCoefficients {
public:
    struct S_Component {
        int nId = 0;          // the frame's component identifier
        int nHorizontal = 1;  // sampling factors
        int nVertical = 1;
        int nQuantTable = 0;
        uint32_t nBlocksWide = 0;  // blocks of 8 x 8 coefficients over the component's samples
        uint32_t nBlocksHigh = 0;
        // 64 coefficients a block in the zig-zag-free natural order (row by row within the
        // block), blocks row by row: block (x, y) starts at 64 (y nBlocksWide + x).
        std::vector<int16_t> coefficients;
        // The lowest bit the file's scans carry of each coefficient (natural index): 0 but in a
        // progressive file whose last refinement of a coefficient stops above bit 0, whose
        // lower bits are then always zero (16 for a coefficient no scan carries).
        std::array<uint8_t, 64> lowestBit{};
    };
    // What a file's header declares, read without its scans.
    struct S_Header {
        uint32_t nWidth = 0;
        uint32_t nHeight = 0;
        int nComponents = 0;
        uint64_t nCoefficients = 0;
    };
    struct S_Marker {
        uint8_t nCode = 0;          // 0xE0 + n for APPn, 0xFE for COM
        std::vector<uint8_t> data;  // the segment's bytes after its length field
    };
    // One scan as its SOS header gives it.
    struct S_Scan {
        std::vector<int> componentIds;
        int nSpectralStart = 0;
        int nSpectralEnd = 63;
        int nHighBit = 0;  // successive approximation: Ah and Al
        int nLowBit = 0;
    };

    // Reads file; false with strError saying why, and nothing held, when libjpeg refuses it, it
    // warns of corrupt data, a coefficient holds bits its scans do not carry (damage libjpeg
    // reads past), or it holds more than nMaxCoefficients coefficients (the caller's consent
    // limit: a tiny file may declare a huge picture). The bytes are kept for Write.
    bool Read(std::span<const uint8_t> file, uint64_t nMaxCoefficients, std::string& strError);
    // The header alone, for a caller that weighs the cost of reading the rest first; false with
    // strError when libjpeg refuses it.
    static bool ReadHeader(std::span<const uint8_t> file, S_Header& header, std::string& strError);
    // The source with the coefficients as they are now; false with strError when libjpeg
    // refuses (a coefficient out of its range, say).
    bool Write(std::vector<uint8_t>& file, std::string& strError) const;

    // The pixels libjpeg decodes: of the file as read (bSource), or of the coefficients as they
    // are now. Rows top to bottom without padding; red, green, blue (CMYK and YCCK files
    // converted), or gray for a one-component file (nChannels 1). False with strError when
    // libjpeg refuses or more than nMaxBytes would be needed.
    bool DecodePixels(
        bool bSource, uint64_t nMaxBytes, std::vector<uint8_t>& pixels, int& nChannels, std::string& strError) const;
    // A new baseline JPEG of nChannels (1: gray, 3: red, green, blue) 8-bit samples, rows
    // nStride bytes apart, at libjpeg's quality nQuality (1 to 100).
    static bool Compress(const uint8_t* pPixels, uint32_t nWidth, uint32_t nHeight, size_t nStride, int nChannels,
        int nQuality, std::vector<uint8_t>& file, std::string& strError);

    uint32_t Width() const { return m_nWidth; }
    uint32_t Height() const { return m_nHeight; }
    bool Progressive() const { return m_bProgressive; }
    bool Arithmetic() const { return m_bArithmetic; }
    unsigned RestartInterval() const { return m_nRestartInterval; }
    std::vector<S_Component>& Components() { return m_components; }
    const std::vector<S_Component>& Components() const { return m_components; }
    const std::vector<S_Marker>& Markers() const { return m_markers; }
    const std::vector<S_Scan>& Scans() const { return m_scans; }
    // The 64 quantisation steps (natural order) of each table the frame uses, by table number.
    const std::vector<std::vector<uint16_t>>& QuantTables() const { return m_quantTables; }

    // The scans of a file that libjpeg has read without complaint, from its SOS headers; empty
    // when the bytes do not parse.
    static std::vector<S_Scan> ScansOf(std::span<const uint8_t> file);

private:
    std::vector<uint8_t> m_source;
    uint32_t m_nWidth = 0;
    uint32_t m_nHeight = 0;
    bool m_bProgressive = false;
    bool m_bArithmetic = false;
    unsigned m_nRestartInterval = 0;
    std::vector<S_Component> m_components;
    std::vector<S_Marker> m_markers;
    std::vector<S_Scan> m_scans;
    std::vector<std::vector<uint16_t>> m_quantTables;
};
