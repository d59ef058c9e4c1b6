#include "ProgramIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

QPixmap ProgramPixmap(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    // Cover behind the pages.
    QPainterPath cover;
    cover.moveTo(4, 22);
    cover.lineTo(32, 30);
    cover.lineTo(60, 22);
    cover.lineTo(60, 52);
    cover.lineTo(32, 60);
    cover.lineTo(4, 52);
    cover.closeSubpath();
    p.setPen(QPen(QColor(0x5a, 0x1e, 0x12), 1.5));
    p.setBrush(QColor(0x9c, 0x2f, 0x1f));
    p.drawPath(cover);

    // Two pages, bent towards the spine.
    QLinearGradient paper(0, 18, 0, 56);
    paper.setColorAt(0, QColor(0xff, 0xfd, 0xf4));
    paper.setColorAt(1, QColor(0xee, 0xe6, 0xd0));
    p.setBrush(paper);
    p.setPen(QPen(QColor(0x7a, 0x6a, 0x50), 1.2));
    QPainterPath left;
    left.moveTo(7, 19);
    left.cubicTo(16, 16, 26, 19, 32, 26);
    left.lineTo(32, 56);
    left.cubicTo(26, 50, 16, 48, 7, 50);
    left.closeSubpath();
    p.drawPath(left);
    QPainterPath right;
    right.moveTo(57, 19);
    right.cubicTo(48, 16, 38, 19, 32, 26);
    right.lineTo(32, 56);
    right.cubicTo(38, 50, 48, 48, 57, 50);
    right.closeSubpath();
    p.drawPath(right);

    // Lines of text.
    p.setPen(QPen(QColor(0x9a, 0x90, 0x80), 1.0));
    for (int i = 0; i < 5; ++i) {
        const double y = 26 + i * 5;
        p.drawLine(QPointF(11, y - 1), QPointF(28, y + 2));
        if (i < 3)
            p.drawLine(QPointF(36, y + 2), QPointF(53, y - 1));
    }

    // The quill over the right page.
    QPainterPath feather;
    feather.moveTo(38, 50);
    feather.cubicTo(42, 36, 50, 16, 62, 4);
    feather.cubicTo(60, 18, 52, 34, 40, 50);
    feather.closeSubpath();
    QLinearGradient fg(38, 50, 62, 4);
    fg.setColorAt(0, QColor(0x2c, 0x4f, 0x8a));
    fg.setColorAt(1, QColor(0x7f, 0xa8, 0xe0));
    p.setBrush(fg);
    p.setPen(QPen(QColor(0x1b, 0x30, 0x58), 1.0));
    p.drawPath(feather);
    p.setPen(QPen(QColor(0x1b, 0x30, 0x58), 1.3));
    p.drawLine(QPointF(36, 54), QPointF(58, 9));
    return pm;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int s : { 16, 24, 32, 48, 64, 128 })
        icon.addPixmap(ProgramPixmap(s));
    return icon;
}
