// Draws Veilmark's pictures (tool bar strip, icons, splash) into PNG files. Run by hand when a
// picture should change: `cmake --build B --target vmk_make_images && B/res/vmk_make_images res/images`.
// The PNGs it writes are committed; the build only reads them.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

const QColor kInk(20, 30, 60);
const QColor kBlue(40, 90, 190);
const QColor kSky(120, 180, 240);
const QColor kGrass(60, 150, 70);
const QColor kGold(240, 190, 40);
const QColor kPaper(250, 250, 245);
const QColor kRed(200, 50, 40);

// A small framed landscape: the "picture" motif every image shares.
void DrawPicture(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kInk, r.width() / 16.0));
    p.setBrush(kSky);
    p.drawRect(r);
    p.setPen(Qt::NoPen);
    p.setBrush(kGold);
    const double s = r.width();
    p.drawEllipse(QPointF(r.left() + s * 0.72, r.top() + r.height() * 0.3), s * 0.11, s * 0.11);
    QPainterPath hills;
    hills.moveTo(r.left(), r.bottom());
    hills.lineTo(r.left(), r.top() + r.height() * 0.75);
    hills.quadTo(r.left() + s * 0.3, r.top() + r.height() * 0.35, r.left() + s * 0.55, r.top() + r.height() * 0.7);
    hills.quadTo(r.left() + s * 0.8, r.top() + r.height() * 0.55, r.right(), r.top() + r.height() * 0.72);
    hills.lineTo(r.right(), r.bottom());
    hills.closeSubpath();
    p.setBrush(kGrass);
    p.drawPath(hills);
    p.setPen(QPen(kInk, r.width() / 16.0));
    p.setBrush(Qt::NoBrush);
    p.drawRect(r);
}

void DrawKeyhole(QPainter& p, QPointF c, double s, const QColor& colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(c, s * 0.22, s * 0.22);
    QPolygonF foot;
    foot << QPointF(c.x() - s * 0.12, c.y()) << QPointF(c.x() + s * 0.12, c.y())
         << QPointF(c.x() + s * 0.2, c.y() + s * 0.55) << QPointF(c.x() - s * 0.2, c.y() + s * 0.55);
    p.drawPolygon(foot);
}

void DrawArrow(QPainter& p, QPointF from, QPointF to, const QColor& colour, double w)
{
    p.setPen(QPen(colour, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot((to - from).x(), (to - from).y());
    const QPointF n(-d.y(), d.x());
    QPolygonF head;
    head << to + d * w << to - d * w * 2 + n * w * 1.6 << to - d * w * 2 - n * w * 1.6;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(head);
}

void DrawLetter(QPainter& p, const QRectF& r, const QString& text, const QColor& colour, int px)
{
    QFont f("DejaVu Sans");
    f.setPixelSize(px);
    f.setBold(true);
    p.setFont(f);
    p.setPen(colour);
    p.drawText(r, Qt::AlignCenter, text);
}

using Painter = std::function<void(QPainter&)>;

// The nine tool bar images, in the tool bar's order.
const Painter kButtons[9] = {
    // Open Picture: an opening folder.
    [](QPainter& p) {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(QColor(230, 190, 90));
        p.drawRect(QRectF(3, 8, 24, 19));
        p.drawRect(QRectF(3, 5, 10, 4));
        p.setBrush(kGold);
        QPolygonF front;
        front << QPointF(7, 13) << QPointF(30, 13) << QPointF(26, 27) << QPointF(3, 27);
        p.drawPolygon(front);
    },
    // Save Picture As: a diskette.
    [](QPainter& p) {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kBlue);
        p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
        p.setBrush(kPaper);
        p.drawRect(QRectF(9, 4.5, 14, 9));
        p.setBrush(QColor(200, 200, 210));
        p.drawRect(QRectF(8, 18, 16, 10));
        p.fillRect(QRectF(18, 6, 3, 6), kInk);
    },
    // Hide Message: a document going into a picture.
    [](QPainter& p) {
        DrawPicture(p, QRectF(9, 11, 20, 18));
        DrawKeyhole(p, QPointF(19, 17), 10, kInk);
        DrawArrow(p, QPointF(3, 3), QPointF(11, 11), kRed, 2.5);
    },
    // Reveal Message: a document coming out of a picture.
    [](QPainter& p) {
        DrawPicture(p, QRectF(3, 11, 20, 18));
        DrawArrow(p, QPointF(19, 15), QPointF(28, 5), kRed, 2.5);
    },
    // Carrier Properties: an "i" in a circle.
    [](QPainter& p) {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kBlue);
        p.drawEllipse(QRectF(4, 4, 24, 24));
        DrawLetter(p, QRectF(4, 4, 24, 24), "i", Qt::white, 18);
    },
    // Convert to Gray Scale: a picture in gray steps.
    [](QPainter& p) {
        for (int i = 0; i < 6; ++i) {
            const int g = 20 + i * 45;
            p.fillRect(QRectF(4 + i * 4, 6, 4, 20), QColor(g, g, g));
        }
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(4, 6, 24, 20));
    },
    // Compose a Message: a page and a pencil.
    [](QPainter& p) {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kPaper);
        p.drawRect(QRectF(5, 3, 18, 26));
        for (int y = 9; y <= 23; y += 4)
            p.drawLine(QPointF(8, y), QPointF(20, y));
        p.setPen(QPen(kInk, 1));
        p.setBrush(kGold);
        QPolygonF pencil;
        pencil << QPointF(27, 8) << QPointF(30, 11) << QPointF(17, 24) << QPointF(14, 21);
        p.drawPolygon(pencil);
        p.setBrush(kInk);
        QPolygonF tip;
        tip << QPointF(14, 21) << QPointF(17, 24) << QPointF(12, 26);
        p.drawPolygon(tip);
    },
    // Compare Images: two pictures side by side with an equals sign.
    [](QPainter& p) {
        DrawPicture(p, QRectF(2, 4, 13, 12));
        DrawPicture(p, QRectF(17, 16, 13, 12));
        p.setPen(QPen(kRed, 2));
        p.drawLine(QPointF(19, 7), QPointF(28, 7));
        p.drawLine(QPointF(19, 11), QPointF(28, 11));
    },
    // About: a question mark.
    [](QPainter& p) {
        p.setPen(QPen(kInk, 1.5));
        p.setBrush(kGold);
        p.drawEllipse(QRectF(4, 4, 24, 24));
        DrawLetter(p, QRectF(4, 4, 24, 24), "?", kInk, 20);
    },
};

