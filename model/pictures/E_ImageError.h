#pragma once
// Why a picture could not be read or written. The short texts go to the CLI's stderr and the
// tests; the user-facing message stays the program's own ("Error Opening Image!"). A code names
// no format: the texts that need one take it from the format registry.

enum class E_ImageError {
    None,
    CannotRead,      // the file could not be opened or read (detail: the system's reason)
    CannotWrite,     // the target could not be written (detail: the system's reason)
    FileTooLarge,    // 4 GiB or more
    UnknownFormat,   // not one of the registry's formats by its first bytes
    Lossy,           // a JPEG: its lossy compression would destroy hidden bytes on every save
    BadHeader,       // a header field is out of range or inconsistent
    BadDepth,        // bits per pixel / plane combination not supported
    BadCompression,  // compression method not supported
    BadPalette,      // palette missing or out of the file
    Truncated,       // the file ends before the data its header promises
    BadRle,          // a run or escape of RLE data leaves the picture or makes no sense
    Decode,          // the format's library refused the data (detail: the library's reason)
    Encode,          // the format's library could not encode (detail: the library's reason)
    Animated,        // an animated picture whose further frames the operation cannot keep
    NoFrame,         // no image, or an empty or off-screen first image
    TooLarge,        // the decoded picture would exceed the byte limit
    NeedsConsent,    // the decoded picture is far larger than its file; loads only when allowed
    NoPicture,       // nothing loaded to save
    BadLayout,       // the picture's fields do not describe its pixel buffer
    CannotEncode,    // the target format cannot hold this picture (e.g. too wide for PCX)
};

// The code's text. Decode, Encode and NoFrame say what befell a format: C_ImageError puts the
// format's name before them ("GIF decoding failed").
const char* ImageErrorText(E_ImageError eError);
