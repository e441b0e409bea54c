#pragma once
// veilmark-cli hide --seal --across K PICTURE... PAYLOAD -o DIR
//
// Hides one file across the pictures so that any K of them give it back (C_AcrossService):
// each picture is written into DIR under its own file name and format. Every picture is opened
// and checked first (palette pictures and gray below 8 bits cannot hold a share: they are named
// and refused before any work), the pass phrase is asked once, every picture is hidden into,
// written to a temporary file and read back; only when all of them hold their share are they
// renamed into place. Nothing is written otherwise.

#include "cli/C_CliContext.h"

#include <string>
#include <vector>

class C_HideJob;

class C_AcrossHideJob {
public:
    // The pictures, the payload ("-" for standard input), and the options hide took (job).
    C_AcrossHideJob(const C_HideJob& job, std::vector<std::string> pictures, std::string strPayload, unsigned k);
    void Run(const C_CliContext& context);

    // The file name a picture is written under in DIR: the part after its last "/".
    static std::string FileNameOf(const std::string& strPath);

private:
    const C_HideJob& m_job;
    std::vector<std::string> m_pictures;
    std::string m_strPayload;
    unsigned m_nNeeded;
};
