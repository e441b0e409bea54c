#pragma once
// The window of one picture: holds the document's view, carries icon 129, shows the document's
// title with "*" while the picture is changed, asks before a changed picture is closed, and
// destroys the document with itself when closed. The document and the view never see this
// window: they report, and the window acts.

#include <QMdiSubWindow>

class C_HideChoices;
class C_Prompts;
class C_vmkDoc;
class C_vmkView;

class C_ChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit C_ChildFrame(QWidget* pParent = nullptr);
    ~C_ChildFrame() override;

    // Creates the document (owned by this frame) and its view, both asking through `prompts`,
    // which must outlive them; the view hides as `pChoices` (when given, outliving it) says.
    void CreateDocumentAndView(C_Prompts& prompts, const C_HideChoices* pChoices = nullptr);
    C_vmkDoc* GetDocument() const { return m_pDoc; }
    C_vmkView* GetView() const { return m_pView; }
    // Brings a changed picture to the front and asks whether to save it. True when the window
    // may close: unchanged, saved, or its changes discarded.
    bool SaveModified();
    // Closes the window without asking about changes: the caller has asked already.
    bool CloseAsked();
    // True once the window has been asked to close; it is then on its way out.
    bool IsClosing() const { return m_bClosing; }
    // The title as the window shows it: the "[*]" mark resolved, "*" when the picture is changed.
    QString ShownTitle() const;
    // The window title for a document title: Qt's "[*]" mark of a changed window at its end,
    // any "[*]" in the title itself kept as text.
    static QString FrameTitle(const QString& strDocTitle);
    // Command routing: true when this window handles `nId` (Close); runs it when `bRun`.
    bool OnCmdMsg(unsigned nId, bool bRun);

signals:
    void Closing(C_ChildFrame* pFrame);

protected:
    void closeEvent(QCloseEvent* pEvent) override;

private:
    C_vmkDoc* m_pDoc = nullptr;    // owned through QObject parenthood
    C_vmkView* m_pView = nullptr;  // owned as the frame's widget
    bool m_bClosing = false;
    bool m_bSaveAsked = false;  // the question about changes is answered; close without it
};
