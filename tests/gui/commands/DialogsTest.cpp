// The dialogs as real widgets (offscreen): limits while typing and pasting, keys, first focus,
// and validation in exchange order on OK.

#include "commands/C_AboutDlg.h"
#include "commands/C_CharacterLimitValidator.h"
#include "commands/C_ComposeDlg.h"
#include "commands/C_DetectionCheckDlg.h"
#include "commands/C_FileDialog.h"
#include "views/C_FittedPicture.h"
#include "commands/C_FoundDlg.h"
#include "commands/C_HiddenDlg.h"
#include "commands/C_HideAcrossDlg.h"
#include "commands/C_LimitedTextEdit.h"
#include "commands/C_PValueCurve.h"
#include "commands/C_PassphraseStrength.h"
#include "commands/C_PasswordDlg.h"
#include "commands/C_PictureDlg.h"
#include "commands/C_PropertiesDlg.h"
#include "commands/C_RevealCommand.h"
#include "commands/C_SealedPassphraseDlg.h"
#include "commands/C_TextCount.h"
#include "commands/vmk_command_texts.h"
#include "model/C_CarrierInfo.h"
#include "model/records/C_SealedRecord.h"
#include "model/C_TextRules.h"
#include "model/analysis/C_DetectionCheck.h"
#include "res/vmk_ids.h"
#include "res/vmk_strings.h"
#include "tests/support/C_TestBytes.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QScreen>
#include <QSpinBox>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>

namespace {

using Strings = std::vector<QString>;

// Shows the dialog as DoModal would, without blocking, and records its validation messages.
template <typename D> class Opened {
public:
    explicit Opened(D& dlg)
        : m_dlg(dlg)
    {
        m_dlg.SetMessageSink([this](const QString& str) { m_messages.push_back(str); });
        m_dlg.InitDialog();
        m_dlg.show();
        m_dlg.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_dlg));
    }
    QLineEdit* Line(unsigned nId) const { return qobject_cast<QLineEdit*>(m_dlg.Control(nId)); }
    C_LimitedTextEdit* Text(unsigned nId) const { return qobject_cast<C_LimitedTextEdit*>(m_dlg.Control(nId)); }
    QPushButton* Button(unsigned nId) const { return qobject_cast<QPushButton*>(m_dlg.Control(nId)); }
    void ClickOk() const { QTest::mouseClick(Button(1), Qt::LeftButton); }
    bool Accepted() const { return !m_dlg.isVisible() && m_dlg.result() == QDialog::Accepted; }
    bool Rejected() const { return !m_dlg.isVisible() && m_dlg.result() == QDialog::Rejected; }

    D& m_dlg;
    Strings m_messages;
};

TEST(PasswordDlg, TemplateFocusAndTheSixteenthCharacter)
{
    C_PasswordDlg dlg;
    Opened o(dlg);
    EXPECT_EQ(dlg.windowTitle(), "Enter Password");
    EXPECT_EQ(dlg.focusWidget(), dlg.Control(1022));
    EXPECT_EQ(o.Line(1022)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(qobject_cast<QLabel*>(dlg.Control(1021))->text(), "Enter a Password of maximum 15 characters. ");
    EXPECT_TRUE(o.Button(1)->isDefault());

    QTest::keyClicks(o.Line(1022), "0123456789abcdeXYZ");
    EXPECT_EQ(o.Line(1022)->text(), "0123456789abcde");
    // Characters are counted as seen: 15 accented letters fill it, whatever their bytes.
    for (int i = 0; i < 20; ++i)
        QTest::sendKeyEvent(QTest::Click, o.Line(1023), Qt::Key_unknown, QString(QChar(0x00E9)), Qt::NoModifier);
    EXPECT_EQ(o.Line(1023)->text(), QString(15, QChar(0x00E9)));
    // Pasting past the limit is refused too.
    o.Line(1023)->clear();
    QApplication::clipboard()->setText(QString(16, u'p'));
    o.Line(1023)->paste();
    EXPECT_EQ(o.Line(1023)->text().size(), 0);

    QTest::keyClick(o.Line(1022), Qt::Key_Return);  // Enter presses OK
    EXPECT_TRUE(o.Accepted());
    EXPECT_EQ(dlg.m_strFirst, "0123456789abcde");
    EXPECT_EQ(dlg.m_strSecond, "");
    EXPECT_TRUE(o.m_messages.empty());
}

TEST(PasswordDlg, OkValidatesInExchangeOrderAndCancelReadsNothing)
{
    C_PasswordDlg dlg;
    dlg.m_strFirst = std::string(16, 'a');  // longer than the limit: only a program can put it there
    dlg.m_strSecond = std::string(17, 'b');
    Opened o(dlg);
    o.ClickOk();
    EXPECT_EQ(o.m_messages, Strings{"Please enter no more than 15 characters."});
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.focusWidget(), dlg.Control(1022));

    o.Line(1022)->setText("short");
    o.ClickOk();
    EXPECT_EQ(o.m_messages.size(), 2u);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.focusWidget(), dlg.Control(1023));
    EXPECT_EQ(dlg.m_strFirst, "short");  // read before the failing control

    o.Line(1023)->setText("short");
    QTest::keyClick(o.Line(1023), Qt::Key_Escape);
    EXPECT_TRUE(o.Rejected());
    EXPECT_EQ(dlg.m_strSecond, std::string(17, 'b'));  // Escape read nothing
}

