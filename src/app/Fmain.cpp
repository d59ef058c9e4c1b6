#include "Fmain.h"

#include "CommandLineFiles.h"
#include "FAbout.h"
#include "PageControl.h"
#include "ProgramFolder.h"
#include "ProgramIcon.h"
#include "StatusPanels.h"
#include "StatusProgress.h"
#include "VersionInfo.h"
#include "base/ActionList.h"
#include "base/DefaultSettings.h"
#include "base/IDesktop.h"
#include "base/IDocumentWriter.h"
#include "base/UState.h"
#include "catalogue/CatalogueActions.h"
#include "data/DDataAccess.h"
#include "documents/Preview.h"
#include "documents/PreviewPage.h"
#include "documents/ReviewDocuments.h"
#include "documents/WebPages.h"
#include "exchange/CoverActions.h"
#include "exchange/CoverDrop.h"
#include "exchange/MailActions.h"
#include "exchange/ZipActions.h"
#include "exchange/ZipArchive.h"
#include "files/ReviewFiles.h"
#include "forms/BookDataPage.h"
#include "forms/DBControls.h"
#include "forms/DBNavigator.h"
#include "forms/DbOverviewPage.h"
#include "forms/LetterMenus.h"
#include "forms/ReviewPage.h"
#include "settings_pages/ListSettingsPage.h"
#include "settings_pages/PersonDataPage.h"
#include "settings_pages/WebSettingsPage.h"
#include "store/ISBN.h"
#include "store/ReviewSchema.h"
#include "tree/FindBar.h"
#include "tree/ReviewTreeWidget.h"
#include "tree/TreeEditing.h"
#include "tree/TreeNavigation.h"
#include "tree/TreeProcedures.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
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

const char *const kPageNames[TMainform::pgCount] = { "TabSheetBookData", "TabSheetReview",
    "TabSheetPreview", "TabSheetWebPage", "TabSheetDbOverview", "TabSheetSettingsPersonData",
    "TabSheetSettingsWeb", "TabSheetSettingsPublishers", "TabSheetSettingsLanguages" };
const char *const kPageCaptions[TMainform::pgCount] = { "Buchdaten", "Besprechung", "Vorschau",
    "Web-Seite", "DB-Überblick", "Personendaten", "Web-Seite", "Verlage", "Sprachen" };

// Shows the tooltips of the window's controls for 9000 ms.
class HintDuration : public QObject
{
public:
    explicit HintDuration(QWidget *window)
        : QObject(window)
        , m_window(window)
    { }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
            return false;
        auto *w = static_cast<QWidget *>(watched);
        if (w->toolTip().isEmpty() || w->toolTipDuration() >= 0 || w->window() != m_window)
            return false;
        const auto *help = static_cast<QHelpEvent *>(event);
        QToolTip::showText(
            help->globalPos(), w->toolTip().trimmed(), w, QRect(), kHintMilliseconds);
        return true;
    }

private:
    QWidget *m_window;
};

} // namespace

TMainform::TMainform(IDesktop &desktop, TDataAccess &dataAccess, const QString &programFile,
    IMailProgram *mail, IPrinter *printer, QWidget *parent)
    : QMainWindow(parent)
    , m_desktop(desktop)
    , m_data(dataAccess)
    , m_programFile(programFile)
{
    // Every main window starts from the same state: nothing entered yet, no
    // reactions until the window is complete.
    SetMainWindowExists(false);
    ResetStates();
    m_ctx.desktop = &m_desktop;
    m_ctx.mail = mail;
    m_ctx.printer = printer;
    m_ctx.data = &m_data;
    m_ctx.folders = &m_folders;
    m_ctx.window = this;
    buildFrame();
    m_ctx.actions = m_actions;
    m_ctx.tree = TreeView1;
    m_treeNavigation = new TreeNavigation(m_ctx, this);
    m_documents = std::make_unique<ReviewDocuments>(m_ctx);
    m_preview = new ::Preview(m_ctx, *m_previewPage, this);
    m_ctx.documents = m_documents.get();
    m_reviewFiles = new ReviewFileActions(m_ctx, *m_treeNavigation, this);
    m_treeEditing = new TreeEditing(m_ctx, this);
    m_coverActions = new CoverActions(m_ctx, this);
    // The library catalogue, from the series field of the book-data page.
    auto *catalogue = new CatalogueActions(m_ctx, this);
    QAction *fetchData = m_actions->action(QStringLiteral("ActionFetchCatalogueData"));
    QAction *fetchCover = m_actions->action(QStringLiteral("ActionFetchCover"));
    connect(fetchData, &QAction::triggered, catalogue,
        &CatalogueActions::ActionFetchCatalogueDataExecute);
    connect(fetchCover, &QAction::triggered, catalogue, &CatalogueActions::ActionFetchCoverExecute);
    m_bookDataPage->addSeriesActions({ fetchData, fetchCover });
    new CoverDrop(m_ctx, m_bookDataPage, this);
    m_zipForge1 = std::make_unique<ZipArchive>();
    m_ctx.zip = m_zipForge1.get();
    m_zipActions = new ZipActions(m_ctx, *m_treeNavigation, this);
    m_mailActions = new MailActions(m_ctx, *m_reviewFiles, this);
    m_webPages = new WebPages(m_ctx, this);
    m_documents->setWebPages(m_webPages);
    m_commandLineFiles = new CommandLineFiles(m_ctx, *m_treeNavigation, *m_reviewFiles, this);
    connectActions();
    connectTree();
    m_data.setHost(this);
}

