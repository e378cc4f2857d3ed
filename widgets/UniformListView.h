#pragma once
// A list of rows of one height, for the drop-down of a list of any length:
// it never measures or lays out the rows, it places them by arithmetic and
// paints only those on screen, so a list of two thousand million rows opens
// as fast as one of ten. The scroll bar counts rows, not pixels.
#include <QAbstractItemView>

class UniformListView : public QAbstractItemView {
    Q_OBJECT
public:
    explicit UniformListView(QWidget* parent = nullptr);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    int topRow() const;   // the first row on screen

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override { return 0; }
    int verticalOffset() const override { return 0; }   // the rows are placed relative to the screen
    bool isIndexHidden(const QModelIndex&) const override { return false; }
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* e) override;

private:
    int rows() const;
    int rowHeight() const;
    int rowsOnScreen() const;   // whole rows that fit, at least 1
    void updateScrollRange();
};
