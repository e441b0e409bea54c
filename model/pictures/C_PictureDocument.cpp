#include "model/pictures/C_PictureDocument.h"

bool C_PictureDocument::CanRenumberPalette(const BTCImageData&) const
{
    return true;
}

void C_PictureDocument::RenumberPalette(
    const std::vector<S_Rgb>&, const std::vector<uint32_t>&, const std::vector<uint8_t>&)
{ }

void C_PictureDocument::BecameGray(bool, const S_PixelLayout&)
{ }
