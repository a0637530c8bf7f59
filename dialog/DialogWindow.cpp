#include "dialog/DialogWindow.h"

#include "dialog/CaptionRoom.h"
#include "dialog/CaretBlinkTimeout.h"
#include "dialog/ControlFactory.h"
#include "dialog/ControlText.h"
#include "dialog/DialogFont.h"
#include "dialog/StandardIds.h"
#include "dialog/UpDownControl.h"
#include "dialog/WindowFrame.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QEventLoop>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>
#include <QWindow>
#include <QtDebug>

#include <algorithm>


namespace dialog {

namespace {

Qt::WindowFlags windowFlagsFor(uint32_t windowStyle, WindowRole role)
{
    Qt::WindowFlags flags = (role == WindowRole::Main || (windowStyle & window::AppWindow)) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (windowStyle & window::SystemMenu)
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (windowStyle & window::MinimizeBox)
        flags |= Qt::WindowMinimizeButtonHint;
    return flags;
}

bool isPushButton(const ControlSpec* spec)
{
    return spec && (spec->kind == ControlKind::Button || spec->kind == ControlKind::DefaultButton);
}

} // namespace

DialogWindow::DialogWindow(const DialogTemplate& dialogTemplate, QWidget* parent, WindowRole role)
    : QDialog(parent, windowFlagsFor(dialogTemplate.windowStyle, role))
    , m_template(dialogTemplate)
    , m_role(role)
    , m_units(DialogFont::font(dialogTemplate.pointSize))
    , m_services(&DialogServices::standard())
{
    setFont(DialogFont::font(dialogTemplate.pointSize));
    setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    // A window too narrow for its caption is widened, its controls centred
    // in the wider client area.
    const int width = m_units.toPixelsX(dialogTemplate.width);
    const int captionRoom = CaptionRoom::widthFor(windowTitle());
    setFixedSize(std::max(width, captionRoom), m_units.toPixelsY(dialogTemplate.height));
    setSizeGripEnabled(false);
    buildControls(m_template.controls);
    if (captionRoom > width) {
        for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            child->move(child->pos() + QPoint((captionRoom - width) / 2, 0));
    }
    CaptionRoom::install();
    if (role == WindowRole::Main)
        CaretBlinkTimeout::install();
}

DialogWindow::~DialogWindow() = default;

void DialogWindow::addControls(std::span<const ControlSpec> controls) { buildControls(controls); }

void DialogWindow::buildControls(std::span<const ControlSpec> controls)
{
    QButtonGroup* radioGroup = nullptr;
    for (const ControlSpec& spec : controls) {
        QWidget* widget = ControlFactory::create(spec, m_units, this);
        if (spec.kind == ControlKind::Radio) {
            if (!radioGroup || (spec.style & style::Group)) {
                radioGroup = new QButtonGroup(this);
                radioGroup->setExclusive(true);
            }
            radioGroup->addButton(static_cast<QRadioButton*>(widget));
        }
        if (spec.id == IDC_STATIC)
            continue;
        if (m_controls.count(spec.id))
            qWarning("dialog %d: control id %d appears twice; the first one is addressed", m_template.resourceId, spec.id);
        else {
            m_controls[spec.id] = widget;
            m_specs[spec.id] = &spec;
        }
        connectControl(spec.id, widget);
    }
}

void DialogWindow::connectControl(int id, QWidget* widget)
{
    widget->setProperty("dialogControlId", id);
    widget->installEventFilter(this);
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        connect(button, &QAbstractButton::clicked, this, [this, id] { clicked(id); });
    if (auto* upDown = qobject_cast<UpDownControl*>(widget)) {
        connect(upDown, &UpDownControl::deltaPos, this, [this, id](int delta) {
            const auto found = m_spinHandlers.find(id);
            if (found != m_spinHandlers.end())
                found->second(delta);
        });
    }
    const auto changed = [this, id] {
        const auto found = m_changeHandlers.find(id);
        if (found != m_changeHandlers.end())
            found->second();
    };
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        connect(edit, &QLineEdit::textEdited, this, changed);
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget))
        connect(edit, &QPlainTextEdit::textChanged, this, changed);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        connect(combo, &QComboBox::activated, this, changed);
        if (combo->lineEdit()) {
            combo->lineEdit()->installEventFilter(this);
            connect(combo->lineEdit(), &QLineEdit::textEdited, this, changed);
        }
    }
    if (auto* list = qobject_cast<QListWidget*>(widget))
        connect(list, &QListWidget::itemSelectionChanged, this, changed);
}

