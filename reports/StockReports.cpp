#include "StockReports.h"

#include "StockLimits.h"

namespace reports {

Table reorderTable(Connection& c)
{
    Table t;
    t.title = QStringLiteral("Что заказать");
    t.columns = {{QStringLiteral("Вид"), Column::Text},         {QStringLiteral("Код"), Column::Text},
                 {QStringLiteral("Наименование / тип"), Column::Text}, {QStringLiteral("Фирма"), Column::Text},
                 {QStringLiteral("Новых"), Column::Integer},    {QStringLiteral("БУ"), Column::Integer},
                 {QStringLiteral("В работе"), Column::Integer}, {QStringLiteral("Минимум"), Column::Integer},
                 {QStringLiteral("Заказать"), Column::Integer}};
    for (const limits::ReorderLine& l : limits::reorderList(c))
        t.rows << QVariantList{l.kindName, l.code, l.name, l.firm, l.fresh, l.used, l.inWork, l.minimum, l.order()};
    return t;
}

Table overdueTable(Connection& c, const QDate& today, int limitDays)
{
    const int limit = limitDays < 0 ? limits::overdueLimit(c) : limitDays;
    Table t;
    t.title = QStringLiteral("Просроченные долги (срок выдачи %1 дн., на %2)")
                  .arg(limit)
                  .arg(today.toString(QStringLiteral("dd.MM.yyyy")));
    t.columns = {{QStringLiteral("№ п.п."), Column::Integer},       {QStringLiteral("Что брал"), Column::Text},
                 {QStringLiteral("Код инструмента"), Column::Text}, {QStringLiteral("ФИО оператора"), Column::Text},
                 {QStringLiteral("Дата (когда брал)"), Column::Date}, {QStringLiteral("Дней"), Column::Integer},
                 {QStringLiteral("К-во инстр."), Column::Integer},  {QStringLiteral("Тип инстр."), Column::Text}};
    for (const limits::OverdueLine& l : limits::overdueList(c, limit, today))
        t.rows << QVariantList{l.number,   l.kindName, l.code,     l.person,
                               l.issued,   l.days,     l.quantity, l.used ? QStringLiteral("БУ") : QStringLiteral("Новый")};
    return t;
}

} // namespace reports
