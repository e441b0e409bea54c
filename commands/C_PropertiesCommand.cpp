#include "commands/C_PropertiesCommand.h"

#include "commands/C_Prompts.h"
#include "model/C_Carrier.h"
#include "model/C_CarrierInfo.h"

void C_PropertiesCommand::Run(const C_Carrier& carrier, C_Prompts& prompts)
{
    C_CarrierInfo info;
    carrier.GetCarrierInfo(info);
    prompts.ShowProperties(info);
}
