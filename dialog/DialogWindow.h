#pragma once
// Base class of every window of the suite. A window declares its controls in a
// DialogTemplate; this class builds the Qt widgets from it, gives access to
// them by identifier, and carries the Windows dialog behaviours the windows
// rely on:
//  - Enter: a focused push button is pressed; otherwise the OK action
//    (onOk) runs only when the focused control has identifier IDOK (1), and
//    any other focus hands Enter to onEnter(id), which does nothing unless a
//    window overrides it.
//  - Escape and the IDCANCEL button run onCancel (default: close with IDCANCEL);
//    the close box runs onCloseRequest (default: onCancel).
//  - "On leaving the field" checks, buttons and check boxes that act at once,
//    spin controls whose up arrow delivers -1, numbered window timers.
//  - Message boxes and choosers through an injectable DialogServices.
//  - System-menu entries: Qt cannot add entries to the window manager's menu
//    of the title bar on Linux, so they become actions of the window, shown
//    by a right click on a free spot of it (unless the window has its own
//    context menu, which then lists systemMenuActions()) and reachable by a
//    shortcut.
// A main window (Role::Main) is a top-level application window with its own
// task-bar entry; the program's main() runs it with runModal() and returns
// when it ends (endDialog), so ending it ends the program. It runs in the
// application's own event loop, not as a modal dialog: hiding, minimising,
// re-flagging or re-framing it never ends the run. A secondary window runs
// modally to its owner.

#include "dialog/ControlSpec.h"
#include "dialog/ControlText.h"
#include "dialog/DialogServices.h"
#include "dialog/DialogUnits.h"

#include <QDialog>
#include <QKeySequence>
#include <QPointer>
#include <QList>

#include <functional>
#include <map>
#include <optional>
#include <set>

class QAction;
class QEventLoop;
class QTimer;

namespace dialog {

enum class WindowRole { Main, Secondary };

class DialogWindow : public QDialog {
    Q_OBJECT
public:
    using Handler = std::function<void()>;
    using SpinHandler = std::function<void(int delta)>;

    explicit DialogWindow(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr,
                          WindowRole role = WindowRole::Secondary);
    ~DialogWindow() override;

    const DialogTemplate& dialogTemplate() const { return m_template; }
    WindowRole role() const { return m_role; }
    const DialogUnits& units() const { return m_units; }
    // A rectangle of the template converted to pixels.
    QRect toPixels(int x, int y, int w, int h) const { return m_units.toPixels(x, y, w, h); }

    // Controls made after the window, for a window whose controls depend on
    // what is known only later (the number of cores). The specifications and
    // their texts must outlive the window; the controls take the template's
    // font and the window's behaviours like the template's own.
    void addControls(std::span<const ControlSpec> controls);
    // Changes the fixed size of the client area (pixels).
    void setClientSize(QSize size) { setFixedSize(size); }

    // Controls by identifier.
    QWidget* control(int id) const;
    template <typename T>
    T* widget(int id) const { return qobject_cast<T*>(control(id)); }
    const ControlSpec* spec(int id) const;
    // Identifier of the control a widget belongs to (a child of a control
    // counts as the control); IDC_STATIC when none.
    int controlId(const QWidget* widget) const;
    // Identifier of the control with the keyboard focus; IDC_STATIC when none.
    int focusedId() const;
    void setFocus(int id);

    // Texts: labels, edits, buttons, group titles, the combo box's text and
    // the list's current line.
    QString text(int id) const;
    void setText(int id, const QString& text);
    // The text as a whole decimal number, like GetDlgItemInt: leading blanks
    // allowed, a sign only for NumberSign::Signed, nothing else; empty when
    // the text is no such number. A number beyond int's range gives its
    // nearest end (INT_MAX, INT_MIN).
    std::optional<int> number(int id, NumberSign sign = NumberSign::Unsigned) const;
    void setNumber(int id, int value);

