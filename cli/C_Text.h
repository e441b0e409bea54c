#pragma once
// Text helpers for what the CLI prints and counts. Text is UTF-8; names and paths may hold any
// bytes, so printing escapes what a terminal would act on.

#include <cstddef>
#include <string>
#include <string_view>

class C_Text {
public:
    // strText with control bytes written as \xNN, so a name from a picture cannot move the
    // cursor or retitle the terminal.
    static std::string Printable(std::string_view strText);
    // strText as a JSON string literal, quotes included; bytes that are not valid UTF-8 become
    // U+FFFD so the output stays valid JSON.
    static std::string JsonQuoted(std::string_view strText);
};
