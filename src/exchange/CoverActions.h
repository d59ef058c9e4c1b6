#pragma once

#include <QObject>
#include <QString>

struct MainContext;
class IniFile;
class QAction;
class QActionGroup;
class QMenu;

// The cover actions: "Bilder?" lists the available and missing covers of the
// selected review file, "Titelbild suchen" opens a web search for the
// current book's cover with the provider chosen in its drop-down.
class CoverActions : public QObject
{
    Q_OBJECT

public:
    explicit CoverActions(MainContext &ctx, QObject *parent = nullptr);

    void ActionShowMissingFrontImagesExecute();
    void ActionFindFrontImageExecute();

    // Adds one item per provider of the section "WEBsearch" to the drop-down
    // of "Titelbild suchen", after its heading; the provider chosen now is
    // checked. owner: the window the new actions belong to.
    void IniWebSearch(const IniFile &settings, QWidget *owner);
    // Makes the provider of the item the one the next search uses.
    void ActionSelectSearchProviderExecute(QAction *item);

    QList<QAction *> providerActions() const { return m_providers; }

private:
    MainContext &m_ctx;
    QActionGroup *m_providerGroup = nullptr;
    QList<QAction *> m_providers;
    // The item checked when the menu was built; the mark stays there.
    QAction *m_checkedAtStart = nullptr;
};
