#pragma once

#include "BookFile.h"
#include "FormView.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>

class CCmdUI;
class CBinaryFile;
class CCodePage;
struct STextItem;
class CCommandRouter;
class CListBox;
class COffsetTable;
class CTimer;

// The reader view: a form (template 130) showing the book's file name, the current item's
// title, the list of item names, the item's body and a counter. It holds the whole state of
// the open book: path, file kind, the index (offset table, names in the list, last index),
// the auto-view state and settings, and the last search term.
//
// A book chosen with Open is indexed at the next drawing of the view; every change of the
// current item ends in ShowSelectedItem, which reads only that item's bytes from the file.
class CBookDlg : public CFormView {
    Q_OBJECT
public:
    enum EFileKind { kMarkedText = 0, kCvd = 1, kOtherText = 2 };

    // forcedCodePage: an iconv code page every book is read in, or empty to choose per book.
    // It must be one iconv knows.
    explicit CBookDlg(const std::string& forcedCodePage = {}, QWidget* parent = nullptr);
    ~CBookDlg() override;

    // Routes the view's commands to its handlers (the view's message map).
    void RegisterCommands(CCommandRouter& router);

    // Command ID_BOOK_OPEN: choose a book in the file dialog; it is indexed at the next
    // drawing of the view.
    void OnBookOpen();

    // Chooses the book at path as a confirmed Open dialog would: path, file name and kind are
    // set and the book is indexed at the next drawing.
    void ChooseBook(const QString& path);

    // Shows the item of the selected list row by the file kind.
    void ShowSelectedItem();

    // Sets the period and order from the settings file, or reports and uses the defaults.
    void LoadSettings();

    // Command ID_AUTO_START: steps through the items on timer 1 every m_nPeriod ms until
    // stopped; without a chosen book it only says so. Opening another book does not stop it.
    void OnAutoStart();
    // Command ID_AUTO_STOP.
    void OnAutoStop();
    // Enabled exactly while auto view is stopped (start) or running (stop).
    void OnUpdateAutoStart(CCmdUI* ui);
    void OnUpdateAutoStop(CCmdUI* ui);
    // One auto-view step: selects and shows the next item (m_nOrder 0) or one drawn at random,
    // from the list as it is now. The id is not examined. Nothing happens on an empty list.
    void OnTimer(unsigned id);
    // Stops a running auto view as the view goes away; called by the destructor.
    void OnDestroy();

    // Command ID_SEARCH: asks for a term (CSearchDlg) and looks for it with FindItemName
    // unless the confirmed term is empty.
    void OnSearch();
    // Selects and shows the first row after the selected one whose name begins with term
    // (ASCII letters without case), wrapping so that the selected row is tried last; says so
    // when no row matches.
    void FindItemName(QString term);

    // Command ID_SETUP: the settings sheet with its one page; after OK the view re-reads the
    // settings file (a running auto view takes a new period only at its next start).
    void OnSetup();

    // The view that the search dialog serves: the frame's active view. Not owned; cleared
    // when that view is destroyed.
    static void SetActiveView(CBookDlg* view);
    static CBookDlg* GetActiveView();

    // The last confirmed search term, kept across books; "" before the first search.
    const QString& SearchTerm() const { return m_strSearch; }
    void SetSearchTerm(const QString& term) { m_strSearch = term; }

    // State, for the frame and for tests.
    int Period() const { return m_nPeriod; }
    int Order() const { return m_nOrder; }
    int LastIndex() const { return m_nLastIndex; }
    int FileKind() const { return m_nFileKind; }
    const QString& Path() const { return m_strPath; }
    CListBox* ItemList() const { return m_ctlItemList; }
    bool IsAutoRunning() const { return m_bAutoRunning; }
    // The auto-view timer; null until auto view was first started.
    const CTimer* AutoTimer() const { return m_pTimer; }

protected:
    void DoDataExchange(CDataExchange& dx) override;
    void OnDraw() override;

private:
    void OnSelchangeItemList();
    void RunDeferredLoad();

    // Index builds and item displays of the two formats.
    void LoadMarkedText(QString path);
    void LoadCvd(QString path);
    void BuildIndex(const QString& path, EFileKind format);
    void ShowTextItem();
    void ShowCvdItem();
    // The display frame around a format's reading of the selected item s.
    using ItemReader = EItemRead (CBookDlg::*)(CBinaryFile& file, int s, STextItem& item);
    void ShowItem(ItemReader read);
    EItemRead ReadTextItemOf(CBinaryFile& file, int s, STextItem& item);
    EItemRead ReadCvdItemOf(CBinaryFile& file, int s, STextItem& item);

    CListBox* m_ctlItemList = nullptr;
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
    QString m_strPath;

    std::unique_ptr<CCodePage> m_pCodePage; // the code page of the book last indexed

    CTimer* m_pTimer = nullptr; // the auto-view timer, a child made at the first start
};
