#pragma once

// The shell's resources as data: menu 128, its menu-bar description, toolbar 128, accelerator
// table 128 and the string-table entries the shell reads. The frame builds its command bar from
// them; none of them holds a widget.

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// One entry of a drop-down menu; command 0 is a separator.
struct SMenuItem {
    int command;
    QString text;
};

// A drop-down menu of a menu resource.
struct SPopupMenu {
    QString text;
    std::vector<SMenuItem> items;
};

struct SMenu {
    int id;
    std::vector<SPopupMenu> popups; // the menu bar's submenus, numbered from 0
};

// The menu with this id, or null: menu 128 has "파일" with the book commands and "종료", and
// "도움말" with About.
const SMenu* FindMenu(int id);

// The menu-bar description (RCDATA 128): sixteen 16-bit words, little-endian in the resource.
//
//   WORD   MEANING
//   0      id of the menu resource the bar's buttons open
//   1      number of buttons, n
//   then n records of seven words:
//   +0     image index, 0xFFFE for a button without an image
//   +1     command id of the button itself (no handler receives it)
//   +2     state: 4 enabled
//   +3     style: 0x08 drop-down, 0x10 auto-size
//   +4     string id of the label
//   +5     reserved, 0
//   +6     index of the submenu it opens
inline constexpr std::array<std::uint16_t, 16> kMenuBarDescription = {
    128,    2,                           //
    0xFFFE, 32774, 4, 0x18, 32773, 0, 0, // "파일"
    0xFFFE, 106,   4, 0x18, 32777, 0, 1, // "도움말"
};

inline constexpr std::uint16_t kNoImage = 0xFFFE;
inline constexpr std::uint16_t kButtonEnabled = 0x04;
inline constexpr std::uint16_t kButtonDropDown = 0x08;
inline constexpr std::uint16_t kButtonAutoSize = 0x10;

struct SMenuBarButton {
    int image;
    int command;
    int state;
    int style;
    int label;   // string id
    int submenu; // index into the menu's popups
};

struct SMenuBar {
    int menu; // menu resource id
    std::vector<SMenuBarButton> buttons;
};

// The menu-bar description with this resource id (only 128 exists); empty when unknown.
std::span<const std::uint16_t> FindMenuBarDescription(int id);

// Reads a menu-bar description; nullopt when the words are fewer than its button count needs.
std::optional<SMenuBar> DecodeMenuBar(std::span<const std::uint16_t> words);

// Toolbar 128: 16 × 16 buttons, command 0 for a separator. Image i (":/icons/<name>") belongs
// to the i-th button that is not a separator.
struct SToolBar {
    int id;
    int cx, cy;
    std::vector<int> buttons;
    std::vector<QString> images;
};

// The toolbar with this id, or null.
const SToolBar* FindToolBar(int id);

// Accelerator table 128. The key is a virtual-key code (the letters are their upper-case ASCII
// codes, which Qt's key codes share).
inline constexpr unsigned kAccelVirtKey = 0x01;
inline constexpr unsigned kAccelShift = 0x04;
inline constexpr unsigned kAccelControl = 0x08;
inline constexpr unsigned kAccelAlt = 0x10;

struct SAccelerator {
    unsigned flags;
    int key;
    int command;
};

// The accelerator table with this id; empty when unknown.
std::span<const SAccelerator> FindAccelerators(int id);

// The string-table entry id, or an empty string for an id the table does not hold.
QString LoadString(int id);

// Field index of the document string (string 128), seven fields separated by line feeds.
enum class EDocString {
    WindowTitle,
    DocName,
    FileNewName,
    FilterName,
    FilterExt,
    RegFileTypeId,
    RegFileTypeName,
};

// One field of the document string; empty when the field is empty.
QString DocString(EDocString field);

// Registers the compiled-in icons (":/icons/..."); call once before the first icon is loaded.
// The icons are SVG and need Qt's SVG image and icon-engine plugins at run time.
void InitShellResources();
