// Morvath: the load generator. One modal window; the program ends with it.

#include "loadgen/LoadGeneratorDialog.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvath"));
    loadgen::LoadGeneratorDialog window;
    window.runModal();
    return 0;
}
