#pragma once

#include <QMainWindow>

#include <string>
#include <vector>

class CBookDlg;
class QAction;
class QActionGroup;
class QDragEnterEvent;
class QDropEvent;
class QMenu;

// The main window: the menus "파일", "찾기", "보기" and "도움말" and a toolbar along the top, the
// reader view filling the rest. Each command is one QAction (objectName ID_...), shared by its
// menu item, its toolbar button and its shortcut, so that they enable together. The window's
// size and place, the view's splitter and zoom and the recent books (each with the row last
// shown and the code page it was read in) are kept between runs in Qt's own state file; a
// damaged or unreadable one is passed over.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // forcedCodePage: for the view (see CBookDlg), which reads the settings file, and may show
    // its message, before the window is shown. When given, it is also the code page the last
    // book is reopened in, rather than the one it was last read in.
    explicit CMainFrame(const std::string& forcedCodePage = {}, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CBookDlg* GetActiveView() const { return m_pView; }

    // The About box, modally.
    void OnAppAbout();

    // Chooses the most recent book at its last row, in its code page; a book that is gone is passed
    // over silently, as the user did not ask for it. False when nothing was chosen.
    bool ReopenLastBook();

    // A book once read, the row last shown in it and the code page it was read in (empty: chosen
    // per book); path is the file system's bytes.
    struct SRecentBook {
        std::string path;
        int row = 0;
        std::string codePage;
    };
    static constexpr int kMaxRecent = 10;
    // Most recent first.
    const std::vector<SRecentBook>& RecentBooks() const { return m_recent; }
    // The recent books the state file holds, most recent first, as the next window will list
    // them. Needs no QApplication.
    static std::vector<SRecentBook> ReadRecentBooks();

protected:
    // Keeps the window's geometry, the splitter and the recent books for the next run.
    void closeEvent(QCloseEvent* event) override;
    // A local file dropped on the window is opened as a confirmed Open would.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QAction* AddCommand(const char* id, const QString& text, const QString& icon);
    void CreateMenusAndToolBar();
    // The "인코딩" submenu of view: one exclusive entry per code page, disabled for one iconv
    // does not know.
    void CreateEncodingMenu(QMenu* view);
    // Checks the entry of codePage, adding one for a name the menu does not list.
    void CheckCodePage(const QString& codePage);
    // The zoom entries of view, with their keys.
    void CreateZoomMenu(QMenu* view);
    void RestoreWindowState();
    void SaveRecentBooks() const;
    // Puts the view's book first in the list, with its shown row.
    void RememberBook();
    void FillRecentMenu();

    CBookDlg* m_pView;
    QMenu* m_pRecentMenu = nullptr;
    QMenu* m_pEncodingMenu = nullptr;
    QActionGroup* m_pCodePages = nullptr;
    bool m_bCodePageGiven; // on the command line, which then wins over a recent book's
    std::vector<SRecentBook> m_recent;
};
