#pragma once

#include <QPlainTextEdit>
#include <QString>

// A multi-line edit. The document can only hold line breaks, not which line end a text used,
// so the edit remembers the text last set: GetText gives back exactly that string (CR LF,
// bare LF and bare CR intact) until the user changes the document. After a change it gives
// the document's text with LF line ends. An edit undone back to the set text counts as
// unchanged. Set the text through SetText only; setPlainText bypasses the memory.
class CEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CEdit(QWidget* parent = nullptr);

    // Shows text, every kind of line end as a line break.
    void SetText(const QString& text) { SetText(text, text); }
    // Shows `shown` (a shortened form of text) while GetText gives text.
    void SetText(const QString& text, const QString& shown);
    QString GetText() const;

private:
    QString m_strSet; // the text last set, with its own line ends
};
