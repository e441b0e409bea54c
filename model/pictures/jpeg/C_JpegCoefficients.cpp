#include "model/pictures/jpeg/C_JpegCoefficients.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <utility>

// After <cstdio>: libjpeg's header needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

// libjpeg reports a failure through error_exit, which must not return: it longjmps back to the
// setjmp of the function that called into libjpeg. Those functions (Open, CopyOut, Transcode)
// hold only trivially destructible locals and make no C++ object between their setjmp and their
// last libjpeg call, so the jump skips no destructor; what they fill was sized before.

namespace {

// A progressive file has about ten scans; a hostile one millions of empty ones, each a full
// pass over the coefficients: at most 1,000, and at most 2^28 blocks visited over all of them
// (a second or two; a 12-megapixel picture with ten scans visits 6 million).
constexpr int kMaxScans = 1000;
constexpr uint64_t kMaxBlockVisits = uint64_t{1} << 28;
// libjpeg's working memory beyond the coefficients themselves.
constexpr uint64_t kWorkingBytes = uint64_t{64} << 20;
constexpr size_t kFirstOutput = size_t{1} << 16;

struct S_Error {
    jpeg_error_mgr manager;  // first: libjpeg holds a jpeg_error_mgr*
    std::jmp_buf jump;
    char aMessage[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr pInfo)
{
    auto* pError = reinterpret_cast<S_Error*>(pInfo->err);
    (*pInfo->err->format_message)(pInfo, pError->aMessage);
    std::longjmp(pError->jump, 1);
}

// A warning is of corrupt data that libjpeg would read past: refused like an error.
void EmitMessage(j_common_ptr pInfo, int nLevel)
{
    if (nLevel < 0)
        ErrorExit(pInfo);
}

void CountScans(j_common_ptr pInfo)
{
    if (!pInfo->is_decompressor)
        return;
    const auto* pDecoder = reinterpret_cast<j_decompress_ptr>(pInfo);
    uint64_t nBlocks = 0;
    for (int c = 0; c < pDecoder->num_components; ++c)
        nBlocks += uint64_t{pDecoder->comp_info[c].width_in_blocks} * pDecoder->comp_info[c].height_in_blocks;
    const auto nScans = static_cast<uint64_t>(std::max(pDecoder->input_scan_number, 0));
    if (nScans > kMaxScans || nScans * nBlocks > kMaxBlockVisits) {
        auto* pError = reinterpret_cast<S_Error*>(pInfo->err);
        std::snprintf(pError->aMessage, sizeof pError->aMessage, "more scans (%llu) than a picture of its size needs",
            static_cast<unsigned long long>(nScans));
        std::longjmp(pError->jump, 1);
    }
}

// The written file, in memory libjpeg's callbacks grow with realloc (no C++ allocation, which
// could throw through C): freed by whoever holds the S_Sink.
struct S_Sink {
    jpeg_destination_mgr manager;  // first: libjpeg holds a jpeg_destination_mgr*
    unsigned char* pBuffer;
    size_t nCapacity;
    size_t nUsed;
};

[[noreturn]] void OutOfMemory(j_compress_ptr pInfo)
{
    pInfo->err->msg_code = JERR_OUT_OF_MEMORY;
    (*pInfo->err->error_exit)(reinterpret_cast<j_common_ptr>(pInfo));
    std::abort();  // error_exit does not return
}

void StartSink(j_compress_ptr pInfo)
{
    auto* pSink = reinterpret_cast<S_Sink*>(pInfo->dest);
    pSink->pBuffer = static_cast<unsigned char*>(std::malloc(kFirstOutput));
    if (!pSink->pBuffer)
        OutOfMemory(pInfo);
    pSink->nCapacity = kFirstOutput;
    pSink->manager.next_output_byte = pSink->pBuffer;
    pSink->manager.free_in_buffer = kFirstOutput;
}

boolean GrowSink(j_compress_ptr pInfo)
{
    auto* pSink = reinterpret_cast<S_Sink*>(pInfo->dest);
    // libjpeg asks only when the buffer is full.
    const size_t nOld = pSink->nCapacity;
    auto* pGrown = static_cast<unsigned char*>(std::realloc(pSink->pBuffer, 2 * nOld));
    if (!pGrown)
        OutOfMemory(pInfo);
    pSink->pBuffer = pGrown;
    pSink->nCapacity = 2 * nOld;
    pSink->manager.next_output_byte = pGrown + nOld;
    pSink->manager.free_in_buffer = nOld;
    return TRUE;
}

void EndSink(j_compress_ptr pInfo)
{
    auto* pSink = reinterpret_cast<S_Sink*>(pInfo->dest);
    pSink->nUsed = pSink->nCapacity - pSink->manager.free_in_buffer;
}

// One read or transcode: libjpeg's objects and what their callbacks share.
struct S_Job {
    S_Job()
    {
        std::memset(&decoder, 0, sizeof decoder);
        std::memset(&encoder, 0, sizeof encoder);
        std::memset(&standard, 0, sizeof standard);
        std::memset(&sink, 0, sizeof sink);
        decoder.err = jpeg_std_error(&error.manager);
        encoder.err = &error.manager;
        standard.err = &error.manager;
        error.manager.error_exit = ErrorExit;
        error.manager.emit_message = EmitMessage;
        error.aMessage[0] = '\0';
        progress.progress_monitor = CountScans;
        sink.manager.init_destination = StartSink;
        sink.manager.empty_output_buffer = GrowSink;
        sink.manager.term_destination = EndSink;
    }
    ~S_Job()
    {
        Destroy();
        std::free(sink.pBuffer);
    }
    S_Job(const S_Job&) = delete;
    S_Job& operator=(const S_Job&) = delete;

