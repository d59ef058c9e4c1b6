#include "MailActions.h"

#include "CoverImages.h"
#include "FFrontImageDlg.h"
#include "MailArchive.h"
#include "MailComposer.h"
#include "base/ActionList.h"
#include "base/DefaultSettings.h"
#include "base/IDesktop.h"
#include "base/IMailProgram.h"
#include "base/IniFile.h"
#include "base/MainContext.h"
#include "base/PersonData.h"
#include "base/StatusPanel.h"
#include "base/VexUtils.h"
#include "base/WorkingFolders.h"
#include "files/ReviewFiles.h"
#include "tree/TreeProcedures.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QTreeWidget>

namespace {

const QString kCaption = QStringLiteral("Email senden...");
const QString kReviewer = QStringLiteral("Reviewer");
const QString kRecipients = QStringLiteral("Recipients");
// The mail program's code for "no mail program found".
constexpr int kNoMailProgram = 3;
const QString kDeleteAfterwards
    = QStringLiteral("\r\n\r\nSie können die Datei nach dem Versenden löschen.");
const QString kHandingOver = QStringLiteral("Die Mail wird an das Mail-Programm übergeben ...");

} // namespace

MailActions::MailActions(MainContext &ctx, ReviewFileActions &reviewFiles, QObject *parent)
    : QObject(parent)
    , m_ctx(ctx)
    , m_reviewFiles(reviewFiles)
{ }

MailActions::~MailActions()
{
    if (m_handOverRunning)
        QGuiApplication::restoreOverrideCursor();
}

