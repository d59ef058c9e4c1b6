#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A temporary program folder for one test, with HOME and the XDG folders
// pointed inside it so trash and runtime files stay there.
class TestEnv
{
public:
    TestEnv();
    bool isValid() const { return m_dir.isValid(); }
    // The program folder, with a trailing "/".
    QString programFolder() const;
    QString path(const QString &relative) const;
    // Writes bytes to a file below the program folder, creating its folders.
    bool writeFile(const QString &relative, const QByteArray &bytes) const;
    QByteArray readFile(const QString &relative) const;

    // Folder of the data packets written by the original record store; empty
    // when it is not on this machine.
    static QString sharedTestData();
    // Folder of the fixtures we made.
    static QString fixtures();
    // Every entry below folder, sorted: "relative/path/" for folders and
    // "relative/path=content" for files.
    static QStringList listing(const QString &folder);

private:
    QTemporaryDir m_dir;
};
