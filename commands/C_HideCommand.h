#pragma once
// Hide Message: hides a file that the user picks in the carrier's pixel bytes.

#include "commands/C_HiddenRecord.h"
#include "commands/C_HideOptions.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class C_Carrier;
class C_Message;
class C_Prompts;

class C_HideCommand {
public:
    // Told what was hidden, after a successful hide and before the success dialog.
    using HiddenFn = std::function<void(const C_HiddenRecord&)>;

    // `strChosenPath`, when given, is taken as if chosen in the open dialog (a file dropped on
    // the picture's window); the dialog is then not shown.
    static void Run(C_Carrier& carrier, C_Prompts& prompts, const std::function<void()>& fnRedraw,
        const HiddenFn& fnHidden = {}, const C_HideOptions& options = {}, const std::string& strChosenPath = {});

    // Asks for the file to hide (unless `strChosenPath` names it) and reads it into message,
    // refusing (with the fit message) one longer than fnLimit(bytes of its name). False when
    // cancelled or refused, after saying why.
    static bool LoadChosenFile(C_Prompts& prompts, C_Message& message,
        const std::function<uint32_t(size_t nNameBytes)>& fnLimit, const std::string& strChosenPath = {});

    // The steps shared with Compose a Message once the payload is built and has passed the fit
    // test: pass phrase loop, hide, redraw, success dialog. A refused hide (positions would
    // repeat) shows strFitMessage. A hide that changes whether some pixels are transparent asks
    // first (ConfirmTransparency). The carrier's pass phrase changes only when the hide succeeds.
    static void HidePayload(C_Carrier& carrier, C_Prompts& prompts, const std::function<void()>& fnRedraw,
        const C_Message& message, const char* pszFitMessage, const HiddenFn& fnHidden = {},
        const C_HideOptions& options = {});

    // After a hide that KeepBeforeHide preceded: when it changed whether some pixels are
    // transparent, asks with their count whether to keep it; No puts the picture and the pass
    // phrase back. True when the hide stands.
    static bool ConfirmTransparency(C_Carrier& carrier, C_Prompts& prompts);

    // Pairs a palette picture's colours when the options ask for it; called once a hide is
    // certain to be tried, since the pairing rewrites every index. Other pictures stay as they are.
    // The line the success dialog shows when the palette was paired, else empty.
    static std::string PairPaletteIfAsked(C_Carrier& carrier, const C_HideOptions& options);
    // The success dialog's lines below its fields: the pairing line, then plus or minus one.
    static std::string HowText(const std::string& strPairing, bool bMatched);
};
