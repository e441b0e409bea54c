#pragma once
// BMP's entry in the format registry: its name, extension, signature test, codec and what it can
// hold, kept beside its codec so that a format is one folder and one line in the registry.

#include "model/pictures/S_FormatEntry.h"

class C_BmpFormat {
public:
    static S_FormatEntry Entry();
};
