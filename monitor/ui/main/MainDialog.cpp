#include "monitor/ui/main/MainDialog.h"

#include "dialog/ClientAreaDrag.h"
#include "dialog/HoverTimer.h"
#include "dialog/MessageBoxStyle.h"
#include "dialog/StandardIds.h"
#include "monitor/lifecycle/MonitorTick.h"
#include "monitor/settings/PackedPosition.h"
#include "monitor/ui/desktop/DescribedFont.h"
#include "monitor/ui/desktop/DialogMessages.h"
#include "monitor/ui/main/MainDialogTemplate.h"
#include "monitor/ui/desktop/ProgramIcon.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>

namespace monitor {

namespace {

// The Skull value of the second package's slots 6 and 7, which keeps the plain heading.
constexpr int HalfPackageSkull = 3;
// Skull values above this count as 0 when the heading is made again after the settings.
constexpr int LargestSkull = 2;

enum StatusColour { SystemColour = 0, DarkRed = 1, Red = 2 };

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

} // namespace

MainDialog::MainDialog(MonitorRecords& records, MainDialogParts parts, QWidget* parent)
    : DialogWindow(mainWindowLayoutFor(records.flavour).dialogTemplate, parent, dialog::WindowRole::Main)
    , m_records(records)
    , m_layout(mainWindowLayoutFor(records.flavour))
    , m_parts(std::move(parts))
{
    setWindowIcon(programIcon());
    // The window is created restored.
    setCaption(QString::fromLatin1(m_layout.restoredCaption));
    m_drag = new dialog::ClientAreaDrag(this);
    if (m_parts.contextMenu) {
        // Set before any system-menu entry, which would otherwise turn the
        // right click into a list of those entries.
        setContextMenuPolicy(Qt::CustomContextMenu);
        connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
            if (m_records.running())
                m_parts.contextMenu(*this, mapToGlobal(point));
        });
    }
    if (m_parts.hovered) {
        m_hover = new dialog::HoverTimer(this, m_parts.hoverMilliseconds);
        connect(m_hover, &dialog::HoverTimer::hovered, this, [this](QPoint point) {
            if (m_records.running())
                m_parts.hovered(*this, point);
            m_hover->request();
        });
        m_hover->request();
        // The fields under the pop-up report plain mouse moves too; they
        // are handed on to the window (eventFilter).
        for (const CoreColumn& column : m_layout.columns)
            for (int id : {column.minimum, column.minimumTime, column.maximum, column.maximumTime})
                control(id)->setMouseTracking(true);
    }

    onClicked(IDC_RESET, [this] { onReset(); });
    if (m_layout.infoField == InfoFieldStyle::ViewButton)
        onClicked(IDC_INFO_BUTTON, [this] { onNextInfoView(); });
    onClicked(IDC_SETTINGS, [this] { onSettings(); });
    onClicked(IDC_SENSOR_TEST, [this] {
        if (m_parts.sensorTest)
            m_parts.sensorTest(*this);
    });
    onClicked(IDC_BENCH, [this] {
        if (m_parts.bench)
            m_parts.bench(*this);
    });
    // A button whose window is not there is disabled, never silent.
    setEnabled(IDC_SENSOR_TEST, static_cast<bool>(m_parts.sensorTest));
    setEnabled(IDC_BENCH, static_cast<bool>(m_parts.bench));
    setEnabled(IDC_SETTINGS, static_cast<bool>(m_parts.settingsWindow));
    // The graphics information windows open once a graphics sensor works.
    setEnabled(IDC_GPU_BUTTON, false);
    onClicked(IDC_GPU_BUTTON, [this] { onGpuButton(); });

    // Alt+F4 is seen before any control gets the key.
    qApp->installEventFilter(this);
}

MainDialog::~MainDialog() = default;

QString MainDialog::temperatureHeading(const std::string& unitText, int skull)
{
    if (skull != 0 && skull != HalfPackageSkull)
        return QStringLiteral("Temperature (%1) - CPU %2").arg(fromUtf8(unitText)).arg(skull);
    return QStringLiteral("Temperature (%1)").arg(fromUtf8(unitText));
}

