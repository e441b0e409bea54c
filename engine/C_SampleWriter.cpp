#include "engine/C_SampleWriter.h"

namespace {

constexpr std::array<uint8_t, 1024> MakeStep()
{
    std::array<uint8_t, 1024> a{};
    for (unsigned nSymbol = 0; nSymbol < 4; ++nSymbol)
        for (unsigned b = 0; b < 256; ++b) {
            const unsigned nBit = nSymbol & 1;
            const unsigned nUp = nSymbol >> 1;
            unsigned n = b;
            if ((b & 1) != nBit)
                n = b == 0 ? 1 : b == 255 ? 254 : nUp ? b + 1 : b - 1;
            a[nSymbol << 8 | b] = static_cast<uint8_t>(n);
        }
    return a;
}

// Entry b: the bits of b spread to the even bits of 16, bit t to bit 2 t.
constexpr std::array<uint16_t, 256> MakeSpread()
{
    std::array<uint16_t, 256> a{};
    for (unsigned b = 0; b < 256; ++b)
        for (unsigned t = 0; t < 8; ++t)
            a[b] = static_cast<uint16_t>(a[b] | ((b >> t) & 1u) << (2 * t));
    return a;
}

constexpr std::array<uint16_t, 256> kSpread = MakeSpread();

}  // namespace

const std::array<uint8_t, 1024> C_SampleWriter::kStep = MakeStep();

std::vector<uint16_t> C_SampleWriter::Symbols(const uint8_t* pBytes, size_t nCount) const
{
    std::vector<uint16_t> symbols(nCount);
    std::vector<uint8_t> random;
    if (m_eMode != E_Mode::Replace && nCount) {
        random.resize(nCount);
        m_fnRandom(random.data(), random.size());
    }
    for (size_t k = 0; k < nCount; ++k)
        symbols[k] = static_cast<uint16_t>(kSpread[pBytes[k]] | (random.empty() ? 0 : kSpread[random[k]] << 1));
    return symbols;
}

void C_SampleWriter::MoveHighByte(uint8_t* pSample)
{
    // The value is hi * 256 + lo; bit 8 must turn over and bit 0 stay. The nearest such values
    // are (hi + 1, lo's bit 0) above and (hi - 1, 254 + lo's bit 0) below; they are never
    // equally far.
    const unsigned nHigh = pSample[0];
    const unsigned nLow = pSample[1];
    const unsigned nBit0 = nLow & 1;
    const unsigned nUp = 256 - nLow + nBit0;
    const unsigned nDown = nLow + 2 - nBit0;
    const bool bDown = nHigh == 255 || (nHigh != 0 && nDown < nUp);
    pSample[0] = static_cast<uint8_t>(bDown ? nHigh - 1 : nHigh + 1);
    pSample[1] = static_cast<uint8_t>(bDown ? 254 + nBit0 : nBit0);
}

void C_SampleWriter::GuardedStep(
    E_Mode eMode, const C_StepGuard& guard, uint8_t* pCarrier, uint32_t nPosition, unsigned nSymbol)
{
    uint8_t* p = pCarrier + nPosition;
    if (eMode == E_Mode::MatchBigEndian16 && (nPosition & 1) == 0) {
        if (((*p ^ nSymbol) & 1) == 0)
            return;
        uint8_t aNear[2] = {p[0], p[1]};
        MoveHighByte(aNear);
        // The other way: one high step the other side, the low byte at its end on that side.
        const bool bNearUp = aNear[0] > p[0];
        const bool bFar = bNearUp ? p[0] != 0 : p[0] != 255;
        const unsigned nBit0 = p[1] & 1u;
        const unsigned nFar = bNearUp ? (p[0] - 1u) << 8 | (254 + nBit0) : (p[0] + 1u) << 8 | nBit0;
        if (!guard.Allows(pCarrier, nPosition, unsigned{aNear[0]} << 8 | aNear[1]) && bFar
            && guard.Allows(pCarrier, nPosition, nFar)) {
            p[0] = static_cast<uint8_t>(nFar >> 8);
            p[1] = static_cast<uint8_t>(nFar);
            return;
        }
        p[0] = aNear[0];
        p[1] = aNear[1];
        return;
    }
    const unsigned nOld = *p;
    unsigned nNew = kStep[nSymbol << 8 | nOld];
    if (nNew == nOld)
        return;
    // A 16-bit sample's low byte is asked about as the whole sample, from its high byte.
    const bool bLow = eMode == E_Mode::MatchBigEndian16;
    const uint32_t nAt = bLow ? nPosition - 1 : nPosition;
    const auto value = [&](unsigned b) { return bLow ? unsigned{pCarrier[nAt]} << 8 | b : b; };
    const unsigned nOther = 2 * nOld - nNew;  // wraps past 255 where there is no other way
    if (!guard.Allows(pCarrier, nAt, value(nNew)) && nOther <= 255 && guard.Allows(pCarrier, nAt, value(nOther)))
        nNew = nOther;
    *p = static_cast<uint8_t>(nNew);
}
