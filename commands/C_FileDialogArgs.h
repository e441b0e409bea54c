#pragma once
// What a command asks of a file dialog. The filter is "description|pattern|" pairs, each ended
// by "|"; an empty title means the platform's own title for the dialog's mode.

#include <string>

struct C_FileDialogArgs {
    std::string m_strTitle;
    std::string m_strFilter;
    std::string m_strDefaultExt;       // appended to a typed name that has no extension
    std::string m_strInitialName;      // the file name the dialog starts with
    bool m_bMustExist = false;         // only an existing file is accepted
    bool m_bStartInCurrentDir = true;  // else where the last file dialog was left
};
