#pragma once

#include <QIcon>
#include <QPixmap>

// The program's own picture: an open book with a quill.
QPixmap ProgramPixmap(int size);
QIcon ProgramIcon();
