#pragma once

#include "CommandLine.h"

#include <QObject>
#include <QPointer>

#include <memory>

class CBookDlg;
class CMainFrame;
class CTomletDoc;

// The application: builds the document, the main frame with its command bar and the reader
// view, opens the book named on the command line, and handles About, the document's New and
// Open, and the framework's Exit. A QApplication must exist first; the application names it
// "Tomlet", the caption of every message box.
class CTomletApp : public QObject {
    Q_OBJECT
public:
    // The organisation name Qt would keep settings under; Tomlet stores nothing there.
    static constexpr const char kRegistryKey[] = "Local AppWizard-Generated Applications";

    // command: a Window command line. Its code page, if any, must be one iconv knows.
    explicit CTomletApp(SCommandLine command = {}, QObject* parent = nullptr);
    // Deletes the main window if it is still there.
    ~CTomletApp() override;

    // Creates document, frame and view (the view reads the settings file, and may report,
    // before anything is shown), chooses the command line's book, then shows the frame.
    // False when the frame could not be created; nothing is shown then.
    bool InitInstance();

    // Null once the main window is gone.
    CMainFrame* GetMainWnd() const;
    CBookDlg* GetActiveView() const;
    CTomletDoc* GetDocument() const { return m_pDocument.get(); }

    // Command ID_APP_ABOUT: the About box, modally.
    void OnAppAbout();
    // Commands ID_FILE_NEW and ID_FILE_OPEN (Ctrl+N, Ctrl+O): the document's own New and Open.
    // They act on the empty document only and change nothing a user can see; books are opened
    // by the view's Open command.
    void OnFileNew();
    void OnFileOpen();
    // Command ID_APP_EXIT (Ctrl+Q): closes the main window, which ends the program.
    void OnAppExit();

private:
    // Creates the document, the frame and the view, and chooses the command line's book.
    bool ProcessShellCommand();

    SCommandLine m_cmdInfo;
    std::unique_ptr<CTomletDoc> m_pDocument;
    QPointer<CMainFrame> m_pMainWnd;
};
