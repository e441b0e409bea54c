#pragma once
// One sub-command of veilmark-cli. Each command's constructor registers it, with its options,
// on the root app; main runs the one that was named.

#include "cli/C_CliContext.h"
#include "cli/C_CliError.h"

#include <CLI/CLI.hpp>

class C_Command {
public:
    virtual ~C_Command() = default;

    // True when this sub-command was named on the command line.
    bool WasChosen() const { return m_pCommand != nullptr && m_pCommand->parsed(); }
    // Does the work. Returns Done or NotFound; anything else is thrown as C_CliError, but for
    // analyze, which returns Failed or Interrupted once it has printed every result it has.
    virtual E_ExitCode Run(const C_CliContext& context) = 0;

protected:
    CLI::App* m_pCommand = nullptr;  // the registered sub-command; owned by the root app
};
