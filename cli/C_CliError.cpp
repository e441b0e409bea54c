#include "cli/C_CliError.h"

C_CliError::C_CliError(E_ExitCode eCode, const std::string& strMessage)
    : std::runtime_error(strMessage)
    , m_eCode(eCode)
{ }
