#include "DBGrid.h"

#include "RecordSet.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QHelpEvent>
#include <algorithm>
#include <QToolTip>

// ---------------------------------------------------------------------------

RecordSetModel::RecordSetModel(QObject* parent) : QAbstractTableModel(parent) {}

void RecordSetModel::setRecordSet(RecordSet* rs)
{
    beginResetModel();
    for (const auto& c : m_conns)
        disconnect(c);
    m_conns.clear();
    m_rs = rs;
    m_fields.clear();
    if (rs) {
        for (int i = 0; i < rs->fieldCount(); ++i)
            if (rs->fieldDef(i).visible)
                m_fields << i;
        m_conns << connect(rs, &RecordSet::layoutReset, this, &RecordSetModel::resetRows)
                << connect(rs, &RecordSet::rowInserted, this, &RecordSetModel::resetRows)
                << connect(rs, &RecordSet::rowRemoved, this, &RecordSetModel::resetRows)
                << connect(rs, &RecordSet::rowChanged, this, [this](int pos) {
                       if (pos >= 0 && pos < rowCount())
                           emit dataChanged(index(pos, 0), index(pos, columnCount() - 1));
                   });
    }
    m_titleColors = QList<QColor>(m_fields.size());
    endResetModel();
}

void RecordSetModel::resetRows()
{
    beginResetModel();
    endResetModel();
}

int RecordSetModel::columnOfField(const QString& name) const
{
    if (!m_rs)
        return -1;
    for (int c = 0; c < m_fields.size(); ++c)
        if (m_rs->fieldDef(m_fields[c]).name.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

void RecordSetModel::setTitleColor(int col, const QColor& c)
{
    if (col < 0 || col >= m_titleColors.size())
        return;
    m_titleColors[col] = c;
    emit headerDataChanged(Qt::Horizontal, col, col);
}

QColor RecordSetModel::titleColor(int col) const
{
    if (col >= 0 && col < m_titleColors.size() && m_titleColors[col].isValid())
        return m_titleColors[col];
    return QApplication::palette().color(QPalette::Button);
}

int RecordSetModel::rowCount(const QModelIndex& parent) const
{
    return (parent.isValid() || !m_rs) ? 0 : m_rs->recordCount();
}

int RecordSetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_fields.size());
}

