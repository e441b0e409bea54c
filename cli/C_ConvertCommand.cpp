#include "cli/C_ConvertCommand.h"

C_ConvertCommand::C_ConvertCommand(CLI::App& root)
    : C_PictureCopyCommand(root, "convert", "Write a picture in another format (bmp, gif, pcx or png)",
        "veilmark-cli convert photo.bmp -o photo.png")
{ }
