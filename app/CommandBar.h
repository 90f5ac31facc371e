#pragma once

#include <QToolBar>

#include <cstdint>

class CCommandRouter;
class QMainWindow;
class QMenu;
class QToolButton;

// The frame's one bar along the top: the menu bar's drop-down buttons followed by the toolbar
// buttons. Every item takes its QAction from the router, so a menu item, its toolbar button
// and its shortcut are one action that enables as one.
//
// The bar is built in steps, each answering false when its resource is missing or malformed;
// the frame gives up on the first failure.
//
// The menus open from the keyboard without changing their titles: F10, or Alt pressed and
// released alone, opens the first; Alt+F and Alt+H open "파일" and "도움말"; Left and Right in
// an open menu move to its neighbour.
class CCommandBar : public QToolBar {
    Q_OBJECT
public:
    // Bar styles (the bits the frame reads and sets).
    static constexpr std::uint32_t kBarSizeFixed = 0x0002; // neither moved nor floated
    static constexpr std::uint32_t kBarToolTips = 0x0010;  // buttons show tooltips (always here)
    static constexpr std::uint32_t kBarFlyBy = 0x0020;     // prompts as the status tip
    // Adornment options: the close button is always there (the window's own).
    static constexpr unsigned kAdornHelp = 0x0001;
    static constexpr unsigned kAdornOk = 0x0002;

    // router: where the bar's items get their actions; it must outlive the bar's items.
    explicit CCommandBar(CCommandRouter& router);
    ~CCommandBar() override;

    // Places the bar along the top of frame; style is a window style (WS_VISIBLE shows it).
    bool Create(QMainWindow* frame, std::uint32_t style, int id);
    // Adds one drop-down button per entry of the menu-bar description menuBarId, each opening
    // its submenu of the menu the description names. button: the bar position to insert at;
    // 0xFFFF appends.
    bool InsertMenuBar(int menuBarId, int button = 0xFFFF);
    // Adds the adornments; only the close button (flags 0) exists on the desktop, where the
    // window's title bar carries it.
    bool AddAdornments(unsigned flags);
    // Appends the toolbar's buttons with their images.
    bool LoadToolBar(int toolbarId);

    std::uint32_t GetBarStyle() const { return m_nBarStyle; }
    void SetBarStyle(std::uint32_t style);

    // Opens the drop-down of menu-bar button index (0 is the first) once the caller has
    // returned, as a click on its title would. False when there is no such button.
    bool OpenMenu(int index);

    // Whether the bar shows the shell's shared New button; the desktop bar never has one.
    bool m_bShowSharedNewButton = true;

protected:
    // Watches the window's keys for a lone Alt and the open menus for Left and Right.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CCommandRouter& m_router;
    std::uint32_t m_nBarStyle = 0;
    QList<QToolButton*> m_btnMenus; // the menu-bar buttons, in bar order
    bool m_bAltAlone = false;       // Alt is down and no other key or click came since
};
