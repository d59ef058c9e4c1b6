#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>

// A small HTTP server on 127.0.0.1 for tests of network code: it answers each
// request for a path with the answer set for it (404 for any other path) and
// records what was asked. Nothing outside the machine is ever contacted.
class LocalHttpServer : public QObject
{
    Q_OBJECT

public:
    struct Answer
    {
        int status = 200;
        QByteArray reason = "OK";
        QByteArray contentType = "application/xml; charset=utf-8";
        QByteArray body;
        // Held back this long before anything is sent.
        int delayMs = 0;
        // Without a length the answer ends when the connection closes.
        bool sendLength = true;
    };

    explicit LocalHttpServer(QObject *parent = nullptr);

    // Listens on a free port of 127.0.0.1; false when it cannot.
    bool listen();
    // "http://127.0.0.1:PORT".
    QString address() const;
    quint16 port() const { return m_server.serverPort(); }

    // The answer for a path ("/sru/dnb"), whatever its query.
    void answer(const QString &path, const Answer &answer);
    // The same with a file's bytes as the body.
    void answerFile(const QString &path, const QString &file, int status = 200,
        const QByteArray &contentType = "application/xml; charset=utf-8");

    // Every request as "path?query", in order.
    QStringList requests;

private:
    void serve(class QTcpSocket *socket, const QByteArray &target);

    QTcpServer m_server;
    QHash<QString, Answer> m_answers;
};
