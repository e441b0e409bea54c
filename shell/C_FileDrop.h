#pragma once
// Files dropped on the main window. Pictures open, each in its own window; one other file dropped
// on a picture's window is hidden in that picture, as if chosen for Hide Message. The work runs
// once the drop has returned, so the program the files were dragged from is not held up while
// the dialogs are open.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QStringList>

#include <functional>

class C_ChildFrame;
class C_MainFrame;
class C_Prompts;

class C_FileDrop : public QObject {
    Q_OBJECT
public:
    using T_OpenFn = std::function<void(const QString& strPath)>;

    // Watches `pFrame`, which owns this object and from now on accepts drops. `fnOpen` opens a
    // picture as Open Picture does; `prompts` (outliving this object) says why a drop is refused.
    C_FileDrop(C_MainFrame* pFrame, C_Prompts& prompts, T_OpenFn fnOpen);

    // A picture for the open command: its first bytes say so, or its extension does (one of the
    // format table's), so that a damaged picture is refused as a picture rather than hidden.
    static bool IsPicture(const QString& strPath);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    // Hides or refuses the files that are no pictures, then opens the pictures.
    void Handle(const QStringList& paths, const QPointer<C_ChildFrame>& pTarget);
    // The picture window under `pos` (main window coordinates), or nullptr.
    C_ChildFrame* FrameAt(QPoint pos) const;

    C_MainFrame* m_pFrame;
    C_Prompts& m_prompts;
    T_OpenFn m_fnOpen;
};
