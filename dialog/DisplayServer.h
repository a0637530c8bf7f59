#pragma once
// What the display server lets a program know and do with its windows. On
// X11 a program places its windows and learns where they are; a Wayland
// compositor places every window itself and tells no client where it is,
// nor lets one keep a window above the others.

namespace dialog {

enum class WindowPositions { Reported, Hidden };

// Whether window positions can be read (and so are worth saving).
WindowPositions windowPositions();
// Whether a window can ask to stay above the others.
bool staysOnTopAvailable();
// Whether a minimised window is reported as such (on Wayland it just
// vanishes, and no state change arrives).
bool minimisedStateReported();

} // namespace dialog
