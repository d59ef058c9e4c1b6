#include "CoverDrop.h"

#include "CoverImages.h"
#include "base/IDesktop.h"
#include "base/MainContext.h"
#include "base/StatusPanel.h"
#include "base/WorkingFolders.h"
#include "data/DDataAccess.h"
#include "forms/DBControls.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"
#include "util/FileErrors.h"
#include "util/SafeWrite.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <QWidget>

namespace {

const QString kCaption = QStringLiteral("Umschlagbild speichern...");
// A cover is a few hundred kilobytes; a picture file beyond this is no cover.
constexpr qint64 kMaxPictureBytes = 64 * 1024 * 1024;
constexpr int kJpegQuality = 90;

// The local files the data name: URLs, or text holding one file URL or path.
QStringList localFiles(const QMimeData *data)
{
    QStringList files;
    if (data->hasUrls()) {
        for (const QUrl &url : data->urls()) {
            if (url.isLocalFile())
                files.append(url.toLocalFile());
        }
    } else if (data->hasText()) {
        const QString text = data->text().trimmed();
        if (!text.contains(u'\n')) {
            if (text.startsWith(QLatin1String("file:"))) {
                const QUrl url(text);
                if (url.isLocalFile())
                    files.append(url.toLocalFile());
            } else if (QDir::isAbsolutePath(text)) {
                files.append(text);
            }
        }
    }
    return files;
}

void tell(MainContext &ctx, const QString &message, int kind)
{
    ctx.desktop->ShowMessageDialog(
        kCaption, message, Msg::Kind(kind), Msg::mbOK, { QStringLiteral("OK") });
}

bool isPictureFile(const QString &path)
{
    const QFileInfo fi(path);
    return fi.isFile() && !QImageReader::imageFormat(path).isEmpty();
}

QStringList pictureFormats(const QMimeData *data)
{
    QStringList formats;
    for (const QString &f : data->formats()) {
        if (f.startsWith(QLatin1String("image/")))
            formats.append(f);
    }
    return formats;
}

} // namespace

QByteArray CoverJpegBytes(const QByteArray &picture, QString *error)
{
    QBuffer in;
    in.setData(picture);
    in.open(QIODevice::ReadOnly);
    QImageReader reader(&in);
    const QByteArray format = reader.format();
    QImage image = reader.read();
    if (image.isNull()) {
        if (error)
            *error = reader.errorString();
        return {};
    }
    if (format == "jpeg")
        return picture;
    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
        painter.end();
        image = flat;
    }
    QByteArray jpeg;
    QBuffer out(&jpeg);
    out.open(QIODevice::WriteOnly);
    QImageWriter writer(&out, "jpeg");
    writer.setQuality(kJpegQuality);
    if (!writer.write(image)) {
        if (error)
            *error = writer.errorString();
        return {};
    }
    return jpeg;
}

CoverDrop::CoverDrop(MainContext &ctx, QWidget *page, QObject *parent)
    : QObject(parent)
    , m_ctx(ctx)
    , m_page(page)
{
    page->setAcceptDrops(true);
    page->installEventFilter(this);
    const QList<QWidget *> controls = page->findChildren<QWidget *>();
    for (QWidget *w : controls)
        w->installEventFilter(this);
}

bool CoverDrop::HasCoverPicture(const QMimeData *data)
{
    if (!data)
        return false;
    if (data->hasImage() || !pictureFormats(data).isEmpty())
        return true;
    const QStringList files = localFiles(data);
    return std::any_of(files.begin(), files.end(), isPictureFile);
}

bool CoverDrop::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (!HasCoverPicture(drag->mimeData()))
            break;
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        if (!HasCoverPicture(drop->mimeData()))
            break;
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        SaveCoverPicture(drop->mimeData());
        return true;
    }
    case QEvent::KeyPress: {
        // Text on the clipboard is pasted into the field as usual.
        if (!static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste))
            break;
        const QMimeData *clip = QGuiApplication::clipboard()->mimeData();
        if (!HasCoverPicture(clip))
            break;
        SaveCoverPicture(clip);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