QWidget* DialogWindow::control(int id) const
{
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

QWidget* DialogWindow::requireControl(int id) const
{
    QWidget* widget = control(id);
    if (!widget)
        qWarning("dialog %d: no control with id %d", m_template.resourceId, id);
    return widget;
}

const ControlSpec* DialogWindow::spec(int id) const
{
    const auto found = m_specs.find(id);
    return found == m_specs.end() ? nullptr : found->second;
}

int DialogWindow::controlId(const QWidget* widget) const
{
    for (const QWidget* w = widget; w && w != this; w = w->parentWidget()) {
        const QVariant id = w->property("dialogControlId");
        if (id.isValid() && control(id.toInt()) == w)
            return id.toInt();
    }
    return IDC_STATIC;
}

int DialogWindow::focusedId() const
{
    return controlId(QApplication::focusWidget());
}

void DialogWindow::setFocus(int id)
{
    if (QWidget* widget = requireControl(id))
        widget->setFocus(Qt::OtherFocusReason);
}

QString DialogWindow::text(int id) const
{
    return ControlText::get(requireControl(id));
}

void DialogWindow::setText(int id, const QString& text)
{
    ControlText::set(requireControl(id), text);
}

std::optional<int> DialogWindow::number(int id, NumberSign sign) const
{
    return ControlText::parseNumber(text(id), sign);
}

void DialogWindow::setNumber(int id, int value)
{
    setText(id, QString::number(value));
}

bool DialogWindow::isEnabled(int id) const
{
    const QWidget* widget = requireControl(id);
    return widget && widget->isEnabled();
}

void DialogWindow::setEnabled(int id, bool enabled)
{
    if (QWidget* widget = requireControl(id))
        widget->setEnabled(enabled);
}

bool DialogWindow::isVisible(int id) const
{
    const QWidget* widget = requireControl(id);
    return widget && !widget->isHidden();
}

void DialogWindow::setVisible(int id, bool visible)
{
    if (QWidget* widget = requireControl(id))
        widget->setVisible(visible);
}

bool DialogWindow::isChecked(int id) const
{
    const auto* button = qobject_cast<const QAbstractButton*>(requireControl(id));
    return button && button->isChecked();
}

void DialogWindow::setChecked(int id, bool checked)
{
    if (auto* button = qobject_cast<QAbstractButton*>(requireControl(id)))
        button->setChecked(checked);
}

void DialogWindow::setPicture(int id, const QPixmap& picture)
{
    if (auto* label = qobject_cast<QLabel*>(requireControl(id)))
        label->setPixmap(picture);
}

void DialogWindow::onClicked(int id, Handler handler)
{
    m_clickHandlers[id] = std::move(handler);
}

void DialogWindow::onLeaveField(int id, Handler handler)
{
    m_leaveHandlers[id] = std::move(handler);
}

void DialogWindow::onSpin(int id, SpinHandler handler)
{
    m_spinHandlers[id] = std::move(handler);
}

void DialogWindow::onChanged(int id, Handler handler)
{
    m_changeHandlers[id] = std::move(handler);
}

void DialogWindow::runLeaveFieldCheck(int id)
{
    const auto found = m_leaveHandlers.find(id);
    // A check that opens a message box moves the focus away from its own
    // field; that must not start the same check again.
    if (found == m_leaveHandlers.end() || m_checksRunning.count(id))
        return;
    m_checksRunning.insert(id);
    found->second();
    m_checksRunning.erase(id);
}

void DialogWindow::clicked(int id)
{
    const auto found = m_clickHandlers.find(id);
    if (found != m_clickHandlers.end()) {
        found->second();
        return;
    }
    if (id == IDOK)
        onOk();
    else if (id == IDCANCEL)
        onCancel();
}

void DialogWindow::setTimer(int id, int milliseconds)
{
    QTimer*& timer = m_timers[id];
    if (!timer) {
        timer = new QTimer(this);
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, id] { onTimer(id); });
    }
    timer->start(std::max(0, milliseconds));
}

