#pragma once
// The six-core build's main window (dialog 102, 274 dialog units wide): six
// core columns 44 units apart, six information fields at the top and one row
// of five buttons at the bottom, the GPU/signature button among them. The
// first four columns and every other control keep the identifiers of the
// four-core template; only the controls of columns 4 and 5 are new.

#include "dialog/ControlSpec.h"
#include "monitor/ui/main/MainDialogTemplate.h"

namespace monitor {

enum SixCoreControl : int {
    IDC_TEMPERATURE4 = 1009, IDC_TEMPERATURE5 = 1010,
    IDC_DISTANCE4 = 1011, IDC_DISTANCE5 = 1012,
    IDC_MIN4 = 1036, IDC_MIN5 = 1037,
    IDC_MIN_TIME4 = 1038, IDC_MIN_TIME5 = 1039,
    IDC_MAX4 = 1040, IDC_MAX5 = 1041,
    IDC_MAX_TIME4 = 1042, IDC_MAX_TIME5 = 1044,
    IDC_STATUS4 = 1113, IDC_STATUS5 = 1114,
};

constexpr int SixCoreMainColumns = 6;

constexpr CoreColumn SixCoreColumns[SixCoreMainColumns] = {
    CoreColumns[0], CoreColumns[1], CoreColumns[2], CoreColumns[3],
    {IDC_TEMPERATURE4, IDC_DISTANCE4, IDC_MIN4, IDC_MIN_TIME4, IDC_MAX4, IDC_MAX_TIME4, IDC_STATUS4},
    {IDC_TEMPERATURE5, IDC_DISTANCE5, IDC_MIN5, IDC_MIN_TIME5, IDC_MAX5, IDC_MAX_TIME5, IDC_STATUS5},
};

extern const dialog::DialogTemplate MainDialogTemplateSixCore;

} // namespace monitor
