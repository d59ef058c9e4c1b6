#include "Fmain.h"

#include "ActionList.h"
#include "DefaultSettings.h"
#include "FAbout.h"
#include "IDesktop.h"
#include "ProgramIcon.h"
#include "StatusPanels.h"
#include "UState.h"
#include "VersionInfo.h"
#include "data/DDataAccess.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QToolBar>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kHintMilliseconds = 9000;

const char *const kPageNames[TMainform::pgCount] = {
    "TabSheetBookData",           "TabSheetReview",        "TabSheetPreview",
    "TabSheetWebPage",            "TabSheetDbOverview",    "TabSheetSettingsPersonData",
    "TabSheetSettingsWeb",        "TabSheetSettingsPublishers", "TabSheetSettingsLanguages"};
const char *const kPageCaptions[TMainform::pgCount] = {
    "Buchdaten", "Besprechung", "Vorschau", "Web-Seite", "DB-Überblick",
    "Personendaten", "Web-Seite", "Verlage", "Sprachen"};

// The program file's path with its extension replaced by ".ini".
QString settingsFileFor(const QString &programFile)
{
    const QFileInfo fi(programFile);
    QString name = fi.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);
    return fi.absolutePath() + u'/' + name + QStringLiteral(".ini");
}

} // namespace

TMainform::TMainform(IDesktop &desktop, TDataAccess &dataAccess, const QString &programFile,
                     QWidget *parent)
    : QMainWindow(parent)
    , m_desktop(desktop)
    , m_data(dataAccess)
    , m_programFile(programFile)
{
    // Every main window starts from the same state: nothing entered yet, no
    // reactions until the window is complete.
    SetMainWindowExists(false);
    ResetStates();
    buildFrame();
    connectActions();
}

TMainform::~TMainform()
{
    SetMainWindowExists(false);
    ResetStates();
}

// --- the frame --------------------------------------------------------------

