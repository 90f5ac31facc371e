#pragma once

#include <QListView>

class QPainter;

// A one-column list view whose rows all have the height of the first. Where the list view lays
// out every row and keeps its position (a million rows cost tens of milliseconds and 4 to 8
// bytes each), this one finds a row and its place by arithmetic: row = top row + y / height.
// It derives from the list view for what users and assistive tools see (its style, its
// accessible list of items) and replaces all of its layout. Rows wider than the view are
// elided, not scrolled to; such a row shows its whole text as its tooltip. While the view has
// the keyboard focus a frame in the highlight colour runs round it.
class CUniformListView : public QListView {
    Q_OBJECT
public:
    explicit CUniformListView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;

    // The height every row has; 0 while there is no row to measure.
    int RowHeight() const;

    // Nothing to lay out: brings the scroll range up to date and redraws.
    void doItemsLayout() override;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void paintEvent(QPaintEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    void reset() override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;

private:
    int RowCount() const;
    // The first row shown, at the viewport's top: the scroll bar counts rows, not pixels, so
    // no row's place overflows whatever the count.
    int TopRow() const;
    // The row at a viewport's y, or -1 when y is above the rows or below the last.
    int RowAtY(int y) const;
    // Whole rows the viewport shows; at least 1.
    int RowsPerPage() const;
    void PaintRows(QPainter& painter, int first, int last);
    // Whether the row's text is cut short to fit the view.
    bool IsElided(const QModelIndex& index) const;

    mutable int m_nRowHeight = 0; // measured from the first row on demand; 0 = not yet
};
