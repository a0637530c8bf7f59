#include "turbo/window/TurboMonitorDialog.h"

#include "dialog/MessageBoxStyle.h"
#include "dialog/QtTrayIcon.h"
#include "dialog/StandardIds.h"
#include "dialog/SvgArt.h"
#include "platform/IniFile.h"
#include "turbo/MultiplierRange.h"
#include "turbo/ProcessorNameLine.h"
#include "turbo/window/ThreadBoxRows.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <utility>

namespace turbo {

namespace {

using dialog::ControlKind;
using dialog::IDC_STATIC;
namespace style = dialog::style;

constexpr uint32_t kValue = style::ReadOnly | style::Center;

// clang-format off
constexpr dialog::ControlSpec kControls[] = {
    // id             kind                      text                     x    y    w    h   style
    {IdNameLine,      ControlKind::Edit,        "",                      7,   6, 262,  10, style::ReadOnly | style::NoBorder | style::NoTabStop},
    {IdAbout,         ControlKind::Button,      "About",               277,   4,  50,  14},

    {IDC_STATIC,      ControlKind::GroupBox,    "Calculated Multiplier", 4,  21, 326,  44},
    {IDC_STATIC,      ControlKind::Label,       "Peak",                 12,  34,  18,   8},
    {IdPeak,          ControlKind::Edit,        "",                     32,  32,  40,  12, kValue},
    {IDC_STATIC,      ControlKind::Label,       "Avg",                  84,  34,  16,   8},
    {IdAverage,       ControlKind::Edit,        "",                    102,  32,  40,  12, kValue},
    {IdSigma,         ControlKind::Edit,        "",                     90,  48,  10,  12, kValue | style::NoBorder | style::NoTabStop},
    {IdStdDev,        ControlKind::Edit,        "",                    102,  48,  40,  12, kValue},
    {IDC_STATIC,      ControlKind::Label,       "Min",                 156,  34,  16,   8},
    {IdMinimum,       ControlKind::Edit,        "",                    174,  32,  40,  12, kValue},
    {IDC_STATIC,      ControlKind::Label,       "Max",                 156,  50,  16,   8},
    {IdMaximum,       ControlKind::Edit,        "",                    174,  48,  40,  12, kValue},
    {IDC_STATIC,      ControlKind::Label,       "Load Filter",         236,  34,  50,   8, style::Center},
    {IdLoadFilter,    ControlKind::Edit,        "",                    241,  46,  40,  12, style::Center},

    {IDC_STATIC,      ControlKind::GroupBox,    "Multiplier - Thread",   4,  68, 326,  40},
    {1038,            ControlKind::Edit,        "",                     10,  79,  36,  12, kValue},
    {1039,            ControlKind::Edit,        "",                     50,  79,  36,  12, kValue},
    {1040,            ControlKind::Edit,        "",                     90,  79,  36,  12, kValue},
    {1041,            ControlKind::Edit,        "",                    130,  79,  36,  12, kValue},
    {1042,            ControlKind::Edit,        "",                    170,  79,  36,  12, kValue},
    {1043,            ControlKind::Edit,        "",                    210,  79,  36,  12, kValue},
    {1044,            ControlKind::Edit,        "",                    250,  79,  36,  12, kValue},
    {1045,            ControlKind::Edit,        "",                    290,  79,  36,  12, kValue},
    {1049,            ControlKind::Edit,        "",                     10,  93,  36,  12, kValue},
    {1050,            ControlKind::Edit,        "",                     50,  93,  36,  12, kValue},
    {1047,            ControlKind::Edit,        "",                     90,  93,  36,  12, kValue},
    {1048,            ControlKind::Edit,        "",                    130,  93,  36,  12, kValue},
    {1055,            ControlKind::Edit,        "",                    170,  93,  36,  12, kValue},
    {1056,            ControlKind::Edit,        "",                    210,  93,  36,  12, kValue},
    {1057,            ControlKind::Edit,        "",                    250,  93,  36,  12, kValue},
    {1058,            ControlKind::Edit,        "",                    290,  93,  36,  12, kValue},

    {IDC_STATIC,      ControlKind::GroupBox,    "C0 State Percent",      4, 111, 326,  54},
    {1016,            ControlKind::Edit,        "",                     10, 122,  36,  12, kValue},
    {1017,            ControlKind::Edit,        "",                     50, 122,  36,  12, kValue},
    {1018,            ControlKind::Edit,        "",                     90, 122,  36,  12, kValue},
    {1019,            ControlKind::Edit,        "",                    130, 122,  36,  12, kValue},
    {1020,            ControlKind::Edit,        "",                    170, 122,  36,  12, kValue},
    {1021,            ControlKind::Edit,        "",                    210, 122,  36,  12, kValue},
    {1022,            ControlKind::Edit,        "",                    250, 122,  36,  12, kValue},
    {1023,            ControlKind::Edit,        "",                    290, 122,  36,  12, kValue},
    {1053,            ControlKind::Edit,        "",                     10, 136,  36,  12, kValue},
    {1054,            ControlKind::Edit,        "",                     50, 136,  36,  12, kValue},
    {1051,            ControlKind::Edit,        "",                     90, 136,  36,  12, kValue},
    {1052,            ControlKind::Edit,        "",                    130, 136,  36,  12, kValue},
    {1059,            ControlKind::Edit,        "",                    170, 136,  36,  12, kValue},
    {1060,            ControlKind::Edit,        "",                    210, 136,  36,  12, kValue},
    {1061,            ControlKind::Edit,        "",                    250, 136,  36,  12, kValue},
    {1062,            ControlKind::Edit,        "",                    290, 136,  36,  12, kValue},
    {IdAverageC0,     ControlKind::Edit,        "",                     10, 150, 316,  12, kValue},

    {IdLog,           ControlKind::CheckBox,    "Log",                   6, 171,  28,  10},
    {IdExcel,         ControlKind::CheckBox,    "Excel .csv",           36, 171,  50,  10},
    {IdTurboDisable,  ControlKind::CheckBox,    "Turbo Disable",        90, 171,  62,  10},
    {IdCStates,       ControlKind::CheckBox,    "C - States",          156, 171,  50,  10},
    {IdEist,          ControlKind::CheckBox,    "EIST",                210, 171,  32,  10},
    {IdResetMinMax,   ControlKind::Button,      "Reset Min / Max",     258, 169,  70,  14},
    {IdNote,          ControlKind::Edit,        "",                      6, 188, 240,  12},
    {IdAddNote,       ControlKind::Button,      "Add Log Note",        252, 187,  76,  14},
};
// clang-format on

constexpr dialog::DialogTemplate kTemplate{
    102, "Sparvel 1.30", 334, 207, 9, dialog::window::SystemMenu | dialog::window::MinimizeBox, kControls};

QString formatted(const char* format, double value) { return QString::asprintf(format, value); }

} // namespace

TurboMonitorDialog::TurboMonitorDialog(platform::Processor& processor, TurboMonitorOptions options, QWidget* parent)
    : DialogWindow(kTemplate, parent, dialog::WindowRole::Main)
    , m_processor(processor)
    , m_access(processor)
    , m_options(std::move(options))
    , m_tray(std::move(m_options.tray))
    , m_drag(new dialog::ClientAreaDrag(this))
    , m_icon(programIcon())
    , m_log(m_options.logDirectory)
{
    if (m_options.services)
        setServices(*m_options.services);
    if (!m_tray)
        m_tray = std::make_unique<dialog::QtTrayIcon>();
    m_tray->setHandler([this](TrayEvent event) { onTrayEvent(event); });
    for (int s = 0; s < kSlotCount; ++s) {
        m_multiplierBoxes.push_back(widget<QLineEdit>(kMultiplierBoxes[static_cast<size_t>(s)]));
        m_c0Boxes.push_back(widget<QLineEdit>(kC0Boxes[static_cast<size_t>(s)]));
    }
    connectHandlers();
}

TurboMonitorDialog::~TurboMonitorDialog() { shutdown(); }

void TurboMonitorDialog::connectHandlers()
{
    onClicked(IdResetMinMax, [this] { resetMinMax(); });
    onLeaveField(IdLoadFilter, [this] { applyLoadFilter(); });
    onClicked(IdTurboDisable, [this] { switchTurbo(); });
    onClicked(IdEist, [this] { switchEist(); });
    onClicked(IdCStates, [this] { switchCStates(); });
    onClicked(IdLog, [this] { toggleLog(); });
    onClicked(IdExcel, [this] { m_logFormat = isChecked(IdExcel) ? LogFormat::Csv : LogFormat::Text; });
    onClicked(IdAddNote, [this] { addLogNote(); });
    onClicked(IdAbout, [this] { showAbout(); });
}

QIcon TurboMonitorDialog::programIcon()
{
    return dialog::svgIcon(QStringLiteral(":/sparvel/icons/sparvel.svg"), {16, 32});
}

void TurboMonitorDialog::fail(const std::string& message, const QString& caption)
{
    messageBox(QString::fromStdString(message), caption, dialog::MB_OK);
    QTimer::singleShot(0, this, [this] { endDialog(dialog::IDCANCEL); });
}

bool TurboMonitorDialog::start()
{
    setWindowIcon(m_icon);
    platform::beginTimerPeriod(10);
    m_timerPeriodRaised = true;

    m_access.refreshMasks();
    m_processor.setPriorityClass(platform::PriorityClass::Realtime);
    m_processor.sleep(0);
    m_processor.setThreadPriority(platform::ThreadPriority::TimeCritical);
    m_processor.sleep(0);

    TurboStartup startup = TurboSampler::start(m_access);
    if (startup.failure == StartupFailure::DriverNotReady) {
        fail(startup.message(), QString()); // the system's default caption
        return false;
    }
    if (startup.failure == StartupFailure::UnsupportedProcessor) {
        std::fprintf(stderr, "Sparvel: %s\n", startup.message().c_str());
        fail(startup.message(), QStringLiteral("Sparvel"));
        return false;
    }
    if (startup.failure == StartupFailure::AllocationFailed) {
        fail(startup.message(), QStringLiteral("Sparvel"));
        return false;
    }
    m_sampler = std::move(startup.sampler);
    addBoxesBeyondSixteen();
    m_switches = std::make_unique<ProcessorSwitches>(
        m_access, m_sampler->nehalemClass() ? ProcessorSwitches::ProcessorClass::Nehalem
                                            : ProcessorSwitches::ProcessorClass::Core2);

    ProcessorSwitches::MiscEnableState misc = m_switches->readMiscEnable();
    setChecked(IdTurboDisable, misc.turboDisable == SwitchState::On);
    setChecked(IdEist, misc.eist == SwitchState::On);
    m_eistApplied = misc.eist == SwitchState::On;
    if (misc.eistLocked)
        setEnabled(IdEist, false);

    setEnabled(IdNote, false);
    setEnabled(IdAddNote, false);

    setText(IdNameLine, QString::fromStdString(processorNameLine(m_processor)));

    SwitchState cStates = m_switches->readCStates();
    setChecked(IdCStates, cStates == SwitchState::On);
    applyCStates(cStates);

    CoreThreadCount count = m_sampler->countCoresAndThreads();
    setText(IdAverageC0, QString::asprintf("Cores %d  Threads %d", count.cores, count.threads));

    TurboSettings settings = TurboSettings::load(platform::IniFile(m_options.settingsPath));
    m_settingsRead = true;
    m_sampler->range().setLoadFilter(settings.loadFilter);
    setText(IdLoadFilter, QString::asprintf("%d%%", m_sampler->range().loadFilter()));
    m_logFormat = settings.logFormat;
    setChecked(IdExcel, m_logFormat == LogFormat::Csv);
    setText(IdSigma, QString::fromUtf8("\u03C3"));

    setTimer(kTickTimer, kTickMs);
    update();
    return true;
}

void TurboMonitorDialog::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    killTimer(kTickTimer);
    const TurboLog::WriteResult flushed = m_log.flush(m_logState, m_logFormat);
    // Nothing is lost silently: lines the file would not take are told.
    if (flushed == TurboLog::WriteResult::CannotOpen || flushed == TurboLog::WriteResult::WriteFailed)
        std::fprintf(stderr, "%s\n", m_log.unwrittenReport().c_str());
    if (m_trayIconShown)
        m_tray->remove();
    m_trayIconShown = false;
    // Settings that were never read are not written: a failed start must not
    // replace the user's values with the defaults.
    if (m_settingsRead && m_sampler) {
        TurboSettings settings;
        settings.loadFilter = m_sampler->range().loadFilter();
        settings.logFormat = m_logFormat;
        platform::IniFile file(m_options.settingsPath);
        settings.save(file);
    }
    m_switches.reset();
    m_sampler.reset();
    m_processor.deinitialise();
    if (m_timerPeriodRaised)
        platform::endTimerPeriod(10);
    m_timerPeriodRaised = false;
}

