#include "ActionList.h"

#include "ImageList1.h"
#include "util/Hints.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

namespace {

// How an action shows on the tool bar: the actions of every day's work with
// their caption under the picture, the others as a picture alone whose
// tooltip names them, so the whole bar fits the window's standard width.
enum BarLook { Captioned, PictureOnly };

struct ActionSpec
{
    const char *name;
    const char *caption; // menu caption with its access key
    const char *toolCaption; // tool-bar caption, or nullptr when not on the tool bar
    const char *hint;
    int bit; // position in the action set, -1 for the other actions
    bool checkable;
    const char *shortcut;
    BarLook look = PictureOnly;
};

const ActionSpec kActions[] = {
    { "ActionNewFolder", "Ne&ues Verzeichnis", "Neues &Verzeichnis",
        "Neues Verzeichnis zur Aufnahme von \r\nBesprechungsberichten anlegen.", baNewFolder, false,
        nullptr },
    { "ActionNew", "&Neu", "&Neu",
        "Neuen Besprechungsbericht mit\r\nleerem Bearbeitungsformular beginnen", baNew, false,
        "Ctrl+N", Captioned },
    { "ActionLoad", "&Laden", "&Laden", "Besprechungsbericht ins Bearbeitungsformular laden.",
        baLoad, false, "Ctrl+L", Captioned },
    { "ActionRemove", "&Entfernen", "&Entfernen",
        "Besprechungsbericht aus dem Bearbeitungsformular entfernen.| \r\nDer Bericht bleibt in "
        "den gespeicherten Zadizezerev erhalten.",
        baRemove, false, nullptr, Captioned },
    { "ActionImport", "&Importieren", "&Importieren",
        "Besprechungsbericht aus einem programmfremden\r\nVerzeichnis in die gespeicherten "
        "Zadizezerev aufnehmen.",
        baImport, false, nullptr },
    { "ActionImportZip", "&Zip importieren", "&Zip importieren",
        "Gezippten Besprechungsbericht in die \r\ngespeicherten Zadizezerev aufnehmen.",
        baImportZip, false, nullptr },
    { "ActionSave", "&Speichern", "&Speichern",
        "Besprechungsbericht auf die Festplatte speichern. Die\r\nDaten im Bearbeitungsformular "
        "sind nun dauerhaft gesichert.",
        baSave, false, "Ctrl+S", Captioned },
    { "ActionDeletefromTree", "Lös&chen", "Lös&chen",
        "Bericht oder Verzeichnis entfernen. Die \r\nzugehörige Datei auf der Festplatte wird "
        "gelöscht.\r\nAchtung: Die Daten gehen unwiederbringlich verloren.",
        baDeletefromTree, false, nullptr, Captioned },
    { "ActionPrint", "&Drucken", "&Drucken", "Besprechungsbericht drucken. Nur in Vorschau aktiv.",
        baPrint, false, "Ctrl+P", Captioned },
    { "ActionSendMail", "&Mail senden", "&Mail senden",
        "Besprechungsbericht an die koorinierenden \r\nPersonen versenden.", baSendMail, false,
        nullptr, Captioned },
    { "ActionShowMissingFrontImages", "&Bilder?", "&Bilder?",
        "Zeigt die Buchnummern, zu denen noch \r\nkein Umschlagbild vorhanden ist.",
        baShowMissingFrontImages, false, nullptr },
    { "ActionFindFrontImage", "&Titelbild suchen", "&Titelbild suchen",
        "Titelbild zum aktuellen Buch im Web suchen.", baFindFrontImage, false, nullptr },
    { "ActionPublisherDocuments", "&Verlagsdokumente", nullptr, "Word-Dateien für Verlage erzeugen",
        baPublisherDocuments, false, nullptr },
    { "ActionWebPage", "&Web-Seite", nullptr, "Web-Seite erzeugen", baWebPage, false, nullptr },

    { "ActionTerminate", "&Beenden", nullptr, "Beenden|Programm beenden.", -1, false, "Ctrl+Q" },
    { "ActionPreferences", "&Anpassen...", nullptr, "Einstellungen anpassen", -1, false, nullptr },
    { "ActionSendZipped", "&Mail gezippt senden", "Mail gezippt senden",
        "Mail gezippt senden|Besprechungsbericht und Umschlagbilder als Zip-Archiv versenden.", -1,
        true, nullptr },
    { "ActionCreateWebPage", "&Html-Dokument erzeugen", "Html-Dokument erzeugen",
        "Html-Dokument erzeugen|Beim Speichern auch die Web-Seite des Besprechungsberichts "
        "schreiben.",
        -1, true, nullptr },
    { "ActionCreateWordDoc", "&Word-Doc erzeugen", "Word-Doc erzeugen",
        "Word-Doc erzeugen|Beim Speichern auch das Word-Dokument des Besprechungsberichts "
        "schreiben.",
        -1, true, nullptr },
    { "ActionHelp", "&Handbuch", "&Handbuch", "Handbuch|Das Handbuch zu Skribando anzeigen.", -1,
        false, "F1" },
    { "ActionAbout", "&Info", "In&fo", "Info|Information zur Programmversion", -1, false, nullptr },
    { "ActionCheckISBN", "ISBN prüfen", nullptr,
        "ISBN prüfen|Prüft die ISBN im Feld Buchreihe, ISBN.", -1, false, "Ctrl+B" },
    { "ActionFetchCatalogueData", "Katalogdaten holen", nullptr,
        "Katalogdaten holen|Füllt das Buch mit den Angaben des Bibliothekskatalogs zur ISBN im "
        "Feld Buchreihe, ISBN.",
        -1, false, "Ctrl+K" },
    { "ActionFetchCover", "Umschlagbild holen", nullptr,
        "Umschlagbild holen|Holt das Umschlagbild zur ISBN aus dem Bibliothekskatalog und "
        "speichert es unter der Buchnummer.",
        -1, false, nullptr },
    { "ActionFind", "Suc&hen", "S&uchen",
        "Suchen|Bücher aller geladenen Berichte finden: der Baum zeigt nur noch die Treffer.", -1,
        false, "Ctrl+F" },
};

// Menu and bar layouts: action names in order, "-" for a separator.
const char *const kMenuProgram[] = { "ActionTerminate" };
const char *const kMenuSettings[] = { "ActionPreferences", "-", "ActionSendZipped",
    "ActionCreateWebPage", "ActionCreateWordDoc" };
const char *const kMenuSkribando[] = { "ActionNewFolder", "ActionNew", "ActionLoad", "ActionRemove",
    "ActionImport", "ActionImportZip", "ActionSave", "ActionDeletefromTree", "-", "ActionPrint",
    "ActionSendMail", "ActionShowMissingFrontImages", "ActionFindFrontImage", "-",
    "ActionPublisherDocuments", "ActionWebPage", "-", "ActionFind", "ActionFetchCatalogueData",
    "ActionFetchCover" };
const char *const kMenuHelp[] = { "ActionHelp", "ActionAbout" };
const char *const kToolBar[] = { "ActionNewFolder", "ActionNew", "ActionLoad", "ActionRemove",
    "ActionImport", "ActionImportZip", "ActionSave", "ActionDeletefromTree", "-", "ActionPrint",
    "ActionSendMail", "ActionShowMissingFrontImages", "ActionFindFrontImage", "-", "ActionFind",
    "-", "ActionSendZipped", "ActionCreateWebPage", "ActionCreateWordDoc", "-", "ActionHelp",
    "ActionAbout" };
// The tree's popup menu lists the review actions of the menu "Skribando".
const char *const kTreePopup[] = { "ActionNewFolder", "ActionNew", "ActionLoad", "ActionRemove",
    "ActionImport", "ActionImportZip", "ActionSave", "ActionDeletefromTree", "-", "ActionPrint",
    "ActionSendMail", "ActionShowMissingFrontImages", "ActionFindFrontImage", "-",
    "ActionPublisherDocuments", "ActionWebPage" };

// Pictures of the actions in the image list.
int imageFor(const QString &actionName)
{
    static const QHash<QString, int> images = {
        { QStringLiteral("ActionNewFolder"), ImageList1::ActionNewFolder },
        { QStringLiteral("ActionNew"), ImageList1::ActionNew },
        { QStringLiteral("ActionLoad"), ImageList1::ActionLoad },
        { QStringLiteral("ActionRemove"), ImageList1::ActionRemove },
        { QStringLiteral("ActionImport"), ImageList1::ActionImport },
        { QStringLiteral("ActionImportZip"), ImageList1::ActionImportZip },
        { QStringLiteral("ActionSave"), ImageList1::ActionSave },
        { QStringLiteral("ActionDeletefromTree"), ImageList1::ActionDeletefromTree },
        { QStringLiteral("ActionPrint"), ImageList1::ActionPrint },
        { QStringLiteral("ActionSendMail"), ImageList1::ActionSendMail },
        { QStringLiteral("ActionShowMissingFrontImages"),
            ImageList1::ActionShowMissingFrontImages },
        { QStringLiteral("ActionFindFrontImage"), ImageList1::ActionFindFrontImage },
        { QStringLiteral("ActionPublisherDocuments"), ImageList1::ActionPublisherDocuments },
        { QStringLiteral("ActionWebPage"), ImageList1::ActionWebPage },
        { QStringLiteral("ActionHelp"), ImageList1::ActionHelp },
        { QStringLiteral("ActionAbout"), ImageList1::ActionAbout },
        { QStringLiteral("ActionTerminate"), ImageList1::ActionTerminate },
        { QStringLiteral("ActionPreferences"), ImageList1::ActionPreferences },
        { QStringLiteral("ActionSendZipped"), ImageList1::ActionSendZipped },
        { QStringLiteral("ActionCreateWebPage"), ImageList1::ActionCreateWebPage },
        { QStringLiteral("ActionCreateWordDoc"), ImageList1::ActionCreateWordDoc },
        { QStringLiteral("ActionCheckISBN"), ImageList1::ActionCheckISBN },
        // A plain magnifier, as the web-search providers show.
        { QStringLiteral("ActionFind"), ImageList1::WebSearchProvider },
    };
    return images.value(actionName, -1);
}

QString plainCaption(QString caption) { return caption.remove(u'&'); }

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return text.simplified();
}

} // namespace