TEST(SealedPassphraseDlg, HideAsksTwiceShowsTheStrengthAndTakesUpTo1024BytesOfText)
{
    C_SealedPassphraseDlg dlg(true);
    Opened o(dlg);
    EXPECT_EQ(dlg.windowTitle(), "Sealed Message Pass Phrase");
    EXPECT_EQ(dlg.focusWidget(), dlg.Control(IDC_SEALED_PASSPHRASE));
    EXPECT_EQ(o.Line(IDC_SEALED_PASSPHRASE)->echoMode(), QLineEdit::Password);
    EXPECT_EQ(o.Line(IDC_SEALED_AGAIN)->echoMode(), QLineEdit::Password);
    auto* pStrength = qobject_cast<QLabel*>(dlg.Control(IDC_SEALED_STRENGTH));
    ASSERT_TRUE(pStrength);
    EXPECT_EQ(pStrength->text().toStdString(), C_PassphraseStrength::Describe(""));
    // The estimate follows the typing.
    QTest::keyClicks(o.Line(IDC_SEALED_PASSPHRASE), "password");
    EXPECT_EQ(pStrength->text().toStdString(), C_PassphraseStrength::Describe("password"));
    // The longest line (two counts in powers of ten) fits the space the dialog gives it.
    pStrength->setText(QString::fromStdString(C_PassphraseStrength::Describe("correct horse battery staple")));
    EXPECT_LE(pStrength->heightForWidth(pStrength->width()), pStrength->height()) << pStrength->text().toStdString();

    // 1,024 bytes of UTF-8, however they arrive: 512 two-byte letters fill it.
    QLineEdit* pAgain = o.Line(IDC_SEALED_AGAIN);
    QApplication::clipboard()->setText(QString(1025, u'p'));
    pAgain->paste();
    EXPECT_EQ(pAgain->text().size(), 0);
    // Refused whole, not cut, with a word by the field.
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text().toStdString(), vmk::kStrSealedPassphraseTooLong);
    QToolTip::hideText();
    QApplication::clipboard()->setText(QString(512, QChar(0x00E9)));
    pAgain->paste();
    EXPECT_EQ(pAgain->text(), QString(512, QChar(0x00E9)));
    QTest::keyClicks(pAgain, "x");
    EXPECT_EQ(pAgain->text().size(), 512);
    QTest::keyClick(pAgain, Qt::Key_Return);
    EXPECT_TRUE(o.Accepted());
    EXPECT_EQ(dlg.m_strFirst, "password");
    EXPECT_EQ(dlg.m_strSecond.size(), 1024u);
    EXPECT_TRUE(o.m_messages.empty());
}

TEST(SealedPassphraseDlg, RevealAsksOnceAndOkRefusesWhatTypingCannotGive)
{
    C_SealedPassphraseDlg dlg(false);
    dlg.m_strFirst = std::string(1025, 'a');  // only a program can put it there
    dlg.m_strSecond = "kept";
    Opened o(dlg);
    EXPECT_EQ(dlg.windowTitle(), "Reveal Sealed Message");
    EXPECT_EQ(dlg.Control(IDC_SEALED_AGAIN), nullptr);
    EXPECT_EQ(dlg.Control(IDC_SEALED_STRENGTH), nullptr);
    o.ClickOk();
    EXPECT_EQ(o.m_messages, Strings{vmk::kStrSealedPassphraseTooLong});
    EXPECT_TRUE(dlg.isVisible());

    o.Line(IDC_SEALED_PASSPHRASE)->setText("a heron waits where the river bends east of the mill");
    QTest::keyClick(o.Line(IDC_SEALED_PASSPHRASE), Qt::Key_Return);
    EXPECT_TRUE(o.Accepted());
    EXPECT_EQ(dlg.m_strFirst, "a heron waits where the river bends east of the mill");
    EXPECT_EQ(dlg.m_strSecond, "kept");
}

// The estimate errs low: dictionary words and held keys count for little, each added word for
// much; the time is at one derivation per guess, for one computer and for a large attacker.
TEST(PassphraseStrength, WeakAndStrongPassPhrasesAtTheMeasuredRate)
{
    using S = C_PassphraseStrength;
    constexpr double kDay = 86400, kYear = 365.25 * kDay;
    auto seconds = [](const std::string& str) { return std::exp2(S::EstimateBits(str)) * S::kSecondsPerGuess; };
    // One word falls in under a day; a held key adds little.
    EXPECT_LT(seconds("password"), kDay);
    EXPECT_LT(S::EstimateBits(std::string(40, 'a')), 10);
    // Four words from a list take longer than recorded history; a fifth word adds.
    const std::string strFour = "correct horse battery staple";
    EXPECT_GT(seconds(strFour), 10000 * kYear);
    EXPECT_GT(S::EstimateBits(strFour + " river"), S::EstimateBits(strFour) + 10);
    EXPECT_EQ(S::EstimateBits(""), 0);
    EXPECT_NE(S::Describe("").find("No pass phrase"), std::string::npos);
    const std::string strWeak = S::Describe("password");
    const std::string strStrong = S::Describe(strFour);
    for (const std::string& str : {strWeak, strStrong}) {
        EXPECT_TRUE(str.starts_with("Estimated strength: about ")) << str;
        EXPECT_NE(str.find(" at 0.3 s and 128 MiB each; trying them all takes "), std::string::npos) << str;
        EXPECT_NE(str.find(" for a large attacker (10,000 cores)."), std::string::npos) << str;
    }
    EXPECT_NE(strWeak.find("less than a second on one computer (2 cores)"), std::string::npos) << strWeak;
    EXPECT_NE(strStrong.find("million years on one computer"), std::string::npos) << strStrong;

    // Units as a reader says them, and no overflow at the longest pass phrase.
    EXPECT_EQ(S::DescribeDuration(std::log10(300 * kYear)), "about 3 centuries");
    EXPECT_EQ(S::DescribeDuration(std::log10(0.3)), "less than a second");
    std::string strLongest;
    for (size_t i = 0; i < C_SealedRecord::kMaxPassphraseBytes; ++i)
        strLongest += char(33 + (i * 7) % 94);
    const std::string strHuge = S::Describe(strLongest);
    EXPECT_NE(strHuge.find("about 10^"), std::string::npos) << strHuge;
    EXPECT_EQ(strHuge.find("inf"), std::string::npos) << strHuge;
    EXPECT_EQ(strHuge.find("nan"), std::string::npos) << strHuge;
}

