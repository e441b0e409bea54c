#include "cli/C_GrayscaleCommand.h"

#include "cli/C_PictureIo.h"
#include "cli/C_Text.h"
#include "model/C_Carrier.h"

#include <ostream>

C_GrayscaleCommand::C_GrayscaleCommand(CLI::App& root)
{
    m_pCommand = root.add_subcommand("grayscale", "Write a gray-scale copy of a picture");
    m_pCommand->add_option("PICTURE", m_strPicture, "The picture to convert")->required();
    m_pCommand->add_option("-o,--output", m_strOutput,
        "The picture to write; its last three characters (bmp, gif, pcx) choose the format")
        ->required()
        ->option_text("OUTPUT");
    m_pCommand->add_flag("--force", m_bForce, "Replace an OUTPUT whose mode denies writing");
    m_pCommand->footer("Example:\n  veilmark-cli grayscale photo.bmp -o photo-gray.bmp");
}

E_ExitCode C_GrayscaleCommand::Run(const C_CliContext& context)
{
    C_PictureIo::RequireOutputFormat(m_strOutput);
    C_PictureIo::RequireWritable(m_strOutput, m_bForce);
    C_Carrier carrier;
    C_PictureIo::Open(context, carrier, m_strPicture);
    if (!carrier.ConvertToGrayscale())
        throw C_CliError(E_ExitCode::Failed,
            "The picture could not be converted to gray scale.\n"
                + C_PictureIo::Reason(m_strPicture, carrier.GetLastError()));
    C_PictureIo::Save(carrier, m_strOutput);
    context.Out() << "Saved to: " << C_Text::Printable(m_strOutput) << "\n";
    return E_ExitCode::Done;
}
