#include "Edit.h"

#include <QTextDocument>

CEdit::CEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true); // Tab leaves the edit, as in a dialog
}

void CEdit::SetText(const QString& text) {
    m_strSet = text;
    setPlainText(text);
    document()->setModified(false);
}

QString CEdit::GetText() const {
    if (!document()->isModified())
        return m_strSet;
    return toPlainText();
}
