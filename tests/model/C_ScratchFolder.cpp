#include "tests/model/C_ScratchFolder.h"

#include <algorithm>
#include <cstdlib>
#include <sys/mount.h>

namespace fs = std::filesystem;

C_ScratchFolder::C_ScratchFolder()
{
    std::string strTemplate = (fs::temp_directory_path() / "vmk-model-XXXXXX").string();
    if (::mkdtemp(strTemplate.data()))
        m_dir = fs::canonical(strTemplate);
}

C_ScratchFolder::~C_ScratchFolder()
{
    if (!m_strMount.empty())
        ::umount2(m_strMount.c_str(), MNT_DETACH);
    std::error_code ec;
    if (!m_dir.empty()) {
        // A test may have taken write permission away from a folder inside.
        for (auto it = fs::recursive_directory_iterator(m_dir, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec))
            if (it->is_directory(ec))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_dir, ec);
    }
}

fs::path C_ScratchFolder::Mount(const char* pType, const char* pSource, unsigned long nFlags, const char* pOptions)
{
    const fs::path dir = m_dir / "mnt";
    fs::create_directory(dir);
    if (::mount(pSource ? pSource : pType, dir.c_str(), pType, nFlags, pOptions) != 0)
        return {};
    m_strMount = dir.string();
    return dir;
}

bool C_ScratchFolder::RemountReadOnly(bool bBind)
{
    if (m_strMount.empty())
        return false;
    const unsigned long nFlags = MS_REMOUNT | MS_RDONLY | (bBind ? MS_BIND : 0);
    return ::mount(nullptr, m_strMount.c_str(), nullptr, nFlags, nullptr) == 0;
}

std::vector<std::string> C_ScratchFolder::Entries(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
