#include "engine/C_BitTransfer.h"

#include "engine/C_CarrierWalk.h"

#include <algorithm>
#include <iterator>
#include <vector>

C_BitTransfer::C_BitTransfer(uint8_t* pCarrier, uint32_t nCarrier, uint8_t* pPayload, uint32_t nPayload)
    : m_carrier(pCarrier, nCarrier)
    , m_payload(pPayload, nPayload)
{ }

void C_BitTransfer::SetKey(std::string_view strPassword)
{
    m_sequence.SetKey(strPassword);
    m_sequence.SetModulus(m_carrier.GetSize());
}

bool C_BitTransfer::WouldRepeat(uint64_t nRecordBytes) const
{
    const uint64_t nDraws = 8 * nRecordBytes;
    const uint32_t nSize = m_carrier.GetSize();
    const bool bMayRepeat =
        nSize % C_PositionSequence::kStep == 0 || nSize > C_PositionSequence::kLargestUnwrappedModulus;
    if (nSize == 0 || nDraws > nSize || !bMayRepeat || m_nDrawn != 0 || !UseWalk(nRecordBytes))
        return m_sequence.RepeatsWithin(nDraws);
    // Every draw of a position happens while the walk is in that position's block, so a
    // bitmap of one block finds any repeat.
    const C_CarrierWalk walk(m_sequence.GetKey(), nSize);
    std::vector<uint64_t> seen(C_CarrierWalk::kBlockBytes / 64);
    uint64_t nBlock = 0;
    bool bRepeat = false;
    walk.Walk(0, nDraws, [&](uint32_t p, uint64_t) {
        if (p / C_CarrierWalk::kBlockBytes != nBlock) {
            nBlock = p / C_CarrierWalk::kBlockBytes;
            std::fill(seen.begin(), seen.end(), 0);
        }
        const uint32_t i = p % C_CarrierWalk::kBlockBytes;
        const uint64_t nMask = uint64_t{1} << (i & 63);
        bRepeat = bRepeat || (seen[i >> 6] & nMask) != 0;
        seen[i >> 6] |= nMask;
    });
    return bRepeat;
}

void C_BitTransfer::SendHeader(const C_HiddenHeader& header)
{
    const std::vector<uint8_t> head = header.Encode();
    SendBytes(head.data(), head.size());
}

void C_BitTransfer::SendPayload()
{
    if (UseWalk(m_payload.GetSize())) {
        const uint64_t nBits = 8 * uint64_t{m_payload.GetSize()};
        // The walk numbers record bits from the first draw; the payload starts at m_nDrawn.
        const C_CarrierWalk walk(m_sequence.GetKey(), m_carrier.GetSize());
        const uint8_t* pPayload = m_payload.GetData();
        const uint64_t nStart = m_nDrawn;
        uint8_t* pCarrier = m_carrier.GetData();
        m_writer.WithPen([&](const auto write) {
            if constexpr (decltype(write)::kMode == C_SampleWriter::E_Mode::Replace) {
                walk.Walk(nStart, nStart + nBits, [&](uint32_t p, uint64_t r) {
                    const uint64_t i = r - nStart;
                    write(pCarrier, p, (pPayload[i >> 3] >> (7 - (i & 7))) & 1);
                });
            } else {
                const std::vector<uint16_t> symbols = m_writer.Symbols(pPayload, m_payload.GetSize());
                const uint16_t* pSymbols = symbols.data();
                walk.Walk(nStart, nStart + nBits, [&](uint32_t p, uint64_t r) {
                    const uint64_t i = r - nStart;
                    write(pCarrier, p, C_SampleWriter::SymbolOf(pSymbols[i >> 3], i & 7));
                });
            }
        });
        m_nDrawn += nBits;
        return;
    }
    SendBytes(m_payload.GetData(), m_payload.GetSize());
}

bool C_BitTransfer::UseWalk(size_t nCount) const
{
    // The walk visits every block of the carrier whatever the payload; below about 1/64 of N
    // in draws the sequence is cheaper.
    const uint64_t nEnd = m_nDrawn + 8 * uint64_t{nCount};
    const uint64_t nSize = m_carrier.GetSize();
    return nCount != 0 && nEnd <= nSize && 8 * uint64_t{nCount} >= nSize / 64 && nSize >= C_CarrierWalk::kBlockBytes;
}