TMainform::~TMainform()
{
    // The focus moves while the window is taken apart; that is no entering
    // of the tree or the pages any more.
    disconnect(qApp, &QApplication::focusChanged, this, &TMainform::focusChanged);
    disconnect(TreeView1->model(), nullptr, this, nullptr);
    m_data.setHost(nullptr);
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
    TreeView1 = new ReviewTreeWidget(treePanel);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    TreeView1->setIconSize(QSize(16, 16));
    TreeView1->setContextMenuPolicy(Qt::CustomContextMenu);
    TreeView1->setToolTip(QStringLiteral("Strukturansicht "));
    TreeView1->setStatusTip(
        QStringLiteral(" Gespeicherte und vom Programm verwaltete Besprechungsberichte"));
    // The search field between the caption and the tree.
    m_findBar = new FindBar(TreeView1, *m_data.DSetReview, treePanel);
    treeLayout->addWidget(m_findBar);
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
    PageControl1 = new PageControl(Panel2);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    for (int i = 0; i < pgCount; ++i) {
        auto *page = new QWidget;
        page->setObjectName(QLatin1String(kPageNames[i]));
        PageControl1->addTab(page, QString::fromUtf8(kPageCaptions[i]));
        TabSheets.append(page);
    }
    formLayout->addWidget(PageControl1, 1);
    auto *navigator = new DBNavigator(m_data.DSetReview, Panel2);
    navigator->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1 = navigator;
    connect(navigator, &DBNavigator::clicked, this, &TMainform::DBNavigator1Click);
    formLayout->addWidget(DBNavigator1, 0, Qt::AlignLeft);
    buildPages();
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
    m_ctx.progress = StatusBar1->progress();
}