TEST(ComposeDlg, LimitsCountCharactersAndLineBreaksHoweverTheyArrive)
{
    C_ComposeDlg dlg;
    Opened o(dlg);
    EXPECT_EQ(dlg.windowTitle(), "Compose Text Message");
    EXPECT_EQ(dlg.focusWidget(), dlg.Control(1002));
    EXPECT_EQ(o.Button(1)->text(), "Hide...");
    EXPECT_TRUE(o.Button(1)->isDefault());

    QTest::keyClicks(o.Text(1002), QString(35, u's'));
    EXPECT_EQ(o.Text(1002)->GetText(), QString(30, u's'));

    C_LimitedTextEdit* pText = o.Text(1004);
    QTest::keyClicks(pText, QString(249, u'm'));
    QTest::keyClick(pText, Qt::Key_Return, Qt::ControlModifier);  // a break needs two: no room
    EXPECT_EQ(pText->GetText(), QString(249, u'm'));
    QTest::keyClicks(pText, "xyz");
    EXPECT_EQ(pText->GetText(), QString(249, u'm') + u'x');

    // A paste is cut to what fits.
    pText->clear();
    QApplication::clipboard()->setText(QString(300, u'q'));
    pText->paste();
    EXPECT_EQ(pText->GetText(), QString(250, u'q'));
    pText->clear();
    QApplication::clipboard()->setText(QString(248, u'q') + "\r\nz");
    pText->paste();
    EXPECT_EQ(pText->GetText(), QString(248, u'q') + "\r\n");
}

