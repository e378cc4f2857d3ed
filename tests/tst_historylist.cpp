// The receipts and write-offs lists read in one pass and joined in memory
// give, row by row and value by value, what their SQL text gives: on dates
// that tie, dates in several forms, missing tools and kinds, odd values.
#include "Connection.h"
#include "DM_Unit.h"
#include "TestSupport.h"

#include <QtTest>
#include <algorithm>

namespace {

// One history row: tool, kind code, date, pieces, used stock, who.
struct H {
    QVariant tool, kind, date, kvo, bu, fio;
};

void fillTools(Connection& c)
{
    const qint64 firm = insertRow(c, "Firma", {{"Name", "Sandvik"}});
    for (int i = 1; i <= 4; ++i)
        addDrill(c, QString("SV-%1").arg(i), "Спиральное", i, firm);
    insertRow(c, "Sverla", {{"Type", "Без кода"}, {"ID_Firma", firm}});   // ID 5, null code
    for (int i = 1; i <= 3; ++i) {
        insertRow(c, "Plastinyi", {{"Kod", QString("PL-%1").arg(i)}, {"ID_Firma", firm}});
        insertRow(c, "Frezy", {{"Kod", QString("ФР-%1").arg(i)}, {"ID_Firma", firm}});
        insertRow(c, "Derj_Plast", {{"KOD", QString("DR-%1").arg(i)}, {"ID_Firma", firm}});
    }
    // A drill deleted after its rows were written: its history drops out.
    c.exec("DELETE FROM Sverla WHERE ID = 3");
}

// Rows in an order unlike the list's: ties in the date, dates with and
// without a time of day, with milliseconds, a number, a text that is no
// date, nulls, kinds without a name row, unknown kinds and tools.
QList<H> mixedRows()
{
    const QString u = QStringLiteral("Администратор");
    QList<H> rows{
        {1, 1, "2026-03-02 00:00:00", 5, false, u},
        {2, 2, "2026-03-01 00:00:00", 1, true, u},
        {1, 3, "2026-03-02 00:00:00", 2, false, "Петров"},
        {3, 1, "2026-03-01 00:00:00", 7, false, u},           // deleted drill
        {2, 4, "2026-03-02", 3, true, u},                     // date without a time
        {1, 2, "2026-03-02 00:00:00.500", 4, false, u},
        {5, 1, "2026-02-28 12:30:00", 1, false, QVariant()},   // null code, null login
        {9, 3, "2026-03-01 00:00:00", 1, false, u},           // no such cutter
        {1, 5, "2026-03-01 00:00:00", 1, false, u},           // no such kind
        {QVariant(), 1, "2026-03-01 00:00:00", 1, false, u},  // no tool at all
        {1, QVariant(), "2026-03-01 00:00:00", 1, false, u},  // no kind at all
        {4, 1, QVariant(), 2, false, u},                      // no date
        {3, 2, 2461100.5, 6, true, u},                        // a Julian day number
        {2, 3, "вчера", 1, false, u},                         // not a date
        {1, 4, "2026-03-01 00:00:00", QVariant(), QVariant(), u},
        {2, 1, "2026-03-02 00:00:00", 8, true, u},
        {1, 1, "2026-03-01 00:00:00", 9, false, "Сидоров"},
        {3, 3, "2026-03-02 00:00:00", 2, false, u},
    };
    // A server's date column holds dates alone: the number and the text
    // that is no date are a file's only.
    if (!testServer().isEmpty())
        rows.erase(std::remove_if(rows.begin(), rows.end(),
                                  [](const H& h) { return h.date.typeId() == QMetaType::Double || h.date == "вчера"; }),
                   rows.end());
    return rows;
}

// Every value of every row, the nulls included, alike in both.
void compareRows(RecordSet& fast, RecordSet& bySql)
{
    QCOMPARE(fast.recordCount(), bySql.recordCount());
    for (int pos = 0; pos < fast.recordCount(); ++pos)
        for (int f = 0; f < fast.fieldCount(); ++f) {
            const QString where = QString("row %1, %2").arg(pos + 1).arg(fast.fieldDef(f).name);
            QVERIFY2(fast.isNullAt(pos, f) == bySql.isNullAt(pos, f), qPrintable(where));
            QVERIFY2(fast.valueAt(pos, f) == bySql.valueAt(pos, f), qPrintable(where));
        }
}

} // namespace

