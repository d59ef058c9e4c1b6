#pragma once

#include "IniFile.h"
#include "WorkingFolders.h"

#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <QStringList>

#include <memory>

class ActionList;
class IDesktop;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QToolBar;
class QTreeWidget;
class QWidget;
class StatusPanels;
class TAboutBox1;
class TDataAccess;
class TState;

// The main window: builds the frame and wires actions and events to the
// handlers of the subsystems.
class TMainform : public QMainWindow
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
    TMainform(IDesktop &desktop, TDataAccess &dataAccess, const QString &programFile,
              QWidget *parent = nullptr);
    ~TMainform() override;

    // Opens the settings, creates the working folders and fills the window.
    // False when start-up cannot go on; the program then ends.
    bool FormCreate();
    void setAboutBox(TAboutBox1 *box) { m_aboutBox = box; }

    // --- run-wide values -------------------------------------------------
    IniFile &SettingsFile() { return *m_settingsFile; }
    QString SettingsFileName() const { return m_settingsFileName; }
    const WorkingFolders &folders() const { return m_folders; }
    QString UserInitials() const { return m_userInitials; }
    QString ReviewFileExtension() const { return m_reviewFileExtension; }
    QString WebRelativePath() const { return m_webRelativePath; }
    const QStringList &VersionInfoList() const { return m_versionInfoList; }
    QSize bookFormMinimumSize() const { return m_bookFormMinSize; }

    // --- status bar and trace ---------------------------------------------
    void StatusMsg(int panel, const QString &text);
    QString statusText(int panel) const;
    void DebugMsg(const QString &text);

    // --- states, actions and pages ----------------------------------------
    ActionList *actions() const { return m_actions; }
    void EnableActions(int actionSet);
    void ShowTabsheets(int pageSet, int activePage);

    // --- handlers ----------------------------------------------------------
    void ActionTerminateExecute();
    void ActionAboutExecute();
    void ActionHelpExecute();
    void ScrollBox1Resize();

    // The controls, by their names.
    QWidget *Panel1 = nullptr;
    QLabel *LabelTreeCaption = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    QSplitter *Splitter1 = nullptr;
    QScrollArea *ScrollBox1 = nullptr;
    QWidget *Panel2 = nullptr;
    QTabWidget *PageControl1 = nullptr;
    QWidget *DBNavigator1 = nullptr;
    StatusPanels *StatusBar1 = nullptr;
    QToolBar *ToolBar1 = nullptr;
    QMenu *PopupMenuTreeView = nullptr;
    QMenu *PopupMenuSearchEngine = nullptr;
    QList<QWidget *> TabSheets;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildFrame();
    void connectActions();
    bool Initialize();
    bool EnsureFolder(const QString &path);
    void askForYearFolder();
    void restoreGeometry();
    // What closing does with the review table; false keeps the window open.
    bool FormCloseQueryReviewTable();
    void FormCloseSaveWindow();

    void StateChangedToInitial(TState *state);
    void StateChangedToEdit(TState *state);
    void StateChangedToEditSettings(TState *state);
    void StateChangedToNavigateTreeView(TState *state);
    void StateChangedToNavigatePageControl(TState *state);

    IDesktop &m_desktop;
    TDataAccess &m_data;
    QString m_programFile;
    QString m_settingsFileName;
    std::unique_ptr<IniFile> m_settingsFile;
    QStringList m_versionInfoList;
    WorkingFolders m_folders;
    QString m_userInitials;
    QString m_reviewFileExtension;
    QString m_webRelativePath;
    QSize m_bookFormMinSize;
    int m_reviewFontSize = 10;
    bool m_created = false;
    ActionList *m_actions = nullptr;
    TAboutBox1 *m_aboutBox = nullptr;
};