StartupOutcome MainDialog::initialise(const StartupHooks& hooks)
{
    if (m_parts.aboutBox)
        addSystemMenuEntry(dialog::IDM_ABOUTBOX, QStringLiteral("&About..."), QKeySequence(Qt::Key_F1));

    DialogMessages messages(services(), this);
    const StartupOutcome outcome = RunStartup(m_records, messages, hooks);
    if (outcome != StartupOutcome::Running)
        return outcome;

    m_power = std::make_unique<PowerEvents>(m_records.access, m_records.info,
                                            [this] { m_records.readings->Recalibrate(); });
    connectCycleSteps();
    applyStartupWindowSteps();
    setTimer(SamplingTimer, FirstTickMs);
    if (m_parts.restoreWindowPosition)
        m_parts.restoreWindowPosition(*this);
    return outcome;
}

void MainDialog::applyStartupWindowSteps()
{
    MonitorSettings& s = settings();
    const QFont bigDigits = fontFromDescription(s.mainFont);
    for (const CoreColumn& column : m_layout.columns) {
        control(column.temperature)->setFont(bigDigits);
        control(column.distance)->setFont(bigDigits);
    }

    setText(IDC_TEMPERATURE_FRAME, temperatureHeading(s.unitText, s.Skull));
    m_extremesFahrenheit = s.Fahrenheit;

    // The run timer on the information button changes every second: the
    // button paints its whole rectangle (the window's colour around the
    // bevel), so that repaint stops at its edges instead of redrawing the
    // frame and the fields behind it.
    if (QWidget* infoButton = control(IDC_INFO_BUTTON)) { // the six-core window has none
        infoButton->setBackgroundRole(QPalette::Window);
        infoButton->setAutoFillBackground(true);
    }

    m_gpuText = fromUtf8(m_records.signatureText);
    s.gpuPresent = s.nvidiaPresent || s.atiPresent;
    if (m_layout.signature == SignatureStyle::BothShown) {
        // The signature field and the GPU/signature button are always there;
        // the button opens nothing without a graphics sensor.
        setText(IDC_SIGNATURE, fromUtf8(m_records.shortSignatureText));
        setText(IDC_GPU_BUTTON, m_gpuText);
    } else if (!s.gpuPresent) {
        setText(IDC_SIGNATURE, fromUtf8(m_records.shortSignatureText));
        setVisible(IDC_SIGNATURE, true);
        setVisible(IDC_GPU_BUTTON, false);
    } else {
        setText(IDC_GPU_BUTTON, m_gpuText);
    }
    setEnabled(IDC_GPU_BUTTON, s.gpuPresent && m_parts.gpuWindows);

    if (m_layout.infoField == InfoFieldStyle::TextOnly) {
        // VIDInfo chooses what the field shows.
        m_infoControl = IDC_INFO_TEXT;
    } else {
        m_infoControl = InfoControlId(m_records.info);
        setVisible(m_infoControl == IDC_INFO_TEXT ? IDC_INFO_BUTTON : IDC_INFO_TEXT, false);
        if (m_infoControl == IDC_INFO_TEXT)
            s.InfoWindowIndex = 0;
    }

    setText(IDC_CPU_NAME, fromUtf8(m_records.info.displayName));
    applyColours();
    m_appliedOnTop = s.OnTop == 0; // the first cycle applies OnTop
    // The anchor: AnchorXY gives its left and top; right and bottom start as
    // copies of them. 0 is no anchor.
    if (s.AnchorXY != 0) {
        const ScreenPoint anchor = unpackPosition(s.AnchorXY);
        m_anchorRect = {anchor.x, anchor.y, anchor.x, anchor.y};
    }
    m_allowShow = !(s.StartMinimized != 0 && !s.MiniMode && s.TaskBar == 0 && notificationAreaExists());
}

void MainDialog::connectCycleSteps()
{
    SamplingCycle& cycle = *m_records.cycle;
    cycle.setStep(CycleStep::Alarm, [this] { handleAlarm(); });
    if (m_parts.updateIcons)
        cycle.setStep(CycleStep::CoreIcons, [this] { m_parts.updateIcons(*this); });
    if (m_parts.updateMaxIcon)
        cycle.setStep(CycleStep::MaxIcon, [this] { m_parts.updateMaxIcon(*this); });
    cycle.setStep(CycleStep::WindowCaption, [this] { updateCaptionOrRectangle(); });
    cycle.setStep(CycleStep::HeadingStyle, [this] { applyHeadingStyleIfDirty(); });
    cycle.setStep(CycleStep::PushTexts, [this] { pushTexts(); });
    cycle.setResetStep(ResetStep::WindowRefresh, [this] {
        pushTexts();
        update();
    });
}

