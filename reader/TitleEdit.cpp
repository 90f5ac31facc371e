#include "TitleEdit.h"

#include <QFocusEvent>
#include <QTextDocument>

CTitleEdit::CTitleEdit(QWidget* parent) : CEdit(parent) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int margins = static_cast<int>(2 * document()->documentMargin()) + 2 * frameWidth();
    setFixedHeight(fontMetrics().lineSpacing() + margins);
}

void CTitleEdit::SetTitle(const QString& text) {
    SetText(text);
    m_bElided = false;
    setToolTip(QString());
    Elide();
}

void CTitleEdit::Show(const QString& text) {
    if (toPlainText() == text)
        return;
    setPlainText(text);
    document()->setModified(false);
}

void CTitleEdit::Elide() {
    // Typed text is the user's: it is never cut.
    if (hasFocus() || document()->isModified())
        return;
    QString whole = GetText();
    whole.replace(QLatin1String("\r\n"), QLatin1String(" "));
    whole.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const int room = viewport()->width() - static_cast<int>(2 * document()->documentMargin());
    const QString shown = fontMetrics().elidedText(whole, Qt::ElideRight, room);
    if (shown != whole) {
        Show(shown);
        m_bElided = true;
        setToolTip(whole);
    } else if (m_bElided) {
        Show(GetText());
        m_bElided = false;
        setToolTip(QString());
    }
}

void CTitleEdit::focusInEvent(QFocusEvent* event) {
    if (m_bElided) {
        Show(GetText());
        m_bElided = false;
    }
    CEdit::focusInEvent(event);
}

void CTitleEdit::focusOutEvent(QFocusEvent* event) {
    CEdit::focusOutEvent(event);
    Elide();
}

void CTitleEdit::resizeEvent(QResizeEvent* event) {
    CEdit::resizeEvent(event);
    Elide();
}