TEST(ComposeDlg, CtrlEnterTypesALineBreakAndEnterPressesHide)
{
    C_ComposeDlg dlg;
    Opened o(dlg);
    QTest::keyClicks(o.Text(1002), "Note");
    QTest::keyClick(o.Text(1002), Qt::Key_Tab);
    EXPECT_EQ(dlg.focusWidget(), dlg.Control(1004));
    QTest::keyClicks(o.Text(1004), "a");
    QTest::keyClick(o.Text(1004), Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(o.Text(1004), "b");
    EXPECT_TRUE(dlg.isVisible());
    QTest::keyClick(o.Text(1004), Qt::Key_Return);
    EXPECT_TRUE(o.Accepted());
    EXPECT_EQ(dlg.m_strText, "a\r\nb");
    EXPECT_EQ(dlg.m_strSubject, "Note");
}

TEST(ComposeDlg, FieldsReopenAsTypedAndOkValidatesTheTextFirst)
{
    C_ComposeDlg dlg;
    dlg.m_strText = "line1\r\nline2";
    dlg.m_strSubject = std::string(31, 's');
    Opened o(dlg);
    EXPECT_EQ(o.Text(1004)->GetText(), "line1\r\nline2");
    o.Text(1004)->setPlainText(QString(251, u't'));  // past the limit only by program
    o.ClickOk();
    EXPECT_EQ(o.m_messages, Strings{"Please enter no more than 250 characters."});
    EXPECT_EQ(dlg.focusWidget(), dlg.Control(1004));
    o.Text(1004)->setPlainText("ok");
    o.ClickOk();
    EXPECT_EQ(o.m_messages.back(), "Please enter no more than 30 characters.");
    EXPECT_EQ(dlg.focusWidget(), dlg.Control(1002));
    EXPECT_TRUE(dlg.isVisible());
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_TRUE(o.Rejected());
}

TEST(FoundDlg, ShowsNameAndSizeEnterSavesEscapeCancels)
{
    for (const bool bEscape : {true, false}) {
        C_FoundDlg dlg;
        dlg.m_strName = "notes.doc";
        dlg.m_nSize = 1234;
        Opened o(dlg);
        EXPECT_EQ(dlg.windowTitle(), "Hidden Message Found!");
        EXPECT_EQ(dlg.focusWidget(), dlg.Control(1));
        EXPECT_EQ(o.Button(1)->text(), "Save...");
        EXPECT_EQ(o.Line(1028)->text(), "notes.doc");
        EXPECT_EQ(o.Line(1030)->text(), "1234");
        EXPECT_TRUE(o.Line(1030)->isReadOnly());
        EXPECT_TRUE(o.Line(1030)->alignment() & Qt::AlignRight);
        QTest::keyClick(dlg.focusWidget(), bEscape ? Qt::Key_Escape : Qt::Key_Return);
        EXPECT_EQ(bEscape ? o.Rejected() : o.Accepted(), true) << bEscape;
    }
}

TEST(HiddenDlg, ShowsTheNameCentredAndThePlainSizeRightAligned)
{
    C_HiddenDlg dlg;
    dlg.m_strName = "Note.txt";
    dlg.m_nSize = 1234;
    Opened o(dlg);
    EXPECT_EQ(dlg.windowTitle(), "Success!");
    EXPECT_EQ(dlg.focusWidget(), dlg.Control(1));
    EXPECT_TRUE(o.Line(1004)->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(o.Line(1004)->text(), "Note.txt");
    EXPECT_EQ(o.Line(1027)->text(), "1234");
    EXPECT_TRUE(o.Line(1004)->isReadOnly());
    o.ClickOk();
    EXPECT_TRUE(o.Accepted());
}

TEST(HiddenDlg, SaysBelowTheFieldsHowTheBitsWereWritten)
{
    C_HiddenDlg plain;
    plain.SetHow("");
    Opened p(plain);
    const QSize classic = plain.size();
    EXPECT_EQ(plain.findChild<QLabel*>("HiddenHow"), nullptr);

    C_HiddenDlg dlg;
    const std::string strHow =
        "Palette paired: a changed index now shows a colour 11.6 away on average (18.8 before).\n"
        + std::string(vmk::kStrEmbeddedMatch);
    dlg.SetHow(strHow);
    Opened o(dlg);
    auto* pHow = dlg.findChild<QLabel*>("HiddenHow");
    ASSERT_TRUE(pHow);
    EXPECT_EQ(pHow->text().toStdString(), strHow);
    EXPECT_EQ(dlg.width(), classic.width());
    EXPECT_GT(dlg.height(), classic.height());
    // Below the fields, above OK, and OK still inside the dialog.
    EXPECT_GT(pHow->y(), o.Line(1004)->geometry().bottom());
    EXPECT_LT(pHow->geometry().bottom(), o.Button(1)->y());
    EXPECT_LE(o.Button(1)->geometry().bottom(), dlg.height());
}

TEST(PropertiesDlg, ALongPathIsCutInItsMiddleAndTheSealedCapacityIsSaid)
{
    C_CarrierInfo info;
    std::string strPath = "/home/someone";
    for (int i = 0; i < 30; ++i)
        strPath += "/folder" + std::to_string(i);
    strPath += "/holiday picture.bmp";
    info.m_strPath = strPath;
    info.m_nSealedCapacity = 22971;
    info.m_nBitsPerPixel = 24;
    C_PropertiesDlg dlg;
    dlg.SetInfo(info);
    Opened o(dlg);
    QLineEdit* pPath = o.Line(IDC_PROPERTIES_PATH);
    EXPECT_TRUE(pPath->text().startsWith("/home/")) << pPath->text().toStdString();
    EXPECT_TRUE(pPath->text().endsWith("holiday picture.bmp")) << pPath->text().toStdString();
    EXPECT_TRUE(pPath->text().contains(QChar(0x2026)));
    EXPECT_LE(pPath->fontMetrics().horizontalAdvance(pPath->text()), pPath->width());
    EXPECT_EQ(pPath->toolTip().toStdString(), strPath);
    auto* pSealed = qobject_cast<QLabel*>(dlg.Control(IDC_PROPERTIES_SEALED));
    ASSERT_TRUE(pSealed);
    EXPECT_EQ(pSealed->text(),
        "Sealed capacity: 22971 bytes less the name's length in bytes (more when the payload compresses)");
    EXPECT_LT(pSealed->geometry().bottom(), o.Button(1)->y());
    o.ClickOk();
    EXPECT_TRUE(o.Accepted());
    EXPECT_EQ(dlg.m_strPath, strPath);  // the shortened text is never read back
}

TEST(PropertiesDlg, TheSafePayloadFitsItsLineAndItsTipSaysWhy)
{
    C_CarrierInfo info;
    info.m_strPath = "/tmp/photo.png";
    info.m_nSealedCapacity = 4294967;
    info.m_nSealedUnlimited = 4294967295u;
    info.m_nBitsPerPixel = 24;
    C_PropertiesDlg dlg;
    dlg.SetInfo(info);
    Opened o(dlg);
    auto* pSealed = qobject_cast<QLabel*>(dlg.Control(IDC_PROPERTIES_SEALED));
    ASSERT_TRUE(pSealed);
    EXPECT_EQ(pSealed->text(),
        "Sealed capacity: 4294967 bytes at the safe rate, 4294967295 past it, less the name's length in bytes");
    EXPECT_FALSE(pSealed->toolTip().isEmpty());
    // The largest figures still fit the line the dialog gives it.
    EXPECT_LE(pSealed->heightForWidth(pSealed->width()), pSealed->height());
    o.ClickOk();
}

// Narrowed, the differences window keeps every line of its text: the counts wrap, none is cut.
TEST(PictureDlg, TheCountsLineWrapsWhenTheWindowIsNarrowed)
{
    const QString strText = QString::fromUtf8(vmk::kStrDifferencesText).arg(123456).arg(120000).arg(234567).arg(230000);
    auto* pDlg = new C_PictureDlg("Differences", strText, QImage(600, 400, QImage::Format_RGB32));
    pDlg->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(pDlg));
    for (const QSize size : {QSize(900, 600), pDlg->minimumSizeHint(), QSize(1, 1)}) {
        pDlg->resize(size);
        QApplication::processEvents();
        QLabel* pText = nullptr;
        for (QLabel* p : pDlg->findChildren<QLabel*>())
            if (p->text() == strText)
                pText = p;
        ASSERT_TRUE(pText);
        const QRect need =
            pText->fontMetrics().boundingRect(QRect(0, 0, pText->width(), 100000), Qt::TextWordWrap, strText);
        EXPECT_LE(need.height(), pText->height()) << pDlg->width() << " x " << pDlg->height();
        EXPECT_LE(need.width(), pText->width()) << pDlg->width() << " x " << pDlg->height();
    }
    pDlg->close();
}

TEST(PropertiesDlg, ReadOnlyFieldsAndTheRangeOfBitsPerPixel)
{
    C_PropertiesDlg dlg;
    dlg.m_nBitsPerPixel = 0;
    dlg.m_nHeight = 4294967295u;
    dlg.m_strPath = "/tmp/p.bmp";
    dlg.m_strRemarks = "This Carrier Can Hide Approximately 579 Bytes (or 0.565 KB) of Message data in it.";
    dlg.m_nWidth = 100;
    dlg.m_nSize = 5;
    Opened o(dlg);
    EXPECT_EQ(dlg.windowTitle(), "Carrier Properties");
    EXPECT_EQ(dlg.focusWidget(), dlg.Control(1017));
    EXPECT_EQ(o.Text(1017)->GetText().toStdString(), dlg.m_strRemarks);
    EXPECT_EQ(o.Line(1006)->text(), "5");
    EXPECT_EQ(o.Line(1018)->text(), "4294967295");
    for (unsigned nId : {1005u, 1006u, 1018u, 1019u, 1020u})
        EXPECT_TRUE(o.Line(nId)->isReadOnly()) << nId;
    EXPECT_TRUE(o.Text(1017)->isReadOnly());
    EXPECT_EQ(qobject_cast<QLabel*>(dlg.Control(1000))->text(),
        " Look at \"Remarks\" to find how much data can be hidden in this carrier.");

    o.ClickOk();
    EXPECT_EQ(o.m_messages, Strings{"Please enter an integer between 1 and 64."});
    EXPECT_EQ(dlg.focusWidget(), dlg.Control(1020));
    EXPECT_TRUE(dlg.isVisible());
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_TRUE(o.Rejected());

    C_PropertiesDlg good;
    good.m_nBitsPerPixel = 64;  // a PNG of four 16-bit samples
    good.m_nHeight = 4294967295u;
    Opened g(good);
    g.ClickOk();
    EXPECT_TRUE(g.Accepted());
    EXPECT_TRUE(g.m_messages.empty());
    EXPECT_EQ(good.m_nHeight, 4294967295u);
}

// Read-only fields are drawn on the window's colour, not on a typing field's white.
TEST(PropertiesDlg, ReadOnlyFieldsLookReadOnlyAndTheSizeIsNotCut)
{
    C_CarrierInfo info;
    info.m_strPath = "/tmp/p.bmp";
    info.m_nSizeKB = 3145728;  // a 3 GiB picture
    info.m_nBitsPerPixel = 24;
    info.m_nRecommendedPayload = 98765;
    C_PropertiesDlg dlg;
    dlg.SetInfo(info);
    Opened o(dlg);
    EXPECT_EQ(o.Line(1006)->text(), "3145728");
    EXPECT_EQ(qobject_cast<QLabel*>(dlg.Control(IDC_PROPERTIES_RECOMMENDED))->text(),
        "Recommended payload (stays below the detectors' threshold): 98765 bytes");
    C_PasswordDlg typing;
    const QColor typingBase = typing.Control(1022)->palette().color(QPalette::Base);
    for (unsigned nId : {1005u, 1006u, 1017u, 1018u, 1019u, 1020u}) {
        QWidget* pField = dlg.Control(nId);
        const QColor base = pField->palette().color(QPalette::Base);
        EXPECT_EQ(base, pField->palette().color(QPalette::Window)) << nId;
        EXPECT_NE(base, typingBase) << nId;
    }
    const QImage shot = o.Line(1019)->grab().toImage();  // "0", right-aligned: the left is empty
    EXPECT_EQ(QColor(shot.pixel(4, shot.height() / 2)), dlg.palette().color(QPalette::Window));
}

// Every estimate in the table with three decimals, a curve per channel, the lowest bits fitted into
// the square they are shown in, and a picture that could not be analysed says so.
TEST(DetectionCheckDlg, ShowsEveryEstimateThePlaneAndTheCurves)
{
    S_DetectionResult result;
    result.eOverall = E_Verdict::Likely;
    for (const char* psz : {"Red", "Green", "Blue"}) {
        S_ChannelFindings channel;
        channel.strName = psz;
        channel.dSpa = 0.98765;
        channel.eRs = E_Verdict::Likely;
        channel.aChiSquareCurve.assign(100, 0.5);
        result.aChannels.push_back(channel);
    }
    result.nPlaneWidth = 800;  // wide: fitted by its width
    result.nPlaneHeight = 200;
    result.aLsbPlane.assign(800 * 200 * 3, 255);
    C_DetectionCheckDlg dlg(result, 123, 4567);
    EXPECT_EQ(dlg.GetTable()->rowCount(), 9);
    EXPECT_EQ(dlg.GetTable()->item(0, 0)->text(), "Red");
    EXPECT_EQ(dlg.GetTable()->item(0, 2)->text(), "0.988");
    EXPECT_EQ(dlg.GetTable()->item(1, 3)->text(), vmk::kStrVerdictLikely);
    EXPECT_TRUE(dlg.GetOverallLabel()->font().bold());
    EXPECT_TRUE(dlg.GetOverallLabel()->text().contains(vmk::kStrVerdictLikely));
    EXPECT_EQ(dlg.GetPlane()->GetImage().size(), QSize(800, 200));
    EXPECT_EQ(dlg.GetPlane()->sizeHint(), QSize(C_DetectionCheckDlg::kPlaneSide, 80));
    EXPECT_EQ(dlg.GetChiSquareNote()->text().toStdString(), vmk::kStrDetectionChiSquareNote);
    EXPECT_EQ(dlg.GetCurve()->GetCurves().size(), 3u);
    EXPECT_EQ(dlg.GetPayloadLabel()->text(), "Recommended payload: 123 bytes (capacity 4567 bytes)");

    // A plane buffer shorter than its size says is not drawn.
    S_DetectionResult none;
    none.nPlaneWidth = 10;
    none.nPlaneHeight = 10;
    none.aLsbPlane.assign(10, 0);
    C_DetectionCheckDlg empty(none, 0, 0);
    EXPECT_EQ(empty.GetTable()->rowCount(), 0);
    EXPECT_TRUE(empty.GetPlane()->GetImage().isNull());
    EXPECT_EQ(empty.GetOverallLabel()->text(), vmk::kStrDetectionNoChannels);
    EXPECT_EQ(empty.GetChiSquareNote(), nullptr);
}

// The dialog opens within the screen's free area and shrinks further with Close in view; the
// lowest bits' caption sits right under that picture, which grows with the dialog.
TEST(DetectionCheckDlg, FitsTheScreenCaptionsThePictureAndGrowsIt)
{
    S_DetectionResult result;
    for (const char* psz : {"Red", "Green", "Blue", "Alpha"}) {
        S_ChannelFindings channel;
        channel.strName = psz;
        channel.aChiSquareCurve.assign(100, 0.5);
        result.aChannels.push_back(channel);
    }
    result.nPlaneWidth = 400;
    result.nPlaneHeight = 300;
    result.aLsbPlane.assign(400 * 300 * 3, 128);
    C_DetectionCheckDlg dlg(result, 1, 2);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const QSize room = dlg.screen()->availableSize();
    EXPECT_LE(dlg.width(), room.width());
    EXPECT_LE(dlg.height(), room.height());
    QWidget* pClose = dlg.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close);
    auto pictureIn = [&dlg](QWidget* pWidget) {
        const QRect r = dlg.GetPlane()->PictureRect();
        return QRect(dlg.GetPlane()->mapTo(pWidget, r.topLeft()), r.size());
    };
    int nPictureWidth = 0;
    for (const QSize size : {QSize(300, 240), QSize(1000, 900), QSize(1600, 1300)}) {
        dlg.resize(size);
        QApplication::processEvents();
        SCOPED_TRACE(size.width());
        EXPECT_EQ(dlg.size(), size);
        EXPECT_TRUE(dlg.rect().contains(QRect(pClose->mapTo(&dlg, QPoint(0, 0)), pClose->size())));
        // The caption right under the picture it names, across its middle.
        QWidget* pContent = dlg.GetPlane()->parentWidget();
        const QRect picture = pictureIn(pContent);
        const QRect caption = dlg.GetPlaneCaption()->geometry();
        EXPECT_GE(caption.top(), picture.bottom());
        EXPECT_LE(caption.top(), picture.bottom() + 12);
        EXPECT_NEAR(caption.center().x(), picture.center().x(), 2);
        if (size.width() >= 1000) {
            EXPECT_GT(picture.width(), nPictureWidth);
            nPictureWidth = picture.width();
        }
    }
    EXPECT_GT(nPictureWidth, C_DetectionCheckDlg::kPlaneSide * 2);
}

