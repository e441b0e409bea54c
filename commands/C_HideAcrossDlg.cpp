#include "commands/C_HideAcrossDlg.h"

#include "commands/C_ByteLimitValidator.h"
#include "commands/C_FileDialog.h"
#include "commands/C_PassphraseStrength.h"
#include "commands/vmk_command_texts.h"
#include "model/C_AcrossService.h"
#include "model/C_TextFormat.h"
#include "model/records/C_SealedRecord.h"
#include "model/records/C_SecretBytes.h"
#include "res/vmk_ids.h"
#include "res/vmk_strings.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

QString Text(const char* psz)
{
    return QString::fromUtf8(psz);
}

QLabel* Label(const char* psz, QWidget* pBuddy, QWidget* pParent)
{
    auto* pLabel = new QLabel(Text(psz), pParent);
    pLabel->setBuddy(pBuddy);
    pBuddy->setAccessibleName(Text(psz).remove(u'&').remove(u':'));
    return pLabel;
}

}  // namespace

C_HideAcrossDlg::C_HideAcrossDlg(C_AcrossChoice& choice, C_AcrossChoice::T_Weigh fnWeigh, QWidget* pParent)
    : QDialog(pParent)
    , m_choice(choice)
    , m_fnWeigh(std::move(fnWeigh))
{
    setWindowTitle(Text(vmk::kStrAcrossHideTitle));
    const int nChar = fontMetrics().averageCharWidth();

    auto* pIntro = new QLabel(Text(vmk::kStrAcrossIntro), this);
    pIntro->setWordWrap(true);

    m_pList = new QListWidget(this);
    m_pList->setObjectName(QStringLiteral("AcrossPictures"));
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setMinimumHeight(fontMetrics().height() * 6);
    auto* pAdd = new QPushButton(Text(vmk::kStrAcrossAdd), this);
    m_pRemove = new QPushButton(Text(vmk::kStrAcrossRemove), this);
    auto* pListButtons = new QVBoxLayout;
    pListButtons->addWidget(pAdd);
    pListButtons->addWidget(m_pRemove);
    pListButtons->addStretch(1);

    m_pNeeded = new QSpinBox(this);
    m_pNeeded->setObjectName(QStringLiteral("AcrossNeeded"));
    m_pNeeded->setRange(1, 1);
    m_pNeeded->setMinimumWidth(nChar * 8);
    m_pOf = new QLabel(this);
    auto* pNeededRow = new QHBoxLayout;
    pNeededRow->addWidget(m_pNeeded);
    pNeededRow->addWidget(m_pOf, 1);

    m_pFile = new QLineEdit(this);
    m_pFile->setObjectName(QStringLiteral("AcrossFile"));
    auto* pBrowseFile = new QPushButton(Text(vmk::kStrAcrossBrowse), this);
    m_pFolder = new QLineEdit(this);
    m_pFolder->setObjectName(QStringLiteral("AcrossFolder"));
    auto* pBrowseFolder = new QPushButton(Text(vmk::kStrAcrossBrowseFolder), this);

    m_pPassphrase = new QLineEdit(this);
    m_pPassphrase->setObjectName(QStringLiteral("AcrossPassphrase"));
    m_pAgain = new QLineEdit(this);
    m_pAgain->setObjectName(QStringLiteral("AcrossAgain"));
    for (QLineEdit* pEdit : {m_pPassphrase, m_pAgain}) {
        pEdit->setEchoMode(QLineEdit::Password);
        // As in the sealed pass phrase dialog: typing stops at the limit, a longer paste is
        // refused whole and a word by the field says why.
        auto* pValidator = new C_ByteLimitValidator(int(C_SealedRecord::kMaxPassphraseBytes), pEdit);
        pValidator->SetOnTooLong([pEdit] {
            QToolTip::showText(pEdit->mapToGlobal(QPoint(0, pEdit->height())),
                QString::fromUtf8(vmk::kStrSealedPassphraseTooLong), pEdit);
        });
        pEdit->setValidator(pValidator);
    }
    m_pStrength = new QLabel(this);
    m_pStrength->setObjectName(QStringLiteral("AcrossStrength"));
    m_pStrength->setWordWrap(true);
    m_pStrength->setTextFormat(Qt::PlainText);
    // The estimate takes up to four lines; room for them keeps the fields from moving.
    m_pStrength->setMinimumHeight(fontMetrics().lineSpacing() * 4 + 4);
    m_pStrength->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pLargest = new QLabel(this);
    m_pLargest->setObjectName(QStringLiteral("AcrossLargest"));
    m_pLargest->setWordWrap(true);
    m_pLargest->setTextFormat(Qt::PlainText);
    // Room for three lines, so the fields above do not move as the line changes.
    m_pLargest->setMinimumHeight(fontMetrics().lineSpacing() * 3 + 4);
    m_pLargest->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* pGrid = new QGridLayout;
    int nRow = 0;
    pGrid->addWidget(Label(vmk::kStrAcrossPictures, m_pList, this), nRow, 0, Qt::AlignTop);
    pGrid->addWidget(m_pList, nRow, 1);
    pGrid->addLayout(pListButtons, nRow++, 2);
    pGrid->addWidget(Label(vmk::kStrAcrossNeeded, m_pNeeded, this), nRow, 0);
    pGrid->addLayout(pNeededRow, nRow++, 1, 1, 2);
    pGrid->addWidget(Label(vmk::kStrAcrossFile, m_pFile, this), nRow, 0);
    pGrid->addWidget(m_pFile, nRow, 1);
    pGrid->addWidget(pBrowseFile, nRow++, 2);
    pGrid->addWidget(Label(vmk::kStrAcrossFolder, m_pFolder, this), nRow, 0);
    pGrid->addWidget(m_pFolder, nRow, 1);
    pGrid->addWidget(pBrowseFolder, nRow++, 2);
    pGrid->addWidget(Label(vmk::kStrAcrossPassphrase, m_pPassphrase, this), nRow, 0);
    pGrid->addWidget(m_pPassphrase, nRow++, 1, 1, 2);
    pGrid->addWidget(Label(vmk::kStrAcrossAgain, m_pAgain, this), nRow, 0);
    pGrid->addWidget(m_pAgain, nRow++, 1, 1, 2);
    pGrid->addWidget(m_pStrength, nRow++, 1, 1, 2);
    pGrid->setColumnStretch(1, 1);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pIntro);
    pLayout->addSpacing(nChar);
    pLayout->addLayout(pGrid);
    pLayout->addWidget(m_pLargest);
    pLayout->addWidget(pButtons);
    setMinimumWidth(nChar * 90);

    connect(pAdd, &QPushButton::clicked, this, &C_HideAcrossDlg::ChooseMorePictures);
    connect(m_pRemove, &QPushButton::clicked, this, &C_HideAcrossDlg::RemovePictures);
    connect(m_pList, &QListWidget::itemSelectionChanged, this,
        [this] { m_pRemove->setEnabled(!m_pList->selectedItems().isEmpty()); });
    connect(pBrowseFile, &QPushButton::clicked, this, &C_HideAcrossDlg::BrowseFile);
    connect(pBrowseFolder, &QPushButton::clicked, this, &C_HideAcrossDlg::BrowseFolder);
    connect(m_pNeeded, &QSpinBox::valueChanged, this, &C_HideAcrossDlg::WeighSoon);
    connect(m_pFile, &QLineEdit::textChanged, this, &C_HideAcrossDlg::WeighSoon);
    connect(m_pPassphrase, &QLineEdit::textChanged, this, &C_HideAcrossDlg::ShowStrength);
    connect(pButtons, &QDialogButtonBox::accepted, this, &C_HideAcrossDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &C_HideAcrossDlg::reject);
    m_weighTimer.setSingleShot(true);
    m_weighTimer.setInterval(300);
    connect(&m_weighTimer, &QTimer::timeout, this, &C_HideAcrossDlg::StartWeighing);

    // The fields as the choice has them.
    const unsigned nNeeded = choice.m_nNeeded;
    AddPictures(choice.m_pictures);
    if (nNeeded != 0)
        m_pNeeded->setValue(int(nNeeded));
    m_pFile->setText(QString::fromStdString(choice.m_strFile));
    m_pFolder->setText(QString::fromStdString(choice.m_strFolder));
    m_pPassphrase->setText(QString::fromStdString(choice.m_strPassphrase));
    m_pAgain->setText(QString::fromStdString(choice.m_strAgain));
    m_pRemove->setEnabled(false);
    ShowStrength();
    m_pFile->setFocus();
}

