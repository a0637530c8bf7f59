#pragma once
// Command identifiers with a fixed meaning: the OK and Cancel controls of a
// window, and the answers of a message box.

namespace dialog {

enum StandardId : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDABORT = 3,
    IDRETRY = 4,
    IDIGNORE = 5,
    IDYES = 6,
    IDNO = 7,
};

// System command of a window's "About" entry.
inline constexpr int IDM_ABOUTBOX = 16;

} // namespace dialog
