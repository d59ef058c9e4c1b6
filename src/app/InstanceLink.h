#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

// The link between copies of the program on one program folder. The first
// copy listens on a local socket named after the folder and the user; a copy
// started later hands its files (possibly none) to it and ends, so one
// folder is never worked on by two windows.
class InstanceLink : public QObject
{
    Q_OBJECT

public:
    enum HandOver {
        NoneRunning, // no copy listens: this one goes on
        HandedOver, // the running copy took the files
        NoAnswer, // a copy listens but did not answer in time
    };

    explicit InstanceLink(const QString &programFolder, QObject *parent = nullptr);
    ~InstanceLink() override;

    // The socket's name: in $XDG_RUNTIME_DIR where there is one, made from the
    // program folder and the user, so two folders or two users never meet.
    static QString serverName(const QString &programFolder);

    // Hands the files to the copy that listens on this folder; waits up to
    // timeoutMs for its answer.
    HandOver handOver(const QStringList &files, int timeoutMs = 5000) const;
    // Starts listening; a socket left behind by a copy that ended without
    // closing it is replaced. False when no socket could be made.
    bool listen();
    bool isListening() const;
    QString name() const { return m_name; }

    // What one message may hold at most.
    static constexpr qsizetype MaxMessageBytes = 256 * 1024;
    static constexpr int MaxFiles = 1000;

    // The message that carries files, and reading it back; false for bytes
    // that are no complete message of this kind.
    static QByteArray encode(const QStringList &files);
    static bool decode(const QByteArray &message, QStringList *files);

signals:
    // Another copy was started, with these files (perhaps none).
    void filesReceived(const QStringList &files);

private:
    void accept();
    void readFrom(QLocalSocket *socket);

    QString m_name;
    QLocalServer *m_server = nullptr;
};
