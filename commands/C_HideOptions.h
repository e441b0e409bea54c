#pragma once
// How the hide commands write a record, as the user chose it in the Actions menu. The shell keeps
// the choice; the commands only read it.

struct C_HideOptions {
    // Plain records move a sample by plus or minus one instead of replacing its lowest bit, where
    // the picture allows (palette pictures fall back to replacement). Sealed records do so always.
    bool m_bMatchEmbedding = false;
    // A palette picture's colours are reordered into near pairs right before the hide, so a
    // changed index shows a near colour. Other pictures are hidden into as they are.
    bool m_bPairPalette = false;
};
