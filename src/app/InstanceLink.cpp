#include "InstanceLink.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QUrl>

#include <unistd.h>

namespace {

// A message: this line, one line per file as an encoded file URL (which
// holds no line break whatever the name), and an empty line.
const QByteArray kGreeting = QByteArrayLiteral("SKRIBANDO-OPEN 1\n");
const QByteArray kEnd = QByteArrayLiteral("\n\n");
const QByteArray kAnswer = QByteArrayLiteral("OK\n");
// A copy that connects but never finishes its message is dropped.
constexpr int kReadMilliseconds = 10000;
// The longest path a local socket may have, with room to spare.
constexpr int kMaxSocketPath = 100;

} // namespace

InstanceLink::InstanceLink(const QString &programFolder, QObject *parent)
    : QObject(parent)
    , m_name(serverName(programFolder))
{ }

InstanceLink::~InstanceLink()
{
    if (m_server)
        m_server->close();
}

QString InstanceLink::serverName(const QString &programFolder)
{
    QString folder = QFileInfo(programFolder).canonicalFilePath();
    if (folder.isEmpty())
        folder = QDir::cleanPath(QFileInfo(programFolder).absoluteFilePath());
    const QByteArray key = folder.toUtf8() + '\0' + QByteArray::number(uint(getuid()));
    const QString name = QStringLiteral("skribando-")
        + QString::fromLatin1(
            QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(24));
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QFileInfo(runtime).isDir()) {
        const QString path = QDir::cleanPath(runtime) + u'/' + name;
        if (path.toUtf8().size() <= kMaxSocketPath)
            return path;
    }
    // Qt puts a bare name into the temporary folder; the user is in the name.
    return name;
}

QByteArray InstanceLink::encode(const QStringList &files)
{
    QByteArray message = kGreeting;
    for (const QString &file : files)
        message += QUrl::fromLocalFile(file).toEncoded() + '\n';
    message += '\n';
    return message;
}

bool InstanceLink::decode(const QByteArray &message, QStringList *files)
{
    files->clear();
    if (!message.startsWith(kGreeting) || !message.endsWith(kEnd)
        || message.size() > MaxMessageBytes)
        return false;
    const QByteArray body = message.mid(kGreeting.size(), message.size() - kGreeting.size() - 1);
    const QList<QByteArray> lines = body.split('\n');
    // The body ends with a line break, so the last part is empty.
    if (lines.size() - 1 > MaxFiles)
        return false;
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QUrl url = QUrl::fromEncoded(lines[i], QUrl::StrictMode);
        if (!url.isValid() || !url.isLocalFile() || url.toLocalFile().isEmpty()) {
            files->clear();
            return false;
        }
        files->append(url.toLocalFile());
    }
    return true;
}

InstanceLink::HandOver InstanceLink::handOver(const QStringList &files, int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(qMin(timeoutMs, 2000)))
        return NoneRunning;
    socket.write(encode(files));
    if (!socket.waitForBytesWritten(timeoutMs))
        return NoAnswer;
    QByteArray answer;
    while (answer.size() < kAnswer.size() && socket.waitForReadyRead(timeoutMs))
        answer += socket.readAll();
    return answer.startsWith(kAnswer) ? HandedOver : NoAnswer;
}

bool InstanceLink::listen()
{
    if (!m_server) {
        // No socket options: with them the socket is made elsewhere and moved
        // into place, over the socket of a copy that runs. The runtime folder
        // is the user's alone, and a socket in the temporary folder takes
        // no connection from others under the usual umask.
        m_server = new QLocalServer(this);
        connect(m_server, &QLocalServer::newConnection, this, &InstanceLink::accept);
    }
    if (m_server->listen(m_name))
        return true;
    if (m_server->serverError() != QAbstractSocket::AddressInUseError)
        return false;
    // Someone answers there: that copy keeps the name.
    QLocalSocket probe;
    probe.connectToServer(m_name);
    if (probe.waitForConnected(1000))
        return false;
    // Left behind by a copy that ended without closing it.
    QLocalServer::removeServer(m_name);
    return m_server->listen(m_name);
}

bool InstanceLink::isListening() const { return m_server && m_server->isListening(); }

void InstanceLink::accept()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        // A copy that says nothing in time is let go.
        QTimer::singleShot(kReadMilliseconds, socket, [socket] { socket->abort(); });
        readFrom(socket);
    }
}

void InstanceLink::readFrom(QLocalSocket *socket)
{
    QByteArray buffer = socket->property("received").toByteArray();
    buffer += socket->read(MaxMessageBytes + 1 - buffer.size());
    if (buffer.size() > MaxMessageBytes || !kGreeting.startsWith(buffer.left(kGreeting.size()))) {
        socket->abort();
        return;
    }
    if (!buffer.endsWith(kEnd)) {
        socket->setProperty("received", buffer);
        return;
    }
    QStringList files;
    if (!decode(buffer, &files)) {
        socket->abort();
        return;
    }
    socket->setProperty("received", QByteArray());
    socket->write(kAnswer);
    socket->flush();
    socket->disconnectFromServer();
    emit filesReceived(files);
}
