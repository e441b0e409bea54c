#pragma once
// Everything the program asks of the user: the commands' dialogs and the shell's file dialogs
// and questions. The application owns one and answers with the real dialogs (C_DialogPrompts);
// tests answer from a script. Text and paths cross as UTF-8.

#include "commands/C_AcrossChoice.h"
#include "commands/C_FileDialogArgs.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class C_CarrierInfo;
struct S_DetectionResult;

class C_Prompts {
public:
    enum class E_SaveChoice { Save, Discard, Cancel };

    virtual ~C_Prompts() = default;

    // The full path chosen, or an empty string on Cancel.
    virtual std::string ChooseOpenFile(const C_FileDialogArgs& args) = 0;
    virtual std::string ChooseSaveFile(const C_FileDialogArgs& args) = 0;
    // An existing folder, starting in strStart when that is one; an empty string on Cancel.
    // Prompts that cannot ask answer Cancel.
    virtual std::string ChooseFolder(const std::string& /*strTitle*/, const std::string& /*strStart*/) { return {}; }
    // Several existing files at once; none on Cancel.
    virtual std::vector<std::string> ChooseOpenFiles(const C_FileDialogArgs& args) = 0;
    // One showing of the pass phrase dialog, opened with the two entries given; on OK they hold
    // what was typed. False on Cancel, Escape or the close box (entries then unchanged).
    virtual bool ShowPasswordDialog(std::string& strFirst, std::string& strSecond) = 0;
    // One showing of the sealed record's pass phrase dialog (up to 1,024 bytes): bTwice asks
    // twice and shows the strength estimate (to hide); otherwise it asks once (to reveal) and
    // leaves strSecond alone. As ShowPasswordDialog otherwise.
    virtual bool ShowSealedPassphraseDialog(std::string& strFirst, std::string& strSecond, bool bTwice) = 0;
    // A box with only OK, the warning icon and the caption "Veilmark".
    virtual void ShowMessage(const std::string& strText) = 0;
    // A warning with Yes and No, No the default. True for Yes.
    virtual bool AskYesNo(const std::string& strText) = 0;
    // Save, Discard or Cancel for a changed picture that is being closed; Save the default.
    virtual E_SaveChoice AskSaveChanges(const std::string& strText) = 0;
    // The success dialog; strHow (empty, or lines) says how the bits were written when that was not
    // the plain replacement: plus or minus one, palette pairing.
    virtual void ShowHidden(const std::string& strName, uint32_t nSize, const std::string& strHow) = 0;
    // True when the user asks to save ("Save..."), false on Cancel.
    virtual bool ShowFound(const std::string& strName, uint32_t nSize) = 0;
    // One showing of the compose dialog with the fields given; on OK they hold what was typed,
    // the message's line breaks as CR LF. False on Cancel.
    virtual bool ShowCompose(std::string& strText, std::string& strSubject) = 0;
    virtual void ShowProperties(const C_CarrierInfo& info) = 0;
    // The detection check's findings, with the payload it recommends and the picture's capacity
    // (both in bytes).
    virtual void ShowDetectionCheck(const S_DetectionResult& result, uint32_t nRecommended, uint32_t nCapacity) = 0;
    virtual void ShowAbout() = 0;
    // A box as ShowMessage with a second button, strChoice; true when the user pressed it. Prompts
    // that cannot offer it show the message alone.
    virtual bool ShowMessageOffering(const std::string& strText, const std::string& /*strChoice*/)
    {
        ShowMessage(strText);
        return false;
    }
    // Hide Across Pictures' dialog, opened with the choice given; on OK it holds what was chosen.
    // fnWeigh gives the line about the largest file as the choice changes. False on Cancel.
    virtual bool ShowHideAcross(C_AcrossChoice& choice, const C_AcrossChoice::T_Weigh& fnWeigh) = 0;
    // Work in nSteps steps behind a progress window with Cancel: fnWork runs (the application
    // runs it on a thread of its own, so the windows keep drawing) and calls its argument after
    // each step with the steps done; that answers false once the user has cancelled, and the work
    // should then stop. True when the user did not cancel. Never while a dialog is up.
    using T_Step = std::function<bool(size_t nDone)>;
    virtual bool RunSteps(
        const std::string& strText, size_t nSteps, const std::function<void(const T_Step&)>& fnWork) = 0;
    // A picture to look at beside the picture windows, titled strTitle, with strText above it:
    // nWidth x nHeight pixels of 3 bytes (red, green, blue), top row first. The prompts keep a
    // copy and return at once. Nothing by default.
    virtual void ShowPicture(const std::string& /*strTitle*/, const std::string& /*strText*/,
        const std::vector<uint8_t>& /*aRgb*/, uint32_t /*nWidth*/, uint32_t /*nHeight*/)
    { }
    // A long step (reading a payload, hiding, revealing, writing) starts or ends; never while a
    // dialog is up. The application shows a wait cursor; nothing by default.
    virtual void SetBusy(bool /*bBusy*/) { }

    // The pass phrase loop: asks until both entries are equal (byte for byte, letter case
    // counts) or the user cancels. True with the pass phrase, false when cancelled.
    bool RunPasswordLoop(std::string& strPassword);
    // The same for a sealed record's pass phrase; bTwice as in ShowSealedPassphraseDialog. One
    // past the sealed record's rules (C_SealedRecord::CheckPassphrase) is refused and asked again.
    bool RunSealedPassphraseLoop(std::string& strPassphrase, bool bTwice);
};
