#pragma once
// The text caret stops blinking after a while without typing or clicking and
// stays shown until the next key press or click, as desktops do (GNOME's
// cursor blink timeout): a field left with the focus, such as Sparvel's log
// note, costs no wake-ups twice a second for the rest of the day.

#include <QObject>
#include <QTimer>

#include <chrono>

namespace dialog {

class CaretBlinkTimeout : public QObject {
public:
    static constexpr std::chrono::milliseconds DefaultTimeout{10000};

    // Installs the application's one watcher (later calls only change the
    // timeout); it lives as long as the application.
    static CaretBlinkTimeout* install(std::chrono::milliseconds timeout = DefaultTimeout);

    bool blinking() const { return !m_stopped; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CaretBlinkTimeout();
    void stop();
    void resume();

    QTimer m_timer;
    int m_flashTime;
    bool m_stopped = false;
};

} // namespace dialog
