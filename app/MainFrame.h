#pragma once

#include <QMainWindow>

#include <string>

class CBookDlg;
class QAction;
class QMenu;

// The main window: the menus "파일", "찾기" and "도움말" and a toolbar along the top, the reader
// view filling the rest. Each command is one QAction (objectName ID_...), shared by its menu item,
// its toolbar button and its shortcut, so that they enable together. The window's size and
// place and the view's splitter are kept between runs in Qt's own state file.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // forcedCodePage: for the view (see CBookDlg), which reads the settings file, and may show
    // its message, before the window is shown.
    explicit CMainFrame(const std::string& forcedCodePage = {}, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CBookDlg* GetActiveView() const { return m_pView; }

    // The About box, modally.
    void OnAppAbout();

protected:
    // Keeps the window's geometry and the splitter for the next run.
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* AddCommand(const char* id, const QString& text, const QString& icon);
    void CreateMenusAndToolBar();
    void RestoreWindowState();

    CBookDlg* m_pView;
};
