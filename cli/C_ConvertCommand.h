#pragma once
// veilmark-cli convert PICTURE -o OUTPUT: the picture in the format OUTPUT's name asks for.

#include "cli/C_PictureCopyCommand.h"

class C_ConvertCommand : public C_PictureCopyCommand {
public:
    explicit C_ConvertCommand(CLI::App& root);

protected:
    void Change(C_Carrier&) const override { }
};
