#pragma once

#include "Edit.h"

// The item's title on one line. While the user works in it, it holds the whole text; otherwise
// a title set with SetTitle that is wider than the field is cut short with "…" and shown whole
// in its tooltip. GetText gives the whole title either way.
class CTitleEdit : public CEdit {
    Q_OBJECT
public:
    explicit CTitleEdit(QWidget* parent = nullptr);

    // Shows text, cut short at once when the field has no focus: a title of a megabyte is
    // never laid out whole unless the user goes to it.
    void SetTitle(const QString& text);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Another font: one line of it high, and cut short anew.
    void changeEvent(QEvent* event) override;

private:
    // Shows text as the document without touching the text GetText gives back.
    void Show(const QString& text);
    // The title cut short to fit, or a null string when it fits whole.
    QString Elided(const QString& title) const;
    void Elide();
    void FitHeight();

    bool m_bElided = false; // the document shows the title cut short
};