bool MainDialog::notificationAreaExists() const
{
    return m_parts.notificationAreaExists ? m_parts.notificationAreaExists()
                                          : QSystemTrayIcon::isSystemTrayAvailable();
}

void MainDialog::setVisible(bool visible)
{
    // A window that lives in the notification area only is never shown
    // until it is restored from there.
    if (visible && !m_allowShow && m_records.running())
        return;
    DialogWindow::setVisible(visible);
}

void MainDialog::onTimer(int id)
{
    if (id == SamplingTimer)
        handleTimer();
}

void MainDialog::handleTimer()
{
    if (!m_records.running())
        return;
    if (m_firstTickPending) {
        m_firstTickPending = false;
        firstTick();
    }
    RunTimerTick(m_records);
}

void MainDialog::firstTick()
{
    MonitorSettings& s = settings();
    killTimer(SamplingTimer);
    if (m_parts.restoreWindowPosition)
        m_parts.restoreWindowPosition(*this);
    if (s.MiniMode && m_parts.toggleMiniMode) {
        s.MiniMode = false;
        m_parts.toggleMiniMode(*this); // turns it on again with the mini layout
        // WindowXY is where the mini window itself was: it goes back there,
        // not centred over the normal window (whose frame is wider), or it
        // would creep sideways at every start.
        if (m_parts.restoreWindowPosition)
            m_parts.restoreWindowPosition(*this);
    }
    m_records.processor.sleep(0);

    const bool iconsAdded = m_parts.addIcons && m_parts.addIcons(*this);
    constexpr int CoreAndGpuIconBits = 0x1FF;
    if (!iconsAdded || ((s.IconShow & CoreAndGpuIconBits) == 0 && !s.IconMax)) {
        // Without an icon the window must keep its task-bar button, and a
        // window that was to live in the notification area only must become
        // showable, or nothing could ever bring it back.
        s.TaskBar = 1;
        m_allowShow = true;
    }
    // Bit 8 is the GPU icon of the six-core build; both builds drop it when no
    // GPU sensor opened.
    constexpr int SixCoreGpuIconBit = 8;
    if (!s.gpuPresent)
        s.IconShow &= ~(1 << SixCoreGpuIconBit);
    if (s.StartMinimized != 0)
        minimiseNow();
    setTimer(SamplingTimer, s.RefreshInterval);
}

void MainDialog::handleAlarm()
{
    const SampleSet& samples = m_records.cycle->samples();
    if (!samples.alarmThisTick)
        return;
    if (!m_alarmLatched)
        raiseAlarm();
    if (m_parts.flashWindow)
        m_parts.flashWindow(*this);
    else
        QApplication::alert(this);
    if (samples.tickCount % WarningSoundTicks == 0 && m_parts.playSound)
        m_parts.playSound(WarningSoundFile);
}

void MainDialog::raiseAlarm()
{
    // Once per alarm period; the Settings window's OK starts a new one.
    restoreWindow();
    m_alarmLatched = true;
    const std::string& file = settings().AlarmFile;
    if (file.empty() || !m_parts.openAlarmFile)
        return;
    if (m_parts.openAlarmFile(file) == OpenOutcome::FileNotFound) {
        const QString text = QStringLiteral("Alarm file not found.\n\n") + fromUtf8(file) + QStringLiteral("   ");
        services().messageBox(this, text, QStringLiteral("Error"), dialog::MB_OK | dialog::MB_ICONERROR);
    }
}

void MainDialog::showAboutBox()
{
    if (m_parts.aboutBox)
        m_parts.aboutBox(*this);
}

void MainDialog::showLimitsWindow()
{
    if (m_parts.limitsWindow)
        m_parts.limitsWindow(*this);
}

void MainDialog::minimiseNow()
{
    // A shown window is only iconified: showMinimized() would show it again
    // after the state change hid it into the notification area.
    if (m_allowShow && !isVisible())
        showMinimized();
    else
        setWindowState(windowState() | Qt::WindowMinimized);
}

