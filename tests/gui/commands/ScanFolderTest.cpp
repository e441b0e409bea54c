// Tools > Scan Folder as a real window (offscreen) on a folder of pictures written by the tests:
// one row per file with the files not read saying why, sorting by value, opening a row, and
// stopping or closing while pictures are being read.

#include "C_ScriptedPrompts.h"
#include "commands/C_ScanFolderDlg.h"
#include "commands/C_ScanResultsModel.h"
#include "tests/support/C_PngBytes.h"
#include "tests/support/C_TestPictures.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

// Failures show the texts.
void PrintTo(const QString& str, std::ostream* pOut)
{
    *pOut << '"' << str.toStdString() << '"';
}
void PrintTo(const QStringList& list, std::ostream* pOut)
{
    *pOut << '{' << list.join(", ").toStdString() << '}';
}

namespace {

namespace fs = std::filesystem;
using Col = C_ScanResultsModel::E_Column;

constexpr int kWait = 60000;  // ms; the sanitizer build is slow

// Six pictures of every kind and size class, one file that only looks like a picture, one that
// is no picture at all, and a picture in a subfolder.
class ScanFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        const fs::path dir = Dir();
        C_TestBytes::Write(dir / "noise.bmp", C_TestPictures::Make(E_TestPicture::Bmp24, 56, 56, 1));    // 9.2 KB
        C_TestBytes::Write(dir / "large.bmp", C_TestPictures::Make(E_TestPicture::Bmp24, 200, 200, 2));  // 117 KB
        C_TestBytes::Write(dir / "ramp.bmp", C_TestPictures::Bmp24Ramp(96, 64, 3));
        C_TestBytes::Write(dir / "palette.gif", C_TestPictures::Make(E_TestPicture::Gif, 40, 30, 4));
        C_TestBytes::Write(dir / "planes.PCX", C_TestPictures::Make(E_TestPicture::Pcx24, 48, 40, 5));
        C_TestBytes::Write(
            dir / "photo.png", C_PngBytes::Make(50, 20, 2, 8, false, C_TestBytes::Random(50 * 20 * 3, 6)));
        C_TestBytes::Write(dir / "broken.png", C_TestBytes::Random(300, 7));
        C_TestBytes::WriteText(dir / "notes.txt", "not a picture");
        fs::create_directory(dir / "sub");
        C_TestBytes::Write(dir / "sub" / "deep.bmp", C_TestPictures::Make(E_TestPicture::Bmp24, 20, 20, 8));
    }

    fs::path Dir() const { return fs::path(m_dir.path().toStdString()); }

    // Chooses the folder through Browse, as the user does, and starts the scan; true when it ends.
    bool Scan(C_ScanFolderDlg& dlg, bool bSubfolders = false)
    {
        m_prompts.m_folderAnswers.push_back(m_dir.path().toStdString());
        QTest::mouseClick(dlg.GetBrowseButton(), Qt::LeftButton);
        if (dlg.GetSubfoldersBox()->isChecked() != bSubfolders)
            QTest::keyClick(dlg.GetSubfoldersBox(), Qt::Key_Space);
        QSignalSpy finished(&dlg, &C_ScanFolderDlg::ScanFinished);
        QTest::mouseClick(dlg.GetStartButton(), Qt::LeftButton);
        return finished.wait(kWait);
    }

    void Show(QDialog& dlg) const
    {
        dlg.show();
        dlg.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }

    // The table's rows as shown, top to bottom: each row's item.
    static std::vector<const S_ScanItem*> Shown(const C_ScanFolderDlg& dlg)
    {
        const QAbstractItemModel* pView = dlg.GetTable()->model();
        std::vector<const S_ScanItem*> rows;
        for (int r = 0; r < pView->rowCount(); ++r) {
            const QString strPath = pView->index(r, 0).data(C_ScanResultsModel::PathRole).toString();
            for (int i = 0; i < dlg.GetResults()->rowCount(); ++i)
                if (QString::fromStdString(dlg.GetResults()->Item(i).strPath) == strPath)
                    rows.push_back(&dlg.GetResults()->Item(i));
        }
        return rows;
    }

    static QString Cell(const C_ScanFolderDlg& dlg, const QString& strFile, Col eColumn)
    {
        const QAbstractItemModel* pView = dlg.GetTable()->model();
        for (int r = 0; r < pView->rowCount(); ++r)
            if (pView->index(r, Col::ColFile).data().toString() == strFile)
                return pView->index(r, eColumn).data().toString();
        return QStringLiteral("<no row>");
    }

    // Many pictures, so that a scan on one thread is still running when the test acts.
    QString ManyPictures(int nCount)
    {
        const fs::path dir = Dir() / "many";
        fs::create_directory(dir);
        const T_Bytes picture = C_TestPictures::Make(E_TestPicture::Bmp24, 256, 256, 9);
        for (int i = 0; i < nCount; ++i)
            C_TestBytes::Write(dir / QStringLiteral("p%1.bmp").arg(100 + i).toStdString(), picture);
        return QString::fromStdString(dir.string());
    }

    QTemporaryDir m_dir;
    C_ScriptedPrompts m_prompts;
    QStringList m_opened;
};

