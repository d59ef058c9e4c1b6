#include "CoverActions.h"

#include "FFrontImageDlg.h"
#include "WebSearch.h"
#include "base/DefaultSettings.h"
#include "base/IDesktop.h"
#include "base/ImageList1.h"
#include "base/IniFile.h"
#include "base/MainContext.h"
#include "base/VexConst.h"
#include "base/WorkingFolders.h"
#include "tree/TreeProcedures.h"

#include <QAction>
#include <QActionGroup>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>

namespace {

const QString kSearchSection = QStringLiteral("WEBsearch");
const QString kDefaultSection = QStringLiteral("WEBsearchDefault");
const QString kDefaultKey = QStringLiteral("Default");
const QString kDefaultProvider = QStringLiteral("Google");
const QString kFindCaption = QStringLiteral("&Titelbild suchen");

QString lineText(const MainContext &ctx, const QString &name)
{
    const auto *edit = qobject_cast<QLineEdit *>(ctx.window->control(name));
    return edit ? edit->text() : QString();
}

} // namespace

CoverActions::CoverActions(MainContext &ctx, QObject *parent)
    : QObject(parent)
    , m_ctx(ctx)
{ }

void CoverActions::ActionShowMissingFrontImagesExecute()
{
    QTreeWidgetItem *node = m_ctx.tree->currentItem();
    if (!node || GetNodeKind(node) != VexConst::nkReviewFile || !m_ctx.frontImageDlg)
        return;
    const QString caption = QStringLiteral("Umschlagbilder prüfen...");
    const QString fullPath = m_ctx.folders->rootFolder + GetNodePath(node);
    if (!QFileInfo(fullPath).isFile()) {
        m_ctx.desktop->ShowMessageDialog(caption,
            QStringLiteral("Der Besprechungsbericht \r\n") + fullPath
                + QStringLiteral("\r\n wurde nicht gefunden."),
            Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
        return;
    }

    TFrontImageDlg &dlg = *m_ctx.frontImageDlg;
    dlg.setWindowTitle(QStringLiteral("Umschlagbilder für... ") + node->text(0));
    dlg.SetAppendMode(false);
    dlg.ClearLists();
    QString error;
    if (dlg.ListCoverImages(fullPath, m_ctx.folders->coverFolder, &error) < 0) {
        m_ctx.desktop->ShowMessageDialog(
            caption, error, Msg::mtError, Msg::mbOK, { QStringLiteral("OK") });
        return;
    }
    dlg.BitBtnFindImage->setEnabled(!dlg.ValueListEditorImagesMissing->currentKey().isEmpty());
    if (dlg.ShowModal() != Msg::mrYes)
        return;
    const QString title = dlg.ValueListEditorImagesMissing->currentValue();
    const QString address = m_ctx.settings->readString(
        kSearchSection, QStringLiteral("SearchURL"), GoogleImageSearchUrl());
    OpenWebSearch(*m_ctx.desktop, address, title, QString());
}

void CoverActions::ActionFindFrontImageExecute()
{
    const QString provider
        = m_ctx.settings->readString(kDefaultSection, kDefaultKey, kDefaultProvider);
    const QString address
        = m_ctx.settings->readString(kSearchSection, provider, GoogleImageSearchUrl());
    OpenWebSearch(*m_ctx.desktop, address, lineText(m_ctx, QStringLiteral("DBEditBookTitle")),
        lineText(m_ctx, QStringLiteral("DBEditPublisher")));
}

void CoverActions::IniWebSearch(const IniFile &settings, QWidget *owner)
{
    // The drop-down of the tool-bar button of "Titelbild suchen".
    QMenu *menu = nullptr;
    const QList<QToolButton *> buttons = owner->findChildren<QToolButton *>();
    for (QToolButton *b : buttons) {
        if (b->defaultAction() && b->defaultAction()->text() == kFindCaption && b->menu()) {
            menu = b->menu();
            break;
        }
    }
    if (!menu)
        return;
    const QString chosen = settings.readString(kDefaultSection, kDefaultKey, kDefaultProvider);
    if (!m_providerGroup) {
        m_providerGroup = new QActionGroup(owner);
        m_providerGroup->setObjectName(QStringLiteral("SearchProviderGroup"));
        // The mark is set by the program alone (see the handler).
        m_providerGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    }
    for (const QString &line : settings.readSectionValues(kSearchSection)) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        auto *item = new QAction(line.left(eq), owner);
        item->setObjectName(
            QStringLiteral("ActionSearchProvider") + QString::number(m_providers.size() + 1));
        item->setIcon(ImageList1::icon(ImageList1::WebSearchProvider));
        item->setCheckable(true);
        item->setActionGroup(m_providerGroup);
        if (item->text() == chosen) {
            item->setChecked(true);
            m_checkedAtStart = item;
        }
        connect(item, &QAction::triggered, this,
            [this, item] { ActionSelectSearchProviderExecute(item); });
        menu->addAction(item);
        m_providers.append(item);
    }
}

void CoverActions::ActionSelectSearchProviderExecute(QAction *item)
{
    m_ctx.settings->writeString(kDefaultSection, kDefaultKey, item->text());
    // The check mark keeps showing the provider chosen when the menu was
    // built; choosing does not move it.
    for (QAction *a : std::as_const(m_providers))
        a->setChecked(a == m_checkedAtStart);
}
