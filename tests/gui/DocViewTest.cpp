// The picture document and its view: first update sizing, title, drawing, gray scale, saving.

#include "model/C_Carrier.h"
#include "model/pictures/BTCImageData.h"
#include "model/pictures/BTCImageObject.h"
#include "model/pictures/png/C_PngDocument.h"
#include "model/vmk_texts.h"
#include "res/vmk_ids.h"
#include "shell/C_ChildFrame.h"
#include "shell/C_MainFrame.h"
#include "shell/C_vmkApp.h"
#include "shell/C_vmkDoc.h"
#include "shell/C_vmkView.h"
#include "tests/gui/C_GuiTestSupport.h"
#include "tests/support/C_ImageBytes.h"
#include "tests/support/C_PngBytes.h"
#include "tests/support/C_TestBytes.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A picture whose every pixel says where it is: red = x, green = y (mod 256), blue fixed.
QColor Coded(int x, int y)
{
    return QColor(x % 256, y % 256, 77);
}

// A picture with texture everywhere, as a photograph has: a sealed record goes only where
// changes hide, and a coded picture's exact ramps hide none.
QColor Textured(int x, int y)
{
    uint32_t h = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return QColor(int(h & 255), int(h >> 8 & 255), int(h >> 16 & 255));
}

// An 8-bit RLE BMP whose data is only its end mark: a few bytes that decode to w x h bytes.
QByteArray EarlyEndRle8(int w, int h)
{
    QByteArray b;
    auto put = [&b](uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            b.append(char((v >> (8 * i)) & 0xFF));
    };
    b.append("BM");
    put(14 + 40 + 8 + 2, 4);
    put(0, 4);
    put(14 + 40 + 8, 4);
    for (uint32_t v : {40u, uint32_t(w), uint32_t(h)})
        put(v, 4);
    put(1, 2);
    put(8, 2);
    for (uint32_t v : {1u, 2u, 2835u, 2835u, 2u, 0u})
        put(v, 4);  // BI_RLE8, two colours
    put(0x000000, 4);
    put(0xFFFFFF, 4);
    b.append('\0').append('\1');  // end of bitmap
    return b;
}

// Two pixels of picture data as the PNG decoder leaves them; a palette picture gets three
// colours, of which tRNS makes the second transparent.
void SetPng(BTCImageData& data, int nColourType, int nDepth, std::vector<uint8_t> aRow)
{
    data.m_pDocument = std::make_unique<C_PngDocument>();
    C_PngDocument::Of(data)->m_nColourType = nColourType;
    C_PngDocument::Of(data)->m_nBitDepth = nDepth;
    data.m_nWidth = 2, data.m_nHeight = 1;
    data.m_nBitsPerPixel = C_PngDocument::Of(data)->BitsPerPixel();
    data.m_nStride = uint32_t(aRow.size());
    data.m_eSourceFormat = E_ImageFormat::Png;
    data.m_aBits = std::move(aRow);
    if (nColourType == C_PngDocument::kPalette) {
        data.m_aPalette = {S_Rgb{200, 0, 0}, S_Rgb{0, 200, 0}, S_Rgb{0, 0, 200}};
        C_PngDocument::Of(data)->m_aChunks.push_back(
            S_PngChunk{{'t', 'R', 'N', 'S'}, E_PngPlace::BeforeData, {255, 0}});
    }
}

// An 8-bit RGB PNG of Coded() pixels.
std::vector<uint8_t> CodedPng(int w, int h)
{
    std::vector<uint8_t> rows;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int n : {Coded(x, y).red(), Coded(x, y).green(), Coded(x, y).blue()})
                rows.push_back(uint8_t(n));
    return C_PngBytes::Make(uint32_t(w), uint32_t(h), C_PngDocument::kRgb, 8, false, rows);
}

}  // namespace

class DocViewTest : public QObject {
    Q_OBJECT

    C_ScriptedPrompts m_prompts;
    QTemporaryDir m_dir;

    C_vmkApp* App() { return C_vmkApp::Instance(); }
    C_MainFrame* Frame() { return App()->GetMainFrame(); }

    // Opens a w x h coded picture into a window whose view client area is `client`.
    C_vmkView* OpenCoded(const QString& strName, int w, int h, QSize client, bool bTopDown = false)
    {
        const QString strPath = m_dir.filePath(strName);
        if (!WriteBmp24(strPath, w, h, Coded, bTopDown))
            return nullptr;
        return OpenPath(strPath, client);
    }

    C_vmkView* OpenTextured(const QString& strName, int w, int h, QSize client)
    {
        const QString strPath = m_dir.filePath(strName);
        if (!WriteBmp24(strPath, w, h, Textured, false))
            return nullptr;
        return OpenPath(strPath, client);
    }

    // Opens the picture file at strPath into a window whose view client area is `client`.
    C_vmkView* OpenPath(const QString& strPath, QSize client)
    {
        Frame()->SetNewChildClientSize(client);
        C_vmkDoc* pDoc = App()->OpenDocumentFile(strPath);
        if (!pDoc)
            return nullptr;
        C_vmkView* pView = FrameOf(pDoc)->GetView();
        if (!QTest::qWaitForWindowExposed(FrameOf(pDoc)))
            return nullptr;
        QCoreApplication::processEvents();  // scroll bars show or hide through queued calls
        return pView;
    }

