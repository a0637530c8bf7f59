#pragma once
// What the main window of a build looks like: its template and core columns,
// the caption when restored, how the information field is shown and where
// the processor signature goes. The many-core build has the six-core
// build's information group and button row, and its core columns are made
// for the processor at start-up. The four-core build cycles its information
// views with a button and shows the GPU button only while a graphics sensor
// is in use; the six-core build shows one information field chosen by
// VIDInfo, keeps the signature in the information group and has the
// GPU/signature button in its bottom row at all times.

#include "dialog/ControlSpec.h"
#include "hw/BuildFlavour.h"
#include "monitor/ui/main/MainDialogTemplate.h"

#include <span>

namespace monitor {

enum class InfoFieldStyle {
    ViewButton, // button 1530 cycles InfoWindowIndex where the processor offers views
    TextOnly,   // field 1531 only
};

enum class SignatureStyle {
    GpuButtonWhenSensor, // 1176 while a GPU sensor is in use, otherwise 1179
    BothShown,           // 1179 in the information group and 1176 in the button row
};

enum class CoreColumnsStyle {
    InTemplate, // the template's columns, one per core slot of the build
    PerCore,    // made at start-up for every core of the processor (ManyCoreBlock.h)
};

struct MainWindowLayout {
    const dialog::DialogTemplate& dialogTemplate;
    std::span<const CoreColumn> columns;
    const char* restoredCaption;
    InfoFieldStyle infoField;
    SignatureStyle signature;
    CoreColumnsStyle coreColumns = CoreColumnsStyle::InTemplate;
};

// The most core columns of the templates.
constexpr int MaxMainColumns = 6;

const MainWindowLayout& mainWindowLayoutFor(const hw::BuildFlavour& flavour);

} // namespace monitor
