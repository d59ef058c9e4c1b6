#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

// Runs the companion tool (its path comes from the test's compile
// definitions) and collects what it printed. Its exit status, or -1 when it
// crashed or did not end within a minute.
inline int RunPacketTool(
    const QString &tool, const QStringList &args, QByteArray *out, QByteArray *err)
{
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(60000))
        return -1;
    *out = p.readAllStandardOutput();
    *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}