QString TurboMonitorDialog::trayTip(double averageMultiplier, double averageC0)
{
    return TrayIcon::limitTip(QString::asprintf("%.3fX\n%.2f%%", averageMultiplier, averageC0));
}

void TurboMonitorDialog::onTimer(int id)
{
    if (id == kTickTimer)
        tick();
}

void TurboMonitorDialog::tick()
{
    if (!m_sampler)
        return;
    TurboReading reading = m_sampler->tick();
    setText(IdAverage, formatted("%.3f", reading.averageMultiplier));
    setText(IdPeak, formatted("%.3f", reading.peakMultiplier));

    if (m_trayIconShown) {
        QString tip = trayTip(reading.averageMultiplier, reading.averageC0);
        if (!m_tray->modify(m_icon, tip))
            m_tray->add(m_icon, tip);
    }
    showReading(reading);

    readSwitches();
    if (isChecked(IdCStates) != m_cStatesApplied)
        applyCStates(switchState(isChecked(IdCStates)));
    if (isChecked(IdEist) != m_eistApplied)
        m_switches->writeEist(switchState(isChecked(IdEist)));

    std::tm now = m_processor.localTime();
    if (m_logState == LogState::On)
        m_log.appendLine(now, reading.peakMultiplier, reading.averageMultiplier, reading.stdDev, reading.averageC0);
    m_log.onTick(now, m_logState, m_logFormat);
    if (const std::optional<platform::UserFileError> error = m_log.takeNewError())
        std::fprintf(stderr, "Sparvel: cannot write the log %s\n", error->describe().c_str());
    // Each control that changed repaints itself; nothing else is redrawn.
}

