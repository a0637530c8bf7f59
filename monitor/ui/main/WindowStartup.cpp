// MainDialog: the window's part of the start-up and its first tick.

#include "monitor/ui/main/MainDialog.h"

#include "dialog/StandardIds.h"
#include "monitor/settings/IconSelection.h"
#include "monitor/settings/PackedPosition.h"
#include "monitor/ui/desktop/DescribedFont.h"
#include "monitor/ui/desktop/DialogMessages.h"
#include "monitor/ui/main/MainDialogIcons.h"
#include "monitor/ui/main/MainDialogPlacement.h"
#include "monitor/ui/main/MainDialogTemplate.h"
#include "monitor/ui/main/ManyCoreBlock.h"

namespace monitor {

StartupOutcome MainDialog::initialise(const StartupHooks& hooks)
{
    if (m_parts.windows)
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
    if (m_parts.placement)
        m_parts.placement->restoreWindowPosition(*this);
    return outcome;
}

void MainDialog::applyStartupWindowSteps()
{
    MonitorSettings& s = settings();
    if (m_layout.coreColumns == CoreColumnsStyle::PerCore)
        buildCoreColumns();
    // The compact bands of many cores show every figure in the template's font.
    if (!m_block || !m_block->compact) {
        const QFont bigDigits = fontFromDescription(s.mainFont);
        for (const CoreColumn& column : m_columns) {
            control(column.temperature)->setFont(bigDigits);
            control(column.distance)->setFont(bigDigits);
        }
    }

    setHeadingText(IDC_TEMPERATURE_FRAME, temperatureHeading(s.unitText, s.Skull));
    m_extremesFahrenheit = s.Fahrenheit;

    // The run timer on the information button changes every second: the
    // button paints its whole rectangle (the window's colour around the
    // bevel), so that repaint stops at its edges instead of redrawing the
    // frame and the fields behind it.
    if (QWidget* infoButton = control(IDC_INFO_BUTTON)) { // the six-core window has none
        infoButton->setBackgroundRole(QPalette::Window);
        infoButton->setAutoFillBackground(true);
    }

    m_gpuText = QString::fromStdString(m_records.signatureText);
    s.gpuPresent = s.nvidiaPresent || s.atiPresent;
    if (m_layout.signature == SignatureStyle::BothShown) {
        // The signature field and the GPU/signature button are always there;
        // the button opens nothing without a graphics sensor.
        setText(IDC_SIGNATURE, QString::fromStdString(m_records.shortSignatureText));
        setText(IDC_GPU_BUTTON, m_gpuText);
    } else if (!s.gpuPresent) {
        setText(IDC_SIGNATURE, QString::fromStdString(m_records.shortSignatureText));
        setVisible(IDC_SIGNATURE, true);
        setVisible(IDC_GPU_BUTTON, false);
    } else {
        setText(IDC_GPU_BUTTON, m_gpuText);
    }
    setEnabled(IDC_GPU_BUTTON, s.gpuPresent && m_parts.gpu);

    if (m_layout.infoField == InfoFieldStyle::TextOnly) {
        // VIDInfo chooses what the field shows.
        m_infoControl = IDC_INFO_TEXT;
    } else {
        m_infoControl = InfoControlId(m_records.info);
        setVisible(m_infoControl == IDC_INFO_TEXT ? IDC_INFO_BUTTON : IDC_INFO_TEXT, false);
        if (m_infoControl == IDC_INFO_TEXT)
            s.InfoWindowIndex = 0;
    }

    setText(IDC_CPU_NAME, QString::fromStdString(m_records.info.displayName));
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
    if (m_parts.icons) {
        cycle.setStep(CycleStep::CoreIcons, [this] { m_parts.icons->updateIcons(*this); });
        cycle.setStep(CycleStep::MaxIcon, [this] { m_parts.icons->updateMaxIcon(*this); });
    }
    cycle.setStep(CycleStep::WindowCaption, [this] { updateCaptionOrRectangle(); });
    cycle.setStep(CycleStep::HeadingStyle, [this] { applyHeadingStyleIfDirty(); });
    cycle.setStep(CycleStep::PushTexts, [this] { pushTexts(); });
    cycle.setResetStep(ResetStep::WindowRefresh, [this] {
        pushTexts();
        update();
    });
}

void MainDialog::firstTick()
{
    MonitorSettings& s = settings();
    killTimer(SamplingTimer);
    if (m_parts.placement) {
        m_parts.placement->restoreWindowPosition(*this);
        if (s.MiniMode) {
            s.MiniMode = false;
            m_parts.placement->toggleMiniMode(*this); // turns it on again with the mini layout
            // WindowXY is where the mini window itself was: it goes back there,
            // not centred over the normal window (whose frame is wider), or it
            // would creep sideways at every start.
            m_parts.placement->restoreWindowPosition(*this);
        }
    }
    m_records.processor.sleep(0);

    const bool iconsAdded = m_parts.icons && m_parts.icons->addIcons(*this);
    if (!iconsAdded || (!anyIconChosen(s, m_records.layout) && !s.IconMax)) {
        // Without an icon the window must keep its task-bar button, and a
        // window that was to live in the notification area only must become
        // showable, or nothing could ever bring it back.
        s.TaskBar = 1;
        m_allowShow = true;
    }
    // Bit 8 is the GPU icon of the six- and many-core builds; every build
    // drops it when no GPU sensor opened.
    constexpr int SixCoreGpuIconBit = 8;
    if (!s.gpuPresent)
        s.IconShow &= ~(1 << SixCoreGpuIconBit);
    if (s.StartMinimized != 0)
        minimiseNow();
    setTimer(SamplingTimer, s.RefreshInterval);
}

} // namespace monitor
