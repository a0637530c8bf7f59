// Morvath: the load generator. One modal window; the program ends with it.
// SIGTERM, SIGINT and SIGHUP close the window like its close box; a running
// load loop sees the request between two slots and stops.

#include "dialog/TerminationSignals.h"
#include "loadgen/LoadGeneratorDialog.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvath"));
    dialog::TerminationSignals termination;
    loadgen::LoadGeneratorDialog window;
    QObject::connect(&termination, &dialog::TerminationSignals::requested, &window, [&window](int) { window.close(); });
    window.runModal();
    return 0;
}
