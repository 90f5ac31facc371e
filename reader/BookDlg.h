#pragma once

#include "BackgroundOpen.h"
#include "Book.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

class CEdit;
class CItemListModel;
class CListBox;
class CTitleEdit;
class QLabel;
class QSplitter;
class QTimer;

// The reader view: from top to bottom the book's file name, the current item's title, the list
// of item names and the item's body (the two sharing the height in a splitter), and a counter.
// It holds the chosen path and file kind, the open book (CBook: its index and reading), the
// auto-view state and settings, and the last search term; the list shows the book's own names.
//
// A book chosen with Open is indexed once, just after the view has been drawn; every change of
// the current item ends in ShowSelectedItem, which reads only that item's bytes from the file.
class CBookDlg : public QWidget {
    Q_OBJECT
public:
    // forcedCodePage: an iconv code page every book is read in, or empty to choose per book.
    // It must be one iconv knows. Reads the settings file, which may show its message.
    explicit CBookDlg(const std::string& forcedCodePage = {}, QWidget* parent = nullptr);
    ~CBookDlg() override;

    // Chooses the book at path (the file system's bytes; relative to the working folder when
    // not absolute) as a confirmed Open dialog would: path, file name and kind are set and the
    // book is indexed just after the view's next drawing. row: the list row shown once the
    // index is built, row 0 when the book has fewer rows.
    void ChooseBook(std::string path, int row = 0);
    // A build started before the view existed (the command line's book, while the window is
    // made). The next build takes its book instead of reading the file again when path, kind
    // and code page are those it would use; any other build drops it. A text book whose build
    // has not ended when the view is first drawn shows its first items at once, and the whole
    // index takes their place when the build ends; until then the counter is blank, and every
    // command that needs all the items (a search, an auto-view step, another book or code page)
    // first waits for it.
    void TakeBackgroundOpen(std::unique_ptr<CBackgroundOpen> open) {
        m_pBackgroundOpen = std::move(open);
    }
    // The code page books are read in: an iconv name, or empty to choose per book.
    const std::string& CodePage() const { return m_strCodePage; }
    // Reads books in codePage (as the constructor's) from now on. The open book is read again
    // in it: its index is built anew, the selected row kept when the item count is unchanged
    // (else row 0), and the item shown again. A book chosen but not yet built is built in it;
    // without a book only the choice changes. A rebuild that fails is reported as a failed Open
    // is and leaves the book and its code page as they were. False for a code page books can't
    // be read in, and for a failed rebuild.
    bool SetCodePage(const std::string& codePage);
    // The folder (file-system bytes) the Open dialog starts in until a book is chosen.
    void SetOpenFolder(std::string folder) { m_strOpenFolder = std::move(folder); }
    const std::string& OpenFolder() const { return m_strOpenFolder; }

    // Shows the item of the selected list row by the file kind; false when it could not be read
    // and a message said so.
    bool ShowSelectedItem();
    // Sets the period and order from the settings file, or reports and uses the defaults.
    void LoadSettings();
    // Selects and shows the first row after the selected one whose name begins with term
    // (ASCII letters without case), wrapping so that the selected row is tried last; says so
    // when no row matches.
    void FindItemName(QString term);

    // Selects and shows the next item after the selected one (forward) or the last before it,
    // wrapping so that the selected one is tried last, whose title or body holds term (ASCII
    // letters without case), and marks the term's first place in the body. Says so when no
    // item holds it; a search the user cancelled leaves everything as it was. False then.
    bool FindText(const QString& term, bool forward);

    // The text size of the title, the list and the body, in percent of the desktop's font;
    // kept within kMinZoom..kMaxZoom. 100 leaves the desktop's font as it is.
    static constexpr int kMinZoom = 50;
    static constexpr int kMaxZoom = 300;
    void SetZoom(int percent);
    int Zoom() const { return m_nZoom; }

    // The splitter's position, for the window to keep between runs.
    QByteArray SaveState() const;
    void RestoreState(const QByteArray& state);

    // The last confirmed search term, kept across books; "" before the first search.
    const QString& SearchTerm() const { return m_strSearch; }
    // The last term looked for in the items' text; "" before the first.
    const QString& FindTerm() const { return m_strFindText; }