void MainDialog::minimizeWindow()
{
    m_comingBack = false; // the program's own minimise is never stale
    if (settings().TaskBar != 0 || m_windowRestored) {
        if (m_windowRestored)
            minimiseNow();
        else
            hide();
    }
}

void MainDialog::restoreWindow()
{
    m_allowShow = true;
    m_comingBack = !isVisible();
    if (m_comingBack) // a window that is never made active does not wait for it
        QTimer::singleShot(ComingBackMs, this, [this] { m_comingBack = false; });
    showNormal();
    raise();
    activateWindow();
}

void MainDialog::changeEvent(QEvent* event)
{
    DialogWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_comingBack = false;
    if (event->type() != QEvent::WindowStateChange)
        return;
    const bool wasMinimised = static_cast<QWindowStateChangeEvent*>(event)->oldState() & Qt::WindowMinimized;
    if ((windowState() & Qt::WindowMinimized) && !wasMinimised && m_comingBack) {
        // The stale state of the window that was hidden behind the icon,
        // not the user's: the window stays up.
        QTimer::singleShot(0, this, [this] { showNormal(); });
        return;
    }
    m_windowRestored = !(windowState() & Qt::WindowMinimized);
    if (m_windowRestored)
        setCaption(QString::fromLatin1(m_layout.restoredCaption));
    if (!m_records.settings)
        return;
    // The window must keep a task-bar button when the notification area no
    // longer holds the icons.
    if (m_parts.probeIcons && m_records.running() && !m_parts.probeIcons(*this))
        settings().TaskBar = 1;
    // A minimised window lives in the notification area only, unless it
    // keeps a task-bar button.
    if (!m_windowRestored && settings().TaskBar == 0 && notificationAreaExists())
        hide();
}

void MainDialog::updateCaptionOrRectangle()
{
    const bool shown = !isMinimized() && isVisible();
    const QRect frame = shown ? frameRect() : QRect();
    if (!shown || frame.height() < MinimisedHeight) {
        setCaption(fromUtf8(m_records.cycle->samples().captionText));
        return;
    }
    m_lastFullRect = frame;
    const bool onTop = settings().OnTop != 0;
    if (onTop != m_appliedOnTop)
        applyOnTop(onTop);
}

void MainDialog::applyOnTop(bool onTop)
{
    setStaysOnTop(onTop);
    m_appliedOnTop = onTop;
}

void MainDialog::applyHeadingStyleIfDirty()
{
    MonitorSettings& s = settings();
    if (!s.iconsDirty)
        return;
    applyColours();
    update();
    s.iconsDirty = false;
}

void MainDialog::setTextIfChanged(int id, const QString& text)
{
    if (this->text(id) != text)
        setText(id, text);
}

void MainDialog::pushTexts()
{
    const SampleSet& samples = m_records.cycle->samples();
    const int columns = std::min(static_cast<int>(m_layout.columns.size()), m_records.flavour.coreSlots);
    for (int slot = 0; slot < columns; ++slot) {
        if (!m_records.info.corePresent(slot))
            continue; // the column of a missing core stays empty
        const CoreSample& core = samples.cores[slot];
        const CoreColumn& column = m_layout.columns[slot];
        setTextIfChanged(column.temperature, fromUtf8(core.temperatureText));
        setTextIfChanged(column.distance, fromUtf8(core.readoutText));
        setTextIfChanged(column.minimum, fromUtf8(core.minTemperatureText));
        setTextIfChanged(column.minimumTime, fromUtf8(clockText(core.minTemperatureTime)));
        setTextIfChanged(column.maximum, fromUtf8(core.maxTemperatureText));
        setTextIfChanged(column.maximumTime, fromUtf8(clockText(core.maxTemperatureTime)));
        setTextIfChanged(column.status, fromUtf8(core.statusText));
    }
    setTextIfChanged(IDC_CPU_NAME, fromUtf8(m_records.info.displayName));

    const ReadingTexts& texts = m_records.readings->texts();
    setTextIfChanged(IDC_CORE_CLOCK, fromUtf8(texts.clock));
    setTextIfChanged(IDC_MULTIPLIER, fromUtf8(texts.multiplier));
    setTextIfChanged(IDC_LOAD, fromUtf8(texts.load));
    setTextIfChanged(m_infoControl, fromUtf8(texts.info));

    setTextIfChanged(IDC_STATUS_FRAME, fromUtf8(samples.modulationHeading));
    if (settings().gpuPresent) {
        if (!samples.gpuText.empty())
            m_gpuText = fromUtf8(samples.gpuText);
        setTextIfChanged(IDC_GPU_BUTTON, m_gpuText);
    }
    applyStatusColours();
}

