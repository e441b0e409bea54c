#pragma once
// Why a picture could not be read or written. The short texts go to the CLI's stderr and the
// tests; the user-facing message stays the program's own ("Error Opening Image!").

enum class E_ImageError {
    None,
    CannotRead,      // the file could not be opened or read (detail: the system's reason)
    CannotWrite,     // the target could not be written (detail: the system's reason)
    FileTooLarge,    // 4 GiB or more
    UnknownFormat,   // not BMP, GIF, PCX or PNG by its first bytes
    Lossy,           // a JPEG: its lossy compression would destroy hidden bytes on every save
    BadHeader,       // a header field is out of range or inconsistent
    BadDepth,        // bits per pixel / plane combination not supported
    BadCompression,  // compression method not supported
    BadPalette,      // palette missing or out of the file
    Truncated,       // the file ends before the data its header promises
    BadRle,          // a run or escape of RLE data leaves the picture or makes no sense
    GifDecode,       // giflib refused the data (detail: giflib's reason)
    GifEncode,       // giflib could not encode (detail: giflib's reason)
    PngDecode,       // libpng refused the data (detail: libpng's reason)
    PngEncode,       // libpng could not encode (detail: libpng's reason)
    Animated,        // an animated PNG whose further frames the operation cannot keep
    NoFrame,         // a GIF without an image, or with an empty or off-screen first image
    TooLarge,        // the decoded picture would exceed the byte limit
    NeedsConsent,    // the decoded picture is far larger than its file; loads only when allowed
    NoPicture,       // nothing loaded to save
    BadLayout,       // the picture's fields do not describe its pixel buffer
    CannotEncode,    // the target format cannot hold this picture (e.g. too wide for PCX)
};

constexpr const char* ImageErrorText(E_ImageError eError)
{
    switch (eError) {
    case E_ImageError::None: return "no error";
    case E_ImageError::CannotRead: return "cannot read file";
    case E_ImageError::CannotWrite: return "cannot write file";
    case E_ImageError::FileTooLarge: return "file of 4 GiB or more";
    case E_ImageError::UnknownFormat: return "not a BMP, GIF, PCX or PNG picture";
    case E_ImageError::Lossy: return "JPEG is lossy: saving it would destroy hidden data (convert it to PNG first)";
    case E_ImageError::BadHeader: return "malformed header";
    case E_ImageError::BadDepth: return "unsupported bit depth";
    case E_ImageError::BadCompression: return "unsupported compression";
    case E_ImageError::BadPalette: return "missing or malformed palette";
    case E_ImageError::Truncated: return "truncated data";
    case E_ImageError::BadRle: return "malformed RLE data";
    case E_ImageError::GifDecode: return "GIF decoding failed";
    case E_ImageError::GifEncode: return "GIF encoding failed";
    case E_ImageError::PngDecode: return "PNG decoding failed";
    case E_ImageError::PngEncode: return "PNG encoding failed";
    case E_ImageError::Animated: return "the animated PNG's further frames cannot be kept";
    case E_ImageError::NoFrame: return "GIF has no usable first image";
    case E_ImageError::TooLarge: return "picture too large";
    case E_ImageError::NeedsConsent: return "picture expands far beyond its file size";
    case E_ImageError::NoPicture: return "no picture loaded";
    case E_ImageError::BadLayout: return "picture fields do not match its pixel buffer";
    case E_ImageError::CannotEncode: return "picture does not fit the target format";
    }
    return "unknown error";
}
