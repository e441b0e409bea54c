#pragma once
// Opening and saving pictures for the commands, with the application's messages and the
// picture layer's reason on stderr.

#include "cli/C_CliContext.h"
#include "model/pictures/C_ImageFormat.h"
#include "model/vmk_texts.h"

#include <string>

class C_Carrier;

class C_PictureIo {
public:
    static constexpr const char* kOpenFailed = vmk::kStrOpenFailed;
    static constexpr const char* kOpenSecondFailed = vmk::kStrSecondOpenFailed;
    static constexpr const char* kSaveFailed = vmk::kStrSaveFailed;

    // The format a save to strOutput writes, decided as SaveImage decides it. Throws Refused
    // when the name ends in no format's extension, so a command stops before any work;
    // a JPEG name with the reason it cannot be one.
    static E_ImageFormat RequireOutputFormat(const std::string& strOutput);
    // The format's name as the registry gives it; "unknown" for none.
    static const char* FormatName(E_ImageFormat eFormat);
    // Refuses (Failed) an existing OUTPUT whose mode lets nobody write it, unless bForce.
    static void RequireWritable(const std::string& strOutput, bool bForce);
    // Loads strPath into carrier; throws Failed with pFailText and the reason, or Refused when
    // the picture is a JPEG or would decode to far more than its file and --allow-large was
    // not given.
    static void Open(const C_CliContext& context, C_Carrier& carrier, const std::string& strPath,
        const char* pFailText = kOpenFailed);
    // Throws Refused when the loaded picture cannot be written as eTarget at all, before any
    // work: a picture whose further frames its format keeps only in its own files is written in
    // that format alone.
    static void RequireConvertible(const C_Carrier& carrier, E_ImageFormat eTarget, const std::string& strPath);
    // The loaded picture has further frames that its format keeps only in its own files.
    static bool IsAnimated(const C_Carrier& carrier);
    // Writes the carrier to strPath (atomically); throws Failed with "Error Saving Image!" and
    // the reason.
    static void Save(C_Carrier& carrier, const std::string& strPath);
    // "path: reason", the second line of a failure message.
    static std::string Reason(const std::string& strPath, const std::string& strReason);
};
