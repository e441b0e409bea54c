#include "model/records/C_JpegCover.h"

#include "engine/C_ParallelTasks.h"
#include "model/pictures/jpeg/C_JpegCoefficients.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr uint32_t kAc = 63;  // AC coefficients a block
constexpr float kWet = std::numeric_limits<float>::infinity();

}  // namespace

C_JpegCover::C_JpegCover(C_JpegCoefficients& jpeg)
    : m_pJpeg(&jpeg)
{
    uint64_t nElements = 0;
    const auto& components = jpeg.Components();
    for (size_t c = 0; c < components.size(); ++c) {
        m_spans.push_back({static_cast<uint32_t>(std::min<uint64_t>(nElements, UINT32_MAX)), c});
        nElements += components[c].coefficients.size() / 64 * kAc;
    }
    if (nElements == 0 || nElements > UINT32_MAX - 2) {
        m_spans.clear();
        return;
    }
    m_low.resize(static_cast<size_t>(nElements) + 1);
    // The coder asks for every element's steps, in an order all over the picture: the few that
    // are restricted are listed once here, so that the rest need no look at their coefficient.
    const uint64_t nMaxListed = nElements / 64;
    uint32_t k = 0;
    for (const auto& component : components)
        for (size_t nBlock = 0; nBlock < component.coefficients.size() / 64; ++nBlock)
            for (uint32_t i = 1; i <= kAc; ++i, ++k) {
                const int16_t nValue = component.coefficients[64 * nBlock + i];
                m_low[k] = static_cast<uint8_t>(nValue);
                m_nNonZero += nValue != 0;
                if (m_bListed
                    && (component.lowestBit[i] != 0 || nValue >= kMaxCoefficient || nValue <= -kMaxCoefficient)) {
                    m_restricted.push_back({k, 0});
                    m_bListed = m_restricted.size() <= nMaxListed;
                }
            }
    if (!m_bListed)
        m_restricted = std::vector<S_Restricted>();
    for (S_Restricted& restricted : m_restricted)
        restricted.nSteps = StepsFound(restricted.nElement);
}

int16_t& C_JpegCover::CoefficientOf(uint32_t nElement) const
{
    auto it = std::upper_bound(
        m_spans.begin(), m_spans.end(), nElement, [](uint32_t n, const S_Span& span) { return n < span.nFirst; });
    const S_Span& span = *(it - 1);
    const uint32_t nAt = nElement - span.nFirst;
    return m_pJpeg->Components()[span.nComponent].coefficients[size_t{nAt / kAc} * 64 + 1 + nAt % kAc];
}

unsigned C_JpegCover::StepsOf(uint32_t nElement) const
{
    if (nElement >= Size())
        return 0;
    if (!m_bListed)
        return StepsFound(nElement);
    const auto it = std::lower_bound(m_restricted.begin(), m_restricted.end(), nElement,
        [](const S_Restricted& restricted, uint32_t n) { return restricted.nElement < n; });
    return it != m_restricted.end() && it->nElement == nElement ? it->nSteps : kStepUp | kStepDown;
}

unsigned C_JpegCover::StepsFound(uint32_t nElement) const
{
    auto it = std::upper_bound(
        m_spans.begin(), m_spans.end(), nElement, [](uint32_t n, const S_Span& span) { return n < span.nFirst; });
    const S_Span& span = *(it - 1);
    const C_JpegCoefficients::S_Component& component = m_pJpeg->Components()[span.nComponent];
    const uint32_t nAt = nElement - span.nFirst;
    if (component.lowestBit[1 + nAt % kAc] != 0)
        return 0;
    const int nValue = component.coefficients[size_t{nAt / kAc} * 64 + 1 + nAt % kAc];
    return (nValue < kMaxCoefficient ? kStepUp : 0u) | (nValue > -kMaxCoefficient ? kStepDown : 0u);
}

