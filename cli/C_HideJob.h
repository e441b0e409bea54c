#pragma once
// What hide and compose share once their payload is built: the output checks, the fit test,
// the pass phrase, the hide itself, and the verified write. A picture reaches OUTPUT only after
// the file as written has been read back and has revealed the same name and bytes. With --seal
// the record is the sealed one (C_SealedRecord) instead of the plain one.

#include "cli/C_CliContext.h"
#include "cli/C_PassphraseSource.h"
#include "model/C_Carrier.h"
#include "model/C_HideService.h"

#include <cstdint>
#include <string>

class C_HideService;
class C_Message;

namespace CLI {
class App;
}

class C_HideJob {
public:
    // The hidden name of a payload read from standard input.
    static constexpr const char* kStdinName = "stdin";

    // A sealed payload larger than the record holds uncompressed is read up to this size (or the
    // sealed capacity, if that is more) to find out whether it compresses enough.
    static constexpr uint32_t kSealedReadLimit = uint32_t{64} << 20;

    // Adds PICTURE, -o OUTPUT, --force (hide where it would be refused for the picture's sake),
    // --seal, --embed, --pair-palette and --passphrase-file to the sub-command.
    void AddOptions(CLI::App& command);

    // Checks OUTPUT's name, opens PICTURE and refuses, unless --force, a conversion to another
    // format (the record does not survive most of them). Refuses --embed match and
    // --pair-palette where the picture cannot have them, and pairs the palette when asked.
    void Prepare(const C_CliContext& context);
    // Reads a payload to its end ("-": standard input) as far as the picture can take it: a
    // longer one is refused (Refused, pFitText) after capacity + 1 bytes, or at once from a
    // regular file's size; with --seal the limit is kSealedReadLimit unless the sealed capacity
    // is more. Throws Failed with the file error text when it cannot be read.
    // strName: the name to hide it under; empty for the file's own name.
    void LoadPayload(const C_CliContext& context, C_Message& message, const std::string& strPath, const char* pFitText,
        const std::string& strName = {}) const;
    // Fit test (pFitText when it fails), pass phrase, hide, verify, write, report.
    void Run(const C_CliContext& context, const C_Message& message, const char* pFitText);

    // The options as given, for hide --across, which takes its own way from there.
    const std::string& Picture() const { return m_strPicture; }
    const std::string& Output() const { return m_strOutput; }
    bool Force() const { return m_bForce; }
    bool Sealed() const { return m_bSeal; }
    bool RateLimited() const { return m_strRateLimit != "off"; }
    const std::string& EmbedOption() const { return m_strEmbed; }
    bool PairsPalette() const { return m_bPairPalette; }
    const C_PassphraseSource& Passphrase() const { return m_passphrase; }

private:
    // --embed as given; unset: replacement for the plain record, plus or minus one for the sealed.
    E_Embedding Embedding() const;
    void CheckEmbedding() const;
    void PairPalette(const C_CliContext& context);
    // Why a seal was refused: Refused with pFitText when too large, else Failed.
    [[noreturn]] void RefuseSeal(E_RecordOutcome eOutcome, const char* pFitText, const C_Message& message) const;
    // The plain or sealed service, with the sealed record's safe rate unless --rate-limit off.
    C_HideService Service() const;
    // For a sealed message that fits only without the safe rate: what the rate allows, and how
    // to go past it (empty otherwise). Starts with a line break.
    std::string RateLimitNote(const C_Message& message) const;
    // After the hide: refuses it (Refused, unless --force) when it changed whether any pixel is
    // transparent, with the count; with --force it warns.
    void CheckTransparency(const C_CliContext& context);
    void Verify(const C_HideService& service, const C_HideService::T_Digest& pixels, const std::string& strWritten,
        const std::string& strPassphrase, const C_Message& message) const;

    std::string m_strPicture;
    std::string m_strOutput;
    bool m_bForce = false;
    bool m_bSeal = false;
    std::string m_strRateLimit = "on";  // --rate-limit: "on" or "off"
    std::string m_strEmbed;             // "replace", "match" or empty
    bool m_bPairPalette = false;
    C_PassphraseSource m_passphrase;
    C_Carrier m_carrier;
    E_ImageFormat m_eOutputFormat = E_ImageFormat::None;
};