void C_BitTransfer::CatchUp()
{
    uint32_t aSkip[1024];
    while (m_nSequence < m_nDrawn) {
        const uint64_t n = std::min<uint64_t>(m_nDrawn - m_nSequence, std::size(aSkip));
        m_sequence.Fill(aSkip, n);
        m_nSequence += n;
    }
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
    if (UseWalk(m_payload.GetSize())) {
        const uint64_t nBits = 8 * uint64_t{m_payload.GetSize()};
        const C_CarrierWalk walk(m_sequence.GetKey(), m_carrier.GetSize());
        uint8_t* pPayload = m_payload.GetData();
        std::fill_n(pPayload, m_payload.GetSize(), uint8_t{0});
        const uint64_t nStart = m_nDrawn;
        const uint8_t* pCarrier = m_carrier.GetData();
        walk.Walk(nStart, nStart + nBits, [&](uint32_t p, uint64_t r) {
            const uint64_t i = r - nStart;
            pPayload[i >> 3] = static_cast<uint8_t>(pPayload[i >> 3] | (pCarrier[p] & 1) << (7 - (i & 7)));
        });
        m_nDrawn += nBits;
        return;
    }
    ReceiveBytes(m_payload.GetData(), m_payload.GetSize());
}

// Positions are drawn in blocks so the sequence keeps its state in registers while it runs.
constexpr size_t kSequenceBlockBytes = 256;

void C_BitTransfer::SendBytes(const uint8_t* pBytes, size_t nCount)
{
    if (nCount == 0 || m_carrier.IsEmpty())
        return;
    CatchUp();
    m_nDrawn += 8 * uint64_t{nCount};
    m_nSequence = m_nDrawn;
    uint8_t* const pCarrier = m_carrier.GetData();
    const uint32_t nSize = m_carrier.GetSize();
    uint32_t aPositions[8 * kSequenceBlockBytes];
    m_writer.WithPen([&](const auto write) {
        for (size_t nDone = 0; nDone < nCount; nDone += kSequenceBlockBytes) {
            const size_t nBlock = std::min(kSequenceBlockBytes, nCount - nDone);
            m_sequence.Fill(aPositions, 8 * nBlock);
            const std::vector<uint16_t> symbols = m_writer.Symbols(pBytes + nDone, nBlock);
            const uint32_t* p = aPositions;
            for (size_t i = 0; i < nBlock; ++i) {
                for (unsigned j = 0; j < 8; ++j, ++p) {
                    if (*p < nSize)  // always true for drawn positions; keeps the write in bounds
                        write(pCarrier, *p, C_SampleWriter::SymbolOf(symbols[i], j));
                }
            }
        }
    });
}

void C_BitTransfer::ReceiveBytes(uint8_t* pBytes, size_t nCount)
{
    if (nCount == 0)
        return;
    if (m_carrier.IsEmpty()) {  // no sequence is ever drawn with N = 0
        std::fill_n(pBytes, nCount, uint8_t{0});
        return;
    }
    CatchUp();
    m_nDrawn += 8 * uint64_t{nCount};
    m_nSequence = m_nDrawn;
    const C_ByteView carrier = m_carrier;
    uint32_t aPositions[8 * kSequenceBlockBytes];
    for (size_t nDone = 0; nDone < nCount; nDone += kSequenceBlockBytes) {
        const size_t nBlock = std::min(kSequenceBlockBytes, nCount - nDone);
        m_sequence.Fill(aPositions, 8 * nBlock);
        const uint32_t* p = aPositions;
        for (size_t i = 0; i < nBlock; ++i) {
            unsigned nValue = 0;
            for (int nBit = 0; nBit < 8; ++nBit, ++p)
                nValue = (nValue << 1) | (carrier.Read(*p) & 1u);
            pBytes[nDone + i] = static_cast<uint8_t>(nValue);
        }
    }
}
