#pragma once
// A fresh folder for one test, removed with everything in it afterwards, and the file systems
// that a test may mount inside it: a small tmpfs for a full disk, a read-only bind or remount
// for a file system that refuses writes. Mounting needs privileges; the helpers return an
// empty path (or false) where the process has none, and the test skips with that reason.

#include <filesystem>
#include <string>
#include <vector>

class C_ScratchFolder {
public:
    C_ScratchFolder();
    ~C_ScratchFolder();
    C_ScratchFolder(const C_ScratchFolder&) = delete;
    C_ScratchFolder& operator=(const C_ScratchFolder&) = delete;

    // Resolved, since error texts name resolved paths. Empty when no folder could be made.
    const std::filesystem::path& Path() const { return m_dir; }

    // Mounts a file system over a fresh folder "mnt" inside, or returns an empty path.
    std::filesystem::path Mount(const char* pType, const char* pSource, unsigned long nFlags, const char* pOptions);
    // Makes the mount from Mount() read-only in place, keeping what it holds.
    bool RemountReadOnly(bool bBind);

    // The folder's entry names, sorted: a save that fails must leave no temporary file behind.
    static std::vector<std::string> Entries(const std::filesystem::path& dir);

private:
    std::filesystem::path m_dir;
    std::string m_strMount;  // the mount point made by Mount(), unmounted on destruction
};