QVariant RecordSetModel::data(const QModelIndex& index, int role) const
{
    if (!m_rs || !index.isValid())
        return QVariant();
    const int f = m_fields[index.column()];
    if (role == Qt::DisplayRole)
        return m_rs->textAt(index.row(), f);
    if (role == Qt::TextAlignmentRole) {
        const FieldType t = m_rs->fieldDef(f).type;
        return (t == FieldType::Integer || t == FieldType::Float) ? int(Qt::AlignRight | Qt::AlignVCenter)
                                                                 : int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return QVariant();
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (!m_rs)
        return QVariant();
    if (o == Qt::Horizontal) {
        if (section < 0 || section >= m_fields.size())
            return QVariant();
        if (role == Qt::DisplayRole)
            return m_rs->fieldDef(m_fields[section]).displayLabel();
        if (role == Qt::BackgroundRole)
            return titleColor(section);
        return QVariant();
    }
    if (role == Qt::DisplayRole)
        return section == m_rs->recNo() - 1 ? QStringLiteral("▶") : QString();
    return QVariant();
}

// ---------------------------------------------------------------------------

class DBGridDelegate : public QStyledItemDelegate {
public:
    explicit DBGridDelegate(DBGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter* p, const QStyleOptionViewItem& opt, const QModelIndex& index) const override
    {
        const bool focusedCell = m_grid->hasFocus() && m_grid->currentIndex() == index;
        GridCell cell = m_grid->makeCell(index.row(), index.column(), focusedCell);
        if (m_grid->m_draw)
            m_grid->m_draw(cell);
        p->save();
        p->fillRect(opt.rect, cell.background);
        QFont font = opt.font;
        font.setBold(cell.bold);
        p->setFont(font);
        p->setPen(cell.textColor);
        const int align = index.data(Qt::TextAlignmentRole).toInt();
        const QRect r = opt.rect.adjusted(5, 0, -4, 0);
        const QString text = p->fontMetrics().elidedText(cell.text, Qt::ElideRight, r.width());
        p->drawText(r, align, text);
        if (cell.mark.isValid()) {
            // A triangle in the cell's top left corner.
            const int m = std::min(9, opt.rect.height() / 2);
            const QPoint c = opt.rect.topLeft();
            const QPoint tri[3] = {c, c + QPoint(m, 0), c + QPoint(0, m)};
            p->setPen(Qt::NoPen);
            p->setBrush(cell.mark);
            p->drawPolygon(tri, 3);
        }
        p->restore();
    }

private:
    DBGrid* m_grid;
};

// The row indicator column: as wide as its one mark, whatever the number of
// rows (a header measuring its sections' contents would read hundreds of
// them at every change of the list).
class IndicatorHeader : public QHeaderView {
public:
    explicit IndicatorHeader(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {}
    QSize sizeHint() const override
    {
        return QSize(std::max(minimumWidth(), fontMetrics().horizontalAdvance(QStringLiteral("▶")) + 12),
                     defaultSectionSize());
    }
};

// ---------------------------------------------------------------------------

DBGrid::DBGrid(QWidget* parent) : QTableView(parent)
{
    setVerticalHeader(new IndicatorHeader(this));
    setModel(&m_model);
    setItemDelegate(new DBGridDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumWidth(14);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int col) {
        const QString name = columnFieldName(col);
        if (!name.isEmpty())
            emit titleClicked(name);
    });
}

void DBGrid::setRecordSet(RecordSet* rs)
{
    for (const auto& c : m_conns)
        disconnect(c);
    m_conns.clear();
    m_model.setRecordSet(rs);
    if (rs) {
        m_conns << connect(rs, &RecordSet::afterScroll, this, &DBGrid::followRecordSet)
                << connect(rs, &RecordSet::layoutReset, this, &DBGrid::followRecordSet)
                << connect(rs, &RecordSet::stateChanged, this, [this] {
                       // A closed (and so reopened) record set is back in its own
                       // order: no title keeps the sort mark.
                       if (!recordSet()->isOpen())
                           clearTitleColors();
                       followRecordSet();
                   });
    }
    applyWidths();
    followRecordSet();
}

void DBGrid::applyWidths()
{
    RecordSet* rs = recordSet();
    if (!rs)
        return;
    // A column is as wide as its field's display width, but never narrower
    // than its title: a title is always read in full.
    const int cw = fontMetrics().averageCharWidth();
    const QFontMetrics titles = horizontalHeader()->fontMetrics();
    for (int c = 0; c < m_model.columnCount(); ++c) {
        const FieldDef& f = rs->fieldDef(m_model.fieldOfColumn(c));
        setColumnWidth(c, std::max(f.displayWidth() * cw + 10, titles.horizontalAdvance(f.displayLabel()) + 14));
    }
}

QString DBGrid::columnFieldName(int col) const
{
    const int f = m_model.fieldOfColumn(col);
    return f >= 0 ? recordSet()->fieldDef(f).name : QString();
}

void DBGrid::setTitleColor(const QString& fieldName, const QColor& c)
{
    m_model.setTitleColor(m_model.columnOfField(fieldName), c);
}

QColor DBGrid::titleColor(const QString& fieldName) const
{
    return m_model.titleColor(m_model.columnOfField(fieldName));
}

void DBGrid::clearTitleColors()
{
    for (int c = 0; c < m_model.columnCount(); ++c)
        m_model.setTitleColor(c, QColor());
}

GridCell DBGrid::makeCell(int pos, int col, bool focusedCell) const
{
    GridCell cell;
    RecordSet* rs = recordSet();
    cell.pos = pos;
    cell.field = m_model.fieldOfColumn(col);
    cell.fieldName = rs && cell.field >= 0 ? rs->fieldDef(cell.field).name : QString();
    cell.selected = rs && pos == rs->recNo() - 1;
    cell.focused = focusedCell;
    const QColor mark = m_model.titleColor(col);
    cell.titleMarked = mark != QApplication::palette().color(QPalette::Button);
    const QPalette pal = palette();
    cell.background = pal.color(QPalette::Base);
    cell.textColor = pal.color(QPalette::Text);
    if (cell.selected) {
        cell.background = pal.color(QPalette::Highlight);
        cell.textColor = pal.color(QPalette::HighlightedText);
    }
    cell.text = rs && cell.field >= 0 ? rs->textAt(pos, cell.field) : QString();
    return cell;
}

bool DBGrid::viewportEvent(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* he = static_cast<QHelpEvent*>(e);
        const QModelIndex index = indexAt(he->pos());
        QString tip;
        if (index.isValid() && m_draw) {
            GridCell cell = makeCell(index.row(), index.column(), false);
            m_draw(cell);
            tip = cell.toolTip;
        }
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(he->globalPos(), tip, viewport(), visualRect(index));
        return true;
    }
    return QTableView::viewportEvent(e);
}

GridCell DBGrid::cellAt(int pos, const QString& fieldName) const
{
    GridCell cell = makeCell(pos, m_model.columnOfField(fieldName), false);
    if (m_draw)
        m_draw(cell);
    return cell;
}

void DBGrid::followRecordSet()
{
    RecordSet* rs = recordSet();
    if (!rs || m_syncing)
        return;
    m_syncing = true;
    const int row = rs->recNo() - 1;
    if (row >= 0 && row < m_model.rowCount()) {
        const int col = std::max(0, currentIndex().column());
        const QModelIndex idx = m_model.index(row, std::min(col, m_model.columnCount() - 1));
        if (idx.isValid()) {
            setCurrentIndex(idx);
            scrollTo(idx);
        }
    } else {
        setCurrentIndex(QModelIndex());
    }
    emit m_model.headerDataChanged(Qt::Vertical, 0, std::max(0, m_model.rowCount() - 1));
    viewport()->update();
    m_syncing = false;
}

void DBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    RecordSet* rs = recordSet();
    if (m_syncing || !rs || !current.isValid())
        return;
    if (current.row() != rs->recNo() - 1) {
        m_syncing = true;
        rs->setRecNo(current.row() + 1);
        m_syncing = false;
        emit m_model.headerDataChanged(Qt::Vertical, 0, std::max(0, m_model.rowCount() - 1));
        viewport()->update();
    }
}

void DBGrid::mouseDoubleClickEvent(QMouseEvent* e)
{
    QTableView::mouseDoubleClickEvent(e);
    if (indexAt(e->position().toPoint()).isValid())
        emit rowDoubleClicked();
}
