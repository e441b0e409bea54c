#include "model/C_AcrossService.h"

#include "model/C_Carrier.h"
#include "model/C_HideService.h"
#include "model/files/C_AtomicFileWriter.h"
#include "model/records/C_Message.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SharePlan.h"
#include "model/records/C_ShareRecordKind.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

// The payload as the seal stores it, and its inner record's size under the message's name.
struct S_Stored {
    std::vector<uint8_t> stored;
    bool bCompressed = false;
    uint64_t InnerBytes(size_t nNameBytes) const
    {
        return C_SealedRecord::kInnerHeadBytes + nNameBytes + stored.size();
    }
};

S_Stored StoredOf(const C_Message& message)
{
    S_Stored result;
    const uint8_t* pPayload = message.m_nSize ? message.GetData() : nullptr;
    result.stored = C_SealedRecord::Pack(pPayload, pPayload ? message.m_nSize : 0, result.bCompressed);
    return result;
}

}  // namespace

C_AcrossService::C_AcrossService(bool bRateLimit)
    : m_bRateLimit(bRateLimit)
{ }

std::vector<size_t> C_AcrossService::Unsupported(std::span<C_Carrier* const> carriers)
{
    std::vector<size_t> refused;
    for (size_t i = 0; i < carriers.size(); ++i)
        if (!carriers[i] || !carriers[i]->GetBits() || !carriers[i]->SealsSpread())
            refused.push_back(i);
    return refused;
}

std::vector<uint64_t> C_AcrossService::Rooms(std::span<C_Carrier* const> carriers) const
{
    const C_Record& kind = m_bRateLimit ? C_ShareRecordKind::Kind() : C_ShareRecordKind::Unlimited();
    std::vector<uint64_t> rooms;
    for (C_Carrier* pCarrier : carriers)
        rooms.push_back(pCarrier->CapacityOf(kind, 0));
    return rooms;
}

uint64_t C_AcrossService::LargestPayload(std::span<C_Carrier* const> carriers, unsigned k, size_t nNameBytes) const
{
    if (carriers.empty() || k == 0 || k > carriers.size() || !Unsupported(carriers).empty())
        return 0;
    const uint64_t nPackage = C_SharePlan::LargestPackage(Rooms(carriers), k);
    const uint64_t nOverhead = C_ShareSet::kPackageOverhead + C_SealedRecord::kInnerHeadBytes + nNameBytes;
    return nPackage > nOverhead ? std::min<uint64_t>(nPackage - nOverhead, C_Message::kMaxSize) : 0;
}

C_AcrossService::S_Check C_AcrossService::Check(
    std::span<C_Carrier* const> carriers, unsigned k, const C_Message& message) const
{
    S_Check check;
    if (carriers.size() < 2) {
        check.eCheck = E_Check::TooFewPictures;
        return check;
    }
    if (carriers.size() > kMaxPictures) {
        check.eCheck = E_Check::TooManyPictures;
        return check;
    }
    if (k < 1 || k > carriers.size()) {
        check.eCheck = E_Check::BadCount;
        return check;
    }
    const std::vector<size_t> refused = Unsupported(carriers);
    if (!refused.empty()) {
        check.eCheck = E_Check::Unsupported;
        check.nPicture = refused.front();
        return check;
    }
    if (message.m_strName.size() > UINT16_MAX) {
        check.eCheck = E_Check::NameTooLong;
        return check;
    }
    check.nLargest = LargestPayload(carriers, k, message.m_strName.size());
    // Uncompressed it may fit already; else the seal's compression decides.
    uint64_t nStored = message.m_nSize;
    if (nStored > check.nLargest) {
        const S_Stored stored = StoredOf(message);
        nStored = stored.stored.size();
        check.bCompressed = stored.bCompressed;
    }
    check.nStored = nStored;
    if (nStored > check.nLargest)
        check.eCheck = E_Check::TooLarge;
    return check;
}

