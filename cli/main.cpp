// veilmark-cli: the process's arguments, environment and streams, handed to C_CliApp.

#include "cli/C_CliApp.h"

#include <iostream>
#include <string>
#include <vector>

extern char** environ;

int main(int argc, char** argv)
{
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    T_Environment env;
    for (char** p = environ; *p != nullptr; ++p) {
        const std::string strEntry = *p;
        const size_t nEquals = strEntry.find('=');
        if (nEquals != std::string::npos)
            env.emplace(strEntry.substr(0, nEquals), strEntry.substr(nEquals + 1));
    }
    return C_CliApp().Run(args, env, std::cout, std::cerr);
}
