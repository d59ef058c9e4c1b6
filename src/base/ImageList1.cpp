#include "ImageList1.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>

namespace {

// All pictures are drawn on a 16x16 grid and scaled for larger sizes. A 1px
// stroke through pixel centres and fills on whole pixels stay crisp at 16px
// and at every integer scale.

constexpr int BaseSize = 16;
constexpr int LargeSize = 32;

// The palette: a few flat colours, each with a dark outline and a light tone.
constexpr QRgb Clear = 0x00000000;
constexpr QRgb White = 0xffffffff;
constexpr QRgb Ink = 0xff262626;

constexpr QRgb PaperLine = 0xff555a60;
constexpr QRgb PaperFold = 0xffd5d9de;
constexpr QRgb PaperText = 0xff9aa3ad;

constexpr QRgb FolderLine = 0xff86620c;
constexpr QRgb FolderFill = 0xfff1c84b;
constexpr QRgb FolderLight = 0xfffce9a4;
constexpr QRgb FolderShade = 0xffd5a32a;

constexpr QRgb BlueLine = 0xff173f7c;
constexpr QRgb BlueFill = 0xff3a78d0;
constexpr QRgb BlueLight = 0xff94bdf0;

constexpr QRgb RedLine = 0xff7a0d0d;
constexpr QRgb RedFill = 0xffd92626;
constexpr QRgb RedLight = 0xfff28a7e;

constexpr QRgb GreenLine = 0xff1b5a1b;
constexpr QRgb GreenFill = 0xff3ca83c;
constexpr QRgb GreenLight = 0xff9ddc8f;

constexpr QRgb MetalLine = 0xff45494e;
constexpr QRgb MetalFill = 0xffb9bec4;
constexpr QRgb MetalLight = 0xffe3e6e9;
constexpr QRgb MetalShade = 0xff8d9399;

constexpr QRgb WoodLine = 0xff5a3510;
constexpr QRgb WoodFill = 0xffbb7b3b;
constexpr QRgb WoodLight = 0xffdfac6c;

constexpr QRgb Sky = 0xffa8d4f6;
constexpr QRgb Sun = 0xffffd42e;
constexpr QRgb Skin = 0xfff3c69b;
constexpr QRgb Glass = 0xffd6ebfb;

// A pixel position; whole or fractional.
struct Px
{
    constexpr Px(int ax, int ay)
        : x(ax)
        , y(ay)
    { }
    constexpr Px(double ax, double ay)
        : x(ax)
        , y(ay)
    { }
    qreal x;
    qreal y;
};

// Centre of pixel (x, y).
QPointF c(Px px) { return { px.x + 0.5, px.y + 0.5 }; }

QPointF c(double x, double y) { return { x + 0.5, y + 0.5 }; }

// Closed outline through the centres of the given pixels.
QPainterPath outline(std::initializer_list<Px> pixels)
{
    QPainterPath path;
    bool first = true;
    for (const Px &px : pixels) {
        if (first)
            path.moveTo(c(px));
        else
            path.lineTo(c(px));
        first = false;
    }
    path.closeSubpath();
    return path;
}

QBrush brush(QRgb colour) { return QBrush(QColor::fromRgba(colour)); }

// Outlines are filled rather than stroked: the raster engine's thin-line
// path leaves corner pixels half covered, a filled stroke outline does not.
QPainterPath strokeOf(const QPainterPath &path, qreal width, Qt::PenCapStyle cap = Qt::SquareCap,
    Qt::PenJoinStyle join = Qt::MiterJoin)
{
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(cap);
    stroker.setJoinStyle(join);
    stroker.setMiterLimit(3);
    return stroker.createStroke(path);
}

void shape(QPainter &p, const QPainterPath &path, QRgb fill, QRgb line)
{
    if (qAlpha(fill))
        p.fillPath(path, brush(fill));
    p.fillPath(strokeOf(path, 1), brush(line));
}

// A rectangle whose outline runs over pixels x0..x1, y0..y1.
void frame(QPainter &p, int x0, int y0, int x1, int y1, QRgb fill, QRgb line)
{
    QPainterPath path;
    path.addRect(QRectF(x0 + 0.5, y0 + 0.5, x1 - x0, y1 - y0));
    shape(p, path, fill, line);
}

// Fills pixels x0..x1, y0..y1.
void cells(QPainter &p, int x0, int y0, int x1, int y1, QRgb colour)
{
    p.fillRect(QRectF(x0, y0, x1 - x0 + 1, y1 - y0 + 1), QColor::fromRgba(colour));
}

void pixel(QPainter &p, int x, int y, QRgb colour) { cells(p, x, y, x, y, colour); }

void strokePath(QPainter &p, const QPainterPath &path, QRgb colour, qreal width,
    Qt::PenCapStyle cap = Qt::RoundCap, Qt::PenJoinStyle join = Qt::RoundJoin)
{
    p.fillPath(strokeOf(path, width, cap, join), brush(colour));
}

// A 1px line from the centre of one pixel to the centre of another.
void stroke(QPainter &p, Px from, Px to, QRgb colour)
{
    QPainterPath path;
    path.moveTo(c(from));
    path.lineTo(c(to));
    strokePath(p, path, colour, 1, Qt::SquareCap, Qt::MiterJoin);
}

void disc(QPainter &p, QPointF centre, qreal radius, QRgb fill, QRgb line)
{
    QPainterPath path;
    path.addEllipse(centre, radius, radius);
    shape(p, path, fill, line);
}

// A light arc on the upper left of a round thing.
void glint(QPainter &p, QPointF centre, qreal radius, qreal from, qreal span, QRgb colour)
{
    const QRectF r(centre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    QPainterPath arc;
    arc.arcMoveTo(r, from);
    arc.arcTo(r, from, span);
    strokePath(p, arc, colour, 1, Qt::FlatCap);
}

// ---------------------------------------------------------------------------
// Building blocks

// A fat arrow with its tip on pixel (x, y), pointing at `angle` degrees
// (0 right, 90 down, 180 left, 270 up), `length` pixels long. `head` is the
// half width of the head, `shaft` the half width of the shaft.
void arrow(QPainter &p, int x, int y, int angle, int length, int head = 3, int shaft = 1,
    QRgb fill = GreenFill, QRgb line = GreenLine)
{
    p.save();
    p.translate(c(x, y));
    p.rotate(angle);
    QPainterPath path;
    path.moveTo(0, 0);
    path.lineTo(-head, -head);
    path.lineTo(-head, -shaft);
    path.lineTo(-length, -shaft);
    path.lineTo(-length, shaft);
    path.lineTo(-head, shaft);
    path.lineTo(-head, head);
    path.closeSubpath();
    shape(p, path, fill, line);
    p.restore();
}

// A sheet of paper with a dog-ear in the top right corner.
void page(QPainter &p, int x0, int y0, int x1, int y1, int ear = 3)
{
    shape(p, outline({ { x0, y0 }, { x1 - ear, y0 }, { x1, y0 + ear }, { x1, y1 }, { x0, y1 } }),
        White, PaperLine);
    shape(p, outline({ { x1 - ear, y0 }, { x1 - ear, y0 + ear }, { x1, y0 + ear } }), PaperFold,
        PaperLine);
}

// Grey text lines on a page, every other row from y0 to y1.
void textLines(QPainter &p, int x0, int x1, int y0, int y1, QRgb colour = PaperText)
{
    int row = 0;
    for (int y = y0; y <= y1; y += 2, ++row)
        cells(p, x0, y, row % 3 == 2 ? x1 - 2 : x1, y, colour);
}

QPainterPath folderBack(int x0, int y0, int x1, int y1)
{
    const int tab = std::min(5, (x1 - x0) / 2 - 1);
    return outline({ { x0, y1 }, { x0, y0 + 1 }, { x0 + 1, y0 }, { x0 + tab, y0 },
        { x0 + tab + 2, y0 + 2 }, { x1, y0 + 2 }, { x1, y1 } });
}

void closedFolder(QPainter &p, int x0, int y0, int x1, int y1)
{
    const int tab = std::min(5, (x1 - x0) / 2 - 1);
    shape(p, folderBack(x0, y0, x1, y1), FolderFill, FolderLine);
    cells(p, x0 + 1, y0 + 1, x0 + tab, y0 + 1, FolderLight);
    // The front cover's upper edge.
    cells(p, x0 + 1, y0 + 3, x1 - 1, y0 + 3, FolderLine);
    cells(p, x0 + 1, y0 + 4, x1 - 1, y0 + 4, FolderLight);
    cells(p, x0 + 1, y1 - 1, x1 - 1, y1 - 1, FolderShade);
}

void openFolder(QPainter &p, int x0, int y0, int x1, int y1, bool withSheet = true)
{
    shape(p, folderBack(x0, y0, x1 - 1, y1), FolderShade, FolderLine);
    if (withSheet)
        frame(p, x0 + 2, y0 + 3, x1 - 3, y1 - 2, White, PaperLine);
    const int top = y0 + (y1 - y0) / 2;
    shape(p, outline({ { x0, y1 }, { x0 + 3, top }, { x1 + 1, top }, { x1 - 2, y1 } }), FolderFill,
        FolderLine);
    cells(p, x0 + 4, top + 1, x1 - 1, top + 1, FolderLight);
}

// A framed landscape: sky, sun and green hills.
void picture(QPainter &p, int x0, int y0, int x1, int y1)
{
    frame(p, x0, y0, x1, y1, Sky, MetalLine);
    p.save();
    p.setClipRect(QRectF(x0 + 1, y0 + 1, x1 - x0 - 1, y1 - y0 - 1));
    disc(p, c(x0 + 3, y0 + 3), 1.5, Sun, 0xffe0a000);
    shape(p,
        outline({ { x0, y1 + 1 }, { x0, y1 - 2 }, { x0 + 4, y1 - 6 }, { x0 + 7, y1 - 3 },
            { x0 + 9, y1 - 5 }, { x1 + 1, y1 + 1 } }),
        GreenFill, GreenLine);
    p.restore();
    frame(p, x0, y0, x1, y1, Clear, MetalLine);
}

void magnifier(QPainter &p, QPointF centre, qreal radius, qreal handle)
{
    // Handle first, so the rim covers its end.
    const qreal d = radius * std::sqrt(0.5);
    QPainterPath grip;
    grip.moveTo(centre + QPointF(d, d));
    grip.lineTo(centre + QPointF(d + handle, d + handle));
    strokePath(p, grip, Ink, 3);
    QPainterPath wood;
    wood.moveTo(centre + QPointF(d + 1.5, d + 1.5));
    wood.lineTo(centre + QPointF(d + handle - 0.3, d + handle - 0.3));
    strokePath(p, wood, WoodFill, 1);
    disc(p, centre, radius, Glass, Ink);
    disc(p, centre, radius - 1, Clear, MetalShade);
    glint(p, centre, radius - 2, 110, 60, White);
}

void envelope(QPainter &p, int x0, int y0, int x1, int y1)
{
    frame(p, x0, y0, x1, y1, 0xfffdf8e6, PaperLine);
    const int mid = (x0 + x1) / 2;
    const int depth = std::min(mid - x0, y1 - y0 - 2);
    QPainterPath flap;
    flap.moveTo(c(x0, y0));
    flap.lineTo(c(mid, y0 + depth));
    flap.lineTo(c(x1, y0));
    strokePath(p, flap, PaperLine, 1, Qt::FlatCap, Qt::MiterJoin);
}

// A form window: blue title bar and labelled fields.
void form(QPainter &p, int x0, int y0, int x1, int y1)
{
    frame(p, x0, y0, x1, y1, White, MetalLine);
    cells(p, x0 + 1, y0 + 1, x1 - 1, y0 + 2, BlueFill);
    pixel(p, x1 - 2, y0 + 1, White);
    for (int y = y0 + 4; y + 1 <= y1 - 1; y += 3) {
        cells(p, x0 + 2, y, x0 + 3, y + 1, PaperText);
        frame(p, x0 + 5, y, x1 - 2, y + 1, White, MetalShade);
    }
}

// A book lying flat, seen from the spine side: coloured cover, white pages
// at the right end.
void lyingBook(QPainter &p, int x0, int y0, int x1, QRgb fill, QRgb light, QRgb line)
{
    const int y1 = y0 + 3;
    frame(p, x0, y0, x1, y1, fill, line);
    cells(p, x0 + 1, y0 + 1, x1 - 3, y0 + 1, light);
    cells(p, x1 - 2, y0 + 1, x1 - 1, y1 - 1, White);
    cells(p, x1 - 2, y0 + 2, x1 - 1, y0 + 2, PaperFold);
    pixel(p, x0 + 2, y0 + 2, line);
}

void minusBadge(QPainter &p, int cx, int cy)
{
    frame(p, cx - 3, cy - 1, cx + 3, cy + 1, RedFill, RedLine);
}

// A bold X of half size `r` around the centre of pixel (cx, cy).
void crossMark(QPainter &p, int cx, int cy, qreal r, qreal width, QRgb fill, QRgb line)
{
    QPainterPath x;
    x.moveTo(c(cx - r, cy - r));
    x.lineTo(c(cx + r, cy + r));
    x.moveTo(c(cx + r, cy - r));
    x.lineTo(c(cx - r, cy + r));
    const QPainterPath body = strokeOf(x, width, Qt::FlatCap).simplified();
    shape(p, body, fill, line);
}

// A question mark in a box of 6x9 pixels from (x, y), drawn in whole
// pixels so it stays legible at 16px; `halo` rings it by one pixel.
void questionMark(QPainter &p, int x, int y, QRgb colour, QRgb halo)
{
    static constexpr QRect parts[] = {
        { 1, 0, 4, 1 }, // top of the bow
        { 0, 1, 2, 1 }, // its left end
        { 4, 1, 2, 2 }, // its right side
        { 3, 3, 2, 1 }, // turning in
        { 2, 4, 2, 2 }, // the stem
        { 2, 7, 2, 2 }, // the dot
    };
    QPainterPath glyph;
    for (const QRect &r : parts)
        glyph.addRect(QRectF(r.translated(x, y)));
    glyph = glyph.simplified();
    if (halo != Clear)
        p.fillPath(strokeOf(glyph, 2).united(glyph), brush(halo));
    p.fillPath(glyph, brush(colour));
}

// A bold check mark drawn in whole pixels: columns `thick` pixels tall
// running down from (x, y) for `down` columns, then up for `up` columns.
void pixelCheck(QPainter &p, int x, int y, int down, int up, int thick, QRgb colour, QRgb shade)
{
    int col = x;
    int top = y;
    for (int i = 0; i < down + up; ++i, ++col) {
        cells(p, col, top, col, top + thick - 1, colour);
        pixel(p, col, top + thick - 1, shade);
        top += i < down - 1 ? 1 : -1;
    }
}

void gear(QPainter &p, QPointF centre, qreal outer, qreal body, qreal hole, int teeth)
{
    QPainterPath wheel;
    wheel.addEllipse(centre, body, body);
    for (int i = 0; i < teeth; ++i) {
        QPainterPath tooth;
        tooth.addRect(QRectF(-2, -outer, 4, outer - body + 1));
        QTransform t;
        t.translate(centre.x(), centre.y());
        t.rotate(i * 360.0 / teeth);
        wheel = wheel.united(t.map(tooth));
    }
    QPainterPath bore;
    bore.addEllipse(centre, hole, hole);
    shape(p, wheel.subtracted(bore).simplified(), MetalFill, MetalLine);
}

// A cardboard parcel closed with a zip fastener down its middle.
void parcel(QPainter &p, int x0, int y0, int x1, int y1)
{
    frame(p, x0, y0, x1, y1, WoodFill, WoodLine);
    cells(p, x0 + 1, y0 + 1, x1 - 1, y0 + 1, WoodLight);
    const int x = (x0 + x1) / 2;
    cells(p, x, y0 + 1, x + 1, y1 - 1, MetalShade);
    for (int y = y0 + 1; y < y1; ++y)
        pixel(p, x + (y % 2), y, MetalLight);
    // The pull tab.
    frame(p, x - 1, y0 + 2, x + 2, y0 + 4, MetalFill, MetalLine);
}

// ---------------------------------------------------------------------------
// The pictures

void paintNewFolder(QPainter &p)
{
    closedFolder(p, 0, 4, 13, 14);
    // A sparkle in the top right corner.
    const QPointF m = c(12, 3);
    QPainterPath star;
    star.moveTo(m + QPointF(0, -3.5));
    star.lineTo(m + QPointF(0.9, -0.9));
    star.lineTo(m + QPointF(3.5, 0));
    star.lineTo(m + QPointF(0.9, 0.9));
    star.lineTo(m + QPointF(0, 3.5));
    star.lineTo(m + QPointF(-0.9, 0.9));
    star.lineTo(m + QPointF(-3.5, 0));
    star.lineTo(m + QPointF(-0.9, -0.9));
    star.closeSubpath();
    shape(p, star, Sun, 0xffb35a00);
    pixel(p, 12, 3, White);
}

void paintNew(QPainter &p) { page(p, 3, 1, 12, 14, 3); }

void paintLoad(QPainter &p)
{
    openFolder(p, 0, 4, 14, 14, false);
    arrow(p, 10, 0, 270, 7);
}

void paintRemove(QPainter &p)
{
    form(p, 0, 1, 12, 12);
    minusBadge(p, 11, 12);
}

void paintImport(QPainter &p)
{
    closedFolder(p, 0, 5, 14, 14);
    arrow(p, 10, 9, 90, 9);
}

void paintImportZip(QPainter &p)
{
    parcel(p, 0, 6, 11, 14);
    arrow(p, 12, 10, 90, 10);
}

void paintSave(QPainter &p)
{
    shape(
        p, outline({ { 1, 1 }, { 13, 1 }, { 14, 2 }, { 14, 14 }, { 1, 14 } }), BlueFill, BlueLine);
    // Shutter with its slot.
    frame(p, 4, 1, 11, 5, MetalLight, BlueLine);
    cells(p, 8, 2, 9, 4, BlueLine);
    // Label.
    frame(p, 3, 8, 12, 14, White, BlueLine);
    cells(p, 5, 10, 10, 10, PaperText);
    cells(p, 5, 12, 10, 12, PaperText);
    cells(p, 2, 2, 2, 7, BlueLight);
}

void paintDeletefromTree(QPainter &p) { crossMark(p, 7, 7, 4.5, 3, RedFill, RedLine); }

void paintPrint(QPainter &p)
{
    page(p, 4, 1, 11, 7, 2);
    frame(p, 1, 6, 14, 12, MetalFill, MetalLine);
    cells(p, 2, 7, 13, 7, MetalLight);
    cells(p, 2, 11, 13, 11, MetalShade);
    pixel(p, 12, 8, GreenFill);
    frame(p, 3, 10, 12, 14, White, PaperLine);
    cells(p, 5, 12, 10, 12, PaperText);
    stroke(p, { 3, 10 }, { 12, 10 }, MetalLine);
}

void paintSendMail(QPainter &p)
{
    envelope(p, 0, 2, 13, 11);
    arrow(p, 15, 12, 0, 7);
}

void paintBookIncluded(QPainter &p) { pixelCheck(p, 2, 7, 4, 8, 4, RedFill, RedLine); }

void paintShowMissingFrontImages(QPainter &p)
{
    picture(p, 0, 1, 12, 11);
    questionMark(p, 9, 6, BlueFill, White);
}

void paintFindFrontImage(QPainter &p)
{
    picture(p, 0, 0, 12, 10);
    magnifier(p, QPointF(9.5, 9.5), 3.5, 3);
}

void paintPublisherDocuments(QPainter &p)
{
    page(p, 5, 0, 14, 11, 3);
    page(p, 1, 3, 10, 15, 3);
    textLines(p, 3, 8, 7, 13);
}

void globe(QPainter &p, QPointF centre, qreal radius)
{
    disc(p, centre, radius, BlueFill, BlueLine);
    p.save();
    QPainterPath sea;
    sea.addEllipse(centre, radius - 0.5, radius - 0.5);
    p.setClipPath(sea);
    const qreal s = radius / 6.5;
    auto at = [&](qreal x, qreal y) { return centre + QPointF(x * s, y * s); };
    QPainterPath land;
    land.moveTo(at(-6, -3));
    land.lineTo(at(-3, -5));
    land.lineTo(at(0, -4));
    land.lineTo(at(-1, -1));
    land.lineTo(at(-3, 0));
    land.lineTo(at(-2, 3));
    land.lineTo(at(-4, 5));
    land.lineTo(at(-7, 1));
    land.closeSubpath();
    land.moveTo(at(2, -1));
    land.lineTo(at(5, -3));
    land.lineTo(at(7, 0));
    land.lineTo(at(5, 2));
    land.lineTo(at(4, 6));
    land.lineTo(at(1, 4));
    land.lineTo(at(2, 2));
    land.closeSubpath();
    p.fillPath(land, brush(GreenFill));
    p.restore();
    glint(p, centre, radius - 2, 105, 50, BlueLight);
    disc(p, centre, radius, Clear, BlueLine);
}

void paintWebPage(QPainter &p)
{
    page(p, 1, 0, 11, 13, 3);
    textLines(p, 3, 8, 4, 8);
    globe(p, QPointF(11, 11), 4.5);
}

void paintHelp(QPainter &p)
{
    // Pages show at the right and at the bottom of the cover.
    frame(p, 2, 1, 14, 15, White, PaperLine);
    cells(p, 3, 15, 13, 15, PaperFold);
    frame(p, 1, 0, 12, 13, BlueFill, BlueLine);
    cells(p, 2, 1, 2, 12, BlueLine);
    cells(p, 3, 1, 3, 12, BlueLight);
    questionMark(p, 5, 2, White, Clear);
}

void paintAbout(QPainter &p)
{
    disc(p, QPointF(8, 8), 6.5, BlueFill, BlueLine);
    glint(p, QPointF(8, 8), 5, 100, 70, BlueLight);
    cells(p, 7, 3, 8, 4, White);
    cells(p, 6, 6, 8, 7, White);
    cells(p, 7, 8, 8, 11, White);
    cells(p, 6, 12, 9, 12, White);
}

void paintTerminate(QPainter &p)
{
    // Door frame with the night outside, the door swung open, an arrow out.
    frame(p, 1, 0, 10, 15, 0xff2d3440, WoodLine);
    shape(p, outline({ { 1, 0 }, { 6, 2 }, { 6, 15 }, { 1, 15 } }), WoodFill, WoodLine);
    cells(p, 2, 2, 2, 14, WoodLight);
    pixel(p, 5, 9, Sun);
    arrow(p, 15, 8, 0, 7);
}

void paintPreferences(QPainter &p)
{
    gear(p, QPointF(8, 8), 7.5, 5.5, 2.2, 8);
    glint(p, QPointF(8, 8), 4.5, 95, 80, MetalLight);
}

void paintSendZipped(QPainter &p)
{
    envelope(p, 0, 1, 13, 10);
    parcel(p, 7, 8, 15, 15);
}

void paintCreateWebPage(QPainter &p)
{
    page(p, 2, 0, 13, 15, 3);
    // Angle brackets of a markup tag.
    QPainterPath tag;
    tag.moveTo(c(7, 4));
    tag.lineTo(c(4, 7));
    tag.lineTo(c(7, 10));
    tag.moveTo(c(9, 4));
    tag.lineTo(c(12, 7));
    tag.lineTo(c(9, 10));
    strokePath(p, tag, 0xffe06a00, 2, Qt::FlatCap, Qt::MiterJoin);
    cells(p, 4, 13, 11, 13, PaperText);
}

void paintCreateWordDoc(QPainter &p)
{
    page(p, 2, 0, 13, 15, 3);
    QPainterPath w;
    w.moveTo(3.6, 5);
    w.lineTo(5.3, 12);
    w.lineTo(7.5, 7);
    w.lineTo(9.7, 12);
    w.lineTo(11.4, 5);
    strokePath(p, w, BlueFill, 1.6, Qt::FlatCap, Qt::MiterJoin);
    cells(p, 4, 13, 11, 13, PaperText);
}

void paintReviewFile(QPainter &p)
{
    lyingBook(p, 2, 2, 13, RedFill, RedLight, RedLine);
    lyingBook(p, 0, 6, 12, GreenFill, GreenLight, GreenLine);
    lyingBook(p, 1, 10, 15, BlueFill, BlueLight, BlueLine);
}

void paintRootNode(QPainter &p)
{
    closedFolder(p, 4, 0, 15, 8);
    closedFolder(p, 2, 3, 13, 11);
    closedFolder(p, 0, 6, 11, 14);
}

void paintFolderOpen(QPainter &p) { openFolder(p, 0, 2, 14, 13); }

void paintFolderClosed(QPainter &p) { closedFolder(p, 1, 2, 14, 13); }

void paintCheckISBN(QPainter &p)
{
    frame(p, 0, 2, 15, 13, White, PaperLine);
    // Bar widths, alternating bar and gap.
    static constexpr int widths[] = { 1, 1, 2, 1, 1, 2, 1, 1, 1, 1, 2, 1 };
    int x = 2;
    bool bar = true;
    for (int w : widths) {
        if (bar && x + w - 1 <= 13)
            cells(p, x, 4, x + w - 1, 9, Ink);
        x += w;
        bar = !bar;
    }
    for (int d = 2; d <= 13; d += 2)
        pixel(p, d, 11, MetalShade);
}

void paintWebSearchProvider(QPainter &p) { magnifier(p, QPointF(6.5, 6.5), 5, 4); }

void paintCoverPicture(QPainter &p) { picture(p, 1, 2, 14, 13); }

void paintPerson(QPainter &p)
{
    QPainterPath body;
    body.moveTo(c(1, 15));
    body.lineTo(c(1, 13));
    body.cubicTo(c(1, 10), c(4, 9), c(7.5, 9));
    body.cubicTo(c(11, 9), c(14, 10), c(14, 13));
    body.lineTo(c(14, 15));
    body.closeSubpath();
    shape(p, body, BlueFill, BlueLine);
    disc(p, QPointF(8, 5), 3.5, Skin, 0xff8a5a2a);
}

void paintWarning(QPainter &p)
{
    shape(p, outline({ { 7.5, 0.5 }, { 15.0, 14.0 }, { 0.0, 14.0 } }), Sun, 0xff8a6400);
    cells(p, 7, 5, 8, 9, Ink);
    cells(p, 7, 11, 8, 12, Ink);
}

constexpr QRgb RefreshGreen = 0xff2b8f2b;

// One half of the refresh circle: a clockwise arc with an arrow head at its
// end.
void refreshHalf(QPainter &p, QPointF centre, qreal radius, qreal from)
{
    const qreal span = -125;
    const QRectF r(centre - QPointF(radius, radius), QSizeF(2 * radius, 2 * radius));
    QPainterPath arc;
    arc.arcMoveTo(r, from);
    arc.arcTo(r, from, span);
    strokePath(p, arc, RefreshGreen, 2, Qt::FlatCap);
    const qreal end = qDegreesToRadians(from + span);
    const QPointF e = centre + radius * QPointF(std::cos(end), -std::sin(end));
    const QPointF tangent(std::sin(end), std::cos(end));
    const QPointF normal(tangent.y(), -tangent.x());
    QPainterPath head;
    head.moveTo(e + 3.2 * tangent);
    head.lineTo(e - 0.3 * tangent + 3.2 * normal);
    head.lineTo(e - 0.3 * tangent - 3.2 * normal);
    head.closeSubpath();
    p.fillPath(head, brush(RefreshGreen));
}

void paintRefresh(QPainter &p)
{
    const QPointF centre(8, 8);
    refreshHalf(p, centre, 5, 215);
    refreshHalf(p, centre, 5, 35);
}

using Painter = void (*)(QPainter &);

void paintNothing(QPainter &) { }

// Index order of the list.
constexpr std::array<Painter, 33> Pictures = {
    paintNewFolder,
    paintNew,
    paintLoad,
    paintRemove,
    paintImport,
    paintImportZip,
    paintSave,
    paintDeletefromTree,
    paintPrint,
    paintSendMail,
    paintNothing,
    paintBookIncluded,
    paintShowMissingFrontImages,
    paintFindFrontImage,
    paintPublisherDocuments,
    paintWebPage,
    paintHelp,
    paintAbout,
    paintTerminate,
    paintPreferences,
    paintSendZipped,
    paintCreateWebPage,
    paintCreateWordDoc,
    paintReviewFile,
    paintRootNode,
    paintFolderOpen,
    paintFolderClosed,
    paintCheckISBN,
    paintWebSearchProvider,
    paintCoverPicture,
    paintPerson,
    paintWarning,
    paintRefresh,
};
static_assert(Pictures.size() == ImageList1::Refresh + 1);

// ---------------------------------------------------------------------------
// Record navigator glyphs: plain pixel shapes on the button face.

constexpr QRgb GlyphInk = 0xff1c1c1c;

// A triangle of four pixel columns, 8 pixels tall at its back, tip at
// column `tip`.
void triangle(QPainter &p, int tip, bool pointsLeft)
{
    for (int i = 0; i < 4; ++i) {
        const int x = pointsLeft ? tip + i : tip - i;
        cells(p, x, 7 - i, x, 8 + i, GlyphInk);
    }
}

void paintFirst(QPainter &p)
{
    cells(p, 4, 4, 5, 11, GlyphInk);
    triangle(p, 7, true);
}

void paintPrior(QPainter &p) { triangle(p, 6, true); }

void paintNext(QPainter &p) { triangle(p, 9, false); }

void paintLast(QPainter &p)
{
    triangle(p, 8, false);
    cells(p, 10, 4, 11, 11, GlyphInk);
}

void paintInsert(QPainter &p)
{
    cells(p, 7, 3, 8, 12, GlyphInk);
    cells(p, 3, 7, 12, 8, GlyphInk);
}

void paintDelete(QPainter &p) { cells(p, 3, 7, 12, 8, GlyphInk); }

void paintPost(QPainter &p) { pixelCheck(p, 2, 7, 4, 7, 3, 0xff1f8a1f, 0xff0e4a0e); }

void paintCancel(QPainter &p)
{
    for (int i = 0; i < 7; ++i) {
        cells(p, 4 + i, 4 + i, 5 + i, 5 + i, 0xffb81c1c);
        cells(p, 10 - i, 4 + i, 11 - i, 5 + i, 0xffb81c1c);
    }
}

constexpr std::array<Painter, 8> Glyphs = {
    paintFirst,
    paintPrior,
    paintNext,
    paintLast,
    paintInsert,
    paintDelete,
    paintPost,
    paintCancel,
};
static_assert(Glyphs.size() == ImageList1::Cancel + 1);

// ---------------------------------------------------------------------------

QPixmap render(Painter paint, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(qreal(size) / BaseSize, qreal(size) / BaseSize);
    paint(p);
    p.end();
    return QPixmap::fromImage(image);
}

QIcon twoSizes(Painter paint, const QPixmap &small)
{
    QIcon icon;
    icon.addPixmap(small);
    icon.addPixmap(render(paint, LargeSize));
    return icon;
}

struct Cache
{
    QList<QPixmap> pixmaps;
    QList<QIcon> icons;
    QList<QIcon> glyphs;
};

Cache *s_cache = nullptr;

// Pixmaps must go before the application does.
void dropCache()
{
    delete s_cache;
    s_cache = nullptr;
}

const Cache &cache()
{
    if (!s_cache) {
        Q_ASSERT_X(qobject_cast<QGuiApplication *>(QCoreApplication::instance()), "ImageList1",
            "needs a QGuiApplication");
        s_cache = new Cache;
        for (Painter paint : Pictures) {
            const QPixmap small = render(paint, BaseSize);
            s_cache->pixmaps.append(small);
            s_cache->icons.append(twoSizes(paint, small));
        }
        for (Painter paint : Glyphs)
            s_cache->glyphs.append(twoSizes(paint, render(paint, BaseSize)));
        qAddPostRoutine(dropCache);
    }
    return *s_cache;
}

} // namespace

namespace ImageList1 {

int count() { return int(Pictures.size()); }

QPixmap pixmap(int index)
{
    if (index < 0 || index >= count())
        return {};
    return cache().pixmaps.at(index);
}

QIcon icon(int index)
{
    if (index < 0 || index >= count())
        return {};
    return cache().icons.at(index);
}

QIcon navigatorIcon(NavigatorGlyph glyph)
{
    if (glyph < First || glyph > Cancel)
        return {};
    return cache().glyphs.at(glyph);
}

} // namespace ImageList1
