#pragma once

#include <QPlainTextEdit>
#include <QString>

// A multi-line edit. The document can only hold line breaks, not which line end a text used,
// so the edit remembers the text last set: GetText gives back exactly that string (CR LF,
// bare LF and bare CR intact) until the user changes the document. After a change it gives
// the document's text with LF line ends. An edit undone back to the set text counts as
// unchanged. Set the text through SetText only; setPlainText bypasses the memory.
//
// A line of more than 10,000 characters is shown as pieces that wrap anywhere, so that a line
// of megabytes without a space shows at once; what is copied or read back has the line whole.
class CEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CEdit(QWidget* parent = nullptr);

    // Shows text, every kind of line end as a line break.
    void SetText(const QString& text) { SetText(text, text); }
    // Shows `shown` (a shortened form of text) while GetText gives text.
    void SetText(const QString& text, const QString& shown);
    QString GetText() const;

protected:
    // The selection as plain text, a long line's pieces joined again.
    QMimeData* createMimeDataFromSelection() const override;

private:
    QString WithoutPieceBreaks(QString text) const;

    QString m_strSet;         // the text last set, with its own line ends
    QString m_strShown;       // what SetText showed for it
    bool m_bShowsSet = false; // the document holds m_strShown as SetText left it, unchanged
    bool m_bInPieces = false; // a line of it is shown cut into pieces
};
