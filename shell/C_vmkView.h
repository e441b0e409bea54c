#pragma once
// Shows one document's picture centred on white, scrolling when the picture is larger than
// the window; the picture commands of the picture window arrive here and run on the document's
// carrier with the prompts the view was given.

#include "commands/C_HideCommand.h"
#include "views/C_PictureView.h"

#include <QImage>

#include <functional>

class BTCImageData;
class C_HideChoices;
class C_Prompts;
class C_vmkDoc;

class C_vmkView : public C_PictureView {
    Q_OBJECT
public:
    // `prompts` must outlive the view, and so must `pChoices` (how to hide) when given; without
    // it the hides replace bits and leave palettes as they are.
    C_vmkView(C_vmkDoc* pDoc, C_Prompts& prompts, QWidget* pParent = nullptr, const C_HideChoices* pChoices = nullptr);
    ~C_vmkView() override;

    C_vmkDoc* GetDocument() const { return m_pDoc; }

    // Stores the picture size, sets the scroll sizes, asks the window to shrink to a small
    // picture (never to grow) and titles the document. Runs once, when first shown.
    void OnInitialUpdate();
    // Command routing: true when this view handles `nId`; runs it when `bRun`.
    bool OnCmdMsg(unsigned nId, bool bRun);

    // PictureOrigin() and sizeHint() (the whole picture at its zoom; Cascade sizes windows by
    // it) come from the picture view.

    // The picture data's bytes as a QImage that shares them where Qt has a matching format
    // (rows in stored order); otherwise a converted copy. `bFlip` tells that the stored rows
    // run bottom-up. A null image when there is nothing to draw.
    static QImage WrapPicture(const BTCImageData& data, bool& bFlip);

signals:
    // The window around the view should lose `shrink` of its size to fit a small picture.
    void ShrinkWanted(QSize shrink);

public slots:
    void OnToolsGrayscale();
    // The commands of commands/, each run on this document's carrier.
    void OnActionsHide();
    // Hide Message with `strPath` taken as the file chosen (a file dropped on the window).
    void HideFile(const QString& strPath);
    void OnActionsReveal();
    void OnToolsProperties();
    void OnToolsCompose();
    void OnToolsCompare();
    // The sealed record's commands, beside the plain ones.
    void OnActionsHideSealed();
    void OnActionsRevealSealed();
    void OnToolsComposeSealed();
    void OnToolsDetectionCheck();
    // View > Least Significant Bits: the picture's lowest bits in a window of their own.
    void OnViewLsbPlane();

protected:
    void showEvent(QShowEvent* pEvent) override;
    // The document's picture, wrapped afresh at each paint: commands change its bytes in place.
    QImage CurrentPicture(bool& bFlip) const override;

private:
    // What the commands are handed: a redraw of this view, and the document told what was hidden.
    std::function<void()> Redraw();
    C_HideCommand::HiddenFn Hidden();
    // The Actions menu's choices as they stand now.
    C_HideOptions HideOptions() const;

    C_vmkDoc* m_pDoc;                 // not owned; lives as long as the view's window
    C_Prompts& m_prompts;             // not owned; the application's
    const C_HideChoices* m_pChoices;  // not owned; the application's, or null
    bool m_bInitialUpdateDone = false;
};
