#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

struct MainContext;
class QMimeData;
class QWidget;

// A cover without the file dance: a picture dropped onto the book-data page
// (an image file, an image dragged from a browser, a URL of a local image
// file) or pasted there with Ctrl+V is saved as JPEG under the current book's
// cover image name in the cover folder.
class CoverDrop : public QObject
{
    Q_OBJECT

public:
    // Watches page and every control on it.
    CoverDrop(MainContext &ctx, QWidget *page, QObject *parent = nullptr);

    // Whether the data offer a picture to take: image data, or a local file
    // (as URL or as text) that holds one. Web addresses do not count; the
    // program downloads nothing.
    static bool HasCoverPicture(const QMimeData *data);

    // Saves the picture of data as the current book's cover, asking before
    // an existing cover is replaced. False when nothing was saved (the person
    // has been told why, unless they chose to keep the old cover).
    bool SaveCoverPicture(const QMimeData *data);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MainContext &m_ctx;
    QWidget *m_page;
};

// The current book's cover file name; empty (the person told) when the book
// has no usable number. What the person typed into the number and year edits
// of page counts.
QString CurrentCoverFileName(MainContext &ctx, QWidget *page);

// Asks whether an existing cover of that name is to be replaced; true when
// there is none or the person said yes.
bool AskBeforeReplacingCover(MainContext &ctx, const QString &fileName);

// Saves the picture as the cover file of that name in the cover folder: JPEG
// byte for byte, other formats converted. Asks before an existing cover is
// replaced when askBeforeReplacing is set. False when nothing was saved (the
// person has been told why, unless they chose to keep the old cover). origin
// names the picture in messages.
bool SaveCoverFile(MainContext &ctx, const QString &fileName, const QByteArray &picture,
    const QString &origin, bool askBeforeReplacing = true);

// The bytes of a JPEG file for the picture: JPEG pictures as they are, others
// converted (transparent parts become white). Empty when the bytes hold no
// readable picture; error then says why.
QByteArray CoverJpegBytes(const QByteArray &picture, QString *error = nullptr);
