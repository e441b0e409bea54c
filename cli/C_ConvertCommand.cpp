#include "cli/C_ConvertCommand.h"

#include "model/pictures/C_FormatRegistry.h"
#include "model/vmk_texts.h"

#include <string>

C_ConvertCommand::C_ConvertCommand(CLI::App& root)
    : C_PictureCopyCommand(root, "convert",
        ("Write a picture in another format (" + C_FormatRegistry::NameList(" or ", true) + ")").c_str(),
        vmk::kStrCliExampleConvert)
{ }
