#pragma once

#include "BackgroundOpen.h"
#include "CommandLine.h"

#include <QObject>
#include <QPointer>

#include <memory>

class CBookDlg;
class CMainFrame;

// The application: builds the main window with the reader view and opens the book named on
// the command line. A QApplication must exist first; the application names it "Tomlet", the
// caption of every message box, makes Qt's own dialogs speak Korean and gives every widget a
// font that draws Latin text from a Latin font and Hangul from a Korean one.
class CTomletApp : public QObject {
    Q_OBJECT
public:
    // The organisation name Qt would keep settings under; Tomlet stores nothing there.
    static constexpr const char kRegistryKey[] = "Local AppWizard-Generated Applications";

    // command: a Window command line. Its code page, if any, must be one iconv knows.
    // early: the build ReadBookEarly started for it, if any.
    explicit CTomletApp(SCommandLine command = {}, std::unique_ptr<CBackgroundOpen> early = {},
                        QObject* parent = nullptr);
    // Deletes the main window if it is still there.
    ~CTomletApp() override;

    // Starts building the index of the book the window will open (the command line's, else
    // the last one) on a thread of its own, before Qt and the window are made, so that both
    // take their time side by side; null without a book. Needs no QApplication.
    static std::unique_ptr<CBackgroundOpen> ReadBookEarly(const SCommandLine& command);

    // Creates the window and the view (which reads the settings file, and may report, before
    // anything is shown), chooses the command line's book, then shows the window.
    bool InitInstance();

    // Null once the main window is gone.
    CMainFrame* GetMainWnd() const;
    CBookDlg* GetActiveView() const;

private:
    // Installs Qt's Korean translation of its own dialogs and buttons for the application's
    // life; false when Qt's translation file is not installed (Qt then speaks English).
    bool LoadQtTranslation();
    // Korean fonts draw a backslash as the won sign: Latin glyphs come from a Latin font
    // first, and only what it lacks, Hangul among it, from a Korean one.
    static void UseLatinThenKoreanFont();

    SCommandLine m_cmdInfo;
    std::unique_ptr<CBackgroundOpen> m_pEarlyBook;
    QPointer<CMainFrame> m_pMainWnd;
};