    void Destroy()
    {
        if (bDecoder)
            jpeg_destroy_decompress(&decoder);
        if (bEncoder)
            jpeg_destroy_compress(&encoder);
        if (bStandard)
            jpeg_destroy_compress(&standard);
        bDecoder = bEncoder = bStandard = false;
    }

    jpeg_decompress_struct decoder;
    jpeg_compress_struct encoder;
    jpeg_compress_struct standard;  // holds the standard Huffman tables to compare with
    S_Error error;
    jpeg_progress_mgr progress{};
    S_Sink sink;
    jvirt_barray_ptr* pArrays = nullptr;
    bool bDecoder = false;
    bool bEncoder = false;
    bool bStandard = false;
};

uint64_t CoefficientCount(const jpeg_decompress_struct& info)
{
    uint64_t nCount = 0;
    for (int c = 0; c < info.num_components; ++c)
        nCount += uint64_t{info.comp_info[c].width_in_blocks} * info.comp_info[c].height_in_blocks * DCTSIZE2;
    return nCount;
}

// Reads the header and every scan into libjpeg's block arrays (pJob->pArrays), the APPn and
// COM segments saved whole; refuses more than nMaxCoefficients coefficients before holding any.
bool Open(S_Job* pJob, const uint8_t* pFile, size_t nFile, uint64_t nMaxCoefficients)
{
    if (setjmp(pJob->error.jump)) {
        pJob->Destroy();
        return false;
    }
    jpeg_create_decompress(&pJob->decoder);
    pJob->bDecoder = true;
    pJob->decoder.progress = &pJob->progress;
    jpeg_mem_src(&pJob->decoder, pFile, static_cast<unsigned long>(nFile));
    jpeg_save_markers(&pJob->decoder, JPEG_COM, 0xFFFF);
    for (int n = 0; n < 16; ++n)
        jpeg_save_markers(&pJob->decoder, JPEG_APP0 + n, 0xFFFF);
    jpeg_read_header(&pJob->decoder, TRUE);
    const uint64_t nCount = CoefficientCount(pJob->decoder);
    if (nCount > nMaxCoefficients) {
        std::snprintf(pJob->error.aMessage, sizeof pJob->error.aMessage,
            "the picture holds %llu coefficients, more than the %llu allowed", static_cast<unsigned long long>(nCount),
            static_cast<unsigned long long>(nMaxCoefficients));
        pJob->Destroy();
        return false;
    }
    pJob->decoder.mem->max_memory_to_use = static_cast<long>(2 * nCount + kWorkingBytes);
    pJob->pArrays = jpeg_read_coefficients(&pJob->decoder);
    return true;
}

// Copies the block arrays into ppOut[c] (sized to the component's blocks), or when ppOut is
// null, ppIn[c] into the arrays.
bool CopyBlocks(S_Job* pJob, int16_t* const* ppOut, const int16_t* const* ppIn)
{
    if (setjmp(pJob->error.jump)) {
        pJob->Destroy();
        return false;
    }
    j_common_ptr pCommon = reinterpret_cast<j_common_ptr>(&pJob->decoder);
    for (int c = 0; c < pJob->decoder.num_components; ++c) {
        const jpeg_component_info& component = pJob->decoder.comp_info[c];
        for (JDIMENSION y = 0; y < component.height_in_blocks; ++y) {
            JBLOCKARRAY rows =
                (*pJob->decoder.mem->access_virt_barray)(pCommon, pJob->pArrays[c], y, 1, ppOut ? FALSE : TRUE);
            const size_t nRow = size_t{y} * component.width_in_blocks * DCTSIZE2;
            for (JDIMENSION x = 0; x < component.width_in_blocks; ++x) {
                JCOEF* pBlock = rows[0][x];
                const size_t nAt = nRow + size_t{x} * DCTSIZE2;
                if (ppOut)
                    std::memcpy(ppOut[c] + nAt, pBlock, DCTSIZE2 * sizeof(JCOEF));
                else
                    std::memcpy(pBlock, ppIn[c] + nAt, DCTSIZE2 * sizeof(JCOEF));
            }
        }
    }
    return true;
}

bool SameTable(const JHUFF_TBL* pA, const JHUFF_TBL* pB)
{
    if (!pA || !pB)
        return pA == pB;
    int nValues = 0;
    for (int k = 1; k <= 16; ++k) {
        if (pA->bits[k] != pB->bits[k])
            return false;
        nValues += pA->bits[k];
    }
    return nValues <= 256 && std::memcmp(pA->huffval, pB->huffval, static_cast<size_t>(nValues)) == 0;
}

// Writes the opened source's coding parameters with the block arrays as they are now, the scans
// in pScans (nScans of them; none: libjpeg's single sequential scan) and the saved segments.
bool Transcode(S_Job* pJob, const jpeg_scan_info* pScans, int nScans)
{
    if (setjmp(pJob->error.jump)) {
        pJob->Destroy();
        return false;
    }
    jpeg_decompress_struct& source = pJob->decoder;
    jpeg_compress_struct& target = pJob->encoder;
    jpeg_create_compress(&target);
    pJob->bEncoder = true;
    target.dest = &pJob->sink.manager;
    jpeg_copy_critical_parameters(&source, &target);
    // The source's own APP0 and APP14, if it had them, come back with its other segments.
    target.write_JFIF_header = FALSE;
    target.write_Adobe_marker = FALSE;
    target.restart_interval = source.restart_interval;
    target.arith_code = source.arith_code;
    if (nScans > 0) {
        target.scan_info = pScans;
        target.num_scans = nScans;
    }
    // The standard Huffman tables stay; tables fitted to the source are fitted again.
    jpeg_create_compress(&pJob->standard);
    pJob->bStandard = true;
    pJob->standard.in_color_space = JCS_RGB;
    pJob->standard.input_components = 3;
    jpeg_set_defaults(&pJob->standard);
    bool bStandard = true;
    for (int n = 0; n < NUM_HUFF_TBLS; ++n) {
        const bool bKnown = n < 2;
        if (source.dc_huff_tbl_ptrs[n]
            && (!bKnown || !SameTable(source.dc_huff_tbl_ptrs[n], pJob->standard.dc_huff_tbl_ptrs[n])))
            bStandard = false;
        if (source.ac_huff_tbl_ptrs[n]
            && (!bKnown || !SameTable(source.ac_huff_tbl_ptrs[n], pJob->standard.ac_huff_tbl_ptrs[n])))
            bStandard = false;
    }
    target.optimize_coding = bStandard || source.arith_code ? FALSE : TRUE;
    jpeg_write_coefficients(&target, pJob->pArrays);
    for (jpeg_saved_marker_ptr pMarker = source.marker_list; pMarker; pMarker = pMarker->next)
        jpeg_write_marker(&target, pMarker->marker, pMarker->data, pMarker->data_length);
    jpeg_finish_compress(&target);
    jpeg_finish_decompress(&source);
    pJob->Destroy();
    return true;
}

// Reads the header alone.
bool Header(S_Job* pJob, const uint8_t* pFile, size_t nFile)
{
    if (setjmp(pJob->error.jump)) {
        pJob->Destroy();
        return false;
    }
    jpeg_create_decompress(&pJob->decoder);
    pJob->bDecoder = true;
    jpeg_mem_src(&pJob->decoder, pFile, static_cast<unsigned long>(nFile));
    jpeg_read_header(&pJob->decoder, TRUE);
    return true;
}

// After Header: the colour space the pixels come out in, and their geometry.
bool PlanPixels(S_Job* pJob)
{
    if (setjmp(pJob->error.jump)) {
        pJob->Destroy();
        return false;
    }
    jpeg_decompress_struct& info = pJob->decoder;
    info.progress = &pJob->progress;
    if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK)
        info.out_color_space = JCS_CMYK;
    else if (info.num_components == 1)
        info.out_color_space = JCS_GRAYSCALE;
    else
        info.out_color_space = JCS_RGB;
    info.dct_method = JDCT_ISLOW;
    jpeg_calc_output_dimensions(&info);
    return true;
}

// After PlanPixels: every row into pOut, nStride bytes apart (sized by the caller).
bool ReadRows(S_Job* pJob, uint8_t* pOut, size_t nStride)
{
    if (setjmp(pJob->error.jump)) {
        pJob->Destroy();
        return false;
    }
    jpeg_decompress_struct& info = pJob->decoder;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW pRow = pOut + size_t{info.output_scanline} * nStride;
        jpeg_read_scanlines(&info, &pRow, 1);
    }
    jpeg_finish_decompress(&info);
    pJob->Destroy();
    return true;
}

