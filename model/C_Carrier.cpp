#include "model/C_Carrier.h"

#include "model/records/C_JpegCover.h"
#include "model/records/C_MatchEmbedding.h"
#include "model/records/C_Message.h"
#include "model/records/C_PlainRecord.h"
#include "model/records/C_SealedRecordKind.h"
#include "model/records/C_Transparency.h"
#include "model/pictures/C_DecodeLimit.h"
#include "model/pictures/C_FormatRegistry.h"
#include "model/pictures/jpeg/C_JpegDocument.h"
#include "model/effects/C_GrayscaleEffect.h"
#include "model/effects/C_ImageComparer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

C_Carrier::C_Carrier() = default;

C_Carrier::~C_Carrier()
{
    ReleasePicture();
}

uint64_t C_Carrier::RateElements() const
{
    return m_pCoefficientCover ? m_pCoefficientCover->RateElements() : 0;
}

bool C_Carrier::OpenImage(const std::string& strPath)
{
    ReleaseKept(false);
    if (!m_image.Load(strPath))
        return false;
    m_strPath = strPath;
    m_nFileBytes = m_image.GetFileBytes();
    RefreshView();
    return true;
}

void C_Carrier::ReleasePicture()
{
    ReleaseKept(false);
    if (BTCImageData* pData = m_image.GetObjectDataPtr())
        pData->DeleteObject();
    RefreshView();
}

void C_Carrier::UseBytes(uint8_t* pBytes, size_t nCount)
{
    ReleasePicture();
    m_pBits = pBytes;
    m_nFileBytes = nCount;
    // The last byte is never used, as for a picture's bytes.
    m_nBytes = pBytes && nCount >= 2 ? static_cast<uint32_t>(std::min<size_t>(nCount - 1, UINT32_MAX - 1)) : 0;
    // Plain bytes are taken as 8-bit samples, so the tests can hide into them either way.
    m_eMatch = m_nBytes ? C_SampleWriter::E_Mode::MatchBytes : C_SampleWriter::E_Mode::Replace;
}

void C_Carrier::RefreshView()
{
    BTCImageData* pData = m_image.GetObjectDataPtr();
    m_pBits = pData ? pData->GetBits() : nullptr;
    const uint32_t nSize = pData ? pData->GetImageSize() : 0;
    // The last pixel byte is never used; below two bytes nothing is (no wrap to 2^32 - 1).
    m_nBytes = nSize >= 2 && m_pBits ? nSize - 1 : 0;
    m_eMatch = m_nBytes ? C_MatchEmbedding::ModeOf(*pData) : C_SampleWriter::E_Mode::Replace;
    m_pCoefficientCover.reset();
    if (!pData || pData->m_eSourceFormat != E_ImageFormat::Jpeg)
        return;
    // A JPEG's pixels are decoded for show and compressed anew by a save: a record lives in its
    // coefficients or nowhere (pixels changed otherwise no longer show them).
    m_nBytes = 0;
    m_eMatch = C_SampleWriter::E_Mode::Replace;
    C_JpegDocument* pDoc = C_JpegDocument::Of(*pData);
    if (pDoc && pDoc->Coefficients() && pDoc->ShowsCoefficients(*pData))
        m_pCoefficientCover = std::make_unique<C_JpegCover>(*pDoc->Coefficients());
}

const C_Cover& C_Carrier::RecordCover(
    const C_Record& kind, E_Embedding eEmbedding, std::optional<C_PixelCover>& pixels) const
{
    if (m_pCoefficientCover)
        return *m_pCoefficientCover;
    pixels.emplace(CoverFor(kind, eEmbedding));
    return *pixels;
}

E_ImageFormat C_Carrier::FormatForPath(const std::string& strPath)
{
    return C_FormatRegistry::ForPath(strPath);
}

bool C_Carrier::SaveImage(const std::string& strPath)
{
    const E_ImageFormat eFormat = FormatForPath(strPath);
    if (eFormat == E_ImageFormat::None)
        return false;
    const bool bSaved = m_image.Save(strPath, eFormat);
    RefreshView();  // a conversion for another format may not touch our bytes, but be sure
    return bSaved;
}

bool C_Carrier::SaveTo(C_AtomicFileWriter& writer, E_ImageFormat eFormat)
{
    return m_image.SaveTo(writer, eFormat);
}

bool C_Carrier::ConvertToGrayscale()
{
    BTCImageData* pData = m_image.GetObjectDataPtr();
    if (!pData)
        return false;
    const bool bDone = C_GrayscaleEffect::Apply(*pData);
    RefreshView();  // a true-colour picture gets a new buffer and a new byte count
    return bDone;
}

