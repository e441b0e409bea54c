#include "model/analysis/C_FolderScan.h"

#include "engine/C_ParallelTasks.h"
#include "model/C_Carrier.h"
#include "model/pictures/C_FormatRegistry.h"
#include "model/pictures/E_ImageError.h"
#include "model/pictures/jpeg/C_JpegCoefficients.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace {

S_ScanItem ErrorItem(const std::string& strPath, const std::string& strReason)
{
    S_ScanItem item;
    item.strPath = strPath;
    item.strError = strReason.empty() ? std::string("unknown reason") : strReason;
    return item;
}

// A folder member is taken when its name ends in a dot and one of the registry's extensions.
bool HasPictureExtension(const fs::path& name)
{
    std::string strExtension = name.extension().string();
    if (strExtension.size() < 2)
        return false;
    strExtension.erase(0, 1);
    std::transform(strExtension.begin(), strExtension.end(), strExtension.begin(),
        [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    static const std::vector<std::string> extensions = C_FormatRegistry::Extensions();
    return std::find(extensions.begin(), extensions.end(), strExtension) != extensions.end();
}

// The folder's picture files by name, then (bRecurse) each subfolder's, by name. A subfolder
// reached through a link is passed over: it may lead back up and never end.
void CollectFolder(
    const fs::path& folder, bool bRecurse, std::vector<std::string>& files, std::vector<S_ScanItem>& errors)
{
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) {
        errors.push_back(ErrorItem(folder.string(), error.message()));
        return;
    }
    std::vector<fs::path> members;
    std::vector<fs::path> subfolders;
    for (const fs::directory_iterator end; it != end; it.increment(error)) {
        if (error)
            break;
        const fs::directory_entry& entry = *it;
        std::error_code statusError;
        if (entry.is_directory(statusError)) {
            if (bRecurse && !entry.is_symlink(statusError))
                subfolders.push_back(entry.path());
        } else if (HasPictureExtension(entry.path().filename())) {
            // A pipe or a device would hold a worker until something writes to it, or forever.
            const fs::file_status status = entry.status(statusError);
            if (fs::is_fifo(status) || fs::is_socket(status) || fs::is_block_file(status)
                || fs::is_character_file(status))
                continue;
            // Whatever else is named like a picture is tried: a file that does not read as one,
            // or a link that leads nowhere, says so in its item.
            members.push_back(entry.path());
        }
    }
    if (error)
        errors.push_back(ErrorItem(folder.string(), error.message()));
    std::sort(members.begin(), members.end());
    std::sort(subfolders.begin(), subfolders.end());
    for (const fs::path& member : members)
        files.push_back(member.string());
    for (const fs::path& subfolder : subfolders)
        CollectFolder(subfolder, bRecurse, files, errors);
}

// The largest estimate that enters the overall verdict (C_DetectionCheck's eOverall).
double LargestOf(const S_DetectionResult& result)
{
    double dLargest = 0.0;
    for (const S_ChannelFindings& channel : result.aChannels)
        dLargest = std::max({dLargest, channel.dSpa, channel.dRs});
    return dLargest;
}

// The same for a JPEG (C_JpegDetectionCheck's eOverall): the first component's calibrated
// estimate and every chi-square one.
double LargestOf(const S_JpegDetectionResult& result)
{
    double dLargest = result.aComponents.empty() ? 0.0 : result.aComponents[0].dCalibrated;
    for (const S_ComponentFindings& component : result.aComponents)
        dLargest = std::max(dLargest, component.dChiSquare);
    return dLargest;
}

void AnalyseOpened(C_Carrier& carrier, S_ScanItem& item)
{
    BTCImageData& data = *carrier.GetObjectDataPtr();
    const char* pszFormat = C_FormatRegistry::Name(data.m_eSourceFormat);
    item.strFormat = pszFormat ? pszFormat : "";
    item.nFileBytes = carrier.GetFileBytes();
    item.nWidth = static_cast<uint32_t>(std::max(data.GetWidth(), 0));
    item.nHeight = static_cast<uint32_t>(std::max(data.GetHeight(), 0));
    if (const C_JpegCoefficients* pJpeg = data.m_pDocument ? data.m_pDocument->Coefficients() : nullptr) {
        S_JpegDetectionResult jpeg = C_JpegDetectionCheck::Run(*pJpeg);
        for (S_ComponentFindings& component : jpeg.aComponents)
            std::vector<double>().swap(component.aChiSquareCurve);
        item.nSealedCapacity = carrier.CapacityOf(C_Carrier::SealedKind(), 0);
        item.dLargest = LargestOf(jpeg);
        item.eVerdict = jpeg.eOverall;
        item.jpeg = std::move(jpeg);
        return;
    }
    S_DetectionResult pixels = C_DetectionCheck::Run(data);
    std::vector<uint8_t>().swap(pixels.aLsbPlane);
    pixels.nPlaneWidth = 0;
    pixels.nPlaneHeight = 0;
    for (S_ChannelFindings& channel : pixels.aChannels)
        std::vector<double>().swap(channel.aChiSquareCurve);
    item.nCapacity = carrier.GetCapacity();
    item.nRecommended = pixels.RecommendedPayload(carrier.GetUsableBytes(), item.nCapacity);
    item.dLargest = LargestOf(pixels);
    item.eVerdict = pixels.eOverall;
    item.pixels = std::move(pixels);
}

}  // namespace

