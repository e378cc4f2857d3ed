// The usage reports' figures on a small storeroom whose totals are worked
// out by hand below: a debt taken before the period and returned in it, a
// return on the period's last day, a debt returned after it, movements of a
// tool since deleted and of an operator no longer listed, a kind without a
// name in the kind list, and a row of a kind code that names no kind.
#include "Connection.h"
#include "DbError.h"
#include "ReportCharts.h"
#include "ScriptedUser.h"
#include "TestSupport.h"
#include "frm_Report_Unit.h"
#include "ReportRegistry.h"
#include "UsageReports.h"

#include <QAbstractBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHeaderView>
#include <QPrintPreviewWidget>
#include <QTableView>
#include <QTextStream>
#include <QtTest>

using namespace reports;

namespace {

QDate d(const char* iso) { return QDate::fromString(QString::fromLatin1(iso), Qt::ISODate); }

// The table's rows as every output shows them: cells joined by "|".
QStringList rowsOf(const Table& t)
{
    QStringList out;
    for (const QVariantList& r : t.rows) {
        QStringList cells;
        for (int c = 0; c < t.columns.size(); ++c)
            cells << cellText(t.columns[c], r.value(c));
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

} // namespace

class TestReports : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void figures_data();
    void figures();
    void restSummedUp();
    void periods_data();
    void periods();
    void window_data();
    void window();

private:
    std::unique_ptr<TempDb> m_db;
};

// The storeroom (all in 2026):
//   tools      drills D-100 (Sandvik), D-200 (ВИЗ); cutter C-10 (Sandvik);
//              insert P-5 (ВИЗ); holder H-1 (Sandvik); drill № 99 deleted.
//   kinds      drills listed as "Свёрла спиральные"; holders missing from
//              the kind list.
//   operators  Иванов, Петров; № 77 deleted.
void TestReports::initTestCase()
{
    m_db = std::make_unique<TempDb>();
    Connection c;
    c.open(m_db->path());
    const qint64 sandvik = insertRow(c, "Firma", {{"Name", "Sandvik"}});
    const qint64 viz = insertRow(c, "Firma", {{"Name", "ВИЗ"}});
    const qint64 d100 = insertTool(c, ToolKind::Sverla, sandvik, "D-100");
    const qint64 d200 = insertTool(c, ToolKind::Sverla, viz, "D-200");
    const qint64 c10 = insertTool(c, ToolKind::Frezy, sandvik, "C-10");
    const qint64 p5 = insertTool(c, ToolKind::Plast, viz, "P-5");
    const qint64 h1 = insertTool(c, ToolKind::Derj, sandvik, "H-1");
    const qint64 gone = 99;
    const qint64 ivanov = insertRow(c, "People", {{"FIO", "Иванов И. И."}});
    const qint64 petrov = insertRow(c, "People", {{"FIO", "Петров П. П."}});
    const qint64 goneOperator = 77;
    c.exec("UPDATE List_Tabl SET Tabl_Name = 'Свёрла спиральные' WHERE ID = 1");
    c.exec("DELETE FROM List_Tabl WHERE ID = 4");

    struct Move { const char* table; int kind; qint64 tool; const char* date; int count; };
    const Move moves[] = {
        {"Prihod_History", 1, d100, "2026-02-27", 10},  {"Prihod_History", 1, d100, "2026-03-01", 5},
        {"Prihod_History", 3, c10, "2026-03-15", 7},    {"Prihod_History", 4, h1, "2026-03-31", 2},
        {"Prihod_History", 2, p5, "2026-04-01", 100},   {"Prihod_History", 1, gone, "2026-03-10", 3},
        {"Prihod_History", 9, d100, "2026-03-10", 4},   // no such kind: counted nowhere
        {"Spisanie_History", 1, d100, "2026-02-28", 1}, {"Spisanie_History", 1, d100, "2026-03-02", 2},
        {"Spisanie_History", 1, d200, "2026-03-31", 1}, {"Spisanie_History", 1, gone, "2026-03-05", 4},
        {"Spisanie_History", 3, c10, "2026-03-20", 3},  {"Spisanie_History", 4, h1, "2026-03-31", 1},
        {"Spisanie_History", 2, p5, "2026-02-15", 6},
    };
    for (const Move& m : moves)
        insertRow(c, m.table, {{"ID_Instr", m.tool}, {"ID_Tabl", m.kind}, {"Date", d(m.date).startOfDay()},
                               {"K_vo", m.count}, {"Instr_is_BU", 0}, {"FIO_AdminBD", "Администратор"}});

    struct Open { qint64 person; int kind; qint64 tool; const char* date; int count; };
    const Open open[] = {
        {ivanov, 1, d100, "2026-02-20", 2},   // in work across the period's start
        {petrov, 3, c10, "2026-03-10", 1},
        {ivanov, 2, p5, "2026-04-02", 10},    // after the period
    };
    int number = 0;
    for (const Open& o : open)
        insertRow(c, "Dolgi", {{"Nomer_Zap", ++number}, {"ID_Instr", o.tool}, {"ID_Tabl", o.kind},
                               {"ID_People", o.person}, {"Date", d(o.date).startOfDay()}, {"K_vo", o.count},
                               {"Instr_is_BU", 0}, {"FIO_AdminBD", "Администратор"}});

    struct Closed { qint64 person; int kind; qint64 tool; const char* start; const char* fin; int taken, backNew, backBu; };
    const Closed closed[] = {
        {ivanov, 1, d200, "2026-02-25", "2026-03-05", 3, 1, 2},   // taken before, returned in the period: 8 days
        {petrov, 1, d100, "2026-03-03", "2026-03-31", 4, 0, 4},   // returned on the last day: 28 days
        {petrov, 3, c10, "2026-03-20", "2026-04-03", 5, 0, 5},    // returned after the period
        {goneOperator, 1, gone, "2026-03-12", "2026-03-13", 1, 1, 0},
        {ivanov, 2, p5, "2026-01-10", "2026-02-10", 6, 6, 0},     // before the period
        {ivanov, 4, h1, "2026-03-31", "2026-03-31", 2, 0, 2},     // taken and returned on the last day
    };
    for (const Closed& h : closed)
        insertRow(c, "Dolgi_History",
                  {{"Nomer_Zap", ++number}, {"ID_Instr", h.tool}, {"ID_Tabl", h.kind}, {"ID_People", h.person},
                   {"Date_Start", d(h.start).startOfDay()}, {"Date_Fin", d(h.fin).startOfDay()},
                   {"K_vo_Instr_Bral", h.taken}, {"Instr_BU", 0}, {"K_vo_Instr_Vernul_New", h.backNew},
                   {"K_vo_Instr_Vernul_BU", h.backBu}, {"ID_Del_Type", 2}});
}

void TestReports::figures_data()
{
    QTest::addColumn<int>("report");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QStringList>("rows");

    const QDate mar1 = d("2026-03-01"), mar31 = d("2026-03-31"), later = d("2026-06-15");
    const int C = int(Usage::Consumption), O = int(Usage::Operators), T = int(Usage::Tools);

    // Month | kind | received | written off | issued (debts taken in the month).
    // March, drills: received 5 + 3 (deleted drill); written off 2 + 1 + 4;
    // issued 4 + 1. Cutters: 7; 3; 1 open + 5 closed. Holders (no name in
    // the list): 2; 1; 2. Inserts: nothing in March.
    QTest::newRow("consumption March") << C << mar1 << mar31 << 0 << later
                                       << QStringList{"03.2026|Свёрла спиральные|8|7|5",
                                                      "03.2026|Фрезы|7|3|6",
                                                      "03.2026|Державки пластин|2|1|2"};
    // February adds drills 10 received, 1 written off, 2 open + 3 closed
    // issued, and inserts 6 written off.
    QTest::newRow("consumption February and March")
        << C << d("2026-02-01") << mar31 << 0 << later
        << QStringList{"02.2026|Свёрла спиральные|10|1|5", "02.2026|Пластины|0|6|0",
                       "03.2026|Свёрла спиральные|8|7|5", "03.2026|Фрезы|7|3|6",
                       "03.2026|Державки пластин|2|1|2"};
    QTest::newRow("consumption of cutters") << C << mar1 << mar31 << 3 << later
                                            << QStringList{"03.2026|Фрезы|7|3|6"};
    QTest::newRow("consumption of the last day") << C << mar31 << mar31 << 0 << later
                                                 << QStringList{"03.2026|Свёрла спиральные|0|1|0",
                                                                "03.2026|Державки пластин|2|1|2"};

    // Name | taken | returned new | returned used | in work at the end | average days.
    // Иванов: returned 1 + 2 of the February debt (8 days), took and returned 2
    // on the last day (0 days), keeps 2 since 20.02 (39 days by 31.03):
    // 47 / 3 days. Петров: took 4 (28 days), 5 (11 days so far, returned
    // after) and 1 open (21 days): 60 / 3. № 77: took and returned 1 in 1 day.
    QTest::newRow("operators March")
        << O << mar1 << mar31 << 0 << later
        << QStringList{"(нет в списке операторов, № 77)|1|1|0|0|1", "Иванов И. И.|2|1|4|2|15,7",
                       "Петров П. П.|10|0|4|6|20"};
    // Drills only: Иванов's February debt (8 days) and his open one (39).
    QTest::newRow("operators, drills") << O << mar1 << mar31 << 1 << later
                                       << QStringList{"(нет в списке операторов, № 77)|1|1|0|0|1",
                                                      "Иванов И. И.|0|1|2|2|23,5", "Петров П. П.|4|0|4|0|28"};
    // Up to 20.03: Иванов keeps 2 for 28 days; Петров's debts of 03.03 and
    // 20.03 are still in work then (17 and 0 days), the open one 10 days.
    QTest::newRow("operators to 20 March")
        << O << mar1 << d("2026-03-20") << 0 << later
        << QStringList{"(нет в списке операторов, № 77)|1|1|0|0|1", "Иванов И. И.|0|1|2|2|18",
                       "Петров П. П.|10|0|0|10|9"};
    // Asked on 25.03, the debts still in work count their days up to today:
    // Иванов 8, 0 and 33 days; Петров 28, 5 and 15.
    QTest::newRow("operators March, asked on 25 March")
        << O << mar1 << mar31 << 0 << d("2026-03-25")
        << QStringList{"(нет в списке операторов, № 77)|1|1|0|0|1", "Иванов И. И.|2|1|4|2|13,7",
                       "Петров П. П.|10|0|4|6|16"};

    // Kind | code | firm | written off | issued | total, most pieces first.
    QTest::newRow("tools March")
        << T << mar1 << mar31 << 0 << later
        << QStringList{"Фрезы|C-10|Sandvik|3|6|9", "Свёрла спиральные|D-100|Sandvik|2|4|6",
                       "Свёрла спиральные|(удален, № 99)||4|1|5", "Державки пластин|H-1|Sandvik|1|2|3",
                       "Свёрла спиральные|D-200|ВИЗ|1|0|1"};
    QTest::newRow("tools, holders") << T << mar1 << mar31 << 4 << later
                                    << QStringList{"Державки пластин|H-1|Sandvik|1|2|3"};
    QTest::newRow("tools, nothing in the period") << T << d("2025-01-01") << d("2025-12-31") << 0 << later
                                                  << QStringList{};
}

void TestReports::figures()
{
    QFETCH(int, report);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(int, kind);
    QFETCH(QDate, today);
    QFETCH(QStringList, rows);

    Connection c;
    c.open(m_db->path());
    const Table t = makeReport(Usage(report), c, Period{from, to, kind}, today);
    QCOMPARE(rowsOf(t), rows);
    for (const QVariantList& r : t.rows)
        QCOMPARE(r.size(), t.columns.size());
}

// Beyond the first 20 tools the rest is one row "прочие" with their sums.
void TestReports::restSummedUp()
{
    TempDb db;
    Connection c;
    c.open(db.path());
    const qint64 firm = insertRow(c, "Firma", {{"Name", "Sandvik"}});
    // Drill i is written off i times (one piece each), 1 to 25.
    for (int i = 1; i <= 25; ++i) {
        const qint64 id = insertTool(c, ToolKind::Sverla, firm, QStringLiteral("D-%1").arg(i, 2, 10, QLatin1Char('0')));
        for (int n = 0; n < i; ++n)
            insertRow(c, "Spisanie_History", {{"ID_Instr", id}, {"ID_Tabl", 1}, {"Date", d("2026-05-10").startOfDay()},
                                              {"K_vo", 1}, {"Instr_is_BU", 1}});
    }
    const Table t = toolsReport(c, Period{d("2026-05-01"), d("2026-05-31"), 0});
    QCOMPARE(t.rows.size(), TopTools + 1);
    QCOMPARE(t.rows.first().value(tools::Code).toString(), QStringLiteral("D-25"));
    QCOMPARE(t.rows[TopTools - 1].value(tools::Code).toString(), QStringLiteral("D-06"));
    // The rest: drills 1 to 5, 15 pieces.
    QCOMPARE(rowsOf(t).last(), QStringLiteral("|прочие||15|0|15"));
    // The chart shows the tools named, not the rest.
    const ChartData chart = chartData(Usage::Tools, t);
    QCOMPARE(chart.categories.size(), TopTools);
    QCOMPARE(chart.categories.last(), QStringLiteral("D-06"));
}

void TestReports::periods_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("problem");

