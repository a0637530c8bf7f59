#pragma once
// Turns the settings' font descriptions (LOGFONT members) into Qt fonts, and
// the settings' colours (0x00BBGGRR) into Qt colours.

#include "monitor/settings/MonitorSettings.h"

#include <QColor>
#include <QFont>

namespace monitor {

// A positive height is the character cell, a negative one the character
// height without internal leading, both in pixels; 0 keeps the default size.
// The face falls back to the dialog font when the system lacks it.
QFont fontFromDescription(const FontDescription& description);

QColor colourFromSetting(Colour colour);

// A font chosen in the font chooser as LOGFONT members: the height as the
// character height in pixels (negative), weight, italic, pitch and family and
// face name; everything else 0.
FontDescription descriptionFromFont(const QFont& font);
Colour settingFromColour(const QColor& colour);

} // namespace monitor
