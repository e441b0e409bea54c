#pragma once
// The pictures of Hide Across Pictures, each read once and kept while the command runs: the
// dialog weighs them as the choice changes (on a thread of its own) and the hide then uses the
// same carriers. One caller at a time; the map itself is guarded.

#include "model/pictures/E_ImageError.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

class C_Carrier;

class C_AcrossPictures {
public:
    C_AcrossPictures();
    ~C_AcrossPictures();
    C_AcrossPictures(const C_AcrossPictures&) = delete;
    C_AcrossPictures& operator=(const C_AcrossPictures&) = delete;

    // The picture at strPath, read on first use; nullptr when it cannot be read (eError and
    // strError say why; NeedsConsent for a picture far larger than its file, which bAllowLarge
    // reads all the same). A picture that failed is tried again on the next call.
    C_Carrier* Get(const std::string& strPath, bool bAllowLarge, E_ImageError& eError, std::string& strError);
    // Lets every picture go: after a hide changed them, or when the command ends.
    void Forget();

private:
    std::mutex m_mutex;
    std::map<std::string, std::unique_ptr<C_Carrier>> m_carriers;  // read pictures, by path
};