void TMainform::buildFrame()
{
    setObjectName(QStringLiteral("Mainform"));
    setWindowIcon(ProgramIcon());

    m_actions = new ActionList(this);
    m_actions->buildMainMenu(menuBar());

    PopupMenuSearchEngine = new QMenu(this);
    PopupMenuSearchEngine->setObjectName(QStringLiteral("PopupMenuSearchEngine"));
    QAction *header = PopupMenuSearchEngine->addAction(QStringLiteral("&Suchmaschine auswählen:"));
    header->setObjectName(QStringLiteral("MenuSelectSearchEngine"));
    header->setEnabled(false);
    PopupMenuSearchEngine->addSeparator();

    ToolBar1 = addToolBar(QStringLiteral("Werkzeugleiste"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_actions->buildToolBar(ToolBar1, PopupMenuSearchEngine);

    PopupMenuTreeView = new QMenu(this);
    PopupMenuTreeView->setObjectName(QStringLiteral("PopupMenuTreeView"));
    m_actions->buildTreePopup(PopupMenuTreeView);

    // Left: the tree panel with its caption.
    auto *treePanel = new QFrame;
    treePanel->setObjectName(QStringLiteral("Panel1"));
    Panel1 = treePanel;
    auto *treeLayout = new QVBoxLayout(treePanel);
    treeLayout->setContentsMargins(0, 0, 0, 0);
    treeLayout->setSpacing(0);
    LabelTreeCaption = new QLabel(QStringLiteral("Gespeicherte Zadizezerev"), treePanel);
    LabelTreeCaption->setObjectName(QStringLiteral("LabelTreeCaption"));
    LabelTreeCaption->setAlignment(Qt::AlignCenter);
    LabelTreeCaption->setFrameStyle(QFrame::Panel | QFrame::Raised);
    LabelTreeCaption->setMinimumHeight(24);
    QFont captionFont = LabelTreeCaption->font();
    captionFont.setBold(true);
    LabelTreeCaption->setFont(captionFont);
    treeLayout->addWidget(LabelTreeCaption);
    TreeView1 = new QTreeWidget(treePanel);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    TreeView1->setIconSize(QSize(16, 16));
    TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    TreeView1->setToolTip(QStringLiteral("Strukturansicht "));
    TreeView1->setStatusTip(QStringLiteral(" Gespeicherte und vom Programm verwaltete Besprechungsberichte"));
    treeLayout->addWidget(TreeView1);
    connect(TreeView1, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        PopupMenuTreeView->popup(TreeView1->viewport()->mapToGlobal(pos));
    });

    // Right: the scroll area with the book form.
    ScrollBox1 = new QScrollArea;
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setWidgetResizable(false);
    ScrollBox1->setFrameStyle(QFrame::NoFrame);
    Panel2 = new QWidget;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto *formLayout = new QVBoxLayout(Panel2);
    formLayout->setContentsMargins(4, 4, 4, 4);
    formLayout->setSpacing(4);
    PageControl1 = new QTabWidget(Panel2);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    for (int i = 0; i < pgCount; ++i) {
        auto *page = new QWidget;
        page->setObjectName(QLatin1String(kPageNames[i]));
        PageControl1->addTab(page, QString::fromUtf8(kPageCaptions[i]));
        TabSheets.append(page);
    }
    formLayout->addWidget(PageControl1, 1);
    DBNavigator1 = new QWidget(Panel2);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setFixedHeight(25);
    formLayout->addWidget(DBNavigator1);
    ScrollBox1->setWidget(Panel2);
    ScrollBox1->installEventFilter(this);

    Splitter1 = new QSplitter(Qt::Horizontal);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->addWidget(Panel1);
    Splitter1->addWidget(ScrollBox1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setChildrenCollapsible(false);
    setCentralWidget(Splitter1);

    StatusBar1 = new StatusPanels(this);
    setStatusBar(StatusBar1);
}

void TMainform::connectActions()
{
    connect(m_actions->action(QStringLiteral("ActionTerminate")), &QAction::triggered, this,
            &TMainform::ActionTerminateExecute);
    connect(m_actions->action(QStringLiteral("ActionAbout")), &QAction::triggered, this,
            &TMainform::ActionAboutExecute);
    connect(m_actions->action(QStringLiteral("ActionHelp")), &QAction::triggered, this,
            &TMainform::ActionHelpExecute);

    // The three switches keep their setting in step with their check mark.
    const struct {
        const char *action;
        const char *key;
    } switches[] = {{"ActionSendZipped", "SendMailZipped"},
                    {"ActionCreateWebPage", "CreateWebPage"},
                    {"ActionCreateWordDoc", "CreateWordDoc"}};
    for (const auto &s : switches) {
        const QString key = QLatin1String(s.key);
        connect(m_actions->action(QLatin1String(s.action)), &QAction::toggled, this,
                [this, key](bool on) {
                    if (m_settingsFile)
                        m_settingsFile->writeBool(QStringLiteral("Reviewer"), key, on);
                });
    }
}

// --- start-up ----------------------------------------------------------------

bool TMainform::FormCreate()
{
    // 1. Hints: the application-wide tooltip handling shows them 9000 ms;
    // the long part reaches the status bar through the status-tip events.
    qApp->installEventFilter(this);

    // 2.
    m_settingsFileName = settingsFileFor(m_programFile);

    // 3. The book form's designed size; it never shrinks below it.
    m_bookFormMinSize = QSize(621, 474).expandedTo(Panel2->minimumSizeHint());
    Panel2->resize(m_bookFormMinSize);

    // 4. and 5.
    ReadVersionInfo(m_versionInfoList);
    const QString version3 = GetVersionField(m_versionInfoList, 2);
    const QString version2 = GetVersionField(m_versionInfoList, 1);
    const QString title = QStringLiteral("Skribando V") + version2;
    m_desktop.setApplicationTitle(title);
    setWindowTitle(title);

    // 6. to 8.
    bool writeDefaults = false;
    if (!QFileInfo::exists(m_settingsFileName)) {
        QFile f(m_settingsFileName);
        if (!f.open(QIODevice::WriteOnly)) {
            m_desktop.ShowPlainMessage(QStringLiteral("Inifile \n\r") + m_settingsFileName
                                       + QStringLiteral("\r\nkonnte nicht angelegt werden.\r\n")
                                       + QStringLiteral("Haben Sie Erlaubnis zum schreiben?"));
            return false;
        }
        writeDefaults = true;
    }
    m_settingsFile = std::make_unique<IniFile>(m_settingsFileName);
    if (writeDefaults)
        WriteDefaultSettings(*m_settingsFile, version3);

    // 9. The list pages and menus come with their pages.

    // 10.
    if (!Initialize())
        return false;

    // 11. The web page settings and the search providers come with their
    // pages.

    // 12.
    m_settingsFile->UpdateFile();

    // 13.
    StateInitial().OnChange = [this](TState *s) { StateChangedToInitial(s); };
    StateEdit().OnChange = [this](TState *s) { StateChangedToEdit(s); };
    StateEditSettings().OnChange = [this](TState *s) { StateChangedToEditSettings(s); };
    StateNavigateTreeView().OnChange = [this](TState *s) { StateChangedToNavigateTreeView(s); };
    StateNavigatePageControl().OnChange = [this](TState *s) {
        StateChangedToNavigatePageControl(s);
    };

    m_created = true;
    SetMainWindowExists(true);
    return true;
}

bool TMainform::Initialize()
{
    IniFile &ini = *m_settingsFile;
    const QString reviewer = QStringLiteral("Reviewer");
    m_userInitials = ini.readString(reviewer, QStringLiteral("Initials"), QStringLiteral("XY"));
    m_reviewFileExtension
        = ini.readString(QStringLiteral("Extensions"), QStringLiteral("FormatDB"), QStringLiteral(".cds"));
    m_actions->action(QStringLiteral("ActionSendZipped"))
        ->setChecked(ini.readBool(reviewer, QStringLiteral("SendMailZipped"), true));
    m_actions->action(QStringLiteral("ActionCreateWebPage"))
        ->setChecked(ini.readBool(reviewer, QStringLiteral("CreateWebPage"), false));
    m_actions->action(QStringLiteral("ActionCreateWordDoc"))
        ->setChecked(ini.readBool(reviewer, QStringLiteral("CreateWordDoc"), false));

    const QString folders = QStringLiteral("Folders");
    m_folders.compute(QFileInfo(m_programFile).absolutePath(),
                      ini.readString(folders, QStringLiteral("VexRootFolder"), QStringLiteral("Zadizezerev")),
                      ini.readString(folders, QStringLiteral("VexDbFolder"), QStringLiteral("DB")));
    m_webRelativePath
        = ini.readString(QStringLiteral("WEBpage"), QStringLiteral("RelativePath"), QStringLiteral("../"));

    restoreGeometry();
    m_reviewFontSize = ini.readInteger(QStringLiteral("DocStyle"), QStringLiteral("FontSize"), 10);

    for (const QString &folder : {m_folders.dbFolder, m_folders.coverFolder, m_folders.wordFolder,
                                  m_folders.zipFolder}) {
        QString path = folder;
        if (folder == m_folders.wordFolder || folder == m_folders.zipFolder)
            path.chop(1);
        if (!EnsureFolder(path))
            return false;
    }

    askForYearFolder();

    // The review tree comes with its own subsystem.
    PageControl1->setCurrentIndex(pgBookData);
    m_data.UnsavedChanges = false;
    StatusMsg(StatusPanels::LoadedFiles, QString::number(0));
    return true;
}

bool TMainform::EnsureFolder(const QString &path)
{
    if (QFileInfo(path).isDir() || QDir().mkpath(path))
        return true;
    m_desktop.ShowMessageDialog(QStringLiteral("Verzeichnis anlegen"),
                                QStringLiteral("Das Verzeichnis\r\n") + path
                                    + QStringLiteral("\r\nkann nicht angelegt werden.\r\n")
                                    + QStringLiteral("Ohne dieses ist das Programm nicht lauffähig."),
                                Msg::mtError, Msg::mbOK, {QStringLiteral("OK")});
    return false;
}

void TMainform::askForYearFolder()
{
    const QString folders = QStringLiteral("Folders");
    const QString askKey = QStringLiteral("AskYearFolder");
    const int year = m_desktop.Today().year();
    const QString yearFolder = m_folders.yearFolder(year);
    if (!m_settingsFile->readBool(folders, askKey, true) || QFileInfo(yearFolder).isDir())
        return;

    const QString yearText = QString::number(year);
    const int answer = m_desktop.ShowMessageDialog(
        QStringLiteral("Jahresverzeichnis anlegen..."),
        QStringLiteral("Das Verzeichnis für die Zadizezerev des Jahres ") + yearText
            + QStringLiteral(" fehlt.\r\n\r\nSoll es angelegt werden?"),
        Msg::mtInformation, Msg::mbYesNoCancel,
        {QStringLiteral("Ja"), QStringLiteral("Nein"), QStringLiteral("Nie mehr")});
    if (answer == Msg::mrYes) {
        if (!QDir().mkpath(yearFolder)) {
            m_desktop.ShowMessageDialog(QStringLiteral("Jahresverzeichnis anlegen..."),
                                        QStringLiteral("Das Jahresverzeichnis\r\n") + yearFolder
                                            + QStringLiteral("\r\nkann nicht angelegt werden.\r\n")
                                            + QStringLiteral("Es wird das Grundverzeichnis verwendet."),
                                        Msg::mtWarning, Msg::mbOK, {QStringLiteral("OK")});
        }
    } else if (answer == Msg::mrCancel) {
        m_settingsFile->writeBool(folders, askKey, false);
    }
}

void TMainform::restoreGeometry()
{
    const QString pos = QStringLiteral("Position");
    const int top = m_settingsFile->readInteger(pos, QStringLiteral("Top"), 10);
    const int left = m_settingsFile->readInteger(pos, QStringLiteral("Left"), 10);
    const int width = m_settingsFile->readInteger(pos, QStringLiteral("Width"), 896);
    const int height = m_settingsFile->readInteger(pos, QStringLiteral("Height"), 606);
    const int splitterLeft = m_settingsFile->readInteger(pos, QStringLiteral("SplitterLeft"), 264);
    // Applied as stored, as the person left them.
    move(left, top);
    resize(width, height);
    Splitter1->setSizes({splitterLeft, qMax(1, width - splitterLeft)});
}

// --- shutdown -----------------------------------------------------------------

void TMainform::closeEvent(QCloseEvent *event)
{
    const bool mayClose = FormCloseQueryReviewTable();
    FormCloseSaveWindow();
    if (mayClose)
        event->accept();
    else
        event->ignore();
}

bool TMainform::FormCloseQueryReviewTable()
{
    DataSet &table = *m_data.DSetReview;
    if (table.recordCount() == 0) {
        // A review file whose records were all deleted does not stay behind;
        // it goes to the trash rather than away for good, since nobody is
        // asked here.
        const QString path = table.fileName();
        table.close();
        if (!path.isEmpty() && QFileInfo::exists(path))
            m_desktop.MoveToTrash(path);
        table.setFileName(QString());
        return true;
    }
    if (!m_data.UnsavedChanges)
        return true;
    const int answer = m_desktop.ShowMessageDialog(
        QStringLiteral("Ungesicherte Daten..."),
        QStringLiteral("Sie haben die letzen Änderungen noch nicht mit \"Speichern\" gesichert.\r\n"
                       "Möchten Sie abbrechen und die Daten dann speichern?"),
        Msg::mtConfirmation, Msg::mbOKCancel, {QStringLiteral("Ja"), QStringLiteral("Nein")});
    if (answer == Msg::mrOk)
        return false;
    table.cancel();
    table.setFileName(QString());
    table.close();
    return true;
}

void TMainform::FormCloseSaveWindow()
{
    if (!m_settingsFile)
        return;
    const QString pos = QStringLiteral("Position");
    m_settingsFile->writeInteger(pos, QStringLiteral("Top"), y());
    m_settingsFile->writeInteger(pos, QStringLiteral("Left"), x());
    m_settingsFile->writeInteger(pos, QStringLiteral("Width"), width());
    m_settingsFile->writeInteger(pos, QStringLiteral("Height"), height());
    m_settingsFile->writeInteger(pos, QStringLiteral("SplitterLeft"), Panel1->width());
    m_settingsFile->UpdateFile();
}

void TMainform::ActionTerminateExecute()
{
    close();
}

// --- help and about --------------------------------------------------------------

void TMainform::ActionAboutExecute()
{
    if (m_aboutBox)
        m_aboutBox->showFor(m_versionInfoList);
}

void TMainform::ActionHelpExecute()
{
    const QString path = m_folders.programFolder + QStringLiteral("Hilfe/") + QStringLiteral("Skribando.html");
    const int code = m_desktop.ShellOpen(path);
    if (code == 2) {
        m_desktop.ShowMessageDialog(QStringLiteral("Hilfe..."),
                                    QStringLiteral("Hilfedatei\r\n") + path + QStringLiteral("\r\nnicht gefunden."),
                                    Msg::mtError, Msg::mbOK, {QStringLiteral("OK")});
    } else if (code >= 0 && code <= 32) {
        m_desktop.ShowMessageDialog(QStringLiteral("Hilfe..."),
                                    QStringLiteral("Hilfe kann nicht angezeigt werden.\r\nFehlernummer: ")
                                        + QString::number(code),
                                    Msg::mtError, Msg::mbOK, {QStringLiteral("OK")});
    }
}

// --- status bar, hints, trace -------------------------------------------------------

void TMainform::StatusMsg(int panel, const QString &text)
{
    StatusBar1->setPanelText(panel, text);
}

QString TMainform::statusText(int panel) const
{
    return StatusBar1->panelText(panel);
}

void TMainform::DebugMsg(const QString &text)
{
    // A trace hook: shows and stores nothing.
    Q_UNUSED(text);
}

bool TMainform::event(QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        // ShowHint: the long hint of the control under the mouse.
        StatusMsg(StatusPanels::Hint, static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TMainform::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ScrollBox1 && event->type() == QEvent::Resize) {
        ScrollBox1Resize();
    } else if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
        auto *w = static_cast<QWidget *>(watched);
        if (!w->toolTip().isEmpty() && w->toolTipDuration() < 0 && w->window() == this) {
            const auto *help = static_cast<QHelpEvent *>(event);
            QToolTip::showText(help->globalPos(), w->toolTip().trimmed(), w, QRect(), kHintMilliseconds);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainform::ScrollBox1Resize()
{
    const QSize area = ScrollBox1->maximumViewportSize();
    const int w = area.width();
    const int h = area.height();
    const int w0 = m_bookFormMinSize.width();
    const int h0 = m_bookFormMinSize.height();
    if (w >= w0 && h >= h0)
        Panel2->resize(w, h);
    else if (w < w0 && h <= h0)
        Panel2->resize(w0, h0);
    else if (w < w0 && h >= h0)
        Panel2->resize(Panel2->width(), h);
    else if (h < h0 && w >= w0)
        Panel2->resize(w, Panel2->height());
}

// --- states, actions, pages ------------------------------------------------------

void TMainform::EnableActions(int actionSet)
{
    m_actions->EnableActions(actionSet);
}

void TMainform::ShowTabsheets(int pageSet, int activePage)
{
    PageControl1->hide();
    for (int i = 0; i < pgCount; ++i)
        PageControl1->setTabVisible(i, (pageSet >> i) & 1);
    PageControl1->show();
    if (PageControl1->isTabVisible(activePage))
        PageControl1->setCurrentIndex(activePage);
}

void TMainform::StateChangedToInitial(TState *)
{
    DebugMsg(QStringLiteral("---> StateChangedToInitial"));
    EnableActions(0);
    ShowTabsheets(WorkPages, pgBookData);
    DBNavigator1->setVisible(true);
    Panel1->setEnabled(true);
    Panel2->setEnabled(false);
}

void TMainform::StateChangedToEdit(TState *)
{
    DebugMsg(QStringLiteral("---> StateChangedToEdit"));
    Panel1->setEnabled(true);
    Panel2->setEnabled(true);
    DBNavigator1->setVisible(true);
}

void TMainform::StateChangedToEditSettings(TState *)
{
    DebugMsg(QStringLiteral("---> StateChangedToEditSettings"));
    EnableActions(0);
    DBNavigator1->setVisible(false);
    Panel1->setEnabled(false);
    Panel2->setEnabled(true);
}

void TMainform::StateChangedToNavigateTreeView(TState *)
{
    DebugMsg(QStringLiteral("---> StateChangedToNavigateTreeView"));
    DBNavigator1->setVisible(true);
}

void TMainform::StateChangedToNavigatePageControl(TState *)
{
    DebugMsg(QStringLiteral("---> StateChangedToNavigatePageControl"));
    DBNavigator1->setVisible(true);
}
