#include "engine/C_BitTransfer.h"

#include <algorithm>

C_BitTransfer::C_BitTransfer(uint8_t* pCarrier, uint32_t nCarrier, uint8_t* pPayload, uint32_t nPayload)
    : m_carrier(pCarrier, nCarrier)
    , m_payload(pPayload, nPayload)
{
}

void C_BitTransfer::SetKey(std::string_view strPassword)
{
    m_sequence.SetKey(strPassword);
    m_sequence.SetModulus(m_carrier.GetSize());
}

bool C_BitTransfer::WouldRepeat(uint64_t nRecordBytes) const
{
    return m_sequence.RepeatsWithin(8 * nRecordBytes);
}

void C_BitTransfer::SendHeader(const C_HiddenHeader& header)
{
    const std::vector<uint8_t> head = header.Encode();
    SendBytes(head.data(), head.size());
}

void C_BitTransfer::SendPayload()
{
    SendBytes(m_payload.GetData(), m_payload.GetSize());
}

bool C_BitTransfer::ReceiveHeader(C_HiddenHeader& header)
{
    uint8_t head[C_HiddenHeader::kFixedSize] = {};
    ReceiveBytes(head, sizeof head);  // all nine arrive before any is compared
    for (int i = 0; i < 3; ++i) {
        header.m_aSignature[i] = head[i];
        if (head[i] != C_HiddenHeader::kSignature[i])
            return false;
    }
    header.m_nNameLength = static_cast<uint16_t>(head[3] | head[4] << 8);
    header.m_nDataSize = static_cast<uint32_t>(head[5]) | static_cast<uint32_t>(head[6]) << 8
        | static_cast<uint32_t>(head[7]) << 16 | static_cast<uint32_t>(head[8]) << 24;
    // A record that cannot lie within the carrier is a chance match of the signature: refuse it
    // before allocating what its header claims.
    if (C_HiddenHeader::RecordBits(header.m_nNameLength, header.m_nDataSize) > m_carrier.GetSize())
        return false;
    header.m_aName.assign(header.m_nNameLength + 1u, 0);
    ReceiveBytes(header.m_aName.data(), header.m_nNameLength);
    return true;
}

void C_BitTransfer::ReceivePayload()
{
    ReceiveBytes(m_payload.GetData(), m_payload.GetSize());
}

void C_BitTransfer::SendBytes(const uint8_t* pBytes, size_t nCount)
{
    if (nCount == 0 || m_carrier.IsEmpty())
        return;
    // Work on locals: stores through the byte pointer could otherwise alias the sequence's
    // state and force it back to memory on every bit.
    C_PositionSequence sequence = m_sequence;
    C_ByteView carrier = m_carrier;
    for (size_t i = 0; i < nCount; ++i) {
        const unsigned nValue = pBytes[i];
        for (int nBit = 7; nBit >= 0; --nBit) {
            const uint32_t p = sequence.Next();
            carrier.Write(p, static_cast<uint8_t>((carrier.Read(p) & 0xFE) | ((nValue >> nBit) & 1)));
        }
    }
    m_sequence = sequence;
}

void C_BitTransfer::ReceiveBytes(uint8_t* pBytes, size_t nCount)
{
    if (nCount == 0)
        return;
    if (m_carrier.IsEmpty()) {  // no sequence is ever drawn with N = 0
        std::fill_n(pBytes, nCount, uint8_t{0});
        return;
    }
    C_PositionSequence sequence = m_sequence;
    const C_ByteView carrier = m_carrier;
    for (size_t i = 0; i < nCount; ++i) {
        unsigned nValue = 0;
        for (int nBit = 0; nBit < 8; ++nBit)
            nValue = (nValue << 1) | (carrier.Read(sequence.Next()) & 1u);
        pBytes[i] = static_cast<uint8_t>(nValue);
    }
    m_sequence = sequence;
}
