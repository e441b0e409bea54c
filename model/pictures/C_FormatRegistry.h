#pragma once
// Every picture format the program reads and writes, one entry each: its name, file name
// extension, signature test, codec entry points and what it can hold. The detector, the loader,
// the saver and both front ends' lists of formats read this table. Each format's entry lives in
// its own folder beside its codec, so a new format is that folder plus one line in MakeEntries.

#include "model/pictures/S_FormatEntry.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class C_FormatRegistry {
public:
    // In the order the texts list them: BMP, GIF, PCX, PNG, JPEG.
    static const std::vector<S_FormatEntry>& All();
    // Null for None or a code no entry has.
    static const S_FormatEntry* Find(E_ImageFormat eFormat);
    // The format's name, or null.
    static const char* Name(E_ImageFormat eFormat);
    // The format whose extension ends strPath (case aside); None when none does.
    static E_ImageFormat ForPath(const std::string& strPath);
    // The format whose signature the head carries, strong signatures first; None when none.
    static E_ImageFormat Detect(std::span<const uint8_t> head);
    // The format whose lead byte the head starts with; None when none.
    static E_ImageFormat ForLeadByte(std::span<const uint8_t> head);
    // Every extension, lower case, in the order of All() (a format's other one after its own).
    static std::vector<std::string> Extensions();
    // The names for a help text, "BMP, GIF, PCX or PNG": joined by ", " and the last one by
    // pszLastJoin; the extensions instead of the names when bExtensions.
    static std::string NameList(const char* pszLastJoin = " or ", bool bExtensions = false);
};
