#include "commands/C_AboutCommand.h"

#include "commands/C_Prompts.h"

void C_AboutCommand::Run(C_Prompts& prompts)
{
    prompts.ShowAbout();
}
