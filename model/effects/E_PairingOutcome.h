#pragma once
// What palette pairing did to a picture. Every outcome but Paired leaves the picture untouched.

enum class E_PairingOutcome {
    Paired,         // the palette was reordered and every stored index remapped
    NothingToPair,  // two entries or fewer, or the order already pairs near colours best
    NotPalette,     // a true-colour or gray picture: its pixel bytes are no palette indices
    Unsupported,    // the fields do not describe the buffer, a GIF document that disagrees with
                    // the picture, or an animated PNG (its further frames are kept compressed)
};
