#pragma once

#include "DialogTemplate.h"

// Templates shaped like the application's: a reader form, a search dialog, a settings page.

inline SDialogTemplate FormTemplate() {
    using namespace Style;
    const std::uint32_t edit = kEsMultiline | kEsAutoVScroll | kWsVScroll | kWsBorder | kWsTabStop;
    return {
        130,
        "",
        "System",
        10,
        137,
        151,
        kWsChild | kDsSetFont,
        0,
        {
            {1001, "IDC_BODY", EControlClass::Edit, "", 7, 70, 123, 73, edit,
             Anchor::kStretchX | Anchor::kStretchY},
            {1004, "IDC_TITLE", EControlClass::Edit, "", 7, 13, 123, 12, edit, Anchor::kStretchX},
            {1005, "IDC_ITEM_LIST", EControlClass::ListBox, "", 7, 27, 123, 41,
             kLbsNotify | kWsVScroll | kWsBorder | kWsTabStop, Anchor::kStretchX},
            {1019, "IDC_COUNTER", EControlClass::Static, "0/0", 7, 143, 123, 8, kSsRight,
             Anchor::kStretchX | Anchor::kMoveY},
        }};
}

inline SDialogTemplate SearchTemplate() {
    using namespace Style;
    return {136,
            "검색",
            "System",
            10,
            126,
            130,
            kWsPopup | kWsCaption | kDsModalFrame,
            0,
            {
                {1, "IDOK", EControlClass::PushButton, "OK", 17, 112, 40, 11,
                 kBsDefPushButton | kWsTabStop},
                {2, "IDCANCEL", EControlClass::PushButton, "Cancel", 66, 112, 40, 11, kWsTabStop},
                {1007, "IDC_TERM", EControlClass::Edit, "", 41, 38, 73, 12,
                 kEsAutoHScroll | kWsBorder | kWsTabStop},
            }};
}

inline SDialogTemplate SettingsTemplate() {
    using namespace Style;
    return {
        132,
        "자동 보기",
        "System",
        10,
        135,
        142,
        kWsChild | kWsCaption,
        0,
        {
            {1007, "IDC_PERIOD", EControlClass::Edit, "", 77, 20, 32, 12, kWsBorder | kWsTabStop},
            {1010, "IDC_SEQUENTIAL", EControlClass::RadioButton, "순차적으로 바꿈", 19, 56, 74, 10,
             kBsAutoRadioButton | kWsGroup},
            {1011, "IDC_RANDOM", EControlClass::RadioButton, "임의로 바꿈", 19, 67, 58, 10,
             kBsAutoRadioButton | kWsGroup},
            {-1, "IDC_ORDER_GROUP", EControlClass::GroupBox, "자동 보기 순서", 7, 43, 121, 40,
             kBsGroupBox},
            {1017, "IDC_UP", EControlClass::PushButton, ">", 110, 20, 8, 12, kWsTabStop},
            {1018, "IDC_DOWN", EControlClass::PushButton, "<", 68, 20, 8, 12, kWsTabStop},
        }};
}
