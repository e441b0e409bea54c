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

#include <sodium.h>

#include <algorithm>
#include <utility>
#include <vector>

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
            const QString strIcon = QStringLiteral(":/res/icon%1_32").arg(strText);
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
    NameFieldsByTheirLabels(dlgTemplate);
    // Tab order is the template's, except that the fields among the tab stops take their slots
    // in reading order (top to bottom, then left to right), so Tab walks them as they are laid
    // out; buttons keep their places, and the first focus stays where the template puts it.
    std::vector<const T::S_Control*> stops;
    for (const T::S_Control& c : dlgTemplate.m_aControls)
        if ((c.nStyle & T::sTabStop) && Control(c.nId))
            stops.push_back(&c);
    std::vector<const T::S_Control*> fields;
    for (const T::S_Control* c : stops)
        if (c->eKind == T::kEdit)
            fields.push_back(c);
    std::stable_sort(fields.begin(), fields.end(),
        [](const T::S_Control* a, const T::S_Control* b) { return std::pair(a->y, a->x) < std::pair(b->y, b->x); });
    auto itField = fields.begin();
    for (const T::S_Control*& c : stops)
        if (c->eKind == T::kEdit)
            c = *itField++;
    for (size_t i = 1; i < stops.size(); ++i)
        setTabOrder(Control(stops[i - 1]->nId), Control(stops[i]->nId));
}

void C_TemplateDialog::NameFieldsByTheirLabels(const C_DialogTemplate& dlgTemplate)
{
    // A screen reader says a field's accessible name when the field takes the focus; a template
    // ties no label to its field, so the label is found where a reader's eye finds it: on the
    // same line to the left, else just above, else on the same line to the right ("Byte(s)") or a
    // frame around it.
    using T = C_DialogTemplate;
    const auto Overlap = [](int a0, int a1, int b0, int b1) { return std::min(a1, b1) > std::max(a0, b0); };
    for (const T::S_Control& field : dlgTemplate.m_aControls) {
        QWidget* pField = field.eKind == T::kEdit ? Control(field.nId) : nullptr;
        if (!pField)
            continue;
        const T::S_Control* pBest = nullptr;
        int nBestRank = 0, nBestGap = 0;
        for (const T::S_Control& label : dlgTemplate.m_aControls) {
            if ((label.eKind != T::kStatic && label.eKind != T::kGroupBox) || !label.pszText || !*label.pszText)
                continue;
            const bool bSameLine = Overlap(label.y, label.y + label.cy, field.y, field.y + field.cy);
            int nRank = 0, nGap = 0;
            if (label.eKind == T::kGroupBox) {
                // A frame around the field, as "Remarks" is.
                if (label.x <= field.x && label.y <= field.y && label.x + label.cx >= field.x + field.cx
                    && label.y + label.cy >= field.y + field.cy)
                    nRank = 1;
            } else if (bSameLine && label.x + label.cx <= field.x + 2) {
                nRank = 3;
                nGap = field.x - (label.x + label.cx);
            } else if (label.y + label.cy <= field.y + 2 && field.y - (label.y + label.cy) <= 12
                && Overlap(label.x, label.x + label.cx, field.x, field.x + field.cx)) {
                nRank = 2;
                nGap = field.y - (label.y + label.cy);
            } else if (bSameLine && label.x >= field.x + field.cx - 2) {
                // Only a unit written right after this very field, with no other field between.
                const bool bFieldBetween = std::any_of(
                    dlgTemplate.m_aControls.begin(), dlgTemplate.m_aControls.end(), [&](const T::S_Control& other) {
                        return other.eKind == T::kEdit && &other != &field && other.x >= field.x + field.cx - 2
                            && other.x < label.x && Overlap(other.y, other.y + other.cy, field.y, field.y + field.cy);
                    });
                nRank = bFieldBetween ? 0 : 1;
                nGap = label.x - (field.x + field.cx);
            }
            if (nRank && (nRank > nBestRank || (nRank == nBestRank && nGap < nBestGap))) {
                pBest = &label;
                nBestRank = nRank;
                nBestGap = nGap;
            }
        }
        if (!pBest)
            continue;
        QString strName = QString::fromUtf8(pBest->pszText).remove(QLatin1Char('&')).trimmed();
        if (strName.endsWith(QLatin1Char(':')))
            strName.chop(1);
        pField->setAccessibleName(strName);
        for (QLabel* pLabel : findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
            if (pLabel->objectName() == QString::number(pBest->nId) && pBest->nId != T::kNoId)
                pLabel->setBuddy(pField);
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

void C_TemplateDialog::ClearSecret(unsigned nId)
{
    auto* pEdit = qobject_cast<QLineEdit*>(Control(nId));
    if (!pEdit)
        return;
    // The copy shares the field's buffer; once the field lets go (setText also drops its undo
    // steps), the copy is its only owner and can wipe it in place without a detach.
    QString strText = pEdit->text();
    pEdit->setText(QString());
    if (strText.isDetached())
        sodium_memzero(strText.data(), static_cast<size_t>(strText.size()) * sizeof(QChar));
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
