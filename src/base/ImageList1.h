#pragma once

#include <QIcon>
#include <QPixmap>

// The main window's image list: 16x16 pictures with transparency, shared by
// the review tree, the menus, the tool bar and the tree's popup menu. Each
// picture is an SVG file of the resources (icons.qrc), drawn for any size;
// where a freedesktop icon of the same meaning exists, the desktop's icon
// theme is asked first, so the program looks at home there. The book marks
// and the program's own motifs always come from the resources. Needs a
// QGuiApplication and Qt's SVG icon engine; use from the GUI thread only.
namespace ImageList1 {

enum Index : int {
    ActionNewFolder = 0,
    ActionNew = 1,
    ActionLoad = 2,
    ActionRemove = 3,
    ActionImport = 4,
    ActionImportZip = 5,
    ActionSave = 6,
    ActionDeletefromTree = 7,
    ActionPrint = 8,
    ActionSendMail = 9,
    BookExcluded = 10, // fully transparent
    BookIncluded = 11, // red check mark
    ActionShowMissingFrontImages = 12,
    ActionFindFrontImage = 13,
    ActionPublisherDocuments = 14,
    ActionWebPage = 15,
    ActionHelp = 16,
    ActionAbout = 17,
    ActionTerminate = 18,
    ActionPreferences = 19,
    ActionSendZipped = 20,
    ActionCreateWebPage = 21,
    ActionCreateWordDoc = 22,
    ReviewFile = 23, // a stack of books
    RootNode = 24, // a pile of folders
    FolderOpen = 25, // selected folder node
    FolderClosed = 26, // folder node
    ActionCheckISBN = 27,
    WebSearchProvider = 28,
    // Not used by any action yet.
    CoverPicture = 29,
    Person = 30,
    Warning = 31,
    Refresh = 32,
};

// Number of pictures in the list (33).
int count();
// The 16x16 picture (device pixels, with alpha); a null pixmap for an
// index outside the list.
QPixmap pixmap(int index);
// The picture at any size, sharp on high-density screens; a null icon for
// an index outside the list.
QIcon icon(int index);

// Glyphs of the record navigator's buttons.
enum NavigatorGlyph : int { First, Prior, Next, Last, Insert, Delete, Post, Cancel };

QIcon navigatorIcon(NavigatorGlyph glyph);

} // namespace ImageList1
