#pragma once
// Fills the numbered placeholders of the shared texts ("%1", "%2", ...), which keep Qt's form so
// the application can hand the same texts to QString::arg.

#include <initializer_list>
#include <string>
#include <string_view>

class C_TextFormat {
public:
    // strPattern with its first "%1" replaced by strArgument; unchanged where it has none.
    static std::string Substitute(std::string strPattern, std::string_view strArgument);
    // strPattern with the first "%1" replaced by the first argument, then the first "%2" by the
    // second, and so on up to "%9"; a placeholder the pattern lacks is skipped.
    static std::string Substitute(std::string strPattern, std::initializer_list<std::string_view> arguments);
};