    using QDialog::isEnabled;
    using QDialog::setEnabled;
    using QDialog::isVisible;
    using QDialog::setVisible;
    bool isEnabled(int id) const;
    void setEnabled(int id, bool enabled);
    // Whether the control itself is shown (not hidden), whatever the window.
    bool isVisible(int id) const;
    void setVisible(int id, bool visible);
    bool isChecked(int id) const;
    void setChecked(int id, bool checked);
    void setPicture(int id, const QPixmap& picture);

    QString caption() const { return windowTitle(); }
    void setCaption(const QString& caption) { setWindowTitle(caption); }

    // Handlers, one per control.
    // Click of a button, check box or radio; the check state has already changed.
    void onClicked(int id, Handler handler);
    // The control loses the keyboard focus (not to a menu).
    void onLeaveField(int id, Handler handler);
    // Spin control change: -1 for the up arrow, +1 for the down arrow.
    void onSpin(int id, SpinHandler handler);
    // The user changed an edit's text or a combo box's or list's selection.
    void onChanged(int id, Handler handler);
    // Runs the leaving-the-field check of a control now (for Enter in a field).
    void runLeaveFieldCheck(int id);

    // Window timers by number: setting a running timer restarts it with the
    // new interval.
    void setTimer(int id, int milliseconds);
    void killTimer(int id);
    bool timerActive(int id) const;

    DialogServices& services() const { return *m_services; }
    void setServices(DialogServices& services) { m_services = &services; }
    int messageBox(const QString& text, const QString& caption, uint32_t flags);

    // A system-menu entry (for example IDM_ABOUTBOX with "&About...") that
    // runs onSystemCommand(command).
    QAction* addSystemMenuEntry(int command, const QString& text, const QKeySequence& shortcut = {});
    QList<QAction*> systemMenuActions() const { return m_systemActions; }

    // Flashes the task-bar entry until the window is activated.
    void flash();

    // Shows the window and runs it until endDialog; the result is the code
    // given to endDialog. A main window that was ended before it ran returns
    // at once without being shown.
    int runModal();
    // Closes the window; runModal returns code.
    void endDialog(int code);
    // Whether endDialog was called since the window last started to run.
    bool ended() const { return m_ended; }

    // The window's outer rectangle, frame included, in screen pixels; every
    // placement rule works on it (see WindowFrame).
    QRect frameRect() const;
    // Places the window so that its frame's top-left corner is at `topLeft`.
    void moveFrameTo(QPoint topLeft);

    // Changes the window flags of a live window (always on top, frameless,
    // back to the normal frame): the window's frame keeps its place and, when
    // it was shown, is shown again, without being activated and without
    // ending its run. Always on top alone is switched on the shown window as
    // it is; other changes make Qt hide the window and re-create its native
    // window, which must not happen to a window running modally (hiding a
    // dialog ends its run).
    void changeWindowFlags(Qt::WindowFlags flags);
    void setStaysOnTop(bool onTop);

    // Qt's accept and reject (from any source) run the OK and cancel actions.
    void accept() override { onOk(); }
    void reject() override { onCancel(); }

protected:
    virtual void onOk();
    virtual void onCancel();
    virtual void onEnter(int focusedControl);
    virtual void onCloseRequest();
    virtual void onTimer(int id);
    virtual void onSystemCommand(int command);

    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls(std::span<const ControlSpec> controls);
    void connectControl(int id, QWidget* widget);
    void clicked(int id);
    QWidget* requireControl(int id) const;

    DialogTemplate m_template;
    WindowRole m_role;
    DialogUnits m_units;
    DialogServices* m_services;
    std::map<int, QWidget*> m_controls;
    std::map<int, const ControlSpec*> m_specs;
    std::map<int, Handler> m_clickHandlers;
    std::map<int, Handler> m_leaveHandlers;
    std::map<int, SpinHandler> m_spinHandlers;
    std::map<int, Handler> m_changeHandlers;
    std::set<int> m_checksRunning;
    std::map<int, QTimer*> m_timers;
    QList<QAction*> m_systemActions;
    QPointer<QEventLoop> m_runLoop;
    bool m_ended = false;
};

} // namespace dialog
