#include "cli/C_HideJob.h"

#include "cli/C_CliError.h"
#include "cli/C_PictureIo.h"
#include "cli/C_Text.h"
#include "model/records/C_Message.h"
#include "model/records/C_SealedRecord.h"
#include "model/C_TextFormat.h"
#include "model/pictures/BTCImageData.h"
#include "model/pictures/C_FormatRegistry.h"
#include "model/effects/C_PalettePairing.h"
#include "model/files/C_AtomicFileWriter.h"
#include "model/C_HideService.h"
#include "model/vmk_texts.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ostream>
#include <span>
#include <vector>

void C_HideJob::AddOptions(CLI::App& command)
{
    command.add_option("PICTURE", m_strPicture, "The carrier picture (" + C_FormatRegistry::NameList() + ")")
        ->required();
    command
        .add_option("-o,--output", m_strOutput,
            "The picture to write; its last three characters (" + C_FormatRegistry::NameList(", ", true)
                + ") choose the format. May be PICTURE itself")
        ->required()
        ->option_text("OUTPUT");
    command.add_flag("--force", m_bForce,
        "Hide although it was refused: write OUTPUT in another format than PICTURE's although the hidden "
        "message may not survive the conversion (it is checked either way), or change whether some pixels are "
        "transparent (where the bits go is fixed by the pass phrase)");
    command.add_flag("--seal", m_bSeal,
        "Hide a sealed record: encrypted and authenticated, its payload compressed when that is smaller, "
        "under a pass phrase of up to 1024 bytes; reveal finds it without this flag");
    command
        .add_option("--rate-limit", m_strRateLimit,
            "With --seal: on (the default) refuses a payload above the safe rate, 0.4 bits for each pixel byte "
            "that may change (in a JPEG, for each non-zero AC coefficient), beyond which a detector sees the "
            "record more easily; off hides up to the picture's full sealed capacity")
        ->check(CLI::IsMember({"on", "off"}))
        ->option_text("on|off");
    command
        .add_option("--embed", m_strEmbed,
            "How a bit is written: replace sets the least significant bit (the default for a plain record); "
            "match adds or subtracts 1 at random, which the classic detectors do not see (the default for "
            "--seal where the picture allows; a sealed record in colour or gray samples is always written so). "
            "Both reveal alike. match needs colour or gray samples: "
                + std::string(vmk::kStrCliMatchPictures))
        ->check(CLI::IsMember({"replace", "match"}))
        ->option_text("replace|match");
    command.add_flag("--pair-palette", m_bPairPalette,
        "Palette pictures only: reorder the palette so that entries 2i and 2i+1 are near colours (the pixels "
        "are remapped and look the same), so a changed index shows a near colour. The palette's order "
        "changes: a byte compare with the original shows it");
    m_passphrase.AddOption(command);
}

E_Embedding C_HideJob::Embedding() const
{
    if (m_strEmbed.empty())
        return m_bSeal ? E_Embedding::Match : E_Embedding::Replace;
    return m_strEmbed == "match" ? E_Embedding::Match : E_Embedding::Replace;
}

void C_HideJob::CheckEmbedding() const
{
    if (m_strEmbed == "match" && !m_carrier.CanEmbedMatch())
        throw C_CliError(E_ExitCode::Refused, C_Text::Printable(m_strPicture) + vmk::kStrCliMatchRefused);
}

void C_HideJob::Prepare(const C_CliContext& context)
{
    m_eOutputFormat = C_PictureIo::RequireOutputFormat(m_strOutput);
    C_PictureIo::RequireWritable(m_strOutput, m_bForce);
    C_PictureIo::Open(context, m_carrier, m_strPicture);
    C_PictureIo::RequireConvertible(m_carrier, m_eOutputFormat, m_strPicture);
    // A JPEG's record lives in its coefficients, a lossless picture's in its pixel bytes: each
    // survives only in its own kind of file.
    if (m_carrier.HidesInCoefficients() && !m_bSeal)
        throw C_CliError(E_ExitCode::Refused, vmk::kStrJpegNeedsSeal);
    if (m_carrier.HidesInCoefficients() != (m_eOutputFormat == E_ImageFormat::Jpeg))
        throw C_CliError(
            E_ExitCode::Refused, m_carrier.HidesInCoefficients() ? vmk::kStrJpegStaysJpeg : vmk::kStrLosslessNotToJpeg);
    CheckEmbedding();
    if (m_bPairPalette)
        PairPalette(context);
    const E_ImageFormat eSource = m_carrier.GetObjectDataPtr()->GetSourceFormat();
    if (eSource == m_eOutputFormat)
        return;
    context.Err() << "Warning: " << C_Text::Printable(m_strPicture) << " is a " << C_PictureIo::FormatName(eSource)
                  << " picture and " << C_Text::Printable(m_strOutput) << " would be written as "
                  << C_PictureIo::FormatName(m_eOutputFormat)
                  << ": the hidden message will not survive most such conversions.\n";
    if (!m_bForce)
        throw C_CliError(E_ExitCode::Refused,
            "Nothing was written. Give --force to try anyway (the written picture is checked), "
            "or name OUTPUT with the picture's own format.");
}

