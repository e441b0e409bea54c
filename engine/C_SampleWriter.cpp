#include "engine/C_SampleWriter.h"

namespace {

constexpr std::array<uint8_t, 1024> MakeStep()
{
    std::array<uint8_t, 1024> a{};
    for (unsigned nUp = 0; nUp < 2; ++nUp)
        for (unsigned nChanged = 0; nChanged < 2; ++nChanged)
            for (unsigned b = 0; b < 256; ++b) {
                unsigned n = b;
                if (nChanged)
                    n = b == 0 ? 1 : b == 255 ? 254 : nUp ? b + 1 : b - 1;
                a[nUp << 9 | nChanged << 8 | b] = static_cast<uint8_t>(n);
            }
    return a;
}

}  // namespace

const std::array<uint8_t, 1024> C_SampleWriter::kStep = MakeStep();

C_SampleWriter::C_SampleWriter(E_Mode eMode, uint32_t nBytes, T_Random fnRandom)
    : m_eMode(eMode)
    , m_nBytes(eMode == E_Mode::Replace ? 0 : nBytes)
{
    if (m_eMode == E_Mode::Replace)
        return;
    m_aRandom.resize((size_t{m_nBytes} + 7) / 8);
    fnRandom(m_aRandom.data(), m_aRandom.size());
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
