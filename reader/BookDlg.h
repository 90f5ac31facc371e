#pragma once

#include "BookFile.h"

#include <QString>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

class CBinaryFile;
class CCodePage;
class CEdit;
class CListBox;
class COffsetTable;
class CTitleEdit;
class QLabel;
class QSplitter;
class QTimer;
struct STextItem;

// The reader view: from top to bottom the book's file name, the current item's title, the list
// of item names and the item's body (the two sharing the height in a splitter), and a counter.
// It holds the whole state of the open book: path, file kind, the index (offset table, names in
// the list, last index), the auto-view state and settings, and the last search term.
//
// A book chosen with Open is indexed once, just after the view has been drawn; every change of
// the current item ends in ShowSelectedItem, which reads only that item's bytes from the file.
class CBookDlg : public QWidget {
    Q_OBJECT
public:
    enum EFileKind { kMarkedText = 0, kCvd = 1, kOtherText = 2 };

    // forcedCodePage: an iconv code page every book is read in, or empty to choose per book.
    // It must be one iconv knows. Reads the settings file, which may show its message.
    explicit CBookDlg(const std::string& forcedCodePage = {}, QWidget* parent = nullptr);
    ~CBookDlg() override;

    // Chooses the book at path (the file system's bytes; relative to the working folder when
    // not absolute) as a confirmed Open dialog would: path, file name and kind are set and the
    // book is indexed just after the view's next drawing.
    void ChooseBook(std::string path);

    // Shows the item of the selected list row by the file kind.
    void ShowSelectedItem();
    // Sets the period and order from the settings file, or reports and uses the defaults.
    void LoadSettings();
    // Selects and shows the first row after the selected one whose name begins with term
    // (ASCII letters without case), wrapping so that the selected row is tried last; says so
    // when no row matches.
    void FindItemName(QString term);

    // The splitter's position, for the window to keep between runs.
    QByteArray SaveState() const;
    void RestoreState(const QByteArray& state);

    // The last confirmed search term, kept across books; "" before the first search.
    const QString& SearchTerm() const { return m_strSearch; }

    // State, for the window and for tests.
    int Period() const { return m_nPeriod; }
    int Order() const { return m_nOrder; }
    int LastIndex() const { return m_nLastIndex; }
    int FileKind() const { return m_nFileKind; }
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
    // from the list as it is now. Nothing happens on an empty list.
    void OnTimer();
    // Asks for a term and looks for it with FindItemName unless the confirmed term is empty.
    void OnSearch();
    // The settings dialog; after OK the view re-reads the settings file (a running auto view
    // takes a new period only at its next start).
    void OnSetup();

signals:
    // Auto view started (true) or stopped (false).
    void autoRunningChanged(bool running);
    // Another book was chosen; name is its file name as shown.
    void bookChosen(const QString& name);

protected:
    // Starts the index build of a chosen book, queued so that it runs after the drawing.
    void paintEvent(QPaintEvent* event) override;

private:
    // Copies the four strings into the controls, or the controls' texts into the strings.
    void PushFormData();
    void PullFormData();
    void RunDeferredLoad();

    // Index builds and item displays of the two formats.
    void LoadMarkedText(const std::string& path);
    void LoadCvd(const std::string& path);
    void BuildIndex(const std::string& path, EFileKind format);
    void ShowTextItem();
    void ShowCvdItem();
    // The display frame around a format's reading of the selected item s.
    using ItemReader = EItemRead (CBookDlg::*)(CBinaryFile& file, int s, STextItem& item);
    void ShowItem(ItemReader read);
    EItemRead ReadTextItemOf(CBinaryFile& file, int s, STextItem& item);
    EItemRead ReadCvdItemOf(CBinaryFile& file, int s, STextItem& item);

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
    bool m_bAutoRunning = false;
    int m_nFileKind = -1; // set by Open before anything reads it
    int m_nOrder = 0;
    int m_nPeriod = 1000;
    bool m_bLoadPending = false;
    std::unique_ptr<COffsetTable> m_pOffsets;
    std::int32_t m_nLastIndex = 0;
    BookBuffer m_pFileData; // the book's bytes, only while a build runs
    std::string m_strPath;  // the file system's bytes

    std::unique_ptr<CCodePage> m_pCodePage; // the code page of the book last indexed
    QTimer* m_pTimer;
};