C_FolderScan::C_FolderScan(S_ScanOptions options)
    : m_options(options)
{ }

std::vector<std::string> C_FolderScan::Collect(
    const std::vector<std::string>& paths, std::vector<S_ScanItem>& errors) const
{
    std::vector<std::string> files;
    for (const std::string& strPath : paths) {
        std::error_code error;
        const fs::file_status status = fs::status(strPath, error);
        if (error || !fs::exists(status)) {
            errors.push_back(ErrorItem(strPath, error ? error.message() : "No such file or directory"));
            continue;
        }
        if (fs::is_directory(status))
            CollectFolder(strPath, m_options.bRecurse, files, errors);
        else
            files.push_back(strPath);  // named by the user: tried whatever its name
    }
    return files;
}

S_ScanItem C_FolderScan::Analyse(const std::string& strPath, bool bAllowLarge)
{
    S_ScanItem item;
    item.strPath = strPath;
    try {
        C_Carrier carrier;
        carrier.SetAllowLarge(bAllowLarge);
        if (!carrier.OpenImage(strPath)) {
            item.strError = carrier.GetLastError().empty() ? std::string("unknown reason") : carrier.GetLastError();
            item.bNeedsConsent = carrier.GetLastErrorCode() == E_ImageError::NeedsConsent;
            std::error_code error;
            const uintmax_t nBytes = fs::file_size(strPath, error);
            item.nFileBytes = error ? 0 : static_cast<uint64_t>(nBytes);
            return item;
        }
        AnalyseOpened(carrier, item);
    } catch (const std::bad_alloc&) {
        // One picture too large for the memory left must not end the scan of the others.
        item = ErrorItem(strPath, "not enough memory to analyse it");
    } catch (const std::exception& e) {
        item = ErrorItem(strPath, e.what());
    }
    return item;
}

void C_FolderScan::Run(const std::vector<std::string>& files, const T_OnItem& fnItem)
{
    const unsigned nThreads =
        m_options.nWorkers != 0 ? m_options.nWorkers : std::max(std::thread::hardware_concurrency(), 1u);
    std::mutex deliver;
    bool bThrew = false;  // fnItem threw: nothing more is delivered; under deliver
    C_ParallelTasks::Run(
        files.size(),
        [&](size_t i) {
            if (Cancelled())
                return;
            // Analysed outside the lock: the lock only keeps fnItem's calls apart.
            const S_ScanItem item = Analyse(files[i], m_options.bAllowLarge);
            const std::lock_guard<std::mutex> lock(deliver);
            if (bThrew)
                return;
            try {
                fnItem(item);
            } catch (...) {
                bThrew = true;
                Cancel();
                throw;
            }
        },
        nThreads);
}
