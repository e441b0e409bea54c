#pragma once
// What Hide Across Pictures asks for in its one dialog: the pictures, how many of them restore
// the file, the file, the folder the pictures are written into and the pass phrase (twice).
// UTF-8 paths. The pass phrase entries are wiped when the choice goes.

#include "model/records/C_SecretBytes.h"

#include <functional>
#include <string>
#include <vector>

struct C_AcrossChoice {
    std::vector<std::string> m_pictures;
    unsigned m_nNeeded = 0;  // k; 0 lets the dialog choose its default
    std::string m_strFile;
    std::string m_strFolder;
    std::string m_strPassphrase;
    std::string m_strAgain;

    C_AcrossChoice() = default;
    C_AcrossChoice(const C_AcrossChoice&) = default;
    C_AcrossChoice& operator=(const C_AcrossChoice&) = default;
    ~C_AcrossChoice()
    {
        C_SecretBytes::WipeString(m_strPassphrase);
        C_SecretBytes::WipeString(m_strAgain);
    }

    // The line the dialog shows under its fields for these pictures, this k and this file: the
    // largest file that fits, or why none can. Called off the window's thread, one call at a
    // time; it may take seconds for large pictures.
    using T_Weigh = std::function<std::string(
        const std::vector<std::string>& pictures, unsigned nNeeded, const std::string& strFile)>;

    // k when the user has not chosen: with three pictures or more, all but one, so the file
    // survives the loss of any one picture while no fewer than that give anything away; with
    // two, both (else each would hold the whole file). A larger k also fits a larger file.
    static unsigned DefaultNeeded(size_t nPictures)
    {
        return nPictures >= 3 ? static_cast<unsigned>(nPictures - 1) : static_cast<unsigned>(nPictures);
    }
};