// The dialogs count characters by the command line's rule, a line break as CR LF.
TEST(TextCount, TheDialogsCountAsTheCommandLineDoes)
{
    const char* const aTexts[] = {"\xE0\xAE\xB8\xE0\xAF\x8D\xE0\xAE\xB0\xE0\xAF\x80",  // Tamil "sri"
        "e\xCC\x81"};
    for (const char* p : aTexts)
        EXPECT_EQ(size_t(C_TextCount::Count(QString::fromUtf8(p))), C_TextRules::CountCharacters(p)) << p;
    EXPECT_EQ(C_TextCount::Count("a\r\nb"), 4);
    EXPECT_EQ(C_TextCount::Count("a\nb"), 4);
    const QString strSri = QString::fromUtf8(aTexts[0]);  // two characters by that rule
    EXPECT_EQ(C_TextCount::Truncate(strSri + strSri, 3), strSri + strSri.left(2));
    // A pass phrase that the command line refuses cannot be typed either.
    C_CharacterLimitValidator limit(15, nullptr);
    QString strEight = strSri.repeated(8), strSeven = strSri.repeated(7);
    int nPos = 0;
    EXPECT_EQ(limit.validate(strEight, nPos), QValidator::Invalid);
    EXPECT_EQ(limit.validate(strSeven, nPos), QValidator::Acceptable);
}