bool CompressRows(
    S_Job* pJob, const uint8_t* pPixels, uint32_t nWidth, uint32_t nHeight, size_t nStride, int nChannels, int nQuality)
{
    if (setjmp(pJob->error.jump)) {
        pJob->Destroy();
        return false;
    }
    jpeg_compress_struct& target = pJob->encoder;
    jpeg_create_compress(&target);
    pJob->bEncoder = true;
    target.dest = &pJob->sink.manager;
    target.image_width = nWidth;
    target.image_height = nHeight;
    target.input_components = nChannels;
    target.in_color_space = nChannels == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&target);
    jpeg_set_quality(&target, nQuality, TRUE);
    target.write_JFIF_header = TRUE;
    jpeg_start_compress(&target, TRUE);
    while (target.next_scanline < target.image_height) {
        // libjpeg reads the row, never writes it.
        auto pRow = const_cast<JSAMPROW>(pPixels + size_t{target.next_scanline} * nStride);
        jpeg_write_scanlines(&target, &pRow, 1);
    }
    jpeg_finish_compress(&target);
    pJob->Destroy();
    return true;
}

// The natural (row by row) index of each zig-zag position.
constexpr int kNaturalOrder[DCTSIZE2] = {0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52,
    45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

uint16_t Big16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

}  // namespace

