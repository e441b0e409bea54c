#pragma once
// Scans files and folders for pictures that may hold hidden data: the detection check on every
// picture that can be read, on several threads at once, with at most one picture per worker in
// memory however many the folders hold. The CLI's analyze and the application's Scan Folder
// both run it.

#include "model/analysis/C_DetectionCheck.h"
#include "model/analysis/C_JpegDetectionCheck.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One file's outcome.
struct S_ScanItem {
    std::string strPath;    // as given, or the folder's path joined with the file's name
    std::string strFormat;  // the format registry's name ("BMP", "JPEG", ...); empty when not read
    uint64_t nFileBytes = 0;
    uint32_t nWidth = 0;
    uint32_t nHeight = 0;
    // Why the file was not analysed: the picture layer's reason ("picture expands far beyond its
    // file size", the system's "No such file or directory", ...), which the CLI prints after the
    // path; empty when it was.
    std::string strError;
    // The picture would decode to far more than its file holds: it opens with bAllowLarge.
    bool bNeedsConsent = false;
    // The findings, without the lowest-bit picture and the chi-square curves (memory). pixels
    // for BMP, GIF, PCX and PNG, jpeg for a JPEG.
    std::optional<S_DetectionResult> pixels;
    std::optional<S_JpegDetectionResult> jpeg;
    uint32_t nRecommended = 0;     // pixels: the payload that should still read clean, in bytes
    uint32_t nCapacity = 0;        // pixels: the plain record's capacity, in bytes
    uint32_t nSealedCapacity = 0;  // jpeg: the sealed record's capacity at the safe rate, in bytes
    // The largest estimate that enters the overall verdict, and that verdict.
    double dLargest = 0.0;
    E_Verdict eVerdict = E_Verdict::Clean;

    bool Failed() const { return !strError.empty(); }
};

struct S_ScanOptions {
    bool bRecurse = false;     // folders' subfolders too
    unsigned nWorkers = 0;     // 0: one per core
    bool bAllowLarge = false;  // pictures that decode to far more than their file (--allow-large)
};

class C_FolderScan {
public:
    using T_OnItem = std::function<void(const S_ScanItem&)>;

    explicit C_FolderScan(S_ScanOptions options);

    // The files a scan of paths visits, in order: a path that is a file is taken as it is; a
    // folder gives its files that carry a picture format's extension (any case), by name, and,
    // with bRecurse, its subfolders' after them. A path that does not exist or a folder that
    // cannot be listed goes to errors as an item with strError set.
    std::vector<std::string> Collect(const std::vector<std::string>& paths, std::vector<S_ScanItem>& errors) const;

    // Analyses every file, on the workers, and calls fnItem once for each, one call at a time
    // (never two at once), in the order they finish, on whichever worker finished it (the
    // calling thread is one of them). Returns when all are done or, after Cancel, as soon as
    // the workers have finished the pictures they hold; the files not yet started are not
    // reported. A cancelled scan stays cancelled: a later Run does nothing. When fnItem throws,
    // the scan is cancelled and Run throws that once the workers have stopped.
    void Run(const std::vector<std::string>& files, const T_OnItem& fnItem);

    // From any thread, a signal handler included (it only sets a flag).
    void Cancel() { m_bCancelled.store(true, std::memory_order_relaxed); }
    bool Cancelled() const { return m_bCancelled.load(std::memory_order_relaxed); }

    // One file, on the calling thread.
    static S_ScanItem Analyse(const std::string& strPath, bool bAllowLarge);

private:
    S_ScanOptions m_options;
    std::atomic<bool> m_bCancelled{false};
};
