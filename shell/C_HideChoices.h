#pragma once
// The Actions menu's two check marks on how to hide (plus or minus one, pair the palette), kept
// in the settings group "Hide Options" so that they last from one run to the next.

#include "commands/C_HideOptions.h"

class QSettings;

class C_HideChoices {
public:
    void ReadFrom(QSettings& settings);
    void WriteTo(QSettings& settings) const;

    const C_HideOptions& GetOptions() const { return m_options; }
    void SetMatchEmbedding(bool b) { m_options.m_bMatchEmbedding = b; }
    void SetPairPalette(bool b) { m_options.m_bPairPalette = b; }

private:
    C_HideOptions m_options;
};