    QTest::newRow("one day") << "31.03.2026" << "2026-03-31" << 0 << "";
    QTest::newRow("reversed") << "01.04.2026" << "31.03.2026" << 0 << "Начало периода позже его конца.";
    QTest::newRow("no date") << "" << "31.03.2026" << 0 << "Не задан период отчета.";
    QTest::newRow("not a date") << "31.02.2026" << "31.03.2026" << 0 << "Не задан период отчета.";
    QTest::newRow("no such kind") << "01.03.2026" << "31.03.2026" << 5 << "Нет такого вида инструмента.";
}

void TestReports::periods()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(int, kind);
    QFETCH(QString, problem);

    Period p;
    p.kindCode = kind;
    parseDateArgument(from, &p.from);
    parseDateArgument(to, &p.to);
    QCOMPARE(periodProblem(p), problem);
    if (!problem.isEmpty()) {
        Connection c;
        c.open(m_db->path());
        QVERIFY(consumptionReport(c, p).rows.isEmpty());
    }
    const Period month = currentMonth(d("2026-02-14"));
    QCOMPARE(month.from, d("2026-02-01"));
    QCOMPARE(month.to, d("2026-02-28"));
}

void TestReports::window_data()
{
    QTest::addColumn<int>("report");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("orderBy");       // a column title clicked
    QTest::addColumn<QString>("firstAfter"); // the first row's cell of that column then
    QTest::addColumn<int>("clickedBar");     // a bar clicked, by the table's row
    QTest::addColumn<QString>("barText");

    QTest::newRow("consumption") << int(Usage::Consumption) << "consumption" << int(consumption::WrittenOff) << "1"
                                 << 0 << "03.2026: Свёрла спиральные 7, Фрезы 3, Державки пластин 1; всего 11";
    QTest::newRow("operators") << int(Usage::Operators) << "operators" << int(operators::Taken) << "1" << 2
                               << "Петров П. П.: Взял 10";
    QTest::newRow("tools") << int(Usage::Tools) << "tools" << int(tools::Total) << "1" << 0
                           << "C-10: Списано 3, Выдано 6; всего 9";
}