QImage Blank(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    return img;
}

// The application icon: a picture with a keyhole in it.
QImage AppIcon(int s)
{
    QImage img = Blank(s, s);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(s / 32.0, s / 32.0);
    DrawPicture(p, QRectF(2, 4, 28, 24));
    p.setBrush(QColor(255, 255, 255, 200));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(16, 15), 7, 7);
    DrawKeyhole(p, QPointF(16, 13), 14, kInk);
    return img;
}

// The picture window icon: a plain picture.
QImage DocIcon(int s)
{
    QImage img = Blank(s, s);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(s / 32.0, s / 32.0);
    DrawPicture(p, QRectF(2, 5, 28, 22));
    return img;
}

QImage Splash()
{
    QImage img(328, 210, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 210);
    sky.setColorAt(0, QColor(20, 40, 90));
    sky.setColorAt(1, QColor(90, 150, 220));
    p.fillRect(img.rect(), sky);
    // Hills along the bottom.
    QPainterPath hills;
    hills.moveTo(0, 210);
    hills.lineTo(0, 170);
    hills.quadTo(90, 120, 170, 168);
    hills.quadTo(250, 140, 328, 160);
    hills.lineTo(328, 210);
    hills.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 110, 60));
    p.drawPath(hills);
    // A row of pixel bytes, one least significant bit of each carrying the secret.
    for (int i = 0; i < 16; ++i) {
        const QRectF cell(36 + i * 16, 118, 14, 14);
        p.setBrush(QColor(230, 235, 245));
        p.drawRect(cell);
        if ((0x5A3C >> i) & 1) {
            p.setBrush(kRed);
            p.drawRect(cell.adjusted(8, 8, 0, 0));
        }
    }
    QImage icon = AppIcon(48);
    p.drawImage(QPointF(24, 28), icon);
    QFont title("DejaVu Sans");
    title.setPixelSize(40);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRectF(82, 24, 240, 56), Qt::AlignLeft | Qt::AlignVCenter, "Veilmark");
    QFont sub("DejaVu Sans");
    sub.setPixelSize(13);
    p.setFont(sub);
    p.drawText(
        QRectF(24, 84, 290, 24), Qt::AlignLeft | Qt::AlignVCenter, "Hides a file inside the pixels of a picture");
    p.setPen(QColor(230, 240, 255));
    sub.setPixelSize(11);
    p.setFont(sub);
    p.drawText(QRectF(24, 180, 290, 20), Qt::AlignRight | Qt::AlignVCenter,
        "BMP  \xc2\xb7  GIF  \xc2\xb7  PCX  \xc2\xb7  PNG");
    return img;
}

bool Write(const QImage& img, const QDir& dir, const char* name)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s (%dx%d)\n", qPrintable(path), img.width(), img.height());
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));

    QImage strip = Blank(9 * 32, 32);
    {
        QPainter p(&strip);
        p.setRenderHint(QPainter::Antialiasing);
        for (int i = 0; i < 9; ++i) {
            p.save();
            p.translate(i * 32, 0);
            p.setClipRect(0, 0, 32, 32);
            kButtons[i](p);
            p.restore();
        }
    }
    bool ok = Write(strip, dir, "toolbar.png");
    ok = Write(AppIcon(32), dir, "icon128_32.png") && ok;
    ok = Write(AppIcon(16), dir, "icon128_16.png") && ok;
    ok = Write(DocIcon(32), dir, "icon129_32.png") && ok;
    ok = Write(DocIcon(16), dir, "icon129_16.png") && ok;
    ok = Write(Splash(), dir, "splash.png") && ok;
    return ok ? 0 : 1;
}