void C_HideJob::PairPalette(const C_CliContext& context)
{
    BTCImageData& data = *m_carrier.GetObjectDataPtr();
    const double nBefore = C_PalettePairing::MeanFlipDistance(data);
    switch (C_PalettePairing::Apply(data)) {
    case E_PairingOutcome::Paired: break;
    case E_PairingOutcome::NothingToPair:
        context.Out() << "The palette already pairs near colours; it is left as it is.\n";
        return;
    case E_PairingOutcome::NotPalette:
        throw C_CliError(E_ExitCode::Refused, C_Text::Printable(m_strPicture) + vmk::kStrCliNoPalette);
    case E_PairingOutcome::Unsupported:
        throw C_CliError(
            E_ExitCode::Refused, "The palette of " + C_Text::Printable(m_strPicture) + vmk::kStrCliPaletteFixed);
    }
    char aLine[160];
    std::snprintf(aLine, sizeof aLine,
        "Palette paired: a changed index now shows a colour %.1f away on average (%.1f before).\n",
        C_PalettePairing::MeanFlipDistance(data), nBefore);
    context.Out() << aLine;
}

void C_HideJob::LoadPayload(const C_CliContext& context, C_Message& message, const std::string& strPath,
    const char* pFitText, const std::string& strName) const
{
    // Two readers of one stream: the first would take it all and the pass phrase would be empty.
    if (C_PassphraseSource::IsStandardInput(strPath) && m_passphrase.ReadsStandardInput())
        throw C_CliError(E_ExitCode::Refused,
            "The payload and the pass phrase cannot both be read from standard input: give the pass phrase in "
            "a file of its own or at the terminal. Nothing was written.");
    std::string strHidden = strName;
    if (strHidden.empty())
        strHidden = strPath == "-" ? std::string(kStdinName) : C_Message::NameFromPath(strPath);
    // The largest payload that passes the fit test under this name: reading stops one byte later.
    // A sealed payload may fit beyond its uncompressed capacity, which only compressing it tells.
    uint32_t nLimit = m_carrier.GetLargestPayload(strHidden.size());
    if (m_bSeal)
        nLimit = std::max(m_carrier.CapacityOf(Service().Kind(), strHidden.size()), kSealedReadLimit);
    try {
        if (strPath == "-") {
            message.LoadFromStream(context.In(), strHidden, nLimit);
            return;
        }
        C_FileException error;
        if (message.LoadFromFile(strPath, &error, nLimit)) {
            message.m_strName = strHidden;
            return;
        }
        if (error.GetOsError() == EISDIR)
            throw C_CliError(E_ExitCode::Failed, C_Text::Printable(strPath) + " is a folder, not a file.");
        throw C_CliError(E_ExitCode::Failed, C_Text::Printable(error.GetErrorMessage()));
    } catch (const C_FileException& e) {
        if (e.GetCause() == C_FileException::fileTooLarge)
            throw C_CliError(E_ExitCode::Refused, pFitText);
        throw;
    }
}

C_HideService C_HideJob::Service() const
{
    return C_HideService::For(m_bSeal, m_strRateLimit != "off");
}

std::string C_HideJob::RateLimitNote(const C_Message& message) const
{
    if (!m_bSeal || m_strRateLimit == "off" || !C_HideService::For(true, false).Fits(m_carrier, message))
        return {};
    return "\nA sealed record holds at most "
        + std::to_string(m_carrier.CapacityOf(C_Carrier::SealedKind(), message.m_strName.size()))
        + " bytes in this picture at the safe rate ("
        + (m_carrier.HidesInCoefficients() ? vmk::kStrSafeRateJpeg : vmk::kStrSafeRatePixels)
        + "); beyond it a detector sees it more easily. Give --rate-limit off to hide it anyway.";
}

void C_HideJob::RefuseSeal(E_RecordOutcome eOutcome, const char* pFitText, const C_Message& message) const
{
    if (eOutcome == E_RecordOutcome::TooLarge)
        throw C_CliError(E_ExitCode::Refused, pFitText + RateLimitNote(message));
    throw C_CliError(E_ExitCode::Failed,
        "The message could not be sealed: the key derivation found too little memory (it needs "
            + std::to_string(C_SealedRecord::kMemLimit >> 20)
            + " MiB), or this pass phrase would place some bits on the same byte twice (another pass phrase "
              "will do). Nothing was written.");
}

