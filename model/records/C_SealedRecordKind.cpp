#include "model/records/C_SealedRecordKind.h"

#include "model/records/C_Message.h"
#include "model/records/C_SealedContent.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SpreadRecord.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

E_RecordOutcome OutcomeOf(E_RevealOutcome eOutcome)
{
    switch (eOutcome) {
    case E_RevealOutcome::Found: return E_RecordOutcome::Found;
    case E_RevealOutcome::NotFound: return E_RecordOutcome::NotFound;
    case E_RevealOutcome::Damaged: return E_RecordOutcome::Damaged;
    // A share gives no file by itself; the opened content says which share it is.
    case E_RevealOutcome::Share: return E_RecordOutcome::Damaged;
    case E_RevealOutcome::NoMemory: break;
    }
    return E_RecordOutcome::NoMemory;
}

// Capacity and Fits weigh the whole picture (tenths of a second for a large one), and callers
// ask them several times over the same pixels before they hide: the last answer is kept, with
// the costs it weighed, keyed by the bytes' place, count and a fingerprint of their content. A
// hide of those same pixels takes the costs over rather than weigh them again; one picture's
// costs (4 bytes an element) are held at most. A stale answer would only misreport the payload;
// the costs are taken only while the pixels are as they were.
struct S_DryMemo {
    std::mutex lock;
    const uint8_t* pBytes = nullptr;
    uint32_t nCount = 0;
    uint64_t nFingerprint = 0;
    uint64_t nDry = 0;         // RateBase of the costs
    std::vector<float> costs;  // empty once a hide took them

    bool Holds(const C_Cover& cover, uint64_t nPrint) const
    {
        return pBytes == cover.LowBytes() && nCount == cover.Size() && nFingerprint == nPrint;
    }
};

S_DryMemo& Memo()
{
    static S_DryMemo memo;
    return memo;
}

uint64_t Fingerprint(const uint8_t* p, uint32_t n)
{
    uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
    uint32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 29;
    }
    for (; i < n; ++i)
        h = (h ^ p[i]) * 0xC4CEB9FE1A85EC53ull;
    return h;
}

// The elements a rate counts among the record's: those that may change, or fewer where the
// cover counts its rate in something else (a JPEG's non-zero AC coefficients).
uint64_t RateBase(const C_Cover& cover, const std::vector<float>& costs)
{
    const uint64_t nDry = C_SpreadRecord::DryRecordElements(costs);
    const uint64_t nRate = cover.RateElements();
    if (nRate == 0 || cover.Size() == 0)
        return nDry;
    return std::min(nDry, nRate * C_SpreadRecord::PlanFor(cover.Size()).nRecord / cover.Size());
}

}  // namespace

const C_SealedRecordKind& C_SealedRecordKind::Kind()
{
    static const C_SealedRecordKind kind(true);
    return kind;
}

const C_SealedRecordKind& C_SealedRecordKind::Unlimited()
{
    static const C_SealedRecordKind kind(false);
    return kind;
}

uint64_t C_SealedRecordKind::SpreadLimitBits(uint64_t nDry) const
{
    return m_bRateLimit ? static_cast<uint64_t>(kSafeRate * static_cast<double>(nDry)) : nDry;
}

