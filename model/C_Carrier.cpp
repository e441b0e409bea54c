#include "model/C_Carrier.h"

#include "engine/C_BitTransfer.h"
#include "engine/C_HiddenHeader.h"
#include "engine/C_PositionSequence.h"
#include "model/C_MatchEmbedding.h"
#include "model/C_Message.h"
#include "model/C_SealedContent.h"
#include "model/C_Transparency.h"
#include "model/image/C_DecodeLimit.h"
#include "model/image/C_FormatRegistry.h"
#include "model/image/C_GrayscaleEffect.h"
#include "model/image/C_ImageComparer.h"

#include <sodium.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

C_Carrier::~C_Carrier()
{
    ReleasePicture();
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

uint32_t C_Carrier::EffectiveBytes(uint32_t nUsableBytes)
{
    // With N a multiple of 17 only N/17 distinct candidates exist, and the draws start
    // revisiting bytes after about N/34 of them.
    uint32_t nBytes = nUsableBytes % C_PositionSequence::kStep == 0 ? nUsableBytes / 34 : nUsableBytes;
    if (nUsableBytes > C_PositionSequence::kLargestUnwrappedModulus) {
        // Above (2^32 - 1) / 17 the products of the last candidates wrap and land on bytes
        // that earlier candidates drew. Candidates up to that bound never share a byte, and a
        // key with c set bits of 128 reaches candidate 128 * ceil(D / c) for D draws, so D draws
        // stay below the bound for every key with at least kMinKeyBits set bits (all but about
        // 5 in 10^14 pass phrases; a rarer key is refused by the exact check in HideMessage).
        constexpr uint64_t kMinKeyBits = 24;
        const uint64_t nSafeDraws =
            kMinKeyBits * (C_PositionSequence::kLargestUnwrappedModulus / C_PositionSequence::kKeyBits);
        // WillFit allows 8 draws per record byte against a tenth of these bytes.
        nBytes = std::min(nBytes, static_cast<uint32_t>(nSafeDraws * 10 / 8));
    }
    return nBytes;
}

bool C_Carrier::WillFit(const C_Message& message) const
{
    const uint64_t nRecord = uint64_t{C_HiddenHeader::kFixedSize} + message.m_strName.size() + message.m_nSize;
    return uint64_t{EffectiveBytes(m_nBytes)} >= 10 * nRecord;
}

uint32_t C_Carrier::GetLargestPayload(size_t nNameBytes) const
{
    const uint64_t nRecord = EffectiveBytes(m_nBytes) / 10;
    const uint64_t nOverhead = uint64_t{C_HiddenHeader::kFixedSize} + nNameBytes;
    return nRecord > nOverhead ? static_cast<uint32_t>(nRecord - nOverhead) : 0;
}

uint32_t C_Carrier::GetCapacity() const
{
    return CapacityFor(m_nBytes);
}

uint32_t C_Carrier::CapacityFor(uint32_t nUsableBytes)
{
    const uint32_t nTenth = EffectiveBytes(nUsableBytes) / 10;
    return nTenth >= 20 ? nTenth - 20 : 0;
}

bool C_Carrier::HideMessage(const C_Message& message, const std::string& strPassword, E_Embedding eEmbedding)
{
    if (m_nBytes == 0 || message.m_strName.size() > UINT16_MAX)
        return false;
    uint8_t* pPayload = message.m_nSize ? message.m_pData.get() : nullptr;
    if (message.m_nSize && !pPayload)
        return false;
    C_BitTransfer transfer(m_pBits, m_nBytes, pPayload, message.m_nSize);
    transfer.SetKey(strPassword);
    const uint64_t nRecord = uint64_t{C_HiddenHeader::kFixedSize} + message.m_strName.size() + message.m_nSize;
    // A later bit landing on a byte that holds an earlier one would corrupt the record.
    if (transfer.WouldRepeat(nRecord))
        return false;
    transfer.SetWriter(WriterFor(eEmbedding));
    transfer.SendHeader(C_HiddenHeader(message.m_strName, message.m_nSize));
    transfer.SendPayload();
    m_password.Assign(strPassword);
    return true;
}

C_SampleWriter C_Carrier::WriterFor(E_Embedding eEmbedding) const
{
    if (eEmbedding != E_Embedding::Match || !CanEmbedMatch())
        return C_SampleWriter();
    C_SampleWriter writer = C_MatchEmbedding::Writer(m_eMatch);
    // Steps of one keep a pixel's transparency wherever the other direction allows.
    if (const BTCImageData* pData = m_image.GetObjectDataPtr()) {
        auto pGuard = std::make_shared<const C_Transparency>(*pData);
        if (!pGuard->IsEmpty())
            writer.SetGuard(std::move(pGuard));
    }
    return writer;
}

uint32_t C_Carrier::LargestPayloadFor(const std::string& strPassword, size_t nNameBytes) const
{
    if (m_nBytes == 0)
        return 0;
    C_BitTransfer transfer(m_pBits, m_nBytes);
    transfer.SetKey(strPassword);
    const uint64_t nRecord = transfer.LongestRecordWithoutRepeat();
    const uint64_t nOverhead = uint64_t{C_HiddenHeader::kFixedSize} + nNameBytes;
    const uint32_t nFree = nRecord > nOverhead ? static_cast<uint32_t>(nRecord - nOverhead) : 0;
    return std::min(nFree, GetLargestPayload(nNameBytes));
}

bool C_Carrier::RevealMessage(C_Message& message, const std::string& strPassword)
{
    m_password.Assign(strPassword);
    if (m_nBytes == 0)
        return false;
    C_BitTransfer transfer(m_pBits, m_nBytes);
    transfer.SetKey(strPassword);
    C_HiddenHeader header;
    if (!transfer.ReceiveHeader(header))
        return false;
    // The name is text: it ends at the first zero byte.
    const char* pName = reinterpret_cast<const char*>(header.m_aName.data());
    std::string strName(pName, strnlen(pName, header.m_nNameLength));
    sodium_memzero(header.m_aName.data(), header.m_aName.size());
    uint8_t* pData = message.Allocate(header.m_nDataSize);
    if (!pData)
        return false;
    message.m_strName = std::move(strName);
    transfer.SetPayloadView(C_ByteView(pData, header.m_nDataSize));
    transfer.ReceivePayload();
    return true;
}

uint32_t C_Carrier::GetSealedCapacity(size_t nNameBytes) const
{
    // The same fit rule as the plain record, over the bytes after the salt.
    const uint32_t nBytes = m_nBytes > C_SealedRecord::kSaltRegion ? m_nBytes - C_SealedRecord::kSaltRegion : 0;
    const uint64_t nRecord = EffectiveBytes(nBytes) / 10;
    const uint64_t nOverhead = C_SealedRecord::RecordBytes(nNameBytes, 0);
    return nRecord > nOverhead ? static_cast<uint32_t>(std::min<uint64_t>(nRecord - nOverhead, UINT32_MAX)) : 0;
}

E_SealOutcome C_Carrier::HideSealed(const C_Message& message, const std::string& strPassphrase, E_Embedding eEmbedding)
{
    if (m_nBytes <= C_SealedRecord::kSaltRegion || message.m_strName.size() > UINT16_MAX)
        return E_SealOutcome::WontFit;
    if (C_SealedRecord::CheckPassphrase(strPassphrase) != C_SealedRecord::E_Passphrase::Valid)
        return E_SealOutcome::Failed;
    const uint8_t* pPayload = message.m_nSize ? message.GetData() : nullptr;
    if (message.m_nSize && !pPayload)
        return E_SealOutcome::Failed;
    bool bCompressed = false;
    const std::vector<uint8_t> stored = C_SealedRecord::Pack(pPayload, message.m_nSize, bCompressed);
    const uint64_t nRecord = C_SealedRecord::RecordBytes(message.m_strName.size(), stored.size());
    if (uint64_t{EffectiveBytes(m_nBytes - C_SealedRecord::kSaltRegion)} < 10 * nRecord)
        return E_SealOutcome::WontFit;
    // A plain record under the same pass phrase would be found first by a reveal, and would
    // give away its name and payload to anyone who tries pass phrases at MD5 speed: every bit
    // of it is overwritten with random ones, once the seal is sure to complete.
    uint64_t nPlainBytes = 0;
    {
        C_BitTransfer probe(m_pBits, m_nBytes);
        probe.SetKey(strPassphrase);
        C_HiddenHeader old;
        if (probe.ReceiveHeader(old))
            nPlainBytes = uint64_t{C_HiddenHeader::kFixedSize} + old.m_nNameLength + old.m_nDataSize;
        sodium_memzero(old.m_aName.data(), old.m_aName.size());
    }
    const C_SampleWriter writer = WriterFor(eEmbedding);
    const auto ClearPlainRecord = [&] {
        if (nPlainBytes == 0)
            return;
        // Within N bits, so it fits 32 bits; the sequence hands out the record's positions again.
        std::vector<uint8_t> noise(nPlainBytes);
        randombytes_buf(noise.data(), noise.size());
        C_BitTransfer clear(m_pBits, m_nBytes, noise.data(), static_cast<uint32_t>(nPlainBytes));
        clear.SetKey(strPassphrase);
        clear.SetWriter(writer);
        clear.SendPayload();
    };
    std::string strWhy;
    if (!C_SealedRecord::Seal(
            m_pBits, m_nBytes, message.m_strName, stored, bCompressed, strPassphrase, strWhy, writer, ClearPlainRecord))
        return E_SealOutcome::Failed;
    m_password.Assign(strPassphrase);
    return E_SealOutcome::Hidden;
}

E_RevealOutcome C_Carrier::RevealAny(C_Message& message, const std::string& strPassphrase, bool* pSealed)
{
    if (pSealed)
        *pSealed = false;
    if (RevealMessage(message, strPassphrase))
        return E_RevealOutcome::Found;
    const E_RevealOutcome eOutcome = C_SealedRecord::Open(m_pBits, m_nBytes, strPassphrase, message);
    if (pSealed)
        *pSealed = eOutcome == E_RevealOutcome::Found;
    return eOutcome;
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

E_RevealOutcome C_Carrier::FindAny(
    C_Message& message, C_SealedContent& sealed, const std::string& strPassphrase, bool* pSealed)
{
    if (pSealed)
        *pSealed = false;
    sealed.Clear();
    if (RevealMessage(message, strPassphrase))
        return E_RevealOutcome::Found;
    const E_RevealOutcome eOutcome = C_SealedRecord::Open(m_pBits, m_nBytes, strPassphrase, sealed);
    if (pSealed)
        *pSealed = eOutcome == E_RevealOutcome::Found;
    return eOutcome;
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