    static QImage Shot(C_vmkView* pView)
    {
        return pView->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

private slots:
    void init() { QVERIFY(StartWithLargeFrame(m_prompts)); }
    void cleanup()
    {
        const std::string strFaults = CloseEverything(m_prompts);
        QVERIFY2(strFaults.empty(), strFaults.c_str());
    }

    // Layouts no Qt format stores are converted through the picture layer's reader: 4-bit
    // indices, and 16 or 32 bits with masks of their own. Rows stay in stored order.
    void picturesWithoutAQtFormatAreConverted()
    {
        BTCImageData four;
        four.m_nWidth = 3, four.m_nHeight = 1, four.m_nBitsPerPixel = 4, four.m_nStride = 4;
        four.m_aBits = {0x12, 0x30, 0, 0};
        four.m_aPalette = {S_Rgb{0, 0, 0}, S_Rgb{255, 0, 0}, S_Rgb{0, 255, 0}, S_Rgb{0, 0, 255}};
        bool bFlip = false;
        QImage img = C_vmkView::WrapPicture(four, bFlip);
        QCOMPARE(QColor(img.pixel(0, 0)), QColor(255, 0, 0));
        QCOMPARE(QColor(img.pixel(1, 0)), QColor(0, 255, 0));
        QCOMPARE(QColor(img.pixel(2, 0)), QColor(0, 0, 255));

        BTCImageData swapped;  // 32 bits, red in the lowest byte
        swapped.m_nWidth = 2, swapped.m_nHeight = 2, swapped.m_nBitsPerPixel = 32, swapped.m_nStride = 8;
        swapped.m_bBottomUp = true;
        swapped.m_aMasks[0] = 0x000000FF, swapped.m_aMasks[1] = 0x0000FF00, swapped.m_aMasks[2] = 0x00FF0000;
        swapped.m_aBits = {255, 0, 0, 0, 0, 255, 0, 0, 0, 0, 255, 0, 10, 20, 30, 0};
        img = C_vmkView::WrapPicture(swapped, bFlip);
        QVERIFY(bFlip);
        QCOMPARE(QColor(img.pixel(0, 0)), QColor(255, 0, 0));
        QCOMPARE(QColor(img.pixel(1, 0)), QColor(0, 255, 0));
        QCOMPARE(QColor(img.pixel(0, 1)), QColor(0, 0, 255));
        QCOMPARE(QColor(img.pixel(1, 1)), QColor(10, 20, 30));
    }

    // A PNG's depth does not tell its layout: RGB order, gray levels without a palette, 16-bit
    // samples, alpha and tRNS are its own. The common layouts are drawn from the picture's bytes.
    void pngLayoutsDrawnInTheirColours()
    {
        struct S_Case {
            int nType, nDepth;
            std::vector<uint8_t> aRow;  // two pixels
            QRgb first, second;
            bool bShared;  // drawn without a copy
        };
        const S_Case aCases[] = {
            {C_PngDocument::kRgb, 8, {255, 0, 0, 10, 20, 30}, qRgb(255, 0, 0), qRgb(10, 20, 30), true},
            {C_PngDocument::kRgbAlpha, 8, {255, 0, 0, 255, 0, 0, 255, 0}, qRgb(255, 0, 0), qRgba(0, 0, 255, 0), true},
            {C_PngDocument::kGray, 8, {0, 200}, qRgb(0, 0, 0), qRgb(200, 200, 200), true},
            {C_PngDocument::kGray, 1, {0x40}, qRgb(0, 0, 0), qRgb(255, 255, 255), true},
            {C_PngDocument::kGray, 4, {0x3F}, qRgb(51, 51, 51), qRgb(255, 255, 255), false},
            {C_PngDocument::kGray, 16, {0x12, 0x34, 0xAB, 0xCD}, qRgb(18, 18, 18), qRgb(171, 171, 171), false},
            {C_PngDocument::kGrayAlpha, 8, {100, 255, 50, 0}, qRgb(100, 100, 100), qRgba(50, 50, 50, 0), false},
            {C_PngDocument::kRgb, 16, {255, 0, 128, 0, 0, 9, 1, 0, 2, 0, 3, 0}, qRgb(255, 128, 0), qRgb(1, 2, 3),
                false},
            // Indices 1 and 3: tRNS hides entry 1; 3, past the palette where a hide moved a 2,
            // shows entry 2 as a save will write it.
            {C_PngDocument::kPalette, 2, {0x70}, qRgba(0, 200, 0, 0), qRgb(0, 0, 200), false},
        };
        for (const S_Case& c : aCases) {
            BTCImageData data;
            SetPng(data, c.nType, c.nDepth, c.aRow);
            bool bFlip = true;
            const QImage img = C_vmkView::WrapPicture(data, bFlip);
            const QByteArray strCase = QString("type %1, depth %2: %3 %4")
                                           .arg(c.nType)
                                           .arg(c.nDepth)
                                           .arg(img.pixel(0, 0), 8, 16, QChar(u'0'))
                                           .arg(img.pixel(1, 0), 8, 16, QChar(u'0'))
                                           .toUtf8();
            QVERIFY2(img.pixel(0, 0) == c.first && img.pixel(1, 0) == c.second && !bFlip, strCase.constData());
            QVERIFY2((img.constBits() == data.GetBits()) == c.bShared, strCase.constData());
            data.m_nStride = 0;  // fields that do not describe the buffer draw nothing
            QVERIFY2(C_vmkView::WrapPicture(data, bFlip).isNull(), strCase.constData());
        }
    }

    // A GIF's transparent index is drawn in its own colour, as the view always drew it: only
    // alpha and a palette entry's or gray level's transparency let the white show through.
    void gifTransparentIndexDrawnInItsColour()
    {
        S_GifLayout layout;
        layout.nScreenWidth = 2;
        layout.aGlobalPalette = {S_Rgb{200, 0, 0}, S_Rgb{0, 200, 0}};
        S_GifRecord control;
        control.nLabel = 0xF9;
        control.aBlocks = {{0x01, 0, 0, 1}};  // index 1 transparent
        S_GifRecord image;
        image.bImage = true;
        image.nWidth = 2, image.nHeight = 1;
        image.aPixels = {0, 1};
        layout.aRecords = {control, image};
        BTCImageObject obj;
        QVERIFY(obj.LoadFromMemory(C_ImageBytes::Gif(layout)));
        QCOMPARE(obj.GetObjectDataPtr()->Layout().nTransparentIndex, 1);
        bool bFlip = true;
        const QImage img = C_vmkView::WrapPicture(*obj.GetObjectDataPtr(), bFlip);
        QCOMPARE(img.pixel(0, 0), qRgb(200, 0, 0));
        QCOMPARE(img.pixel(1, 0), qRgb(0, 200, 0));
    }

    void smallPictureShrinksWindow()
    {
        C_vmkView* pView = OpenCoded("small.bmp", 200, 100, QSize(600, 400));
        QVERIFY(pView);
        QCOMPARE(pView->viewport()->size(), QSize(200, 100));
        QVERIFY(!pView->horizontalScrollBar()->isVisible());
        QVERIFY(!pView->verticalScrollBar()->isVisible());
    }

    void largePictureKeepsWindowAndScrolls()
    {
        C_vmkView* pView = OpenCoded("large.bmp", 2000, 1500, QSize(600, 400));
        QVERIFY(pView);
        const QSize frameBefore = FrameOf(pView->GetDocument())->size();
        QVERIFY(pView->horizontalScrollBar()->isVisible());
        QVERIFY(pView->verticalScrollBar()->isVisible());
        QCOMPARE(FrameOf(pView->GetDocument())->size(), frameBefore);
        const QSize vp = pView->viewport()->size();
        QCOMPARE(pView->horizontalScrollBar()->maximum(), 2000 - vp.width());
        QCOMPARE(pView->verticalScrollBar()->maximum(), 1500 - vp.height());
        // Drawn from the top-left corner...
        QImage img = Shot(pView);
        QCOMPARE(QColor(img.pixel(0, 0)), Coded(0, 0));
        QCOMPARE(QColor(img.pixel(10, 20)), Coded(10, 20));
        // ...and the scroll bars move it.
        pView->horizontalScrollBar()->setValue(300);
        pView->verticalScrollBar()->setValue(50);
        img = Shot(pView);
        QCOMPARE(QColor(img.pixel(0, 0)), Coded(300, 50));
        QCOMPARE(QColor(img.pixel(7, 3)), Coded(307, 53));
    }

    void widerButLowerShrinksOnlyHeight()
    {
        C_vmkView* pView = OpenCoded("wide.bmp", 900, 100, QSize(600, 400));
        QVERIFY(pView);
        QCOMPARE(pView->viewport()->width(), 600);
        QCOMPARE(pView->viewport()->height(), 100);  // with room left for the horizontal bar
        QVERIFY(pView->horizontalScrollBar()->isVisible());
        QVERIFY(!pView->verticalScrollBar()->isVisible());
        QCOMPARE(pView->horizontalScrollBar()->maximum(), 300);
    }

    void titleNamesSizeAndDepth()
    {
        C_vmkView* pView = OpenCoded("photo.bmp", 640, 480, QSize(300, 200));
        QVERIFY(pView);
        QCOMPARE(pView->GetDocument()->GetTitle(), QString("Carrier - photo.bmp [640x480x24 bits]"));
        // "[*]" is Qt's place for the changed mark, shown only while the picture is changed.
        QCOMPARE(FrameOf(pView->GetDocument())->windowTitle(), QString("Carrier - photo.bmp [640x480x24 bits][*]"));
        QCOMPARE(Frame()->windowTitle(), QString("Veilmark - Carrier - photo.bmp [640x480x24 bits][*]"));
        QVERIFY(!FrameOf(pView->GetDocument())->isWindowModified());
        QCOMPARE(QDir::currentPath(), QDir(m_dir.path()).canonicalPath());
    }

    void drawnCentredOnWhiteOddPixelRightAndBottom()
    {
        C_vmkView* pView = OpenCoded("centre.bmp", 200, 100, QSize(600, 400));
        QVERIFY(pView);
        // The user enlarges the window again: client 401 x 201 leaves margins of 201 and 101.
        C_ChildFrame* pFrame = FrameOf(pView->GetDocument());
        pFrame->resize(pFrame->size() + QSize(401 - pView->viewport()->width(), 201 - pView->viewport()->height()));
        QTRY_COMPARE(pView->viewport()->size(), QSize(401, 201));
        const QImage img = Shot(pView);
        const QColor white(Qt::white);
        // Left and top margins take the smaller half: 100 and 50.
        QCOMPARE(QColor(img.pixel(99, 50)), white);
        QCOMPARE(QColor(img.pixel(100, 50)), Coded(0, 0));
        QCOMPARE(QColor(img.pixel(100, 49)), white);
        QCOMPARE(QColor(img.pixel(299, 149)), Coded(199, 99));
        QCOMPARE(QColor(img.pixel(300, 149)), white);  // right margin 101
        QCOMPARE(QColor(img.pixel(299, 150)), white);  // bottom margin 51
        QCOMPARE(QColor(img.pixel(400, 200)), white);
        QCOMPARE(QColor(img.pixel(150, 77)), Coded(50, 27));
    }

    void topDownPictureDrawnUpright()
    {
        C_vmkView* pView = OpenCoded("topdown.bmp", 50, 40, QSize(50, 40), true);
        QVERIFY(pView);
        const QImage img = Shot(pView);
        QCOMPARE(QColor(img.pixel(0, 0)), Coded(0, 0));
        QCOMPARE(QColor(img.pixel(49, 39)), Coded(49, 39));
        QCOMPARE(QColor(img.pixel(3, 30)), Coded(3, 30));
    }

    void palettePictureDrawnWithItsColours()
    {
        const QString strPath = m_dir.filePath("pal.bmp");
        const QList<QColor> palette = {QColor(255, 0, 0), QColor(0, 0, 255), QColor(0, 160, 0)};
        QVERIFY(WriteBmp8(strPath, 30, 20, palette, [](int x, int y) { return y < 10 ? (x < 15 ? 0 : 1) : 2; }));
        Frame()->SetNewChildClientSize(QSize(30, 20));
        C_vmkDoc* pDoc = App()->OpenDocumentFile(strPath);
        QVERIFY(pDoc);
        C_vmkView* pView = FrameOf(pDoc)->GetView();
        QVERIFY(QTest::qWaitForWindowExposed(FrameOf(pDoc)));
        QCOMPARE(pDoc->GetTitle(), QString("Carrier - pal.bmp [30x20x8 bits]"));
        const QImage img = Shot(pView);
        QCOMPARE(QColor(img.pixel(2, 2)), palette[0]);
        QCOMPARE(QColor(img.pixel(20, 2)), palette[1]);
        QCOMPARE(QColor(img.pixel(5, 15)), palette[2]);
    }

    void grayScaleRedrawsKeepsTitle()
    {
        C_vmkView* pView = OpenCoded("gray.bmp", 64, 32, QSize(64, 32));
        QVERIFY(pView);
        const QString strTitle = pView->GetDocument()->GetTitle();
        QColor before(Shot(pView).pixel(40, 20));
        QVERIFY(before.red() != before.green());
        Frame()->GetAction(ID_TOOLS_GRAYSCALE)->trigger();
        QTRY_VERIFY([&] {
            const QColor c(Shot(pView).pixel(40, 20));
            return c.red() == c.green() && c.green() == c.blue();
        }());
        const QColor after(Shot(pView).pixel(40, 20));
        // Y = (299 R + 587 G + 114 B + 500) / 1000 of the pixel (40, 20, 77).
        QCOMPARE(after.red(), (299 * 40 + 587 * 20 + 114 * 77 + 500) / 1000);
        QCOMPARE(pView->GetDocument()->GetTitle(), strTitle);  // still says 24 bits
    }

    void saveAsCancelledChangesNothing()
    {
        C_vmkView* pView = OpenCoded("keep.bmp", 20, 20, QSize(20, 20));
        QVERIFY(pView);
        m_prompts.m_saveAnswers = {""};
        Frame()->GetAction(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(int(m_prompts.m_saveArgs.size()), 1);
        QVERIFY(m_prompts.m_messages.empty());
        QCOMPARE(QString::fromStdString(m_prompts.m_saveArgs.back().m_strFilter),
            QString("All Supported Types(*.bmp, *.gif, *.pcx, *.png, *.jpg)|*.bmp;*.gif;*.pcx;*.png;*.jpg;*.jpeg|"
                    "Windows Bitmap(*.bmp)|*.bmp|Compuserve Graphics Interchange Format(*.gif)|*.gif|"
                    "ZSoft PC Paint Brush(*.pcx)|*.pcx|Portable Network Graphics(*.png)|*.png|"
                    "JPEG(*.jpg, *.jpeg)|*.jpg;*.jpeg|"));
    }

    void saveAsWritesAndKeepsName()
    {
        C_vmkView* pView = OpenCoded("orig.bmp", 20, 20, QSize(20, 20));
        QVERIFY(pView);
        const QString strOut = m_dir.filePath("copy.pcx");
        m_prompts.m_saveAnswers = {strOut.toStdString()};
        Frame()->GetAction(ID_FILE_SAVE_AS)->trigger();
        QVERIFY(m_prompts.m_messages.empty());
        QVERIFY(QFile::exists(strOut));
        C_Carrier reread;
        QVERIFY(reread.OpenImage(strOut.toStdString()));
        QCOMPARE(reread.GetObjectDataPtr()->GetWidth(), 20);
        // Name, title and recent files stay those of the opened picture.
        QCOMPARE(pView->GetDocument()->GetPathName(), m_dir.filePath("orig.bmp"));
        QCOMPARE(pView->GetDocument()->GetTitle(), QString("Carrier - orig.bmp [20x20x24 bits]"));
        QCOMPARE(App()->GetRecentFiles().GetEntries().first(), m_dir.filePath("orig.bmp"));
    }

    void failedSaveKeepsPictureDrawn()
    {
        C_vmkView* pView = OpenCoded("precious.bmp", 30, 30, QSize(30, 30));
        QVERIFY(pView);
        const QImage before = Shot(pView);
        const QString strFolder = m_dir.filePath("no/such/folder/x.bmp");
        m_prompts.m_saveAnswers = {m_dir.filePath("typo.bmq").toStdString(), strFolder.toStdString(),
            m_dir.filePath("photo.jpe").toStdString()};
        for (int i = 0; i < 3; ++i)
            Frame()->GetAction(ID_FILE_SAVE_AS)->trigger();
        // The box names the file and says why, below its classic text.
        const QStringList messages = Texts(m_prompts.m_messages);
        QCOMPARE(messages.size(), 3);
        QCOMPARE(messages[0],
            "Error Saving Image!\n" + m_dir.filePath("typo.bmq")
                + ": The output name must end in bmp, gif, pcx, png, jpg or jpeg, which chooses the picture format");
        QVERIFY2(messages[1].startsWith("Error Saving Image!\n" + strFolder + ": ")
                && messages[1].endsWith("No such file or directory"),
            qPrintable(messages[1]));
        QCOMPARE(messages[2],
            "Error Saving Image!\n" + m_dir.filePath("photo.jpe")
                + ": The output name must end in bmp, gif, pcx, png, jpg or jpeg, which chooses the picture format");
        QVERIFY(pView->GetDocument()->HasPicture());
        pView->viewport()->repaint();
        QCOMPARE(Shot(pView), before);
        // The picture is still there to be saved properly.
        const QString strGood = m_dir.filePath("precious2.bmp");
        m_prompts.m_saveAnswers = {strGood.toStdString()};
        Frame()->GetAction(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(int(m_prompts.m_messages.size()), 3);
        QVERIFY(QFile::exists(strGood));
    }

    void unreadableFileOpensNothing()
    {
        const QString strPath = m_dir.filePath("junk.bmp");
        QFile f(strPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("BM this is not a picture");
        f.close();
        QVERIFY(!App()->OpenDocumentFile(strPath));
        // A cut JPEG, a malformed picture and a missing file each say why, as the command-line tool does.
        const QString strJpeg = m_dir.filePath("photo.jpg");
        QFile jpeg(strJpeg);
        QVERIFY(jpeg.open(QIODevice::WriteOnly));
        jpeg.write("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11);
        jpeg.close();
        QVERIFY(!App()->OpenDocumentFile(strJpeg));
        QVERIFY(!App()->OpenDocumentFile(m_dir.filePath("missing.png")));
        QCOMPARE(Texts(m_prompts.m_messages),
            QStringList({"Error Opening Image!\n" + strPath + ": BMP: malformed header: header size 1881170208",
                "Error Opening Image!\n" + strJpeg + ": JPEG: JPEG decoding failed: Premature end of JPEG file",
                "Error Opening Image!\n" + m_dir.filePath("missing.png")
                    + ": cannot read file: No such file or directory"}));
        QVERIFY(Frame()->GetChildFrames().isEmpty());
        QCOMPARE(Frame()->GetMenuId(), IDR_MAINFRAME);
        QVERIFY(!App()->GetRecentFiles().GetEntries().contains(strPath));
    }

    // A save that converts away transparency asks with what it loses; No writes nothing, a save
    // in the picture's own format asks nothing.
    void savesThatLosePartOfThePictureAskFirst()
    {
        const QString strPath = m_dir.filePath("glass.png");
        C_TestBytes::Write(strPath.toStdString(),
            C_PngBytes::Make(2, 1, C_PngDocument::kRgbAlpha, 8, false, {9, 9, 9, 255, 9, 9, 9, 0}));
        QVERIFY(OpenPath(strPath, QSize(20, 20)));
        m_prompts.m_saveAnswers = {m_dir.filePath("glass.bmp").toStdString(), m_dir.filePath("copy.png").toStdString()};
        m_prompts.m_yesNoAnswers = {false};
        Frame()->GetAction(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(Texts(m_prompts.m_questions),
            QStringList({"Saving as BMP loses:\ntransparency: transparent pixels become opaque\nSave anyway?"}));
        QVERIFY(!QFile::exists(m_dir.filePath("glass.bmp")));
        Frame()->GetAction(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(int(m_prompts.m_questions.size()), 1);
        QVERIFY(QFile::exists(m_dir.filePath("copy.png")));
    }

    // A message hidden in this session is kept on the document: a save in another format asks
    // first, and every save is read back; a save that lost the message says so.
    void savesOfAHiddenMessageAreCheckedByReadingBack()
    {
        C_vmkView* pView = OpenCoded("cover.bmp", 64, 64, QSize(64, 64));
        QVERIFY(pView);
        C_vmkDoc* pDoc = pView->GetDocument();
        QFile payload(m_dir.filePath("secret.txt"));
        QVERIFY(payload.open(QIODevice::WriteOnly));
        payload.write("meet at noon");
        payload.close();
        m_prompts.m_openAnswers = {payload.fileName().toStdString()};
        m_prompts.Password("gate");
        Frame()->GetAction(ID_ACTIONS_HIDE)->trigger();
        QCOMPARE(int(m_prompts.m_hidden.size()), 1);
        QVERIFY(pDoc->GetHiddenRecord());
        QCOMPARE(pDoc->GetHiddenRecord()->m_strName, std::string("secret.txt"));
        QCOMPARE(pDoc->GetHiddenRecord()->m_strPassword, std::string("gate"));
        QVERIFY(pDoc->IsModified());
        QVERIFY(FrameOf(pDoc)->isWindowModified());
        QVERIFY(Frame()->isWindowModified());

        // Another format: asked first; No writes nothing.
        const QString strGif = m_dir.filePath("lossy.gif");
        m_prompts.m_saveAnswers = {strGif.toStdString(), strGif.toStdString()};
        m_prompts.m_yesNoAnswers = {false, true, true};
        Frame()->GetAction(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(Texts(m_prompts.m_questions),
            QStringList({"The hidden message will not survive saving as GIF. Save anyway?"}));
        QVERIFY(!QFile::exists(strGif));
        // Yes, and yes to the colours GIF loses, writes it, and reading it back tells that the
        // message is not in it.
        Frame()->GetAction(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(Texts(m_prompts.m_questions).last(), "Saving as GIF loses:\ncolours: reduced to 256\nSave anyway?");
        QVERIFY(QFile::exists(strGif));
        QCOMPARE(int(m_prompts.m_messages.size()), 1);
        QVERIFY(QString::fromStdString(m_prompts.m_messages[0])
                    .startsWith("The picture was saved, but the hidden message could not be read back"));
        QVERIFY(pDoc->IsModified());

        // The same format: no question, the message comes back, the mark goes.
        m_prompts.m_saveAnswers = {m_dir.filePath("kept.bmp").toStdString()};
        Frame()->GetAction(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(int(m_prompts.m_questions.size()), 3);
        QCOMPARE(int(m_prompts.m_messages.size()), 1);
        QVERIFY(!pDoc->IsModified());
        QVERIFY(!Frame()->isWindowModified());
        QCOMPARE(QString::fromStdString(m_prompts.m_saveArgs.back().m_strDefaultExt),
            QString("bmp"));  // a name without extension keeps BMP

        // A gray-scale conversion overwrites the message's bits: that save is caught too.
        Frame()->GetAction(ID_TOOLS_GRAYSCALE)->trigger();
        QVERIFY(pDoc->IsModified());
        m_prompts.m_saveAnswers = {m_dir.filePath("gray.bmp").toStdString()};
        Frame()->GetAction(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(int(m_prompts.m_messages.size()), 2);
        QVERIFY(pDoc->IsModified());
    }

    // A PNG opens in its colours, carries a message through a save as PNG and a reopen, and
    // turns gray; a gray PNG shows its levels.
    void pngOpensKeepsAHiddenMessageAndTurnsGray()
    {
        std::vector<uint8_t> grayRows;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                grayRows.push_back(uint8_t(x * 5 + y));
        const QString strGray = m_dir.filePath("levels.png");
        C_TestBytes::Write(strGray.toStdString(), C_PngBytes::Make(40, 30, C_PngDocument::kGray, 8, false, grayRows));
        C_vmkView* pGray = OpenPath(strGray, QSize(40, 30));
        QVERIFY(pGray);
        QCOMPARE(pGray->GetDocument()->GetTitle(), QString("Carrier - levels.png [40x30x8 bits]"));
        QImage img = Shot(pGray);
        for (const QPoint pt : {QPoint(0, 0), QPoint(39, 29), QPoint(20, 7)})
            QCOMPARE(QColor(img.pixel(pt)), QColor(pt.x() * 5 + pt.y(), pt.x() * 5 + pt.y(), pt.x() * 5 + pt.y()));

        const QString strPhoto = m_dir.filePath("photo.png");
        C_TestBytes::Write(strPhoto.toStdString(), CodedPng(64, 48));
        C_vmkView* pView = OpenPath(strPhoto, QSize(64, 48));
        QVERIFY(pView);
        C_vmkDoc* pDoc = pView->GetDocument();
        QCOMPARE(pDoc->GetTitle(), QString("Carrier - photo.png [64x48x24 bits]"));
        img = Shot(pView);
        for (const QPoint pt : {QPoint(0, 0), QPoint(63, 47), QPoint(40, 20)})
            QCOMPARE(QColor(img.pixel(pt)), Coded(pt.x(), pt.y()));

        // Saved as PNG: no question, the read-back finds the message, the changed mark goes.
        const QString strPayload = m_dir.filePath("plan.txt");
        C_TestBytes::WriteText(strPayload.toStdString(), "north gate");
        m_prompts.m_openAnswers = {strPayload.toStdString()};
        m_prompts.Password("heron");
        Frame()->GetAction(ID_ACTIONS_HIDE)->trigger();
        const QString strKept = m_dir.filePath("kept.png");
        m_prompts.m_saveAnswers = {strKept.toStdString()};
        Frame()->GetAction(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(QString::fromStdString(m_prompts.m_saveArgs.back().m_strDefaultExt), QString("png"));
        QVERIFY(m_prompts.m_questions.empty());
        QVERIFY(m_prompts.m_messages.empty());
        QVERIFY(!pDoc->IsModified());

        C_vmkView* pKept = OpenPath(strKept, QSize(64, 48));
        QVERIFY(pKept);
        m_prompts.Password("heron");
        m_prompts.m_foundAnswers = {false};
        Frame()->GetAction(ID_ACTIONS_REVEAL)->trigger();
        QCOMPARE(m_prompts.m_found, (std::vector<std::pair<std::string, uint32_t>>{{"plan.txt", 10}}));

        // Gray scale shows each pixel's luma.
        const QColor c(Shot(pKept).pixel(40, 20));
        const int nLuma = (299 * c.red() + 587 * c.green() + 114 * c.blue() + 500) / 1000;
        Frame()->GetAction(ID_TOOLS_GRAYSCALE)->trigger();
        QTRY_COMPARE(QColor(Shot(pKept).pixel(40, 20)), QColor(nLuma, nLuma, nLuma));

        // An animated colour PNG is left as it is, and the user learns why.
        std::vector<S_RawChunk> chunks = C_PngBytes::Chunks(CodedPng(64, 48));
        chunks.insert(chunks.begin() + 1, C_PngBytes::Chunk("acTL", std::string("\0\0\0\1\0\0\0\0", 8)));
        const QString strAnimated = m_dir.filePath("animated.png");
        C_TestBytes::Write(strAnimated.toStdString(), C_PngBytes::Join(chunks));
        C_vmkView* pAnimated = OpenPath(strAnimated, QSize(64, 48));
        QVERIFY(pAnimated);
        m_prompts.m_messages.clear();
        Frame()->GetAction(ID_TOOLS_GRAYSCALE)->trigger();
        QCOMPARE(Texts(m_prompts.m_messages), QStringList({vmk::kStrGrayAnimated}));
        QVERIFY(!pAnimated->GetDocument()->IsModified());
    }

    // A sealed message goes through the save's read-back and a reopen: F5 finds it under a pass
    // phrase the plain dialog takes, Shift+F5 under a long one.
    void sealedMessageSurvivesSaveAndBothRevealsFindIt()
    {
        C_vmkView* pView = OpenTextured("sealcover.bmp", 64, 64, QSize(64, 64));
        QVERIFY(pView);
        const QString strPayload = m_dir.filePath("route.txt");
        C_TestBytes::WriteText(strPayload.toStdString(), "by the river, then east");
        m_prompts.m_openAnswers = {strPayload.toStdString()};
        m_prompts.Sealed("heron");
        Frame()->GetAction(ID_ACTIONS_HIDE_SEALED)->trigger();
        QCOMPARE(m_prompts.m_hidden, (std::vector<std::pair<std::string, uint32_t>>{{"route.txt", 23}}));
        QVERIFY(pView->GetDocument()->IsModified());
        QVERIFY(pView->GetDocument()->GetHiddenRecord()->m_bSealed);

        // The read-back looks for the sealed record: found, so the changed mark goes.
        const QString strSaved = m_dir.filePath("sealed.bmp");
        m_prompts.m_saveAnswers = {strSaved.toStdString()};
        Frame()->GetAction(ID_FILE_SAVE_AS)->trigger();
        QVERIFY(m_prompts.m_messages.empty());
        QVERIFY(!pView->GetDocument()->IsModified());

        C_vmkView* pSaved = OpenPath(strSaved, QSize(64, 64));
        QVERIFY(pSaved);
        m_prompts.Password("heron");
        m_prompts.m_foundAnswers = {false};
        QTest::keyClick(Frame(), Qt::Key_F5);
        QCOMPARE(m_prompts.m_found, (std::vector<std::pair<std::string, uint32_t>>{{"route.txt", 23}}));

        // Sealed again under a pass phrase far past 15 characters; Shift+F5 asks once for it.
        const std::string strLong = "a heron waits where the river bends east of the mill";
        m_prompts.m_composeAnswers = {C_ScriptedPrompts::Pair{"Two boats.", "Plan"}};
        m_prompts.Sealed(strLong);
        Frame()->GetAction(ID_TOOLS_COMPOSE_SEALED)->trigger();
        m_prompts.m_sealedAnswers.push_back(C_ScriptedPrompts::Pair{strLong, ""});
        m_prompts.m_foundAnswers = {false};
        QTest::keyClick(Frame(), Qt::Key_F5, Qt::ShiftModifier);
        QCOMPARE(m_prompts.m_found.back(), (std::pair<std::string, uint32_t>{"Plan.txt", 10}));
        QVERIFY(!m_prompts.m_sealedShownWith.back().second);
        QVERIFY(m_prompts.m_messages.empty());
        QVERIFY(m_prompts.AllUsed());
    }

    // A picture that decodes to far more than its file opens only with the user's consent.
    void hugeExpansionAsksBeforeOpening()
    {
        const QString strPath = m_dir.filePath("expands.bmp");
        QFile f(strPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(EarlyEndRle8(8192, 8193));  // 64 MiB and a little more, from 72 bytes
        f.close();
        m_prompts.m_yesNoAnswers = {false, true};
        QVERIFY(!App()->OpenDocumentFile(strPath));
        QCOMPARE(Texts(m_prompts.m_questions),
            QStringList(
                {"This picture would take more than 64 MB of memory, far more than its file size. Open it anyway?"}));
        QVERIFY(m_prompts.m_messages.empty());  // declined: no error on top
        QVERIFY(Frame()->GetChildFrames().isEmpty());
        C_vmkDoc* pDoc = App()->OpenDocumentFile(strPath);
        QVERIFY(pDoc);
        QCOMPARE(pDoc->GetCarrier()->GetObjectDataPtr()->GetHeight(), 8193);
        QVERIFY(m_prompts.m_messages.empty());
    }

    // A new window lies inside the workspace; Cascade gives a small picture's window the
    // picture's size, not a fixed one, and keeps a large one inside.
    void windowsStayInsideAndCascadeKeepsPictureSizes()
    {
        Frame()->SetNewChildClientSize(QSize());
        const QRect area(QPoint(0, 0), Frame()->GetMdiArea()->viewport()->size());
        QVERIFY(WriteBmp24(m_dir.filePath("huge.bmp"), 2400, 1800, Coded));
        C_vmkDoc* pHuge = App()->OpenDocumentFile(m_dir.filePath("huge.bmp"));
        QVERIFY(pHuge);
        QVERIFY(area.contains(FrameOf(pHuge)->geometry()));
        QList<C_vmkView*> smalls;
        for (const char* name : {"s1.bmp", "s2.bmp"}) {
            QVERIFY(WriteBmp24(m_dir.filePath(name), 120, 80, Coded));
            C_vmkDoc* pDoc = App()->OpenDocumentFile(m_dir.filePath(name));
            QVERIFY(pDoc);
            QVERIFY(area.contains(FrameOf(pDoc)->geometry()));
            smalls << FrameOf(pDoc)->GetView();
        }
        Frame()->GetAction(ID_WINDOW_CASCADE)->trigger();
        for (C_vmkView* pView : smalls)
            QCOMPARE(pView->viewport()->size(), QSize(120, 80));
        QVERIFY(area.contains(FrameOf(pHuge)->geometry()));
    }

    // The picture commands reach the view's handlers; cancelled at their first question they
    // change nothing that is drawn.
    void cancelledCommandsChangeNothingVisible()
    {
        C_vmkView* pView = OpenCoded("noop.bmp", 20, 20, QSize(20, 20));
        QVERIFY(pView);
        const QImage before = Shot(pView);
        // Hide and Compare ask for a file first, Reveal for the pass phrase, Compose for the
        // text; Properties only shows.
        m_prompts.m_openAnswers = {"", "", ""};
        m_prompts.m_passwordAnswers = {std::nullopt};
        m_prompts.m_sealedAnswers = {std::nullopt};
        m_prompts.m_composeAnswers = {std::nullopt, std::nullopt};
        for (unsigned nId : {ID_ACTIONS_HIDE, ID_ACTIONS_REVEAL, ID_TOOLS_PROPERTIES, ID_TOOLS_COMPOSE,
                 ID_TOOLS_COMPARE, ID_ACTIONS_HIDE_SEALED, ID_ACTIONS_REVEAL_SEALED, ID_TOOLS_COMPOSE_SEALED}) {
            QVERIFY(pView->OnCmdMsg(nId, false));  // routed to the view
            Frame()->GetAction(nId)->trigger();
        }
        QVERIFY(m_prompts.AllUsed());
        QCOMPARE(int(m_prompts.m_properties.size()), 1);
        QVERIFY(m_prompts.m_messages.empty());
        QCOMPARE(Shot(pView), before);
    }
};

VMK_GUI_TEST_MAIN(DocViewTest)
#include "DocViewTest.moc"
