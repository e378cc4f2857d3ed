#pragma once
// The bar chart beside each usage report, made from the report's table:
//   consumption  pieces written off per month, stacked by kind;
//   operators    pieces taken per operator;
//   tools        pieces written off and issued per tool named, stacked.
// Numbers and months the Russian way (03.2026).
#include "UsageReports.h"

#include <QList>
#include <QString>
#include <QStringList>

class QChart;

namespace reports {

struct BarSetData {
    QString name;
    QList<qreal> values;   // one per category
};

struct ChartData {
    QString title;
    QStringList categories;   // each once (a repeated label gets a suffix)
    QStringList names;        // what each category stands for, in full
    QList<BarSetData> sets;
    bool horizontal = false;
    bool stacked = false;
};

ChartData chartData(Usage r, const Table& t);
// A new chart showing the data (the caller owns it).
QChart* makeChart(const ChartData& d);
// What a click on the bar of a category shows: its label and every set's figure.
QString barText(const ChartData& d, int category);

} // namespace reports