namespace {

// Accepts `dlg` in `dir` with `strTyped` in its name field and the filter at `nFilter`.
QString AcceptWith(C_FileDialog& dlg, const QTemporaryDir& dir, const QString& strTyped, int nFilter = 0)
{
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setDirectory(dir.path());
    dlg.selectNameFilter(dlg.nameFilters().value(nFilter));
    dlg.selectFile(strTyped);
    dlg.show();
    dlg.accept();
    return QFileInfo(dlg.selectedFiles().value(0)).fileName();
}

}  // namespace

// A name typed without an extension gets the chosen filter's; the fallback only where the
// filter has several patterns or none with an extension.
TEST(FileDialog, ATypedNameGetsTheChosenFiltersExtension)
{
    QTemporaryDir dir;
    auto revealDialog = [](const char* pszName) {
        const C_FileDialogArgs args = C_RevealCommand::SaveDialogArgs(pszName);
        return std::make_unique<C_FileDialog>(nullptr, QString(), QFileDialog::AcceptSave,
            QString::fromStdString(args.m_strFilter), QString::fromStdString(args.m_strDefaultExt));
    };
    EXPECT_EQ(AcceptWith(*revealDialog("notes.doc"), dir, "notes"), "notes.doc");
    EXPECT_EQ(AcceptWith(*revealDialog("notes."), dir, "notes"), "notes.txt");

    const QString strSave = QString::fromUtf8(vmk::kStrSaveFilter);
    auto saveDialog = [&] {
        return std::make_unique<C_FileDialog>(nullptr, QString(), QFileDialog::AcceptSave, strSave, "gif");
    };
    EXPECT_EQ(AcceptWith(*saveDialog(), dir, "s6", 1), "s6.bmp");
    EXPECT_EQ(AcceptWith(*saveDialog(), dir, "s6", 0), "s6.gif");  // all three: the picture's own
    EXPECT_EQ(AcceptWith(*saveDialog(), dir, "s6.pcx", 1), "s6.pcx");
    EXPECT_EQ(AcceptWith(*saveDialog(), dir, "s7", 4), "s7.png");
}

