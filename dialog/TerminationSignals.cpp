#include "dialog/TerminationSignals.h"

#include "dialog/DialogWindow.h"
#include "dialog/StandardIds.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace dialog {

namespace {

constexpr std::array<int, 3> HandledSignals{SIGTERM, SIGINT, SIGHUP};

// The pipe's ends; -1 while no instance exists.
int g_readEnd = -1;
volatile sig_atomic_t g_writeEnd = -1;
bool g_requested = false;

// Closes the pop-up menus and modal windows from the top down, as if each
// were cancelled.
void closeModalWindows()
{
    for (int guard = 0; guard < 64; ++guard) {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup) {
            popup->close();
            continue;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto* window = qobject_cast<DialogWindow*>(modal))
            window->endDialog(IDCANCEL);
        else if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->done(QDialog::Rejected);
        else
            modal->hide();
    }
}

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    if (g_writeEnd >= 0)
        [[maybe_unused]] ssize_t written = ::write(g_writeEnd, &number, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (g_readEnd >= 0)
        return; // another instance owns the handlers
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_readEnd = ends[0];
    g_writeEnd = ends[1];
    g_requested = false;

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : HandledSignals)
        ::sigaction(signalNumber, &action, nullptr);

    m_notifier = new QSocketNotifier(g_readEnd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    m_installed = true;
}

TerminationSignals::~TerminationSignals()
{
    if (!m_installed)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : HandledSignals)
        ::sigaction(signalNumber, &action, nullptr);
    const int writeEnd = g_writeEnd;
    g_writeEnd = -1;
    ::close(writeEnd);
    ::close(g_readEnd);
    g_readEnd = -1;
}

bool TerminationSignals::wasRequested()
{
    return g_requested;
}

void TerminationSignals::readPipe()
{
    unsigned char number = 0;
    while (::read(g_readEnd, &number, 1) == 1) {
        g_requested = true;
        closeModalWindows();
        emit requested(number);
    }
}

} // namespace dialog