std::vector<C_JpegCoefficients::S_Scan> C_JpegCoefficients::ScansOf(std::span<const uint8_t> file)
{
    std::vector<S_Scan> scans;
    const size_t n = file.size();
    if (n < 4 || file[0] != 0xFF || file[1] != 0xD8)
        return {};
    size_t i = 2;
    while (i + 1 < n) {
        if (file[i] != 0xFF)
            return {};
        while (i + 1 < n && file[i + 1] == 0xFF)  // fill bytes
            ++i;
        if (i + 1 >= n)
            return {};
        const uint8_t nMarker = file[i + 1];
        i += 2;
        if (nMarker == 0xD9)
            return scans;
        if (nMarker == 0x01 || (nMarker >= 0xD0 && nMarker <= 0xD7))
            continue;
        if (i + 2 > n || Big16(&file[i]) < 2 || i + Big16(&file[i]) > n)
            return {};
        const size_t nLength = Big16(&file[i]);
        if (nMarker == 0xDA) {
            const uint8_t* p = &file[i + 2];
            const size_t nBody = nLength - 2;
            if (nBody < 1 || scans.size() >= size_t{kMaxScans})
                return {};
            const size_t nCount = p[0];
            if (nCount < 1 || nCount > MAX_COMPS_IN_SCAN || nBody != 1 + 2 * nCount + 3)
                return {};
            S_Scan scan;
            for (size_t k = 0; k < nCount; ++k)
                scan.componentIds.push_back(p[1 + 2 * k]);
            scan.nSpectralStart = p[1 + 2 * nCount];
            scan.nSpectralEnd = p[2 + 2 * nCount];
            scan.nHighBit = p[3 + 2 * nCount] >> 4;
            scan.nLowBit = p[3 + 2 * nCount] & 15;
            scans.push_back(std::move(scan));
            i += nLength;
            // The entropy-coded data runs to the next marker other than a restart (0xFF 0x00 is
            // a coded 0xFF).
            while (
                i + 1 < n && !(file[i] == 0xFF && file[i + 1] != 0x00 && !(file[i + 1] >= 0xD0 && file[i + 1] <= 0xD7)))
                ++i;
            continue;
        }
        i += nLength;
    }
    return {};
}

