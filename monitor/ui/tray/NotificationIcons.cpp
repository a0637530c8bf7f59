#include "monitor/ui/tray/NotificationIcons.h"

#include "dialog/QtTrayIcon.h"
#include "monitor/ui/desktop/DescribedFont.h"
#include "monitor/ui/tray/DigitIcon.h"
#include "monitor/ui/main/MainDialog.h"
#include "monitor/ui/desktop/ProgramIcon.h"
#include "monitor/settings/IconSelection.h"

#include <QSystemTrayIcon>

#include <algorithm>
#include <bit>

namespace monitor {

namespace {

QString fromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }


} // namespace

NotificationIcons::NotificationIcons(NotificationIconFactory factory, std::function<bool()> areaExists)
    : m_factory(std::move(factory)), m_areaExists(std::move(areaExists))
{
}

NotificationIconFactory NotificationIcons::desktopIcons()
{
    return [](int) { return std::make_unique<dialog::QtTrayIcon>(); };
}

bool NotificationIcons::notificationAreaExists() const
{
    return m_areaExists ? m_areaExists() : QSystemTrayIcon::isSystemTrayAvailable();
}

void NotificationIcons::createSlots(MainDialog& window)
{
    m_window = &window;
    m_programIcon = programIcon();
    m_slots.clear();
    const MonitorRecords& records = window.records();
    int coreSlots = std::min(records.flavour.coreSlots, hw::MaxCoreSlots);
    if (records.flavour.showsEveryCore()) {
        // One icon for each core up to the last one the processor has.
        while (coreSlots > 0 && !records.info.corePresent(coreSlots - 1))
            --coreSlots;
    }
    const int gpuIcon = records.layout.gpuIcon;
    const auto append = [this](IconKind kind, int coreSlot, int icon, int identifier) {
        IconSlot slot;
        slot.kind = kind;
        slot.coreSlot = coreSlot;
        slot.number = icon;
        slot.identifier = identifier;
        slot.icon = m_factory(identifier);
        slot.icon->setHandler([this](dialog::TrayEvent event) {
            if (m_window && m_handler)
                m_handler(*m_window, event);
        });
        slot.icon->setMenuFiller([this](QMenu& menu) {
            if (m_window && m_menuFiller)
                m_menuFiller(*m_window, menu);
        });
        m_slots.push_back(std::move(slot));
    };
    for (int core = 0; core < coreSlots; ++core)
        append(IconKind::Core, core, core, FirstIdentifier + core);
    append(IconKind::Gpu, -1, gpuIcon, FirstIdentifier + gpuIcon);
    append(IconKind::Hottest, -1, -1, FirstIdentifier + gpuIcon + 1);
}

bool NotificationIcons::exists(MainDialog& window, const IconSlot& slot) const
{
    switch (slot.kind) {
    case IconKind::Core:
        return window.records().info.corePresent(slot.coreSlot);
    case IconKind::Gpu:
        return window.settings().gpuPresent;
    case IconKind::Hottest:
        return true;
    }
    return false;
}

bool NotificationIcons::chosen(MainDialog& window, const IconSlot& slot) const
{
    return iconChosen(window.settings(), window.records().layout, slot.number);
}

void NotificationIcons::choose(MainDialog& window, const IconSlot& slot, bool shown) const
{
    chooseIcon(window.settings(), window.records().layout, slot.number, shown);
}

bool NotificationIcons::shown(MainDialog& window, const IconSlot& slot) const
{
    return chosen(window, slot) && exists(window, slot);
}

bool NotificationIcons::addIcons(MainDialog& window)
{
    createSlots(window);
    MonitorSettings& s = window.settings();
    m_taskBarChosen = s.TaskBar;
    for (int i = iconSlotCount() - 1; i >= 0; --i) {
        IconSlot& slot = m_slots[i];
        slot.image = m_programIcon;
        slot.tip.clear();
        if (!shown(window, slot))
            continue;
        if (slot.add())
            continue;
        window.records().processor.sleep(RetryMs);
        if (!slot.add()) {
            // Off for this run; the file keeps the user's choice.
            choose(window, slot, false);
            s.iconShowAwaitingArea.set(static_cast<size_t>(slot.number));
        }
    }
    IconSlot& max = maxSlot();
    max.image = m_programIcon;
    max.tip = QStringLiteral("Max");
    if (s.IconMax) {
        s.IconMax = max.add();
        s.iconMaxAwaitingArea = !s.IconMax;
    }
    return anyShown(window);
}

bool NotificationIcons::anyShown(MainDialog& window) const
{
    return anyIconChosen(window.settings(), window.records().layout) || window.settings().IconMax;
}

