#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    MainWindow::prepareHighDpi();
    QApplication app(argc, argv);
    MainWindow::applyProgramFont();
    MainWindow window;
    window.show();
    return app.exec();
}
