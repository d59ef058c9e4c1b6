#include "LocalHttpServer.h"

#include <QFile>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

LocalHttpServer::LocalHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                QByteArray head = socket->property("head").toByteArray() + socket->readAll();
                socket->setProperty("head", head);
                if (socket->property("served").toBool() || !head.contains("\r\n\r\n"))
                    return;
                socket->setProperty("served", true);
                const QList<QByteArray> line = head.left(head.indexOf("\r\n")).split(' ');
                serve(socket, line.size() >= 2 ? line[1] : QByteArray("/"));
            });
        }
    });
}

bool LocalHttpServer::listen() { return m_server.listen(QHostAddress::LocalHost); }

QString LocalHttpServer::address() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void LocalHttpServer::answer(const QString &path, const Answer &answer)
{
    m_answers.insert(path, answer);
}

void LocalHttpServer::answerFile(
    const QString &path, const QString &file, int status, const QByteArray &contentType)
{
    QFile f(file);
    Answer a;
    if (f.open(QIODevice::ReadOnly))
        a.body = f.readAll();
    else
        qWarning("LocalHttpServer: cannot read %s", qPrintable(file));
    a.status = status;
    a.reason = status == 200 ? "OK" : "Error";
    a.contentType = contentType;
    answer(path, a);
}

void LocalHttpServer::serve(QTcpSocket *socket, const QByteArray &target)
{
    requests.append(QString::fromUtf8(target));
    const QString path = QUrl(QString::fromUtf8(target)).path();
    Answer a;
    if (m_answers.contains(path)) {
        a = m_answers.value(path);
    } else {
        a.status = 404;
        a.reason = "Not Found";
        a.contentType = "text/html";
        a.body = "<html><body>Not found</body></html>";
    }
    QPointer<QTcpSocket> guard(socket);
    const auto send = [guard, a] {
        if (!guard || guard->state() != QAbstractSocket::ConnectedState)
            return;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(a.status) + ' ' + a.reason + "\r\n";
        head += "Content-Type: " + a.contentType + "\r\n";
        if (a.sendLength)
            head += "Content-Length: " + QByteArray::number(a.body.size()) + "\r\n";
        head += "Connection: close\r\n\r\n";
        guard->write(head);
        guard->write(a.body);
        guard->disconnectFromHost();
    };
    if (a.delayMs > 0)
        QTimer::singleShot(a.delayMs, socket, send);
    else
        send();
}
