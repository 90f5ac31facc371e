#include "TitleEdit.h"

#include "ToolTip.h"

#include <QFocusEvent>
#include <QTextDocument>

#include <algorithm>

namespace {

// The whole title for its tooltip, within what a tooltip can show.
QString ToolTipOf(const QString& title) {
    constexpr qsizetype kMost = 2000;
    return PlainToolTip(title.size() <= kMost ? title : title.left(kMost) + QChar(0x2026));
}

} // namespace

CTitleEdit::CTitleEdit(QWidget* parent) : CEdit(parent) {
    // Wrapped rather than one endless line: a line too wide for the field is laid out only as
    // far as it shows, and the field scrolls to the cursor.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FitHeight();
}

void CTitleEdit::FitHeight() {
    const int margins = static_cast<int>(2 * document()->documentMargin()) + 2 * frameWidth();
    setFixedHeight(fontMetrics().lineSpacing() + margins);
}

void CTitleEdit::SetTitle(const QString& text) {
    const QString shown = hasFocus() ? QString() : Elided(text);
    m_bElided = !shown.isNull();
    SetText(text, m_bElided ? shown : text);
    setToolTip(m_bElided ? ToolTipOf(text) : QString());
}

void CTitleEdit::Show(const QString& text) {
    if (toPlainText() == text)
        return;
    setPlainText(text);
    document()->setModified(false);
}

QString CTitleEdit::Elided(const QString& title) const {
    QString whole = title;
    whole.replace(QLatin1String("\r\n"), QLatin1String(" "));
    whole.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    const int room = viewport()->width() - static_cast<int>(2 * document()->documentMargin());
    // Only the start can show: measuring a title of a megabyte whole would hold the window.
    const qsizetype cap = 64 + 4 * room / std::max(1, fontMetrics().averageCharWidth());
    QString shown = fontMetrics().elidedText(whole.left(cap), Qt::ElideRight, room);
    if (whole.size() > cap && shown.size() == cap)
        shown = shown.chopped(1) + QChar(0x2026);
    return shown == whole ? QString() : shown;
}

void CTitleEdit::Elide() {
    // Typed text is the user's: it is never cut.
    if (hasFocus() || document()->isModified())
        return;
    const QString shown = Elided(GetText());
    if (!shown.isNull()) {
        Show(shown);
        m_bElided = true;
        setToolTip(ToolTipOf(GetText()));
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

void CTitleEdit::changeEvent(QEvent* event) {
    CEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        FitHeight();
        Elide();
    }
}