TEST_F(ScanFolder, OneRowPerFileWithWhyAFileWasNotReadAndASummary)
{
    C_ScanFolderDlg dlg(m_prompts, [this](const QString& str) { m_opened << str; });
    Show(dlg);
    ASSERT_TRUE(Scan(dlg));
    EXPECT_EQ(m_prompts.m_folderShownWith.size(), 1u);
    EXPECT_EQ(dlg.GetFolderEdit()->text(), QDir::toNativeSeparators(m_dir.path()));

    // Every picture and the broken file; the text file and the subfolder are not visited.
    ASSERT_EQ(dlg.GetResults()->rowCount(), 7);
    EXPECT_EQ(Cell(dlg, "notes.txt", Col::ColFile), "<no row>");
    EXPECT_EQ(Cell(dlg, "sub/deep.bmp", Col::ColFile), "<no row>");
    EXPECT_EQ(Cell(dlg, "broken.png", Col::ColVerdict), "");
    EXPECT_EQ(Cell(dlg, "broken.png", Col::ColEstimate), "");
    EXPECT_FALSE(Cell(dlg, "broken.png", Col::ColError).isEmpty());
    EXPECT_EQ(Cell(dlg, "noise.bmp", Col::ColFormat), "BMP");
    EXPECT_EQ(Cell(dlg, "noise.bmp", Col::ColDimensions), "56 x 56");
    EXPECT_EQ(Cell(dlg, "palette.gif", Col::ColFormat), "GIF");
    EXPECT_EQ(Cell(dlg, "planes.PCX", Col::ColDimensions), "48 x 40");
    EXPECT_EQ(Cell(dlg, "photo.png", Col::ColError), "");
    // The estimate with three decimals, and the verdict the detection check gives it.
    for (const S_ScanItem* pItem : Shown(dlg)) {
        if (pItem->Failed())
            continue;
        const QString strFile = QString::fromStdString(fs::path(pItem->strPath).filename().string());
        SCOPED_TRACE(strFile.toStdString());
        EXPECT_EQ(Cell(dlg, strFile, Col::ColEstimate), QString::number(pItem->dLargest, 'f', 3));
        EXPECT_EQ(Cell(dlg, strFile, Col::ColVerdict), C_DetectionCheck::VerdictText(pItem->eVerdict));
    }

    // The progress reaches the end, and the summary counts every verdict and the file not read.
    EXPECT_EQ(dlg.GetProgress()->value(), 7);
    EXPECT_EQ(dlg.GetProgress()->maximum(), 7);
    const C_ScanResultsModel& results = *dlg.GetResults();
    EXPECT_EQ(
        results.CountOf(E_Verdict::Clean) + results.CountOf(E_Verdict::Possible) + results.CountOf(E_Verdict::Likely),
        6);
    const QString strSummary = dlg.GetStatusLabel()->text();
    EXPECT_TRUE(strSummary.startsWith("Finished: 7 files in ")) << strSummary.toStdString();
    EXPECT_TRUE(
        strSummary.contains(QStringLiteral("No sign of hidden data: %1").arg(results.CountOf(E_Verdict::Clean))))
        << strSummary.toStdString();
    EXPECT_TRUE(strSummary.contains("Not read: 1")) << strSummary.toStdString();
    EXPECT_TRUE(dlg.GetStartButton()->isEnabled());
    EXPECT_FALSE(dlg.GetStopButton()->isEnabled());

    // Again with the subfolders: the table starts afresh, the subfolder's picture by its path.
    ASSERT_TRUE(Scan(dlg, true));
    EXPECT_EQ(dlg.GetResults()->rowCount(), 8);
    EXPECT_EQ(Cell(dlg, QDir::toNativeSeparators("sub/deep.bmp"), Col::ColDimensions), "20 x 20");
    EXPECT_TRUE(m_opened.isEmpty());
    EXPECT_TRUE(m_prompts.m_faults.empty()) << m_prompts.Faults();
}