uint32_t C_SealedRecordKind::Capacity(const C_Cover& cover, size_t nNameBytes) const
{
    if (cover.CanWeigh()) {
        S_DryMemo& memo = Memo();
        const std::lock_guard<std::mutex> guard(memo.lock);
        const uint64_t nFingerprint = Fingerprint(cover.LowBytes(), cover.Size());
        if (!memo.Holds(cover, nFingerprint)) {
            memo.pBytes = nullptr;
            memo.costs.clear();
            std::vector<float> costs;
            if (!cover.Weigh(costs))
                return 0;
            memo.nDry = RateBase(cover, costs);
            memo.costs = std::move(costs);
            memo.pBytes = cover.LowBytes();
            memo.nCount = cover.Size();
            memo.nFingerprint = nFingerprint;
        }
        const uint64_t nRecord = C_SpreadRecord::LargestRecordBytes(
            C_SpreadRecord::PlanFor(cover.Size()).nRecord, SpreadLimitBits(memo.nDry));
        const uint64_t nOverhead = C_SpreadRecord::RecordBytes(nNameBytes, 0);
        return nRecord > nOverhead ? static_cast<uint32_t>(std::min<uint64_t>(nRecord - nOverhead, UINT32_MAX)) : 0;
    }
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
    const uint32_t nElements = cover.CanWeigh() && cover.LowBytes() ? cover.Size() : nBytes;
    if (nElements <= C_SealedRecord::kSaltRegion || message.m_strName.size() > UINT16_MAX)
        return E_RecordOutcome::TooLarge;
    if (C_SealedRecord::CheckPassphrase(strPassphrase) != C_SealedRecord::E_Passphrase::Valid)
        return E_RecordOutcome::Refused;
    const uint8_t* pPayload = message.m_nSize ? message.GetData() : nullptr;
    if (message.m_nSize && !pPayload)
        return E_RecordOutcome::Refused;
    bool bCompressed = false;
    const std::vector<uint8_t> stored = C_SealedRecord::Pack(pPayload, message.m_nSize, bCompressed);
    if (cover.CanWeigh())
        return HideBody(cover, C_SealedRecord::InnerRecord(message.m_strName, stored, bCompressed),
            C_SpreadRecord::kVersion, strPassphrase, fnBeforeWrite);
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

uint64_t C_SealedRecordKind::BodyCapacity(const C_Cover& cover) const
{
    if (!cover.CanWeigh())
        return 0;
    // Capacity counts the payload after an inner record's head and an empty name.
    const uint32_t nPayload = Capacity(cover, 0);
    return nPayload ? uint64_t{nPayload} + C_SealedRecord::kInnerHeadBytes : 0;
}

E_RecordOutcome C_SealedRecordKind::HideBody(const C_Cover& cover, const C_SecretBytes& body, uint8_t nVersion,
    const std::string& strPassphrase, const std::function<void()>& fnBeforeWrite) const
{
    if (!cover.CanWeigh())
        return E_RecordOutcome::Refused;
    if (C_SealedRecord::CheckPassphrase(strPassphrase) != C_SealedRecord::E_Passphrase::Valid)
        return E_RecordOutcome::Refused;
    // Past the payload Capacity states, nothing: a limit of 0 bits.
    const uint64_t nRecord = C_SpreadRecord::BodyRecordBytes(body.Size());
    const auto MaxBits = [&](const std::vector<float>& costs) -> uint64_t {
        const uint64_t nLimit = SpreadLimitBits(RateBase(cover, costs));
        const uint32_t nElements = C_SpreadRecord::PlanFor(cover.Size()).nRecord;
        return nRecord <= C_SpreadRecord::LargestRecordBytes(nElements, nLimit) ? nLimit : 0;
    };
    std::vector<float> weighed;
    {
        S_DryMemo& memo = Memo();
        const std::lock_guard<std::mutex> guard(memo.lock);
        if (!memo.costs.empty() && memo.Holds(cover, Fingerprint(cover.LowBytes(), cover.Size())))
            weighed = std::move(memo.costs);
        memo.costs.clear();
    }
    return C_SpreadRecord::SealBody(
        cover, body, nVersion, strPassphrase, MaxBits, C_SpreadRecord::FreshDraws(), fnBeforeWrite, nullptr, &weighed);
}

E_RecordOutcome C_SealedRecordKind::Find(
    const C_Cover& cover, const std::string& strPassphrase, C_Message& message, C_SealedContent* pOpened) const
{
    const uint8_t* pBits = cover.Bytes();
    const uint32_t nBytes = ByteCount(cover);
    C_SealedContent own;
    C_SealedContent& content = pOpened ? *pOpened : own;
    // Version 2 lives only where a cover weighs its elements: elsewhere its derivation is spared.
    E_RevealOutcome eSpread = E_RevealOutcome::NotFound;
    if (cover.CanWeigh())
        eSpread = C_SpreadRecord::Open(cover.LowBytes(), cover.Size(), strPassphrase, content);
    E_RevealOutcome eOutcome = eSpread;
    // A share authenticated: no version 1 record lies under it (content holds the share).
    if (eSpread != E_RevealOutcome::Found && eSpread != E_RevealOutcome::Share) {
        eOutcome = C_SealedRecord::Open(pBits, nBytes, strPassphrase, content);
        // A version 2 record that is damaged says so, unless version 1 finds one.
        if (eOutcome == E_RevealOutcome::NotFound && eSpread != E_RevealOutcome::NotFound)
            eOutcome = eSpread;
    }
    if (eOutcome != E_RevealOutcome::Found || pOpened)
        return OutcomeOf(eOutcome);
    return content.ExtractTo(message) == C_SealedContent::E_Extract::Done ? E_RecordOutcome::Found
                                                                          : E_RecordOutcome::Damaged;
}
