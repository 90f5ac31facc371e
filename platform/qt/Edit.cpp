#include "Edit.h"

#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace {

// A longer line is shown as pieces of this many characters, each a paragraph of its own that
// wraps anywhere. The editor lays out and shapes a paragraph whole, and word wrapping searches
// every screen line to the end of its paragraph for a break: a line of 100,000 characters
// without a space took seconds, one of a megabyte minutes.
constexpr qsizetype kLongLine = 10'000;
// Ends each piece but the last; dropped again from what is copied.
constexpr char16_t kPieceBreak[] = u"\u200b\n";

// text with every line longer than kLongLine cut into pieces; text itself when none is.
QString InPieces(const QString& text, bool& cut) {
    cut = false;
    QString shown;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        if (end - start > kLongLine && !cut) {
            cut = true;
            shown.reserve(text.size() + text.size() / kLongLine * 2);
            shown += QStringView(text).left(start);
        }
        if (cut) {
            for (qsizetype piece = start; piece < end; piece += kLongLine) {
                if (piece > start)
                    shown += QStringView(kPieceBreak);
                shown += QStringView(text).mid(piece, std::min(kLongLine, end - piece));
            }
            if (end < text.size())
                shown += text[end];
        }
        start = end + 1;
    }
    return cut ? shown : text;
}

} // namespace

CEdit::CEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true); // Tab leaves the edit, as in a dialog
    // Any change, typed or set by another hand, makes the next SetText set its text.
    connect(document(), &QTextDocument::contentsChanged, this, [this] { m_bShowsSet = false; });
}

void CEdit::SetText(const QString& text, const QString& shown) {
    // The view sets every field after each step; the same text again would only lay it out
    // anew and move the cursor and the scrolling back to the top.
    if (m_bShowsSet && text == m_strSet && shown == m_strShown)
        return;
    m_strSet = text;
    m_strShown = shown;
    const QString pieces = InPieces(shown, m_bInPieces);
    setWordWrapMode(m_bInPieces ? QTextOption::WrapAnywhere
                                : QTextOption::WrapAtWordBoundaryOrAnywhere);
    setPlainText(pieces);
    document()->setModified(false);
    m_bShowsSet = true;
}

QString CEdit::GetText() const {
    if (!document()->isModified())
        return m_strSet;
    return WithoutPieceBreaks(toPlainText());
}

QString CEdit::WithoutPieceBreaks(QString text) const {
    if (m_bInPieces)
        text.remove(QString::fromUtf16(kPieceBreak));
    return text;
}

QMimeData* CEdit::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(WithoutPieceBreaks(textCursor().selection().toPlainText()));
    return data;
}
