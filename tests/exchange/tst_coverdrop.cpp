#include "ReviewFileWriter.h"
#include "WindowFixture.h"

#include "app/Fmain.h"
#include "app/StatusPanels.h"
#include "base/ActionList.h"
#include "data/DDataAccess.h"
#include "exchange/CoverDrop.h"
#include "forms/BookDataPage.h"
#include "forms/DBControls.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"
#include "tree/TreeProcedures.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QMimeData>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

namespace {

QImage picture(bool transparent)
{
    QImage image(40, 60, QImage::Format_ARGB32);
    image.fill(QColor(20, 90, 160));
    if (transparent) {
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 40; ++x)
                image.setPixelColor(x, y, Qt::transparent);
        }
    }
    return image;
}

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    return writer.write(image) ? bytes : QByteArray();
}

// A started window whose table shows the book 8.10 of 2010.
bool startWithBook(WindowFixture &f)
{
    if (!WriteTestReviewFile(f.dbFolder() + QStringLiteral("2010/EM.cds"),
            { { 8.1, 2010, QStringLiteral("Zwerg Nase") } })
        || !f.start())
        return false;
    TMainform &w = f.window();
    w.TreeView1->setCurrentItem(FindNodeByPath(w.TreeView1, QStringLiteral("DB/2010/EM.cds")));
    w.TreeView1Enter();
    w.actions()->reviewAction(baLoad)->trigger();
    return f.table().recordCount() == 1 && w.Panel2->isEnabled();
}

QString coverPath(const WindowFixture &f, const QString &name)
{
    return f.env.path(QStringLiteral("Zadizezerev/Html/Umschlagbilder/") + name);
}

// Drags data over target and drops it there, as the window system delivers it.
bool dropOnto(QWidget *target, QMimeData *data)
{
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

} // namespace

