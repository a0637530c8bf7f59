#pragma once
// SIGTERM, SIGINT and SIGHUP as a Qt signal: the handler only writes the
// signal's number into a pipe; the event loop reads it and emits
// `requested`, so a program can end its window the way its own Exit does and
// run its whole shutdown (threads stopped, processor settings restored, log
// and settings saved) instead of dying in the middle of a tick. Only one
// instance may exist at a time.
//
// Whatever is on screen, a request ends the program: open pop-up menus and
// modal windows (message boxes, choosers, the About box) are closed first, as
// if cancelled, so the code that opened them goes on to the shutdown; a box
// that would open after the request answers at once as cancelled.

#include <QObject>

class QSocketNotifier;

namespace dialog {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // False when the pipe or the handlers could not be set up.
    bool installed() const { return m_installed; }

    // Whether a termination signal has arrived since the handlers were
    // installed: the program then ends with success even where a failed
    // start-up would otherwise end it with an error.
    static bool wasRequested();

signals:
    void requested(int signalNumber);

private slots:
    void readPipe();

private:
    bool m_installed = false;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace dialog
