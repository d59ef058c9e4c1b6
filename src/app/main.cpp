#include "app/Fmain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TMainform w;
    w.show();
    return app.exec();
}
