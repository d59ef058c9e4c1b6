#pragma once

#include <QByteArray>
#include <QtEndian>

// Little-endian numbers for packets built byte by byte in tests.
inline QByteArray le16(quint16 v)
{
    QByteArray b(2, Qt::Uninitialized);
    qToLittleEndian(v, b.data());
    return b;
}

inline QByteArray le32(quint32 v)
{
    QByteArray b(4, Qt::Uninitialized);
    qToLittleEndian(v, b.data());
    return b;
}
