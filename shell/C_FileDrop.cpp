#include "shell/C_FileDrop.h"

#include "commands/C_Prompts.h"
#include "model/pictures/C_FormatDetector.h"
#include "model/pictures/C_FormatRegistry.h"
#include "res/vmk_strings.h"
#include "shell/C_ChildFrame.h"
#include "shell/C_MainFrame.h"
#include "shell/C_vmkView.h"

#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// The local files among the dropped URLs, absolute: opening the first picture makes its folder
// current, which would move a relative name after it. Other URLs (web pages, remote files) are
// left out.
QStringList LocalFiles(const QMimeData* pMime)
{
    QStringList paths;
    if (!pMime || !pMime->hasUrls())
        return paths;
    for (const QUrl& url : pMime->urls()) {
        const QFileInfo fi(url.toLocalFile());
        if (url.isLocalFile() && fi.isFile())
            paths << fi.absoluteFilePath();
    }
    return paths;
}

}  // namespace

C_FileDrop::C_FileDrop(C_MainFrame* pFrame, C_Prompts& prompts, T_OpenFn fnOpen)
    : QObject(pFrame)
    , m_pFrame(pFrame)
    , m_prompts(prompts)
    , m_fnOpen(std::move(fnOpen))
{
    pFrame->setAcceptDrops(true);
    pFrame->installEventFilter(this);
}

bool C_FileDrop::IsPicture(const QString& strPath)
{
    const std::vector<std::string> extensions = C_FormatRegistry::Extensions();
    const std::string strSuffix = QFileInfo(strPath).suffix().toLower().toStdString();
    if (std::find(extensions.begin(), extensions.end(), strSuffix) != extensions.end())
        return true;
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    uint8_t aHead[C_FormatDetector::kHeadBytes] = {};
    const qint64 nRead = file.read(reinterpret_cast<char*>(aHead), qint64(sizeof aHead));
    if (nRead <= 0)
        return false;
    return C_FormatDetector::Detect(std::span<const uint8_t>(aHead, size_t(nRead))) != E_ImageFormat::None;
}

bool C_FileDrop::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched != m_pFrame)
        return false;
    switch (pEvent->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* pDrag = static_cast<QDropEvent*>(pEvent);
        if (LocalFiles(pDrag->mimeData()).isEmpty())
            return false;
        pDrag->setDropAction(Qt::CopyAction);
        pDrag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* pDrop = static_cast<QDropEvent*>(pEvent);
        const QStringList paths = LocalFiles(pDrop->mimeData());
        if (paths.isEmpty())
            return false;
        pDrop->setDropAction(Qt::CopyAction);
        pDrop->accept();
        const QPointer<C_ChildFrame> pTarget = FrameAt(pDrop->position().toPoint());
        QTimer::singleShot(0, this, [this, paths, pTarget] { Handle(paths, pTarget); });
        return true;
    }
    default: return false;
    }
}

C_ChildFrame* C_FileDrop::FrameAt(QPoint pos) const
{
    for (QWidget* pWidget = m_pFrame->childAt(pos); pWidget && pWidget != m_pFrame; pWidget = pWidget->parentWidget()) {
        if (auto* pChild = qobject_cast<C_ChildFrame*>(pWidget))
            return pChild->IsClosing() ? nullptr : pChild;
    }
    return nullptr;
}

void C_FileDrop::Handle(const QStringList& paths, const QPointer<C_ChildFrame>& pTarget)
{
    QStringList pictures;
    QStringList others;
    for (const QString& strPath : paths)
        (IsPicture(strPath) ? pictures : others) << strPath;
    if (others.size() > 1)
        m_prompts.ShowMessage(vmk::kStrDropOneFile);
    else if (others.size() == 1 && (!pTarget || pTarget->IsClosing()))
        m_prompts.ShowMessage(vmk::kStrDropOnPicture);
    else if (others.size() == 1)
        pTarget->GetView()->HideFile(others.front());
    for (const QString& strPath : pictures)
        m_fnOpen(strPath);
}
