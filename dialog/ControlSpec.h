#pragma once
// One line of a window's control table: what kind of control, its identifier,
// its initial text and its rectangle in dialog units. A window class declares
// its controls once as a constexpr array of these, next to an enum of its ids.

#include <cstdint>
#include <span>

namespace dialog {

// Identifier of controls that are never addressed (labels, frames).
inline constexpr int IDC_STATIC = -1;

enum class ControlKind : uint8_t {
    Label,         // static text
    Edit,          // single-line edit (multi-line with style::Multiline)
    Button,        // push button
    DefaultButton, // push button drawn as the default one
    CheckBox,      // check box that toggles itself when clicked
    Radio,         // radio button; style::Group starts a new group
    GroupBox,      // frame with a title; drawn behind the controls it frames
    ComboBox,      // drop-down list (editable with style::Editable)
    UpDown,        // spin control: up arrow delivers -1, down arrow +1
    List,          // list box
    Progress,      // progress bar, range 0..100 until changed
    Picture,       // icon or image
};

namespace style {
enum : uint32_t {
    None = 0,
    Hidden = 1u << 0,    // created invisible
    Disabled = 1u << 1,  // created disabled
    ReadOnly = 1u << 2,  // edits
    Center = 1u << 3,    // text centred (labels, edits)
    Right = 1u << 4,     // text right-aligned (labels, edits)
    Number = 1u << 5,    // edits accept digits only
    Multiline = 1u << 6, // edits
    NoBorder = 1u << 7,  // edits without frame
    Group = 1u << 8,     // first radio button of a group
    NoTabStop = 1u << 9, // never takes the focus by Tab
    Editable = 1u << 10, // combo box with an edit field
    Sunken = 1u << 11,   // labels with a sunken frame
};
} // namespace style

struct ControlSpec {
    int id;
    ControlKind kind;
    const char* text;
    int x, y, w, h; // dialog units
    uint32_t style = style::None;
};

namespace window {
enum : uint32_t {
    None = 0,
    SystemMenu = 1u << 0,  // close box
    MinimizeBox = 1u << 1,
    AppWindow = 1u << 2,   // own task-bar entry (main windows)
};
} // namespace window

// The whole template: caption, client size in dialog units, font size and
// the controls. The face is always the suite's dialog font (DialogFont).
struct DialogTemplate {
    int resourceId;
    const char* caption;
    int width, height; // dialog units
    int pointSize;
    uint32_t windowStyle;
    std::span<const ControlSpec> controls;
};

} // namespace dialog
