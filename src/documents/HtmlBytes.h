#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

// Writes the text of a page straight into its Windows-1252 bytes. Field
// texts are escaped on the way ("<", ">", "&" and the double quote as
// character references), and every character that the code page cannot
// hold becomes a numeric character reference, in the same pass: a page of
// tens of thousands of reviews is gone through once.
class HtmlBytes
{
public:
    explicit HtmlBytes(QByteArray &out);
    ~HtmlBytes();
    HtmlBytes(const HtmlBytes &) = delete;
    HtmlBytes &operator=(const HtmlBytes &) = delete;

    // The program's own pieces, markup included, as they stand.
    HtmlBytes &text(QStringView s) { return put(s, false, false); }
    // The same for a piece given as its Windows-1252 bytes (the markup of
    // every entry): copied as it is.
    template<qsizetype N>
    HtmlBytes &bytes(const char (&s)[N])
    {
        bytes(s, N - 1);
        return *this;
    }
    // A field text, escaped.
    HtmlBytes &field(QStringView s) { return put(s, true, false); }
    // A field text, escaped, its CR LF pairs written as "<br>".
    HtmlBytes &fieldWithBreaks(QStringView s) { return put(s, true, true); }
    // The same for a text given as its Windows-1252 bytes, as the table
    // keeps most texts: the bytes written are those of the decoded text.
    HtmlBytes &ansiFieldWithBreaks(QByteArrayView ansi);

    // Ends the writing: the bytes hold exactly what was written.
    void finish();

    // What was written so far (valid until the next write).
    QByteArrayView written() const { return QByteArrayView(m_data, m_pos); }
    qsizetype size() const { return m_pos; }
    // Writes on from the buffer's start again, keeping its room: for a page
    // that goes out piece by piece.
    void restart() { m_pos = 0; }

private:
    HtmlBytes &put(QStringView s, bool escape, bool breaks);
    void reserve(qsizetype more);
    void bytes(const char *s, qsizetype n);
    // For the loops that keep the position in locals (d, pos): writes a
    // piece there, makes room for left more bytes, and moves d and pos on.
    void appendPiece(char *&d, qsizetype &pos, const char *piece, qsizetype size, qsizetype left);

    QByteArray &m_out;
    qsizetype m_pos;
    char *m_data;
};
