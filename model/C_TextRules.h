#pragma once
// The one rule for counting characters as the user sees them, for both programs: extended
// grapheme clusters (Unicode's own definition, through ICU), so "e" with a combining accent is one
// character in a dialog and on the command line alike. Text is UTF-8.

#include <cstddef>
#include <string_view>
#include <vector>

class C_TextRules {
public:
    static constexpr size_t kMaxPassphraseCharacters = 15;

    enum class E_Passphrase {
        Valid,
        TooLong,  // more than kMaxPassphraseCharacters characters
        HasNul,   // a NUL byte: no typed pass phrase can give the same key
        NotUtf8,  // bytes that are not valid UTF-8 (which no text field can type)
    };

    // Characters in strText. Each byte that is not part of valid UTF-8 counts as one.
    static size_t CountCharacters(std::string_view strText);
    // The byte offset at which each character ends, in order (the last is strText.size()).
    static std::vector<size_t> CharacterEnds(std::string_view strText);
    static bool IsValidUtf8(std::string_view strText);
    // Length of the valid UTF-8 sequence at byte p (1 to 4), or 0 when none starts there.
    static size_t SequenceLength(std::string_view strText, size_t p);
    static E_Passphrase CheckPassphrase(std::string_view strPassphrase);
};