// Each pattern shows once, and "All Files" lists names without a dot.
TEST(FileDialog, EachPatternShowsOnceAndAllFilesListsEveryFile)
{
    QTemporaryDir dir;
    for (const char* pszName : {"README", "photo.bmp"}) {
        QFile f(dir.filePath(pszName));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    auto shown = [](C_FileDialog& dlg) {
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        std::vector<QString> items;
        if (const auto* pCombo = dlg.findChild<QComboBox*>("fileTypeCombo"))
            for (int i = 0; i < pCombo->count(); ++i)
                items.push_back(pCombo->itemText(i));
        return items;
    };
    for (const char* pszFilter : {vmk::kStrOpenFilter, vmk::kStrHideFilter}) {
        C_FileDialog dlg(nullptr, "Open", QFileDialog::AcceptOpen, QString::fromUtf8(pszFilter));
        const std::vector<QString> items = shown(dlg);
        ASSERT_EQ(items.size(), 1u) << pszFilter;
        EXPECT_EQ(items[0].count("(*.*)"), 1) << items[0].toStdString();
        const auto* pModel = dlg.findChild<QFileSystemModel*>();
        ASSERT_TRUE(pModel);
        const QStringList listed = QDir(dir.path()).entryList(pModel->nameFilters(), QDir::Files);
        EXPECT_TRUE(listed.contains("README") && listed.contains("photo.bmp")) << pszFilter;
    }
    C_FileDialog save(nullptr, QString(), QFileDialog::AcceptSave, QString::fromUtf8(vmk::kStrSaveFilter));
    EXPECT_EQ(shown(save),
        (std::vector<QString>{"All Supported Types(*.bmp, *.gif, *.pcx, *.png, *.jpg)", "Windows Bitmap(*.bmp)",
            "Compuserve Graphics Interchange Format(*.gif)", "ZSoft PC Paint Brush(*.pcx)",
            "Portable Network Graphics(*.png)", "JPEG(*.jpg, *.jpeg)"}));
}

TEST(AboutDlg, VersionSloganCreditsAndOk)
{
    C_AboutDlg dlg;
    Opened o(dlg);
    EXPECT_EQ(dlg.windowTitle(), "About Veilmark");
    EXPECT_EQ(dlg.focusWidget(), dlg.Control(1));
    EXPECT_EQ(qobject_cast<QLabel*>(dlg.Control(1035))->text(), "HIDE YOUR SECRET DATA INTO PICTURES!!");
    EXPECT_FALSE(qobject_cast<QLabel*>(dlg.Control(1034))->text().isEmpty());
    bool bVersion = false;
    for (QLabel* pLabel : dlg.findChildren<QLabel*>())
        bVersion |= pLabel->text() == "Veilmark Version 1.0";
    EXPECT_TRUE(bVersion);
    QTest::keyClick(dlg.focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(o.Accepted());
}

// Every label's text, wrapped at its width, fits its height, and every button's caption fits:
// dialog units measured from the wrong font width cut "Password Again:" and the hidden dialog's
// sentence short.
template <typename D> void ExpectTextsFit(D& dlg)
{
    Opened o(dlg);
    for (QLabel* pLabel : dlg.template findChildren<QLabel*>()) {
        if (pLabel->text().isEmpty())
            continue;
        const QFontMetrics fm(pLabel->font());
        const int nFlags = pLabel->wordWrap() ? Qt::TextWordWrap : 0;
        const QRect need = fm.boundingRect(QRect(0, 0, pLabel->width(), 10000), nFlags, pLabel->text());
        // The last line's descent may touch the bottom edge; no line may be lost.
        EXPECT_LE(need.height() - fm.descent(), pLabel->height()) << pLabel->text().toStdString();
        EXPECT_LE(need.width(), pLabel->width()) << pLabel->text().toStdString();
    }
    for (QPushButton* pButton : dlg.template findChildren<QPushButton*>())
        EXPECT_LE(QFontMetrics(pButton->font()).horizontalAdvance(pButton->text()), pButton->width())
            << pButton->text().toStdString();
}

TEST(DialogLayout, EveryLabelAndButtonTextFitsItsControl)
{
    {
        C_PasswordDlg d;
        ExpectTextsFit(d);
    }
    {
        C_HiddenDlg d;
        d.m_strName = "secret.txt";
        ExpectTextsFit(d);
    }
    {
        C_FoundDlg d;
        ExpectTextsFit(d);
    }
    {
        C_HiddenDlg d;
        d.SetHow("Palette paired: a changed index now shows a colour 111.6 away on average (118.8 before).\n"
                 "Embedded by adding or subtracting 1.");
        ExpectTextsFit(d);
    }
    {
        C_ComposeDlg d;
        ExpectTextsFit(d);
    }
    {
        C_PropertiesDlg d;
        d.m_nBitsPerPixel = 24;
        ExpectTextsFit(d);
    }
    {
        C_AboutDlg d;
        ExpectTextsFit(d);
    }
    {
        C_SealedPassphraseDlg d(true);
        d.m_strFirst = "correct horse battery staple";  // among the longest strength lines
        ExpectTextsFit(d);
    }
    {
        C_SealedPassphraseDlg d(false);
        ExpectTextsFit(d);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST(TemplateDialogs, EveryFieldIsNamedByItsLabelAndTabsInReadingOrder)
{
    C_PasswordDlg password;
    C_SealedPassphraseDlg sealed(true);
    C_ComposeDlg compose;
    C_FoundDlg found;
    C_HiddenDlg hidden;
    C_PropertiesDlg properties;
    const std::vector<std::pair<C_TemplateDialog*, Strings>> cases = {
        {&password, {"Password", "Password Again"}},
        {&sealed, {"Pass phrase", "Pass phrase again"}},
        {&compose, {"Subject(One Word or Two)", "Type Message Here"}},
        {&found, {"Message Name", "Message Size"}},
        {&hidden, {"Message Name", "Byte(s)"}},
        {&properties,
            {"Carrier Path", "Carrier Size", "Height (in Pixels)", "Width (in Pixels)", "Decoded Bits Per Pixel",
                "Remarks"}},
    };
    for (const auto& [pDlg, names] : cases) {
        SCOPED_TRACE(pDlg->windowTitle().toStdString());
        pDlg->InitDialog();
        // The fields in reading order: top to bottom, then left to right.
        std::vector<QWidget*> fields;
        for (QWidget* p : pDlg->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (qobject_cast<QLineEdit*>(p) || qobject_cast<C_LimitedTextEdit*>(p))
                fields.push_back(p);
        std::sort(fields.begin(), fields.end(),
            [](const QWidget* a, const QWidget* b) { return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x()); });
        Strings got;
        for (const QWidget* p : fields)
            got.push_back(p->accessibleName());
        EXPECT_EQ(got, names);
        // Tab visits the fields that take the focus in the same order.
        std::vector<QWidget*> chain;
        QWidget* p = pDlg->nextInFocusChain();
        for (int i = 0; i < 64 && p != pDlg; ++i, p = p->nextInFocusChain())
            if ((p->focusPolicy() & Qt::TabFocus) && std::find(fields.begin(), fields.end(), p) != fields.end())
                chain.push_back(p);
        std::vector<QWidget*> tabbable;
        for (QWidget* f : fields)
            if (f->focusPolicy() & Qt::TabFocus)
                tabbable.push_back(f);
        EXPECT_EQ(chain, tabbable);
    }
}

TEST(HideAcrossDlg, KFollowsThePicturesTheLineIsWeighedAsideAndOkChecksThePassPhrase)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string strFile = dir.filePath("notes.txt").toStdString();
    C_TestBytes::WriteText(strFile, "north gate at noon");

    C_AcrossChoice choice;
    choice.m_pictures = {"/p/a.png", "/p/b.png", "/p/c.bmp"};
    choice.m_nNeeded = C_AcrossChoice::DefaultNeeded(3);
    // Records where and with what it was called; no picture is read.
    std::atomic<bool> bOnWindowThread{false};
    const std::thread::id windowThread = std::this_thread::get_id();
    const C_AcrossChoice::T_Weigh fnWeigh = [&](const std::vector<std::string>& paths, unsigned k, const std::string&) {
        if (std::this_thread::get_id() == windowThread)
            bOnWindowThread = true;
        return std::to_string(paths.size()) + " pictures, k " + std::to_string(k);
    };
    C_HideAcrossDlg dlg(choice, fnWeigh);
    Strings messages;
    dlg.SetMessageSink([&messages](const QString& str) { messages.push_back(str); });
    dlg.show();
    auto* pNeeded = dlg.findChild<QSpinBox*>("AcrossNeeded");
    auto* pLargest = dlg.findChild<QLabel*>("AcrossLargest");
    auto* pList = dlg.findChild<QListWidget*>("AcrossPictures");
    ASSERT_TRUE(pNeeded && pLargest && pList);

    // All but one of three needed, at most all three.
    EXPECT_EQ(pNeeded->value(), 2);
    EXPECT_EQ(pNeeded->maximum(), 3);
    QTRY_COMPARE_WITH_TIMEOUT(pLargest->text(), QString("3 pictures, k 2"), 5000);
    pNeeded->setValue(3);
    QTRY_COMPARE_WITH_TIMEOUT(pLargest->text(), QString("3 pictures, k 3"), 5000);
    EXPECT_FALSE(bOnWindowThread) << "the weighing ran on the window's thread";

    // One picture less: k cannot pass two, and the line is weighed again.
    pList->item(2)->setSelected(true);
    for (QPushButton* pButton : dlg.findChildren<QPushButton*>())
        if (pButton->text() == QString::fromUtf8(vmk::kStrAcrossRemove) && pList->count() == 3)
            pButton->click();
    ASSERT_EQ(pList->count(), 2);
    EXPECT_EQ(pNeeded->maximum(), 2);
    EXPECT_EQ(pNeeded->value(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(pLargest->text(), QString("2 pictures, k 2"), 5000);

    // OK refuses pass phrases that differ and leaves the choice alone; then takes all of it.
    dlg.findChild<QLineEdit*>("AcrossFile")->setText(QString::fromStdString(strFile));
    dlg.findChild<QLineEdit*>("AcrossFolder")->setText(dir.path());
    dlg.findChild<QLineEdit*>("AcrossPassphrase")->setText("river stones");
    dlg.findChild<QLineEdit*>("AcrossAgain")->setText("river stone");
    dlg.accept();
    EXPECT_EQ(messages, Strings{QString::fromUtf8(vmk::kStrPasswordsDiffer)});
    EXPECT_NE(dlg.result(), int(QDialog::Accepted));
    EXPECT_EQ(choice.m_pictures.size(), 3u);
    dlg.findChild<QLineEdit*>("AcrossAgain")->setText("river stones");
    dlg.accept();
    EXPECT_EQ(dlg.result(), int(QDialog::Accepted));
    EXPECT_EQ(choice.m_pictures, (std::vector<std::string>{"/p/a.png", "/p/b.png"}));
    EXPECT_EQ(choice.m_nNeeded, 2u);
    EXPECT_EQ(choice.m_strFile, strFile);
    EXPECT_EQ(choice.m_strPassphrase, "river stones");
}