C_HideAcrossDlg::~C_HideAcrossDlg()
{
    m_weighTimer.stop();
    if (m_pWeighing)
        m_pWeighing->wait();
    for (QLineEdit* pEdit : {m_pPassphrase, m_pAgain}) {
        // As far as Qt lets anyone reach the text (C_TemplateDialog::ClearSecret).
        QString strText = pEdit->text();
        strText.fill(u'\0');
        pEdit->setText(QString());
    }
}

std::vector<std::string> C_HideAcrossDlg::Pictures() const
{
    std::vector<std::string> paths;
    for (int i = 0; i < m_pList->count(); ++i)
        paths.push_back(m_pList->item(i)->data(Qt::UserRole).toString().toStdString());
    return paths;
}

bool C_HideAcrossDlg::IsWeighing() const
{
    return m_pWeighing != nullptr || m_weighTimer.isActive();
}

void C_HideAcrossDlg::AddPictures(const std::vector<std::string>& paths)
{
    const std::vector<std::string> listed = Pictures();
    for (const std::string& strPath : paths) {
        if (std::find(listed.begin(), listed.end(), strPath) != listed.end())
            continue;
        const QString strFile = QString::fromStdString(strPath);
        auto* pItem = new QListWidgetItem(QDir::toNativeSeparators(strFile), m_pList);
        pItem->setData(Qt::UserRole, strFile);
    }
    PicturesChanged();
}

