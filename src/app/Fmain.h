#pragma once

#include "ProgramFolder.h"
#include "base/IniFile.h"
#include "base/MainContext.h"
#include "base/WorkingFolders.h"
#include "data/IReviewHost.h"

#include <QMainWindow>
#include <QSize>
#include <QStringList>

#include <memory>

class ActionList;
class BookDataPage;
class CommandLineFiles;
class CoverActions;
class DbOverviewPage;
class FindBar;
class IDesktop;
class IMailProgram;
class PageControl;
class PersonDataPage;
class QAction;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;
class QSplitter;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
class ReviewPage;
class SettingsPage;
class StatusPanels;
class TAboutBox1;
class TDataAccess;
class TFrontImageDlg;
class TState;
class TreeEditing;
class TreeNavigation;
class ReviewFileActions;
class WebPages;
class Preview;
class PreviewPage;
class ReviewDocuments;
class WebSettingsPage;
class MailActions;
class ZipActions;
class ZipArchive;
class PublishersPage;
class LanguagesPage;
class ListSettingsPage;

// The main window: builds the frame and wires actions and events to the
// handlers of the subsystems.
class TMainform : public QMainWindow, public IMainWindow, public IReviewHost
{
    Q_OBJECT

public:
    // Tab pages by their index in the page control (hidden pages keep theirs).
    enum Page {
        pgBookData = 0,
        pgReview,
        pgPreview,
        pgWebPage,
        pgDbOverview,
        pgSettingsPersonData,
        pgSettingsWeb,
        pgSettingsPublishers,
        pgSettingsLanguages,
        pgCount
    };
    static constexpr int WorkPages = 31;
    static constexpr int SettingsPages = 480;
    static constexpr int PersonDataPage = 32;

    // programFile: the path of the running program file; everything the
    // program keeps lies beside it.
    // mail, printer: the desktop seam's mail program and printer.
    TMainform(IDesktop &desktop, TDataAccess &dataAccess, const QString &programFile,
        IMailProgram *mail = nullptr, IPrinter *printer = nullptr, QWidget *parent = nullptr);
    ~TMainform() override;

    // Opens the settings, creates the working folders and fills the window.
    // False when start-up cannot go on; the program then ends.
    bool FormCreate();
    void setAboutBox(TAboutBox1 *box) { m_aboutBox = box; }
    void setFrontImageDlg(TFrontImageDlg *dlg) { m_ctx.frontImageDlg = dlg; }
    TFrontImageDlg *frontImageDlg() const { return m_ctx.frontImageDlg; }

    // --- run-wide values -------------------------------------------------
    IniFile &SettingsFile() { return *m_settingsFile; }
    QString SettingsFileName() const { return m_settingsFileName; }
    // Where the settings and the folder tree live (beside the program file or
    // in the person's data folder).
    const ProgramPlace &programPlace() const { return m_place; }
    const WorkingFolders &folders() const { return m_folders; }
    MainContext &context() { return m_ctx; }
    const QStringList &VersionInfoList() const { return m_versionInfoList; }
    QSize bookFormMinimumSize() const { return m_bookFormMinSize; }
    TreeNavigation *treeNavigation() const { return m_treeNavigation; }
    ReviewFileActions *reviewFiles() const { return m_reviewFiles; }
    TreeEditing *treeEditing() const { return m_treeEditing; }
    // The search field above the tree.
    FindBar *findBar() const { return m_findBar; }
    CoverActions *coverActions() const { return m_coverActions; }
    ZipActions *zipActions() const { return m_zipActions; }
    MailActions *mailActions() const { return m_mailActions; }
    // The person's mail program (tests put in another one).
    void setMailProgram(IMailProgram *mail) { m_ctx.mail = mail; }
    ActionList *actions() const { return m_actions; }
    BookDataPage *bookDataPage() const { return m_bookDataPage; }
    ReviewPage *reviewPage() const { return m_reviewPage; }
    DbOverviewPage *dbOverviewPage() const { return m_dbOverviewPage; }
    ::PersonDataPage *personDataPage() const { return m_personDataPage; }
    WebSettingsPage *webSettingsPage() const { return m_webSettingsPage; }
    PublishersPage *publishersPage() const { return m_publishersPage; }
    LanguagesPage *languagesPage() const { return m_languagesPage; }
    WebPages *webPages() const { return m_webPages; }
    ::PreviewPage *previewPage() const { return m_previewPage; }
    ::Preview *preview() const { return m_preview; }
    ReviewDocuments *documents() const { return m_documents.get(); }
    // The printer and the word processor of the desktop seam.
    void setPrinter(IPrinter *printer) { m_ctx.printer = printer; }
    void setWordProcessor(IWordProcessor *wordProcessor) { m_ctx.wordProcessor = wordProcessor; }

    // Review files from the command line or from another copy of the
    // program: the window comes to the front, and each file is shown in the
    // tree or offered for import once nothing else runs.
    void OpenFiles(const QStringList &files);
    CommandLineFiles *commandLineFiles() const { return m_commandLineFiles; }