bool C_JpegCover::Weigh(std::vector<float>& costs) const
{
    costs.clear();
    if (!CanWeigh())
        return false;
    const auto& components = m_pJpeg->Components();
    const auto& tables = m_pJpeg->QuantTables();
    for (const S_Span& span : m_spans) {
        const auto nTable = static_cast<size_t>(components[span.nComponent].nQuantTable);
        if (nTable >= tables.size() || tables[nTable].size() != 64)
            return false;
    }
    costs.resize(Size());
    for (const S_Span& span : m_spans) {
        const C_JpegCoefficients::S_Component& component = components[span.nComponent];
        const std::vector<uint16_t>& steps = tables[static_cast<size_t>(component.nQuantTable)];
        const uint32_t nWide = component.nBlocksWide;
        const uint32_t nHigh = component.nBlocksHigh;
        // Each block's energy, then the cost of each of its coefficients, rows of blocks shared
        // between two workers.
        std::vector<float> energy(size_t{nWide} * nHigh);
        C_ParallelTasks::Run(2, [&](size_t nTask) {
            for (size_t b = energy.size() * nTask / 2; b < energy.size() * (nTask + 1) / 2; ++b) {
                const int16_t* pBlock = component.coefficients.data() + 64 * b;
                uint64_t nSum = 0;  // up to 63 x 2^15 x 2^16 for a table of 16-bit steps
                for (uint32_t i = 1; i <= kAc; ++i)
                    nSum += static_cast<uint64_t>(std::abs(pBlock[i])) * steps[i];
                energy[b] = static_cast<float>(nSum);
            }
        });
        float* pCosts = costs.data() + span.nFirst;
        C_ParallelTasks::Run(2, [&](size_t nTask) {
            for (uint32_t y = nHigh * static_cast<uint32_t>(nTask) / 2; y < nHigh * (nTask + 1) / 2; ++y)
                for (uint32_t x = 0; x < nWide; ++x) {
                    float fAround = 0;
                    for (uint32_t v = y > 0 ? y - 1 : 0; v <= std::min(y + 1, nHigh - 1); ++v)
                        for (uint32_t u = x > 0 ? x - 1 : 0; u <= std::min(x + 1, nWide - 1); ++u)
                            fAround += energy[size_t{v} * nWide + u];
                    const size_t b = size_t{y} * nWide + x;
                    const float fEnergy = energy[b] + 0.25f * (fAround - energy[b]);
                    float* pOut = pCosts + b * kAc;
                    for (uint32_t i = 1; i <= kAc; ++i) {
                        // At the range's ends one way is left; only an uncarried lowest bit fixes it.
                        const bool bFixed = component.lowestBit[i] != 0;
                        pOut[i - 1] = fEnergy > 0 && !bFixed ? static_cast<float>(steps[i]) / fEnergy : kWet;
                    }
                }
        });
    }
    return true;
}

uint64_t C_JpegCover::Pending() const
{
    uint64_t nPending = 0;
    for (uint32_t k = 0; k < Size(); ++k)
        nPending += m_low[k] != static_cast<uint8_t>(CoefficientOf(k));
    return nPending;
}

bool C_JpegCover::Commit()
{
    const uint32_t nSize = Size();
    size_t k = 0;
    auto& components = m_pJpeg->Components();
    // Checked whole first, so that a refusal changes nothing.
    for (int nPass = 0; nPass < 2; ++nPass) {
        k = 0;
        for (const S_Span& span : m_spans) {
            std::vector<int16_t>& coefficients = components[span.nComponent].coefficients;
            for (size_t nBlock = 0; nBlock < coefficients.size() / 64 && k < nSize; ++nBlock)
                for (uint32_t i = 1; i <= kAc; ++i, ++k) {
                    int16_t& nValue = coefficients[64 * nBlock + i];
                    const auto nStep =
                        static_cast<int8_t>(static_cast<uint8_t>(m_low[k] - static_cast<uint8_t>(nValue)));
                    if (nStep < -1 || nStep > 1)
                        return false;
                    if (nPass == 1)
                        nValue = static_cast<int16_t>(nValue + nStep);
                }
        }
    }
    return true;
}
