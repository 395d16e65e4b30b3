#include "mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QFont font = QApplication::font();
    font.setPointSize(15);
    QApplication::setFont(font);
    MainWindow window;
    window.show();
    return app.exec();
}