    // --- IMainWindow -------------------------------------------------------
    void EnableActions(int actionSet) override;
    void SetAllowedFormActions() override;
    void SetAllowedTreeActions(QTreeWidgetItem *node) override;
    void ShowTabsheets(int pageSet, int activePage) override;
    int ActivePage() const override;
    void SetActivePage(int page) override;
    bool EditingPanelEnabled() const override;
    void SetEditingPanelEnabled(bool enabled) override;
    void FocusBookNumber() override;
    void StatusMsg(int panel, const QString &text) override;
    void DebugMsg(const QString &text) override;
    void ShowPreviewInRichEdit(bool all) override;
    bool PreviewShowsCurrent() const override;
    void SetNavigatorEnabled(bool enabled) override;
    void ClearViews() override;
    QWidget *control(const QString &objectName) const override;

    // --- IReviewHost -------------------------------------------------------
    int CountLoadedFiles() const override;
    QString CurrentFileName() const override { return m_ctx.CurrentFileName; }
    QString DefaultReviewerInitials() const override;
    void ShowBookDataPage() override;
    void RemoveBookNode(int bookKey) override;
    void SelectBookNode(int bookKey) override;
    void BookNumberFormatChanged(int decimals) override;

    QString statusText(int panel) const;

    // --- handlers ----------------------------------------------------------
    void ActionTerminateExecute();
    void ActionAboutExecute();
    void ActionHelpExecute();
    // Reports whether the series field (or the given text) holds a valid ISBN.
    void ActionCheckISBNExecute(const QString &text = QString());
    void ActionPreferencesExecute();
    void ButtonAbortSettingsClick();
    void ScrollBox1Resize();
    bool CheckDBstate();
    bool PageControl1Changing(int from, int to);
    void PageControl1Change(int index);
    void PageControl1Enter();
    void TreeView1Enter();
    // Runs the reaction of a page that has become the active one.
    void PageShown(int index);
    void TabSheetBookDataShow();
    void TabSheetReviewShow();
    void TabSheetPreviewShow();
    void TabSheetWebPageShow();
    void TabSheetDbOverviewShow();
    // After a navigator button has done its work.
    void DBNavigator1Click(int button);

    // The controls, by their names.
    QWidget *Panel1 = nullptr;
    QLabel *LabelTreeCaption = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    QSplitter *Splitter1 = nullptr;
    QScrollArea *ScrollBox1 = nullptr;
    QWidget *Panel2 = nullptr;
    PageControl *PageControl1 = nullptr;
    QWidget *DBNavigator1 = nullptr;
    StatusPanels *StatusBar1 = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QMenu *PopupMenuTreeView = nullptr;
    QMenu *PopupMenuSearchEngine = nullptr;
    QList<QWidget *> TabSheets;
    // The publisher and topic lists behind the two letter menus, in file order.
    QStringList PublisherList;
    QStringList TopicList;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildFrame();
    void buildPages();
    // contents: the page's own widget; without one the page stays empty.
    QWidget *buildSettingsFrame(int page, const QString &title, SettingsPage *contents = nullptr);
    void connectActions();
    void connectTree();
    bool Initialize();
    bool EnsureFolder(const QString &path);
    void askForYearFolder();
    void restoreGeometry();
    // Asks what becomes of the unsaved changes of a list page ("Ja" saves
    // them, "Nein" discards them); false when the person stays.
    bool ConfirmListChanges(ListSettingsPage *page);
    // The same for both list pages; the page of a "stay" is shown.
    bool ConfirmAllListChanges();
    // What closing does with the review table; false keeps the window open.
    bool FormCloseQueryReviewTable();
    void FormCloseSaveWindow();
    // Writes the settings back to disk; a failure is reported with the
    // file's name and the system's reason.
    bool WriteSettingsFile();
    void focusChanged(QWidget *old, QWidget *now);

    void StateChangedToInitial(TState *state);
    void StateChangedToEdit(TState *state);
    void StateChangedToEditSettings(TState *state);
    void StateChangedToNavigateTreeView(TState *state);
    void StateChangedToNavigatePageControl(TState *state);

    IDesktop &m_desktop;
    TDataAccess &m_data;
    QString m_programFile;
    ProgramPlace m_place;
    QString m_settingsFileName;
    std::unique_ptr<IniFile> m_settingsFile;
    QStringList m_versionInfoList;
    WorkingFolders m_folders;
    MainContext m_ctx;
    QSize m_bookFormMinSize;
    int m_reviewFontSize = 10;
    bool m_rearrangingPages = false;
    mutable int m_loadedFilesCount = -1;
    ActionList *m_actions = nullptr;
    TreeNavigation *m_treeNavigation = nullptr;
    ReviewFileActions *m_reviewFiles = nullptr;
    std::unique_ptr<ReviewDocuments> m_documents;
    ::PreviewPage *m_previewPage = nullptr;
    ::Preview *m_preview = nullptr;
    TreeEditing *m_treeEditing = nullptr;
    CommandLineFiles *m_commandLineFiles = nullptr;
    FindBar *m_findBar = nullptr;
    CoverActions *m_coverActions = nullptr;
    std::unique_ptr<ZipArchive> m_zipForge1;
    ZipActions *m_zipActions = nullptr;
    MailActions *m_mailActions = nullptr;
    WebPages *m_webPages = nullptr;
    TAboutBox1 *m_aboutBox = nullptr;
    BookDataPage *m_bookDataPage = nullptr;
    ReviewPage *m_reviewPage = nullptr;
    DbOverviewPage *m_dbOverviewPage = nullptr;
    ::PersonDataPage *m_personDataPage = nullptr;
    WebSettingsPage *m_webSettingsPage = nullptr;
    PublishersPage *m_publishersPage = nullptr;
    LanguagesPage *m_languagesPage = nullptr;
};
