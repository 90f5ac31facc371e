#pragma once

#include <QStyledItemDelegate>

// Draws a list row as the styled delegate does, with its text laid out once: the styled
// delegate lays every row's text out to size it and again to draw it, most of what painting a
// list costs. The style draws the row's background, selection and focus; a line that fits is
// drawn from the one layout, and only a line too wide for the row is measured again to be cut
// short. Rows of more than one line, or with an icon or a check box, are the style's alone.
class CRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
