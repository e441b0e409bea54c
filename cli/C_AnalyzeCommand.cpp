#include "cli/C_AnalyzeCommand.h"

#include "cli/C_ScanReport.h"
#include "model/analysis/C_FolderScan.h"
#include "model/pictures/C_FormatRegistry.h"
#include "model/vmk_texts.h"

#include <atomic>
#include <csignal>
#include <iostream>
#include <unistd.h>

namespace {

// The scan SIGINT stops. The handler may only touch lock-free atomics: it loads the pointer and
// sets the scan's cancel flag.
std::atomic<C_FolderScan*> g_pInterruptible{nullptr};
std::atomic<bool> g_bInterrupted{false};
static_assert(std::atomic<C_FolderScan*>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterrupt(int)
{
    g_bInterrupted.store(true);
    if (C_FolderScan* pScan = g_pInterruptible.load())
        pScan->Cancel();
}

// Ctrl+C while it lives stops the scan, with the results so far written; the handler that was
// there before comes back after.
class C_InterruptGuard {
public:
    explicit C_InterruptGuard(C_FolderScan& scan)
    {
        g_bInterrupted.store(false);
        g_pInterruptible.store(&scan);
        struct sigaction action { };
        action.sa_handler = OnInterrupt;
        // A second Ctrl+C ends the process at once, for a picture that takes too long.
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        m_bInstalled = sigaction(SIGINT, &action, &m_previous) == 0;
    }
    ~C_InterruptGuard()
    {
        if (m_bInstalled)
            sigaction(SIGINT, &m_previous, nullptr);
        g_pInterruptible.store(nullptr);
    }
    C_InterruptGuard(const C_InterruptGuard&) = delete;
    C_InterruptGuard& operator=(const C_InterruptGuard&) = delete;

private:
    struct sigaction m_previous { };
    bool m_bInstalled = false;
};

}  // namespace

C_AnalyzeCommand::C_AnalyzeCommand(CLI::App& root)
{
    m_pCommand = root.add_subcommand("analyze",
        "Estimate how much of a picture's lowest bits looks replaced (sample pair analysis, RS analysis, "
        "chi-square attack) and how much it could hide and still read clean; for a JPEG, the chi-square attack "
        "on coefficient pairs and the calibrated histogram estimate. Takes any number of pictures and folders");
    m_pCommand
        ->add_option("PATH", m_paths,
            "Pictures (" + C_FormatRegistry::NameList() + "), and folders whose files named ."
                + C_FormatRegistry::NameList(" or .", true) + " (any case) are analysed")
        ->required();
    m_pCommand->add_flag("-r,--recursive", m_bRecursive, "Analyse the pictures in the folders' subfolders too");
    CLI::Option* pJson = m_pCommand->add_flag("--json", m_bJson,
        "Print one JSON object a line for each picture, as each is done; an unreadable file's has \"error\"");
    CLI::Option* pCsv = m_pCommand->add_flag(
        "--csv", m_bCsv, "Print a CSV header, then a row for each picture (fields quoted as RFC 4180 has them)");
    pJson->excludes(pCsv);
    m_pCommand->add_option("-j,--jobs", m_nJobs, "Pictures analysed at once (default: one for each core)")
        ->check(CLI::Range(1u, 256u));
    m_pCommand->footer(std::string("Examples:\n  ") + vmk::kStrCliExampleAnalyze
        + "\n  veilmark-cli analyze -r --csv photos/ > photos.csv\n\n"
          "Exit status: 0 every picture read and none likely to hold hidden data; 1 one or more read "
          "\"Hidden data likely\"; 3 a file could not be read (the others were analysed); 130 stopped by "
          "Ctrl+C (the results so far are printed). More than one file ends with a summary: on standard "
          "output for text, on standard error with --json or --csv.");
}

E_ExitCode C_AnalyzeCommand::Run(const C_CliContext& context)
{
    S_ScanOptions options;
    options.bRecurse = m_bRecursive;
    options.nWorkers = m_nJobs;
    options.bAllowLarge = context.AllowLarge();
    C_FolderScan scan(options);
    // From here on Ctrl+C stops the scan, a long listing of folders included.
    const C_InterruptGuard guard(scan);
    std::vector<S_ScanItem> notFound;
    const std::vector<std::string> files = scan.Collect(m_paths, notFound);

    const C_ScanReport::E_Form eForm =
        m_bJson ? C_ScanReport::E_Form::Json : (m_bCsv ? C_ScanReport::E_Form::Csv : C_ScanReport::E_Form::Text);
    // Only the process's own standard error, and only a terminal, takes a line drawn over itself.
    const bool bProgress = &context.Err() == &std::cerr && isatty(STDERR_FILENO) == 1;
    const bool bOutOnTerminal = &context.Out() == &std::cout && isatty(STDOUT_FILENO) == 1;
    C_ScanReport report(context.Out(), context.Err(), eForm, files.size() + notFound.size(), bProgress, bOutOnTerminal);
    report.Begin();
    for (const S_ScanItem& item : notFound)
        report.Item(item);
    scan.Run(files, [&](const S_ScanItem& item) {
        report.Item(item);
        // Standard output gone (a full disk, a closed pipe): nothing more would reach anyone.
        if (!context.Out())
            scan.Cancel();
    });
    const bool bInterrupted = g_bInterrupted.load();
    report.End(bInterrupted);
    if (bInterrupted)
        return E_ExitCode::Interrupted;
    if (report.Failed() > 0)
        return E_ExitCode::Failed;
    return report.Likely() > 0 ? E_ExitCode::NotFound : E_ExitCode::Done;
}
