#pragma once
// Opening and saving pictures for the commands, with the application's messages and the
// picture layer's reason on stderr.

#include "model/image/C_ImageFormat.h"

#include <string>

class C_Carrier;

class C_PictureIo {
public:
    static constexpr const char* kOpenFailed = "Error Opening Image!";
    static constexpr const char* kOpenSecondFailed = "Error Opening Second Image!";
    static constexpr const char* kSaveFailed = "Error Saving Image!";

    // The format a save to strOutput writes, decided as SaveImage decides it. Throws Refused
    // when the name ends in none of bmp, gif and pcx, so a command stops before any work.
    static E_ImageFormat RequireOutputFormat(const std::string& strOutput);
    // "BMP", "GIF", "PCX".
    static const char* FormatName(E_ImageFormat eFormat);
    // Loads strPath into carrier; throws Failed with pFailText and the reason.
    static void Open(C_Carrier& carrier, const std::string& strPath, const char* pFailText = kOpenFailed);
    // Writes the carrier to strPath (atomically); throws Failed with "Error Saving Image!" and
    // the reason.
    static void Save(C_Carrier& carrier, const std::string& strPath);
    // "path: reason", the second line of a failure message.
    static std::string Reason(const std::string& strPath, const std::string& strReason);
};
