// Hide, then reveal, through the carrier: whenever the hide is accepted the reveal must give
// back exactly the name and bytes that went in, and the hide may change nothing but the first N
// pixel bytes, each by its least significant bit (replacement) or by one (plus or minus one,
// bit 5 of the shape byte). A refused hide changes nothing at all.
//
// Input: a shape byte and two size bytes (the carrier's size: tiny, a multiple of 17, up to
// 64 KiB, or up to 288 KiB where the cache-blocked walk takes over), a seed byte for the pixels,
// the pass phrase length (low 4 bits) and pass phrase, the name length and name, then the
// payload. The shape byte's bit 7 also tries hides that the fit test refuses: the repeat check
// alone must then keep the record intact.
#include "fuzz/model/C_FuzzInput.h"
#include "model/C_Carrier.h"
#include "model/records/C_Message.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

size_t CarrierSize(uint8_t nShape, uint32_t nValue)
{
    switch (nShape & 3) {
    case 0: return nValue % 64;                   // tiny, 0 and 1 included
    case 1: return 17 * (1 + nValue % 4000) + 1;  // N a multiple of 17
    case 2: return nValue + 1;                    // up to 64 KiB
    default: return 32768 + 4 * size_t{nValue};   // the walk's territory, up to about 288 KiB
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    C_FuzzInput in(pData, nSize);
    const uint8_t* p = nullptr;
    if (!in.Take(5, p))
        return 0;
    const uint8_t nShape = p[0];
    const size_t nPixels = CarrierSize(nShape, static_cast<uint32_t>(p[1] | p[2] << 8));
    const uint8_t nSeed = p[3];
    const size_t nPassword = p[4] & 15;
    if (!in.Take(nPassword, p))
        return 0;
    const std::string strPassword(reinterpret_cast<const char*>(p), nPassword);
    if (!in.Take(1, p))
        return 0;
    const size_t nName = std::min<size_t>(p[0], in.Left());
    in.Take(nName, p);
    // A name is text: it ends at its first zero byte, as the reveal reads it.
    std::string strName(reinterpret_cast<const char*>(p), nName);
    strName.resize(std::min(strName.find('\0'), strName.size()));

    std::vector<uint8_t> pixels(nPixels);
    std::minstd_rand rng(nSeed + 1u);
    for (auto& b : pixels)
        b = static_cast<uint8_t>(rng() >> 7);

    const E_Embedding eEmbedding = (nShape & 0x20) ? E_Embedding::Match : E_Embedding::Replace;
    // True when byte i moved further than the embedding may move it.
    const auto MovedTooFar = [&](const std::vector<uint8_t>& before, size_t i) {
        if (eEmbedding == E_Embedding::Replace)
            return (pixels[i] | 1) != (before[i] | 1);
        return pixels[i] > before[i] + 1 || before[i] > pixels[i] + 1;
    };

    C_Carrier carrier;
    carrier.UseBytes(pixels.data(), nPixels);
    C_Message message;
    message.m_strName = strName;
    if (message.SetFromText(static_cast<uint32_t>(in.Left()), reinterpret_cast<const char*>(in.Rest())) != in.Left())
        __builtin_trap();

    // Bit 6 of the shape byte takes the sealed record (keys are cheap in fuzzing builds): it
    // must come back exactly, change only low bits, and a flipped bit must give it back exactly
    // or call it damaged, never a different message.
    if (nShape & 0x40) {
        const std::vector<uint8_t> before = pixels;
        if (carrier.Hide(C_Carrier::SealedKind(), message, strPassword, eEmbedding) != E_RecordOutcome::Hidden) {
            if (pixels != before)
                __builtin_trap();
            return 0;
        }
        for (size_t i = 0; i < nPixels; ++i)
            if (MovedTooFar(before, i) || (i + 1 == nPixels && pixels[i] != before[i]))
                __builtin_trap();
        for (const bool bFlip : {false, true}) {
            if (bFlip)
                pixels[(nSeed * 257u + in.Left()) % (nPixels - 1)] ^= 1;
            C_Message revealed;
            const C_Record* pKind = nullptr;
            const E_RecordOutcome eOutcome = carrier.Reveal(revealed, strPassword, nullptr, &pKind);
            if (eOutcome == E_RecordOutcome::Found && pKind && pKind->IsSealed()
                && (revealed.m_strName != strName || revealed.m_nSize != in.Left()
                    || (in.Left() && !std::equal(in.Rest(), in.Rest() + in.Left(), revealed.GetData()))))
                __builtin_trap();
            if (!bFlip && eOutcome != E_RecordOutcome::Found)
                __builtin_trap();
        }
        return 0;
    }

    const bool bFits = carrier.WillFit(message);
    if (!bFits && !(nShape & 0x80))
        return 0;
    const std::vector<uint8_t> before = pixels;
    if (!carrier.HideMessage(message, strPassword, eEmbedding)) {
        if (pixels != before)
            __builtin_trap();  // refused, yet changed
        return 0;
    }
    for (size_t i = 0; i < nPixels; ++i)
        if (MovedTooFar(before, i))
            __builtin_trap();  // more than the embedding allows changed
    if (nPixels && pixels[nPixels - 1] != before[nPixels - 1])
        __builtin_trap();  // the last pixel byte is never used

    C_Carrier reader;
    reader.UseBytes(pixels.data(), nPixels);
    C_Message revealed;
    if (!reader.RevealMessage(revealed, strPassword))
        __builtin_trap();
    if (revealed.m_strName != strName || revealed.m_nSize != in.Left())
        __builtin_trap();
    if (in.Left() && !std::equal(in.Rest(), in.Rest() + in.Left(), revealed.GetData()))
        __builtin_trap();
    return 0;
}
