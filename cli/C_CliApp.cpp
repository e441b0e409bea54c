#include "cli/C_CliApp.h"

#include "cli/C_AnalyzeCommand.h"
#include "cli/C_CliCompareCommand.h"
#include "cli/C_CliComposeCommand.h"
#include "cli/C_CliError.h"
#include "cli/C_CliHideCommand.h"
#include "cli/C_CliRevealCommand.h"
#include "cli/C_Command.h"
#include "cli/C_ConvertCommand.h"
#include "cli/C_GrayscaleCommand.h"
#include "cli/C_InfoCommand.h"
#include "res/C_Version.h"
#include "model/files/C_FileException.h"
#include "model/pictures/C_FormatRegistry.h"
#include "model/vmk_texts.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <new>

namespace {

// What follows the examples in the help.
constexpr const char* kNotes = R"(
The pass phrase (at most 15 characters; empty is allowed) is asked for on the terminal without
echo, or read from --passphrase-file FILE (- for standard input), which comes first when given.
For scripts, the environment variable VEILMARK_PASSPHRASE is used before the terminal; mind
that a value typed on a command line stays in the shell's history, and that processes of the
same user can read it in /proc/PID/environ.

hide --seal and compose --seal write a sealed record instead: encrypted and authenticated,
compressed when that is smaller, under a pass phrase of up to 1024 bytes of UTF-8 (an empty or
weak one is used with a warning on standard error). reveal finds either kind without being
told which.

A PAYLOAD, --text-file or reveal -o given as "-" is standard input or output.

A JPEG takes only sealed messages (hide --seal, compose --seal), hidden in its quantised DCT
coefficients and kept by a JPEG output alone; its markers and coding are kept as they were.

Exit codes: 0 done; 1 no hidden message found, the pictures differ, or analyze found hidden
data likely; 2 bad usage or refused input (nothing written); 3 a picture or file could not be
read or written; 4 a sealed message is there but was changed or damaged (nothing written);
130 analyze stopped by Ctrl+C (what it had done is printed).
)";

int Report(std::ostream& err, const std::string& strText, E_ExitCode eCode)
{
    if (!strText.empty())
        err << strText << "\n";
    return static_cast<int>(eCode);
}

}  // namespace

std::string C_CliApp::VersionLine()
{
    return std::string("veilmark-cli ") + C_Version::kText;
}

int C_CliApp::Run(
    const std::vector<std::string>& args, const T_Environment& env, std::ostream& out, std::ostream& err) const
{
    const int nStatus = RunCommand(args, env, out, err);
    // A full disk or a closed pipe on standard output must not read as success: whatever the
    // command printed is what a script came for.
    out.flush();
    if (!out)
        return Report(err, "What this command prints could not be written to standard output.", E_ExitCode::Failed);
    return nStatus;
}

int C_CliApp::RunCommand(
    const std::vector<std::string>& args, const T_Environment& env, std::ostream& out, std::ostream& err) const
{
    try {
        CLI::App app(
            "Hide a file inside a " + C_FormatRegistry::NameList() + " picture under a pass phrase, and get it back.",
            "veilmark-cli");
        app.set_version_flag("--version", VersionLine());
        app.require_subcommand(1);
        app.footer(std::string(vmk::kStrCliExamples) + kNotes);
        bool bAllowLarge = false;
        app.add_flag("--allow-large", bAllowLarge,
            "Open a picture that decodes to more than 64 MiB and 256 times its file size (long runs, "
            "highly compressed data), or reveal a sealed payload that declares as much; refused otherwise, as a "
            "small hostile file could claim gigabytes");
        // So that --allow-large may also stand after the command's name.
        app.fallthrough();

        std::vector<std::unique_ptr<C_Command>> commands;
        commands.push_back(std::make_unique<C_InfoCommand>(app));
        commands.push_back(std::make_unique<C_CliHideCommand>(app));
        commands.push_back(std::make_unique<C_CliComposeCommand>(app));
        commands.push_back(std::make_unique<C_CliRevealCommand>(app));
        commands.push_back(std::make_unique<C_CliCompareCommand>(app));
        commands.push_back(std::make_unique<C_AnalyzeCommand>(app));
        commands.push_back(std::make_unique<C_GrayscaleCommand>(app));
        commands.push_back(std::make_unique<C_ConvertCommand>(app));

        // CLI11 wants C strings with the program name first.
        std::vector<std::string> argv = args;
        argv.insert(argv.begin(), "veilmark-cli");
        std::vector<const char*> aArgv;
        for (const std::string& s : argv)
            aArgv.push_back(s.c_str());
        try {
            app.parse(static_cast<int>(aArgv.size()), aArgv.data());
        } catch (const CLI::ParseError& e) {
            // Help and version end with 0; every usage error of CLI11's (100 and up) is bad usage.
            const int nStatus = app.exit(e, out, err);
            return nStatus == 0 ? 0 : static_cast<int>(E_ExitCode::Refused);
        }

        const C_CliContext context(m_pIn ? *m_pIn : std::cin, out, err, env, m_bTerminal, bAllowLarge);
        for (const auto& pCommand : commands)
            if (pCommand->WasChosen())
                return static_cast<int>(pCommand->Run(context));
        return Report(err, "No command given; see --help.", E_ExitCode::Refused);
    } catch (const C_CliError& e) {
        return Report(err, e.what(), e.GetCode());
    } catch (const C_FileException& e) {
        return Report(err, e.GetErrorMessage(), E_ExitCode::Failed);
    } catch (const std::bad_alloc&) {
        return Report(err, "Not enough memory.", E_ExitCode::Failed);
    } catch (const std::exception& e) {
        return Report(err, e.what(), E_ExitCode::Failed);
    }
}
