#pragma once
// How every list of the program orders itself by a click on a column title
// and paints its cells: the sort mark on the title, the sort column silver
// and bold, even rows money green, the current row highlighted, and the
// stock flag read as "БУ" or "Новый".
#include <QColor>
#include <QHash>
#include <QString>

class DBGrid;
struct GridCell;

namespace GridLook {

inline QColor sortMarkColor() { return QColor(255, 255, 0); }
inline QColor sortColumnColor() { return QColor(192, 192, 192); }
inline QColor evenRowColor() { return QColor(192, 220, 192); }
inline QColor noStockTextColor() { return QColor(255, 0, 0); }

// Sort texts set by a click on a title, by field name in lower case.
using SortOrders = QHash<QString, QString>;

// A click on the title of fieldName: every title back to the button face,
// the list sorted by the column's text (a column without one keeps the
// order), the clicked title yellow, the same row current as before.
void titleClick(DBGrid* grid, const QString& fieldName, const SortOrders& orders);

// The colours and font of one cell, each step overriding the earlier:
// the sort column silver and bold, red text for a tool without stock
// (noStock), money green on even rows, the current row highlighted with
// white text. The sort column and the green stay off the current row.
void paintCell(DBGrid* grid, GridCell& cell, bool noStock = false);

// In the column of the stock flag the cell reads "БУ" (true) or "Новый".
void stockFlagText(DBGrid* grid, GridCell& cell, const QString& flagField = QStringLiteral("Instr_is_BU"));

} // namespace GridLook