namespace {

// The order a reveal tries the kinds in; a hide clears the records of the kinds before its own.
const C_Record* const kRecordKinds[] = {
    &C_PlainRecord::Kind(),
    &C_SealedRecordKind::Kind(),
};

}  // namespace

std::span<const C_Record* const> C_Carrier::RecordKinds()
{
    return kRecordKinds;
}

C_PixelCover C_Carrier::CoverFor(const C_Record& kind, E_Embedding eEmbedding) const
{
    // A record that weighs where it writes moves its elements by one, up or down, whatever the
    // embedding asked for: it needs both ways, and the guard that keeps transparency.
    C_PixelCover match = CoverFor(E_Embedding::Match);
    return kind.MovesByOne(match) ? match : CoverFor(eEmbedding);
}

const C_Record& C_Carrier::PlainKind()
{
    return C_PlainRecord::Kind();
}

const C_Record& C_Carrier::SealedKind()
{
    return C_SealedRecordKind::Kind();
}

const C_Record& C_Carrier::SealedUnlimitedKind()
{
    return C_SealedRecordKind::Unlimited();
}

C_PixelCover C_Carrier::CoverFor(E_Embedding eEmbedding) const
{
    const BTCImageData* pData = m_image.GetObjectDataPtr();
    C_ElementCosts::S_Picture picture;
    if (pData && m_pBits) {
        picture.pBytes = m_pBits;
        picture.nWidth = static_cast<uint32_t>(std::max(pData->GetWidth(), 0));
        picture.nHeight = static_cast<uint32_t>(std::max(pData->GetHeight(), 0));
        picture.nStride = pData->GetStride();
        picture.layout = pData->Layout();
    }
    if (eEmbedding != E_Embedding::Match || !CanEmbedMatch()) {
        C_PixelCover cover(m_pBits, m_nBytes, C_SampleWriter::E_Mode::Replace);
        cover.SetPicture(picture);
        return cover;
    }
    // Steps of one keep a pixel's transparency wherever the other direction allows.
    std::shared_ptr<const C_Transparency> pGuard;
    if (pData) {
        pGuard = std::make_shared<const C_Transparency>(*pData);
        if (pGuard->IsEmpty())
            pGuard.reset();
    }
    C_PixelCover cover(m_pBits, m_nBytes, m_eMatch, std::move(pGuard));
    cover.SetPicture(picture);
    return cover;
}

bool C_Carrier::Fits(const C_Record& kind, const C_Message& message) const
{
    std::optional<C_PixelCover> pixels;
    return kind.Fits(RecordCover(kind, E_Embedding::Replace, pixels), message);
}

uint32_t C_Carrier::CapacityOf(const C_Record& kind, size_t nNameBytes) const
{
    std::optional<C_PixelCover> pixels;
    return kind.Capacity(RecordCover(kind, E_Embedding::Replace, pixels), nNameBytes);
}

E_RecordOutcome C_Carrier::Hide(
    const C_Record& kind, const C_Message& message, const std::string& strPassphrase, E_Embedding eEmbedding)
{
    std::optional<C_PixelCover> pixels;
    const C_Cover& cover = RecordCover(kind, eEmbedding, pixels);
    const auto ClearEarlierKinds = [&] {
        for (const C_Record* pKind : kRecordKinds) {
            if (pKind == &kind.Listed())
                break;
            pKind->Clear(cover, strPassphrase);
        }
    };
    E_RecordOutcome eOutcome = kind.Hide(cover, message, strPassphrase, ClearEarlierKinds);
    if (eOutcome == E_RecordOutcome::Hidden && m_pCoefficientCover) {
        // The record is in the cover's bytes: into the coefficients with it, and the pixels
        // shown decoded from them again.
        // Pixels that cannot be decoded again only show the picture as it was: a save still
        // writes the coefficients, as the pixels keep their fingerprint.
        BTCImageData* pData = m_image.GetObjectDataPtr();
        std::string strError;
        if (!m_pCoefficientCover->Commit())
            eOutcome = E_RecordOutcome::Refused;
        else if (pData && pData->m_pDocument)
            pData->m_pDocument->CoefficientsChanged(*pData, strError);
        RefreshView();
    }
    if (eOutcome == E_RecordOutcome::Hidden)
        m_password.Assign(strPassphrase);
    return eOutcome;
}