C_AcrossService::S_Hidden C_AcrossService::Hide(std::span<C_Carrier* const> carriers, unsigned k,
    const C_Message& message, const std::string& strPassphrase, const T_Progress& fnProgress,
    const C_ShareSet::S_Draws* pDraws) const
{
    S_Hidden hidden;
    const auto Stop = [&](E_RecordOutcome eOutcome, size_t nPicture) {
        hidden.eOutcome = eOutcome;
        hidden.nPicture = nPicture;
        return hidden;
    };
    const size_t n = carriers.size();
    if (n < 2 || n > kMaxPictures || k < 1 || k > n || message.m_strName.size() > UINT16_MAX)
        return Stop(E_RecordOutcome::Refused, 0);
    const std::vector<size_t> refused = Unsupported(carriers);
    if (!refused.empty())
        return Stop(E_RecordOutcome::Refused, refused.front());
    if (C_SealedRecord::CheckPassphrase(strPassphrase) != C_SealedRecord::E_Passphrase::Valid)
        return Stop(E_RecordOutcome::Refused, 0);
    if (message.m_nSize && !message.GetData())
        return Stop(E_RecordOutcome::Refused, 0);

    const S_Stored stored = StoredOf(message);
    // The cut follows the pictures' rooms; every share must fit before the first picture changes.
    const std::vector<uint64_t> rooms = Rooms(carriers);
    C_SharePlan plan;
    if (!C_SharePlan::ForPackage(rooms, k, C_ShareSet::PackageBytes(stored.InnerBytes(message.m_strName.size())), plan))
        return Stop(E_RecordOutcome::TooLarge, 0);
    std::vector<std::vector<uint8_t>> bodies;
    {
        const C_SecretBytes inner = C_SealedRecord::InnerRecord(message.m_strName, stored.stored, stored.bCompressed);
        bodies = C_ShareSet::Split(inner, plan, pDraws ? *pDraws : C_ShareSet::FreshDraws());
    }
    if (bodies.size() != n)
        return Stop(E_RecordOutcome::TooLarge, 0);
    std::memcpy(hidden.setId.data(), bodies[0].data(), C_ShareSet::kSetIdBytes);
    for (size_t i = 0; i < n; ++i)
        if (bodies[i].size() > rooms[i])
            return Stop(E_RecordOutcome::TooLarge, i);
    const C_Record& kind = m_bRateLimit ? C_ShareRecordKind::Kind() : C_ShareRecordKind::Unlimited();
    for (size_t i = 0; i < n; ++i) {
        C_Message share;
        uint8_t* pData = share.Allocate(static_cast<uint32_t>(bodies[i].size()));
        if (!pData)
            return Stop(E_RecordOutcome::NoMemory, i);
        std::memcpy(pData, bodies[i].data(), bodies[i].size());
        const E_RecordOutcome eOutcome = carriers[i]->Hide(kind, share, strPassphrase, E_Embedding::Match);
        if (eOutcome != E_RecordOutcome::Hidden)
            return Stop(eOutcome, i);
        if (fnProgress && !fnProgress(i + 1, n)) {
            hidden.bStopped = true;
            return Stop(E_RecordOutcome::Refused, i);
        }
    }
    return hidden;
}

C_AcrossService::S_Picture C_AcrossService::Examine(
    C_Carrier& carrier, const std::string& strPassphrase, C_ShareSet::S_Share* pShare)
{
    S_Picture picture;
    if (!carrier.GetBits() || !carrier.SealsSpread()) {
        picture.eHolds = E_Holds::Unsupported;
        return picture;
    }
    C_Message message;
    C_SealedContent content;
    const C_Record* pKind = nullptr;
    switch (carrier.Reveal(message, strPassphrase, &content, &pKind)) {
    case E_RecordOutcome::Found: picture.eHolds = E_Holds::File; return picture;
    case E_RecordOutcome::NoMemory: picture.eHolds = E_Holds::NoMemory; return picture;
    case E_RecordOutcome::Damaged: break;
    default: picture.eHolds = E_Holds::Nothing; return picture;
    }
    C_ShareSet::S_Share share;
    if (!content.HasShare() || !C_ShareSet::Parse(content.ShareBody().Data(), content.ShareBody().Size(), share)) {
        picture.eHolds = E_Holds::Damaged;
        return picture;
    }
    picture.eHolds = E_Holds::Share;
    picture.setId = share.setId;
    picture.k = share.k;
    picture.n = share.n;
    picture.index = share.index;
    if (pShare)
        *pShare = std::move(share);
    return picture;
}