void NotificationIcons::notificationAreaAppeared(MainDialog& window)
{
    MonitorSettings& s = window.settings();
    if (m_slots.empty() || !window.records().running() || (s.iconShowAwaitingArea.none() && !s.iconMaxAwaitingArea))
        return;
    // Without icons the window kept a task-bar button; with them it goes
    // back to the user's choice.
    const bool taskBarFallback = !anyShown(window);
    bool added = false;
    for (int i = iconSlotCount() - 1; i >= 0; --i) {
        IconSlot& slot = m_slots[i];
        const auto icon = static_cast<size_t>(slot.number);
        if (!s.iconShowAwaitingArea.test(icon) || !exists(window, slot) || !slot.add())
            continue;
        choose(window, slot, true);
        s.iconShowAwaitingArea.reset(icon);
        added = true;
    }
    if (s.iconMaxAwaitingArea && maxSlot().add()) {
        s.IconMax = true;
        s.iconMaxAwaitingArea = false;
        added = true;
    }
    if (!added)
        return;
    markForRedraw();
    if (!taskBarFallback)
        return;
    s.TaskBar = m_taskBarChosen;
    // A minimised window now lives in the notification area, as it would
    // have from the start.
    if (s.TaskBar == 0 && !window.windowRestored() && window.isVisible())
        window.hide();
}

int NotificationIcons::valueOf(MainDialog& window, const IconSlot& slot) const
{
    const MonitorSettings& s = window.settings();
    const SampleSet& samples = window.records().cycle->samples();
    enum class Mode { Current, Minimum, Maximum, Average };
    const Mode mode = (s.IconShow & AverageBit)   ? Mode::Average
                      : (s.IconShow & MaximumBit) ? Mode::Maximum
                      : (s.IconShow & MinimumBit) ? Mode::Minimum
                                                  : Mode::Current;
    if (slot.kind == IconKind::Gpu) {
        const GpuSample& gpu = samples.gpu;
        switch (mode) {
        case Mode::Current: return gpu.temperature;
        case Mode::Minimum: return gpu.minTemperature;
        case Mode::Maximum: return gpu.maxTemperature;
        case Mode::Average: return averageOf(gpu.temperatureSum, samples.tickCount);
        }
    }
    const CoreSample& core = samples.cores[slot.coreSlot];
    if (s.IconShow & DistanceBit) {
        switch (mode) {
        case Mode::Current: return core.readout;
        case Mode::Minimum: return core.minReadout;
        case Mode::Maximum: return core.maxReadout;
        case Mode::Average: return averageOf(core.readoutSum, samples.tickCount);
        }
    }
    switch (mode) {
    case Mode::Current: return core.temperature;
    case Mode::Minimum: return core.minTemperature;
    case Mode::Maximum: return core.maxTemperature;
    case Mode::Average: return averageOf(core.temperatureSum, samples.tickCount);
    }
    return 0;
}

bool NotificationIcons::inAlarm(MainDialog& window, const IconSlot& slot) const
{
    const MonitorSettings& s = window.settings();
    const SampleSet& samples = window.records().cycle->samples();
    if (slot.kind == IconKind::Gpu)
        return samples.gpu.temperature >= s.Alarm2;
    return samples.cores[slot.coreSlot].temperature >= s.Alarm1;
}

QString NotificationIcons::tipOf(MainDialog& window, const IconSlot& slot, bool fullTip) const
{
    const MonitorSettings& s = window.settings();
    const SampleSet& samples = window.records().cycle->samples();
    if (slot.kind == IconKind::Gpu) {
        const QString unit = fromUtf8(s.unitText);
        return QStringLiteral("GPU Temp\nMin = %1%2\nMax = %3%4")
            .arg(samples.gpu.minTemperature)
            .arg(unit)
            .arg(samples.gpu.maxTemperature)
            .arg(unit);
    }
    if (fullTip)
        return fromUtf8(samples.tooltipText);
    return QStringLiteral("Core %1").arg(slot.coreSlot);
}

std::optional<QIcon> NotificationIcons::digits(MainDialog& window, int value, uint32_t colour) const
{
    const MonitorSettings& s = window.settings();
    return makeDigitIcon(value, colourFromSetting(colour), fontFromDescription(s.iconFont),
                         s.ThreeDigit ? DigitCount::Three : DigitCount::Two);
}

void NotificationIcons::updateIcons(MainDialog& window)
{
    if (m_slots.empty())
        return;
    const MonitorSettings& s = window.settings();
    const SampleSet& samples = window.records().cycle->samples();
    int lowestShown = -1;
    for (int i = 0; i < iconSlotCount() && lowestShown < 0; ++i)
        if (shown(window, m_slots[i]))
            lowestShown = i;

    for (int i = iconSlotCount() - 1; i >= 0; --i) {
        IconSlot& slot = m_slots[i];
        if (!shown(window, slot))
            continue;
        // A notification area that was rebuilt gets its icons back.
        if (samples.tickCount % RefreshCycles == 0 && !slot.modify())
            slot.add();
        const bool first = i == lowestShown;
        slot.tip = tipOf(window, slot, first || s.TrayInfo != 0);
        const int value = valueOf(window, slot);
        if (value == slot.lastIconValue && !first && s.TrayInfo == 0 && s.Alarm == 0)
            continue;
        slot.lastIconValue = value;
        const bool blink = samples.alarmThisTick && inAlarm(window, slot) && samples.tickCount % 2 != 0;
        if (blink) {
            // The digits come back on the next cycle.
            slot.lastIconValue = 0;
            slot.image = m_programIcon;
            slot.modify();
            continue;
        }
        if (const std::optional<QIcon> image = digits(window, value, s.IconTextColor[static_cast<size_t>(slot.number)])) {
            slot.image = *image;
            slot.modify();
        }
    }
}

