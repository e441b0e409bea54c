#include "model/C_TextFormat.h"

#include <utility>

std::string C_TextFormat::Substitute(std::string strPattern, std::string_view strArgument)
{
    return Substitute(std::move(strPattern), std::initializer_list<std::string_view>{strArgument});
}

std::string C_TextFormat::Substitute(std::string strPattern, std::initializer_list<std::string_view> arguments)
{
    char aPlaceholder[] = "%1";
    for (const std::string_view strArgument : arguments) {
        if (aPlaceholder[1] > '9')
            break;
        if (const size_t nAt = strPattern.find(aPlaceholder); nAt != std::string::npos)
            strPattern.replace(nAt, 2, strArgument);
        ++aPlaceholder[1];
    }
    return strPattern;
}