void TurboMonitorDialog::showReading(const TurboReading& reading)
{
    if (reading.minimumChanged)
        setText(IdMinimum, formatted("%.3f", m_sampler->range().minimum()));
    if (reading.maximumChanged)
        setText(IdMaximum, formatted("%.3f", m_sampler->range().maximum()));
    const size_t shown = std::min(reading.perSlot.size(), m_multiplierBoxes.size());
    for (size_t s = 0; s < shown; ++s) {
        const SlotReading& slot = reading.perSlot[s];
        dialog::ControlText::set(m_multiplierBoxes[s], slot.shown ? formatted("%.3f", slot.multiplier) : QString());
        dialog::ControlText::set(m_c0Boxes[s], slot.shown ? formatted("%.2f", slot.c0Percent) : QString());
    }
    setText(IdAverageC0, QString::asprintf("Average C0 State = %.2f%%", reading.averageC0));
    setText(IdStdDev, formatted("%.3f", reading.stdDev));
}

void TurboMonitorDialog::addBoxesBeyondSixteen()
{
    const std::vector<DisplaySlot>& table = m_sampler->slotTable();
    if (table.size() <= static_cast<size_t>(kSlotCount))
        return;
    m_boxRows = ThreadBoxRows::grow(*this, static_cast<int>(table.size()), m_multiplierBoxes, m_c0Boxes);
    if (m_boxRows)
        m_boxRows->fit(screen()->availableGeometry());
    // With more boxes than the two rows, each box says whose it is.
    for (size_t s = 0; s < m_multiplierBoxes.size(); ++s) {
        for (auto [box, name] : {std::pair{m_multiplierBoxes[s], ThreadBoxRows::multiplierName(table[s].cpu)},
                                 std::pair{m_c0Boxes[s], ThreadBoxRows::c0Name(table[s].cpu)}}) {
            box->setToolTip(name);
            box->setAccessibleName(name);
        }
    }
}

