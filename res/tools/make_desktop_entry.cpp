// Writes Veilmark's desktop entry, whose comment and MIME types name the formats of the format
// table, so that a format added there is offered by the desktop too. Run by the build:
// `vmk_make_desktop_entry OUT` writes OUT, which is installed.

#include "model/pictures/C_FormatRegistry.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: vmk_make_desktop_entry OUT\n", stderr);
        return 2;
    }
    std::string strMimeTypes;
    for (const S_FormatEntry& entry : C_FormatRegistry::All())
        if (entry.pszMimeTypes)
            strMimeTypes += entry.pszMimeTypes;
    const std::string strEntry = "[Desktop Entry]\n"
                                 "Type=Application\n"
                                 "Name=Veilmark\n"
                                 "GenericName=Picture Steganography\n"
                                 "Comment=Hide a file inside a "
        + C_FormatRegistry::NameList()
        + " picture under a pass phrase\n"
          "Exec=veilmark %F\n"
          "Icon=veilmark\n"
          "Terminal=false\n"
          "Categories=Graphics;Utility;Security;\n"
          "MimeType="
        + strMimeTypes + "\n";
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out << strEntry;
    out.close();
    if (!out) {
        std::fprintf(stderr, "vmk_make_desktop_entry: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
