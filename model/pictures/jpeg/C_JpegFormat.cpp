#include "model/pictures/jpeg/C_JpegFormat.h"

#include "model/pictures/C_FormatDetector.h"
#include "model/pictures/jpeg/C_JpegDocument.h"
#include "model/pictures/jpeg/vmk_jpeg_name.h"

S_FormatEntry C_JpegFormat::Entry()
{
    S_FormatEntry entry;
    entry.eFormat = E_ImageFormat::Jpeg;
    entry.pszName = kJpegName;
    entry.pszExtension = "jpg";
    entry.pszOtherExtension = "jpeg";
    entry.pszFilterText = "JPEG";
    entry.fnIsSignature = &C_FormatDetector::IsJpeg;
    entry.fnDecode = &C_JpegDocument::Decode;
    entry.fnEncode = &C_JpegDocument::Encode;
    // Pixels are compressed with loss: only the coefficients come back as they were written.
    entry.caps.bTrueColour = true;
    entry.caps.bLossless = false;
    entry.fnAccepts = &C_JpegDocument::HoldsLayout;
    entry.fnAdopt = &C_JpegDocument::AdoptConverted;
    entry.nMaxSide = 65500;
    entry.pszMimeTypes = "image/jpeg;";
    return entry;
}