QScrollArea* TurboMonitorDialog::boxArea() const { return m_boxRows ? m_boxRows->area() : nullptr; }

void TurboMonitorDialog::showEvent(QShowEvent* event)
{
    DialogWindow::showEvent(event);
    // Fitted again with the frame the window has now.
    if (m_boxRows)
        m_boxRows->fit(screen()->availableGeometry());
}

void TurboMonitorDialog::readSwitches()
{
    ProcessorSwitches::MiscEnableState misc = m_switches->readMiscEnable();
    setChecked(IdEist, misc.eist == SwitchState::On);
    setChecked(IdTurboDisable, misc.turboDisable == SwitchState::On);
    setChecked(IdCStates, m_switches->readCStates() == SwitchState::On);
}

void TurboMonitorDialog::resetMinMax()
{
    if (m_sampler)
        m_sampler->range().reset();
    setText(IdMinimum, QString());
    setText(IdMaximum, QString());
    update();
}

void TurboMonitorDialog::applyLoadFilter()
{
    int filter = MultiplierRange::loadFilterFromText(text(IdLoadFilter).toStdString());
    setText(IdLoadFilter, QString::asprintf("%d%%", filter));
    if (!m_sampler)
        return;
    if (m_sampler->range().setLoadFilter(filter))
        resetMinMax();
}

