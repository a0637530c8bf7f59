#pragma once
// Offsets applied to window positions so that a window composed with its
// frame 5 pixels outside its rectangle is stored and placed where it shows.
//
//  operation              normal, composition on   mini, composition on
//  SaveWindowXY           -5, -5                   none
//  RestoreWindowPosition  +5, +5                   +5, +5
//  SetAnchor              -5, -5                   none
//  MoveToAnchor           +5, +5                   none
//  MoveToTopRight         -5, +5                   none
// With composition off nothing is corrected. (The one-pixel mini-layout
// shift of old systems without composition does not apply here.)

#include "monitor/settings/SettingsStore.h"

#include <QPoint>

namespace monitor {

enum class PlacementOperation { SaveWindowXY, RestoreWindowPosition, SetAnchor, MoveToAnchor, MoveToTopRight };
enum class WindowForm { Normal, Mini };

QPoint CompositionCorrection(PlacementOperation operation, WindowForm form, Composition composition);

} // namespace monitor
