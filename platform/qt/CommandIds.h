#pragma once

// Command ids of the menu, toolbar and accelerators, and the two dialog results. A command's
// QAction carries the id's name ("ID_BOOK_OPEN") as its objectName.

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int kIdOk = IDOK;         // what DoModal answers for OK
inline constexpr int kIdCancel = IDCANCEL; // what DoModal answers for anything else

inline constexpr int ID_BOOK_OPEN = 32778;
inline constexpr int ID_EXIT = 32779;
inline constexpr int ID_SETUP = 32780;
inline constexpr int ID_AUTO_START = 32783;
inline constexpr int ID_AUTO_STOP = 32784;
inline constexpr int ID_SEARCH = 32785;
inline constexpr int ID_FILE_NEW = 57600;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_SAVE = 57603;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_CUT = 57635;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_EDIT_UNDO = 57643;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;

// The name of a command id above ("ID_BOOK_OPEN"), or nullptr for an id not listed.
constexpr const char* CommandName(int id) {
    switch (id) {
    case ID_BOOK_OPEN:
        return "ID_BOOK_OPEN";
    case ID_EXIT:
        return "ID_EXIT";
    case ID_SETUP:
        return "ID_SETUP";
    case ID_AUTO_START:
        return "ID_AUTO_START";
    case ID_AUTO_STOP:
        return "ID_AUTO_STOP";
    case ID_SEARCH:
        return "ID_SEARCH";
    case ID_FILE_NEW:
        return "ID_FILE_NEW";
    case ID_FILE_OPEN:
        return "ID_FILE_OPEN";
    case ID_FILE_SAVE:
        return "ID_FILE_SAVE";
    case ID_EDIT_COPY:
        return "ID_EDIT_COPY";
    case ID_EDIT_CUT:
        return "ID_EDIT_CUT";
    case ID_EDIT_PASTE:
        return "ID_EDIT_PASTE";
    case ID_EDIT_UNDO:
        return "ID_EDIT_UNDO";
    case ID_APP_ABOUT:
        return "ID_APP_ABOUT";
    case ID_APP_EXIT:
        return "ID_APP_EXIT";
    default:
        return nullptr;
    }
}