bool C_JpegCoefficients::Read(std::span<const uint8_t> file, uint64_t nMaxCoefficients, std::string& strError)
{
    *this = C_JpegCoefficients();
    strError.clear();
    C_JpegCoefficients read;
    read.m_source.assign(file.begin(), file.end());
    const auto pJob = std::make_unique<S_Job>();
    if (!Open(pJob.get(), read.m_source.data(), read.m_source.size(), nMaxCoefficients)) {
        strError = pJob->error.aMessage;
        return false;
    }
    const jpeg_decompress_struct& info = pJob->decoder;
    read.m_nWidth = info.image_width;
    read.m_nHeight = info.image_height;
    read.m_bProgressive = info.progressive_mode != FALSE;
    read.m_bArithmetic = info.arith_code != FALSE;
    read.m_nRestartInterval = info.restart_interval;
    std::vector<int16_t*> targets;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& source = info.comp_info[c];
        S_Component component;
        component.nId = source.component_id;
        component.nHorizontal = source.h_samp_factor;
        component.nVertical = source.v_samp_factor;
        component.nQuantTable = source.quant_tbl_no;
        component.nBlocksWide = source.width_in_blocks;
        component.nBlocksHigh = source.height_in_blocks;
        component.coefficients.resize(size_t{source.width_in_blocks} * source.height_in_blocks * DCTSIZE2);
        read.m_components.push_back(std::move(component));
    }
    for (S_Component& component : read.m_components)
        targets.push_back(component.coefficients.data());
    read.m_quantTables.resize(NUM_QUANT_TBLS);
    for (int n = 0; n < NUM_QUANT_TBLS; ++n)
        if (const JQUANT_TBL* pTable = info.quant_tbl_ptrs[n])
            read.m_quantTables[n].assign(pTable->quantval, pTable->quantval + DCTSIZE2);
    for (jpeg_saved_marker_ptr pMarker = info.marker_list; pMarker; pMarker = pMarker->next)
        read.m_markers.push_back(
            {pMarker->marker, std::vector<uint8_t>(pMarker->data, pMarker->data + pMarker->data_length)});
    if (!CopyBlocks(pJob.get(), targets.data(), nullptr)) {
        strError = pJob->error.aMessage;
        return false;
    }
    // The scans come back as they were: every one must name components of the frame.
    read.m_scans = ScansOf(read.m_source);
    if (read.m_scans.empty()) {
        strError = "its scans could not be followed";
        return false;
    }
    // The lowest bit each scan script carries of each coefficient (by natural index), none past
    // the last: 16. libjpeg lets a run of corrupt data place a value past its scan's last
    // coefficient, or below the bits its scans carry; written back with the same scans such a
    // value could not be carried, so the file is refused as damaged.
    for (S_Component& component : read.m_components) {
        int aLowestBit[DCTSIZE2];
        std::fill(std::begin(aLowestBit), std::end(aLowestBit), 16);
        for (const S_Scan& scan : read.m_scans)
            if (std::find(scan.componentIds.begin(), scan.componentIds.end(), component.nId) != scan.componentIds.end())
                for (int z = scan.nSpectralStart; z <= scan.nSpectralEnd && z < DCTSIZE2; ++z)
                    aLowestBit[kNaturalOrder[z]] = std::min(aLowestBit[kNaturalOrder[z]], scan.nLowBit);
        for (int k = 0; k < DCTSIZE2; ++k)
            component.lowestBit[static_cast<size_t>(k)] = static_cast<uint8_t>(std::min(aLowestBit[k], 16));
        for (size_t i = 0; i < component.coefficients.size(); ++i) {
            // An 8-bit JPEG codes DC values within 2047 and AC values within 1023 of zero;
            // damaged data can decode to more (arithmetic coding reads up to 2^15), which no
            // encoder writes back so that it reads again.
            const int nLimit = i % DCTSIZE2 == 0 ? 2047 : 1023;
            if (component.coefficients[i] > nLimit || component.coefficients[i] < -nLimit) {
                strError = "a coefficient is out of JPEG's range: the data is damaged";
                return false;
            }
            const uint32_t nMissing = (uint32_t{1} << aLowestBit[i % DCTSIZE2]) - 1;
            if ((static_cast<uint32_t>(int32_t{component.coefficients[i]}) & nMissing) != 0) {
                strError = "a coefficient holds bits no scan of its component carries: the data is damaged";
                return false;
            }
        }
    }
    for (const S_Scan& scan : read.m_scans)
        for (const int nId : scan.componentIds)
            if (std::none_of(read.m_components.begin(), read.m_components.end(),
                    [nId](const S_Component& component) { return component.nId == nId; })) {
                strError = "a scan names a component the frame does not have";
                return false;
            }
    *this = std::move(read);
    return true;
}

