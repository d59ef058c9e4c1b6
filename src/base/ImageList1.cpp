#include "ImageList1.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPainter>

#include <array>

// The pictures are SVG files in icons.qrc. This is a static library, so the
// linker keeps the compiled resource only when something calls its
// initialiser, and Q_INIT_RESOURCE must be used outside any namespace.
static void initIconResources() { Q_INIT_RESOURCE(icons); }

namespace {

constexpr int BaseSize = 16;

struct Picture
{
    const char *file; // the bundled picture, icons/<file>.svg
    const char *themeName; // freedesktop name of the same meaning, or nullptr: always bundled
};

// Index order of the list.
constexpr std::array<Picture, 33> Pictures = { {
    { "new-folder", "folder-new" },
    { "new", "document-new" },
    { "load", "document-open" },
    { "remove", nullptr },
    { "import", nullptr },
    { "import-zip", nullptr },
    { "save", "document-save" },
    { "delete-from-tree", "edit-delete" },
    { "print", "document-print" },
    { "send-mail", "mail-send" },
    // The book marks mean included and excluded, not anything a theme draws.
    { "book-excluded", nullptr },
    { "book-included", nullptr },
    { "show-missing-front-images", nullptr },
    { "find-front-image", nullptr },
    { "publisher-documents", nullptr },
    { "web-page", nullptr },
    { "help", "help-contents" },
    { "about", "help-about" },
    { "terminate", "application-exit" },
    { "preferences", "preferences-system" },
    { "send-zipped", nullptr },
    { "create-web-page", nullptr },
    { "create-word-doc", nullptr },
    { "review-file", nullptr },
    { "root-node", nullptr },
    { "folder-open", "folder-open" },
    { "folder-closed", "folder" },
    { "check-isbn", nullptr },
    { "web-search-provider", "system-search" },
    { "cover-picture", "image-x-generic" },
    { "person", nullptr },
    { "warning", "dialog-warning" },
    { "refresh", "view-refresh" },
} };
static_assert(Pictures.size() == ImageList1::Refresh + 1);

constexpr std::array<Picture, 8> Glyphs = { {
    { "nav-first", "go-first" },
    { "nav-prior", "go-previous" },
    { "nav-next", "go-next" },
    { "nav-last", "go-last" },
    { "nav-insert", "list-add" },
    { "nav-delete", "list-remove" },
    { "nav-post", "dialog-ok" },
    { "nav-cancel", "dialog-cancel" },
} };
static_assert(Glyphs.size() == ImageList1::Cancel + 1);

struct Bundle
{
    QList<QIcon> pictures;
    QList<QIcon> glyphs;
};

Bundle *s_bundle = nullptr;

// Icons must go before the application does.
void dropBundle()
{
    delete s_bundle;
    s_bundle = nullptr;
}

QIcon bundled(const Picture &picture)
{
    return QIcon(QStringLiteral(":/skribando/icons/%1.svg").arg(QLatin1String(picture.file)));
}

const Bundle &bundle()
{
    if (!s_bundle) {
        Q_ASSERT_X(qobject_cast<QGuiApplication *>(QCoreApplication::instance()), "ImageList1",
            "needs a QGuiApplication");
        initIconResources();
        s_bundle = new Bundle;
        for (const Picture &picture : Pictures)
            s_bundle->pictures.append(bundled(picture));
        for (const Picture &picture : Glyphs)
            s_bundle->glyphs.append(bundled(picture));
        qAddPostRoutine(dropBundle);
        if (s_bundle->pictures.at(ImageList1::BookIncluded)
                .pixmap(QSize(BaseSize, BaseSize), 1.0)
                .isNull())
            qWarning("The pictures of the image list cannot be drawn: Qt's SVG icon engine is "
                     "missing (Debian package libqt6svg6).");
    }
    return *s_bundle;
}

// The desktop's icon of the same meaning where its theme has one; the
// theme is asked on every call, so a theme changed while the program runs
// shows in icons fetched afterwards.
QIcon lookUp(const Picture &picture, const QIcon &fallback)
{
    if (!picture.themeName)
        return fallback;
    return QIcon::fromTheme(QLatin1String(picture.themeName), fallback);
}

} // namespace

namespace ImageList1 {

int count() { return int(Pictures.size()); }

QPixmap pixmap(int index)
{
    if (index < 0 || index >= count())
        return {};
    const QPixmap drawn = icon(index).pixmap(QSize(BaseSize, BaseSize), 1.0);
    // A theme may hold a smaller picture or one without transparency.
    QImage image(BaseSize, BaseSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.drawPixmap((BaseSize - drawn.width()) / 2, (BaseSize - drawn.height()) / 2, drawn);
    painter.end();
    return QPixmap::fromImage(image);
}

QIcon icon(int index)
{
    if (index < 0 || index >= count())
        return {};
    return lookUp(Pictures.at(index), bundle().pictures.at(index));
}

QIcon navigatorIcon(NavigatorGlyph glyph)
{
    if (glyph < First || glyph > Cancel)
        return {};
    return lookUp(Glyphs.at(glyph), bundle().glyphs.at(glyph));
}

} // namespace ImageList1