void C_HideJob::Run(const C_CliContext& context, const C_Message& message, const char* pFitText)
{
    // The fit is known before the pass phrase is asked for: no one types it twice in vain.
    const C_HideService service = Service();
    if (!service.Fits(m_carrier, message))
        throw C_CliError(E_ExitCode::Refused, pFitText + RateLimitNote(message));
    // Said only when asked for: a sealed hide matches by default, and scripts read its output.
    const bool bMatched = m_strEmbed == "match";
    const std::string strPassword = m_passphrase.Get(
        context, true, m_bSeal ? C_PassphraseSource::E_Rules::Sealed : C_PassphraseSource::E_Rules::Plain);
    m_carrier.KeepBeforeHide();
    if (m_bSeal)
        C_PassphraseSource::WarnIfWeak(context, strPassword);
    if (m_bSeal && m_strEmbed == "replace" && m_carrier.SealsSpread())
        context.Err() << "Note: a sealed record in colour or gray samples is written by adding or subtracting 1 "
                         "where the picture hides it best; --embed replace applies to plain records and palette "
                         "pictures.\n";
    const E_RecordOutcome eHidden = service.Hide(m_carrier, message, strPassword, Embedding());
    if (m_bSeal && eHidden != E_RecordOutcome::Hidden)
        RefuseSeal(eHidden, pFitText, message);
    if (eHidden != E_RecordOutcome::Hidden)  // positions would repeat; no byte changed
        throw C_CliError(E_ExitCode::Refused,
            std::string(pFitText) + "\n"
                + C_TextFormat::Substitute(vmk::kStrLargestForPassword,
                    std::to_string(m_carrier.LargestPayloadFor(strPassword, message.m_strName.size()))));
    CheckTransparency(context);
    // What the file must give back, taken before a save could convert the pixels for another
    // format (a converted picture is then checked by revealing it).
    const C_HideService::T_Digest pixels = C_HideService::PixelDigest(m_carrier);

    // The picture goes straight into a temporary file that has no name while it is written (a
    // killed run leaves nothing), and the carrier's pixels are let go before the check reads
    // that file back: one picture in memory at a time. Only a checked file replaces OUTPUT.
    C_AtomicFileWriter output;
    if (!output.Open(m_strOutput))
        throw C_CliError(E_ExitCode::Failed, std::string(C_PictureIo::kSaveFailed) + "\n" + output.GetError());
    if (!m_carrier.SaveTo(output, m_eOutputFormat))
        throw C_CliError(E_ExitCode::Failed,
            std::string(C_PictureIo::kSaveFailed) + "\n" + C_PictureIo::Reason(m_strOutput, m_carrier.GetLastError()));
    m_carrier.ReleasePicture();
    Verify(service, pixels, output.GetReadPath(), strPassword, message);
    if (!output.Commit())
        throw C_CliError(E_ExitCode::Failed, std::string(C_PictureIo::kSaveFailed) + "\n" + output.GetError());
    context.Out() << "Hidden: " << C_Text::Printable(message.m_strName) << " (" << message.m_nSize << " bytes)\n";
    if (bMatched)
        context.Out() << "Embedded by adding or subtracting 1.\n";
}

void C_HideJob::CheckTransparency(const C_CliContext& context)
{
    const uint64_t nChanged = m_carrier.TransparencyChanges();
    m_carrier.ReleaseKept(false);
    if (nChanged == 0)
        return;
    const std::string strPixels = std::to_string(nChanged) + (nChanged == 1 ? " pixel" : " pixels");
    if (!m_bForce)
        throw C_CliError(E_ExitCode::Refused,
            "Hiding this would change whether " + strPixels + " of " + C_Text::Printable(m_strPicture)
                + " are transparent: transparent ones would show as dots, or shown ones vanish (the pass phrase "
                  "decides where the bits go). Nothing was written. Give --force to hide anyway.");
    context.Err() << "Warning: the hide changed whether " << strPixels << " are transparent.\n";
}

void C_HideJob::Verify(const C_HideService& service, const C_HideService::T_Digest& pixels,
    const std::string& strWritten, const std::string& strPassphrase, const C_Message& message) const
{
    const std::string strNotWritten = C_Text::Printable(m_strOutput) + " was not written.";
    // As reveal will look: every kind, the plain record first.
    std::string strError;
    switch (service.ReadBack(strWritten, strPassphrase, message.m_strName,
        std::span<const uint8_t>(message.GetData(), message.m_nSize), strError, &pixels)) {
    case C_HideService::E_ReadBack::Same: return;
    case C_HideService::E_ReadBack::Unreadable:
        throw C_CliError(E_ExitCode::Failed,
            "The picture as written could not be read back; " + strNotWritten + "\n"
                + C_PictureIo::Reason(m_strOutput, strError));
    // The check itself could not be made: say so rather than blame the format.
    case C_HideService::E_ReadBack::NoMemory:
        throw C_CliError(E_ExitCode::Failed,
            std::string(vmk::kStrSealedNoMemory) + " to check the written picture; " + strNotWritten);
    // An older plain record under the same pass phrase that the sealed one left whole is found
    // first, and reveal would give that one.
    case C_HideService::E_ReadBack::EarlierKind:
        throw C_CliError(E_ExitCode::Failed,
            "The picture already holds a message hidden without --seal under this pass phrase, and reveal "
            "would find that one first; "
                + strNotWritten + " Seal into a picture without it, or use another pass phrase.");
    case C_HideService::E_ReadBack::Different: break;
    }
    throw C_CliError(E_ExitCode::Failed,
        "The picture as written does not give the hidden message back (the "
            + std::string(C_PictureIo::FormatName(m_eOutputFormat)) + " format did not keep its pixel bytes); "
            + strNotWritten);
}
