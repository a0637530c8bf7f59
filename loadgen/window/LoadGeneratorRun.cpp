#include "loadgen/window/LoadGeneratorRun.h"

#include "dialog/TerminationSignals.h"

#include <QTimer>

namespace loadgen {

int runLoadGenerator(const std::function<void(LoadGeneratorDialog&)>& running)
{
    dialog::TerminationSignals termination;
    LoadGeneratorDialog window;
    QObject::connect(&termination, &dialog::TerminationSignals::requested, &window, [&window](int) { window.close(); });
    if (running)
        QTimer::singleShot(0, &window, [&window, &running] { running(window); });
    window.runModal();
    return 0;
}

} // namespace loadgen
