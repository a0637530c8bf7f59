#pragma once
// Builds the Qt widget for one line of a control table, placed at its
// rectangle converted from dialog units.

#include "dialog/ControlSpec.h"
#include "dialog/DialogUnits.h"

class QWidget;

namespace dialog {

class ControlFactory {
public:
    // The widget, a child of parent, with its text, styles and geometry.
    static QWidget* create(const ControlSpec& spec, const DialogUnits& units, QWidget* parent);
    // The widget's rectangle in pixels for its control entry (combo boxes take their
    // own height, as the template height there is that of the open list).
    static QRect geometry(const ControlSpec& spec, const DialogUnits& units, const QWidget* widget);
};

} // namespace dialog
