#include "model/records/C_PlainRecord.h"

#include "engine/C_BitTransfer.h"
#include "engine/C_HiddenHeader.h"
#include "model/records/C_Message.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <vector>

const C_PlainRecord& C_PlainRecord::Kind()
{
    static const C_PlainRecord kind;
    return kind;
}

uint32_t C_PlainRecord::Capacity(const C_Cover& cover, size_t nNameBytes) const
{
    const uint64_t nRecord = FitBytes(ByteCount(cover)) / 10;
    const uint64_t nOverhead = uint64_t{C_HiddenHeader::kFixedSize} + nNameBytes;
    return nRecord > nOverhead ? static_cast<uint32_t>(nRecord - nOverhead) : 0;
}

bool C_PlainRecord::Fits(const C_Cover& cover, const C_Message& message) const
{
    const uint64_t nRecord = uint64_t{C_HiddenHeader::kFixedSize} + message.m_strName.size() + message.m_nSize;
    return uint64_t{FitBytes(ByteCount(cover))} >= 10 * nRecord;
}

E_RecordOutcome C_PlainRecord::Hide(const C_Cover& cover, const C_Message& message, const std::string& strPassphrase,
    const std::function<void()>& fnBeforeWrite) const
{
    uint8_t* pBits = cover.Bytes();
    const uint32_t nBytes = ByteCount(cover);
    if (nBytes == 0 || message.m_strName.size() > UINT16_MAX)
        return E_RecordOutcome::Refused;
    uint8_t* pPayload = message.m_nSize ? message.m_pData.get() : nullptr;
    if (message.m_nSize && !pPayload)
        return E_RecordOutcome::Refused;
    C_BitTransfer transfer(pBits, nBytes, pPayload, message.m_nSize);
    transfer.SetKey(strPassphrase);
    const uint64_t nRecord = uint64_t{C_HiddenHeader::kFixedSize} + message.m_strName.size() + message.m_nSize;
    // A later bit landing on a byte that holds an earlier one would corrupt the record.
    if (transfer.WouldRepeat(nRecord))
        return E_RecordOutcome::Repeats;
    if (fnBeforeWrite)
        fnBeforeWrite();
    transfer.SetWriter(cover.Writer());
    transfer.SendHeader(C_HiddenHeader(message.m_strName, message.m_nSize));
    transfer.SendPayload();
    return E_RecordOutcome::Hidden;
}

E_RecordOutcome C_PlainRecord::Find(
    const C_Cover& cover, const std::string& strPassphrase, C_Message& message, C_SealedContent* /*pOpened*/) const
{
    const uint32_t nBytes = ByteCount(cover);
    if (nBytes == 0)
        return E_RecordOutcome::NotFound;
    // The transfer only reads here.
    C_BitTransfer transfer(cover.Bytes(), nBytes);
    transfer.SetKey(strPassphrase);
    C_HiddenHeader header;
    if (!transfer.ReceiveHeader(header))
        return E_RecordOutcome::NotFound;
    // The name is text: it ends at the first zero byte.
    const char* pName = reinterpret_cast<const char*>(header.m_aName.data());
    std::string strName(pName, strnlen(pName, header.m_nNameLength));
    sodium_memzero(header.m_aName.data(), header.m_aName.size());
    uint8_t* pData = message.Allocate(header.m_nDataSize);
    // A header that declares more than can be held is taken for chance bits: nothing found.
    if (!pData)
        return E_RecordOutcome::NotFound;
    message.m_strName = std::move(strName);
    transfer.SetPayloadView(C_ByteView(pData, header.m_nDataSize));
    transfer.ReceivePayload();
    return E_RecordOutcome::Found;
}

void C_PlainRecord::Clear(const C_Cover& cover, const std::string& strPassphrase) const
{
    uint8_t* pBits = cover.Bytes();
    const uint32_t nBytes = ByteCount(cover);
    if (nBytes == 0)
        return;
    uint64_t nPlainBytes = 0;
    {
        C_BitTransfer probe(pBits, nBytes);
        probe.SetKey(strPassphrase);
        C_HiddenHeader old;
        if (probe.ReceiveHeader(old))
            nPlainBytes = uint64_t{C_HiddenHeader::kFixedSize} + old.m_nNameLength + old.m_nDataSize;
        sodium_memzero(old.m_aName.data(), old.m_aName.size());
    }
    if (nPlainBytes == 0)
        return;
    // Within N bits, so it fits 32 bits; the sequence hands out the record's positions again.
    std::vector<uint8_t> noise(nPlainBytes);
    randombytes_buf(noise.data(), noise.size());
    C_BitTransfer clear(pBits, nBytes, noise.data(), static_cast<uint32_t>(nPlainBytes));
    clear.SetKey(strPassphrase);
    clear.SetWriter(cover.Writer());
    clear.SendPayload();
}

uint32_t C_PlainRecord::LargestPayloadFor(
    const C_Cover& cover, const std::string& strPassphrase, size_t nNameBytes) const
{
    const uint32_t nBytes = ByteCount(cover);
    if (nBytes == 0)
        return 0;
    C_BitTransfer transfer(cover.Bytes(), nBytes);
    transfer.SetKey(strPassphrase);
    const uint64_t nRecord = transfer.LongestRecordWithoutRepeat();
    const uint64_t nOverhead = uint64_t{C_HiddenHeader::kFixedSize} + nNameBytes;
    const uint32_t nFree = nRecord > nOverhead ? static_cast<uint32_t>(nRecord - nOverhead) : 0;
    return std::min(nFree, Capacity(cover, nNameBytes));
}
