#include "cli/C_GrayscaleCommand.h"

#include "cli/C_PictureIo.h"
#include "model/C_Carrier.h"
#include "model/pictures/E_ImageError.h"
#include "model/vmk_texts.h"

C_GrayscaleCommand::C_GrayscaleCommand(CLI::App& root)
    : C_PictureCopyCommand(root, "grayscale", "Write a gray-scale copy of a picture", vmk::kStrCliExampleGrayscale)
{ }

void C_GrayscaleCommand::Change(C_Carrier& carrier) const
{
    if (carrier.ConvertToGrayscale())
        return;
    // The effect gives no reason of its own: name the one a user can do something about.
    if (C_PictureIo::IsAnimated(carrier))
        throw C_CliError(E_ExitCode::Refused,
            "The picture could not be converted to gray scale.\n"
                + C_PictureIo::Reason(m_strPicture, ImageErrorText(E_ImageError::Animated)));
    throw C_CliError(E_ExitCode::Failed,
        "The picture could not be converted to gray scale.\n"
            + C_PictureIo::Reason(m_strPicture, carrier.GetLastError()));
}
