#include "shell/C_ChildFrame.h"

#include "res/vmk_ids.h"
#include "shell/C_vmkDoc.h"
#include "shell/C_vmkView.h"

#include <QCloseEvent>
#include <QIcon>

C_ChildFrame::C_ChildFrame(QWidget* pParent) : QMdiSubWindow(pParent) {
    setAttribute(Qt::WA_DeleteOnClose);
    QIcon icon;
    icon.addFile(QStringLiteral(":/res/icon%1_32.png").arg(IDR_VMKTYPE));
    icon.addFile(QStringLiteral(":/res/icon%1_16.png").arg(IDR_VMKTYPE));
    setWindowIcon(icon);
}

C_ChildFrame::~C_ChildFrame() = default;

void C_ChildFrame::CreateDocumentAndView() {
    m_pDoc = new C_vmkDoc(this);
    m_pDoc->SetFrame(this);
    m_pView = new C_vmkView(m_pDoc);
    setWidget(m_pView);
    connect(m_pDoc, &C_vmkDoc::TitleChanged, this, &QWidget::setWindowTitle);
}

void C_ChildFrame::closeEvent(QCloseEvent* pEvent) {
    // Documents are never changed in the framework's sense: no question, just close.
    m_bClosing = true;
    QMdiSubWindow::closeEvent(pEvent);
    emit Closing(this);
}