void TurboMonitorDialog::onEnter(int focusedControl)
{
    if (focusedControl == IdLoadFilter) {
        setFocus(IdResetMinMax);
        // The focus change runs the check when the window is active; running
        // it again is harmless, as the same value resets nothing.
        runLeaveFieldCheck(IdLoadFilter);
    } else if (focusedControl == IdNote) {
        addLogNote();
    }
}

void TurboMonitorDialog::toggleLog()
{
    bool on = isChecked(IdLog);
    m_logState = on ? LogState::On : LogState::Off;
    setEnabled(IdNote, on);
    setEnabled(IdAddNote, on);
    if (on)
        setFocus(IdNote);
}

void TurboMonitorDialog::addLogNote()
{
    m_log.addNote(text(IdNote).toStdString());
    setText(IdNote, QString());
    setFocus(IdNote);
}

void TurboMonitorDialog::switchTurbo()
{
    if (!m_switches)
        return;
    SwitchState state = m_switches->setTurboDisable(switchState(isChecked(IdTurboDisable)));
    setChecked(IdTurboDisable, state == SwitchState::On);
}

void TurboMonitorDialog::switchEist()
{
    if (!m_switches)
        return;
    ProcessorSwitches::EistResult result = m_switches->setEist(switchState(isChecked(IdEist)));
    setChecked(IdEist, result.state == SwitchState::On);
    if (result.locked) {
        setEnabled(IdEist, false);
    } else {
        m_eistApplied = result.state == SwitchState::On;
    }
    update();
}

void TurboMonitorDialog::switchCStates()
{
    if (m_switches)
        applyCStates(switchState(isChecked(IdCStates)));
}

void TurboMonitorDialog::applyCStates(SwitchState state)
{
    m_switches->writeCStates(state);
    m_cStatesApplied = state == SwitchState::On;
    update();
}

