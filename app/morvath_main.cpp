// Morvath: the load generator. One main window; the program ends with it.

#include "loadgen/window/LoadGeneratorRun.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvath"));
    return loadgen::runLoadGenerator();
}
