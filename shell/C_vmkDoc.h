#pragma once
// One open picture: owns its C_Carrier from the open until the document is destroyed. A hide, a
// compose or a gray-scale conversion marks it as changed until it is saved; closing a changed
// picture asks first. Save Picture As is the only way to write. It asks the user only through
// its prompts and never sees its window: the window reads its title and changed mark from the
// signals below.

#include "commands/C_HiddenRecord.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <string>

class C_Carrier;
class C_Prompts;

class C_vmkDoc : public QObject {
    Q_OBJECT
public:
    // `prompts` must outlive the document.
    explicit C_vmkDoc(C_Prompts& prompts, QObject* pParent = nullptr);
    ~C_vmkDoc() override;

    // Loads the picture at the full path `strPath`. A picture that would take far more memory
    // than its file holds opens only when the user agrees. False (after "Error Opening Image!",
    // or after the user declined) when it cannot be read; the caller then destroys the document
    // and its window.
    bool OnOpenDocument(const QString& strPath);
    // Command routing: true when this document handles `nId`; runs it when `bRun`.
    bool OnCmdMsg(unsigned nId, bool bRun);
    // Save Picture As: true when the picture was written and holds what this session hid in it.
    bool DoSaveAs();
    // True when the document may close: unchanged, saved, or its changes discarded.
    bool SaveModified();

    // The carrier, or nullptr before a successful open.
    C_Carrier* GetCarrier() const { return m_pCarrier.get(); }
    // True when the carrier holds picture data that may be drawn and worked on.
    bool HasPicture() const;

    const QString& GetPathName() const { return m_strPathName; }
    const QString& GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& strTitle);

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool bModified);
    // A hide or compose put `record` into the picture; kept to check the saves that follow.
    void OnMessageHidden(const C_HiddenRecord& record);
    // The message hidden in this session, if any.
    const std::optional<C_HiddenRecord>& GetHiddenRecord() const { return m_hidden; }

signals:
    void TitleChanged(const QString& strTitle);
    void ModifiedChanged(bool bModified);

private:
    // Shows `strText`, or asks it, after closing the splash: a box under the splash would wait
    // unseen, and the first key pressed for the box would only close the splash.
    void ShowMessage(const QString& strText);
    bool AskYesNo(const QString& strText);
    // True when the picture file at strPath reveals the hidden record under its pass phrase.
    bool HiddenRecordSurvives(const std::string& strPath) const;

    C_Prompts& m_prompts;                    // not owned; the application's
    std::unique_ptr<C_Carrier> m_pCarrier;   // owned; none until a file is opened
    QString m_strPathName;                   // full path the picture was opened from
    QString m_strTitle;                      // shown in the window captions and window list
    std::optional<C_HiddenRecord> m_hidden;  // the last message hidden in this session
    bool m_bModified = false;
};
