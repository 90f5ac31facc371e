// The reader view's index builds and item displays: the frames around the book formats.

#include "BookDlg.h"

#include "BinaryFile.h"
#include "BookFile.h"
#include "BookMessages.h"
#include "CodePage.h"
#include "Counter.h"
#include "Cvd.h"
#include "ItemListModel.h"
#include "ItemSink.h"
#include "ListBox.h"
#include "MarkedText.h"
#include "MessageBox.h"
#include "OffsetTable.h"
#include "WaitCursor.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

QString Text(const char16_t* text) {
    return QString::fromUtf16(text);
}
QString Text(const std::u16string& text) {
    return QString::fromStdU16String(text);
}

// Records each item found: its position in the table, its name as the list's next row.
class CListSink : public CItemSink {
public:
    CListSink(COffsetTable& table, CListBox& list) : m_table(table), m_list(list) {}
    void AddItem(std::int32_t position, std::u16string_view name) override {
        m_table.Append(position);
        m_list.AddString(QStringView(name.data(), static_cast<qsizetype>(name.size())));
    }

private:
    COffsetTable& m_table;
    CListBox& m_list;
};

} // namespace

void CBookDlg::LoadMarkedText(const std::string& path) {
    BuildIndex(path, kMarkedText);
}

void CBookDlg::LoadCvd(const std::string& path) {
    BuildIndex(path, kCvd);
}

void CBookDlg::BuildIndex(const std::string& path, EFileKind format) {
    SBookBytes book;
    switch (ReadWholeBook(path, book)) {
    case EReadBook::CannotOpen:
        ShowMessageBox(Text(BookMessages::kFileMissing));
        return;
    case EReadBook::TooLarge:
        ShowMessageBox(Text(BookMessages::kTooLarge));
        return;
    case EReadBook::Ok:
        break;
    }
    m_pFileData = std::move(book.data);

    do {
        m_ctlItemList->ResetContent();
    } while (m_ctlItemList->GetCount() != 0);
    m_nLastIndex = 0;

    CWaitCursor wait;
    wait.Begin();
    const std::span<const std::uint8_t> bytes(m_pFileData.get(), book.size);
    m_pOffsets->Clear();
    CListSink sink(*m_pOffsets, *m_ctlItemList);
    if (format == kCvd) {
        if (!m_pCodePage->IsForced())
            m_pCodePage->ChooseFor(CvdLooksUtf8(bytes));
        const std::uint32_t end = ScanCvd(bytes, m_pCodePage->Codec(), sink);
        m_ctlItemList->Flush();
        if (CvdEndIsMalformed(end, book.size))
            ShowMessageBox(Text(BookMessages::kCvdFormat));
    } else {
        if (!m_pCodePage->IsForced())
            m_pCodePage->ChooseFor(MarkedTextLooksUtf8(bytes));
        ScanMarkedText(bytes, m_pCodePage->Codec(), sink);
    }
    m_nLastIndex = m_pOffsets->Count() - 1;

    // The index keeps only what it holds: the room its growth left over and the heap the
    // growth freed go back to the system, which a book of a million items makes tens of MiB.
    m_pOffsets->Squeeze();
    m_ctlItemList->Model()->Squeeze();
    m_pFileData.reset();
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    wait.End();
}

void CBookDlg::ShowTextItem() {
    ShowItem(&CBookDlg::ReadTextItemOf);
}

void CBookDlg::ShowCvdItem() {
    ShowItem(&CBookDlg::ReadCvdItemOf);
}

void CBookDlg::ShowItem(ItemReader read) {
    CBinaryFile file;
    if (!file.Open(m_strPath, CBinaryFile::Mode::Read)) {
        ShowMessageBox(Text(BookMessages::kCannotOpen));
        return;
    }
    PullFormData();
    const int s = m_ctlItemList->GetCurSel();
    STextItem item;
    switch ((this->*read)(file, s, item)) {
    case EItemRead::Shown:
        break;
    case EItemRead::PositionNotFound:
        ShowMessageBox(Text(BookMessages::kPositionNotFound));
        return;
    case EItemRead::TooLarge:
        ShowMessageBox(Text(BookMessages::kTooLarge));
        return;
    case EItemRead::NoSelection:
    case EItemRead::Malformed:
        return; // a CVD record that fails its re-check leaves the form as it was, silently
    }
    m_strTitle = Text(item.title);
    m_strBody = Text(item.body);
    m_strCounter = Text(FormatCounter(s, m_nLastIndex));
    PushFormData();
}

EItemRead CBookDlg::ReadTextItemOf(CBinaryFile& file, int s, STextItem& item) {
    return ReadTextItem(file, *m_pOffsets, s, m_nLastIndex, m_pCodePage->Codec(), item);
}

EItemRead CBookDlg::ReadCvdItemOf(CBinaryFile& file, int s, STextItem& item) {
    const EItemRead result =
        ReadCvdItem(file, *m_pOffsets, s, m_nLastIndex, m_pCodePage->Codec(), item.body);
    // The title shown is the name the build listed; the file's title bytes are not read again.
    if (result == EItemRead::Shown)
        item.title = m_ctlItemList->GetText(s).toStdU16String();
    return result;
}
