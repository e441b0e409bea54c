#pragma once
// veilmark-cli grayscale PICTURE -o OUTPUT: the picture in gray, as the application converts it.

#include "cli/C_PictureCopyCommand.h"

class C_GrayscaleCommand : public C_PictureCopyCommand {
public:
    explicit C_GrayscaleCommand(CLI::App& root);

protected:
    void Change(C_Carrier& carrier) const override;
};
