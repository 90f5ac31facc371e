#pragma once

#include "CommandBar.h"

#include <QMainWindow>

class CBookDlg;
class CCommandRouter;

// The main window: the command bar along the top and the reader view filling the rest. It owns
// the command router: commands go to the view first, then to the frame, then to the
// application.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    // application: the last target of the command route; not owned, may be null.
    explicit CMainFrame(QObject* application = nullptr, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Creates the frame's window contents: runs the creation handler. False when it failed;
    // the frame is then of no use and is to be deleted.
    bool Create();

    // Makes view the client area and the active view, routes its commands and sizes the
    // window to fit the view's form and the bar. The frame takes ownership.
    void SetView(CBookDlg* view);
    CBookDlg* GetActiveView() const { return m_pView; }

    CCommandRouter& Router() const { return *m_pRouter; }
    CCommandBar& CommandBar() { return m_wndCommandBar; }

    // Command ID_EXIT ("종료"): destroys the window without a question; nothing is kept.
    void OnExit();
    // Closes and deletes the window; the program ends with it once its event loop runs.
    void DestroyWindow();

protected:
    // Builds the command bar; 0, or -1 when a step failed (the later steps are not run).
    int OnCreate();
    // None: the window's one bar can't be hidden, as nothing could bring it back.
    QMenu* createPopupMenu() override;

private:
    // Gives the accelerators of table id their shortcuts on this window.
    void LoadAccelerators(int id);

    QObject* m_pApplication;
    CCommandRouter* m_pRouter;
    CCommandBar m_wndCommandBar;
    CBookDlg* m_pView = nullptr;
};