void NotificationIcons::updateMaxIcon(MainDialog& window)
{
    const MonitorSettings& s = window.settings();
    if (m_slots.empty() || !s.IconMax)
        return;
    const SampleSet& samples = window.records().cycle->samples();
    IconSlot& max = maxSlot();
    const int value = (s.IconShow & DistanceBit) ? samples.closestReadout : samples.hottestTemperature;
    max.tip = fromUtf8(samples.tooltipText);
    max.lastIconValue = value;
    if (const std::optional<QIcon> image = digits(window, value, s.CoreMax)) {
        max.image = *image;
        if (!max.modify())
            max.add();
    }
}

void NotificationIcons::redrawIcons(MainDialog& window)
{
    if (m_slots.empty())
        return;
    MonitorSettings& s = window.settings();
    std::vector<bool> remembered;
    for (const IconSlot& slot : m_slots)
        remembered.push_back(slot.kind != IconKind::Hottest && chosen(window, slot));
    if (s.IconMax)
        maxSlot().remove();
    for (int i = iconSlotCount() - 1; i >= 0; --i) {
        IconSlot& slot = m_slots[i];
        if (exists(window, slot) && chosen(window, slot) && slot.remove())
            choose(window, slot, false);
    }
    for (int i = iconSlotCount() - 1; i >= 0; --i) {
        IconSlot& slot = m_slots[i];
        if (!exists(window, slot) || !remembered[static_cast<size_t>(i)] || chosen(window, slot))
            continue;
        if (slot.add())
            choose(window, slot, true);
        else
            s.iconShowAwaitingArea.set(static_cast<size_t>(slot.number)); // kept in the file
    }
    if (s.IconMax)
        maxSlot().add();
}

bool NotificationIcons::showIcon(MainDialog& window, int icon)
{
    if (m_slots.empty())
        createSlots(window);
    MonitorSettings& s = window.settings();
    const SettingsLayout& layout = window.records().layout;
    s.iconShowAwaitingArea.reset(static_cast<size_t>(icon));
    std::vector<bool> wanted;
    for (const IconSlot& slot : m_slots)
        wanted.push_back(slot.kind != IconKind::Hottest && (chosen(window, slot) || slot.number == icon));
    for (int i = iconSlotCount() - 1; i >= 0; --i) {
        IconSlot& slot = m_slots[i];
        if (exists(window, slot) && chosen(window, slot))
            slot.remove();
    }
    for (int i = 0; i < iconSlotCount(); ++i)
        choose(window, m_slots[i], false);
    for (int i = iconSlotCount() - 1; i >= 0; --i) {
        IconSlot& slot = m_slots[i];
        if (!exists(window, slot) || !wanted[static_cast<size_t>(i)])
            continue;
        if (slot.image.isNull())
            slot.image = m_programIcon;
        if (slot.add())
            choose(window, slot, true);
    }
    markForRedraw();
    return iconChosen(s, layout, icon);
}

void NotificationIcons::hideIcon(MainDialog& window, int icon)
{
    if (m_slots.empty())
        createSlots(window);
    MonitorSettings& s = window.settings();
    const SettingsLayout& layout = window.records().layout;
    for (int i = 0; i < iconSlotCount(); ++i)
        if (m_slots[i].number == icon && iconChosen(s, layout, icon))
            m_slots[i].remove();
    chooseIcon(s, layout, icon, false);
    s.iconShowAwaitingArea.reset(static_cast<size_t>(icon));
    markForRedraw();
}

bool NotificationIcons::setMaxIconShown(MainDialog& window, bool shown)
{
    if (m_slots.empty())
        createSlots(window);
    IconSlot& max = maxSlot();
    if (max.image.isNull())
        max.image = m_programIcon;
    if (max.tip.isEmpty())
        max.tip = QStringLiteral("Max");
    if (shown)
        max.add();
    else
        max.remove();
    window.settings().IconMax = max.modify();
    window.settings().iconMaxAwaitingArea = false;
    markForRedraw();
    return window.settings().IconMax;
}

void NotificationIcons::markForRedraw()
{
    for (IconSlot& slot : m_slots)
        slot.lastIconValue = IconSlot::NoValue;
}

void NotificationIcons::removeIcons(MainDialog& window)
{
    if (m_slots.empty())
        return;
    const MonitorSettings& s = window.settings();
    for (int i = 0; i < iconSlotCount(); ++i)
        if (chosen(window, m_slots[i]))
            m_slots[i].remove();
    if (s.IconMax)
        maxSlot().remove();
}

bool NotificationIcons::probe(MainDialog& window)
{
    if (m_slots.empty())
        return true;
    // The lowest icon number chosen: the cores come before the GPU.
    for (int i = 0; i < iconSlotCount(); ++i)
        if (chosen(window, m_slots[i]))
            return m_slots[i].modify();
    return true;
}

} // namespace monitor