bool C_JpegCoefficients::Write(std::vector<uint8_t>& file, std::string& strError) const
{
    file.clear();
    strError.clear();
    const auto pJob = std::make_unique<S_Job>();
    if (m_source.empty() || !Open(pJob.get(), m_source.data(), m_source.size(), UINT64_MAX)) {
        strError = m_source.empty() ? "no picture was read" : pJob->error.aMessage;
        return false;
    }
    if (pJob->decoder.num_components != static_cast<int>(m_components.size())) {
        strError = "the components do not match the picture";
        return false;
    }
    std::vector<const int16_t*> sources;
    for (int c = 0; c < pJob->decoder.num_components; ++c) {
        const S_Component& component = m_components[static_cast<size_t>(c)];
        const jpeg_component_info& info = pJob->decoder.comp_info[c];
        if (component.nBlocksWide != info.width_in_blocks || component.nBlocksHigh != info.height_in_blocks
            || component.coefficients.size() != size_t{info.width_in_blocks} * info.height_in_blocks * DCTSIZE2) {
            strError = "the components do not match the picture";
            return false;
        }
        sources.push_back(component.coefficients.data());
    }
    if (!CopyBlocks(pJob.get(), nullptr, sources.data())) {
        strError = pJob->error.aMessage;
        return false;
    }
    // One scan as libjpeg writes by default needs no script; anything else keeps the source's.
    std::vector<jpeg_scan_info> script;
    if (m_bProgressive || m_scans.size() > 1) {
        for (const S_Scan& scan : m_scans) {
            jpeg_scan_info info{};
            info.comps_in_scan = static_cast<int>(scan.componentIds.size());
            for (size_t k = 0; k < scan.componentIds.size(); ++k)
                for (size_t c = 0; c < m_components.size(); ++c)
                    if (m_components[c].nId == scan.componentIds[k])
                        info.component_index[k] = static_cast<int>(c);
            info.Ss = scan.nSpectralStart;
            info.Se = scan.nSpectralEnd;
            info.Ah = scan.nHighBit;
            info.Al = scan.nLowBit;
            script.push_back(info);
        }
    }
    if (!Transcode(pJob.get(), script.empty() ? nullptr : script.data(), static_cast<int>(script.size()))) {
        strError = pJob->error.aMessage;
        return false;
    }
    file.assign(pJob->sink.pBuffer, pJob->sink.pBuffer + pJob->sink.nUsed);
    return true;
}