TEST_F(ScanFolder, ColumnsSortByValueNotByText)
{
    C_ScanFolderDlg dlg(m_prompts, {});
    Show(dlg);
    ASSERT_TRUE(Scan(dlg));
    QTableView* pTable = dlg.GetTable();
    const auto sortedBy = [&](Col eColumn, auto key) {
        pTable->sortByColumn(eColumn, Qt::AscendingOrder);
        std::vector<double> keys;
        for (const S_ScanItem* pItem : Shown(dlg))
            keys.push_back(key(*pItem));
        return keys;
    };
    // 9.2 KB before 117.2 KB, though "1" is before "9".
    const std::vector<double> sizes = sortedBy(Col::ColSize, [](const S_ScanItem& i) { return double(i.nFileBytes); });
    ASSERT_EQ(sizes.size(), 7u);
    EXPECT_TRUE(std::is_sorted(sizes.begin(), sizes.end()));
    // By pixel count: 96 x 64 before 200 x 200.
    const std::vector<double> pixels =
        sortedBy(Col::ColDimensions, [](const S_ScanItem& i) { return double(i.nWidth) * i.nHeight; });
    EXPECT_TRUE(std::is_sorted(pixels.begin(), pixels.end()));
    // The files not read first, then the estimates up.
    const std::vector<double> estimates =
        sortedBy(Col::ColEstimate, [](const S_ScanItem& i) { return i.Failed() ? -1.0 : i.dLargest; });
    EXPECT_TRUE(std::is_sorted(estimates.begin(), estimates.end()));
    EXPECT_EQ(estimates.front(), -1.0);
    // A click on the header turns the order round.
    QHeaderView* pHeader = pTable->horizontalHeader();
    QTest::mouseClick(pHeader->viewport(), Qt::LeftButton, {},
        QPoint(pHeader->sectionViewportPosition(Col::ColEstimate) + 5, pHeader->height() / 2));
    EXPECT_EQ(pHeader->sortIndicatorSection(), Col::ColEstimate);
    std::vector<double> down;
    for (const S_ScanItem* pItem : Shown(dlg))
        down.push_back(pItem->Failed() ? -1.0 : pItem->dLargest);
    EXPECT_TRUE(std::is_sorted(down.rbegin(), down.rend()));

    // Names as people read them: the numbers in them by value, letter case aside.
    const fs::path named = Dir() / "named";
    fs::create_directory(named);
    for (const char* pszName : {"shot10.bmp", "Shot3.bmp", "shot2.bmp"})
        C_TestBytes::Write(named / pszName, C_TestPictures::Make(E_TestPicture::Bmp24, 8, 8, 1));
    dlg.GetFolderEdit()->setText(QString::fromStdString(named.string()));
    QSignalSpy finished(&dlg, &C_ScanFolderDlg::ScanFinished);
    ASSERT_TRUE(dlg.StartScan());
    ASSERT_TRUE(finished.wait(kWait));
    pTable->sortByColumn(Col::ColFile, Qt::AscendingOrder);
    QStringList names;
    for (int r = 0; r < pTable->model()->rowCount(); ++r)
        names << pTable->model()->index(r, Col::ColFile).data().toString();
    EXPECT_EQ(names, (QStringList{"shot2.bmp", "Shot3.bmp", "shot10.bmp"}));
}

