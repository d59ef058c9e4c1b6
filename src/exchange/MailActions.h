#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

struct MainContext;
class ReviewFileActions;
class QTreeWidgetItem;

// "Mail senden": sends the selected review file and its covers to the two
// coordinating persons, through the person's mail program or, with web mail,
// by telling the person what to attach; "Mail gezippt senden" chooses
// between single files and one zip archive.
class MailActions : public QObject
{
    Q_OBJECT

public:
    MailActions(MainContext &ctx, ReviewFileActions &reviewFiles, QObject *parent = nullptr);
    ~MailActions() override;

    void ActionSendMailExecute();
    // After "Mail gezippt senden" has changed its check mark.
    void ActionSendZippedExecute();
    // The mail program could not take the mail.
    void JvMail1Error(int errorCode);

private:
    void sendWebMail(QTreeWidgetItem *node, const QString &fullPath, const QString &zipName);
    void sendStandardMail(QTreeWidgetItem *node, const QString &fullPath, const QString &zipName,
        const QString &folder);
    // Fills and shows the cover dialog in mail mode. Returns its answer, or
    // -1 when the review file cannot be listed (the person has been told);
    // count receives the number of records.
    int askForCovers(QTreeWidgetItem *node, const QString &fullPath, int *count);
    // The cover file names of the available list, in its order.
    QStringList availableCovers() const;
    // The archive with the review file and the covers; empty when it could
    // not be made (the person has been told).
    QString mailArchive(const QString &zipName, const QString &fullPath, bool withCovers);
    void inform(const QString &message);
    // The mail program has answered (or the hand-over time is over).
    void handOverEnded(int result);

    MainContext &m_ctx;
    ReviewFileActions &m_reviewFiles;
    // While true the busy pointer shows and another mail waits.
    bool m_handOverRunning = false;
};
