#include "cli/C_ScanReport.h"

#include "cli/C_Text.h"
#include "model/vmk_texts.h"

#include <cmath>
#include <iomanip>
#include <sstream>

namespace {

std::string Fixed(double dValue)
{
    std::ostringstream text;
    text << std::fixed << std::setprecision(3) << dValue;
    return text.str();
}

// "1:05" or "1:02:05".
std::string Duration(double dSeconds)
{
    const auto nSeconds = static_cast<long long>(std::llround(std::max(dSeconds, 0.0)));
    std::ostringstream text;
    if (nSeconds >= 3600)
        text << nSeconds / 3600 << ":" << std::setw(2) << std::setfill('0') << nSeconds / 60 % 60;
    else
        text << nSeconds / 60;
    text << ":" << std::setw(2) << std::setfill('0') << nSeconds % 60;
    return text.str();
}

std::string Reason(const S_ScanItem& item)
{
    std::string strReason = item.strError;
    if (item.bNeedsConsent)
        strReason += " (give --allow-large to open it anyway)";
    return strReason;
}

}  // namespace

C_ScanReport::C_ScanReport(
    std::ostream& out, std::ostream& err, E_Form eForm, size_t nTotal, bool bProgress, bool bOutOnTerminal)
    : m_out(out)
    , m_err(err)
    , m_eForm(eForm)
    , m_nTotal(nTotal)
    , m_bProgress(bProgress)
    , m_bOutOnTerminal(bOutOnTerminal)
{ }

const char* C_ScanReport::VerdictWord(E_Verdict eVerdict)
{
    switch (eVerdict) {
    case E_Verdict::Clean: return "clean";
    case E_Verdict::Possible: return "possible";
    case E_Verdict::Likely: return "likely";
    }
    return "clean";
}

std::string C_ScanReport::CsvField(const std::string& strField)
{
    if (strField.find_first_of(",\"\r\n") == std::string::npos)
        return strField;
    std::string strQuoted = "\"";
    for (const char c : strField) {
        if (c == '"')
            strQuoted += '"';
        strQuoted += c;
    }
    return strQuoted + "\"";
}

void C_ScanReport::Begin()
{
    if (m_eForm == E_Form::Csv)
        m_out << "path,format,file_bytes,width,height,largest_estimate,verdict,recommended_payload,"
                 "sealed_capacity,error\n"
              << std::flush;
    DrawProgress(true);
}

void C_ScanReport::Item(const S_ScanItem& item)
{
    // The line goes before anything that would be printed on the terminal after it.
    if (m_bOutOnTerminal || (item.Failed() && m_eForm == E_Form::Text))
        ClearProgress();
    ++m_nDone;
    if (item.Failed())
        ++m_nFailed;
    else
        ++m_nPictures;
    if (!item.Failed() && item.eVerdict == E_Verdict::Likely)
        ++m_nLikely;
    else if (!item.Failed() && item.eVerdict == E_Verdict::Possible)
        ++m_nPossible;
    else if (!item.Failed())
        ++m_nClean;
    switch (m_eForm) {
    case E_Form::Text: WriteText(item); break;
    case E_Form::Json: WriteJson(item); break;
    case E_Form::Csv: WriteCsv(item); break;
    }
    m_out.flush();
    DrawProgress(m_nDone == m_nTotal);
}

void C_ScanReport::WriteText(const S_ScanItem& item)
{
    if (item.Failed()) {
        m_err << C_Text::Printable(item.strPath) << ": " << Reason(item) << "\n" << std::flush;
        return;
    }
    // Pictures apart by a blank line, the first one as a single picture's analysis has always been.
    if (m_nPictures > 1)
        m_out << "\n";
    m_out << "Path: " << C_Text::Printable(item.strPath) << "\n";
    if (item.jpeg) {
        m_out << C_JpegDetectionCheck::TextLines(*item.jpeg) << "Sealed capacity: " << item.nSealedCapacity
              << " bytes at the safe rate (" << vmk::kStrSafeRateJpeg << ")\n";
        return;
    }
    const S_DetectionResult& result = *item.pixels;
    if (result.aChannels.empty())
        m_out << "No channel of this picture could be analysed.\n";
    for (const S_ChannelFindings& channel : result.aChannels) {
        m_out << channel.strName << " sample pair analysis: " << Fixed(channel.dSpa) << " "
              << C_DetectionCheck::VerdictText(channel.eSpa) << "\n"
              << channel.strName << " RS analysis: " << Fixed(channel.dRs) << " "
              << C_DetectionCheck::VerdictText(channel.eRs) << "\n"
              << channel.strName << " chi-square attack: " << Fixed(channel.dChiSquare) << " "
              << C_DetectionCheck::VerdictText(channel.eChiSquare) << "\n";
    }
    m_out << "Overall: " << C_DetectionCheck::VerdictText(result.eOverall) << "\n"
          << "Recommended payload: " << item.nRecommended << " bytes (capacity " << item.nCapacity << " bytes)\n";
}

