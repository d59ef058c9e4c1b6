#include "Fmain.h"

TMainform::TMainform(QWidget *parent)
    : QMainWindow(parent)
{
}
