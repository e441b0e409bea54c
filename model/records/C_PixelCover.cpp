#include "model/records/C_PixelCover.h"

#include "model/records/C_MatchEmbedding.h"

#include <limits>
#include <utility>

namespace {

C_Cover::E_Change StepOf(bool bUp, bool bDown)
{
    if (bUp && bDown)
        return C_Cover::E_Change::PlusOrMinusOne;
    if (bUp)
        return C_Cover::E_Change::PlusOne;
    return bDown ? C_Cover::E_Change::MinusOne : C_Cover::E_Change::None;
}

}  // namespace

C_PixelCover::C_PixelCover(
    uint8_t* pBytes, uint32_t nBytes, C_SampleWriter::E_Mode eMode, std::shared_ptr<const C_StepGuard> pGuard)
    : m_pBytes(pBytes)
    , m_nBytes(nBytes)
    , m_eMode(eMode)
{
    if (eMode == C_SampleWriter::E_Mode::Replace)
        return;
    m_writer = C_MatchEmbedding::Writer(eMode);
    // Only a step of one asks the guard.
    if (pGuard) {
        m_pGuard = std::move(pGuard);
        m_writer.SetGuard(m_pGuard);
    }
}

bool C_PixelCover::Allows(uint32_t nPosition, unsigned nValue) const
{
    return !m_pGuard || m_pGuard->Allows(m_pBytes, nPosition, nValue);
}

C_Cover::E_Change C_PixelCover::ChangeOf(uint32_t nElement) const
{
    if (!m_pBytes || nElement >= m_nBytes)
        return E_Change::None;
    if (m_eMode == C_SampleWriter::E_Mode::Replace)
        return E_Change::SetLsb;
    const uint8_t* p = m_pBytes + nElement;
    if (m_eMode == C_SampleWriter::E_Mode::MatchBigEndian16 && (nElement & 1) == 0) {
        // A high byte's step is the nearest 16-bit value that turns its bit, not a coin toss:
        // the other way only where the guard refuses that one and allows it.
        uint8_t aNear[2] = {p[0], p[1]};
        C_SampleWriter::MoveHighByte(aNear);
        const bool bNearUp = aNear[0] > p[0];
        const bool bFar = bNearUp ? p[0] != 0 : p[0] != 255;
        const unsigned nBit0 = p[1] & 1u;
        const unsigned nFar = bNearUp ? (p[0] - 1u) << 8 | (254 + nBit0) : (p[0] + 1u) << 8 | nBit0;
        const bool bTakeFar = !Allows(nElement, unsigned{aNear[0]} << 8 | aNear[1]) && bFar && Allows(nElement, nFar);
        return bNearUp != bTakeFar ? E_Change::PlusOne : E_Change::MinusOne;
    }
    // One up or one down at random, the other way where the guard refuses the drawn one and
    // allows that; where it allows neither, either stands. 0 only goes up and 255 only down.
    const unsigned b = *p;
    const bool bLow = m_eMode == C_SampleWriter::E_Mode::MatchBigEndian16;
    const uint32_t nAt = bLow ? nElement - 1 : nElement;
    const unsigned nHigh = bLow ? unsigned{m_pBytes[nAt]} << 8 : 0;
    const bool bUp = b < 255;
    const bool bDown = b > 0;
    const bool bUpAllowed = bUp && Allows(nAt, nHigh | (b + 1));
    const bool bDownAllowed = bDown && Allows(nAt, nHigh | (b - 1));
    return bUpAllowed || bDownAllowed ? StepOf(bUpAllowed, bDownAllowed) : StepOf(bUp, bDown);
}

unsigned C_PixelCover::StepsOf(uint32_t nElement) const
{
    if (!m_pBytes || nElement >= m_nBytes)
        return 0;
    const unsigned b = m_pBytes[nElement];
    if (m_eMode == C_SampleWriter::E_Mode::Replace)
        return b & 1 ? kStepDown : kStepUp;
    // A 16-bit sample's high byte never moves by one on its own: that is a step of 256.
    const bool bLow = m_eMode == C_SampleWriter::E_Mode::MatchBigEndian16;
    if (bLow && (nElement & 1) == 0)
        return 0;
    const uint32_t nAt = bLow ? nElement - 1 : nElement;
    const unsigned nHigh = bLow ? unsigned{m_pBytes[nAt]} << 8 : 0;
    unsigned nSteps = 0;
    if (b < 255 && Allows(nAt, nHigh | (b + 1)))
        nSteps |= kStepUp;
    if (b > 0 && Allows(nAt, nHigh | (b - 1)))
        nSteps |= kStepDown;
    return nSteps;
}

bool C_PixelCover::Weigh(std::vector<float>& costs) const
{
    if (!m_picture.pBytes || m_picture.pBytes != m_pBytes || !C_ElementCosts::Compute(m_picture, m_nBytes, costs))
        return false;
    // Only a guard can leave a weighed element no way at all.
    if (m_pGuard) {
        for (uint32_t k = 0; k < m_nBytes; ++k)
            if (costs[k] != std::numeric_limits<float>::infinity() && StepsOf(k) == 0)
                costs[k] = std::numeric_limits<float>::infinity();
    }
    return true;
}
