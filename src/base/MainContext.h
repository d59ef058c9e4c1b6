#pragma once

#include "util/FileStamp.h"

#include <QString>

#include <optional>

class ActionList;
class IDocumentWriter;
class IDesktop;
class IMailProgram;
class IPrinter;
class IProgress;
class IWordProcessor;
class IniFile;
class QTreeWidget;
class QWidget;
class QTreeWidgetItem;
class QWebEngineView;
class TDataAccess;
class TFrontImageDlg;
struct WorkingFolders;
class ZipArchive;

// What the handlers of the subsystems may ask of the main window.
class IMainWindow
{
public:
    virtual ~IMainWindow();

    virtual void EnableActions(int actionSet) = 0;
    virtual void SetAllowedFormActions() = 0;
    virtual void SetAllowedTreeActions(QTreeWidgetItem *node) = 0;
    virtual void ShowTabsheets(int pageSet, int activePage) = 0;
    virtual int ActivePage() const = 0;
    virtual void SetActivePage(int page) = 0;
    virtual bool EditingPanelEnabled() const = 0;
    virtual void SetEditingPanelEnabled(bool enabled) = 0;
    virtual void FocusBookNumber() = 0;
    virtual void StatusMsg(int panel, const QString &text) = 0;
    virtual void DebugMsg(const QString &text) = 0;
    // Shows the preview of the current record (or of all) again.
    virtual void ShowPreviewInRichEdit(bool all) = 0;
    // True while the preview shows the current review (its first choice).
    virtual bool PreviewShowsCurrent() const = 0;
    virtual void SetNavigatorEnabled(bool enabled) = 0;
    // Empties the review editor, the preview and the web-page view.
    virtual void ClearViews() = 0;
    // A control of the window by its object name.
    virtual QWidget *control(const QString &objectName) const = 0;
};

// The run-wide values and parts of the window that the subsystems' handlers
// share, instead of reaching into the window.
struct MainContext
{
    IDesktop *desktop = nullptr;
    TDataAccess *data = nullptr;
    IniFile *settings = nullptr;
    const WorkingFolders *folders = nullptr;
    IMainWindow *window = nullptr;
    ActionList *actions = nullptr;
    QTreeWidget *tree = nullptr;
    // The web-page tab's browser; made when the tab is first shown.
    QWebEngineView *webBrowser = nullptr;
    IDocumentWriter *documents = nullptr;
    // The cover-image dialog, created once at start-up and shared.
    TFrontImageDlg *frontImageDlg = nullptr;
    // The one archive object, for the mail archive and the zip import.
    ZipArchive *zip = nullptr;
    // The person's mail program.
    IMailProgram *mail = nullptr;
    IPrinter *printer = nullptr;
    // Null: the documents use this platform's own word processor.
    IWordProcessor *wordProcessor = nullptr;
    // Long work tells its progress here (the status bar's bar).
    IProgress *progress = nullptr;

    // The file name (no folder) of the review file being worked on.
    QString CurrentFileName;
    // The review file as this run's last save left it: closing removes an
    // emptied table's file only while it is still that one.
    std::optional<FileStamp> SavedReviewFile;
    QString UserInitials;
    QString ReviewFileExtension;
    QString WebRelativePath;
};