E_RecordOutcome C_Carrier::Reveal(
    C_Message& message, const std::string& strPassphrase, C_SealedContent* pOpened, const C_Record** ppKind)
{
    m_password.Assign(strPassphrase);
    if (ppKind)
        *ppKind = nullptr;
    E_RecordOutcome eResult = E_RecordOutcome::NotFound;
    std::optional<C_PixelCover> pixels;
    const C_Cover& cover = RecordCover(PlainKind(), E_Embedding::Replace, pixels);
    for (const C_Record* pKind : kRecordKinds) {
        const E_RecordOutcome eOutcome = pKind->Find(cover, strPassphrase, message, pOpened);
        if (eOutcome == E_RecordOutcome::Found) {
            if (ppKind)
                *ppKind = pKind;
            return eOutcome;
        }
        if (eResult == E_RecordOutcome::NotFound)
            eResult = eOutcome;
    }
    return eResult;
}

bool C_Carrier::WillFit(const C_Message& message) const
{
    return Fits(C_PlainRecord::Kind(), message);
}

uint32_t C_Carrier::GetLargestPayload(size_t nNameBytes) const
{
    return CapacityOf(C_PlainRecord::Kind(), nNameBytes);
}

uint32_t C_Carrier::GetCapacity() const
{
    return CapacityFor(m_nBytes);
}

uint32_t C_Carrier::CapacityFor(uint32_t nUsableBytes)
{
    const uint32_t nTenth = C_Record::FitBytes(nUsableBytes) / 10;
    return nTenth >= 20 ? nTenth - 20 : 0;
}

bool C_Carrier::HideMessage(const C_Message& message, const std::string& strPassword, E_Embedding eEmbedding)
{
    return Hide(C_PlainRecord::Kind(), message, strPassword, eEmbedding) == E_RecordOutcome::Hidden;
}

uint32_t C_Carrier::LargestPayloadFor(const std::string& strPassword, size_t nNameBytes) const
{
    return C_PlainRecord::Kind().LargestPayloadFor(CoverFor(E_Embedding::Replace), strPassword, nNameBytes);
}

bool C_Carrier::RevealMessage(C_Message& message, const std::string& strPassword)
{
    m_password.Assign(strPassword);
    return C_PlainRecord::Kind().Find(CoverFor(E_Embedding::Replace), strPassword, message, nullptr)
        == E_RecordOutcome::Found;
}

void C_Carrier::KeepBeforeHide()
{
    m_pKept.reset();
    const BTCImageData* pData = m_image.GetObjectDataPtr();
    if (!pData || C_Transparency(*pData).IsEmpty())
        return;  // nothing can turn transparent or visible: no copy
    m_pKept = std::make_unique<BTCImageData>();
    m_pKept->CopyFrom(*pData);
    m_keptPassword = m_password;
}

uint64_t C_Carrier::TransparencyChanges() const
{
    const BTCImageData* pData = m_image.GetObjectDataPtr();
    return m_pKept && pData ? C_Transparency::CountChanges(*m_pKept, *pData) : 0;
}

void C_Carrier::ReleaseKept(bool bRestore)
{
    if (bRestore && m_pKept) {
        if (BTCImageData* pData = m_image.GetObjectDataPtr()) {
            pData->CopyFrom(*m_pKept);
            RefreshView();
        }
        m_password = m_keptPassword;
    }
    m_pKept.reset();
    m_keptPassword.Wipe();
}

bool C_Carrier::PayloadNeedsConsent(uint64_t nBytes) const
{
    return !m_image.GetAllowLarge() && nBytes > C_DecodeLimit::kConsentBytes
        && nBytes / C_DecodeLimit::kConsentRatio >= std::max<uint64_t>(m_nFileBytes, 1);
}

void C_Carrier::GetCarrierInfo(C_CarrierInfo& info) const
{
    info.m_strPath = m_strPath;
    if (const BTCImageData* pData = m_image.GetObjectDataPtr()) {
        info.m_nSizeKB = uint64_t{pData->GetImageSize()} / 1024;
        info.m_nBitsPerPixel = pData->GetBitsPerPixel();
        info.m_nHeight = pData->GetHeight();
        info.m_nWidth = pData->GetWidth();
    }
    info.m_nCapacity = GetCapacity();
    char aRemark[160];
    std::snprintf(aRemark, sizeof aRemark,
        "This Carrier Can Hide Approximately %ld Bytes (or %4.3f KB) of Message data in it.",
        static_cast<long>(static_cast<int32_t>(info.m_nCapacity)), static_cast<double>(info.m_nCapacity) / 1024);
    info.m_strRemarks = aRemark;
}

int C_Carrier::CompareImage(const C_Carrier& other) const
{
    const BTCImageData* pData = m_image.GetObjectDataPtr();
    const BTCImageData* pOther = other.m_image.GetObjectDataPtr();
    if (!pData || !pOther)
        return 1;
    return C_ImageComparer::Compare(*pData, *pOther);
}
