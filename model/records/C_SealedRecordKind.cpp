#include "model/records/C_SealedRecordKind.h"

#include "model/records/C_Message.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SealedRecord.h"

#include <algorithm>
#include <vector>

namespace {

E_RecordOutcome OutcomeOf(E_RevealOutcome eOutcome)
{
    switch (eOutcome) {
    case E_RevealOutcome::Found: return E_RecordOutcome::Found;
    case E_RevealOutcome::NotFound: return E_RecordOutcome::NotFound;
    case E_RevealOutcome::Damaged: return E_RecordOutcome::Damaged;
    case E_RevealOutcome::NoMemory: break;
    }
    return E_RecordOutcome::NoMemory;
}

}  // namespace

const C_SealedRecordKind& C_SealedRecordKind::Kind()
{
    static const C_SealedRecordKind kind;
    return kind;
}

uint32_t C_SealedRecordKind::Capacity(const C_Cover& cover, size_t nNameBytes) const
{
    const uint32_t nUsableBytes = ByteCount(cover);
    // The same fit rule as the plain record, over the bytes after the salt.
    const uint32_t nBytes = nUsableBytes > C_SealedRecord::kSaltRegion ? nUsableBytes - C_SealedRecord::kSaltRegion : 0;
    const uint64_t nRecord = FitBytes(nBytes) / 10;
    const uint64_t nOverhead = C_SealedRecord::RecordBytes(nNameBytes, 0);
    return nRecord > nOverhead ? static_cast<uint32_t>(std::min<uint64_t>(nRecord - nOverhead, UINT32_MAX)) : 0;
}

bool C_SealedRecordKind::Fits(const C_Cover& cover, const C_Message& message) const
{
    const uint32_t nCapacity = Capacity(cover, message.m_strName.size());
    if (message.m_nSize <= nCapacity)
        return true;
    if (!message.GetData())
        return false;
    // The seal compresses the same way, so this is the size it will store.
    bool bCompressed = false;
    return C_SealedRecord::Pack(message.GetData(), message.m_nSize, bCompressed).size() <= nCapacity;
}

E_RecordOutcome C_SealedRecordKind::Hide(const C_Cover& cover, const C_Message& message,
    const std::string& strPassphrase, const std::function<void()>& fnBeforeWrite) const
{
    const uint32_t nBytes = ByteCount(cover);
    if (nBytes <= C_SealedRecord::kSaltRegion || message.m_strName.size() > UINT16_MAX)
        return E_RecordOutcome::TooLarge;
    if (C_SealedRecord::CheckPassphrase(strPassphrase) != C_SealedRecord::E_Passphrase::Valid)
        return E_RecordOutcome::Refused;
    const uint8_t* pPayload = message.m_nSize ? message.GetData() : nullptr;
    if (message.m_nSize && !pPayload)
        return E_RecordOutcome::Refused;
    bool bCompressed = false;
    const std::vector<uint8_t> stored = C_SealedRecord::Pack(pPayload, message.m_nSize, bCompressed);
    const uint64_t nRecord = C_SealedRecord::RecordBytes(message.m_strName.size(), stored.size());
    if (uint64_t{FitBytes(nBytes - C_SealedRecord::kSaltRegion)} < 10 * nRecord)
        return E_RecordOutcome::TooLarge;
    std::string strWhy;
    if (!C_SealedRecord::Seal(cover.Bytes(), nBytes, message.m_strName, stored, bCompressed, strPassphrase, strWhy,
            cover.Writer(), fnBeforeWrite))
        // Past the fit only the position check and the key derivation refuse; strWhy names which.
        return strWhy.find("repeat") != std::string::npos ? E_RecordOutcome::Repeats : E_RecordOutcome::NoMemory;
    return E_RecordOutcome::Hidden;
}

E_RecordOutcome C_SealedRecordKind::Find(
    const C_Cover& cover, const std::string& strPassphrase, C_Message& message, C_SealedContent* pOpened) const
{
    const uint8_t* pBits = cover.Bytes();
    const uint32_t nBytes = ByteCount(cover);
    if (pOpened)
        return OutcomeOf(C_SealedRecord::Open(pBits, nBytes, strPassphrase, *pOpened));
    return OutcomeOf(C_SealedRecord::Open(pBits, nBytes, strPassphrase, message));
}