C_AcrossService::S_Restore C_AcrossService::Restore(
    const std::vector<C_ShareSet::S_Share>& shares, C_SealedContent& content)
{
    content.Clear();
    S_Restore result;
    if (shares.empty())
        return result;
    // The sets in the order their first share came, with their distinct shares.
    std::vector<size_t> firsts;
    for (size_t i = 0; i < shares.size(); ++i)
        if (std::none_of(firsts.begin(), firsts.end(), [&](size_t f) { return shares[f].SameSet(shares[i]); }))
            firsts.push_back(i);
    result.nSets = static_cast<unsigned>(firsts.size());
    size_t nBest = firsts.front();
    unsigned nBestFound = 0;
    for (const size_t f : firsts) {
        const C_ShareSet::S_Count count = C_ShareSet::CountOfSet(shares, f);
        if (count.bEnough)
            ++result.nCompleteSets;
        // The set closest to enough, by the shares it still lacks.
        const unsigned nFound = count.nShares;
        if (nBestFound == 0
            || shares[f].k - std::min(nFound, shares[f].k) < shares[nBest].k - std::min(nBestFound, shares[nBest].k)) {
            nBest = f;
            nBestFound = nFound;
        }
    }
    // A set is restored from D fragments, however many shares hold them (k always do).
    bool bDamaged = false;
    for (const size_t f : firsts) {
        const C_ShareSet::S_Count count = C_ShareSet::CountOfSet(shares, f);
        if (!count.bEnough && count.nShares < shares[f].k)
            continue;
        std::vector<C_ShareSet::S_Share> set;
        for (const C_ShareSet::S_Share& share : shares)
            if (share.SameSet(shares[f]))
                set.push_back(share);
        result.setId = shares[f].setId;
        result.nFound = count.nShares;
        result.nNeeded = shares[f].k;
        if (C_ShareSet::Join(set, content) == C_ShareSet::E_Join::Joined) {
            result.eRestore = E_Restore::Restored;
            return result;
        }
        bDamaged = true;
    }
    if (bDamaged) {
        result.eRestore = E_Restore::Damaged;
        return result;
    }
    result.eRestore = E_Restore::TooFew;
    result.setId = shares[nBest].setId;
    result.nFound = nBestFound;
    result.nNeeded = shares[nBest].k;
    return result;
}

C_AcrossService::S_Restore C_AcrossService::Reveal(std::span<C_Carrier* const> carriers,
    const std::string& strPassphrase, std::vector<S_Picture>& pictures, C_SealedContent& content,
    const T_Progress& fnProgress) const
{
    pictures.clear();
    std::vector<C_ShareSet::S_Share> shares;
    for (size_t i = 0; i < carriers.size(); ++i) {
        C_ShareSet::S_Share share;
        pictures.push_back(
            carriers[i] ? Examine(*carriers[i], strPassphrase, &share) : S_Picture{E_Holds::Unsupported});
        if (pictures.back().eHolds == E_Holds::Share)
            shares.push_back(std::move(share));
        if (fnProgress && !fnProgress(i + 1, carriers.size()))
            break;
    }
    return Restore(shares, content);
}

std::string C_AcrossService::SetLabel(const C_ShareSet::T_SetId& setId)
{
    char aLabel[9];
    std::snprintf(aLabel, sizeof aLabel, "%02x%02x%02x%02x", setId[0], setId[1], setId[2], setId[3]);
    return aLabel;
}

C_AcrossService::E_Written C_AcrossService::WriteShare(C_Carrier& carrier, const std::string& strTarget,
    const S_Hidden& hidden, unsigned nIndex, unsigned k, unsigned n, const std::string& strPassphrase,
    C_AtomicFileWriter& output, std::string& strReason)
{
    const C_HideService::T_Digest pixels = C_HideService::PixelDigest(carrier);
    if (!output.Open(strTarget)) {
        strReason = output.GetError();
        return E_Written::OpenFailed;
    }
    if (!carrier.SaveTo(output, C_Carrier::FormatForPath(strTarget))) {
        strReason = carrier.GetLastError();
        return E_Written::SaveFailed;
    }
    carrier.ReleasePicture();
    C_Carrier written;
    written.SetAllowLarge(true);  // our own file
    if (!written.OpenImage(output.GetReadPath())) {
        strReason = written.GetLastError();
        return E_Written::NotReadBack;
    }
    const S_Picture found = Examine(written, strPassphrase, nullptr);
    if (found.eHolds != E_Holds::Share || found.setId != hidden.setId || found.index != nIndex || found.k != k
        || found.n != n || C_HideService::PixelDigest(written) != pixels)
        return E_Written::NotReadBack;
    return E_Written::Written;
}
