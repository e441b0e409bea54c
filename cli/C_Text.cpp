#include "cli/C_Text.h"

#include "model/C_TextRules.h"

#include <cstdint>
#include <cstdio>

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
        const size_t n = C_TextRules::SequenceLength(strText, p);
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