bool MainDialog::headingsColoured() const
{
    const MonitorSettings& s = *m_records.settings;
    const bool miniLayout = s.MiniMode && m_parts.toggleMiniMode;
    return (miniLayout ? s.MiniHeading : s.NormHeading) != 0;
}

void MainDialog::applyColours()
{
    const MonitorSettings& s = settings();
    const bool miniLayout = s.MiniMode && m_parts.toggleMiniMode;
    const bool custom = (miniLayout ? s.CustomGUIMini : s.CustomGUI) != 0;

    QPalette palette = QApplication::palette(this);
    if (custom) {
        const QColor background = colourFromSetting(miniLayout ? s.GUIMiniColor : s.GUIColor);
        const QColor text = colourFromSetting(miniLayout ? s.GUIMiniText : s.GUIText);
        palette.setColor(QPalette::Window, background);
        palette.setColor(QPalette::Base, background);
        palette.setColor(QPalette::WindowText, text);
        palette.setColor(QPalette::Text, text);
    }
    setPalette(palette);
    setAutoFillBackground(true);

    const QColor heading = colourFromSetting(miniLayout ? s.GUIMiniHead : s.GUINormHead);
    for (int id : HeadingFrames) {
        QWidget* frame = control(id);
        if (headingsColoured()) {
            QPalette framePalette = palette;
            framePalette.setColor(QPalette::WindowText, heading);
            frame->setPalette(framePalette);
        } else {
            frame->setPalette(QPalette());
        }
    }
    m_statusColour.fill(-1);
    applyStatusColours();
}

void MainDialog::applyStatusColours()
{
    if (!m_records.cycle)
        return;
    const SampleSet& samples = m_records.cycle->samples();
    for (int slot = 0; slot < static_cast<int>(m_layout.columns.size()); ++slot) {
        const CoreSample& core = samples.cores[slot];
        const int wanted = !m_records.info.corePresent(slot) || !core.thermalLog ? SystemColour
                           : core.thermalStatus                                 ? Red
                                                                                : DarkRed;
        if (m_statusColour[slot] == wanted)
            continue;
        m_statusColour[slot] = wanted;
        QWidget* field = control(m_layout.columns[slot].status);
        if (wanted == SystemColour) {
            field->setPalette(QPalette());
        } else {
            QPalette palette = field->palette();
            palette.setColor(QPalette::Text, wanted == Red ? QColor(255, 0, 0) : QColor(128, 0, 0));
            field->setPalette(palette);
        }
    }
}

void MainDialog::onReset()
{
    // While the benchmark runs the button says "Cancel": its press asks the
    // benchmark to stop.
    if (text(IDC_RESET) != QLatin1String("Reset")) {
        m_stopRequested = true;
        return;
    }
    if (!m_records.running())
        return;
    m_records.readings->ResetRunTimer();
    m_records.cycle->reset();
}

void MainDialog::onNextInfoView()
{
    if (!m_records.running() || m_layout.infoField != InfoFieldStyle::ViewButton)
        return;
    m_records.readings->NextInfoView(ReadingOptionsFor(settings()));
    settings().InfoWindowIndex = m_records.readings->infoView();
    pushTexts();
}

void MainDialog::onSettings()
{
    if (!m_parts.settingsWindow || !m_records.running())
        return;
    MonitorSettings& s = settings();
    m_ownerRect = frameRect();
    setEnabled(IDC_SETTINGS, false);

    if (m_parts.settingsWindow(*this)) {
        m_alarmLatched = false;
        if (s.nvidiaPresent || s.atiPresent) {
            s.gpuPresent = true;
            setText(IDC_GPU_BUTTON, m_gpuText);
            setEnabled(IDC_GPU_BUTTON, static_cast<bool>(m_parts.gpuWindows));
            if (m_layout.signature == SignatureStyle::GpuButtonWhenSensor) {
                setVisible(IDC_SIGNATURE, false);
                setVisible(IDC_GPU_BUTTON, true);
            }
        }
    }
    // The unit switches at once in the settings window, so a window left with
    // Cancel may have changed it too.
    followTemperatureUnit();
    setEnabled(IDC_SETTINGS, true);
    applyColours();
    update();
}

