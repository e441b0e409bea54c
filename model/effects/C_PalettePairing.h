#pragma once
// Palette pairing: reorders a palette picture's colours so that entries 2i and 2i+1 are near
// colours, and remaps every stored index so that the picture looks exactly as before. Hiding
// flips the least significant bit of an index, which shows entry i^1 instead of i; after pairing
// that is a near colour rather than an arbitrary one. Run it before hiding, never after.
//
// Indices past the palette's end (or past 2^depth) keep their value and their meaning. Entries
// that no index can reach (past 2^depth) keep their place. The palette keeps its size.

#include "model/pictures/BTCImageData.h"
#include "model/effects/E_PairingOutcome.h"

#include <cstdint>
#include <vector>

class C_PalettePairing {
public:
    // Reorders data's palette and remaps its indices of 1, 2, 4 or 8 bits; the picture's
    // document renumbers what its format keeps besides (chunks and blocks naming an index,
    // further frames drawing with the same palette). A picture whose layout is not indexed is
    // NotPalette; one whose document cannot follow is Unsupported. Anything but Paired leaves
    // data as it was.
    static E_PairingOutcome Apply(BTCImageData& data);

    // The mean over the pixels of the RGB distance between the colour a pixel shows and the one
    // it shows with its index's least significant bit flipped (black past the palette's end);
    // 0 for a picture whose bytes are no indices or whose fields do not describe its buffer.
    // Pixels whose index or flipped index is transparent (opacity 0) are left out.
    static double MeanFlipDistance(const BTCImageData& data);

    // The pairing of a palette: aOrder[k] is the old entry that goes to place k, so that entries
    // 2i and 2i+1 of the new order are near. aAlpha: one opacity per entry (a missing one counts
    // as 255), or empty for opaque. aUse: the pixels drawn with each entry and, after them, those
    // past the palette's end (they show black); empty when every entry counts alike. In an odd
    // palette the entry whose flip to the black past the end costs least goes last. Deterministic.
    // PairedOrder: pair swaps while any lowers PairedDistance, from three starts (nearest pairs by
    // use, nearest pairs by colour alone, the given order); never worse than the given order.
    // Entries of opacity 0 pair only with each other, since a flip between one and a shown entry
    // makes a pixel appear or vanish; when both groups are odd, the transparent entry and the shown
    // one with the fewest pixels form the one pair that crosses. Apply keeps an order that has
    // fewer pixels in crossing pairs before one with a smaller distance; the layout's transparent
    // index counts as opacity 0.
    static std::vector<uint32_t> PairedOrder(
        const std::vector<S_Rgb>& aColours, const std::vector<uint8_t>& aAlpha, const std::vector<uint64_t>& aUse);
    // Nearest pairs first and nothing more, the baseline of PairedOrder.
    static std::vector<uint32_t> GreedyOrder(
        const std::vector<S_Rgb>& aColours, const std::vector<uint8_t>& aAlpha, const std::vector<uint64_t>& aUse);
    // What PairedOrder minimises: over the entries in aOrder's arrangement, each entry's use times
    // its distance to its partner (2i with 2i+1, a lone last entry with the black past the end).
    // With the picture's counts this is MeanFlipDistance times the pixel count.
    static double PairedDistance(const std::vector<S_Rgb>& aColours, const std::vector<uint8_t>& aAlpha,
        const std::vector<uint64_t>& aUse, const std::vector<uint32_t>& aOrder);
};
