#pragma once
// Message box flags as the windows of the suite pass them (button set, icon,
// default button) and what they mean: which answers a box offers, which one
// Enter gives and which one Escape gives.

#include <cstdint>
#include <vector>

namespace dialog {

inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_RETRYCANCEL = 0x5;
inline constexpr uint32_t MB_TYPEMASK = 0xF;

inline constexpr uint32_t MB_ICONERROR = 0x10; // also "hand" and "stop"
inline constexpr uint32_t MB_ICONSTOP = MB_ICONERROR;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONWARNING = 0x30; // also "exclamation"
inline constexpr uint32_t MB_ICONEXCLAMATION = MB_ICONWARNING;
inline constexpr uint32_t MB_ICONINFORMATION = 0x40; // also "asterisk"
inline constexpr uint32_t MB_ICONMASK = 0xF0;

inline constexpr uint32_t MB_DEFBUTTON1 = 0x000;
inline constexpr uint32_t MB_DEFBUTTON2 = 0x100;
inline constexpr uint32_t MB_DEFBUTTON3 = 0x200;
inline constexpr uint32_t MB_DEFMASK = 0xF00;

inline constexpr uint32_t MB_TOPMOST = 0x40000;

enum class MessageIcon { None, Error, Question, Warning, Information };

class MessageBoxStyle {
public:
    explicit MessageBoxStyle(uint32_t flags) : m_flags(flags) {}

    // The answers (IDOK, IDYES, ...) of the buttons, left to right. Unknown
    // button sets count as MB_OK.
    std::vector<int> answers() const;
    // The answer of the default button (Enter).
    int defaultAnswer() const;
    // The answer Escape and the close box give; 0 when the box cannot be
    // dismissed that way (Yes/No, Abort/Retry/Ignore).
    int escapeAnswer() const;
    MessageIcon icon() const;

private:
    uint32_t m_flags;
};

} // namespace dialog