QString CurrentCoverFileName(MainContext &ctx, QWidget *page)
{
    // What the person typed counts, also before the record is posted.
    for (const char *name : { "DBEditBookNbr", "DBEditYear" }) {
        auto *edit = page->findChild<DBEdit *>(QLatin1String(name));
        if (edit && edit->isUserModified())
            edit->commit();
    }
    const DataSet &table = *ctx.data->DSetReview;
    QString fileName;
    const bool hasRecord = table.isActive() && (table.isEditing() || !table.isEmpty());
    if (hasRecord && table.value(fBookNbr).toDouble() > 0)
        fileName = CoverImageFileNameOf(table.value(fBookNbr), table.value(fYearPublished));
    if (fileName.isEmpty()) {
        tell(ctx,
            QStringLiteral("Das Buch hat keine gültige Buchnummer.\r\n"
                           "Das Umschlagbild wird unter der Buchnummer gespeichert: "
                           "Geben Sie zuerst die Buchnummer und das Erscheinungsjahr ein."),
            Msg::mtWarning);
    }
    return fileName;
}

bool AskBeforeReplacingCover(MainContext &ctx, const QString &fileName)
{
    const QString path = ctx.folders->coverFolder + fileName;
    if (!QFileInfo::exists(path))
        return true;
    const int answer = ctx.desktop->ShowMessageDialog(kCaption,
        QStringLiteral("Das Umschlagbild\r\n") + path
            + QStringLiteral("\r\nist schon vorhanden.\r\n\r\nErsetzen?"),
        Msg::mtConfirmation, Msg::mbOKCancel, { QStringLiteral("Ja"), QStringLiteral("Nein") });
    return answer == Msg::mrOk;
}

bool SaveCoverFile(MainContext &ctx, const QString &fileName, const QByteArray &picture,
    const QString &origin, bool askBeforeReplacing)
{
    QString error;
    const QByteArray jpeg
        = picture.size() > kMaxPictureBytes ? QByteArray() : CoverJpegBytes(picture, &error);
    if (jpeg.isEmpty()) {
        tell(ctx,
            origin + QStringLiteral("\r\nenthält kein lesbares Bild.")
                + (error.isEmpty() ? QString() : QStringLiteral("\r\n") + error),
            Msg::mtWarning);
        return false;
    }
    if (askBeforeReplacing && !AskBeforeReplacingCover(ctx, fileName))
        return false;
    const QString folder = ctx.folders->coverFolder;
    const QString path = folder + fileName;
    QDir().mkpath(folder);
    if (!WriteFileSafely(path, jpeg, &error)) {
        tell(ctx,
            QStringLiteral("Das Umschlagbild\r\n") + path
                + QStringLiteral("\r\nkann nicht gespeichert werden.\r\n") + error,
            Msg::mtError);
        return false;
    }
    ctx.window->StatusMsg(
        StatusPanel::Hint, QStringLiteral("Umschlagbild gespeichert: ") + fileName);
    return true;
}

bool CoverDrop::SaveCoverPicture(const QMimeData *data)
{
    if (!HasCoverPicture(data))
        return false;
    const QString fileName = CurrentCoverFileName(m_ctx, m_page);
    if (fileName.isEmpty())
        return false;

    // The picture: a local file first, then image data.
    QByteArray picture;
    QString origin;
    for (const QString &file : localFiles(data)) {
        if (!isPictureFile(file))
            continue;
        origin = file;
        QFile f(file);
        if (f.size() > kMaxPictureBytes) {
            tell(m_ctx,
                QStringLiteral("Die Datei\r\n") + file
                    + QStringLiteral("\r\nist zu gross für ein Umschlagbild."),
                Msg::mtWarning);
            return false;
        }
        if (!f.open(QIODevice::ReadOnly)) {
            tell(m_ctx,
                QStringLiteral("Die Datei\r\n") + file
                    + QStringLiteral("\r\nkann nicht gelesen werden.\r\n")
                    + FileErrorText(f.errorString()),
                Msg::mtError);
            return false;
        }
        picture = f.read(kMaxPictureBytes + 1);
        break;
    }
    if (origin.isEmpty()) {
        origin = QStringLiteral("Das gezogene oder eingefügte Bild");
        for (const QString &format : pictureFormats(data)) {
            picture = data->data(format);
            if (!picture.isEmpty() && !QImage::fromData(picture).isNull())
                break;
            picture.clear();
        }
        if (picture.isEmpty() && data->hasImage()) {
            const QImage image = qvariant_cast<QImage>(data->imageData());
            QBuffer buffer(&picture);
            buffer.open(QIODevice::WriteOnly);
            if (image.isNull() || !image.save(&buffer, "PNG"))
                picture.clear();
        }
    }
    return SaveCoverFile(m_ctx, fileName, picture, origin);
}