// The window's table is the report's CSV line for line; its chart's bars
// are the table's figures; a click on a bar tells them; a click on a
// column title orders the rows; the workbook holds the chart.
void TestReports::window()
{
    QFETCH(int, report);
    QFETCH(QString, name);
    QFETCH(int, orderBy);
    QFETCH(QString, firstAfter);
    QFETCH(int, clickedBar);
    QFETCH(QString, barText);

    Connection c;
    c.open(m_db->path());
    ScriptedUser user;
    Tfrm_Report w(nullptr, [&c] { return &c; });
    w.setPeriod(Period{d("2026-03-01"), d("2026-03-31"), 0});
    QVERIFY(w.SelectReport(Usage(report)));
    const Table& t = w.table();
    QVERIFY(!t.rows.isEmpty());

    // The window's cells, as shown, against tooldb-report's CSV.
    const QAbstractItemModel* m = w.dbgr_Report->model();
    QStringList shown;
    QStringList header;
    for (int col = 0; col < m->columnCount(); ++col)
        header << m->headerData(col, Qt::Horizontal).toString();
    shown << header.join(QLatin1Char(';'));
    for (int row = 0; row < m->rowCount(); ++row) {
        QStringList cells;
        for (int col = 0; col < m->columnCount(); ++col)
            cells << m->index(row, col).data().toString();
        shown << cells.join(QLatin1Char(';'));
    }
    QString csv, errors;
    QTextStream out(&csv), err(&errors);
    QCOMPARE(runReport({name, m_db->path(), "--from", "01.03.2026", "--to", "2026-03-31"}, out, err), 0);
    out.flush();
    QCOMPARE(errors, QString());
    QStringList lines = csv.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.takeLast(), QString());
    QCOMPARE(lines, shown);

    // Each bar set against its column of the table, row by row.
    QChart* chart = w.chart_Report->chart();
    QCOMPARE(chart->series().size(), 1);
    auto* bars = qobject_cast<QAbstractBarSeries*>(chart->series().first());
    QVERIFY(bars);
    const ChartData& data = w.chart();
    const bool up = data.horizontal;   // the first row at the top, drawn last
    const int n = int(data.categories.size());
    QList<QBarSet*> sets = bars->barSets();
    if (Usage(report) == Usage::Consumption) {
        qreal total = 0, drawn = 0;
        for (const QVariantList& r : t.rows) {
            total += r[consumption::WrittenOff].toDouble();
            QBarSet* set = *std::find_if(sets.begin(), sets.end(), [&](QBarSet* s) {
                return s->label() == r[consumption::Kind].toString();
            });
            QCOMPARE(set->at(int(data.categories.indexOf(r[consumption::Month].toDate().toString("MM.yyyy")))),
                     r[consumption::WrittenOff].toDouble());
        }
        for (QBarSet* s : sets)
            drawn += s->sum();
        QCOMPARE(drawn, total);
    } else {
        const QList<int> columns = Usage(report) == Usage::Operators ? QList<int>{operators::Taken}
                                                                      : QList<int>{tools::WrittenOff, tools::Issued};
        QCOMPARE(sets.size(), columns.size());
        QCOMPARE(n, t.rows.size());
        for (int s = 0; s < columns.size(); ++s)
            for (int row = 0; row < n; ++row)
                QCOMPARE(sets[s]->at(up ? n - 1 - row : row), t.rows[row][columns[s]].toDouble());
    }
    emit bars->clicked(up ? n - 1 - clickedBar : clickedBar, sets.first());
    QCOMPARE(w.lbl_Bar->text(), barText);

    // A click on a column title orders the rows by it; the report keeps its order.
    emit w.dbgr_Report->horizontalHeader()->sectionClicked(orderBy);
    QCOMPARE(m->index(0, orderBy).data().toString(), firstAfter);
    QCOMPARE(w.table().rows.first(), t.rows.first());

    // The print: the table's pages, then the chart's.
    int pages = 0;
    user.onModal([&](QDialog* preview) {
        if (auto* pages_ = preview->findChild<QPrintPreviewWidget*>()) {
            pages_->updatePreview();
            pages = pages_->pageCount();
        }
        preview->reject();
    });
    w.bbtn_Print->click();
    QCOMPARE(pages, 2);

    // The workbook: the table as ordered, the chart on its second sheet.
    qputenv("TMPDIR", m_db->folder().toUtf8());
    w.bbtn_Export->click();
    qunsetenv("TMPDIR");
    QCOMPARE(user.documentsOpened(), QStringList{w.lastWorkbook()});
    QVERIFY(w.lastWorkbook().startsWith(m_db->folder()));
    QVERIFY(fileBytes(w.lastWorkbook()).contains("xl/media/image1.png"));
    QCOMPARE(user.texts(), QStringList());
}

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
