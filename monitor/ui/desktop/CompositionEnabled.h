#pragma once
// Whether the desktop composes windows with frames drawn 5 pixels outside
// the window rectangle, which the stored positions correct for. No Linux
// desktop does: window managers report the frame as part of the window.
// Tests pass Composition::On to the placement directly.

#include "monitor/settings/SettingsStore.h"

namespace monitor {

Composition CompositionEnabled();

} // namespace monitor
