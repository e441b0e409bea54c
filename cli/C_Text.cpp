#include "cli/C_Text.h"

#include <cstdint>
#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence at p (1 to 4), or 0 when it is not one.
size_t Utf8SequenceLength(std::string_view s, size_t p)
{
    const auto b = static_cast<uint8_t>(s[p]);
    size_t nLength;
    uint32_t nMin;
    uint32_t nCode;
    if (b < 0x80)
        return 1;
    if ((b & 0xE0) == 0xC0) {
        nLength = 2;
        nMin = 0x80;
        nCode = b & 0x1Fu;
    } else if ((b & 0xF0) == 0xE0) {
        nLength = 3;
        nMin = 0x800;
        nCode = b & 0x0Fu;
    } else if ((b & 0xF8) == 0xF0) {
        nLength = 4;
        nMin = 0x10000;
        nCode = b & 0x07u;
    } else {
        return 0;
    }
    if (p + nLength > s.size())
        return 0;
    for (size_t i = 1; i < nLength; ++i) {
        const auto c = static_cast<uint8_t>(s[p + i]);
        if ((c & 0xC0) != 0x80)
            return 0;
        nCode = (nCode << 6) | (c & 0x3Fu);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    if (nCode < nMin || nCode > 0x10FFFF || (nCode >= 0xD800 && nCode <= 0xDFFF))
        return 0;
    return nLength;
}

}  // namespace

size_t C_Text::CountCharacters(std::string_view strText)
{
    size_t nCount = 0;
    for (const char c : strText)
        if ((static_cast<uint8_t>(c) & 0xC0) != 0x80)
            ++nCount;
    return nCount;
}

std::string C_Text::Printable(std::string_view strText)
{
    std::string out;
    out.reserve(strText.size());
    for (const char c : strText) {
        const auto b = static_cast<uint8_t>(c);
        if (b < 0x20 || b == 0x7F) {
            char aHex[5];
            std::snprintf(aHex, sizeof aHex, "\\x%02X", b);
            out += aHex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string C_Text::JsonQuoted(std::string_view strText)
{
    std::string out = "\"";
    for (size_t p = 0; p < strText.size();) {
        const size_t n = Utf8SequenceLength(strText, p);
        if (n == 0) {
            out += "\\ufffd";
            ++p;
            continue;
        }
        const char c = strText[p];
        if (n > 1) {
            out.append(strText.substr(p, n));
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F) {
            char aHex[7];
            std::snprintf(aHex, sizeof aHex, "\\u%04x", static_cast<unsigned>(static_cast<uint8_t>(c)));
            out += aHex;
        } else {
            out += c;
        }
        p += n;
    }
    out += '"';
    return out;
}
