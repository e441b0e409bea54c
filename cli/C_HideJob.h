#pragma once
// What hide and compose share once their payload is built: the output checks, the fit test,
// the pass phrase, the hide itself, and the verified write. A picture reaches OUTPUT only after
// the file as written has been read back and has revealed the same name and bytes.

#include "cli/C_CliContext.h"
#include "cli/C_PassphraseSource.h"
#include "model/C_Carrier.h"

#include <string>

class C_Message;

namespace CLI {
class App;
}

class C_HideJob {
public:
    // The hidden name of a payload read from standard input.
    static constexpr const char* kStdinName = "stdin";

    // Adds PICTURE, -o OUTPUT, --force and --passphrase-file to the sub-command.
    void AddOptions(CLI::App& command);

    // Checks OUTPUT's name, opens PICTURE and refuses, unless --force, a conversion to another
    // format (the record does not survive most of them).
    void Prepare(const C_CliContext& context);
    // Reads a payload to its end ("-": standard input) as far as the picture can take it: a
    // longer one is refused (Refused, pFitText) after capacity + 1 bytes, or at once from a
    // regular file's size. Throws Failed with the file error text when it cannot be read.
    // strName: the name to hide it under; empty for the file's own name.
    void LoadPayload(const C_CliContext& context, C_Message& message, const std::string& strPath, const char* pFitText,
        const std::string& strName = {}) const;
    // Fit test (pFitText when it fails), pass phrase, hide, verify, write, report.
    void Run(const C_CliContext& context, const C_Message& message, const char* pFitText);

private:
    void Verify(const std::string& strWritten, const C_Message& message) const;

    std::string m_strPicture;
    std::string m_strOutput;
    bool m_bForce = false;
    C_PassphraseSource m_passphrase;
    C_Carrier m_carrier;
    E_ImageFormat m_eOutputFormat = E_ImageFormat::None;
};
