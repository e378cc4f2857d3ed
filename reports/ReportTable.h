#pragma once
// A report: a titled table of typed columns, and the ways it leaves the
// program (CSV text, a workbook, a printed page) or is shown in a window.
// Numbers and dates are written the Russian way whatever the locale.
#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QVariant>

class QImage;
class QWidget;

namespace reports {

struct Column {
    QString title;
    // Month: a month held as a date in it, shown as 12.2026.
    enum Kind { Text, Integer, Real, Date, Month } kind = Text;
};

struct Table {
    QString title;                 // e.g. "Что заказать"
    QList<Column> columns;
    QList<QVariantList> rows;      // one QVariant per column (null = empty cell)
};

// The text of one cell as every output shows it: "12", "2,5", "31.12.2026";
// empty for a null value.
QString cellText(const Column& c, const QVariant& v);

// UTF-8, ';'-separated, a header row, numbers and dates the Russian way,
// fields quoted when needed (a ';', a quote, a line break, or blanks at
// either end). Lines end with CR LF, as spreadsheets expect.
QString csvText(const Table& t);

// A workbook with the table on sheet 1 (the title in row 1, the column
// titles in row 2, one row per table row; numbers as numbers, dates as
// dates) and, when chart is not null, the picture on a second sheet
// "Диаграмма". False with *error on failure (no file is left then).
bool writeXlsx(const Table& t, const QString& path, QString* error, const QImage* chart = nullptr);

// The title and the table as HTML, for a QTextDocument to print.
QString printHtml(const Table& t);

// Qt's print preview of the table (and an optional chart picture below it);
// the system's printer dialog gives a PDF. Modal, through Dialogs.
void printPreview(QWidget* parent, const Table& t, const QImage* chart = nullptr);

// Writes the workbook into a new export folder (as the page export does)
// and hands it to the spreadsheet program; tells the person when that
// fails or no program takes the file. The file's path, or empty on failure.
// tempFolder: where the export folder goes (the system's temporary folder
// when empty).
QString openAsWorkbook(QWidget* parent, const Table& t, const QImage* chart = nullptr,
                       const QString& tempFolder = QString());

// A table shown in a view. A click on a column title orders the rows by that
// column, ascending, the columns to its right (then left) breaking ties, as
// the other grids order theirs; texts in the storekeeper's order.
class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TableModel(QObject* parent = nullptr);
    void setTable(const Table& t);
    const Table& table() const { return m_table; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Any order asked for is ascending (the grids' title click).
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return m_sortColumn; }

private:
    Table m_table;
    int m_sortColumn = -1;
};

// Orders the rows of t by column, ascending, ties broken by the other
// columns from left to right; stable.
void sortRows(Table& t, int column);

} // namespace reports
