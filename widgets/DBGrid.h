#pragma once
// A read-only grid over a record set: one column per visible field, in field
// order, titled with its label and as wide as its display width; whole-row
// selection following the record set's current row both ways; a row
// indicator; title clicks reported by field name; every cell painted through
// an optional handler that may change its colours, font and text.
#include <QAbstractTableModel>
#include <QColor>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>

class RecordSet;

struct GridCell {
    int pos = -1;            // 0-based position of the row in the current order
    int field = -1;          // field index in the record set
    QString fieldName;
    bool selected = false;   // a cell of the current row
    bool focused = false;    // the grid's focused cell
    bool titleMarked = false; // the column's title carries the sort mark
    QColor background;       // set by the handler; invalid = normal
    QColor textColor;
    bool bold = false;
    QString text;            // the value's text; the handler may replace it
    QColor mark;             // a corner mark drawn over the cell (invalid: none)
    QString toolTip;         // shown when the pointer rests on the cell
};

class RecordSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordSetModel(QObject* parent = nullptr);
    void setRecordSet(RecordSet* rs);
    RecordSet* recordSet() const { return m_rs; }
    int fieldOfColumn(int col) const { return col >= 0 && col < m_fields.size() ? m_fields[col] : -1; }
    int columnOfField(const QString& name) const;
    void setTitleColor(int col, const QColor& c);
    QColor titleColor(int col) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    void resetRows();

private:
    RecordSet* m_rs = nullptr;
    QList<int> m_fields;
    QList<QColor> m_titleColors;
    QList<QMetaObject::Connection> m_conns;
};

class DBGrid : public QTableView {
    Q_OBJECT
public:
    using DrawHandler = std::function<void(GridCell&)>;

    explicit DBGrid(QWidget* parent = nullptr);
    void setRecordSet(RecordSet* rs);
    RecordSet* recordSet() const { return m_model.recordSet(); }
    RecordSetModel* gridModel() { return &m_model; }
    void setDrawHandler(DrawHandler h) { m_draw = std::move(h); viewport()->update(); }

    // Sort mark: the title colour of a column (by field name).
    void setTitleColor(const QString& fieldName, const QColor& c);
    QColor titleColor(const QString& fieldName) const;
    void clearTitleColors();                 // every title back to the button face
    QString columnFieldName(int col) const;
    int columnOf(const QString& fieldName) const { return m_model.columnOfField(fieldName); }

    // What a cell of a visible row looks like: the decisions the painting makes.
    GridCell cellAt(int pos, const QString& fieldName) const;
    void applyWidths();

signals:
    void titleClicked(const QString& fieldName);
    void rowDoubleClicked();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    bool viewportEvent(QEvent* e) override;

private:
    friend class DBGridDelegate;
    void followRecordSet();
    GridCell makeCell(int pos, int col, bool focusedCell) const;

    RecordSetModel m_model;
    DrawHandler m_draw;
    bool m_syncing = false;
    QList<QMetaObject::Connection> m_conns;
};
