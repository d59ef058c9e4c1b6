#pragma once

#include <QString>

// German texts for what the file system reports. The C library and Qt name
// most failures in English where Qt's German translations have no text, and
// those names would stand inside German messages; every message about a file
// that could not be written or read takes its reason from here.

// The German text of an error number (errno): no space left, quota used up,
// file too large, read-only file system, no permission, name too long, file
// exists, no such file or folder, input/output error. Other numbers keep the
// C library's own text.
QString SystemErrorText(int errorNumber);

// The same for a text that Qt or the C library gave for a failed file
// operation (QFileDevice::errorString()): the text of one of those error
// numbers, in English or as Qt translates it, becomes the German one; any
// other text stays as it is.
QString FileErrorText(const QString &systemText);
