#pragma once
// Suspend and resume of the system, from logind's PrepareForSleep signal on
// the system bus. While it watches, the watcher holds a "delay" inhibitor
// lock, so the system waits (briefly) for the suspend handling before it
// sleeps; the lock is released once that is done and taken again after the
// resume. Without a system bus, or without logind, it reports nothing.

#include <QDBusUnixFileDescriptor>
#include <QObject>

namespace monitor {

class SleepWatcher : public QObject {
    Q_OBJECT
public:
    explicit SleepWatcher(QObject* parent = nullptr);

    // True when it is connected to logind's signal.
    bool watching() const { return m_watching; }

signals:
    void suspending();
    void resumed();

private slots:
    void prepareForSleep(bool sleeping);

private:
    void takeDelayLock();

    bool m_watching = false;
    QDBusUnixFileDescriptor m_delayLock;
};

} // namespace monitor