void TurboMonitorDialog::showAbout()
{
    messageBox(QStringLiteral("Sparvel\nVersion 1.30\nMay 19, 2011\n\n"
                              "Effective multiplier and C0 state of every logical CPU,\n"
                              "from the unhalted core and reference cycle counters."),
               QStringLiteral("Sparvel"), dialog::MB_OK | dialog::MB_ICONINFORMATION);
}

QMenu* TurboMonitorDialog::contextMenu()
{
    if (!m_contextMenu) {
        m_contextMenu = new QMenu(this);
        QAction* about = m_contextMenu->addAction(QStringLiteral("About..."));
        connect(about, &QAction::triggered, this, [this] { runCommand(CmdAbout); });
    }
    return m_contextMenu;
}

QMenu* TurboMonitorDialog::trayMenu()
{
    if (!m_trayMenu) {
        m_trayMenu = new QMenu(this);
        auto add = [this](const QString& text, int command) {
            QAction* action = m_trayMenu->addAction(text);
            action->setData(command);
            connect(action, &QAction::triggered, this, [this, command] { runCommand(command); });
        };
        add(QStringLiteral("Sparvel"), CmdTrayTitle);
        m_trayMenu->addSeparator();
        add(QStringLiteral("Restore"), CmdTrayRestore);
        add(QStringLiteral("Exit"), CmdTrayExit);
    }
    return m_trayMenu;
}

void TurboMonitorDialog::contextMenuEvent(QContextMenuEvent* event)
{
    contextMenu()->popup(event->globalPos());
}

void TurboMonitorDialog::runCommand(int command)
{
    switch (command) {
    case CmdAbout:
        showAbout();
        break;
    case CmdTrayTitle:
    case CmdTrayRestore:
        restoreWindow();
        break;
    case CmdTrayExit:
        endDialog(dialog::IDCANCEL);
        break;
    default:
        break;
    }
}

void TurboMonitorDialog::onTrayEvent(TrayEvent event)
{
    if (event == TrayEvent::LeftButtonDown || event == TrayEvent::RightButtonDown) {
        // Bottom-aligned at the cursor: the menu ends where the pointer is.
        QMenu* menu = trayMenu();
        QPoint at = QCursor::pos();
        menu->popup(QPoint(at.x(), at.y() - menu->sizeHint().height()));
    } else if (event == TrayEvent::LeftDoubleClick && m_trayIconShown) {
        restoreWindow();
    }
}

void TurboMonitorDialog::restoreWindow()
{
    m_staleMinimise.comingBack(*this);
    showNormal();
    raise();
    activateWindow();
    windowRestored();
}

void TurboMonitorDialog::changeEvent(QEvent* event)
{
    DialogWindow::changeEvent(event);
    if (m_staleMinimise.swallow(*this, *event) || event->type() != QEvent::WindowStateChange)
        return;
    auto* change = static_cast<QWindowStateChangeEvent*>(event);
    bool wasMinimised = change->oldState() & Qt::WindowMinimized;
    bool minimised = windowState() & Qt::WindowMinimized;
    if (minimised && !wasMinimised)
        windowMinimised();
    else if (!minimised && wasMinimised && isVisible())
        windowRestored();
    // A window manager may drop the minimised state of the window hidden
    // behind the icon; that is no restore: the icon stays until the window
    // is shown again (restoreWindow).
}

void TurboMonitorDialog::windowMinimised()
{
    // Minimised again while hidden behind the icon (a window manager may
    // toggle the state of a hidden window): the icon is already there.
    if (!m_trayIconShown)
        m_trayIconShown = m_tray->add(m_icon, QString());
    if (m_trayIconShown)
        QTimer::singleShot(0, this, [this] { hide(); });
}

void TurboMonitorDialog::windowRestored()
{
    if (m_trayIconShown)
        m_trayIconShown = !m_tray->remove();
}

} // namespace turbo
