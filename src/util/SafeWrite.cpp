#include "SafeWrite.h"

#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool WriteFileSafely(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const bool written
        = file.write(bytes) == bytes.size() && file.flush() && file.error() == QFileDevice::NoError;
    if (!written) {
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

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
            + QString::number(QRandomGenerator::global()->generate(), 36) + QStringLiteral(".part");
        m_temp.setFileName(name);
        if (m_temp.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return true;
        if (QFileInfo::exists(name))
            continue;
        break;
    }
    m_error = m_temp.errorString();
    return false;
}

bool SafeFileWriter::write(const char *data, qint64 size)
{
    if (!m_temp.isOpen())
        return false;
    if (m_temp.write(data, size) != size) {
        m_error = m_temp.errorString();
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
        m_error = m_temp.errorString();
        cancel();
        return false;
    }
    m_temp.close();
    // rename() replaces the old file in one step, also a read-only one.
    if (std::rename(
            QFile::encodeName(m_temp.fileName()).constData(), QFile::encodeName(m_path).constData())
        != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
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
