#include "UniformListView.h"

#include <QPainter>
#include <QScrollBar>
#include <algorithm>

UniformListView::UniformListView(QWidget* parent) : QAbstractItemView(parent)
{
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(SingleSelection);
}

int UniformListView::rows() const
{
    return model() ? model()->rowCount(rootIndex()) : 0;
}

int UniformListView::rowHeight() const
{
    if (rows() == 0)
        return std::max(1, fontMetrics().height());
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QModelIndex first = model()->index(0, 0, rootIndex());
    return std::max(1, itemDelegateForIndex(first)->sizeHint(option, first).height());
}

int UniformListView::rowsOnScreen() const
{
    return std::max(1, viewport()->height() / rowHeight());
}

int UniformListView::topRow() const
{
    return verticalScrollBar()->value();
}

void UniformListView::updateScrollRange()
{
    const int vis = rowsOnScreen();
    QScrollBar* bar = verticalScrollBar();
    bar->setSingleStep(1);
    bar->setPageStep(vis);
    bar->setRange(0, std::max(0, rows() - vis));
    horizontalScrollBar()->setRange(0, 0);
}

void UniformListView::updateGeometries()
{
    updateScrollRange();
    QAbstractItemView::updateGeometries();
}

void UniformListView::scrollContentsBy(int, int)
{
    viewport()->update();   // the bar counts rows: every row on screen changes
}

QRect UniformListView::visualRect(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != model())
        return QRect();
    const int h = rowHeight();
    // Rows far off the screen stay far off, without overflowing.
    const qint64 y = std::clamp<qint64>(qint64(index.row() - qint64(topRow())) * h, -(1 << 24), 1 << 24);
    return QRect(0, int(y), viewport()->width(), h);
}

QModelIndex UniformListView::indexAt(const QPoint& point) const
{
    if (point.y() < 0 || point.x() < 0 || point.x() >= viewport()->width())
        return QModelIndex();
    const qint64 row = qint64(topRow()) + point.y() / rowHeight();
    if (row >= rows())
        return QModelIndex();
    return model()->index(int(row), 0, rootIndex());
}

void UniformListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (!index.isValid())
        return;
    updateScrollRange();   // as the rows and the height now are
    const qint64 row = index.row(), top = topRow(), vis = rowsOnScreen();
    qint64 newTop = top;
    switch (hint) {
    case EnsureVisible:
        if (row < top)
            newTop = row;
        else if (row >= top + vis)
            newTop = row - vis + 1;
        break;
    case PositionAtTop: newTop = row; break;
    case PositionAtBottom: newTop = row - vis + 1; break;
    case PositionAtCenter: newTop = row - vis / 2; break;
    }
    verticalScrollBar()->setValue(int(std::clamp<qint64>(newTop, 0, verticalScrollBar()->maximum())));
}

QModelIndex UniformListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers)
{
    const int n = rows();
    if (n == 0)
        return QModelIndex();
    const QModelIndex current = currentIndex();
    qint64 row = current.isValid() ? current.row() : -1;
    switch (cursorAction) {
    case MoveUp:
    case MovePrevious: row = row < 0 ? 0 : row - 1; break;
    case MoveDown:
    case MoveNext: ++row; break;
    case MovePageUp: row -= rowsOnScreen(); break;
    case MovePageDown: row += rowsOnScreen(); break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = n - 1; break;
    default: break;
    }
    return model()->index(int(std::clamp<qint64>(row, 0, n - 1)), 0, rootIndex());
}

void UniformListView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command)
{
    const int n = rows();
    if (n == 0 || !selectionModel())
        return;
    const int h = rowHeight();
    auto rowAt = [&](int y) {
        const qint64 r = qint64(topRow()) + (y < 0 ? -1 - (-1 - y) / h : y / h);
        return int(std::clamp<qint64>(r, 0, n - 1));
    };
    const QRect r = rect.normalized();
    const QItemSelection selection(model()->index(rowAt(r.top()), 0, rootIndex()),
                                   model()->index(rowAt(r.bottom()), 0, rootIndex()));
    selectionModel()->select(selection, command);
}

QRegion UniformListView::visualRegionForSelection(const QItemSelection& selection) const
{
    QRegion region;
    const qint64 top = topRow(), last = top + rowsOnScreen();
    const int h = rowHeight();
    for (const QItemSelectionRange& range : selection) {
        if (range.parent() != rootIndex())
            continue;
        const qint64 first = std::max<qint64>(range.top(), top), end = std::min<qint64>(range.bottom(), last);
        if (first <= end)
            region += QRect(0, int((first - top) * h), viewport()->width(), int((end - first + 1) * h));
    }
    return region;
}

void UniformListView::paintEvent(QPaintEvent*)
{
    const int n = rows();
    if (n == 0)
        return;
    QPainter painter(viewport());
    QStyleOptionViewItem base;
    initViewItemOption(&base);
    const int h = rowHeight(), width = viewport()->width(), height = viewport()->height();
    const QModelIndex current = currentIndex();
    for (qint64 row = topRow(), y = 0; row < n && y < height; ++row, y += h) {
        const QModelIndex index = model()->index(int(row), 0, rootIndex());
        QStyleOptionViewItem option = base;
        option.rect = QRect(0, int(y), width, h);
        if (selectionModel() && selectionModel()->isSelected(index))
            option.state |= QStyle::State_Selected;
        if (index == current && hasFocus())
            option.state |= QStyle::State_HasFocus;
        if (!(model()->flags(index) & Qt::ItemIsEnabled))
            option.state &= ~QStyle::State_Enabled;
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}
