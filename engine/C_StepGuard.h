#pragma once
// What a matching writer asks before it moves a sample by one: whether the step keeps what the
// picture shows around that byte. The engine knows no formats; the picture's model answers.

#include <cstdint>

class C_StepGuard {
public:
    virtual ~C_StepGuard() = default;
    // True when the sample at nPosition may take nValue. pCarrier holds the bytes as they are
    // before the step. For a 16-bit sample (MatchBigEndian16) nPosition is its high byte and
    // nValue the whole sample; otherwise nValue is the byte.
    virtual bool Allows(const uint8_t* pCarrier, uint32_t nPosition, unsigned nValue) const = 0;
};