bool C_JpegCoefficients::ReadHeader(std::span<const uint8_t> file, S_Header& header, std::string& strError)
{
    header = S_Header();
    strError.clear();
    const auto pJob = std::make_unique<S_Job>();
    if (!Header(pJob.get(), file.data(), file.size())) {
        strError = pJob->error.aMessage;
        return false;
    }
    header.nWidth = pJob->decoder.image_width;
    header.nHeight = pJob->decoder.image_height;
    header.nComponents = pJob->decoder.num_components;
    // jpeg_read_header has worked out the components' blocks.
    header.nCoefficients = CoefficientCount(pJob->decoder);
    return true;
}

bool C_JpegCoefficients::DecodePixels(
    bool bSource, uint64_t nMaxBytes, std::vector<uint8_t>& pixels, int& nChannels, std::string& strError) const
{
    pixels.clear();
    nChannels = 0;
    strError.clear();
    std::vector<uint8_t> written;
    if (!bSource && !Write(written, strError))
        return false;
    const std::vector<uint8_t>& file = bSource ? m_source : written;
    const auto pJob = std::make_unique<S_Job>();
    if (file.empty() || !Header(pJob.get(), file.data(), file.size()) || !PlanPixels(pJob.get())) {
        strError = file.empty() ? "no picture was read" : pJob->error.aMessage;
        return false;
    }
    const jpeg_decompress_struct& info = pJob->decoder;
    const int nOut = info.output_components;
    const uint64_t nStride = uint64_t{info.output_width} * static_cast<uint64_t>(nOut);
    const uint64_t nBytes = nStride * info.output_height;
    if (nOut != 1 && nOut != 3 && nOut != 4) {
        strError = "its colour space has no pixels to show";
        return false;
    }
    if (nBytes == 0 || nBytes > nMaxBytes) {
        strError = "its pixels would take more memory than allowed";
        return false;
    }
    // Adobe writes CMYK inverted (its APP14 says so): each byte is then 255 - ink.
    const bool bInverted = info.saw_Adobe_marker != FALSE;
    pixels.resize(static_cast<size_t>(nBytes));
    if (!ReadRows(pJob.get(), pixels.data(), static_cast<size_t>(nStride))) {
        strError = pJob->error.aMessage;
        pixels.clear();
        return false;
    }
    nChannels = nOut == 4 ? 3 : nOut;
    if (nOut == 4) {
        // Red is the light that cyan and black leave: (255 - C) (255 - K) / 255, and so on.
        const size_t nPixels = pixels.size() / 4;
        for (size_t i = 0; i < nPixels; ++i) {
            const uint8_t* p = pixels.data() + 4 * i;
            unsigned aLight[4];
            for (int k = 0; k < 4; ++k)
                aLight[k] = bInverted ? p[k] : 255u - p[k];
            uint8_t aRgb[3];
            for (int k = 0; k < 3; ++k)
                aRgb[k] = static_cast<uint8_t>((aLight[k] * aLight[3] + 127) / 255);
            std::memcpy(pixels.data() + 3 * i, aRgb, 3);
        }
        pixels.resize(nPixels * 3);
    }
    return true;
}

bool C_JpegCoefficients::Compress(const uint8_t* pPixels, uint32_t nWidth, uint32_t nHeight, size_t nStride,
    int nChannels, int nQuality, std::vector<uint8_t>& file, std::string& strError)
{
    file.clear();
    strError.clear();
    if (!pPixels || nWidth == 0 || nHeight == 0 || nWidth > JPEG_MAX_DIMENSION || nHeight > JPEG_MAX_DIMENSION
        || (nChannels != 1 && nChannels != 3) || nStride < size_t{nWidth} * static_cast<size_t>(nChannels)) {
        strError = "JPEG cannot hold this picture";
        return false;
    }
    const auto pJob = std::make_unique<S_Job>();
    if (!CompressRows(pJob.get(), pPixels, nWidth, nHeight, nStride, nChannels, std::clamp(nQuality, 1, 100))) {
        strError = pJob->error.aMessage;
        return false;
    }
    file.assign(pJob->sink.pBuffer, pJob->sink.pBuffer + pJob->sink.nUsed);
    return true;
}
