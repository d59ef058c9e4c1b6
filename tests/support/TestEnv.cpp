#include "TestEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

TestEnv::TestEnv()
{
    const QString root = m_dir.path();
    for (const char *sub : { "home", "home/.local/share", "runtime", "program" })
        QDir().mkpath(root + QLatin1Char('/') + QLatin1String(sub));
    qputenv("HOME", QFile::encodeName(root + QStringLiteral("/home")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(root + QStringLiteral("/home/.local/share")));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(root + QStringLiteral("/runtime")));
    QFile::setPermissions(root + QStringLiteral("/runtime"),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

QString TestEnv::programFolder() const { return m_dir.path() + QStringLiteral("/program/"); }

QString TestEnv::path(const QString &relative) const { return programFolder() + relative; }

bool TestEnv::writeFile(const QString &relative, const QByteArray &bytes) const
{
    const QString p = path(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray TestEnv::readFile(const QString &relative) const
{
    QFile f(path(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString TestEnv::sharedTestData()
{
    QStringList candidates;
    const QString fromEnv = qEnvironmentVariable("SKRIBANDO_SHARED_TESTDATA");
    if (!fromEnv.isEmpty())
        candidates.append(fromEnv);
    candidates.append(QStringLiteral(SKRIBANDO_SHARED_TESTDATA_DIR));
    for (const QString &c : candidates) {
        if (QFileInfo(c + QStringLiteral("/datapackets")).isDir())
            return QDir(c).absolutePath();
    }
    return {};
}

QString TestEnv::fixtures()
{
    const QString fromEnv = qEnvironmentVariable("SKRIBANDO_FIXTURES");
    return fromEnv.isEmpty() ? QStringLiteral(SKRIBANDO_FIXTURES_DIR) : fromEnv;
}

QStringList TestEnv::listing(const QString &folder)
{
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
        QDirIterator::Subdirectories);
    const QDir base(folder);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = base.relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            out.append(rel + u'/');
        } else {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            out.append(rel + u'=' + QString::fromUtf8(f.readAll()));
        }
    }
    out.sort();
    return out;
}
