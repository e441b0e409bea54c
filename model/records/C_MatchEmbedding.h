#pragma once
// Plus-or-minus-one embedding for a picture: which of its pixel bytes are samples that a step
// of one barely changes, and the writer that embeds into them (C_SampleWriter) with random
// directions from libsodium.

#include "engine/C_SampleWriter.h"
#include "model/pictures/BTCImageData.h"

class C_MatchEmbedding {
public:
    // MatchBytes: true colour and gray pictures of 8 bits a sample (BMP 24/32 with byte-wide
    // channels, PCX 24, PNG gray/RGB with or without alpha) and 8-bit pictures whose palette is
    // the gray ramp, where an index is its gray level. MatchBigEndian16: PNG of 16 bits a
    // sample. Replace for everything else: palette indices and packed pixels, where a step of
    // one shows another colour altogether.
    static C_SampleWriter::E_Mode ModeOf(const BTCImageData& data);

    // A writer for eMode whose random directions come from libsodium.
    static C_SampleWriter Writer(C_SampleWriter::E_Mode eMode);
};
