#include "cli/C_PictureIo.h"

#include "cli/C_CliError.h"
#include "cli/C_Text.h"
#include "model/C_Carrier.h"
#include "model/files/C_AtomicFileWriter.h"
#include "model/pictures/C_FormatRegistry.h"
#include "model/pictures/C_ImageConverter.h"
#include "model/pictures/E_ImageError.h"

#include <algorithm>
#include <cctype>

namespace { }  // namespace

E_ImageFormat C_PictureIo::RequireOutputFormat(const std::string& strOutput)
{
    const E_ImageFormat eFormat = C_Carrier::FormatForPath(strOutput);
    if (eFormat == E_ImageFormat::None)
        throw C_CliError(
            E_ExitCode::Refused, std::string(vmk::kStrNameChoosesFormat) + ": " + C_Text::Printable(strOutput));
    return eFormat;
}

const char* C_PictureIo::FormatName(E_ImageFormat eFormat)
{
    const char* pszName = C_FormatRegistry::Name(eFormat);
    return pszName ? pszName : "unknown";
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
    // A JPEG was read well enough to know it must not be used: refused input, not a bad file.
    if (carrier.GetLastErrorCode() == E_ImageError::Lossy)
        throw C_CliError(E_ExitCode::Refused, strText);
    throw C_CliError(E_ExitCode::Failed, strText);
}

bool C_PictureIo::IsAnimated(const C_Carrier& carrier)
{
    const BTCImageData* pData = carrier.GetObjectDataPtr();
    return pData && C_ImageConverter::FramesBindSource(*pData);
}

void C_PictureIo::RequireConvertible(const C_Carrier& carrier, E_ImageFormat eTarget, const std::string& strPath)
{
    // A conversion carries the first frame alone; only the picture's own format keeps the rest.
    const BTCImageData* pData = carrier.GetObjectDataPtr();
    if (IsAnimated(carrier) && eTarget != pData->m_eSourceFormat)
        throw C_CliError(E_ExitCode::Refused,
            Reason(strPath, ImageErrorText(E_ImageError::Animated)) + "\nNothing was written; only a "
                + FormatName(pData->m_eSourceFormat) + " output keeps every frame.");
}

void C_PictureIo::Save(C_Carrier& carrier, const std::string& strPath)
{
    if (!carrier.SaveImage(strPath))
        throw C_CliError(E_ExitCode::Failed, std::string(kSaveFailed) + "\n" + Reason(strPath, carrier.GetLastError()));
}
