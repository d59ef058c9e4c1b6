#pragma once

// The way of an XML packet's bytes to Qt's XML reader: converted to UTF-8
// (from the ANSI code page, UTF-16 or UTF-8 by byte-order mark or
// declaration) and looked over for what would make the reader take more than
// linear time.

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

#include <memory>

namespace DataPacket::Internal {

// Qt's XML reader compares every attribute of an element with every other
// one, so one element with tens of thousands of attributes takes minutes.
// The reader refuses elements with more attributes than this beyond the
// packet's columns, and documents whose attributes would cost more than
// linear time; the writer keeps to the same limits, so what it writes reads
// back.
constexpr qint64 kSpareAttributes = 256;
constexpr qint64 attributeWorkAllowed(qint64 inputSize)
{
    return 512 * inputSize + (qint64(1) << 24);
}

// The whole input in memory, converted and looked over; false with a message
// for input that is refused.
bool prepareXmlInput(QByteArrayView bytes, QByteArray *out, QString *error);

// The same for a file read in chunks, so that a big file is never held in
// memory whole.
class XmlInputDevice : public QIODevice
{
public:
    XmlInputDevice(QIODevice *source, qint64 size);
    ~XmlInputDevice() override;
    bool isSequential() const override { return true; }
    bool sourceFailed() const { return m_failed; }
    // Why the input was cut off before the reader saw it all; empty when not.
    const QString &refusal() const { return m_refusal; }

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    bool fill();

    struct Filters;
    QIODevice *m_source;
    std::unique_ptr<Filters> m_filters;
    QByteArray m_pending;
    qsizetype m_pos = 0;
    bool m_failed = false;
    QString m_refusal;
};

} // namespace DataPacket::Internal
