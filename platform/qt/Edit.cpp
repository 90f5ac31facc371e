#include "Edit.h"

#include <QTextDocument>

namespace {

// Longer lines are broken anywhere: breaking at words tries every screen line to the end of its
// text line for a word boundary, which takes seconds for a line of 100,000 characters without
// one and minutes for a megabyte.
constexpr qsizetype kWordWrapLimit = 10'000;

bool HasLongLine(const QString& text) {
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        if (end - start > kWordWrapLimit)
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

CEdit::CEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true); // Tab leaves the edit, as in a dialog
}

void CEdit::SetText(const QString& text, const QString& shown) {
    m_strSet = text;
    setWordWrapMode(HasLongLine(shown) ? QTextOption::WrapAnywhere
                                       : QTextOption::WrapAtWordBoundaryOrAnywhere);
    setPlainText(shown);
    document()->setModified(false);
}

QString CEdit::GetText() const {
    if (!document()->isModified())
        return m_strSet;
    return toPlainText();
}
