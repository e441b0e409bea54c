#pragma once
// A PNG picture's pixel bytes as a QImage to draw. The layouts Qt stores the same way share the
// bytes: 8-bit RGB and RGBA, and 1- and 8-bit palette and gray pictures through a colour table.
// The others are converted through the picture layer's reader: 2- and 4-bit indices, 16-bit
// samples (their high byte), gray with alpha. Transparency is kept (alpha samples, and the tRNS
// entries of palette and gray pictures), so the view's white shows through as in other viewers.

#include <QImage>

class BTCImageData;

class C_PngImage {
public:
    // Null when `data` is not a PNG layout that its fields describe, or when memory runs out.
    static QImage Wrap(const BTCImageData& data);
};
