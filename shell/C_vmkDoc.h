#pragma once
// One open picture: owns its C_Carrier from the open until the document is destroyed. Never
// marked as changed, so closing never asks to save; Save Picture As is the only way to write.

#include <QObject>
#include <QString>

#include <memory>

class C_Carrier;
class C_ChildFrame;

class C_vmkDoc : public QObject {
    Q_OBJECT
public:
    explicit C_vmkDoc(QObject* pParent = nullptr);
    ~C_vmkDoc() override;

    // Loads the picture at the full path `strPath`. False (after "Error Opening Image!") when it
    // cannot be read; the caller then destroys the document and its window.
    bool OnOpenDocument(const QString& strPath);
    // Command routing: true when this document handles `nId`; runs it when `bRun`.
    bool OnCmdMsg(unsigned nId, bool bRun);
    void OnFileSaveAs();
    void OnFileClose();

    // The carrier, or nullptr before a successful open.
    C_Carrier* GetCarrier() const { return m_pCarrier.get(); }
    // True when the carrier holds picture data that may be drawn and worked on.
    bool HasPicture() const;

    const QString& GetPathName() const { return m_strPathName; }
    const QString& GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& strTitle);

    void SetFrame(C_ChildFrame* pFrame) { m_pFrame = pFrame; }
    C_ChildFrame* GetFrame() const { return m_pFrame; }

signals:
    void TitleChanged(const QString& strTitle);

private:
    void ReportImageError(const QString& strText);

    std::unique_ptr<C_Carrier> m_pCarrier;  // owned; none until a file is opened
    QString m_strPathName;                  // full path the picture was opened from
    QString m_strTitle;                     // shown in the window captions and window list
    C_ChildFrame* m_pFrame = nullptr;       // the window showing this document; not owned
};