void TMainform::connectActions()
{
    connect(m_actions->action(QStringLiteral("ActionTerminate")), &QAction::triggered, this,
        &TMainform::ActionTerminateExecute);
    connect(m_actions->action(QStringLiteral("ActionAbout")), &QAction::triggered, this,
        &TMainform::ActionAboutExecute);
    connect(m_actions->action(QStringLiteral("ActionHelp")), &QAction::triggered, this,
        &TMainform::ActionHelpExecute);
    connect(m_actions->action(QStringLiteral("ActionPreferences")), &QAction::triggered, this,
        &TMainform::ActionPreferencesExecute);
    connect(m_actions->action(QStringLiteral("ActionCheckISBN")), &QAction::triggered, this,
        [this] { ActionCheckISBNExecute(); });
    connect(m_actions->action(QStringLiteral("ActionFind")), &QAction::triggered, m_findBar,
        &FindBar::ActionFindExecute);
    connect(m_actions->reviewAction(baNew), &QAction::triggered, m_reviewFiles,
        &ReviewFileActions::ActionNewExecute);
    connect(m_actions->reviewAction(baLoad), &QAction::triggered, m_reviewFiles,
        &ReviewFileActions::ActionLoadExecute);
    connect(m_actions->reviewAction(baSave), &QAction::triggered, m_reviewFiles,
        &ReviewFileActions::ActionSaveExecute);
    connect(m_actions->reviewAction(baRemove), &QAction::triggered, m_reviewFiles,
        &ReviewFileActions::ActionRemoveExecute);
    connect(m_actions->reviewAction(baImport), &QAction::triggered, m_reviewFiles,
        &ReviewFileActions::ActionImportExecute);
    connect(m_actions->action(QStringLiteral("ActionNewFolder")), &QAction::triggered,
        m_treeEditing, &TreeEditing::ActionNewFolderExecute);
    connect(m_actions->action(QStringLiteral("ActionDeletefromTree")), &QAction::triggered,
        m_treeEditing, &TreeEditing::ActionDeletefromTreeExecute);
    connect(m_actions->reviewAction(baShowMissingFrontImages), &QAction::triggered, m_coverActions,
        &CoverActions::ActionShowMissingFrontImagesExecute);
    connect(m_actions->reviewAction(baFindFrontImage), &QAction::triggered, m_coverActions,
        &CoverActions::ActionFindFrontImageExecute);
    connect(m_actions->reviewAction(baImportZip), &QAction::triggered, m_zipActions,
        &ZipActions::ActionImportZipExecute);
    connect(m_actions->reviewAction(baSendMail), &QAction::triggered, m_mailActions,
        &MailActions::ActionSendMailExecute);
    connect(m_actions->action(QStringLiteral("ActionSendZipped")), &QAction::triggered,
        m_mailActions, &MailActions::ActionSendZippedExecute);
    connect(m_actions->reviewAction(baWebPage), &QAction::triggered, m_webPages,
        &WebPages::ActionWebPageExecute);
    // Only the person's flip is told; the check mark set at start-up is not.
    connect(m_actions->action(QStringLiteral("ActionCreateWebPage")), &QAction::triggered,
        m_webPages, &WebPages::ActionCreateWebPageExecute);
    connect(m_actions->action(QStringLiteral("ActionPrint")), &QAction::triggered, m_preview,
        &::Preview::ActionPrintExecute);
    connect(m_actions->action(QStringLiteral("ActionPublisherDocuments")), &QAction::triggered,
        m_documents.get(), &ReviewDocuments::ActionPublisherDocumentsExecute);
    connect(m_actions->action(QStringLiteral("ActionCreateWordDoc")), &QAction::triggered,
        m_documents.get(), &ReviewDocuments::ActionCreateWordDocExecute);

    // These switches keep their setting in step with the person's choice;
    // setting the check mark at start-up writes nothing. The web-page
    // switch's own handler writes its setting.
    const struct
    {
        const char *action;
        const char *key;
    } switches[]
        = { { "ActionSendZipped", "SendMailZipped" }, { "ActionCreateWordDoc", "CreateWordDoc" } };
    for (const auto &s : switches) {
        const QString key = QLatin1String(s.key);
        connect(m_actions->action(QLatin1String(s.action)), &QAction::triggered, this,
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
    qApp->installEventFilter(new HintDuration(this));

    // 2. Beside the program file, or in the person's data folder for an
    // installed program; that folder is made on the first start.
    m_place = ChooseProgramFolder(m_programFile);
    m_settingsFileName = m_place.settingsFile;
    if (!m_place.portable)
        QDir().mkpath(m_place.folder);

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

    // 6. to 8. The settings file is not created empty first: a start that
    // fails or is killed before the defaults are on disk would leave a file
    // that every later start took for settled, without any default list.
    bool writeDefaults = !QFileInfo::exists(m_settingsFileName);
    m_settingsFile = std::make_unique<IniFile>(m_settingsFileName);
    if (m_settingsFile->readFailed()) {
        // Going on with defaults would ask what the file has settled and,
        // at the end, write the defaults over it.
        m_desktop.ShowMessageDialog(QStringLiteral("Einstellungen lesen..."),
            QStringLiteral("Die Einstellungsdatei\r\n") + m_settingsFileName
                + QStringLiteral("\r\nkann nicht gelesen werden:\r\n")
                + m_settingsFile->errorString() + QStringLiteral("\r\nDas Programm wird beendet."),
            Msg::mtError, Msg::mbOK, { QStringLiteral("OK") });
        m_settingsFile.reset();
        return false;
    }
    // A file without a single section holds no setting (an empty one left
    // by an earlier start that failed): it gets the defaults as a new one.
    if (m_settingsFile->sectionNames().isEmpty())
        writeDefaults = true;
    if (writeDefaults) {
        WriteDefaultSettings(*m_settingsFile, version3);
        // The file comes into being whole, through the safe write, or not at all.
        if (!m_settingsFile->UpdateFile()) {
            m_desktop.ShowPlainMessage(QStringLiteral("Inifile \n\r") + m_settingsFileName
                + QStringLiteral("\r\nkonnte nicht angelegt werden.\r\n")
                + QStringLiteral("Haben Sie Erlaubnis zum schreiben?"));
            m_settingsFile.reset();
            return false;
        }
    }
    m_ctx.settings = m_settingsFile.get();

    // 9. The language page with the table behind the book page's drop-down,
    // the publisher page with the publisher menu, the person data and the
    // topic menu.
    m_languagesPage->IniSettingsLanguageList(*m_settingsFile, QStringLiteral("Languages"));
    m_publishersPage->IniSettingsPublisherList(*m_settingsFile, QStringLiteral("Publishers"));
    m_personDataPage->IniSettingsPersonData(*m_settingsFile);
    IniPopupTopics(
        *m_settingsFile, QStringLiteral("Topics"), TopicList, m_reviewPage->PopupMenuTopics);

    // 10.
    if (!Initialize())
        return false;

    // The program's own page style where the configured one is missing, so
    // the style-sheet list below offers it and pages read well from the start.
    m_webPages->EnsurePageStyle();

    // 11. The web page settings, and the search providers in the drop-down of
    // "Titelbild suchen".
    m_webSettingsPage->IniSettingsWeb(*m_settingsFile);
    m_coverActions->IniWebSearch(*m_settingsFile, this);

    // 12.
    WriteSettingsFile();

    // 13.
    StateInitial().OnChange = [this](TState *s) { StateChangedToInitial(s); };
    StateEdit().OnChange = [this](TState *s) { StateChangedToEdit(s); };
    StateEditSettings().OnChange = [this](TState *s) { StateChangedToEditSettings(s); };
    StateNavigateTreeView().OnChange = [this](TState *s) { StateChangedToNavigateTreeView(s); };
    StateNavigatePageControl().OnChange
        = [this](TState *s) { StateChangedToNavigatePageControl(s); };

    SetMainWindowExists(true);
    return true;
}

bool TMainform::Initialize()
{
    IniFile &ini = *m_settingsFile;
    const QString reviewer = QStringLiteral("Reviewer");
    m_ctx.UserInitials = ini.readString(reviewer, QStringLiteral("Initials"), QStringLiteral("XY"));
    m_ctx.ReviewFileExtension = ini.readString(
        QStringLiteral("Extensions"), QStringLiteral("FormatDB"), QStringLiteral(".cds"));
    m_actions->action(QStringLiteral("ActionSendZipped"))
        ->setChecked(ini.readBool(reviewer, QStringLiteral("SendMailZipped"), true));
    m_actions->action(QStringLiteral("ActionCreateWebPage"))
        ->setChecked(ini.readBool(reviewer, QStringLiteral("CreateWebPage"), false));
    m_actions->action(QStringLiteral("ActionCreateWordDoc"))
        ->setChecked(ini.readBool(reviewer, QStringLiteral("CreateWordDoc"), false));

    const QString folders = QStringLiteral("Folders");
    m_folders.compute(m_place.folder,
        ini.readString(folders, QStringLiteral("VexRootFolder"), QStringLiteral("Zadizezerev")),
        ini.readString(folders, QStringLiteral("VexDbFolder"), QStringLiteral("DB")));
    m_ctx.WebRelativePath = ini.readString(
        QStringLiteral("WEBpage"), QStringLiteral("RelativePath"), QStringLiteral("../"));

    restoreGeometry();
    m_reviewFontSize = ini.readInteger(QStringLiteral("DocStyle"), QStringLiteral("FontSize"), 10);
    m_reviewPage->setReviewFontSize(m_reviewFontSize);

    for (const QString &folder :
        { m_folders.dbFolder, m_folders.coverFolder, m_folders.wordFolder, m_folders.zipFolder }) {
        QString path = folder;
        if (folder == m_folders.wordFolder || folder == m_folders.zipFolder)
            path.chop(1);
        if (!EnsureFolder(path))
            return false;
    }

    askForYearFolder();

    m_treeNavigation->TreeViewPopulate();
    SetActivePage(pgBookData);
    m_data.UnsavedChanges = false;
    StatusMsg(StatusPanel::LoadedFiles, QString::number(CountLoadedFiles()));
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
        Msg::mtError, Msg::mbOK, { QStringLiteral("OK") });
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
    const int answer = m_desktop.ShowMessageDialog(QStringLiteral("Jahresverzeichnis anlegen..."),
        QStringLiteral("Das Verzeichnis für die Zadizezerev des Jahres ") + yearText
            + QStringLiteral(" fehlt.\r\n\r\nSoll es angelegt werden?"),
        Msg::mtInformation, Msg::mbYesNoCancel,
        { QStringLiteral("Ja"), QStringLiteral("Nein"), QStringLiteral("Nie mehr") });
    if (answer == Msg::mrYes) {
        if (!QDir().mkpath(yearFolder)) {
            m_desktop.ShowMessageDialog(QStringLiteral("Jahresverzeichnis anlegen..."),
                QStringLiteral("Das Jahresverzeichnis\r\n") + yearFolder
                    + QStringLiteral("\r\nkann nicht angelegt werden.\r\n")
                    + QStringLiteral("Es wird das Grundverzeichnis verwendet."),
                Msg::mtWarning, Msg::mbOK, { QStringLiteral("OK") });
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
    Splitter1->setSizes({ splitterLeft, qMax(1, width - splitterLeft) });
}

// --- shutdown -----------------------------------------------------------------

void TMainform::closeEvent(QCloseEvent *event)
{
    // List changes answered "Ja" are saved with the settings below.
    const bool mayClose = ConfirmAllListChanges() && FormCloseQueryReviewTable();
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
        // asked here. Only the file this run saved goes, and only while it
        // is as the save left it: what another copy of the program saved
        // there meanwhile, or what was imported there, stays.
        const QString path = table.fileName();
        table.close();
        if (!path.isEmpty() && m_ctx.SavedReviewFile
            && FileStamp::of(path) == m_ctx.SavedReviewFile)
            m_desktop.MoveToTrash(path);
        table.setFileName(QString());
        return true;
    }
    if (!m_data.UnsavedChanges)
        return true;
    const int answer = m_desktop.ShowMessageDialog(QStringLiteral("Ungesicherte Daten..."),
        QStringLiteral("Sie haben die letzen Änderungen noch nicht mit \"Speichern\" gesichert.\r\n"
                       "Möchten Sie abbrechen und die Daten dann speichern?"),
        Msg::mtConfirmation, Msg::mbOKCancel, { QStringLiteral("Ja"), QStringLiteral("Nein") });
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
    WriteSettingsFile();
}

bool TMainform::WriteSettingsFile()
{
    if (m_settingsFile->UpdateFile())
        return true;
    m_desktop.ShowMessageDialog(QStringLiteral("Einstellungen speichern..."),
        QStringLiteral("Die Einstellungsdatei\r\n") + m_settingsFileName
            + QStringLiteral("\r\nkann nicht geschrieben werden:\r\n")
            + m_settingsFile->errorString()
            + QStringLiteral("\r\nDie geänderten Einstellungen gehen verloren."),
        Msg::mtWarning, Msg::mbOK, { QStringLiteral("OK") });
    return false;
}

void TMainform::ActionTerminateExecute() { close(); }

void TMainform::OpenFiles(const QStringList &files)
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    m_commandLineFiles->offer(files);
}

// --- help and about --------------------------------------------------------------

void TMainform::ActionAboutExecute()
{
    if (m_aboutBox)
        m_aboutBox->showFor(m_versionInfoList);
}

void TMainform::ActionHelpExecute()
{
    const QString path = ManualPath(m_programFile);
    const int code = m_desktop.ShellOpen(path);
    if (code == 2) {
        m_desktop.ShowMessageDialog(QStringLiteral("Hilfe..."),
            QStringLiteral("Hilfedatei\r\n") + path + QStringLiteral("\r\nnicht gefunden."),
            Msg::mtError, Msg::mbOK, { QStringLiteral("OK") });
    } else if (code >= 0 && code <= 32) {
        m_desktop.ShowMessageDialog(QStringLiteral("Hilfe..."),
            QStringLiteral("Hilfe kann nicht angezeigt werden.\r\nFehlernummer: ")
                + QString::number(code),
            Msg::mtError, Msg::mbOK, { QStringLiteral("OK") });
    }
}

// --- status bar, hints, trace -------------------------------------------------------

void TMainform::StatusMsg(int panel, const QString &text) { StatusBar1->setPanelText(panel, text); }

QString TMainform::statusText(int panel) const { return StatusBar1->panelText(panel); }

void TMainform::DebugMsg(const QString &text)
{
    // A trace hook: shows and stores nothing.
    Q_UNUSED(text);
}

bool TMainform::event(QEvent *event)
{
    if (event->type() == QEvent::StatusTip) {
        // ShowHint: the long hint of the control under the mouse.
        StatusMsg(StatusPanel::Hint, static_cast<QStatusTipEvent *>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TMainform::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ScrollBox1 && event->type() == QEvent::Resize) {
        ScrollBox1Resize();
    } else if (watched == TreeView1->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton)
            m_treeNavigation->TreeView1Click(mouse->position().toPoint());
    } else if (event->type() == QEvent::ToolTip && watched->isWidgetType()) {
        auto *w = static_cast<QWidget *>(watched);
        if (!w->toolTip().isEmpty() && w->toolTipDuration() < 0 && w->window() == this) {
            const auto *help = static_cast<QHelpEvent *>(event);
            QToolTip::showText(
                help->globalPos(), w->toolTip().trimmed(), w, QRect(), kHintMilliseconds);
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

// --- pages ----------------------------------------------------------------------

void TMainform::buildPages()
{
    const auto fill = [this](int page, QWidget *content) {
        auto *layout = new QVBoxLayout(TabSheets[page]);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(content);
    };
    m_bookDataPage = new BookDataPage(
        m_data, m_actions->action(QStringLiteral("ActionCheckISBN")), TabSheets[pgBookData]);
    fill(pgBookData, m_bookDataPage);
    m_reviewPage = new ReviewPage(m_data, TabSheets[pgReview]);
    fill(pgReview, m_reviewPage);
    m_dbOverviewPage = new DbOverviewPage(m_data, TabSheets[pgDbOverview]);
    fill(pgDbOverview, m_dbOverviewPage);
    m_previewPage = new ::PreviewPage(TabSheets[pgPreview]);
    fill(pgPreview, m_previewPage);

    // The browser view comes when the page is first shown.
    auto *webLayout = new QVBoxLayout(TabSheets[pgWebPage]);
    webLayout->setContentsMargins(0, 0, 0, 0);

    m_personDataPage = new ::PersonDataPage(m_ctx);
    buildSettingsFrame(pgSettingsPersonData, QStringLiteral("Personendaten"), m_personDataPage);
    m_webSettingsPage = new WebSettingsPage(m_ctx);
    buildSettingsFrame(pgSettingsWeb, QStringLiteral("Web-Seite"), m_webSettingsPage);
    m_publishersPage = new PublishersPage(m_ctx, PublisherList, m_bookDataPage->PopupMenuPublisher);
    buildSettingsFrame(pgSettingsPublishers, QStringLiteral("Verlage"), m_publishersPage);
    m_languagesPage = new LanguagesPage(m_ctx);
    buildSettingsFrame(pgSettingsLanguages, QStringLiteral("Sprachen"), m_languagesPage);

    // Letters the review files cannot hold, replaced as the person types or
    // pastes, are named in the hint field.
    const auto replaced = [this](const QString &report) { StatusMsg(StatusPanel::Hint, report); };
    for (DBEdit *edit : Panel2->findChildren<DBEdit *>())
        connect(edit, &DBEdit::lettersReplaced, this, replaced);
    for (DBMemo *memo : Panel2->findChildren<DBMemo *>())
        connect(memo, &DBMemo::lettersReplaced, this, replaced);

    connect(PageControl1, &QTabWidget::currentChanged, this, &TMainform::PageShown);
    connect(PageControl1, &PageControl::userChanged, this, &TMainform::PageControl1Change);
    PageControl1->changing = [this](int from, int to) { return PageControl1Changing(from, to); };
}

QWidget *TMainform::buildSettingsFrame(int page, const QString &title, SettingsPage *contents)
{
    // The buttons that leave a settings page are the same on all four.
    QWidget *sheet = TabSheets[page];
    auto *layout = new QVBoxLayout(sheet);
    QWidget *content = contents;
    if (!content)
        content = new QWidget(sheet);
    content->setParent(sheet);
    content->setObjectName(QLatin1String(kPageNames[page]) + QStringLiteral("Content"));
    content->setAccessibleName(title);
    layout->addWidget(content, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    static const char *const abortNames[] = { "ButtonAbortSettingsPersonData",
        "ButtonAbortSettingsWeb", "ButtonAbortSettingsPublishers", "ButtonLanguagesAbort" };
    static const char *const saveNames[] = { "ButtonPersonDataSaveSettings",
        "ButtonWebPageSaveSettings", "ButtonPublishersSave", "ButtonLanguagesSave" };
    static const char *const abortHints[] = { "Seite schliessen und Änderungen verwerfen.",
        "Seite schliessen und Änderungen verwerfen.", "Information zur Programmversion",
        "Seite schliessen und Änderungen verwerfen." };
    static const char *const saveHints[]
        = { "Verlagstabelle permanent speichern.", "Verlagstabelle permanent speichern.",
              "Verlagstabelle permanent speichern.", "Sprachtabelle permanent speichern." };
    auto *abort = new QPushButton(QStringLiteral("Abbrechen"), sheet);
    abort->setObjectName(QLatin1String(abortNames[page - pgSettingsPersonData]));
    SetControlHint(abort, QString::fromUtf8(abortHints[page - pgSettingsPersonData]));
    auto *save = new QPushButton(QStringLiteral("Speichern"), sheet);
    save->setObjectName(QLatin1String(saveNames[page - pgSettingsPersonData]));
    save->setDefault(true);
    // Enter presses "Speichern" anywhere on the page.
    if (contents)
        contents->setDefaultButton(save);
    SetControlHint(save, QString::fromUtf8(saveHints[page - pgSettingsPersonData]));
    buttons->addWidget(abort);
    buttons->addWidget(save);
    layout->addLayout(buttons);
    connect(abort, &QPushButton::clicked, this, &TMainform::ButtonAbortSettingsClick);
    connect(save, &QPushButton::clicked, this, [this, page] {
        // Each page saves its own fields; leaving is the same on all four.
        if (page == pgSettingsPersonData)
            m_personDataPage->ButtonPersonDataSaveSettingsClick();
        else if (page == pgSettingsWeb)
            m_webSettingsPage->ButtonWebPageSaveSettingsClick();
        else if (page == pgSettingsPublishers)
            m_publishersPage->ButtonPublishersSaveClick();
        else if (page == pgSettingsLanguages)
            m_languagesPage->ButtonLanguagesSaveClick();
        ButtonAbortSettingsClick();
    });
    return content;
}

void TMainform::connectTree()
{
    connect(TreeView1, &QTreeWidget::currentItemChanged, this,
        [this](
            QTreeWidgetItem *now, QTreeWidgetItem *) { m_treeNavigation->TreeView1Change(now); });
    connect(TreeView1, &QTreeWidget::itemDoubleClicked, this,
        [this](QTreeWidgetItem *, int) { m_treeNavigation->TreeView1DblClick(); });
    auto *tree = static_cast<ReviewTreeWidget *>(TreeView1);
    tree->editingAllowed
        = [this](QTreeWidgetItem *node) { return m_treeEditing->TreeView1Editing(node); };
    tree->edited = [this](QTreeWidgetItem *node, QString &text) {
        m_treeEditing->TreeView1Edited(node, text);
    };
    tree->dragOver = [this](QObject *source, QTreeWidgetItem *target) {
        return m_treeEditing->TreeView1DragOver(source, target);
    };
    tree->dropped = [this](QObject *source, QTreeWidgetItem *target) {
        m_treeEditing->TreeView1DragDrop(source, target);
    };
    TreeView1->viewport()->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, &TMainform::focusChanged);
    QAbstractItemModel *model = TreeView1->model();
    const auto forget = [this] { m_loadedFilesCount = -1; };
    connect(model, &QAbstractItemModel::rowsInserted, this, forget);
    connect(model, &QAbstractItemModel::rowsRemoved, this, forget);
    connect(model, &QAbstractItemModel::rowsMoved, this, forget);
    connect(model, &QAbstractItemModel::modelReset, this, forget);
    connect(model, &QAbstractItemModel::layoutChanged, this, forget);
}

void TMainform::focusChanged(QWidget *old, QWidget *now)
{
    if (!now || now->window() != this)
        return;
    const bool wasInTree = old && (old == TreeView1 || TreeView1->isAncestorOf(old));
    const bool wasInForm = old && PageControl1->isAncestorOf(old);
    if (now == TreeView1 && !wasInTree)
        TreeView1Enter();
    else if ((now == PageControl1 || PageControl1->isAncestorOf(now)) && !wasInForm)
        PageControl1Enter();
}

void TMainform::TreeView1Enter() { m_treeNavigation->TreeView1Enter(); }

void TMainform::PageControl1Enter()
{
    if (CurrentState == &StateEdit() || CurrentState == &StateEditSettings())
        return;
    DebugMsg(
        QStringLiteral("PageControlEnter, Tabsheet: ") + TabSheets[ActivePage()]->objectName());
    SetState(StateEdit());
}

bool TMainform::CheckDBstate()
{
    if (m_data.DSetReview->state() != DataSet::dsInsert)
        return true;
    m_desktop.ShowMessageDialog(QStringLiteral("Register wechseln ..."),
        QStringLiteral("Der Datensatz ist noch nicht gespeichert!\r\n"
                       "Drücken Sie im DB-Navigator das Häklein um zu speichern\r\n"
                       "oder \" - \" um den Datensatz zu löschen."),
        Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
    return false;
}

bool TMainform::PageControl1Changing(int from, int)
{
    if (from == pgSettingsPublishers)
        return ConfirmListChanges(m_publishersPage);
    if (from == pgSettingsLanguages)
        return ConfirmListChanges(m_languagesPage);
    return from != pgBookData || CheckDBstate();
}

bool TMainform::ConfirmListChanges(ListSettingsPage *page)
{
    if (!page || !page->hasUnsavedChanges())
        return true;
    const int answer = m_desktop.ShowMessageDialog(QStringLiteral("Ungesicherte Änderungen..."),
        QStringLiteral("Die Liste \"%1\" wurde geändert und noch nicht gespeichert.\r\n\r\n"
                       "Sollen die Änderungen gespeichert werden?")
            .arg(page->listName()),
        Msg::mtConfirmation, Msg::mbYesNoCancel,
        { QStringLiteral("Ja"), QStringLiteral("Nein"), QStringLiteral("Abbrechen") });
    if (answer == Msg::mrYes)
        page->saveChanges();
    else if (answer == Msg::mrNo)
        page->discardChanges();
    else
        return false;
    return true;
}

bool TMainform::ConfirmAllListChanges()
{
    const struct
    {
        ListSettingsPage *page;
        int index;
    } lists[]
        = { { m_publishersPage, pgSettingsPublishers }, { m_languagesPage, pgSettingsLanguages } };
    for (const auto &list : lists) {
        if (!ConfirmListChanges(list.page)) {
            SetActivePage(list.index);
            return false;
        }
    }
    return true;
}

void TMainform::PageControl1Change(int index)
{
    DebugMsg(QStringLiteral("PageControlChange, Tabsheet: ") + TabSheets[index]->objectName());
    SetAllowedFormActions();
}

void TMainform::PageShown(int index)
{
    if (m_rearrangingPages)
        return;
    // Only the preview of all reviews holds the navigator still; every other
    // page moves through the records again.
    if (index != pgPreview)
        SetNavigatorEnabled(true);
    switch (index) {
    case pgBookData:
        TabSheetBookDataShow();
        break;
    case pgReview:
        TabSheetReviewShow();
        break;
    case pgPreview:
        TabSheetPreviewShow();
        break;
    case pgWebPage:
        TabSheetWebPageShow();
        break;
    case pgDbOverview:
        TabSheetDbOverviewShow();
        break;
    default:
        break;
    }
}

namespace {
constexpr int kBookDataButtons = DBNavigator::AllButtons;
constexpr int kReviewButtons
    = DBNavigator::MoveButtons | (1 << DBNavigator::nbPost) | (1 << DBNavigator::nbCancel);
} // namespace

void TMainform::TabSheetBookDataShow()
{
    m_data.DSetReview->setTag(TDataAccess::tagBookData);
    static_cast<DBNavigator *>(DBNavigator1)->setVisibleButtons(kBookDataButtons);
}

void TMainform::TabSheetReviewShow()
{
    m_data.DSetReview->setTag(TDataAccess::tagReview);
    static_cast<DBNavigator *>(DBNavigator1)->setVisibleButtons(kReviewButtons);
    if (QWidget *memo = findChild<QWidget *>(QStringLiteral("DBMemoReview")))
        memo->setFocus();
}

void TMainform::TabSheetPreviewShow()
{
    const DataSet &t = *m_data.DSetReview;
    EnableActions(t.isActive() && t.recordCount() > 0
            ? (1 << baNew) | (1 << baSave) | (1 << baPrint)
            : (1 << baNew));
    static_cast<DBNavigator *>(DBNavigator1)->setVisibleButtons(DBNavigator::MoveButtons);
    if (PreviewShowsCurrent()) {
        SetNavigatorEnabled(true);
        ShowPreviewInRichEdit(false);
    } else {
        SetNavigatorEnabled(false);
        ShowPreviewInRichEdit(true);
    }
}

void TMainform::TabSheetWebPageShow() { m_webPages->TabSheetWebPageShow(); }

void TMainform::TabSheetDbOverviewShow()
{
    static_cast<DBNavigator *>(DBNavigator1)->setVisibleButtons(DBNavigator::MoveButtons);
}

void TMainform::DBNavigator1Click(int button)
{
    if (CurrentState == &StateEdit())
        SetAllowedFormActions();
    if (ActivePage() == pgPreview && button <= DBNavigator::nbDelete)
        ShowPreviewInRichEdit(false);
    DataSet &t = *m_data.DSetReview;
    if (button == DBNavigator::nbDelete && t.recordCount() == 0 && t.state() != DataSet::dsInsert)
        m_data.IniReviewRecord();
    StatusMsg(StatusPanel::Books, QString::number(t.recordCount()));
}

void TMainform::ShowPreviewInRichEdit(bool all) { m_preview->ShowPreviewInRichEdit(all); }

bool TMainform::PreviewShowsCurrent() const { return m_previewPage->showsCurrent(); }

void TMainform::ClearViews()
{
    m_webPages->Clear();
    m_previewPage->RichEdit1->clear();
    // The review editor follows the emptied table.
}

QWidget *TMainform::control(const QString &objectName) const
{
    return findChild<QWidget *>(objectName);
}

void TMainform::SetNavigatorEnabled(bool enabled) { DBNavigator1->setEnabled(enabled); }

// --- states and actions ------------------------------------------------------------

void TMainform::EnableActions(int actionSet) { m_actions->EnableActions(actionSet); }

void TMainform::SetAllowedFormActions()
{
    DebugMsg(QStringLiteral("SetAllowedFormActions"));
    const DataSet &t = *m_data.DSetReview;
    switch (ActivePage()) {
    case pgBookData:
        if (t.recordCount() == 0)
            EnableActions(0);
        else if (TreeView1->currentItem()
            && GetNodeKind(TreeView1->currentItem()) == VexConst::nkReviewFile)
            EnableActions((1 << baRemove) | (1 << baSave) | (1 << baDeletefromTree)
                | (1 << baSendMail) | (1 << baShowMissingFrontImages) | (1 << baPublisherDocuments)
                | (1 << baWebPage));
        else
            EnableActions(1 << baFindFrontImage);
        break;
    case pgPreview:
        EnableActions(1 << baPrint);
        break;
    default:
        EnableActions(0);
        break;
    }
}

void TMainform::SetAllowedTreeActions(QTreeWidgetItem *node)
{
    m_treeNavigation->SetAllowedTreeActions(node);
}

void TMainform::ShowTabsheets(int pageSet, int activePage)
{
    // While tabs are hidden one by one the tab widget makes one page after
    // the other current; none of them is being shown to the person, so their
    // reactions wait until the set is complete and then only the active
    // page's runs.
    m_rearrangingPages = true;
    PageControl1->hide();
    if ((pageSet >> activePage) & 1) {
        PageControl1->setTabVisible(activePage, true);
        PageControl1->setCurrentIndex(activePage);
    }
    for (int i = 0; i < pgCount; ++i)
        PageControl1->setTabVisible(i, (pageSet >> i) & 1);
    PageControl1->show();
    PageControl1->activatePage(activePage);
    m_rearrangingPages = false;
    PageShown(PageControl1->currentIndex());
}

int TMainform::ActivePage() const { return PageControl1->currentIndex(); }

void TMainform::SetActivePage(int page) { PageControl1->activatePage(page); }

bool TMainform::EditingPanelEnabled() const { return Panel2->isEnabled(); }

void TMainform::SetEditingPanelEnabled(bool enabled) { Panel2->setEnabled(enabled); }

void TMainform::FocusBookNumber()
{
    if (!Panel2->isEnabled() || ActivePage() != pgBookData)
        return;
    if (m_bookDataPage && m_bookDataPage->DBEditBookNbr)
        m_bookDataPage->DBEditBookNbr->setFocus();
}

void TMainform::ActionCheckISBNExecute(const QString &text)
{
    // The series field's text as it stands, also before it is posted.
    QString input = text;
    if (input.isNull()) {
        if (auto *edit = findChild<QLineEdit *>(QStringLiteral("DBEditBookSerie")))
            input = edit->text();
    }
    m_desktop.ShowMessageDialog(QStringLiteral("ISBN prüfen..."), ISBNCheckReport(input),
        Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
}

void TMainform::ActionPreferencesExecute()
{
    SetState(StateEditSettings());
    ShowTabsheets(SettingsPages, pgSettingsPersonData);
}

void TMainform::ButtonAbortSettingsClick()
{
    // Leaving the settings pages leaves the list pages too.
    if (!ConfirmAllListChanges())
        return;
    ShowTabsheets(WorkPages, pgBookData);
    if (PreviousState)
        SetState(*PreviousState);
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
    FocusBookNumber();
    SetAllowedFormActions();
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
    if (m_data.DSetReview->recordCount() == 0 && m_ctx.CurrentFileName.isEmpty()) {
        Panel1->setEnabled(true);
        Panel2->setEnabled(false);
    }
    if (QTreeWidgetItem *node = TreeView1->currentItem())
        SetAllowedTreeActions(node);
    else
        EnableActions(0);
}

void TMainform::StateChangedToNavigatePageControl(TState *)
{
    DebugMsg(QStringLiteral("---> StateChangedToNavigatePageControl"));
    DBNavigator1->setVisible(true);
}

// --- the review table's window ----------------------------------------------------

int TMainform::CountLoadedFiles() const
{
    // Asked for every record a merge appends; the tree changes far less often.
    if (m_loadedFilesCount < 0)
        m_loadedFilesCount = ::CountLoadedFiles(TreeView1);
    return m_loadedFilesCount;
}

QString TMainform::DefaultReviewerInitials() const
{
    return m_settingsFile ? m_settingsFile->readString(
               QStringLiteral("Reviewer"), QStringLiteral("Initials"), QStringLiteral("??"))
                          : QStringLiteral("??");
}

void TMainform::ShowBookDataPage() { SetActivePage(pgBookData); }

void TMainform::RemoveBookNode(int bookKey) { delete FindNodeByData(TreeView1, bookKey, false); }

void TMainform::SelectBookNode(int bookKey)
{
    if (!m_treeNavigation->followTable())
        return;
    if (!FindNodeByData(TreeView1, bookKey, true))
        TreeView1->setCurrentItem(nullptr);
}

void TMainform::BookNumberFormatChanged(int)
{
    // The book-number field and the grid ask the data module for the format.
    m_bookDataPage->DBEditBookNbr->refresh();
    m_dbOverviewPage->refreshValues();
}

IMainWindow::~IMainWindow() = default;