void DialogWindow::killTimer(int id)
{
    const auto found = m_timers.find(id);
    if (found != m_timers.end())
        found->second->stop();
}

bool DialogWindow::timerActive(int id) const
{
    const auto found = m_timers.find(id);
    return found != m_timers.end() && found->second->isActive();
}

int DialogWindow::messageBox(const QString& text, const QString& caption, uint32_t flags)
{
    return m_services->messageBox(this, text, caption, flags);
}

QAction* DialogWindow::addSystemMenuEntry(int command, const QString& text, const QKeySequence& shortcut)
{
    auto* action = new QAction(text, this);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, command] { onSystemCommand(command); });
    addAction(action);
    m_systemActions.append(action);
    if (contextMenuPolicy() == Qt::DefaultContextMenu)
        setContextMenuPolicy(Qt::ActionsContextMenu);
    return action;
}

void DialogWindow::flash()
{
    QApplication::alert(this);
}

void DialogWindow::onOk()
{
    endDialog(IDOK);
}

void DialogWindow::onCancel()
{
    endDialog(IDCANCEL);
}

void DialogWindow::onEnter(int)
{
}

int DialogWindow::runModal()
{
    if (m_role != WindowRole::Main) {
        m_ended = false;
        const int code = exec();
        m_ended = false;
        return code;
    }
    // A main window hidden to the notification area is no reason to quit:
    // the program ends when its window ends, never when the last visible
    // window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    if (!m_ended) {
        QEventLoop loop;
        m_runLoop = &loop;
        setResult(0);
        show();
        loop.exec(QEventLoop::DialogExec);
        m_runLoop = nullptr;
    }
    m_ended = false;
    return result();
}

void DialogWindow::endDialog(int code)
{
    m_ended = true;
    done(code);
    if (m_runLoop)
        m_runLoop->exit(code);
}

QRect DialogWindow::frameRect() const
{
    return WindowFrame::rect(*this);
}

void DialogWindow::moveFrameTo(QPoint topLeft)
{
    WindowFrame::moveTo(*this, topLeft);
}

void DialogWindow::changeWindowFlags(Qt::WindowFlags flags)
{
    const Qt::WindowFlags before = windowFlags();
    if (flags == before)
        return;
    if ((flags ^ before) == Qt::WindowStaysOnTopHint && windowHandle()) {
        // The window system switches the stacking of the live window.
        overrideWindowFlags(flags);
        windowHandle()->setFlags(flags);
        return;
    }
    const bool shown = isVisible();
    const bool minimised = isMinimized();
    const QPoint place = frameRect().topLeft();
    const bool quietBefore = testAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    setWindowFlags(flags);
    if ((flags ^ before) & Qt::FramelessWindowHint)
        WindowFrame::forget(*this);
    moveFrameTo(place);
    if (shown) {
        if (minimised)
            showMinimized();
        else
            show();
    }
    setAttribute(Qt::WA_ShowWithoutActivating, quietBefore);
}

void DialogWindow::setStaysOnTop(bool onTop)
{
    Qt::WindowFlags flags = windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    changeWindowFlags(flags);
}

void DialogWindow::onCloseRequest()
{
    onCancel();
}

void DialogWindow::onTimer(int)
{
}

void DialogWindow::onSystemCommand(int)
{
}

void DialogWindow::keyPressEvent(QKeyEvent* event)
{
    const bool plain = !(event->modifiers() & ~Qt::KeypadModifier);
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        const int id = focusedId();
        if (isPushButton(spec(id)) && isEnabled(id))
            static_cast<QAbstractButton*>(control(id))->click();
        else if (id == IDOK)
            onOk();
        else
            onEnter(id);
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        onCancel();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DialogWindow::closeEvent(QCloseEvent* event)
{
    // The window decides; it closes through endDialog, which sends no close event.
    event->ignore();
    onCloseRequest();
}

bool DialogWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        const auto* focus = static_cast<QFocusEvent*>(event);
        if (focus->reason() != Qt::PopupFocusReason) {
            const int id = controlId(qobject_cast<QWidget*>(watched));
            if (id != IDC_STATIC)
                runLeaveFieldCheck(id);
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace dialog
