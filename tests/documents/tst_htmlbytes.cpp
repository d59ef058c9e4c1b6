#include "documents/HtmlBytes.h"
#include "util/Codec1252.h"

#include <QTest>

// The page writer goes through plain runs many characters at a time; every
// character that needs a second look must come out the same wherever it
// stands in the run.
class TestHtmlBytes : public QObject
{
    Q_OBJECT

private:
    // The same bytes one character at a time.
    static QByteArray expected(const QString &s, bool escape, bool breaks)
    {
        QByteArray out;
        for (qsizetype i = 0; i < s.size(); ++i) {
            const QChar c = s[i];
            if (escape && c == u'<')
                out += "&lt;";
            else if (escape && c == u'>')
                out += "&gt;";
            else if (escape && c == u'&')
                out += "&amp;";
            else if (escape && c == u'"')
                out += "&quot;";
            else if (breaks && c == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') {
                out += "<br>";
                ++i;
            } else if (c.isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) {
                out += "&#" + QByteArray::number(QChar::surrogateToUcs4(c, s[i + 1])) + ';';
                ++i;
            } else if (c.unicode() < 0x80 || Codec1252::canEncode(c))
                out += Codec1252::encode(QStringView(&c, 1));
            else
                out += "&#" + QByteArray::number(c.unicode()) + ';';
        }
        return out;
    }

private slots:
    void specialCharacterAtEveryPlace_data()
    {
        QTest::addColumn<QString>("special");
        QTest::newRow("umlaut") << QStringLiteral("ä");
        QTest::newRow("euro sign") << QStringLiteral("€");
        QTest::newRow("outside the code page") << QStringLiteral("Ω");
        QTest::newRow("surrogate pair") << QStringLiteral("\U0001F600");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800));
        QTest::newRow("less than") << QStringLiteral("<");
        QTest::newRow("ampersand") << QStringLiteral("&");
        QTest::newRow("quote") << QStringLiteral("\"");
        QTest::newRow("line break") << QStringLiteral("\r\n");
        QTest::newRow("carriage return alone") << QStringLiteral("\r");
        QTest::newRow("two in a row") << QStringLiteral("ö>");
    }

    void specialCharacterAtEveryPlace()
    {
        QFETCH(QString, special);
        const QString plain = QStringLiteral("Abenteuer im Wald und am Meer, ein Sommer lang");
        for (int length = 0; length <= 40; ++length) {
            for (int at = 0; at <= length; ++at) {
                const QString s = plain.left(at) + special + plain.mid(at, length - at);
                for (int mode = 0; mode < 3; ++mode) {
                    QByteArray bytes("x");
                    {
                        HtmlBytes out(bytes);
                        if (mode == 0)
                            out.text(s);
                        else if (mode == 1)
                            out.field(s);
                        else
                            out.fieldWithBreaks(s).text(u"!");
                    }
                    const QByteArray want
                        = "x" + expected(s, mode > 0, mode == 2) + (mode == 2 ? "!" : "");
                    QCOMPARE(bytes, want);
                }
            }
        }
    }

    // A text given as its Windows-1252 bytes comes out as its decoded text
    // would: every byte at every place of a run, and line breaks across the
    // end of one.
    void ansiBytesAsTheirText()
    {
        const QByteArray plain("Abenteuer im Wald und am Meer, ein Sommer lang");
        auto check = [](const QByteArray &ansi) {
            QByteArray viaText("x");
            QByteArray viaBytes("x");
            {
                HtmlBytes out(viaText);
                out.fieldWithBreaks(Codec1252::decode(ansi)).text(u"!");
            }
            {
                HtmlBytes out(viaBytes);
                out.ansiFieldWithBreaks(ansi).text(u"!");
            }
            if (viaBytes != viaText)
                qWarning("%s", ansi.toHex().constData());
            return viaBytes == viaText;
        };
        for (int b = 0; b < 256; ++b) {
            for (int at = 0; at <= 33; ++at) {
                QByteArray ansi = plain.left(33);
                ansi.insert(at, char(b));
                QVERIFY(check(ansi));
            }
        }
        for (int at = 0; at <= 33; ++at) {
            for (const QByteArray &pair : { QByteArray("\r\n"), QByteArray("\r\r\n"),
                     QByteArray("\n\r"), QByteArray("<\xe4&") }) {
                QByteArray ansi = plain.left(33);
                ansi.insert(at, pair);
                QVERIFY(check(ansi));
            }
        }
        QVERIFY(check(QByteArray(5000, '<') + QByteArray(3000, '\x81') + "ende\r"));
    }

    void longTextsGrowTheBytes()
    {
        // Many references in a row need far more room than one byte a
        // character.
        const QString s
            = QString(5000, u'<') + QString(3000, QChar(0x3A9)) + QStringLiteral("ende");
        QByteArray bytes;
        {
            HtmlBytes out(bytes);
            out.field(s).field(s);
        }
        const QByteArray once = expected(s, true, false);
        QCOMPARE(bytes, once + once);
    }
};

QTEST_GUILESS_MAIN(TestHtmlBytes)
#include "tst_htmlbytes.moc"