    // State, for the window and for tests.
    int Period() const { return m_nPeriod; }
    int Order() const { return m_nOrder; }
    int LastIndex() const { return m_pBook->LastIndex(); }
    EFileKind FileKind() const { return m_nFileKind; }
    const CBook& Book() const { return *m_pBook; }
    const std::string& Path() const { return m_strPath; }
    CListBox* ItemList() const { return m_ctlItemList; }
    bool IsAutoRunning() const { return m_bAutoRunning; }
    // The auto-view timer: runs exactly while auto view does.
    const QTimer* AutoTimer() const { return m_pTimer; }

public slots:
    // Choose a book in the file dialog; Cancel puts the members back into the form.
    void OnBookOpen();
    // Step through the items every m_nPeriod ms until stopped; without a chosen book it only
    // says so. Opening another book does not stop it.
    void OnAutoStart();
    void OnAutoStop();
    // One auto-view step: selects and shows the next item (m_nOrder 0) or one drawn at random,
    // from the list as it is now. Nothing happens on an empty list. A step whose item can't be
    // shown stops auto view after its message, so that a message can't follow every OK.
    void OnTimer();
    // Asks for a term and looks for it with FindItemName unless the confirmed term is empty.
    void OnSearch();
    // The settings dialog; after OK the view re-reads the settings file (a running auto view
    // takes a new period only at its next start).
    void OnSetup();
    // Asks for a term in the items' text, starting with the last one, and looks forwards.
    void OnFindText();
    // Look for the last term again, forwards or backwards; ask for one when there is none.
    void OnFindNext();
    void OnFindPrevious();
    // The text one step larger or smaller, or back to the desktop's size.
    void OnZoomIn();
    void OnZoomOut();
    void OnZoomReset();

signals:
    // Auto view started (true) or stopped (false).
    void autoRunningChanged(bool running);
    // Another book was chosen, or the view went back to the open one after a failed build;
    // name is its file name as shown, empty for none.
    void bookChosen(const QString& name);
    // The chosen book's index was built, or the open book's again in another code page, and a
    // row shown.
    void bookLoaded();
    // The code page books are read in, after every SetCodePage and after a build that failed in
    // a newly chosen one and went back to the open book's.
    void codePageChanged(const QString& codePage);
    // The item of the list's row was shown.
    void itemShown(int row);

protected:
    // Starts the index build of a chosen book, queued so that it runs after the drawing.
    void paintEvent(QPaintEvent* event) override;
    // Ctrl+wheel over the title, the list or the body zooms instead of scrolling.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Copies the four strings into the controls, or the controls' texts into the strings.
    void PushFormData();
    void PullFormData();
    void RunDeferredLoad();

    // Index builds and item displays of the two formats, through the book.
    void LoadMarkedText(const std::string& path);
    void LoadCvd(const std::string& path);
    // True when the book at path is the open book now.
    bool BuildIndex(std::string path, EFileKind kind);
    // Lists the first items of the chosen book and shows the pending row, when the build
    // started before the view is that book's, has not ended, and the first items hold that row;
    // false otherwise.
    bool ShowFirstItems();
    // When the list shows only a book's first items: waits for its whole index and puts it in
    // their place, or goes back to the book before after a failed build, as BuildIndex does.
    void CompleteIndex();
    // Reports a build that failed and left the book before as it was, and makes the view
    // describe that book again.
    void GoBackAfterFailedBuild(EBookStatus status);
    // Selects row (row 0 when the book has fewer rows) and shows its item, or empties the form
    // for a book without items.
    void ShowRowAfterBuild(int row);
    bool ShowTextItem();
    bool ShowCvdItem();
    bool ShowItem();
    // Makes path, file name, kind and window title name the book the index describes again.
    void ReturnToBook();
    // Selects the first place of term in the body and scrolls to it; no selection without one.
    void MarkInBody(const QString& term);
    // Gives the title, the list and the body the desktop's font at m_nZoom percent.
    void ApplyZoom();

    QLabel* m_ctlFileName;
    CTitleEdit* m_ctlTitle;
    QSplitter* m_ctlSplitter;
    CListBox* m_ctlItemList;
    CEdit* m_ctlBody;
    QLabel* m_ctlCounter;

    QString m_strTitle;
    QString m_strBody;
    QString m_strFileName;
    QString m_strCounter;
    QString m_strSearch;
    QString m_strFindText;
    bool m_bFinding = false; // a text search runs, and lets events through
    bool m_bAutoRunning = false;
    EFileKind m_nFileKind = EFileKind::MarkedText; // set by Open before anything reads it
    int m_nOrder = 0;
    int m_nPeriod = 1000;
    bool m_bLoadPending = false;
    bool m_bBuildPending = false;   // a chosen book waits for its build
    int m_nPendingRow = 0;          // shown after the pending build
    int m_nZoom = 100;              // percent of the desktop's font size
    int m_nWheelZoom = 0;           // Ctrl+wheel turned, in eighths of a degree, short of a step
    std::string m_strOpenFolder;    // where the Open dialog starts
    std::string m_strPath;          // the chosen book, the file system's bytes
    std::unique_ptr<CBook> m_pBook; // the book the list shows; another path after a failed build
    std::unique_ptr<CBackgroundOpen> m_pBackgroundOpen; // the next build's, when it matches
    // While m_pBook lists only the first items of the book being built: the book shown before
    // it, which a failed build goes back to. Null otherwise.
    std::unique_ptr<CBook> m_pBookBefore;
    std::string m_strCodePage;     // books are read in it; empty to choose per book
    std::string m_strBookCodePage; // the one m_pBook was made with
    CItemListModel* m_pNames;
    QTimer* m_pTimer;
};