void MainDialog::followTemperatureUnit()
{
    const MonitorSettings& s = settings();
    if (!m_records.running() || s.Fahrenheit == m_extremesFahrenheit)
        return;
    m_extremesFahrenheit = s.Fahrenheit;
    const int skull = s.Skull > LargestSkull ? 0 : s.Skull;
    setText(IDC_TEMPERATURE_FRAME, temperatureHeading(s.unitText, skull));
    m_records.readings->ResetRunTimer();
    m_records.cycle->reset();
}

void MainDialog::onGpuButton()
{
    if (m_parts.gpuWindows && m_records.running() && settings().gpuPresent)
        m_parts.gpuWindows(*this);
}

bool MainDialog::enableNvidiaSensor()
{
    return m_parts.enableNvidiaSensor && m_records.running() && m_parts.enableNvidiaSensor(*this);
}

bool MainDialog::enableAtiSensor()
{
    return m_parts.enableAtiSensor && m_records.running() && m_parts.enableAtiSensor(*this);
}

void MainDialog::endProgram()
{
    m_stopRequested = true;
    endDialog(dialog::IDCANCEL);
}

void MainDialog::onCancel()
{
    // Escape ends the program whatever MinimizeOnClose says.
    m_stopRequested = true;
    DialogWindow::onCancel();
}

void MainDialog::onCloseRequest()
{
    // Window managers turn Alt+F4 into a plain close request; the held Alt
    // key tells it from the close box.
    if (m_records.settings && QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier))
        settings().MinimizeOnClose = false;
    if (m_records.settings && settings().MinimizeOnClose) {
        minimiseNow();
        return;
    }
    endProgram();
}

void MainDialog::onSystemCommand(int command)
{
    if (command >= dialog::IDM_ABOUTBOX && command <= dialog::IDM_ABOUTBOX + 15 && m_parts.aboutBox)
        m_parts.aboutBox(*this);
}

void MainDialog::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_parts.toggleMiniMode && m_records.running())
        m_parts.toggleMiniMode(*this);
    else
        DialogWindow::mouseDoubleClickEvent(event);
}

void MainDialog::enterEvent(QEnterEvent* event)
{
    // The hover request ends when the mouse leaves; it is renewed on return.
    if (m_hover && !m_hover->tracking())
        m_hover->request();
    DialogWindow::enterEvent(event);
}

void MainDialog::applyHeadingTheme()
{
    applyColours();
    update();
}

void MainDialog::endDrag()
{
    m_drag->end();
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove && m_hover && m_hover->tracking() && watched != this) {
        // A mouse resting on a control rests on the window for the hover.
        const auto* move = static_cast<QMouseEvent*>(event);
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this && move->buttons() == Qt::NoButton) {
            QMouseEvent onWindow(QEvent::MouseMove, mapFromGlobal(move->globalPosition()), move->globalPosition(),
                                 Qt::NoButton, Qt::NoButton, move->modifiers());
            QCoreApplication::sendEvent(this, &onWindow);
        }
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_F4 && key->modifiers().testFlag(Qt::AltModifier) && widget &&
            widget->window() == this) {
            // Alt+F4 always ends the program: MinimizeOnClose is off for the
            // rest of the run (and not saved).
            if (m_records.settings)
                settings().MinimizeOnClose = false;
            onCloseRequest();
            return true;
        }
    }
    return DialogWindow::eventFilter(watched, event);
}

void MainDialog::systemSuspending()
{
    if (m_power && m_records.running())
        m_power->suspending();
}

void MainDialog::systemResumed()
{
    if (m_power && m_records.running())
        m_power->resumed();
}

ExitState MainDialog::finishForShutdown()
{
    killTimer(SamplingTimer);
    ExitState exit;
    if (m_lastFullRect)
        exit.windowTopLeft = ScreenPoint{m_lastFullRect->left(), m_lastFullRect->top()};
    // Linux has no desktop composition that draws the frame outside the window.
    exit.composition = Composition::Off;
    exit.anchorRect = m_anchorRect;
    return exit;
}

void MainDialog::removeIcons()
{
    if (m_parts.removeIcons)
        m_parts.removeIcons(*this);
}

} // namespace monitor