void C_HideAcrossDlg::ChooseMorePictures()
{
    const QString strFilter = QString::fromStdString(vmk::CompareFilter());
    C_FileDialog dialog(this, Text(vmk::kStrAcrossChooseTitle), QFileDialog::AcceptOpen, strFilter);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (m_pList->count() > 0)
        dialog.setDirectory(
            QFileInfo(m_pList->item(m_pList->count() - 1)->data(Qt::UserRole).toString()).absolutePath());
    if (dialog.exec() != QDialog::Accepted)
        return;
    std::vector<std::string> paths;
    for (const QString& strFile : dialog.selectedFiles())
        paths.push_back(strFile.toStdString());
    AddPictures(paths);
}

void C_HideAcrossDlg::RemovePictures()
{
    qDeleteAll(m_pList->selectedItems());
    PicturesChanged();
}

void C_HideAcrossDlg::BrowseFile()
{
    C_FileDialog dialog(this, QString(), QFileDialog::AcceptOpen, Text(vmk::kStrHideFilter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!m_pFile->text().isEmpty())
        dialog.selectFile(m_pFile->text());
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_pFile->setText(dialog.selectedFiles().first());
}

void C_HideAcrossDlg::BrowseFolder()
{
    QString strStart = m_pFolder->text();
    if (strStart.isEmpty() && m_pList->count() > 0)
        strStart = QFileInfo(m_pList->item(0)->data(Qt::UserRole).toString()).absolutePath();
    const QString strFolder =
        QFileDialog::getExistingDirectory(this, Text(vmk::kStrAcrossFolder).remove(u'&'), strStart);
    if (!strFolder.isEmpty())
        m_pFolder->setText(strFolder);
}

void C_HideAcrossDlg::PicturesChanged()
{
    // k keeps its value where it still can; a first list, or one that shrank under it, gets
    // the default.
    const int n = m_pList->count();
    const int nWas = m_pNeeded->maximum();
    const int nValue = m_pNeeded->value();
    const QSignalBlocker block(m_pNeeded);
    m_pNeeded->setRange(1, std::max(n, 1));
    if (nWas <= 1 || nValue > n || nValue == int(C_AcrossChoice::DefaultNeeded(size_t(nWas))))
        m_pNeeded->setValue(int(C_AcrossChoice::DefaultNeeded(size_t(std::max(n, 1)))));
    m_pOf->setText(QString::fromStdString(C_TextFormat::Substitute(vmk::kStrAcrossOfPictures, std::to_string(n))));
    WeighSoon();
}

void C_HideAcrossDlg::WeighSoon()
{
    if (!m_fnWeigh)
        return;
    m_pLargest->setText(Text(vmk::kStrAcrossWeighing));
    m_weighTimer.start();
}

void C_HideAcrossDlg::StartWeighing()
{
    if (m_pWeighing) {
        m_bWeighAgain = true;
        return;
    }
    auto pResult = std::make_shared<std::string>();
    m_pWeighing.reset(QThread::create(
        [fnWeigh = m_fnWeigh, paths = Pictures(), nNeeded = unsigned(m_pNeeded->value()),
            strFile = m_pFile->text().toStdString(), pResult] { *pResult = fnWeigh(paths, nNeeded, strFile); }));
    connect(m_pWeighing.get(), &QThread::finished, this, [this, pResult] {
        if (!m_pWeighing)
            return;
        m_pWeighing->wait();
        m_pWeighing.reset();
        if (m_bWeighAgain) {
            m_bWeighAgain = false;
            StartWeighing();
        } else if (!m_weighTimer.isActive()) {
            m_pLargest->setText(QString::fromStdString(*pResult));
        }
    });
    m_pWeighing->start();
}

void C_HideAcrossDlg::WaitForWeighing()
{
    m_weighTimer.stop();
    m_bWeighAgain = false;
    if (!m_pWeighing)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_pWeighing->wait();
    QApplication::restoreOverrideCursor();
    m_pWeighing.reset();
}

void C_HideAcrossDlg::ShowStrength()
{
    m_pStrength->setText(QString::fromStdString(C_PassphraseStrength::Describe(m_pPassphrase->text().toStdString())));
}

bool C_HideAcrossDlg::Refuse(QWidget* pField, const char* pszText, const QString& strArgument)
{
    QString strText = Text(pszText);
    if (!strArgument.isNull())
        strText = QString::fromStdString(C_TextFormat::Substitute(pszText, strArgument.toStdString()));
    if (m_fnMessage)
        m_fnMessage(strText);
    else
        QMessageBox::warning(this, Text(vmk::LoadString(IDS_APP_TITLE)), strText);
    pField->setFocus();
    if (auto* pEdit = qobject_cast<QLineEdit*>(pField))
        pEdit->selectAll();
    return false;
}

void C_HideAcrossDlg::accept()
{
    const std::vector<std::string> paths = Pictures();
    if (paths.size() < 2)
        return void(Refuse(m_pList, vmk::kStrAcrossTooFew));
    if (paths.size() > C_AcrossService::kMaxPictures)
        return void(Refuse(m_pList, vmk::kStrAcrossTooMany, QString::number(C_AcrossService::kMaxPictures)));
    if (m_pFile->text().isEmpty() || !QFileInfo(m_pFile->text()).isFile())
        return void(Refuse(m_pFile, vmk::kStrAcrossNoFile));
    if (m_pFolder->text().isEmpty() || !QFileInfo(m_pFolder->text()).isDir())
        return void(Refuse(m_pFolder, vmk::kStrAcrossNoFolder, QDir::toNativeSeparators(m_pFolder->text())));
    struct S_Entry {
        std::string str;
        ~S_Entry() { C_SecretBytes::WipeString(str); }
    } entry{m_pPassphrase->text().toStdString()};
    const std::string& strPassphrase = entry.str;
    switch (C_SealedRecord::CheckPassphrase(strPassphrase)) {
    case C_SealedRecord::E_Passphrase::Valid: break;
    case C_SealedRecord::E_Passphrase::TooLong: return void(Refuse(m_pPassphrase, vmk::kStrSealedPassphraseTooLong));
    case C_SealedRecord::E_Passphrase::HasNul:
    case C_SealedRecord::E_Passphrase::NotUtf8: return void(Refuse(m_pPassphrase, vmk::kStrSealedPassphraseNotText));
    }
    if (m_pAgain->text() != m_pPassphrase->text())
        return void(Refuse(m_pAgain, vmk::kStrPasswordsDiffer));
    // The caller reads the pictures next: the weighing lets them go first.
    WaitForWeighing();
    m_choice.m_pictures = paths;
    m_choice.m_nNeeded = unsigned(m_pNeeded->value());
    m_choice.m_strFile = m_pFile->text().toStdString();
    m_choice.m_strFolder = m_pFolder->text().toStdString();
    C_SecretBytes::WipeString(m_choice.m_strPassphrase);
    C_SecretBytes::WipeString(m_choice.m_strAgain);
    m_choice.m_strPassphrase = strPassphrase;
    m_choice.m_strAgain = m_pAgain->text().toStdString();
    QDialog::accept();
}
