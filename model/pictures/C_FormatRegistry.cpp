#include "model/pictures/C_FormatRegistry.h"

#include "model/pictures/bmp/C_BmpFormat.h"
#include "model/pictures/gif/C_GifFormat.h"
#include "model/pictures/jpeg/C_JpegFormat.h"
#include "model/pictures/pcx/C_PcxFormat.h"
#include "model/pictures/png/C_PngFormat.h"

#include <string_view>

namespace {

// Each format's entry is kept in its own folder, beside its codec.
std::vector<S_FormatEntry> MakeEntries()
{
    return {
        C_BmpFormat::Entry(), C_GifFormat::Entry(), C_PcxFormat::Entry(), C_PngFormat::Entry(), C_JpegFormat::Entry()};
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

const std::vector<S_FormatEntry>& C_FormatRegistry::All()
{
    static const std::vector<S_FormatEntry> kEntries = MakeEntries();
    return kEntries;
}

const S_FormatEntry* C_FormatRegistry::Find(E_ImageFormat eFormat)
{
    for (const S_FormatEntry& entry : All())
        if (entry.eFormat == eFormat)
            return &entry;
    return nullptr;
}

const char* C_FormatRegistry::Name(E_ImageFormat eFormat)
{
    const S_FormatEntry* pEntry = Find(eFormat);
    return pEntry ? pEntry->pszName : nullptr;
}

E_ImageFormat C_FormatRegistry::ForPath(const std::string& strPath)
{
    // Only the name's last characters count, not a dot before them: "photobmp" is a BMP too.
    const auto EndsWith = [&](const char* pszExtension) {
        const std::string_view strExtension = pszExtension ? pszExtension : "";
        if (strExtension.empty() || strPath.size() < strExtension.size())
            return false;
        const size_t nStart = strPath.size() - strExtension.size();
        for (size_t i = 0; i < strExtension.size(); ++i)
            if (Lower(strPath[nStart + i]) != strExtension[i])
                return false;
        return true;
    };
    for (const S_FormatEntry& entry : All())
        if (EndsWith(entry.pszExtension) || EndsWith(entry.pszOtherExtension))
            return entry.eFormat;
    return E_ImageFormat::None;
}

E_ImageFormat C_FormatRegistry::Detect(std::span<const uint8_t> head)
{
    for (const bool bWeak : {false, true})
        for (const S_FormatEntry& entry : All())
            if (entry.bWeakSignature == bWeak && entry.fnIsSignature(head))
                return entry.eFormat;
    return E_ImageFormat::None;
}

E_ImageFormat C_FormatRegistry::ForLeadByte(std::span<const uint8_t> head)
{
    if (head.empty())
        return E_ImageFormat::None;
    for (const S_FormatEntry& entry : All())
        if (entry.nLeadByte == head[0])
            return entry.eFormat;
    return E_ImageFormat::None;
}

std::vector<std::string> C_FormatRegistry::Extensions()
{
    std::vector<std::string> extensions;
    for (const S_FormatEntry& entry : All()) {
        extensions.emplace_back(entry.pszExtension);
        if (entry.pszOtherExtension)
            extensions.emplace_back(entry.pszOtherExtension);
    }
    return extensions;
}

std::string C_FormatRegistry::NameList(const char* pszLastJoin, bool bExtensions)
{
    std::vector<std::string> items;
    for (const S_FormatEntry& entry : All()) {
        items.emplace_back(bExtensions ? entry.pszExtension : entry.pszName);
        if (bExtensions && entry.pszOtherExtension)
            items.emplace_back(entry.pszOtherExtension);
    }
    std::string strList;
    for (size_t i = 0; i < items.size(); ++i)
        strList += (i == 0 ? "" : i + 1 == items.size() ? pszLastJoin : ", ") + items[i];
    return strList;
}
