#include "model/pictures/BTCImageData.h"

#include <algorithm>
#include <utility>

BTCImageData::BTCImageData() = default;
BTCImageData::~BTCImageData() = default;

void BTCImageData::DeleteObject()
{
    std::vector<uint8_t>().swap(m_aBits);  // give the memory back, not just the size
    m_nWidth = 0;
    m_nHeight = 0;
    m_nBitsPerPixel = 0;
    m_nStride = 0;
    m_nRowAlign = 1;
    m_bBottomUp = false;
    m_aPalette.clear();
    std::fill(std::begin(m_aMasks), std::end(m_aMasks), 0u);
    m_eSourceFormat = E_ImageFormat::None;
    m_nXPelsPerMeter = 0;
    m_nYPelsPerMeter = 0;
    m_bHadMasks = false;
    m_pDocument.reset();
}

void BTCImageData::Swap(BTCImageData& other) noexcept
{
    std::swap(m_aBits, other.m_aBits);
    std::swap(m_nWidth, other.m_nWidth);
    std::swap(m_nHeight, other.m_nHeight);
    std::swap(m_nBitsPerPixel, other.m_nBitsPerPixel);
    std::swap(m_nStride, other.m_nStride);
    std::swap(m_nRowAlign, other.m_nRowAlign);
    std::swap(m_bBottomUp, other.m_bBottomUp);
    std::swap(m_aPalette, other.m_aPalette);
    std::swap(m_aMasks, other.m_aMasks);
    std::swap(m_eSourceFormat, other.m_eSourceFormat);
    std::swap(m_nXPelsPerMeter, other.m_nXPelsPerMeter);
    std::swap(m_nYPelsPerMeter, other.m_nYPelsPerMeter);
    std::swap(m_bHadMasks, other.m_bHadMasks);
    std::swap(m_pDocument, other.m_pDocument);
}

void BTCImageData::CopyFrom(const BTCImageData& other)
{
    if (this == &other)
        return;
    if (m_aBits.size() == other.m_aBits.size())
        std::copy(other.m_aBits.begin(), other.m_aBits.end(), m_aBits.begin());
    else
        m_aBits = other.m_aBits;
    m_nWidth = other.m_nWidth;
    m_nHeight = other.m_nHeight;
    m_nBitsPerPixel = other.m_nBitsPerPixel;
    m_nStride = other.m_nStride;
    m_nRowAlign = other.m_nRowAlign;
    m_bBottomUp = other.m_bBottomUp;
    m_aPalette = other.m_aPalette;
    std::copy(std::begin(other.m_aMasks), std::end(other.m_aMasks), std::begin(m_aMasks));
    m_eSourceFormat = other.m_eSourceFormat;
    m_nXPelsPerMeter = other.m_nXPelsPerMeter;
    m_nYPelsPerMeter = other.m_nYPelsPerMeter;
    m_bHadMasks = other.m_bHadMasks;
    if (!other.m_pDocument)
        m_pDocument.reset();
    else if (!m_pDocument || !m_pDocument->AssignFrom(*other.m_pDocument))
        m_pDocument = other.m_pDocument->Clone();
}

S_PixelLayout BTCImageData::Layout() const
{
    S_PixelLayout layout;
    layout.bBottomUp = m_bBottomUp;
    if (m_nWidth <= 0 || m_nHeight <= 0)
        return layout;
    if (m_pDocument) {
        m_pDocument->Describe(*this, layout);
        return layout;
    }
    // Formats without a document store indices, blue-green-red bytes or masked words.
    switch (m_nBitsPerPixel) {
    case 1:
    case 2:
    case 4:
    case 8:
        layout.eChannels = E_PixelChannels::Index;
        layout.nBitsPerSample = m_nBitsPerPixel;
        break;
    case 24:
        layout.eChannels = E_PixelChannels::Bgr;
        layout.nChannels = 3;
        break;
    case 16:
    case 32:
        layout.eChannels = E_PixelChannels::Masked;
        layout.nBitsPerSample = m_nBitsPerPixel;
        break;
    default: return layout;
    }
    layout.nRowAlign = m_nRowAlign;
    layout.bKnown = true;
    return layout;
}
