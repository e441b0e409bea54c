#include "cli/C_PictureIo.h"

#include "cli/C_CliError.h"
#include "cli/C_Text.h"
#include "model/C_Carrier.h"
#include "model/C_AtomicFileWriter.h"

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
    case E_ImageFormat::Png: return "PNG";
    case E_ImageFormat::None: break;
    }
    return "unknown";
}

std::string C_PictureIo::Reason(const std::string& strPath, const std::string& strReason)
{
    return C_Text::Printable(strPath) + ": " + (strReason.empty() ? std::string("unknown reason") : strReason);
}

void C_PictureIo::RequireWritable(const std::string& strOutput, bool bForce)
{
    if (!bForce && C_AtomicFileWriter::IsReadOnly(strOutput))
        throw C_CliError(E_ExitCode::Failed,
            C_Text::Printable(strOutput) + " is read-only; nothing was written. Give --force to replace it.");
}

void C_PictureIo::Open(
    const C_CliContext& context, C_Carrier& carrier, const std::string& strPath, const char* pFailText)
{
    carrier.SetAllowLarge(context.AllowLarge());
    if (carrier.OpenImage(strPath))
        return;
    const std::string strText = std::string(pFailText) + "\n" + Reason(strPath, carrier.GetLastError());
    if (carrier.GetLastErrorCode() == E_ImageError::NeedsConsent)
        throw C_CliError(E_ExitCode::Refused,
            strText
                + "\nIt would take far more memory than its file size suggests. Give --allow-large to open it anyway.");
    throw C_CliError(E_ExitCode::Failed, strText);
}

void C_PictureIo::Save(C_Carrier& carrier, const std::string& strPath)
{
    if (!carrier.SaveImage(strPath))
        throw C_CliError(E_ExitCode::Failed, std::string(kSaveFailed) + "\n" + Reason(strPath, carrier.GetLastError()));
}