TEST_F(ScanFolder, DoubleClickOrEnterOpensTheRowsPictureAndEscapeCloses)
{
    C_ScanFolderDlg dlg(m_prompts, [this](const QString& str) { m_opened << str; });
    Show(dlg);
    ASSERT_TRUE(Scan(dlg));
    QTableView* pTable = dlg.GetTable();
    pTable->sortByColumn(Col::ColFile, Qt::AscendingOrder);
    const QAbstractItemModel* pView = pTable->model();
    int nLarge = -1;
    for (int r = 0; r < pView->rowCount(); ++r)
        if (pView->index(r, Col::ColFile).data().toString() == "large.bmp")
            nLarge = r;
    ASSERT_GE(nLarge, 0);
    const QString strLarge = QString::fromStdString((Dir() / "large.bmp").string());
    const QRect cell = pTable->visualRect(pView->index(nLarge, Col::ColVerdict));
    // A double click as the window system delivers it: a click, then the second press as a double click.
    QTest::mouseClick(pTable->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(pTable->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_EQ(m_opened, QStringList{strLarge});

    // Enter on the current row opens it and does not start the scan again.
    pTable->setFocus();
    pTable->setCurrentIndex(pView->index(0, 0));
    const QString strFirst = pView->index(0, 0).data(C_ScanResultsModel::PathRole).toString();
    QTest::keyClick(pTable, Qt::Key_Return);
    EXPECT_EQ(m_opened, (QStringList{strLarge, strFirst}));
    EXPECT_FALSE(dlg.IsScanning());
    EXPECT_EQ(dlg.GetResults()->rowCount(), 7);

    QTest::keyClick(pTable, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(ScanFolder, AFolderThatIsNotThereIsSaidSoAndTabGoesInReadingOrder)
{
    C_ScanFolderDlg dlg(m_prompts, {});
    Show(dlg);
    const std::vector<QWidget*> order = {dlg.GetFolderEdit(), dlg.GetBrowseButton(), dlg.GetSubfoldersBox(),
        dlg.GetStartButton(), dlg.GetStopButton(), dlg.GetTable(), dlg.GetCloseButton()};
    std::vector<QWidget*> chain;
    QWidget* p = dlg.GetFolderEdit();
    for (int i = 0; i < 64 && chain.size() < order.size(); ++i, p = p->nextInFocusChain())
        if (std::find(order.begin(), order.end(), p) != order.end())
            chain.push_back(p);
    EXPECT_EQ(chain, order);

    dlg.GetFolderEdit()->setText(m_dir.path() + "/gone");
    QTest::mouseClick(dlg.GetStartButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg.IsScanning());
    EXPECT_TRUE(dlg.GetStatusLabel()->text().startsWith("There is no folder "))
        << dlg.GetStatusLabel()->text().toStdString();
    EXPECT_EQ(dlg.GetResults()->rowCount(), 0);
}

TEST_F(ScanFolder, StopKeepsWhatWasReadAndReadsNoMore)
{
    const QString strMany = ManyPictures(60);
    C_ScanFolderDlg dlg(m_prompts, {});
    dlg.SetWorkerCount(1);
    Show(dlg);
    dlg.GetFolderEdit()->setText(strMany);
    // Stop as soon as the first result shows.
    QObject::connect(dlg.GetResults(), &QAbstractItemModel::rowsInserted, &dlg, [&] {
        if (dlg.GetStopButton()->isEnabled())
            QTest::mouseClick(dlg.GetStopButton(), Qt::LeftButton);
    });
    QSignalSpy finished(&dlg, &C_ScanFolderDlg::ScanFinished);
    QTest::mouseClick(dlg.GetStartButton(), Qt::LeftButton);
    ASSERT_TRUE(finished.wait(kWait));
    const int nRows = dlg.GetResults()->rowCount();
    EXPECT_GE(nRows, 1);
    EXPECT_LT(nRows, 30);
    EXPECT_EQ(dlg.GetProgress()->value(), nRows);
    EXPECT_TRUE(dlg.GetStatusLabel()->text().startsWith(QStringLiteral("Stopped: %1 of 60 files").arg(nRows)))
        << dlg.GetStatusLabel()->text().toStdString();
    EXPECT_TRUE(dlg.GetStartButton()->isEnabled());
    QTest::qWait(100);  // nothing comes after the end
    EXPECT_EQ(dlg.GetResults()->rowCount(), nRows);
}

// The window goes while the workers hold pictures and results are on their way to it: at the
// first result, before any (while the files are being found), and through its close box.
TEST_F(ScanFolder, TheWindowCanGoInTheMiddleOfAScan)
{
    const QString strMany = ManyPictures(60);
    for (int nCase = 0; nCase < 3; ++nCase) {
        SCOPED_TRACE(nCase);
        QPointer<C_ScanFolderDlg> pDlg = new C_ScanFolderDlg(m_prompts, {});
        pDlg->setAttribute(Qt::WA_DeleteOnClose);
        Show(*pDlg);
        pDlg->GetFolderEdit()->setText(strMany);
        ASSERT_TRUE(pDlg->StartScan());
        if (nCase == 0) {
            delete pDlg.data();
        } else if (nCase == 1) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return pDlg->GetResults()->rowCount() > 0; }, kWait));
            delete pDlg.data();
        } else {
            ASSERT_TRUE(QTest::qWaitFor([&] { return pDlg->GetResults()->rowCount() > 0; }, kWait));
            pDlg->close();
            ASSERT_TRUE(QTest::qWaitFor([&] { return pDlg.isNull(); }, kWait));
        }
        // What was on its way arrives nowhere.
        QTest::qWait(50);
        EXPECT_TRUE(pDlg.isNull());
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
