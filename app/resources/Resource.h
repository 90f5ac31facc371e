#pragma once

// Resource ids: dialog templates, controls, icons, bitmaps, menus and strings.

inline constexpr int IDR_MAINFRAME = 128; // menu, accelerators, icon, toolbar, document string
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_TOMLET_FORM = 130;
inline constexpr int IDD_SETUP_AUTO = 132;
inline constexpr int IDI_ABOUT = 135;
inline constexpr int IDD_SEARCH = 136;

// Controls. A control without an id has -1 (65535 in a 16-bit template).
inline constexpr int IDC_STATIC = -1;
inline constexpr int IDC_BODY = 1001;
inline constexpr int IDC_TITLE = 1004;
inline constexpr int IDC_ITEM_LIST = 1005;
inline constexpr int IDC_TERM = 1007;   // search dialog
inline constexpr int IDC_PERIOD = 1007; // settings page
inline constexpr int IDC_SEQUENTIAL = 1010;
inline constexpr int IDC_RANDOM = 1011;
inline constexpr int IDC_PERIOD_UP = 1017;
inline constexpr int IDC_PERIOD_DOWN = 1018;
inline constexpr int IDC_FILE_NAME = 1018;
inline constexpr int IDC_COUNTER = 1019;

// Strings of the menu-bar description.
inline constexpr int IDS_FILE_MENU = 32773;
inline constexpr int IDS_HELP_MENU = 32777;
inline constexpr int ID_FILE_MENU_BUTTON = 32774;
inline constexpr int ID_HELP_MENU_BUTTON = 106;
