#include "model/records/C_ShareRecordKind.h"

#include "model/records/C_Message.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SealedRecordKind.h"
#include "model/records/C_SecretBytes.h"
#include "model/records/C_SpreadRecord.h"

#include <algorithm>
#include <cstring>

const C_ShareRecordKind& C_ShareRecordKind::Kind()
{
    static const C_ShareRecordKind kind(C_SealedRecordKind::Kind());
    return kind;
}

const C_ShareRecordKind& C_ShareRecordKind::Unlimited()
{
    static const C_ShareRecordKind kind(C_SealedRecordKind::Unlimited());
    return kind;
}

const C_Record& C_ShareRecordKind::Listed() const
{
    return C_SealedRecordKind::Kind();
}

uint32_t C_ShareRecordKind::Capacity(const C_Cover& cover, size_t) const
{
    return static_cast<uint32_t>(std::min<uint64_t>(m_sealed.BodyCapacity(cover), UINT32_MAX));
}

bool C_ShareRecordKind::Fits(const C_Cover& cover, const C_Message& message) const
{
    return message.m_nSize <= Capacity(cover, 0);
}

E_RecordOutcome C_ShareRecordKind::Hide(const C_Cover& cover, const C_Message& message,
    const std::string& strPassphrase, const std::function<void()>& fnBeforeWrite) const
{
    if (!cover.CanWeigh() || (message.m_nSize && !message.GetData()))
        return E_RecordOutcome::Refused;
    C_SecretBytes body(message.m_nSize);
    if (message.m_nSize)
        std::memcpy(body.Data(), message.GetData(), message.m_nSize);
    return m_sealed.HideBody(cover, body, C_SpreadRecord::kShareVersion, strPassphrase, fnBeforeWrite);
}

E_RecordOutcome C_ShareRecordKind::Find(
    const C_Cover& cover, const std::string& strPassphrase, C_Message& message, C_SealedContent* pOpened) const
{
    if (!cover.CanWeigh())
        return E_RecordOutcome::NotFound;
    C_SecretBytes body;
    uint8_t nVersion = 0;
    switch (C_SpreadRecord::OpenBody(cover.LowBytes(), cover.Size(), strPassphrase, body, nVersion)) {
    case E_RevealOutcome::Found: break;
    case E_RevealOutcome::Damaged: return E_RecordOutcome::Damaged;
    case E_RevealOutcome::NoMemory: return E_RecordOutcome::NoMemory;
    case E_RevealOutcome::NotFound:
    case E_RevealOutcome::Share: return E_RecordOutcome::NotFound;
    }
    if (nVersion != C_SpreadRecord::kShareVersion)
        return E_RecordOutcome::NotFound;
    if (pOpened) {
        pOpened->SetShare(std::move(body));
        return E_RecordOutcome::Found;
    }
    if (body.Size() > C_Message::kMaxSize)
        return E_RecordOutcome::Damaged;
    uint8_t* pData = message.Allocate(static_cast<uint32_t>(body.Size()));
    if (!pData)
        return E_RecordOutcome::NoMemory;
    if (body.Size())
        std::memcpy(pData, body.Data(), body.Size());
    message.m_strName.clear();
    return E_RecordOutcome::Found;
}
