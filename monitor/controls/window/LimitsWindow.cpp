#include "monitor/controls/window/LimitsWindow.h"

#include "monitor/controls/LimitsWindowKind.h"
#include "monitor/controls/window/PowerLimitsDialog.h"
#include "monitor/controls/window/TurboLimitsDialog.h"

namespace monitor {

void runLimitsWindow(MonitorRecords& records, dialog::DialogWindow& owner)
{
    if (!records.running() || !records.settings)
        return;
    switch (limitsWindowFor(records.info, records.measureFlavour)) {
    case LimitsWindowKind::TurboLimits: {
        TurboLimitsDialog window(records.access, *records.settings, records.iniPath, records.layout, &owner);
        window.setServices(owner.services());
        window.runModal();
        break;
    }
    case LimitsWindowKind::PowerLimits: {
        PowerLimitsDialog window(records.access, &owner);
        window.setServices(owner.services());
        window.runModal();
        break;
    }
    case LimitsWindowKind::None:
        break;
    }
}

} // namespace monitor
