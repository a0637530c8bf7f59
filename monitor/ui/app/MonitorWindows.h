#pragma once
// The windows the main window opens, as the program has them: the Settings
// window (with the icons and the graphics sensors it switches), the sensor
// test beside the window (its download button opening the page with the
// desktop's opener), the benchmark on the window's thread, the About box and
// the processor's limits window.

#include "monitor/ui/main/MainDialogWindows.h"

namespace monitor {

class DocumentOpener;
class NotificationIcons;

class MonitorWindows : public MainDialogWindows {
public:
    // `opener` and `icons` must outlive the window; without icons the
    // Settings window's icon boxes change only the settings.
    explicit MonitorWindows(DocumentOpener& opener, NotificationIcons* icons = nullptr)
        : m_opener(opener), m_icons(icons)
    {
    }

    bool settingsWindow(MainDialog& window) override;
    void sensorTest(MainDialog& window) override;
    void bench(MainDialog& window) override;
    void aboutBox(MainDialog& window) override;
    void limitsWindow(MainDialog& window) override;

private:
    DocumentOpener& m_opener;
    NotificationIcons* m_icons;
};

} // namespace monitor
