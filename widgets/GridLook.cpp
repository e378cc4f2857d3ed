#include "GridLook.h"

#include "DBGrid.h"
#include "RecordSet.h"

namespace GridLook {

void titleClick(DBGrid* grid, const QString& fieldName, const SortOrders& orders)
{
    RecordSet* rs = grid->recordSet();
    if (!rs || !rs->isOpen())
        return;
    const int id = rs->isEmpty() ? 0 : rs->fieldByName(QStringLiteral("ID")).asInteger();
    grid->clearTitleColors();
    const auto it = orders.find(fieldName.toLower());
    if (it != orders.end())
        rs->setSort(*it);
    grid->setTitleColor(fieldName, sortMarkColor());
    rs->locate(QStringLiteral("ID"), id);
}

void paintCell(DBGrid* grid, GridCell& cell, bool noStock)
{
    if (!grid->recordSet() || cell.pos < 0)
        return;
    const bool plain = !cell.selected && !cell.focused;
    if (plain && grid->titleColor(cell.fieldName) == sortMarkColor()) {
        cell.bold = true;
        cell.background = sortColumnColor();
    }
    if (noStock)
        cell.textColor = noStockTextColor();
    if (plain && (cell.pos + 1) % 2 == 0)
        cell.background = evenRowColor();
    if (cell.selected) {
        cell.background = grid->palette().color(QPalette::Highlight);
        cell.textColor = QColor(255, 255, 255);
    }
}

void stockFlagText(DBGrid* grid, GridCell& cell, const QString& flagField)
{
    RecordSet* rs = grid->recordSet();
    if (!rs || cell.pos < 0 || cell.fieldName.compare(flagField, Qt::CaseInsensitive) != 0)
        return;
    cell.text = rs->boolAt(cell.pos, cell.field) ? QStringLiteral("БУ") : QStringLiteral("Новый");
}

} // namespace GridLook
