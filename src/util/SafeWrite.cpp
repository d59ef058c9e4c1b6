#include "SafeWrite.h"

#include "FileErrors.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>

bool WriteFileSafely(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = FileErrorText(file.errorString());
        return false;
    }
    const bool written
        = file.write(bytes) == bytes.size() && file.flush() && file.error() == QFileDevice::NoError;
    if (!written) {
        if (error)
            *error = FileErrorText(file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = FileErrorText(file.errorString());
        return false;
    }
    return true;
}

namespace {

const QString kPieceSuffix = QStringLiteral(".part");

} // namespace

SafeFileWriter::~SafeFileWriter() { cancel(); }

bool SafeFileWriter::open(const QString &path)
{
    cancel();
    m_path = path;
    m_error.clear();
    const QFileInfo target(path);
    // A dot name: the review tree never shows one that a crash left behind.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString name = target.absolutePath() + QStringLiteral("/.")
            + QString::number(QRandomGenerator::global()->generate(), 36) + kPieceSuffix;
        m_temp.setFileName(name);
        if (m_temp.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return true;
        if (QFileInfo::exists(name))
            continue;
        break;
    }
    m_error = FileErrorText(m_temp.errorString());
    return false;
}

bool SafeFileWriter::write(const char *data, qint64 size)
{
    if (!m_temp.isOpen())
        return false;
    if (m_temp.write(data, size) != size) {
        m_error = FileErrorText(m_temp.errorString());
        cancel();
        return false;
    }
    return true;
}

bool SafeFileWriter::commit()
{
    if (!m_temp.isOpen())
        return false;
    if (!m_temp.flush() || m_temp.error() != QFileDevice::NoError) {
        m_error = FileErrorText(m_temp.errorString());
        cancel();
        return false;
    }
    m_temp.close();
    // rename() replaces the old file in one step, also a read-only one.
    if (std::rename(
            QFile::encodeName(m_temp.fileName()).constData(), QFile::encodeName(m_path).constData())
        != 0) {
        m_error = SystemErrorText(errno);
        QFile::remove(m_temp.fileName());
        return false;
    }
    return true;
}

void SafeFileWriter::cancel()
{
    if (m_temp.isOpen()) {
        m_temp.close();
        QFile::remove(m_temp.fileName());
    }
}

bool IsSaveTemporaryName(const QString &name, const QStringList &extensions)
{
    // The suffix of a save file's temporary name: Qt takes letters, the C
    // library letters and digits.
    static const QRegularExpression suffix(QStringLiteral("\\.[A-Za-z0-9]{6}$"));
    if (!suffix.match(name).hasMatch())
        return false;
    const QString replaced = name.chopped(7);
    for (const QString &extension : extensions) {
        if (!extension.isEmpty() && replaced.size() > extension.size()
            && replaced.endsWith(extension, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

bool IsLeftoverPieceName(const QString &name)
{
    static const QRegularExpression piece(QStringLiteral("^\\.[0-9a-z]{1,13}\\.part$"));
    return piece.match(name).hasMatch();
}

void RemoveLeftoverPieces(const QString &folder)
{
    const QFileInfoList entries = QDir(folder).entryInfoList(
        { QStringLiteral(".*") + kPieceSuffix }, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &fi : entries) {
        if (IsLeftoverPieceName(fi.fileName()) && !fi.isSymLink())
            QFile::remove(fi.absoluteFilePath());
    }
}
