#include "base/ImageList1.h"

#include <QImage>
#include <QTest>

namespace {

QImage imageOf(const QPixmap &pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

bool isBlank(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return false;
    return true;
}

int redPixels(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = image.pixel(x, y);
            if (qAlpha(px) > 200 && qRed(px) > 160 && qGreen(px) < 80 && qBlue(px) < 80)
                ++n;
        }
    return n;
}

} // namespace

class TestImageList : public QObject
{
    Q_OBJECT

private slots:
    void holdsThirtyThreeSmallPicturesWithAlpha()
    {
        QCOMPARE(ImageList1::count(), 33);
        for (int i = 0; i < ImageList1::count(); ++i) {
            const QPixmap pm = ImageList1::pixmap(i);
            QVERIFY2(!pm.isNull(), qPrintable(QString::number(i)));
            QCOMPARE(pm.size(), QSize(16, 16));
            QVERIFY2(pm.hasAlphaChannel(), qPrintable(QString::number(i)));
        }
        QVERIFY(ImageList1::pixmap(-1).isNull());
        QVERIFY(ImageList1::pixmap(33).isNull());
        QVERIFY(ImageList1::icon(33).isNull());
    }

    void bookMarksShowIncludedAndExcluded()
    {
        QCOMPARE(int(ImageList1::BookExcluded), 10);
        QCOMPARE(int(ImageList1::BookIncluded), 11);
        QVERIFY(isBlank(imageOf(ImageList1::pixmap(10))));
        QVERIFY(redPixels(imageOf(ImageList1::pixmap(11))) >= 10);
    }

    // Each picture is drawn and can be told apart from every other one, at
    // both sizes the icons carry.
    void picturesAreDrawnAndDistinct_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("16") << 16;
        QTest::newRow("32") << 32;
    }
    void picturesAreDrawnAndDistinct()
    {
        QFETCH(int, size);
        QList<QImage> images;
        for (int i = 0; i < ImageList1::count(); ++i) {
            const QIcon icon = ImageList1::icon(i);
            QVERIFY(icon.availableSizes().contains(QSize(16, 16)));
            QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
            const QImage image = imageOf(icon.pixmap(QSize(size, size)));
            QCOMPARE(image.size(), QSize(size, size));
            images.append(image);
        }
        QCOMPARE(
            imageOf(ImageList1::icon(11).pixmap(QSize(16, 16))), imageOf(ImageList1::pixmap(11)));
        for (int i = 0; i < images.size(); ++i) {
            if (i == ImageList1::BookExcluded)
                continue;
            QVERIFY2(!isBlank(images.at(i)), qPrintable(QStringLiteral("%1 is empty").arg(i)));
            for (int j = 0; j < i; ++j)
                QVERIFY2(images.at(i) != images.at(j),
                    qPrintable(QStringLiteral("%1 equals %2").arg(i).arg(j)));
        }
    }

    void navigatorGlyphsAreDrawnAndDistinct()
    {
        QList<QImage> images;
        for (int g = ImageList1::First; g <= ImageList1::Cancel; ++g) {
            const QIcon icon = ImageList1::navigatorIcon(ImageList1::NavigatorGlyph(g));
            QVERIFY(icon.availableSizes().contains(QSize(32, 32)));
            const QImage image = imageOf(icon.pixmap(QSize(16, 16)));
            QCOMPARE(image.size(), QSize(16, 16));
            QVERIFY(!isBlank(image));
            QVERIFY(!images.contains(image));
            images.append(image);
        }
        // First and Prior point left, Next and Last right: mirror images.
        QCOMPARE(images.at(ImageList1::Prior).mirrored(true, false), images.at(ImageList1::Next));
        QCOMPARE(images.at(ImageList1::First).mirrored(true, false), images.at(ImageList1::Last));
    }
};

QTEST_MAIN(TestImageList)
#include "tst_imagelist.moc"
