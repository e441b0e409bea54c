#include "commands/C_TemplateDialog.h"

#include "commands/C_CharacterLimitValidator.h"
#include "commands/C_LimitedTextEdit.h"
#include "commands/C_TextCount.h"
#include "commands/vmk_command_texts.h"
#include "res/dialogs/C_DialogTemplate.h"
#include "res/vmk_ids.h"
#include "res/vmk_resources.h"
#include "res/vmk_strings.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

namespace {

using T = C_DialogTemplate;

Qt::Alignment EditAlignment(uint32_t nStyle)
{
    if (nStyle & T::sRight)
        return Qt::AlignRight | Qt::AlignVCenter;
    if (nStyle & T::sCenter)
        return Qt::AlignHCenter | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

// A read-only field is drawn on the window's colour, as the platform draws one, so that it does
// not look like a field to type in.
void ShowAsReadOnly(QWidget* pEdit)
{
    QPalette palette = pEdit->palette();
    for (const QPalette::ColorGroup eGroup : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(eGroup, QPalette::Base, palette.color(eGroup, QPalette::Window));
    pEdit->setPalette(palette);
}

void EnsureResources()
{
    static const bool bDone = [] {
        vmk::InitResources();
        return true;
    }();
    (void)bDone;
}

}  // namespace

C_TemplateDialog::C_TemplateDialog(unsigned nTemplateId, QWidget* pParent)
    : QDialog(pParent)
{
    m_fnMessage = [this](const QString& strText) {
        QMessageBox::warning(this, QString::fromUtf8(vmk::LoadString(IDS_APP_TITLE)), strText);
    };
    if (const C_DialogTemplate* pTemplate = C_DialogTemplate::Find(nTemplateId))
        Build(*pTemplate);
}

C_TemplateDialog::~C_TemplateDialog() = default;

void C_TemplateDialog::Build(const C_DialogTemplate& dlgTemplate)
{
    EnsureResources();
    setWindowTitle(QString::fromUtf8(dlgTemplate.m_pszCaption));
    setModal(true);
    QFont font(QString::fromUtf8(dlgTemplate.m_pszFont), dlgTemplate.m_nPointSize);
    setFont(font);
    // Dialog units: a quarter of the average character width, an eighth of the height. The
    // width is measured over the 52 letters, as the original platform does: a font's declared
    // average is often narrower than its text, and the labels would be cut off.
    const QFontMetrics metrics(font);
    const int nLetters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int nBaseX = std::max(1, (nLetters / 26 + 1) / 2);
    const int nBaseY = metrics.height();
    auto toRect = [&](int x, int y, int cx, int cy) {
        return QRect(x * nBaseX / 4, y * nBaseY / 8, cx * nBaseX / 4, cy * nBaseY / 8);
    };
    setFixedSize(dlgTemplate.m_cx * nBaseX / 4, dlgTemplate.m_cy * nBaseY / 8);

    for (const T::S_Control& c : dlgTemplate.m_aControls) {
        const QString strText = c.pszText ? QString::fromUtf8(c.pszText) : QString();
        QWidget* pWidget = nullptr;
        switch (c.eKind) {
        case T::kEdit:
            if (c.nStyle & T::sMultiLine) {
                auto* pEdit = new C_LimitedTextEdit(this);
                pEdit->setReadOnly(c.nStyle & T::sReadOnly);
                pEdit->setLineWrapMode((c.nStyle & T::sWordWrap) || !(c.nStyle & T::sAutoHScroll)
                        ? QPlainTextEdit::WidgetWidth
                        : QPlainTextEdit::NoWrap);
                pEdit->setVerticalScrollBarPolicy(
                    (c.nStyle & T::sVScroll) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
                pEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
                if (!(c.nStyle & T::sBorder))
                    pEdit->setFrameShape(QFrame::NoFrame);
                if (c.nStyle & T::sReadOnly)
                    ShowAsReadOnly(pEdit);
                pWidget = pEdit;
            } else {
                auto* pEdit = new QLineEdit(this);
                pEdit->setReadOnly(c.nStyle & T::sReadOnly);
                pEdit->setFrame(c.nStyle & T::sBorder);
                pEdit->setAlignment(EditAlignment(c.nStyle));
                if (c.nStyle & T::sPassword)
                    pEdit->setEchoMode(QLineEdit::Password);
                if (c.nStyle & T::sReadOnly)
                    ShowAsReadOnly(pEdit);
                pWidget = pEdit;
            }
            break;
        case T::kPushButton: {
            auto* pButton = new QPushButton(strText, this);
            pButton->setDefault(c.nStyle & T::sDefault);
            if (c.nId == IDOK)
                connect(pButton, &QPushButton::clicked, this, &QDialog::accept);
            else if (c.nId == IDCANCEL)
                connect(pButton, &QPushButton::clicked, this, &QDialog::reject);
            pWidget = pButton;
            break;
        }
        case T::kStatic: {
            auto* pLabel = new QLabel(this);
            pLabel->setTextFormat(Qt::PlainText);
            pLabel->setText(strText);
            pLabel->setWordWrap(true);
            pLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            pWidget = pLabel;
            break;
        }
        case T::kIcon: {
            auto* pLabel = new QLabel(this);
            const QString strIcon = QStringLiteral(":/res/icon%1_32.png").arg(strText);
            pLabel->setPixmap(QPixmap(strIcon));
            pWidget = pLabel;
            break;
        }
        case T::kGroupBox: {
            auto* pBox = new QGroupBox(strText, this);
            pBox->setFocusPolicy(Qt::NoFocus);
            pWidget = pBox;
            break;
        }
        }
        QRect rect = toRect(c.x, c.y, c.cx, c.cy);
        // A one-line label (under a line and a half: 12 of the 8 units a line takes) in a font
        // wider than the template's would wrap and lose its second half; it keeps its line and
        // grows to the right instead.
        if (auto* pLabel = qobject_cast<QLabel*>(pWidget); pLabel && c.eKind == T::kStatic && c.cy < 12) {
            pLabel->setWordWrap(false);
            rect.setWidth(
                std::max(rect.width(), metrics.boundingRect(QRect(0, 0, 0x7fff, 0x7fff), 0, strText).width()));
        }
        pWidget->setGeometry(rect);
        if (c.eKind == T::kGroupBox)
            pWidget->lower();  // a frame behind the controls it surrounds
        if (!(c.nStyle & T::sTabStop) && c.eKind != T::kStatic && c.eKind != T::kIcon)
            pWidget->setFocusPolicy(Qt::ClickFocus);
        if ((c.nStyle & T::sTabStop) && !m_pFirstTabStop)
            m_pFirstTabStop = pWidget;
        if (c.nId != T::kNoId)
            pWidget->setObjectName(QString::number(c.nId));
        if (c.nId != T::kNoId && !m_controls.count(c.nId))
            m_controls[c.nId] = pWidget;
    }
    // Tab order is the template's order (creation order already gives it; stated for clarity).
    QWidget* pPrevious = nullptr;
    for (const T::S_Control& c : dlgTemplate.m_aControls) {
        if (!(c.nStyle & T::sTabStop))
            continue;
        QWidget* pWidget = Control(c.nId);
        if (pPrevious && pWidget)
            setTabOrder(pPrevious, pWidget);
        if (pWidget)
            pPrevious = pWidget;
    }
}

QWidget* C_TemplateDialog::Control(unsigned nId) const
{
    const auto it = m_controls.find(nId);
    return it == m_controls.end() ? nullptr : it->second;
}

void C_TemplateDialog::InitDialog()
{
    UpdateData(false);
    if (m_pFirstTabStop)
        m_pFirstTabStop->setFocus(Qt::OtherFocusReason);
}

int C_TemplateDialog::DoModal()
{
    InitDialog();
    return exec();
}

bool C_TemplateDialog::UpdateData(bool bSave)
{
    return DoDataExchange(bSave);
}

void C_TemplateDialog::accept()
{
    if (UpdateData(true))
        QDialog::accept();
}

bool C_TemplateDialog::Fail(unsigned nId, const QString& strText)
{
    if (m_fnMessage)
        m_fnMessage(strText);
    if (QWidget* pWidget = Control(nId)) {
        pWidget->setFocus(Qt::OtherFocusReason);
        if (auto* pLine = qobject_cast<QLineEdit*>(pWidget))
            pLine->selectAll();
        else if (auto* pText = qobject_cast<QPlainTextEdit*>(pWidget))
            pText->selectAll();
    }
    return false;
}

QString C_TemplateDialog::ControlText(unsigned nId) const
{
    QWidget* pWidget = Control(nId);
    if (auto* pLine = qobject_cast<QLineEdit*>(pWidget))
        return pLine->text();
    if (auto* pText = qobject_cast<C_LimitedTextEdit*>(pWidget))
        return pText->GetText();
    return {};
}

void C_TemplateDialog::SetControlText(unsigned nId, const QString& strText)
{
    QWidget* pWidget = Control(nId);
    if (auto* pLine = qobject_cast<QLineEdit*>(pWidget)) {
        pLine->setText(strText);
        pLine->setCursorPosition(0);
    } else if (auto* pText = qobject_cast<C_LimitedTextEdit*>(pWidget)) {
        pText->SetText(strText);
    }
}

bool C_TemplateDialog::ExchangeText(unsigned nId, std::string& str, bool bSave)
{
    if (bSave)
        str = ControlText(nId).toStdString();
    else
        SetControlText(nId, QString::fromStdString(str));
    return true;
}

bool C_TemplateDialog::ExchangeMaxChars(unsigned nId, const std::string& str, int nMax, bool bSave)
{
    QWidget* pWidget = Control(nId);
    if (!bSave) {
        if (auto* pLine = qobject_cast<QLineEdit*>(pWidget)) {
            // setText bypasses the validator, so fields longer than the limit still show.
            delete pLine->validator();
            pLine->setValidator(new C_CharacterLimitValidator(nMax, pLine));
        } else if (auto* pText = qobject_cast<C_LimitedTextEdit*>(pWidget)) {
            pText->SetMaxCharacters(nMax);
        }
        return true;
    }
    if (C_TextCount::Count(QString::fromStdString(str)) <= nMax)
        return true;
    return Fail(nId, QString::fromUtf8(vmk::kStrTooManyChars).arg(nMax));
}

bool C_TemplateDialog::ExchangeUInt(unsigned nId, uint32_t& n, bool bSave)
{
    uint64_t nWide = n;
    if (!ExchangeUInt(nId, nWide, bSave))
        return false;
    if (nWide > UINT32_MAX)
        return Fail(nId, QString::fromUtf8(vmk::kStrNotUnsigned));
    n = static_cast<uint32_t>(nWide);
    return true;
}

bool C_TemplateDialog::ExchangeUInt(unsigned nId, uint64_t& n, bool bSave)
{
    if (!bSave) {
        SetControlText(nId, QString::number(n));
        return true;
    }
    bool bOk = false;
    const qulonglong nValue = ControlText(nId).trimmed().toULongLong(&bOk, 10);
    if (!bOk)
        return Fail(nId, QString::fromUtf8(vmk::kStrNotUnsigned));
    n = nValue;
    return true;
}

bool C_TemplateDialog::ExchangeMinMax(unsigned nId, uint32_t n, uint32_t nMin, uint32_t nMax, bool bSave)
{
    if (!bSave || (n >= nMin && n <= nMax))
        return true;
    return Fail(nId, QString::fromUtf8(vmk::kStrIntegerRange).arg(nMin).arg(nMax));
}