void C_ScanReport::WriteJson(const S_ScanItem& item)
{
    m_out << "{\"path\": " << C_Text::JsonQuoted(item.strPath);
    if (item.Failed()) {
        m_out << ", \"error\": " << C_Text::JsonQuoted(Reason(item)) << "}\n";
        return;
    }
    m_out << ", \"format\": " << C_Text::JsonQuoted(item.strFormat) << ", \"file_bytes\": " << item.nFileBytes
          << ", \"width\": " << item.nWidth << ", \"height\": " << item.nHeight << ", ";
    if (item.jpeg) {
        m_out << C_JpegDetectionCheck::JsonFields(*item.jpeg) << ", \"sealed_capacity\": " << item.nSealedCapacity;
    } else {
        m_out << "\"channels\": [";
        const char* pSeparator = "";
        for (const S_ChannelFindings& channel : item.pixels->aChannels) {
            m_out << pSeparator << "{\"name\": \"" << channel.strName << "\", \"spa\": " << Fixed(channel.dSpa)
                  << ", \"rs\": " << Fixed(channel.dRs) << ", \"chi_square\": " << Fixed(channel.dChiSquare)
                  << ", \"verdicts\": {\"spa\": " << C_Text::JsonQuoted(C_DetectionCheck::VerdictText(channel.eSpa))
                  << ", \"rs\": " << C_Text::JsonQuoted(C_DetectionCheck::VerdictText(channel.eRs))
                  << ", \"chi_square\": " << C_Text::JsonQuoted(C_DetectionCheck::VerdictText(channel.eChiSquare))
                  << "}}";
            pSeparator = ", ";
        }
        m_out << "], \"overall\": " << C_Text::JsonQuoted(C_DetectionCheck::VerdictText(item.pixels->eOverall))
              << ", \"recommended_payload\": " << item.nRecommended << ", \"capacity\": " << item.nCapacity;
    }
    m_out << ", \"largest_estimate\": " << Fixed(item.dLargest) << ", \"verdict\": \"" << VerdictWord(item.eVerdict)
          << "\"}\n";
}

void C_ScanReport::WriteCsv(const S_ScanItem& item)
{
    m_out << CsvField(item.strPath) << ",";
    if (item.Failed()) {
        m_out << ",,,,,,,," << CsvField(Reason(item)) << "\n";
        return;
    }
    m_out << CsvField(item.strFormat) << "," << item.nFileBytes << "," << item.nWidth << "," << item.nHeight << ","
          << Fixed(item.dLargest) << "," << VerdictWord(item.eVerdict) << ",";
    // Each picture has one of the two: the plain record's clean payload, or a JPEG's sealed room.
    if (item.jpeg)
        m_out << "," << item.nSealedCapacity;
    else
        m_out << item.nRecommended << ",";
    m_out << ",\n";
}

void C_ScanReport::DrawProgress(bool bNow)
{
    if (!m_bProgress || m_nTotal < 2)
        return;
    const auto now = std::chrono::steady_clock::now();
    // A few times a second is enough to read, and keeps a fast scan from writing more than it scans.
    if (m_bProgressShown && !bNow && now - m_lastDrawn < std::chrono::milliseconds(200))
        return;
    m_lastDrawn = now;
    const double dSeconds = std::chrono::duration<double>(now - m_start).count();
    m_err << "\r" << m_nDone << " of " << m_nTotal << " files";
    if (m_nDone > 0 && dSeconds > 0) {
        const double dRate = static_cast<double>(m_nDone) / dSeconds;
        m_err << ", " << std::fixed << std::setprecision(1) << dRate << std::defaultfloat << " per second, "
              << Duration(static_cast<double>(m_nTotal - m_nDone) / dRate) << " left";
    }
    m_err << "\x1b[K" << std::flush;
    m_bProgressShown = true;
}

void C_ScanReport::ClearProgress()
{
    if (!m_bProgressShown)
        return;
    // Whatever follows starts at the line's beginning, with nothing of the progress left after it.
    m_err << "\r\x1b[K" << std::flush;
    m_bProgressShown = false;
}

void C_ScanReport::End(bool bStopped)
{
    ClearProgress();
    if (m_nTotal < 2 && !bStopped)
        return;
    std::ostream& summary = m_eForm == E_Form::Text ? m_out : m_err;
    if (m_eForm == E_Form::Text && m_nPictures > 0)
        summary << "\n";
    summary << "Pictures analysed: " << m_nPictures << "\n"
            << vmk::kStrVerdictClean << ": " << m_nClean << "\n"
            << vmk::kStrVerdictPossible << ": " << m_nPossible << "\n"
            << vmk::kStrVerdictLikely << ": " << m_nLikely << "\n"
            << "Files not read: " << m_nFailed << "\n";
    if (bStopped)
        summary << "The scan was stopped; " << m_nTotal - m_nDone << " of " << m_nTotal
                << " files were not analysed.\n";
    summary.flush();
}
