#include "monitor/ui/main/MainDialog.h"

#include "dialog/ClientAreaDrag.h"
#include "dialog/DisplayServer.h"
#include "dialog/HoverTimer.h"
#include "dialog/StandardIds.h"
#include "monitor/lifecycle/MonitorTick.h"
#include "monitor/ui/main/MainDialogIcons.h"
#include "monitor/ui/main/MainDialogMouse.h"
#include "monitor/ui/main/MainDialogPlacement.h"
#include "monitor/ui/main/MainDialogTemplate.h"
#include "monitor/ui/main/MainDialogWindows.h"
#include "monitor/ui/main/ManyCoreBlock.h"
#include "monitor/ui/desktop/ProgramIcon.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSystemTrayIcon>

#include <algorithm>

namespace monitor {

namespace {

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

} // namespace

MainDialog::MainDialog(MonitorRecords& records, MainDialogParts parts, QWidget* parent)
    : DialogWindow(mainWindowLayoutFor(records.flavour).dialogTemplate, parent, dialog::WindowRole::Main)
    , m_records(records)
    , m_layout(mainWindowLayoutFor(records.flavour))
    , m_parts(std::move(parts))
    , m_columns(m_layout.columns.begin(), m_layout.columns.end())
    , m_statusColour(m_columns.size(), -1)
{
    setWindowIcon(programIcon());
    // The window is created restored.
    setCaption(QString::fromLatin1(m_layout.restoredCaption));
    m_drag = new dialog::ClientAreaDrag(this);
    if (m_parts.mouse) {
        // Set before any system-menu entry, which would otherwise turn the
        // right click into a list of those entries.
        setContextMenuPolicy(Qt::CustomContextMenu);
        connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
            if (m_records.running())
                m_parts.mouse->contextMenu(*this, mapToGlobal(point));
        });
    }
    if (m_parts.mouse) {
        m_hover = new dialog::HoverTimer(this, m_parts.mouse->restMilliseconds());
        connect(m_hover, &dialog::HoverTimer::hovered, this, [this](QPoint point) {
            if (m_records.running())
                m_parts.mouse->rested(*this, point);
            m_hover->request();
        });
        m_hover->request();
        // The fields under the pop-up report plain mouse moves too; they
        // are handed on to the window (eventFilter).
        for (const CoreColumn& column : m_columns)
            for (int id : {column.minimum, column.minimumTime, column.maximum, column.maximumTime})
                control(id)->setMouseTracking(true);
    }

    onClicked(IDC_RESET, [this] { onReset(); });
    if (m_layout.infoField == InfoFieldStyle::ViewButton)
        onClicked(IDC_INFO_BUTTON, [this] { onNextInfoView(); });
    onClicked(IDC_SETTINGS, [this] { onSettings(); });
    onClicked(IDC_SENSOR_TEST, [this] {
        if (m_parts.windows)
            m_parts.windows->sensorTest(*this);
    });
    onClicked(IDC_BENCH, [this] {
        if (m_parts.windows)
            m_parts.windows->bench(*this);
    });
    // A button whose window is not there is disabled, never silent.
    const bool windows = m_parts.windows != nullptr;
    setEnabled(IDC_SENSOR_TEST, windows);
    setEnabled(IDC_BENCH, windows);
    setEnabled(IDC_SETTINGS, windows);
    // The graphics information windows open once a graphics sensor works.
    setEnabled(IDC_GPU_BUTTON, false);
    onClicked(IDC_GPU_BUTTON, [this] { onGpuButton(); });

    // Alt+F4 is seen before any control gets the key.
    qApp->installEventFilter(this);
}

MainDialog::~MainDialog() = default;

bool MainDialog::notificationAreaExists() const
{
    return m_parts.icons ? m_parts.icons->notificationAreaExists() : QSystemTrayIcon::isSystemTrayAvailable();
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

void MainDialog::showAboutBox()
{
    if (m_parts.windows)
        m_parts.windows->aboutBox(*this);
}

void MainDialog::showLimitsWindow()
{
    if (m_parts.windows)
        m_parts.windows->limitsWindow(*this);
}

void MainDialog::setTextIfChanged(int id, const QString& text)
{
    if (this->text(id) != text)
        setText(id, text);
}

void MainDialog::pushTexts()
{
    const SampleSet& samples = m_records.cycle->samples();
    const int columns = std::min(static_cast<int>(m_columns.size()), m_records.flavour.coreSlots);
    for (int slot = 0; slot < columns; ++slot) {
        if (!m_records.info.corePresent(slot))
            continue; // the column of a missing core stays empty
        const CoreSample& core = samples.cores[slot];
        const CoreColumn& column = m_columns[static_cast<size_t>(slot)];
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

    if (text(IDC_STATUS_FRAME) != fromUtf8(samples.modulationHeading))
        setHeadingText(IDC_STATUS_FRAME, fromUtf8(samples.modulationHeading));
    if (settings().gpuPresent) {
        if (!samples.gpuText.empty())
            m_gpuText = fromUtf8(samples.gpuText);
        setTextIfChanged(IDC_GPU_BUTTON, m_gpuText);
    }
    applyStatusColours();
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
    if (command >= dialog::IDM_ABOUTBOX && command <= dialog::IDM_ABOUTBOX + 15 && m_parts.windows)
        m_parts.windows->aboutBox(*this);
}

void MainDialog::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_parts.placement && m_records.running())
        m_parts.placement->toggleMiniMode(*this);
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
    // Linux has no desktop composition that draws the frame outside the window.
    exit.composition = Composition::Off;
    // A Wayland compositor places windows itself and reports no position:
    // the stored ones stay as they are for the next session on X11.
    if (dialog::windowPositions() == dialog::WindowPositions::Hidden)
        return exit;
    if (m_lastFullRect)
        exit.windowTopLeft = ScreenPoint{m_lastFullRect->left(), m_lastFullRect->top()};
    exit.anchorRect = m_anchorRect;
    return exit;
}

void MainDialog::removeIcons()
{
    if (m_parts.icons)
        m_parts.icons->removeIcons(*this);
}

} // namespace monitor
