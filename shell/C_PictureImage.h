#pragma once
// A decoded picture's pixel bytes as a QImage to draw, built from the layout its format describes
// (BTCImageData::Layout()), whatever the format. The layouts Qt stores the same way share the
// bytes: 1- and 8-bit indices and gray levels through a colour table, blue-green-red and 8-bit
// red-green-blue(-alpha) samples, and the usual channel masks of 16- and 32-bit words. The others
// are converted: 2- and 4-bit indices and levels, 16-bit samples (their high byte), gray with
// alpha, masks of a picture's own. Transparency is kept where the picture's alpha says it (alpha
// samples, a palette entry's alpha, a gray level's key), so the view's white shows through as in
// other viewers.

#include <QImage>

class BTCImageData;

class C_PictureImage {
public:
    // Rows in stored order; `bFlip` tells that the first stored row is the bottom one. Null when
    // the fields do not describe the buffer, no layout is known, or memory runs out.
    static QImage Wrap(const BTCImageData& data, bool& bFlip);
};
