#include "UniformListView.h"

#include "RowDelegate.h"
#include "TestSeams.h"
#include "ToolTip.h"

#include <QAccessible>
#include <QCursor>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QToolTip>

#include <algorithm>
#include <climits>
#include <cmath>

CUniformListView::CUniformListView(QWidget* parent) : QListView(parent) {
    setUniformItemSizes(true);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextElideMode(Qt::ElideRight);
    setItemDelegate(new CRowDelegate(this));
}

int CUniformListView::RowCount() const {
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int CUniformListView::RowHeight() const {
    if (m_nRowHeight == 0 && RowCount() > 0) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        const QModelIndex first = model()->index(0, 0, rootIndex());
        // The first row may be empty or Latin only, and the font may take Hangul from another,
        // taller font: every row gets room for a line that mixes both.
        QTextLayout probe(QStringLiteral("가Ag"), option.font);
        probe.beginLayout();
        const QTextLine line = probe.createLine();
        probe.endLayout();
        const int mixed = static_cast<int>(std::ceil(line.height()));
        const int firstRow = itemDelegateForIndex(first)->sizeHint(option, first).height();
        m_nRowHeight = std::max({firstRow, option.fontMetrics.height(),
                                 firstRow - option.fontMetrics.height() + mixed, 1});
    }
    return m_nRowHeight;
}

int CUniformListView::TopRow() const {
    return verticalScrollBar()->value();
}

int CUniformListView::RowsPerPage() const {
    const int height = RowHeight();
    return height > 0 ? std::max(1, viewport()->height() / height) : 1;
}

int CUniformListView::RowAtY(int y) const {
    const int height = RowHeight();
    if (height == 0 || y < 0)
        return -1;
    const qint64 row = qint64(TopRow()) + y / height;
    return row < RowCount() ? static_cast<int>(row) : -1;
}

QRect CUniformListView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.parent() != rootIndex() || index.column() != 0)
        return {};
    const int height = RowHeight();
    const qint64 y = (qint64(index.row()) - TopRow()) * height;
    // Rows far off the viewport only need to be far off: clamp instead of overflowing.
    const int top = static_cast<int>(std::clamp<qint64>(y, -(INT_MAX / 2), INT_MAX / 2));
    return QRect(0, top, viewport()->width(), height);
}

void CUniformListView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid() || index.parent() != rootIndex())
        return;
    const int row = index.row();
    const int page = RowsPerPage();
    int top = TopRow();
    switch (hint) {
    case EnsureVisible:
        if (row < top)
            top = row;
        else if (row >= top + page)
            top = row - page + 1;
        break;
    case PositionAtTop:
        top = row;
        break;
    case PositionAtBottom:
        top = row - page + 1;
        break;
    case PositionAtCenter:
        top = row - page / 2;
        break;
    }
    verticalScrollBar()->setValue(top); // the scroll bar keeps it within its range
}

QModelIndex CUniformListView::indexAt(const QPoint& point) const {
    if (point.x() < 0 || point.x() >= viewport()->width())
        return {};
    const int row = RowAtY(point.y());
    return row < 0 ? QModelIndex() : model()->index(row, 0, rootIndex());
}

QModelIndex CUniformListView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int count = RowCount();
    if (count == 0)
        return {};
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return model()->index(0, 0, rootIndex());
    qint64 row = current.row();
    switch (action) {
    case MoveUp:
    case MovePrevious:
        --row;
        break;
    case MoveDown:
    case MoveNext:
        ++row;
        break;
    // A page on, the row that was last shown comes first: one row stays in sight.
    case MovePageUp:
        row -= std::max(1, RowsPerPage() - 1);
        break;
    case MovePageDown:
        row += std::max(1, RowsPerPage() - 1);
        break;
    case MoveHome:
        row = 0;
        break;
    case MoveEnd:
        row = count - 1;
        break;
    case MoveLeft:
    case MoveRight:
        break;
    }
    return model()->index(static_cast<int>(std::clamp<qint64>(row, 0, count - 1)), 0, rootIndex());
}

int CUniformListView::horizontalOffset() const {
    return 0;
}

int CUniformListView::verticalOffset() const {
    const qint64 offset = qint64(TopRow()) * RowHeight();
    return static_cast<int>(std::min<qint64>(offset, INT_MAX / 2));
}

bool CUniformListView::isIndexHidden(const QModelIndex&) const {
    return false;
}

void CUniformListView::setSelection(const QRect& rect,
                                    QItemSelectionModel::SelectionFlags command) {
    const QRect rows = rect.normalized();
    const int count = RowCount();
    const int height = RowHeight();
    QItemSelection selection;
    if (count > 0 && height > 0) {
        // Rows above or below the viewport count when a drag goes past its edge.
        const qint64 top =
            std::max<qint64>(0, qint64(TopRow()) + rows.top() / height - (rows.top() < 0 ? 1 : 0));
        const qint64 bottom =
            std::min<qint64>(count - 1, qint64(TopRow()) + rows.bottom() / height);
        if (top <= bottom)
            selection.select(model()->index(static_cast<int>(top), 0, rootIndex()),
                             model()->index(static_cast<int>(bottom), 0, rootIndex()));
    }
    selectionModel()->select(selection, command);
}

QRegion CUniformListView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const int first = TopRow();
    const int last = first + RowsPerPage();
    for (const QItemSelectionRange& range : selection) {
        if (range.parent() != rootIndex())
            continue;
        const int top = std::max(range.top(), first);
        const int bottom = std::min(range.bottom(), last);
        if (top <= bottom)
            region += visualRect(model()->index(top, 0, rootIndex()))
                          .united(visualRect(model()->index(bottom, 0, rootIndex())));
    }
    return region;
}

