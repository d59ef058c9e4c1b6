#pragma once

#include <QString>
#include <QVariantList>

class IniFile;

// Fills "%s" (a text) and "%d" (a whole number) in a template, one argument
// after the other, as the settings' mail templates are written; "%%" is a
// percent sign. Also understood: an argument index ("%1:s"), "-" for left
// alignment, a width and a precision ("%-10.3s"). Arguments left over are
// ignored. Returns a null string with error set (German) when a placeholder
// finds no argument or one of another kind, or is none of these.
QString FormatTemplate(const QString &pattern, const QVariantList &arguments, QString *error);

// The body of the mail with a review file of count records from the folder
// named folder: the template chosen by the number of recipients and records,
// an empty line, the closing line and the reviewer's first name. A template
// that does not fit its arguments gives a null string and an error naming
// its settings key.
QString ComposeMailBody(const IniFile &settings, int count, const QString &folder, QString *error);

// Whether the default mail program is one that wants "SMTP:" before each
// address.
bool IsOutlookClient(const QString &clientName);
QString MailAddress(const QString &address, bool outlook);
