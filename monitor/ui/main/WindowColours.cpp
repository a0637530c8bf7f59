// MainDialog: the colours of the window, its frame headings and the
// thermal status fields.

#include "monitor/ui/main/MainDialog.h"

#include "monitor/ui/desktop/DescribedFont.h"
#include "monitor/ui/main/MainDialogTemplate.h"

#include <QApplication>

#include <algorithm>

namespace monitor {

namespace {

enum StatusColour { SystemColour = 0, DarkRed = 1, Red = 2 };

} // namespace

void MainDialog::applyHeadingStyleIfDirty()
{
    MonitorSettings& s = settings();
    if (!s.iconsDirty)
        return;
    applyColours();
    update();
    s.iconsDirty = false;
}

bool MainDialog::headingsColoured() const
{
    const MonitorSettings& s = *m_records.settings;
    const bool miniLayout = s.MiniMode && m_parts.placement;
    return (miniLayout ? s.MiniHeading : s.NormHeading) != 0;
}

void MainDialog::applyColours()
{
    const MonitorSettings& s = settings();
    const bool miniLayout = s.MiniMode && m_parts.placement;
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
    for (int id : headingControls()) {
        QWidget* frame = control(id);
        if (headingsColoured()) {
            QPalette framePalette = palette;
            framePalette.setColor(QPalette::WindowText, heading);
            frame->setPalette(framePalette);
        } else {
            frame->setPalette(QPalette());
        }
    }
    std::fill(m_statusColour.begin(), m_statusColour.end(), -1);
    applyStatusColours();
}

void MainDialog::applyStatusColours()
{
    if (!m_records.cycle)
        return;
    const SampleSet& samples = m_records.cycle->samples();
    for (size_t slot = 0; slot < m_columns.size(); ++slot) {
        const CoreSample& core = samples.cores[slot];
        const int wanted = !m_records.info.corePresent(static_cast<int>(slot)) || !core.thermalLog ? SystemColour
                           : core.thermalStatus                                 ? Red
                                                                                : DarkRed;
        if (m_statusColour[slot] == wanted)
            continue;
        m_statusColour[slot] = wanted;
        QWidget* field = control(m_columns[slot].status);
        if (wanted == SystemColour) {
            field->setPalette(QPalette());
        } else {
            QPalette palette = field->palette();
            palette.setColor(QPalette::Text, wanted == Red ? QColor(255, 0, 0) : QColor(128, 0, 0));
            field->setPalette(palette);
        }
    }
}

void MainDialog::applyHeadingTheme()
{
    applyColours();
    update();
}

} // namespace monitor