void MailActions::inform(const QString &message)
{
    m_ctx.desktop->ShowMessageDialog(
        kCaption, message, Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
}

void MailActions::ActionSendMailExecute()
{
    // Without the person's name there is nobody to send from; the person-data
    // page opens as it does for "Neu" and "Laden".
    if (!IsPersonDataGiven(*m_ctx.settings)) {
        m_reviewFiles.PersonDataGate();
        return;
    }
    QTreeWidgetItem *node = m_ctx.tree->currentItem();
    if (!node || GetNodeKind(node) != VexConst::nkReviewFile) {
        m_ctx.desktop->ShowMessageDialog(kCaption,
            QStringLiteral("Wählen Sie einen Besprechungsbericht"), Msg::mtWarning, Msg::mbOK,
            { QStringLiteral("OK") });
        return;
    }
    const QString zipName = ChangeFileExt(node->text(0), QStringLiteral(".zip"));
    const QString folder = node->parent() ? node->parent()->text(0) : QString();
    const QString fullPath = m_ctx.folders->rootFolder + GetNodePath(node);
    if (!QFileInfo(fullPath).isFile()) {
        m_ctx.desktop->ShowMessageDialog(kCaption,
            QStringLiteral("Datei\r\n") + fullPath + QStringLiteral("\r\nnicht gefunden."),
            Msg::mtWarning, Msg::mbOK, { QStringLiteral("OK") });
        return;
    }
    if (m_ctx.settings->readBool(kReviewer, QStringLiteral("WebMail"), false))
        sendWebMail(node, fullPath, zipName);
    else
        sendStandardMail(node, fullPath, zipName, folder);
}

int MailActions::askForCovers(QTreeWidgetItem *node, const QString &fullPath, int *count)
{
    if (!m_ctx.frontImageDlg)
        return -1;
    TFrontImageDlg &dlg = *m_ctx.frontImageDlg;
    dlg.setWindowTitle(QStringLiteral("Umschlagbilder für... ") + node->text(0));
    dlg.SetAppendMode(true);
    dlg.ClearLists();
    QString error;
    const int records = dlg.ListCoverImages(fullPath, m_ctx.folders->coverFolder, &error);
    if (records < 0) {
        m_ctx.desktop->ShowMessageDialog(
            kCaption, error, Msg::mtError, Msg::mbOK, { QStringLiteral("OK") });
        return -1;
    }
    if (count)
        *count = records;
    return dlg.ShowModal();
}

QStringList MailActions::availableCovers() const
{
    QStringList names;
    for (const QString &line : m_ctx.frontImageDlg->availableLines())
        names.append(CoverLineFileName(line));
    return names;
}

QString MailActions::mailArchive(const QString &zipName, const QString &fullPath, bool withCovers)
{
    QString error;
    const QString path = CreateMailArchive(*m_ctx.zip, m_ctx.folders->zipFolder, zipName, fullPath,
        m_ctx.folders->coverFolder, withCovers ? availableCovers() : QStringList(), &error);
    if (path.isEmpty())
        m_ctx.desktop->ShowSystemMessage(error, Msg::mtError);
    return path;
}

void MailActions::sendWebMail(
    QTreeWidgetItem *node, const QString &fullPath, const QString &zipName)
{
    ShellOpen(*m_ctx.desktop,
        m_ctx.settings->readString(kReviewer, QStringLiteral("WebMailUrl"), DefaultWebMailUrl()));
    if (m_ctx.actions->action(QStringLiteral("ActionSendZipped"))->isChecked()) {
        const int answer = askForCovers(node, fullPath, nullptr);
        if (answer < 0 || answer == Msg::mrCancel)
            return;
        const QString archive = mailArchive(zipName, fullPath, answer == Msg::mrYes);
        if (archive.isEmpty())
            return;
        inform(QStringLiteral("Hängen Sie folgendes ZIP-Archiv der Mail an:\r\n\r\n") + archive
            + kDeleteAfterwards);
        return;
    }
    QString error;
    const QString covers = ListCoverImageFiles(fullPath, m_ctx.folders->coverFolder, &error);
    if (!error.isEmpty()) {
        m_ctx.desktop->ShowMessageDialog(
            kCaption, error, Msg::mtError, Msg::mbOK, { QStringLiteral("OK") });
        return;
    }
    inform(QStringLiteral("Versenden Sie die Besprechung\r\n") + fullPath + QStringLiteral("\r\n")
        + QStringLiteral("sowie die Bilder:\r\n") + covers);
}

void MailActions::sendStandardMail(
    QTreeWidgetItem *node, const QString &fullPath, const QString &zipName, const QString &folder)
{
    if (m_handOverRunning) {
        inform(QStringLiteral("Die vorige Mail wird noch an das Mail-Programm übergeben.\r\n"
                              "Senden Sie diese, wenn das Mail-Programm sie übernommen hat."));
        return;
    }
    int count = 0;
    const int answer = askForCovers(node, fullPath, &count);
    if (answer < 0 || answer == Msg::mrCancel)
        return;
    const bool withCovers = answer == Msg::mrYes;

    const IniFile &settings = *m_ctx.settings;
    const QString email1 = settings.readString(kRecipients, QStringLiteral("Email1"), {});
    const QString email2 = settings.readString(kRecipients, QStringLiteral("Email2"), {});
    MailMessage mail;
    mail.subject = settings.readString(
        kRecipients, QStringLiteral("Subject"), QStringLiteral("Besprechungen"));
    QString error;
    mail.body = ComposeMailBody(settings, count, folder, &error);
    if (mail.body.isNull()) {
        m_ctx.desktop->ShowSystemMessage(error, Msg::mtError);
        return;
    }

    if (!m_ctx.mail) {
        JvMail1Error(kNoMailProgram);
        return;
    }
    IMailProgram &program = *m_ctx.mail;
    const bool outlook = IsOutlookClient(program.DefaultMailClient());
    if (!email1.isEmpty())
        mail.to.append(MailAddress(email1, outlook));
    if (!email2.isEmpty())
        mail.cc.append(MailAddress(email2, outlook));

    if (m_ctx.actions->action(QStringLiteral("ActionSendZipped"))->isChecked()) {
        const QString archive = mailArchive(zipName, fullPath, withCovers);
        if (archive.isEmpty())
            return;
        inform(QStringLiteral("Folgendes ZIP-Archiv wird der Mail angehängt:\r\n\r\n") + archive
            + kDeleteAfterwards);
        mail.attachments = { archive };
    } else {
        mail.attachments = { fullPath };
        if (withCovers) {
            for (const QString &name : availableCovers())
                mail.attachments.append(m_ctx.folders->coverFolder + name);
        }
    }
    for (const QString &file : std::as_const(mail.attachments)) {
        if (!QFileInfo(file).isFile()) {
            m_ctx.desktop->ShowSystemMessage(QStringLiteral("Die Datei\r\n") + file
                    + QStringLiteral("\r\nfür den Anhang der Mail wurde nicht gefunden."),
                Msg::mtError);
            return;
        }
    }
    // The hand-over may take long (some mail programs keep it until their
    // compose window closes); the window stays live meanwhile.
    m_handOverRunning = true;
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    m_ctx.window->StatusMsg(StatusPanel::Hint, kHandingOver);
    const QPointer<MailActions> self(this);
    program.SendMail(mail, [self](int result) {
        if (self)
            self->handOverEnded(result);
    });
}

void MailActions::handOverEnded(int result)
{
    if (!m_handOverRunning)
        return;
    m_handOverRunning = false;
    QGuiApplication::restoreOverrideCursor();
    m_ctx.window->StatusMsg(StatusPanel::Hint, QString());
    if (result != 0)
        JvMail1Error(result);
}

void MailActions::JvMail1Error(int errorCode)
{
    inform(QStringLiteral("Die Mail konnte nicht verschickt werden. Fehler: ")
        + QString::number(errorCode));
}

void MailActions::ActionSendZippedExecute()
{
    // The check mark has changed already, and with it the setting
    // Reviewer/SendMailZipped.
    if (m_ctx.actions->action(QStringLiteral("ActionSendZipped"))->isChecked()) {
        m_ctx.desktop->ShowMessageDialog(QStringLiteral("Mail-Anhang gezippt verschicken..."),
            QStringLiteral("Der Besprechungsbericht und die Umschlagbilder werden von jetzt an\n\r"
                           "als ein Anhang im ZIP-Format der Mail angehängt."),
            Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
    } else {
        m_ctx.desktop->ShowMessageDialog(
            QStringLiteral("Mail-Anhänge einzeln (ungezippt) verschicken..."),
            QStringLiteral("Der Besprechungsbericht und die Umschlagbilder werden von jetzt an\n\r"
                           "als einzelne Dateien der Mail angehängt."),
            Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
    }
}
