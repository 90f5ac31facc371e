#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// A dialog template: a dialog's caption, font and controls, positioned in dialog units. The
// builder turns it into widgets with the metrics of the template's font (a horizontal unit
// is the font's average character width / 4, a vertical unit its height / 8).

// Window classes a template control can have.
enum class EControlClass {
    Edit,        // single-line unless ES_MULTILINE
    ListBox,     // a CListBox
    Static,      // text label (SS_LEFT / SS_RIGHT / SS_CENTER)
    Icon,        // static picture; text names the icon resource, e.g. "135"
    PushButton,  // BS_PUSHBUTTON, or BS_DEFPUSHBUTTON for the default button
    RadioButton, // BS_AUTORADIOBUTTON
    GroupBox,    // frame with a caption
};

// Window and control styles used by the templates (their Win32 values).
namespace Style {
inline constexpr std::uint32_t kWsChild = 0x40000000;
inline constexpr std::uint32_t kWsVisible = 0x10000000;
inline constexpr std::uint32_t kWsPopup = 0x80000000;
inline constexpr std::uint32_t kWsCaption = 0x00C00000;
inline constexpr std::uint32_t kWsSysMenu = 0x00080000;
inline constexpr std::uint32_t kWsBorder = 0x00800000;
inline constexpr std::uint32_t kWsVScroll = 0x00200000;
inline constexpr std::uint32_t kWsGroup = 0x00020000;
inline constexpr std::uint32_t kWsTabStop = 0x00010000;
inline constexpr std::uint32_t kDsModalFrame = 0x0080;
inline constexpr std::uint32_t kDsSetFont = 0x0040;
inline constexpr std::uint32_t kEsMultiline = 0x0004;
inline constexpr std::uint32_t kEsAutoVScroll = 0x0040;
inline constexpr std::uint32_t kEsAutoHScroll = 0x0080;
inline constexpr std::uint32_t kEsReadOnly = 0x0800;
inline constexpr std::uint32_t kLbsNotify = 0x0001;
inline constexpr std::uint32_t kLbsSort = 0x0002;
inline constexpr std::uint32_t kLbsNoIntegralHeight = 0x0100;
inline constexpr std::uint32_t kSsLeft = 0x0000;
inline constexpr std::uint32_t kSsCenter = 0x0001;
inline constexpr std::uint32_t kSsRight = 0x0002;
inline constexpr std::uint32_t kSsIcon = 0x0003;
inline constexpr std::uint32_t kSsNoPrefix = 0x0080;
inline constexpr std::uint32_t kSsCenterImage = 0x0200;
inline constexpr std::uint32_t kBsPushButton = 0x0000;
inline constexpr std::uint32_t kBsDefPushButton = 0x0001;
inline constexpr std::uint32_t kBsAutoRadioButton = 0x0009;
inline constexpr std::uint32_t kBsGroupBox = 0x0007;
inline constexpr std::uint32_t kWsExCaptionOkButton = 0x80000000;
} // namespace Style

// How a control follows its dialog when the dialog grows beyond the template's size (a
// desktop addition: the handheld's screen never changed size).
namespace Anchor {
inline constexpr unsigned kNone = 0;
inline constexpr unsigned kStretchX = 1; // takes the extra width
inline constexpr unsigned kStretchY = 2; // takes the extra height
inline constexpr unsigned kMoveY = 4;    // moves down by the extra height
} // namespace Anchor

struct SControlTemplate {
    int id;           // control id; -1 (65535) for controls without one
    const char* name; // objectName of the widget, e.g. "IDC_ITEM_LIST", "IDOK"
    EControlClass cls;
    QString text;
    int x, y, cx, cy;    // dialog units
    std::uint32_t style; // besides WS_CHILD and WS_VISIBLE
    unsigned anchor = Anchor::kNone;
};

struct SDialogTemplate {
    int id; // resource id: 130, 136, 132, 100
    QString caption;
    QString fontName; // "System" maps to the desktop's Korean-capable UI font
    int pointSize;
    int cx, cy; // dialog units
    std::uint32_t style;
    std::uint32_t exStyle;
    std::vector<SControlTemplate> controls; // in tab order
};