class TestCoverDrop : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::"))); }

    void pictureBecomesTheCover_data()
    {
        QTest::addColumn<QString>("how"); // "drop" or "paste"
        QTest::addColumn<QString>("source"); // "png", "jpeg", "webp", "gif" file, or "data"
        QTest::addColumn<bool>("transparent");
        QTest::newRow("drop png file") << "drop"
                                       << "png" << true;
        QTest::newRow("drop jpeg file") << "drop"
                                        << "jpeg" << false;
        QTest::newRow("drop webp file") << "drop"
                                        << "webp" << false;
        QTest::newRow("drop gif file") << "drop"
                                       << "gif" << false;
        QTest::newRow("drop file URL as text") << "drop"
                                               << "text" << false;
        QTest::newRow("drop png data from a browser") << "drop"
                                                      << "data" << true;
        QTest::newRow("paste png data") << "paste"
                                        << "data" << true;
        QTest::newRow("paste jpeg file") << "paste"
                                         << "jpeg" << false;
    }
    void pictureBecomesTheCover()
    {
        QFETCH(QString, how);
        QFETCH(QString, source);
        QFETCH(bool, transparent);
        const QByteArray format = source == QLatin1String("data") || source == QLatin1String("text")
            ? QByteArray("png")
            : source.toLatin1();
        if (!QImageReader::supportedImageFormats().contains(format))
            QSKIP("this picture format cannot be read here");
        WindowFixture f;
        QVERIFY(startWithBook(f));
        // Qt writes no GIF; that one is a fixture of the same picture.
        QByteArray bytes;
        if (format == "gif") {
            QFile gif(TestEnv::fixtures() + QStringLiteral("/umschlag.gif"));
            QVERIFY(gif.open(QIODevice::ReadOnly));
            bytes = gif.readAll();
        } else {
            bytes = encoded(picture(transparent), format.constData());
        }
        QVERIFY(!bytes.isEmpty());
        const QString file = f.env.path(QStringLiteral("Downloads/umschlag.") + source);
        QVERIFY(f.env.writeFile(QStringLiteral("Downloads/umschlag.") + source, bytes));

        auto *data = new QMimeData;
        if (source == QLatin1String("data")) {
            data->setData(QStringLiteral("image/png"), bytes);
            data->setUrls({ QUrl(QStringLiteral("https://bilder.example/umschlag.png")) });
        } else if (source == QLatin1String("text")) {
            data->setText(QUrl::fromLocalFile(file).toString());
        } else {
            data->setUrls({ QUrl::fromLocalFile(file) });
        }
        BookDataPage *page = f.window().bookDataPage();
        if (how == QLatin1String("drop")) {
            QVERIFY(dropOnto(page->DBEditBookTitle, data));
            delete data;
        } else {
            QGuiApplication::clipboard()->setMimeData(data);
            page->DBEditBookTitle->setFocus();
            QTest::keyClick(page->DBEditBookTitle, Qt::Key_V, Qt::ControlModifier);
            // The picture is not pasted into the title as text.
            QCOMPARE(page->DBEditBookTitle->text(), QStringLiteral("Zwerg Nase"));
        }

        const QString cover = coverPath(f, QStringLiteral("8.10.jpg"));
        QImageReader reader(cover);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage saved = reader.read();
        QCOMPARE(saved.size(), QSize(40, 60));
        if (format == "jpeg") {
            QCOMPARE(
                f.env.readFile(QStringLiteral("Zadizezerev/Html/Umschlagbilder/8.10.jpg")), bytes);
        }
        // Transparent parts turn white, not black.
        const QColor top = saved.pixelColor(20, 2);
        if (transparent)
            QVERIFY2(top.lightness() > 240, qPrintable(top.name()));
        QVERIFY(qAbs(saved.pixelColor(20, 40).blue() - 160) < 12);
        QCOMPARE(f.window().statusText(StatusPanel::Hint),
            QStringLiteral("Umschlagbild gespeichert: 8.10.jpg"));
        QVERIFY(f.desktop.dialogs().isEmpty());
        QVERIFY(!f.data().UnsavedChanges);
    }

    void existingCoverIsReplacedOnlyWhenWanted()
    {
        WindowFixture f;
        QVERIFY(startWithBook(f));
        QVERIFY(f.env.writeFile(QStringLiteral("Zadizezerev/Html/Umschlagbilder/8.10.jpg"), "alt"));
        BookDataPage *page = f.window().bookDataPage();
        QMimeData data;
        data.setData(QStringLiteral("image/png"), encoded(picture(false), "png"));

        f.desktop.answer(Msg::mrCancel, QStringLiteral("Umschlagbild speichern..."));
        QVERIFY(dropOnto(page, &data));
        const auto &asked = f.desktop.lastDialog();
        QCOMPARE(asked.message,
            QStringLiteral("Das Umschlagbild\r\n") + coverPath(f, QStringLiteral("8.10.jpg"))
                + QStringLiteral("\r\nist schon vorhanden.\r\n\r\nErsetzen?"));
        QCOMPARE(asked.captions, (QStringList { "Ja", "Nein" }));
        QCOMPARE(f.env.readFile(QStringLiteral("Zadizezerev/Html/Umschlagbilder/8.10.jpg")),
            QByteArray("alt"));

        f.desktop.answer(Msg::mrOk, QStringLiteral("Umschlagbild speichern..."));
        QVERIFY(dropOnto(page, &data));
        QCOMPARE(
            QImageReader(coverPath(f, QStringLiteral("8.10.jpg"))).format(), QByteArray("jpeg"));
    }

    void noPictureNoCover()
    {
        WindowFixture f;
        QVERIFY(startWithBook(f));
        BookDataPage *page = f.window().bookDataPage();
        const QString coverFolder = coverPath(f, QString());

        // A web address alone is no picture: it stays text for the field.
        QMimeData web;
        web.setUrls({ QUrl(QStringLiteral("https://bilder.example/umschlag.png")) });
        QVERIFY(!CoverDrop::HasCoverPicture(&web));
        QVERIFY(!dropOnto(page, &web));

        // Pasting text pastes text.
        QGuiApplication::clipboard()->setText(QStringLiteral(" und Co."));
        page->DBEditBookTitle->setFocus();
        page->DBEditBookTitle->end(false);
        QTest::keyClick(page->DBEditBookTitle, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(page->DBEditBookTitle->text(), QStringLiteral("Zwerg Nase und Co."));

        // A file that only looks like a picture.
        QVERIFY(f.env.writeFile(QStringLiteral("Downloads/kaputt.png"), "\x89PNG\r\n\x1a\nkaputt"));
        QMimeData broken;
        broken.setData(QStringLiteral("image/png"), "\x89PNG\r\n\x1a\nkaputt");
        f.desktop.answer(Msg::mrOk, QStringLiteral("Umschlagbild speichern..."));
        QVERIFY(dropOnto(page, &broken));
        QVERIFY(f.desktop.lastDialog().message.contains(QStringLiteral("kein lesbares Bild")));
        QVERIFY(QDir(coverFolder).entryList(QDir::Files).isEmpty());
    }

    void bookWithoutNumber()
    {
        WindowFixture f;
        QVERIFY(startWithBook(f));
        DataSet &t = f.table();
        t.edit();
        t.setValue(fBookNbr, QVariant());
        QMimeData data;
        data.setData(QStringLiteral("image/png"), encoded(picture(false), "png"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Umschlagbild speichern..."));
        QVERIFY(dropOnto(f.window().bookDataPage(), &data));
        QCOMPARE(f.desktop.lastDialog().kind, int(Msg::mtWarning));
        QVERIFY(
            f.desktop.lastDialog().message.contains(QStringLiteral("keine gültige Buchnummer")));
        QVERIFY(QDir(coverPath(f, QString())).entryList(QDir::Files).isEmpty());

        // A number typed into the field counts before it is posted.
        DBEdit *number = f.window().bookDataPage()->DBEditBookNbr;
        number->setFocus();
        number->selectAll();
        QTest::keyClicks(number, QStringLiteral("12.1"));
        QVERIFY(dropOnto(f.window().bookDataPage()->DBEditPublisher, &data));
        QVERIFY(QFileInfo::exists(coverPath(f, QStringLiteral("12.10.jpg"))));
    }
};

QTEST_MAIN(TestCoverDrop)
#include "tst_coverdrop.moc"
