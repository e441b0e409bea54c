#include "model/C_TextRules.h"

#include <unicode/ubrk.h>
#include <unicode/utext.h>

#include <cstdint>
#include <memory>

namespace {

struct S_BreakCloser {
    void operator()(UBreakIterator* p) const { ubrk_close(p); }
};
struct S_TextCloser {
    void operator()(UText* p) const { utext_close(p); }
};

}  // namespace

size_t C_TextRules::SequenceLength(std::string_view s, size_t p)
{
    const auto b = static_cast<uint8_t>(s[p]);
    if (b < 0x80)
        return 1;
    size_t nLength;
    uint32_t nMin;
    uint32_t nCode;
    if ((b & 0xE0) == 0xC0) {
        nLength = 2, nMin = 0x80, nCode = b & 0x1Fu;
    } else if ((b & 0xF0) == 0xE0) {
        nLength = 3, nMin = 0x800, nCode = b & 0x0Fu;
    } else if ((b & 0xF8) == 0xF0) {
        nLength = 4, nMin = 0x10000, nCode = b & 0x07u;
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

bool C_TextRules::IsValidUtf8(std::string_view strText)
{
    for (size_t p = 0; p < strText.size();) {
        const size_t n = SequenceLength(strText, p);
        if (n == 0)
            return false;
        p += n;
    }
    return true;
}

std::vector<size_t> C_TextRules::CharacterEnds(std::string_view strText)
{
    std::vector<size_t> aEnds;
    if (strText.empty())
        return aEnds;
    UErrorCode status = U_ZERO_ERROR;
    // ICU reads UTF-8 in place and takes each invalid byte as one U+FFFD, so boundaries are
    // byte offsets into strText.
    std::unique_ptr<UText, S_TextCloser> pText(
        utext_openUTF8(nullptr, strText.data(), static_cast<int64_t>(strText.size()), &status));
    std::unique_ptr<UBreakIterator, S_BreakCloser> pBreak(ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status));
    if (U_SUCCESS(status))
        ubrk_setUText(pBreak.get(), pText.get(), &status);
    if (U_FAILURE(status)) {
        // No break data: count code points, the nearest rule that needs none.
        for (size_t p = 0; p < strText.size();) {
            const size_t n = SequenceLength(strText, p);
            p += n == 0 ? 1 : n;
            aEnds.push_back(p);
        }
        return aEnds;
    }
    for (int32_t nEnd = ubrk_next(pBreak.get()); nEnd != UBRK_DONE; nEnd = ubrk_next(pBreak.get()))
        aEnds.push_back(static_cast<size_t>(nEnd));
    return aEnds;
}

size_t C_TextRules::CountCharacters(std::string_view strText)
{
    return CharacterEnds(strText).size();
}

C_TextRules::E_Passphrase C_TextRules::CheckPassphrase(std::string_view strPassphrase)
{
    if (strPassphrase.find('\0') != std::string_view::npos)
        return E_Passphrase::HasNul;
    if (!IsValidUtf8(strPassphrase))
        return E_Passphrase::NotUtf8;
    return CountCharacters(strPassphrase) > kMaxPassphraseCharacters ? E_Passphrase::TooLong : E_Passphrase::Valid;
}
