#include "cli/C_PictureIo.h"

#include "cli/C_CliError.h"
#include "cli/C_Text.h"
#include "model/C_Carrier.h"

E_ImageFormat C_PictureIo::RequireOutputFormat(const std::string& strOutput)
{
    const E_ImageFormat eFormat = C_Carrier::FormatForPath(strOutput);
    if (eFormat == E_ImageFormat::None)
        throw C_CliError(E_ExitCode::Refused,
            "The output name must end in bmp, gif or pcx, which chooses the picture format: "
                + C_Text::Printable(strOutput));
    return eFormat;
}

const char* C_PictureIo::FormatName(E_ImageFormat eFormat)
{
    switch (eFormat) {
    case E_ImageFormat::Bmp: return "BMP";
    case E_ImageFormat::Gif: return "GIF";
    case E_ImageFormat::Pcx: return "PCX";
    case E_ImageFormat::None: break;
    }
    return "unknown";
}

std::string C_PictureIo::Reason(const std::string& strPath, const std::string& strReason)
{
    return C_Text::Printable(strPath) + ": " + (strReason.empty() ? std::string("unknown reason") : strReason);
}

void C_PictureIo::Open(C_Carrier& carrier, const std::string& strPath, const char* pFailText)
{
    if (!carrier.OpenImage(strPath))
        throw C_CliError(E_ExitCode::Failed, std::string(pFailText) + "\n" + Reason(strPath, carrier.GetLastError()));
}

void C_PictureIo::Save(C_Carrier& carrier, const std::string& strPath)
{
    if (!carrier.SaveImage(strPath))
        throw C_CliError(E_ExitCode::Failed, std::string(kSaveFailed) + "\n" + Reason(strPath, carrier.GetLastError()));
}
