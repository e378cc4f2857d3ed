#include "ReportCharts.h"

#include "RuFormat.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QFont>
#include <QChart>
#include <QHorizontalBarSeries>
#include <QHorizontalStackedBarSeries>
#include <QBarSeries>
#include <QStackedBarSeries>
#include <QValueAxis>
#include <QSet>

namespace reports {

namespace {

QString monthLabel(const QVariant& v)
{
    const QDate d = v.toDate();
    return d.isValid() ? d.toString(QStringLiteral("MM.yyyy")) : v.toString();
}

// Labels made unique: a category axis shows each label once.
QStringList unique(const QStringList& labels)
{
    QStringList out;
    QSet<QString> seen;
    for (QString l : labels) {
        if (l.isEmpty())
            l = QStringLiteral("—");
        QString u = l;
        for (int n = 2; seen.contains(u); ++n)
            u = QStringLiteral("%1 (%2)").arg(l).arg(n);
        seen.insert(u);
        out << u;
    }
    return out;
}

// "Андреев Александр Викторович" as "Андреев А. В.": the axis has room
// for little more than a surname.
QString shortName(const QString& fio)
{
    const QStringList words = fio.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 2 || words.size() > 3 || !words[0].at(0).isLetter())
        return fio;
    QString s = words[0];
    for (int i = 1; i < words.size(); ++i) {
        if (!words[i].at(0).isLetter())
            return fio;
        s += QLatin1Char(' ') + words[i].at(0) + QLatin1Char('.');
    }
    return s;
}

} // namespace

ChartData chartData(Usage r, const Table& t)
{
    ChartData d;
    switch (r) {
    case Usage::Consumption: {
        d.title = QStringLiteral("Списано, шт.");
        d.stacked = true;
        // A category for every month of the table, a set for every kind.
        QStringList months;
        for (const QVariantList& row : t.rows) {
            const QString m = monthLabel(row.value(consumption::Month));
            if (!months.contains(m))
                months << m;
        }
        d.categories = months;
        d.names = months;
        for (const QVariantList& row : t.rows) {
            const QString kind = row.value(consumption::Kind).toString();
            auto set = std::find_if(d.sets.begin(), d.sets.end(), [&](const BarSetData& s) { return s.name == kind; });
            if (set == d.sets.end()) {
                d.sets.append(BarSetData{kind, QList<qreal>(months.size(), 0)});
                set = d.sets.end() - 1;
            }
            set->values[months.indexOf(monthLabel(row.value(consumption::Month)))] +=
                row.value(consumption::WrittenOff).toDouble();
        }
        break;
    }
    case Usage::Operators: {
        d.title = QStringLiteral("Взято в работу, шт.");
        d.horizontal = true;
        BarSetData taken{QStringLiteral("Взял"), {}};
        QStringList names;
        for (const QVariantList& row : t.rows) {
            names << row.value(operators::Name).toString();
            taken.values << row.value(operators::Taken).toDouble();
        }
        QStringList shortNames;
        for (const QString& n : names)
            shortNames << shortName(n);
        d.categories = unique(shortNames);
        d.names = names;
        d.sets << taken;
        break;
    }
    case Usage::Tools: {
        d.title = QStringLiteral("Списано и выдано, шт.");
        d.horizontal = true;
        d.stacked = true;
        BarSetData off{QStringLiteral("Списано"), {}}, issued{QStringLiteral("Выдано"), {}};
        QStringList codes;
        for (const QVariantList& row : t.rows) {
            // The rest summed up ("прочие", without a kind) would dwarf the
            // tools named: the chart shows those alone.
            if (row.value(tools::Kind).isNull())
                continue;
            codes << row.value(tools::Code).toString();
            off.values << row.value(tools::WrittenOff).toDouble();
            issued.values << row.value(tools::Issued).toDouble();
        }
        d.categories = unique(codes);
        d.names = codes;
        d.sets << off << issued;
        break;
    }
    }
    return d;
}

QChart* makeChart(const ChartData& d)
{
    auto* chart = new QChart;
    chart->setLocale(ru::locale());
    chart->setLocalizeNumbers(true);
    chart->setTitle(d.title);
    chart->setAnimationOptions(QChart::NoAnimation);
    QAbstractBarSeries* series = nullptr;
    if (d.horizontal)
        series = d.stacked ? static_cast<QAbstractBarSeries*>(new QHorizontalStackedBarSeries)
                           : static_cast<QAbstractBarSeries*>(new QHorizontalBarSeries);
    else
        series = d.stacked ? static_cast<QAbstractBarSeries*>(new QStackedBarSeries)
                           : static_cast<QAbstractBarSeries*>(new QBarSeries);
    // Horizontal bars are drawn from the bottom up: reversed, the first
    // row of the table stands at the top.
    const auto at = [&](int i) { return d.horizontal ? int(d.categories.size()) - 1 - i : i; };
    qreal top = 0;
    QList<qreal> stack(d.categories.size(), 0);
    for (const BarSetData& s : d.sets) {
        auto* set = new QBarSet(s.name);
        for (int i = 0; i < d.categories.size(); ++i) {
            const qreal v = s.values.value(at(i));
            set->append(v);
            stack[i] = d.stacked ? stack[i] + v : std::max(stack[i], v);
        }
        series->append(set);
    }
    for (qreal v : stack)
        top = std::max(top, v);
    chart->addSeries(series);

    auto* categories = new QBarCategoryAxis;
    QStringList labels;
    for (int i = 0; i < d.categories.size(); ++i)
        labels << d.categories[at(i)];
    categories->append(labels);
    // Many months side by side: their labels stand upright; many rows: in
    // a smaller type, so that each keeps its line.
    if (!d.horizontal && labels.size() > 6)
        categories->setLabelsAngle(-90);
    if (d.horizontal)
        categories->setTruncateLabels(false);   // a name whole, not "..."
    if (d.horizontal && labels.size() > 15) {
        QFont f = categories->labelsFont();
        f.setPointSizeF(std::max(6.0, f.pointSizeF() * (labels.size() > 30 ? 0.7 : 0.85)));
        categories->setLabelsFont(f);
    }
    auto* values = new QValueAxis;
    // Whole numbers; the localised labels take a precision ("%.0f").
    values->setLabelFormat(QStringLiteral("%.0f"));
    values->setRange(0, std::max<qreal>(top, 1));
    values->applyNiceNumbers();
    if (values->max() <= 10)
        values->setTickCount(int(values->max()) + 1);
    chart->addAxis(categories, d.horizontal ? Qt::AlignLeft : Qt::AlignBottom);
    chart->addAxis(values, d.horizontal ? Qt::AlignBottom : Qt::AlignLeft);
    series->attachAxis(categories);
    series->attachAxis(values);
    chart->legend()->setVisible(d.sets.size() > 1);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

QString barText(const ChartData& d, int category)
{
    if (category < 0 || category >= d.categories.size())
        return {};
    QStringList figures;
    qreal total = 0;
    for (const BarSetData& s : d.sets) {
        const qreal v = s.values.value(category);
        total += v;
        figures << QStringLiteral("%1 %2").arg(s.name, ru::formatFloat(v));
    }
    const QString name = d.names.value(category);
    QString text = (name.isEmpty() ? d.categories[category] : name) + QStringLiteral(": ") + figures.join(QStringLiteral(", "));
    if (d.stacked && d.sets.size() > 1)
        text += QStringLiteral("; всего %1").arg(ru::formatFloat(total));
    return text;
}

} // namespace reports