ActionList::ActionList(QWidget *owner)
    : QObject(owner)
    , m_owner(owner)
{
    m_review.resize(baCount);
    for (const ActionSpec &entry : kActions) {
        const QString name = QLatin1String(entry.name);
        auto *a = new QAction(QString::fromUtf8(entry.caption), owner);
        a->setObjectName(name);
        const QString hint = QString::fromUtf8(entry.hint);
        QString tip = GetShortHint(hint);
        tip.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        tip = tip.trimmed();
        if (entry.toolCaption && entry.look == PictureOnly) {
            // A picture alone on the bar: its tooltip names it first.
            const QString barName = plainCaption(QString::fromUtf8(entry.toolCaption));
            if (!tip.startsWith(barName))
                tip = barName + u'\n' + tip;
        }
        a->setToolTip(tip);
        a->setStatusTip(oneLine(GetLongHint(hint)));
        a->setProperty("hint", hint);
        if (entry.toolCaption) {
            // Two-word captions stand in two lines under their picture.
            QString caption = QString::fromUtf8(entry.toolCaption);
            const qsizetype blank = caption.indexOf(u' ');
            if (blank > 0)
                caption[blank] = u'\n';
            a->setIconText(caption);
            a->setProperty("pictureOnly", entry.look == PictureOnly);
        }
        a->setIcon(ImageList1::icon(imageFor(name)));
        a->setCheckable(entry.checkable);
        if (entry.shortcut)
            a->setShortcut(QKeySequence(QLatin1String(entry.shortcut)));
        if (entry.bit >= 0)
            m_review[entry.bit] = a;
        m_byName.insert(name, a);
        m_all.append(a);
        owner->addAction(a); // shortcuts work wherever the focus is in the window
    }
}

