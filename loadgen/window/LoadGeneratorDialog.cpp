#include "loadgen/window/LoadGeneratorDialog.h"

#include "dialog/SvgArt.h"
#include "loadgen/ElapsedTime.h"
#include "platform/Processor.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>

namespace loadgen {

namespace {

using dialog::ControlKind;
using dialog::IDC_STATIC;
namespace style = dialog::style;

// clang-format off
constexpr dialog::ControlSpec kControls[] = {
    // id             kind                  text            x    y    w    h   style
    {IDC_STATIC,      ControlKind::Label,   "Load Percent", 12,   7,  58,   8, style::Center},
    {IdLoadPercent,   ControlKind::Edit,    "0%",           12,  17,  58,  12, style::ReadOnly | style::Center},
    {IDC_STATIC,      ControlKind::Label,   "Elapsed Time", 77,   7,  58,   8, style::Center},
    {IdElapsed,       ControlKind::Edit,    "",             77,  17,  58,  12, style::ReadOnly | style::Center},
    {IdSlot0,         ControlKind::CheckBox, "0",           12,  36,  22,  10},
    {IdSlot0 + 1,     ControlKind::CheckBox, "1",           37,  36,  22,  10},
    {IdSlot0 + 2,     ControlKind::CheckBox, "2",           62,  36,  22,  10},
    {IdSlot0 + 3,     ControlKind::CheckBox, "3",           87,  36,  22,  10},
    {IdSlot0 + 4,     ControlKind::CheckBox, "4",          112,  36,  22,  10},
    {IdSlot0 + 5,     ControlKind::CheckBox, "5",           12,  49,  22,  10},
    {IdSlot0 + 6,     ControlKind::CheckBox, "6",           37,  49,  22,  10},
    {IdSlot0 + 7,     ControlKind::CheckBox, "7",           62,  49,  22,  10},
    {IdSlot0 + 8,     ControlKind::CheckBox, "8",           87,  49,  22,  10},
    {IdSlot0 + 9,     ControlKind::CheckBox, "9",          112,  49,  22,  10},
    {IdSelectAll,     ControlKind::Button,  "Select All",   12,  65,  58,  14},
    {IdClearAll,      ControlKind::Button,  "Clear All",    77,  65,  58,  14},
    {IdLoadCpu,       ControlKind::Button,  "Load CPU",     12,  83,  58,  14},
    {IdStop,          ControlKind::Button,  "Stop",         77,  83,  58,  14},
};
// clang-format on

constexpr dialog::DialogTemplate kTemplate{
    102, "Morvath", 147, 103, 10, dialog::window::SystemMenu | dialog::window::MinimizeBox, kControls};

// The program icon: the project's Morvath logo.
QIcon programIcon()
{
    return dialog::svgIcon(QStringLiteral(":/morvath/icons/morvath.svg"), {16, 32});
}

} // namespace

LoadGeneratorDialog::LoadGeneratorDialog(QWidget* parent)
    : DialogWindow(kTemplate, parent, dialog::WindowRole::Main)
    , m_ownClock(std::make_unique<MonotonicLoadClock>())
    , m_clock(*m_ownClock)
{
    initialise();
}

LoadGeneratorDialog::LoadGeneratorDialog(LoadClock& clock, QWidget* parent)
    : DialogWindow(kTemplate, parent, dialog::WindowRole::Main)
    , m_clock(clock)
{
    initialise();
}

LoadGeneratorDialog::~LoadGeneratorDialog()
{
    if (m_timerPeriodHeld)
        platform::endTimerPeriod(1);
}

void LoadGeneratorDialog::initialise()
{
    setWindowIcon(programIcon());
    showLoadPercent();
    setEnabled(IdStop, false);
    platform::beginTimerPeriod(1);
    m_timerPeriodHeld = true;

    for (int slot = 0; slot < SlotSelection::slotCount; ++slot)
        onClicked(IdSlot0 + slot, [this, slot] { toggleSlot(slot); });
    onClicked(IdSelectAll, [this] { selectAll(); });
    onClicked(IdClearAll, [this] { clearAll(); });
    onClicked(IdLoadCpu, [this] { loadCpu(); });
    onClicked(IdStop, [this] { stop(); });
}

void LoadGeneratorDialog::showLoadPercent()
{
    setText(IdLoadPercent, QStringLiteral("%1%").arg(m_selection.loadPercent()));
}

void LoadGeneratorDialog::toggleSlot(int slot)
{
    setChecked(IdSlot0 + slot, m_selection.toggle(slot));
    showLoadPercent();
}

void LoadGeneratorDialog::selectAll()
{
    m_selection.selectAll();
    showLoadPercent();
    for (int slot = 0; slot < SlotSelection::slotCount; ++slot)
        setChecked(IdSlot0 + slot, true);
}

void LoadGeneratorDialog::clearAll()
{
    m_selection.clearAll();
    showLoadPercent();
    for (int slot = 0; slot < SlotSelection::slotCount; ++slot)
        setChecked(IdSlot0 + slot, false);
}

void LoadGeneratorDialog::showIdle()
{
    setEnabled(IdStop, false);
    setEnabled(IdLoadCpu, true);
}

void LoadGeneratorDialog::loadCpu()
{
    if (m_running)
        return;
    m_running = true;
    setEnabled(IdStop, true);
    setEnabled(IdLoadCpu, false);
    setText(IdElapsed, QString::fromStdString(ElapsedTime::format(0)));

    // A quit request handled between slots must end the loop too.
    qApp->installEventFilter(this);
    LoadLoop loop(m_clock);
    const LoadLoopResult result = loop.run(*this);
    qApp->removeEventFilter(this);

    if (result == LoadLoopResult::CounterFailed) {
        // Nothing ran: do not leave the window looking busy.
        m_running = false;
        if (isVisible())
            showIdle();
    }
}

void LoadGeneratorDialog::stop()
{
    m_running = false;
    showIdle();
}

void LoadGeneratorDialog::secondCompleted(int64_t elapsedSeconds)
{
    setText(IdElapsed, QString::fromStdString(ElapsedTime::format(elapsedSeconds)));
}

void LoadGeneratorDialog::dispatchEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool LoadGeneratorDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::Quit)
        m_running = false; // the application goes on to quit; the loop ends after this slot
    return DialogWindow::eventFilter(watched, event);
}

void LoadGeneratorDialog::closeWindow(int code)
{
    m_running = false;
    if (m_timerPeriodHeld) {
        platform::endTimerPeriod(1);
        m_timerPeriodHeld = false;
    }
    endDialog(code);
}

void LoadGeneratorDialog::onOk()
{
    closeWindow(dialog::IDOK);
}

void LoadGeneratorDialog::onCancel()
{
    closeWindow(dialog::IDCANCEL);
}

void LoadGeneratorDialog::onEnter(int)
{
    // Enter anywhere but on a button is the window's OK, which closes it.
    closeWindow(dialog::IDOK);
}

} // namespace loadgen
