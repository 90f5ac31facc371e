#include "RowDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QTextLayout>

namespace {

// The pen the style writes an item's text with.
QColor TextColor(const QStyleOptionViewItem& item) {
    QPalette::ColorGroup group =
        item.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(item.state & QStyle::State_Active))
        group = QPalette::Inactive;
    return item.palette.color(group, item.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                         : QPalette::Text);
}

// One line of text in room, placed as the style places it, cut short if it is too wide.
void DrawLine(QPainter& painter, const QStyleOptionViewItem& item, const QString& text,
              const QRect& room) {
    QTextOption layoutOption;
    layoutOption.setWrapMode(QTextOption::ManualWrap);
    layoutOption.setTextDirection(item.direction);
    const Qt::Alignment alignment = QStyle::visualAlignment(item.direction, item.displayAlignment);
    layoutOption.setAlignment(alignment);
    QTextLayout layout(text, item.font);
    layout.setTextOption(layoutOption);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(room.width());
    layout.endLayout();
    // The layout places the line across the room; the row places it up and down.
    const QRect place = QStyle::alignedRect(item.direction, alignment,
                                            QSize(room.width(), int(line.height())), room);
    if (line.naturalTextWidth() <= room.width()) {
        layout.draw(&painter, place.topLeft());
        return;
    }
    const QString elided =
        QFontMetrics(item.font).elidedText(text, item.textElideMode, room.width());
    painter.drawText(QPointF(place.left() + line.x(), place.top() + line.ascent()), elided);
}

} // namespace

void CRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    // Text of more than one line, or with a decoration or check box beside it, is the
    // style's to place.
    constexpr QStyleOptionViewItem::ViewItemFeatures kStyles =
        QStyleOptionViewItem::WrapText | QStyleOptionViewItem::HasCheckIndicator |
        QStyleOptionViewItem::HasDecoration;
    if ((item.features & kStyles) || item.text.contains(QChar::LineSeparator)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QWidget* widget = item.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const QString text = item.text;
    item.text.clear(); // the style draws the row without it: background, selection, focus
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    if (text.isEmpty())
        return;
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect room = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget)
                           .adjusted(margin, 0, -margin, 0);
    painter->save();
    painter->setPen(TextColor(item));
    painter->setFont(item.font);
    painter->setClipRect(item.rect, Qt::IntersectClip);
    DrawLine(*painter, item, text, room);
    painter->restore();
}