void CUniformListView::updateGeometries() {
    const int page = RowsPerPage();
    verticalScrollBar()->setRange(0, std::max(0, RowCount() - page));
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setSingleStep(1);
    QAbstractItemView::updateGeometries(); // not the list view's: its ranges come from its layout
}

void CUniformListView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const int height = RowHeight();
    const QRect area = event->rect();
    const int first = RowAtY(area.top());
    if (height > 0 && first >= 0) {
        const int last = static_cast<int>(
            std::min<qint64>(RowCount() - 1, qint64(TopRow()) + area.bottom() / height));
        PaintRows(painter, first, last);
    }
    // The focus is seen without a selection and whatever the style shows of the current row.
    if (hasFocus()) {
        const int width = 2;
        painter.setPen(QPen(palette().color(QPalette::Highlight), width));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(viewport()->rect())
                             .adjusted(width / 2.0, width / 2.0, -width / 2.0, -width / 2.0));
    }
}

void CUniformListView::PaintRows(QPainter& painter, int first, int last) {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.showDecorationSelected = true; // the whole row shows the selection
    const QModelIndex current = currentIndex();
    const bool focused = hasFocus() || viewport()->hasFocus();
    const bool enabled = isEnabled();
    const QPalette::ColorGroup group = !enabled           ? QPalette::Disabled
                                       : isActiveWindow() ? QPalette::Active
                                                          : QPalette::Inactive;
    // The view draws the row under the mouse as hovered; the base class repaints the rows the
    // mouse enters and leaves.
    const int hovered = viewport()->testAttribute(Qt::WA_UnderMouse)
                            ? RowAtY(viewport()->mapFromGlobal(QCursor::pos()).y())
                            : -1;
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        QStyleOptionViewItem rowOption = option;
        rowOption.rect = visualRect(index);
        rowOption.palette.setCurrentColorGroup(group);
        rowOption.state.setFlag(QStyle::State_Enabled, enabled);
        rowOption.state.setFlag(QStyle::State_Selected, selectionModel()->isSelected(index));
        rowOption.state.setFlag(QStyle::State_HasFocus, focused && index == current);
        rowOption.state.setFlag(QStyle::State_MouseOver, row == hovered);
        itemDelegateForIndex(index)->paint(&painter, rowOption, index);
    }
}

bool CUniformListView::IsElided(const QModelIndex& index) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(index);
    option.text = index.data(Qt::DisplayRole).toString();
    option.features |= QStyleOptionViewItem::HasDisplay;
    // The room the style leaves the text, less the margins it draws the text within.
    const QRect text = style()->subElementRect(QStyle::SE_ItemViewItemText, &option, this);
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return QFontMetricsF(option.font).horizontalAdvance(option.text) > text.width() - 2 * margin;
}

bool CUniformListView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QListView::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    if (index.isValid() && IsElided(index))
        QToolTip::showText(help->globalPos(), PlainToolTip(index.data().toString()), viewport(),
                           visualRect(index));
    else
        QToolTip::hideText();
    return true;
}

void CUniformListView::focusInEvent(QFocusEvent* event) {
    QListView::focusInEvent(event);
    viewport()->update();
}

void CUniformListView::focusOutEvent(QFocusEvent* event) {
    QListView::focusOutEvent(event);
    viewport()->update();
}

void CUniformListView::doItemsLayout() {
    updateGeometries();
    viewport()->update();
}

void CUniformListView::scrollContentsBy(int, int) {
    viewport()->update();
}

namespace {

// Interfaces for assistive tools are made, and kept up to date, only while one listens: an
// event while none does would make one that then misses the list's resets.
void Announce(QObject* view, QAccessible::Event type, int child) {
    const bool listened = QAccessible::isActive();
    if (!listened && !AccessibleEventSeam())
        return;
    QAccessibleEvent event(view, type);
    event.setChild(child);
    if (AccessibleEventSeam())
        AccessibleEventSeam()(event);
    if (listened)
        QAccessible::updateAccessibility(&event);
}

} // namespace

// The list view tells assistive tools which item got the focus or the selection by its own
// layout, which this view doesn't keep; here an item's place among the list's children is its
// row.
void CUniformListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    if (current.isValid() && hasFocus())
        Announce(this, QAccessible::Focus, current.row());
    QAbstractItemView::currentChanged(current, previous);
}

void CUniformListView::selectionChanged(const QItemSelection& selected,
                                        const QItemSelection& deselected) {
    if (!selected.isEmpty() && selected.first().parent() == rootIndex())
        Announce(this, QAccessible::SelectionAdd, selected.first().top());
    if (!deselected.isEmpty() && deselected.first().parent() == rootIndex())
        Announce(this, QAccessible::SelectionRemove, deselected.first().top());
    QAbstractItemView::selectionChanged(selected, deselected);
}

void CUniformListView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_nRowHeight = 0;
        updateGeometries();
        // Rows of another height: the current one stays in sight.
        if (currentIndex().isValid())
            scrollTo(currentIndex());
    }
    QListView::changeEvent(event);
}

void CUniformListView::reset() {
    m_nRowHeight = 0;
    QListView::reset();
    updateGeometries();
    viewport()->update();
}

void CUniformListView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QListView::rowsInserted(parent, start, end);
    if (parent != rootIndex())
        return;
    if (start == 0)
        m_nRowHeight = 0; // a new first row to measure
    updateGeometries();
    viewport()->update();
}
