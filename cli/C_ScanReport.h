#pragma once
// What veilmark-cli analyze prints of a scan: each picture as text, a JSON line or a CSV row as
// it is done, the files that could not be read, a progress line on a terminal, and the summary.
// Not thread-safe: the scan calls it one item at a time.

#include "model/analysis/C_FolderScan.h"

#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

class C_ScanReport {
public:
    enum class E_Form { Text, Json, Csv };

    // nTotal: the files the scan will report, those Collect could not take included.
    // bProgress: a terminal is on err, so a progress line may be drawn there; bOutOnTerminal:
    // out shows on a terminal too, so the line is cleared before each result.
    C_ScanReport(
        std::ostream& out, std::ostream& err, E_Form eForm, size_t nTotal, bool bProgress, bool bOutOnTerminal);

    // The CSV header; nothing for the other forms.
    void Begin();
    // One file's outcome, flushed at once.
    void Item(const S_ScanItem& item);
    // Clears the progress line; then, for more than one file, the summary (on out for text, on err
    // for JSON and CSV so that the stream holds only results). bStopped: the scan was interrupted.
    void End(bool bStopped);

    size_t Failed() const { return m_nFailed; }
    size_t Likely() const { return m_nLikely; }

    // A field as RFC 4180 has it: quoted when it holds a comma, a quote or a line break, with
    // its quotes doubled.
    static std::string CsvField(const std::string& strField);
    // The verdict as one word, for JSON and CSV: "clean", "possible" or "likely".
    static const char* VerdictWord(E_Verdict eVerdict);

private:
    void WriteText(const S_ScanItem& item);
    void WriteJson(const S_ScanItem& item);
    void WriteCsv(const S_ScanItem& item);
    // Draws the line when it is not shown or was last drawn a while ago (or always, bNow).
    void DrawProgress(bool bNow);
    void ClearProgress();

    std::ostream& m_out;
    std::ostream& m_err;
    E_Form m_eForm;
    size_t m_nTotal;
    bool m_bProgress;
    bool m_bOutOnTerminal;
    bool m_bProgressShown = false;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_lastDrawn;
    size_t m_nDone = 0;      // items reported
    size_t m_nPictures = 0;  // items analysed
    size_t m_nFailed = 0;
    size_t m_nClean = 0;
    size_t m_nPossible = 0;
    size_t m_nLikely = 0;
};
