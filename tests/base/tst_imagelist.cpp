#include "base/ImageList1.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

QImage imageOf(const QPixmap &pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

// The icon drawn at `size` logical pixels on a screen of the given density.
QImage drawn(const QIcon &icon, int size, qreal ratio = 1.0)
{
    return imageOf(icon.pixmap(QSize(size, size), ratio));
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

    QTemporaryDir m_noThemes;

    // No icon theme anywhere: every picture is the program's own, the same
    // on every machine.
    void leaveNoTheme()
    {
        QIcon::setThemeName(QString());
        QIcon::setThemeSearchPaths({ m_noThemes.path() });
        QIcon::setFallbackSearchPaths({});
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_noThemes.isValid());
        leaveNoTheme();
    }

    void cleanup() { leaveNoTheme(); }

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
    // 16 and 32 pixels, and on a screen of double density at its full 64
    // pixels rather than enlarged from a smaller one. Without a theme all
    // of them are the program's own.
    void picturesAreDrawnAndDistinct_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("16") << 16 << 1.0;
        QTest::newRow("32") << 32 << 1.0;
        QTest::newRow("32 at 2x") << 32 << 2.0;
    }
    void picturesAreDrawnAndDistinct()
    {
        QFETCH(int, size);
        QFETCH(qreal, ratio);
        const int pixels = qRound(size * ratio);
        QList<QImage> images;
        for (int i = 0; i < ImageList1::count(); ++i) {
            const QIcon icon = ImageList1::icon(i);
            QVERIFY2(icon.name().isEmpty(), qPrintable(icon.name()));
            const QImage image = drawn(icon, size, ratio);
            QCOMPARE(image.size(), QSize(pixels, pixels));
            images.append(image);
        }
        QCOMPARE(drawn(ImageList1::icon(11), 16), imageOf(ImageList1::pixmap(11)));
        QVERIFY(redPixels(images.at(ImageList1::BookIncluded)) >= 10 * pixels * pixels / 256);
        for (int i = 0; i < images.size(); ++i) {
            if (i == ImageList1::BookExcluded) {
                QVERIFY(isBlank(images.at(i)));
                continue;
            }
            QVERIFY2(!isBlank(images.at(i)), qPrintable(QStringLiteral("%1 is empty").arg(i)));
            for (int j = 0; j < i; ++j)
                QVERIFY2(images.at(i) != images.at(j),
                    qPrintable(QStringLiteral("%1 equals %2").arg(i).arg(j)));
        }
    }

    // Where the desktop's icon theme has a picture of the same meaning, it
    // is shown; the others, the book marks among them, stay the program's.
    void followsTheIconThemeWhereItHasThePicture()
    {
        const QImage ownPrint = imageOf(ImageList1::pixmap(ImageList1::ActionPrint));
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString theme = dir.filePath(QStringLiteral("skribando-test"));
        QVERIFY(QDir().mkpath(theme + QStringLiteral("/16x16/actions")));
        QFile index(theme + QStringLiteral("/index.theme"));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=Test\nDirectories=16x16/actions\n\n"
                    "[16x16/actions]\nSize=16\nContext=Actions\nType=Fixed\n");
        index.close();
        QImage save(16, 16, QImage::Format_ARGB32);
        save.fill(QColor(0, 200, 0));
        QVERIFY(save.save(theme + QStringLiteral("/16x16/actions/document-save.png")));
        QIcon::setThemeSearchPaths({ dir.path() });
        QIcon::setThemeName(QStringLiteral("skribando-test"));

        QCOMPARE(ImageList1::icon(ImageList1::ActionSave).name(), QStringLiteral("document-save"));
        QCOMPARE(imageOf(ImageList1::pixmap(ImageList1::ActionSave)).pixel(8, 8), qRgb(0, 200, 0));
        QCOMPARE(imageOf(ImageList1::pixmap(ImageList1::ActionPrint)), ownPrint);
        QVERIFY(isBlank(imageOf(ImageList1::pixmap(ImageList1::BookExcluded))));
        QVERIFY(redPixels(imageOf(ImageList1::pixmap(ImageList1::BookIncluded))) >= 10);
    }

    void navigatorGlyphsAreDrawnAndDistinct()
    {
        QList<QImage> images;
        for (int g = ImageList1::First; g <= ImageList1::Cancel; ++g) {
            const QIcon icon = ImageList1::navigatorIcon(ImageList1::NavigatorGlyph(g));
            QCOMPARE(drawn(icon, 16, 2.0).size(), QSize(32, 32));
            const QImage image = drawn(icon, 16);
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
