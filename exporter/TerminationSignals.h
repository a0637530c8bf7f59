#pragma once
// SIGTERM and SIGINT end the event loop, so the exporter stops its threads and
// closes the register access before it exits. The handler only writes a byte
// into a pipe; the loop reads it and quits.

#include <QObject>

class QSocketNotifier;

namespace exporter {

class TerminationSignals : public QObject {
public:
    // Installs the handlers; quits the running QCoreApplication on a signal.
    TerminationSignals();
    ~TerminationSignals() override;

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace exporter
