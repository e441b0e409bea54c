#include "cli/C_AnalyzeCommand.h"

#include "cli/C_PictureIo.h"
#include "cli/C_Text.h"
#include "model/C_Carrier.h"
#include "model/analysis/C_DetectionCheck.h"
#include "model/analysis/C_JpegDetectionCheck.h"
#include "model/pictures/jpeg/C_JpegCoefficients.h"
#include "model/pictures/C_FormatRegistry.h"
#include "model/vmk_texts.h"

#include <cstdint>
#include <iomanip>
#include <ostream>
#include <sstream>

namespace {

std::string Fixed(double dValue)
{
    std::ostringstream text;
    text << std::fixed << std::setprecision(3) << dValue;
    return text.str();
}

}  // namespace

C_AnalyzeCommand::C_AnalyzeCommand(CLI::App& root)
{
    m_pCommand = root.add_subcommand("analyze",
        "Estimate how much of a picture's lowest bits looks replaced (sample pair analysis, RS analysis, "
        "chi-square attack) and how much it could hide and still read clean; for a JPEG, the chi-square attack "
        "on coefficient pairs and the calibrated histogram estimate");
    m_pCommand->add_option("PICTURE", m_strPicture, "The picture (" + C_FormatRegistry::NameList() + ")")->required();
    m_pCommand->add_flag("--json", m_bJson, "Print the same fields as one JSON object");
    m_pCommand->footer(std::string("Example:\n  ") + vmk::kStrCliExampleAnalyze);
}

E_ExitCode C_AnalyzeCommand::Run(const C_CliContext& context)
{
    C_Carrier carrier;
    C_PictureIo::Open(context, carrier, m_strPicture);
    BTCImageData& data = *carrier.GetObjectDataPtr();
    if (const C_JpegCoefficients* pJpeg = data.m_pDocument ? data.m_pDocument->Coefficients() : nullptr) {
        // A JPEG's hidden data would be in its coefficients: the attacks on those, and the room
        // a sealed record has there.
        const S_JpegDetectionResult jpeg = C_JpegDetectionCheck::Run(*pJpeg);
        const uint32_t nSealed = carrier.CapacityOf(C_Carrier::SealedKind(), 0);
        if (m_bJson)
            context.Out() << "{\"path\": " << C_Text::JsonQuoted(m_strPicture) << ", "
                          << C_JpegDetectionCheck::JsonFields(jpeg) << ", \"sealed_capacity\": " << nSealed << "}\n";
        else
            context.Out() << "Path: " << C_Text::Printable(m_strPicture) << "\n"
                          << C_JpegDetectionCheck::TextLines(jpeg) << "Sealed capacity: " << nSealed
                          << " bytes at the safe rate (" << vmk::kStrSafeRateJpeg << ")\n";
        return E_ExitCode::Done;
    }
    const S_DetectionResult result = C_DetectionCheck::Run(*carrier.GetObjectDataPtr());
    const uint32_t nRecommended = result.RecommendedPayload(carrier.GetUsableBytes());
    const uint32_t nCapacity = carrier.GetCapacity();
    const char* pOverall = C_DetectionCheck::VerdictText(result.eOverall);
    std::ostream& out = context.Out();
    if (m_bJson) {
        out << "{\"path\": " << C_Text::JsonQuoted(m_strPicture) << ", \"channels\": [";
        const char* pSeparator = "";
        for (const S_ChannelFindings& channel : result.aChannels) {
            out << pSeparator << "{\"name\": \"" << channel.strName << "\", \"spa\": " << Fixed(channel.dSpa)
                << ", \"rs\": " << Fixed(channel.dRs) << ", \"chi_square\": " << Fixed(channel.dChiSquare)
                << ", \"verdicts\": {\"spa\": " << C_Text::JsonQuoted(C_DetectionCheck::VerdictText(channel.eSpa))
                << ", \"rs\": " << C_Text::JsonQuoted(C_DetectionCheck::VerdictText(channel.eRs))
                << ", \"chi_square\": " << C_Text::JsonQuoted(C_DetectionCheck::VerdictText(channel.eChiSquare))
                << "}}";
            pSeparator = ", ";
        }
        out << "], \"overall\": " << C_Text::JsonQuoted(pOverall) << ", \"recommended_payload\": " << nRecommended
            << ", \"capacity\": " << nCapacity << "}\n";
        return E_ExitCode::Done;
    }
    out << "Path: " << C_Text::Printable(m_strPicture) << "\n";
    if (result.aChannels.empty())
        out << "No channel of this picture could be analysed.\n";
    for (const S_ChannelFindings& channel : result.aChannels) {
        out << channel.strName << " sample pair analysis: " << Fixed(channel.dSpa) << " "
            << C_DetectionCheck::VerdictText(channel.eSpa) << "\n"
            << channel.strName << " RS analysis: " << Fixed(channel.dRs) << " "
            << C_DetectionCheck::VerdictText(channel.eRs) << "\n"
            << channel.strName << " chi-square attack: " << Fixed(channel.dChiSquare) << " "
            << C_DetectionCheck::VerdictText(channel.eChiSquare) << "\n";
    }
    out << "Overall: " << pOverall << "\n"
        << "Recommended payload: " << nRecommended << " bytes (capacity " << nCapacity << " bytes)\n";
    return E_ExitCode::Done;
}