QAction *ActionList::action(const QString &name) const { return m_byName.value(name); }

void ActionList::EnableActions(int actionSet)
{
    for (int bit = 0; bit < baCount; ++bit)
        m_review[bit]->setEnabled((actionSet >> bit) & 1);
}

int ActionList::enabledSet() const
{
    int set = 0;
    for (int bit = 0; bit < baCount; ++bit) {
        if (m_review[bit]->isEnabled())
            set |= 1 << bit;
    }
    return set;
}

namespace {

template<size_t N>
void fillMenu(QMenu *menu, const char *const (&names)[N], const ActionList &list, bool plain)
{
    for (const char *n : names) {
        if (QLatin1String(n) == QLatin1String("-")) {
            menu->addSeparator();
            continue;
        }
        QAction *a = list.action(QLatin1String(n));
        if (!plain) {
            menu->addAction(a);
            continue;
        }
        // The popup shows the captions without access keys: a companion
        // action that follows the real one.
        auto *mirror = new QAction(plainCaption(a->text()), menu);
        mirror->setObjectName(a->objectName() + QStringLiteral("Popup"));
        mirror->setIcon(a->icon());
        mirror->setStatusTip(a->statusTip());
        mirror->setEnabled(a->isEnabled());
        QObject::connect(
            a, &QAction::changed, mirror, [a, mirror] { mirror->setEnabled(a->isEnabled()); });
        QObject::connect(mirror, &QAction::triggered, a, &QAction::trigger);
        menu->addAction(mirror);
    }
}

} // namespace

void ActionList::buildMainMenu(QMenuBar *bar)
{
    auto add = [&](const char *objectName, const char *title) {
        QMenu *m = bar->addMenu(QString::fromUtf8(title));
        m->setObjectName(QLatin1String(objectName));
        m->setToolTipsVisible(true);
        return m;
    };
    fillMenu(add("MenuProgram", "&Program"), kMenuProgram, *this, false);
    fillMenu(add("MenuSettings", "&Einstellungen"), kMenuSettings, *this, false);
    fillMenu(add("MenuSkribando", "&Skribando"), kMenuSkribando, *this, false);
    fillMenu(add("MenuHelp", "&Hilfe"), kMenuHelp, *this, false);
}

void ActionList::buildToolBar(QToolBar *bar, QMenu *searchMenu)
{
    for (const char *n : kToolBar) {
        if (QLatin1String(n) == QLatin1String("-")) {
            bar->addSeparator();
            continue;
        }
        QAction *a = action(QLatin1String(n));
        bar->addAction(a);
        if (auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(a))) {
            button->setObjectName(QStringLiteral("ToolButton") + a->objectName().mid(6));
            button->setToolTipDuration(9000);
            if (a->property("pictureOnly").toBool())
                button->setToolButtonStyle(Qt::ToolButtonIconOnly);
            if (a->objectName() == QLatin1String("ActionFindFrontImage")) {
                button->setMenu(searchMenu);
                button->setPopupMode(QToolButton::MenuButtonPopup);
            }
        }
    }
}

void ActionList::buildTreePopup(QMenu *menu) { fillMenu(menu, kTreePopup, *this, true); }
