#include "cli/C_PictureCopyCommand.h"

#include "cli/C_PictureIo.h"
#include "cli/C_Text.h"
#include "model/C_Carrier.h"
#include "model/pictures/C_ConversionLoss.h"
#include "model/pictures/C_FormatRegistry.h"

#include <ostream>

C_PictureCopyCommand::C_PictureCopyCommand(
    CLI::App& root, const char* pName, const char* pDescription, const char* pExample)
{
    m_pCommand = root.add_subcommand(pName, pDescription);
    m_pCommand->add_option("PICTURE", m_strPicture, "The picture to convert")->required();
    m_pCommand
        ->add_option("-o,--output", m_strOutput,
            "The picture to write; its last three characters (" + C_FormatRegistry::NameList(", ", true)
                + ") choose the format")
        ->required()
        ->option_text("OUTPUT");
    m_pCommand->add_flag("--force", m_bForce, "Replace an OUTPUT whose mode denies writing");
    m_pCommand->footer(std::string("Example:\n  ") + pExample);
}

E_ExitCode C_PictureCopyCommand::Run(const C_CliContext& context)
{
    const E_ImageFormat eFormat = C_PictureIo::RequireOutputFormat(m_strOutput);
    C_PictureIo::RequireWritable(m_strOutput, m_bForce);
    C_Carrier carrier;
    C_PictureIo::Open(context, carrier, m_strPicture);
    C_PictureIo::RequireConvertible(carrier, eFormat, m_strPicture);
    Change(carrier);
    // The user asked for this format, so it is written all the same; what it costs is said.
    const C_ConversionLoss loss = C_ConversionLoss::Of(*carrier.GetObjectDataPtr(), eFormat);
    if (loss.Any()) {
        context.Err() << "Warning: writing " << C_Text::Printable(m_strOutput) << " as "
                      << C_PictureIo::FormatName(eFormat) << " loses:\n";
        for (const std::string& strLine : loss.Lines())
            context.Err() << "  " << strLine << "\n";
    }
    C_PictureIo::Save(carrier, m_strOutput);
    context.Out() << "Saved to: " << C_Text::Printable(m_strOutput) << "\n";
    return E_ExitCode::Done;
}
