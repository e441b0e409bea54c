#pragma once
// The cover of a picture's decoded pixel bytes (or of bytes a caller lends the carrier): every
// byte but the last, in buffer order. How each may change follows from the embedding: with
// replacement its least significant bit is set; with plus-or-minus-one embedding its sample
// moves by one (C_SampleWriter's modes), the way round that a guard (C_Transparency) allows
// where the other would make a pixel appear, vanish or change its opacity class.
//
// A 16-bit sample's high byte moves its low byte too, which may be the last pixel byte: the
// byte after the last element is part of what a record may touch, never one it writes a bit in.

#include "engine/C_SampleWriter.h"
#include "engine/C_StepGuard.h"
#include "model/records/C_Cover.h"
#include "model/records/C_ElementCosts.h"

#include <cstdint>
#include <memory>

class C_PixelCover final : public C_Cover {
public:
    // nBytes elements at pBytes (pBytes must hold one byte more). eMode: Replace, or the match
    // mode of the picture's samples; pGuard (may be null) is asked before a step of one.
    C_PixelCover(uint8_t* pBytes, uint32_t nBytes, C_SampleWriter::E_Mode eMode,
        std::shared_ptr<const C_StepGuard> pGuard = nullptr);

    // The picture the bytes are: its geometry and layout, for Weigh. Without it the cover
    // cannot weigh its elements.
    void SetPicture(const C_ElementCosts::S_Picture& picture) { m_picture = picture; }

    uint32_t Size() const override { return m_nBytes; }
    E_Change ChangeOf(uint32_t nElement) const override;
    bool CanWeigh() const override
    {
        return m_picture.pBytes && m_picture.pBytes == m_pBytes && C_ElementCosts::CanWeigh(m_picture.layout);
    }
    bool Weigh(std::vector<float>& costs) const override;
    unsigned StepsOf(uint32_t nElement) const override;
    bool GuardsSteps() const override { return m_pGuard || m_eMode != C_SampleWriter::E_Mode::MatchBytes; }
    uint8_t* Bytes() const override { return m_pBytes; }
    const C_SampleWriter& Writer() const override { return m_writer; }

private:
    // Whether the guard lets the sample at nPosition take nValue (the terms of C_StepGuard).
    bool Allows(uint32_t nPosition, unsigned nValue) const;

    uint8_t* m_pBytes = nullptr;  // not owned
    uint32_t m_nBytes = 0;
    C_SampleWriter::E_Mode m_eMode = C_SampleWriter::E_Mode::Replace;
    std::shared_ptr<const C_StepGuard> m_pGuard;
    C_SampleWriter m_writer;
    C_ElementCosts::S_Picture m_picture;  // pBytes null: no picture known
};
