#pragma once
// One hide or one reveal: moves a hidden record, most significant bit first, into or out of
// the least significant bits of the carrier bytes that the keyed sequence draws.

#include "engine/C_ByteView.h"
#include "engine/C_HiddenHeader.h"
#include "engine/C_PositionSequence.h"
#include "engine/C_SampleWriter.h"

#include <cstdint>
#include <string_view>
#include <utility>

class C_BitTransfer {
public:
    // pCarrier / nCarrier: the carrier bytes and N. pPayload / nPayload: the payload to send, or
    // null and 0 for a reveal. Neither buffer is owned.
    C_BitTransfer(uint8_t* pCarrier, uint32_t nCarrier, uint8_t* pPayload = nullptr, uint32_t nPayload = 0);

    // Keys the sequence with the pass phrase, then gives it the modulus N. Call once, first.
    void SetKey(std::string_view strPassword);

    // True when sending a record of nRecordBytes would draw some carrier byte twice, so a later
    // bit would overwrite an earlier one. Changes nothing.
    bool WouldRepeat(uint64_t nRecordBytes) const;
    // The longest record, in bytes, whose draws name no carrier byte twice under this key.
    uint64_t LongestRecordWithoutRepeat() const { return m_sequence.DrawsBeforeRepeat(m_carrier.GetSize()) / 8; }

    // How the bits are written: replacement unless told otherwise. Call before sending.
    void SetWriter(C_SampleWriter writer) { m_writer = std::move(writer); }

    void SendHeader(const C_HiddenHeader& header);
    void SendPayload();

    // Receives the nine fixed bytes and, when the signature matches and the record can lie
    // within N carrier bytes, the name. False for anything else; nothing is allocated then.
    bool ReceiveHeader(C_HiddenHeader& header);
    void SetPayloadView(const C_ByteView& payload) { m_payload = payload; }
    void ReceivePayload();

private:
    // The draw-order loops: one position from the sequence per bit.
    void SendBytes(const uint8_t* pBytes, size_t nCount);
    void ReceiveBytes(uint8_t* pBytes, size_t nCount);
    // A payload large against the carrier goes through the cache-blocked walk instead, when
    // its draws stay within N (the first two passes). Same positions, same bits.
    bool UseWalk(size_t nCount) const;
    // Brings the sequence level with the draws that a walk made.
    void CatchUp();

    C_ByteView m_carrier;
    C_ByteView m_payload;
    C_PositionSequence m_sequence;
    C_SampleWriter m_writer;
    uint64_t m_nDrawn = 0;     // draws made so far, by either path
    uint64_t m_nSequence = 0;  // draws the sequence itself has handed out
};