class TestHistoryList : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SKIP_WITHOUT_TEST_SERVER(); }
    void sameAsQuery_data();
    void sameAsQuery();
};

void TestHistoryList::sameAsQuery_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("list");
    QTest::addColumn<QList<int>>("unnamedKinds");   // kind codes whose List_Tabl row is removed
    QTest::addColumn<bool>("rows");
    QTest::addColumn<int>("expected");

    for (const auto& [table, list] : {std::pair{"Prihod_History", "dtSet_Prihod_Hist"},
                                      std::pair{"Spisanie_History", "dtSet_Spisanie_Hist"}}) {
        const QString t = QString::fromLatin1(table);
        QTest::addRow("%s, every kind named", table) << t << QString::fromLatin1(list) << QList<int>{} << true << 13;
        QTest::addRow("%s, holders unnamed", table) << t << QString::fromLatin1(list) << QList<int>{4} << true << 11;
        QTest::addRow("%s, no kind named", table) << t << QString::fromLatin1(list) << QList<int>{1, 2, 3, 4} << true
                                                  << 0;
        QTest::addRow("%s, empty history", table) << t << QString::fromLatin1(list) << QList<int>{} << false << 0;
    }
}

void TestHistoryList::sameAsQuery()
{
    QFETCH(QString, table);
    QFETCH(QString, list);
    QFETCH(QList<int>, unnamedKinds);
    QFETCH(bool, rows);
    QFETCH(int, expected);
    if (!testServer().isEmpty() && expected > 0)
        expected -= 2;   // the two rows a server's date column cannot hold (mixedRows)

    TempDb db;
    {
        Connection c;
        c.open(db.path());
        fillTools(c);
        if (rows) {
            for (const H& h : mixedRows())
                insertRow(c, table,
                          {{"ID_Instr", h.tool}, {"ID_Tabl", h.kind}, {"Date", h.date}, {"K_vo", h.kvo},
                           {"Instr_is_BU", h.bu}, {"FIO_AdminBD", h.fio}});
        }
        for (int k : unnamedKinds)
            c.exec(QString("DELETE FROM List_Tabl WHERE ID = %1").arg(k));
    }
    TDM dm(db.path());
    RecordSet& fast = *dm.recordSet(list);
    QVERIFY(fast.usesRowReader());
    RecordSet bySql(&dm.ADOConnection1, "bySql", RecordSet::Kind::Query, fast.commandText(), fast.fieldDefs());
    fast.open();
    bySql.open();

    QCOMPARE(bySql.recordCount(), expected);
    compareRows(fast, bySql);

    // Read through a filter, as one tool's history is opened.
    for (const char* filter : {"(ID_Instr=1) AND (ID_Tabl=2)", "(ID_Instr=1) AND (ID_Tabl=3)", "(ID_Instr=17) AND (ID_Tabl=3)",
                               "K_vo>=2", "(ID_Tabl=1) OR (ID=3)"}) {
        for (RecordSet* rs : {&fast, &bySql}) {
            rs->close();
            rs->setFilter(filter);
            rs->setFiltered(true);
            rs->open();
        }
        compareRows(fast, bySql);
    }
    for (RecordSet* rs : {&fast, &bySql}) {
        rs->setFiltered(false);
        rs->setFilter(QString());
    }

    // The lists work on alike afterwards: an ordering, a filter, a re-read.
    for (RecordSet* rs : {&fast, &bySql})
        rs->setSort("K_vo,KOD");
    QCOMPARE(column(fast, "ID"), column(bySql, "ID"));
    for (RecordSet* rs : {&fast, &bySql}) {
        rs->setFilter("(ID_Instr=1) AND (ID_Tabl=2)");
        rs->setFiltered(true);
    }
    QCOMPARE(column(fast, "ID"), column(bySql, "ID"));
    for (RecordSet* rs : {&fast, &bySql}) {
        rs->setFiltered(false);
        rs->close();
        rs->open();
    }
    QCOMPARE(column(fast, "Date"), column(bySql, "Date"));
    QCOMPARE(column(fast, "ID"), column(bySql, "ID"));
}

QTEST_MAIN(TestHistoryList)
#include "tst_historylist.moc"
