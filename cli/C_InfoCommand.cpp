#include "cli/C_InfoCommand.h"

#include "cli/C_PictureIo.h"
#include "cli/C_Text.h"
#include "model/C_Carrier.h"
#include "model/pictures/C_FormatRegistry.h"
#include "model/vmk_texts.h"

#include <cstdint>
#include <ostream>

C_InfoCommand::C_InfoCommand(CLI::App& root)
{
    m_pCommand = root.add_subcommand(
        "info", "Show a picture's format, size, geometry, depth and how much it can hide, plain and sealed");
    m_pCommand->add_option("PICTURE", m_strPicture, "The picture (" + C_FormatRegistry::NameList() + ")")->required();
    m_pCommand->add_flag("--json", m_bJson, "Print the same fields as one JSON object");
    m_pCommand->footer(std::string("Example:\n  ") + vmk::kStrCliExampleInfo);
}

E_ExitCode C_InfoCommand::Run(const C_CliContext& context)
{
    C_Carrier carrier;
    C_PictureIo::Open(context, carrier, m_strPicture);
    C_CarrierInfo info;
    carrier.GetCarrierInfo(info);
    const char* pFormat = C_PictureIo::FormatName(carrier.GetObjectDataPtr()->GetSourceFormat());
    // The sealed record's fit comes after the plain one's, so scripts reading the old fields
    // find them where they were. It is for a name of 0 bytes: the hidden name is stored in the
    // record, so each of its bytes takes one from the payload.
    const uint32_t nSealed = carrier.CapacityOf(C_Carrier::SealedKind(), 0);
    // Where the record spreads by its costs, that is its safe payload; past it, with
    // --rate-limit off, a detector sees the record more easily.
    const bool bSpread = carrier.SealsSpread();
    const uint32_t nUnlimited = bSpread ? carrier.CapacityOf(C_Carrier::SealedUnlimitedKind(), 0) : 0;
    if (m_bJson) {
        context.Out() << "{\"path\": " << C_Text::JsonQuoted(info.m_strPath) << ", \"format\": \"" << pFormat
                      << "\", \"size_kb\": " << info.m_nSizeKB << ", \"width\": " << info.m_nWidth
                      << ", \"height\": " << info.m_nHeight << ", \"bits_per_pixel\": " << info.m_nBitsPerPixel
                      << ", \"capacity\": " << info.m_nCapacity
                      << ", \"remarks\": " << C_Text::JsonQuoted(info.m_strRemarks)
                      << ", \"sealed_capacity\": " << nSealed << ", \"sealed_capacity_0_byte_name\": " << nSealed;
        if (bSpread)
            context.Out() << ", \"sealed_capacity_rate_limit_off\": " << nUnlimited;
        context.Out() << "}\n";
    } else {
        context.Out() << "Path: " << C_Text::Printable(info.m_strPath) << "\n"
                      << "Format: " << pFormat << "\n"
                      << "Size: " << info.m_nSizeKB << " KB\n"
                      << "Width: " << info.m_nWidth << "\n"
                      << "Height: " << info.m_nHeight << "\n"
                      << "Bits per pixel: " << info.m_nBitsPerPixel << "\n"
                      << "Capacity: " << info.m_nCapacity << " bytes\n"
                      << info.m_strRemarks << "\n"
                      << "Sealed capacity: " << nSealed << " bytes"
                      << (nSealed > 0 ? " less the name's length in bytes (more when the payload compresses)"
                                      : " (too small for a sealed record)")
                      << "\n";
        if (bSpread)
            context.Out() << "That is the safe payload ("
                          << (carrier.HidesInCoefficients() ? vmk::kStrSafeRateJpeg : vmk::kStrSafeRatePixels) << "); "
                          << nUnlimited << " bytes with --rate-limit off, where a detector sees it more easily\n";
    }
    return E_ExitCode::Done;
}
