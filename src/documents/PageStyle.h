#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The program's own look for the review pages: a style sheet made for the
// pages' structure and the bullet image every entry refers to. They are
// written into the HTML folder where they are missing, so a fresh folder
// shows readable pages; a style sheet or image the circle put there is never
// replaced.
namespace PageStyle {

// The bullet image in front of every title.
QString BulletName();
QByteArray DefaultStyleSheet();
QByteArray BulletImage();

// Writes the default style sheet under cssName and the bullet image into
// htmlFolder (ending with "/") where no file of that name exists; a file
// whose name differs only in letter case counts as existing. A name that is
// not a plain "*.css" file name is left alone. Returns the names written.
QStringList EnsurePageStyle(const QString &htmlFolder, const QString &cssName);

} // namespace PageStyle
