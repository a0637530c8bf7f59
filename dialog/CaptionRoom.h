#pragma once
// How wide a window must be for a window manager to show its whole caption:
// the caption in a bold title font and room for the title bar's window icon
// and buttons (minimise, maximise, close), each about as wide as the bar is
// high. The title font and the buttons belong to the window manager, so both
// are estimated on the generous side from the application's font.
//
// install() makes every message box of the application at least that wide,
// including the ones Qt shows by itself (the file chooser's "File not
// found."): Qt sizes a box by its text and allows only a little for the
// caption, which left captions cut ("A…on") under window managers with
// wider title fonts.

#include <QObject>
#include <QString>

namespace dialog {

class CaptionRoom : public QObject {
public:
    // The window icon and the three buttons, and some room beside the text.
    static constexpr int TitleBarSquares = 5;

    // Width in pixels a window needs across for `caption`.
    static int widthFor(const QString& caption);

    // Installs the application's one watcher of message boxes.
    static void install();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CaptionRoom();

    bool m_sizing = false;
};

} // namespace dialog
