// Reveal over hostile pixel bytes with a hostile pass phrase: it must never crash, never read
// outside the pixels, and never allocate more than a record that fits N could need.
//
// Input: flags, pass phrase length (low 4 bits) and the pass phrase, then per flag:
//   kForge  six bytes L (2) and S (4): a "VMK" head with these fields is planted first, so
//           that hostile record sizes reach the code behind the signature;
//   kTile   three bytes: the pixel bytes are repeated up to that size (at most 256 KiB), which
//           takes large records through the cache-blocked walk;
// and the pixel bytes. kEngine reveals through the engine directly instead of the carrier.
#include "fuzz/model/C_FuzzInput.h"
#include "engine/C_BitTransfer.h"
#include "engine/C_HiddenHeader.h"
#include "engine/C_PositionSequence.h"
#include "model/C_Carrier.h"
#include "model/records/C_Message.h"

#include <sanitizer/allocator_interface.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr uint8_t kEngine = 1;
constexpr uint8_t kForge = 2;
constexpr uint8_t kTile = 4;
constexpr size_t kLargestTile = size_t{1} << 18;

// The largest single allocation while a reveal runs.
bool g_bWatching = false;
size_t g_nLargest = 0;

void OnMalloc(const volatile void*, size_t nSize)
{
    if (g_bWatching && nSize > g_nLargest)
        g_nLargest = nSize;
}

void OnFree(const volatile void*)
{ }

// A reveal may allocate the name and the payload of a record within N, a few bytes of
// bookkeeping each, and the engine's small fixed tables; nothing scales with S or L beyond N.
void CheckAllocation(uint32_t nCarrier)
{
    if (g_nLargest > nCarrier / 8 + 4096)
        __builtin_trap();
}

void RevealThroughCarrier(std::vector<uint8_t>& pixels, const std::string& strPassword)
{
    C_Carrier carrier;
    carrier.UseBytes(pixels.data(), pixels.size());
    const std::vector<uint8_t> before = pixels;
    C_Message message;
    g_nLargest = 0;
    g_bWatching = true;
    const bool bFound = carrier.RevealMessage(message, strPassword);
    g_bWatching = false;
    CheckAllocation(carrier.GetUsableBytes());
    if (pixels != before)
        __builtin_trap();  // a reveal only reads
    if (!bFound) {
        if (message.GetData() || message.m_nSize || !message.m_strName.empty())
            __builtin_trap();
        return;
    }
    if (C_HiddenHeader::RecordBits(message.m_strName.size(), message.m_nSize) > carrier.GetUsableBytes())
        __builtin_trap();
    if (!message.GetData())
        __builtin_trap();
}

void RevealThroughEngine(std::vector<uint8_t>& pixels, const std::string& strPassword)
{
    const uint32_t nCarrier = pixels.size() >= 2 ? static_cast<uint32_t>(pixels.size() - 1) : 0;
    g_nLargest = 0;
    g_bWatching = true;
    C_BitTransfer transfer(pixels.data(), nCarrier);
    transfer.SetKey(strPassword);
    C_HiddenHeader header;
    if (transfer.ReceiveHeader(header)) {
        if (C_HiddenHeader::RecordBits(header.m_nNameLength, header.m_nDataSize) > nCarrier)
            __builtin_trap();
        if (header.m_aName.size() != header.m_nNameLength + 1u || header.m_aName.back() != 0)
            __builtin_trap();
        std::vector<uint8_t> payload(header.m_nDataSize);
        transfer.SetPayloadView(C_ByteView(payload.data(), header.m_nDataSize));
        transfer.ReceivePayload();
    }
    g_bWatching = false;
    CheckAllocation(nCarrier);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);
    // The digest library sets itself up on first use, with tables that no reveal accounts for.
    C_PositionSequence().SetKey("warm up");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    C_FuzzInput in(pData, nSize);
    const uint8_t* p = nullptr;
    if (!in.Take(2, p))
        return 0;
    const uint8_t nFlags = p[0];
    const size_t nPassword = p[1] & 15;
    if (!in.Take(nPassword, p))
        return 0;
    const std::string strPassword(reinterpret_cast<const char*>(p), nPassword);
    uint8_t aForged[C_HiddenHeader::kFixedSize] = {'V', 'M', 'K'};
    if (nFlags & kForge) {
        if (!in.Take(6, p))
            return 0;
        std::copy(p, p + 6, aForged + 3);
    }
    size_t nTile = 0;
    if (nFlags & kTile) {
        if (!in.Take(3, p))
            return 0;
        nTile = (p[0] | p[1] << 8 | size_t{p[2]} << 16) % (kLargestTile + 1);
    }

    std::vector<uint8_t> pixels(in.Rest(), in.Rest() + in.Left());
    if (nTile > pixels.size() && !pixels.empty()) {
        const size_t nPattern = pixels.size();
        pixels.resize(nTile);
        for (size_t i = nPattern; i < nTile; ++i)
            pixels[i] = pixels[i - nPattern];
    }
    if ((nFlags & kForge) && pixels.size() >= 2) {
        // The head travels in the first 72 draws, exactly as a hide would send it.
        C_BitTransfer planter(pixels.data(), static_cast<uint32_t>(pixels.size() - 1), aForged, sizeof aForged);
        planter.SetKey(strPassword);
        planter.SendPayload();
    }

    if (nFlags & kEngine)
        RevealThroughEngine(pixels, strPassword);
    else
        RevealThroughCarrier(pixels, strPassword);
    return 0;
}
