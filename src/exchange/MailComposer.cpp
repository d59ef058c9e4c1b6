#include "MailComposer.h"

#include "base/IniFile.h"

namespace {

const QString kRecipients = QStringLiteral("Recipients");

// Reads digits at i; -1 when there are none.
int readNumber(const QString &s, qsizetype &i)
{
    int n = -1;
    while (i < s.size() && s[i].isDigit() && n < 100000) {
        n = (n < 0 ? 0 : n * 10) + s[i].digitValue();
        ++i;
    }
    return n;
}

} // namespace

QString FormatTemplate(const QString &pattern, const QVariantList &arguments, QString *error)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return QString();
    };
    QString out;
    qsizetype next = 0; // the argument the next placeholder takes
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c != u'%') {
            out += c;
            continue;
        }
        const qsizetype start = i++;
        if (i < pattern.size() && pattern[i] == u'%') {
            out += u'%';
            continue;
        }
        qsizetype mark = i;
        const int index = readNumber(pattern, mark);
        if (index >= 0 && mark < pattern.size() && pattern[mark] == u':') {
            next = index;
            i = mark + 1;
        }
        bool left = false;
        if (i < pattern.size() && pattern[i] == u'-') {
            left = true;
            ++i;
        }
        const int width = readNumber(pattern, i);
        int precision = -1;
        if (i < pattern.size() && pattern[i] == u'.') {
            ++i;
            precision = qMax(0, readNumber(pattern, i));
        }
        if (i >= pattern.size())
            return fail(QStringLiteral("Das Zeichen \"%\" am Ende ist kein Platzhalter."));
        const QString placeholder = pattern.mid(start, i - start + 1);
        const QChar type = pattern[i].toLower();
        if (type != u's' && type != u'd')
            return fail(
                QStringLiteral("Der Platzhalter \"%1\" ist unbekannt; erlaubt sind %s und %d.")
                    .arg(placeholder));
        if (next >= arguments.size())
            return fail(
                QStringLiteral("Für den Platzhalter \"%1\" fehlt die Angabe.").arg(placeholder));
        const QVariant &arg = arguments[next++];
        const bool isNumber = arg.typeId() == QMetaType::Int;
        QString text;
        if (type == u'd') {
            if (!isNumber)
                return fail(QStringLiteral("Der Platzhalter \"%1\" steht für eine Zahl, die Angabe "
                                           "an seiner Stelle ist ein Text.")
                                .arg(placeholder));
            text = QString::number(arg.toInt());
            if (precision > 0 && text.size() < precision)
                text = text.rightJustified(precision, u'0');
        } else {
            if (isNumber)
                return fail(
                    QStringLiteral("Der Platzhalter \"%1\" steht für einen Text, die Angabe "
                                   "an seiner Stelle ist eine Zahl.")
                        .arg(placeholder));
            text = arg.toString();
            if (precision >= 0)
                text.truncate(precision);
        }
        if (width > text.size())
            text = left ? text.leftJustified(width) : text.rightJustified(width);
        out += text;
    }
    if (out.isNull())
        out = QStringLiteral("");
    return out;
}

QString ComposeMailBody(const IniFile &settings, int count, const QString &folder, QString *error)
{
    const QString first1 = settings.readString(kRecipients, QStringLiteral("Firstname1"), {});
    const QString first2 = settings.readString(kRecipients, QStringLiteral("Firstname2"), {});
    const QString lineBreak = QStringLiteral("\r\n\r\n");
    QString key;
    QVariantList args;
    QString expected;
    if (!first2.isEmpty() && count == 1) {
        key = QStringLiteral("Body2Singular");
        args = { first1, first2, lineBreak, folder };
        expected = QStringLiteral(
            "Vorname 1 (%s), Vorname 2 (%s), Zeilenumbruch (%s), Verzeichnis (%s)");
    } else if (!first2.isEmpty()) {
        key = QStringLiteral("Body2");
        args = { first1, first2, lineBreak, count, folder };
        expected
            = QStringLiteral("Vorname 1 (%s), Vorname 2 (%s), Zeilenumbruch (%s), Anzahl (%d), "
                             "Verzeichnis (%s)");
    } else if (count == 1) {
        key = QStringLiteral("Body1Singular");
        args = { first1, lineBreak, folder };
        expected = QStringLiteral("Vorname 1 (%s), Zeilenumbruch (%s), Verzeichnis (%s)");
    } else {
        key = QStringLiteral("Body1");
        args = { first1, lineBreak, count, folder };
        expected
            = QStringLiteral("Vorname 1 (%s), Zeilenumbruch (%s), Anzahl (%d), Verzeichnis (%s)");
    }
    const QString pattern = settings.readString(kRecipients, key, QStringLiteral("Hallo "));
    QString why;
    const QString text = FormatTemplate(pattern, args, &why);
    if (text.isNull()) {
        if (error) {
            *error = QStringLiteral("Die Vorlage ") + kRecipients + u'/' + key
                + QStringLiteral(" der Einstellungen passt nicht zu ihren Angaben:\r\n\"") + pattern
                + QStringLiteral("\"\r\n") + why
                + QStringLiteral("\r\nDer Reihe nach stehen zur Verfügung: ") + expected
                + QStringLiteral(".\r\nDie Mail wird nicht verschickt.");
        }
        return {};
    }
    return text + lineBreak
        + settings.readString(kRecipients, QStringLiteral("Greetings"), QStringLiteral("Gruss, "))
        + QStringLiteral("\r\n")
        + settings.readString(QStringLiteral("Reviewer"), QStringLiteral("Firstname"), {});
}

bool IsOutlookClient(const QString &clientName)
{
    return clientName.contains(QStringLiteral("Outlook"), Qt::CaseInsensitive);
}

QString MailAddress(const QString &address, bool outlook)
{
    return outlook ? QStringLiteral("SMTP:") + address : address;
}
