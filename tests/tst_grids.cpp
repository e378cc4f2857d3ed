// The grids of the main window: ordering by a click on a column title, the
// sort mark and its end at a reopen, and how each cell is painted.
#include "tst_main_session.h"

namespace {

const QColor White(255, 255, 255);

// Rows of every page, written so that each sort order gives a different
// sequence of codes, and the query's own order is yet another.
void fill(Session& s)
{
    const qint64 a = s.firm("Alfa"), b = s.firm("Beta");
    // code, diameter, new, used, in work, type
    s.drill("D-3", 1.5, 1, 0, 0, "Центровочное");
    s.drill("D-1", 3, 0, 2, 0, "Спиральное");
    s.drill("D-2", 2.5, 4, 1, 0, "Спиральное");
    s.drill("D-0", 2, 0, 0, 0, "Ступенчатое");
    s.insert("Frezy", {{"Kod", "F-B"}, {"Type", "Концевая"}, {"Diam_Frez", 4.0}, {"L_Reza", 9.0}, {"L_Sheiki", 1.0},
                       {"K_vo_New", 1}, {"K_vo_BU", 0}, {"K_vo_DOLG", 7}, {"ID_Firma", a}});
    s.insert("Frezy", {{"Kod", "F-C"}, {"Type", "Дисковая"}, {"Diam_Frez", 6.0}, {"L_Reza", 3.0}, {"L_Sheiki", 3.0},
                       {"K_vo_New", 0}, {"K_vo_BU", 2}, {"K_vo_DOLG", 1}, {"ID_Firma", b}});
    s.insert("Frezy", {{"Kod", "F-A"}, {"Type", "Концевая"}, {"Diam_Frez", 5.0}, {"L_Reza", 6.0}, {"L_Sheiki", 2.0},
                       {"K_vo_New", 2}, {"K_vo_BU", 2}, {"K_vo_DOLG", 4}, {"ID_Firma", a}});
    s.insert("Derj_Plast", {{"Name", "Расточная"}, {"KOD", "H-2"}, {"Korob", "1"}, {"K_vo_NEW", 0}, {"K_vo_BU", 0},
                            {"ID_Firma", a}});
    s.insert("Derj_Plast", {{"Name", "Отрезная"}, {"KOD", "H-1"}, {"Korob", "3"}, {"K_vo_NEW", 5}, {"K_vo_BU", 0},
                            {"ID_Firma", b}});
    s.insert("Derj_Plast", {{"Name", "Проходная"}, {"KOD", "H-3"}, {"Korob", "2"}, {"K_vo_NEW", 1}, {"K_vo_BU", 1},
                            {"ID_Firma", a}});
    s.insert("Plastinyi", {{"Naimenovanie", "CNMG"}, {"Kod", "P-2"}, {"K_vo_new", 3}, {"K_vo_BU", 0}, {"ID_Firma", b}});
    s.insert("Plastinyi", {{"Naimenovanie", "APKT"}, {"Kod", "P-3"}, {"K_vo_new", 0}, {"K_vo_BU", 0}, {"ID_Firma", a}});
    s.insert("Plastinyi", {{"Naimenovanie", "WNMG"}, {"Kod", "P-1"}, {"K_vo_new", 1}, {"K_vo_BU", 1}, {"ID_Firma", a}});
    const qint64 p1 = s.person("Яковлев"), p2 = s.person("Андреев");
    s.debt(12, 1, 1, p1, true, 2);
    s.debt(10, 1, 2, p2, false, 5);
    s.debt(11, 2, 1, p1, false, 1);
}

} // namespace

class TestGrids : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QVERIFY(noWindowShown()); }

    void titleClick_data();
    void titleClick();
    void markLifetime();
    void painting_data();
    void painting();
    void debtsStockColumn();
};

void TestGrids::titleClick_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("keyField");
    QTest::addColumn<QString>("current");      // key of the row made current before the click
    QTest::addColumn<QStringList>("expected"); // keys in the new order

    // The query's own orders: drills by diameter, cutters by diameter,
    // holders and inserts by code.
    QTest::newRow("drills, code") << 0 << "Kod" << "Kod" << "D-2" << QStringList{"D-0", "D-1", "D-2", "D-3"};
    QTest::newRow("drills, type, then diameter, then code")
        << 0 << "Type" << "Kod" << "D-1" << QStringList{"D-2", "D-1", "D-0", "D-3"};
    QTest::newRow("drills, new count, then diameter")
        << 0 << "K_vo_New" << "Kod" << "D-3" << QStringList{"D-0", "D-1", "D-3", "D-2"};
    QTest::newRow("cutters, code") << 1 << "Kod" << "Kod" << "F-C" << QStringList{"F-A", "F-B", "F-C"};
    QTest::newRow("cutters, cutting length (sort text in other letter case)")
        << 1 << "L_Reza" << "Kod" << "F-A" << QStringList{"F-C", "F-A", "F-B"};
    QTest::newRow("cutters, in debt (column K_vo_DOLG)")
        << 1 << "K_vo_DOLG" << "Kod" << "F-B" << QStringList{"F-C", "F-A", "F-B"};
    QTest::newRow("cutters, neck length: no order, mark only")
        << 1 << "L_Sheiki" << "Kod" << "F-A" << QStringList{"F-B", "F-A", "F-C"};
    QTest::newRow("holders, name") << 2 << "Derj_Name" << "Kod" << "H-3" << QStringList{"H-1", "H-3", "H-2"};
    QTest::newRow("holders, box: no order, mark only") << 2 << "Korob" << "Kod" << "H-3"
                                                        << QStringList{"H-1", "H-2", "H-3"};
    QTest::newRow("inserts, firm, then code") << 3 << "Name" << "Kod" << "P-1" << QStringList{"P-1", "P-3", "P-2"};
    QTest::newRow("inserts, box: no order, mark only") << 3 << "Korob" << "Kod" << "P-2"
                                                        << QStringList{"P-1", "P-2", "P-3"};
    QTest::newRow("debts, number") << 4 << "Nomer_Zap" << "Nomer_Zap" << "11" << QStringList{"10", "11", "12"};
    QTest::newRow("debts, operator, then code") << 4 << "FIO" << "Nomer_Zap" << "12" << QStringList{"10", "12", "11"};
    QTest::newRow("debts, stock, then code") << 4 << "Instr_is_BU" << "Nomer_Zap" << "12"
                                             << QStringList{"10", "11", "12"};
}

void TestGrids::titleClick()
{
    QFETCH(int, page);
    QFETCH(QString, field);
    QFETCH(QString, keyField);
    QFETCH(QString, current);
    QFETCH(QStringList, expected);

    Session s;
    fill(s);
    QVERIFY(s.start());
    frm_Main->PageControl_Main->setCurrentIndex(page);
    DBGrid* grid = frm_Main->pageGrid(page);
    RecordSet& rs = *grid->recordSet();
    QVERIFY(rs.locate(keyField, current));
    checkTitleClick(grid, field, keyField, expected);
}

void TestGrids::markLifetime()
{
    Session s;
    fill(s);
    QVERIFY(s.start());
    DBGrid* grid = frm_Main->dbgr_Sverlo;
    RecordSet& rs = DM->dtSet_Sverla;
    const QStringList queryOrder = column(rs, "Kod");
    QCOMPARE(queryOrder, (QStringList{"D-3", "D-0", "D-2", "D-1"}));

    // A second title takes the mark from the first; a second click on the
    // same title sorts the same way again (no descending order).
    clickTitle(grid, "Type");
    clickTitle(grid, "Kod");
    QCOMPARE(grid->titleColor("Type") == Yellow, false);
    QCOMPARE(grid->titleColor("Kod"), Yellow);
    clickTitle(grid, "Kod");
    QCOMPARE(column(rs, "Kod"), (QStringList{"D-0", "D-1", "D-2", "D-3"}));
    QCOMPARE(grid->titleColor("Kod"), Yellow);

    // A refresh reopens the record set: the query's order, no title marked,
    // the sort column no longer painted.
    QVERIFY(rs.locate("Kod", "D-1"));
    DM->RefreshSverla();
    QCOMPARE(column(rs, "Kod"), queryOrder);
    QCOMPARE(rs.fieldByName("Kod").asString(), QString("D-1"));
    const QColor face = QApplication::palette().color(QPalette::Button);
    for (int c = 0; c < grid->gridModel()->columnCount(); ++c)
        QCOMPARE(grid->titleColor(grid->columnFieldName(c)), face);
    QVERIFY(!grid->cellAt(0, "Kod").bold);
}

void TestGrids::painting_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("marked");    // title clicked first ("" = none)
    QTest::addColumn<int>("current");       // position made current
    QTest::addColumn<int>("pos");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("background"); // "base", "silver", "green", "highlight"
    QTest::addColumn<QString>("text");       // "normal", "red", "white"
    QTest::addColumn<bool>("bold");

    // Drills in the query's order: 1 D-3 (1 new), 2 D-0 (0/0), 3 D-2 (4/1), 4 D-1 (0 new, 2 used).
    QTest::newRow("odd row, stock") << 0 << "" << 2 << 0 << "Kod" << "base" << "normal" << false;
    QTest::newRow("even row, no stock: red on green") << 0 << "" << 2 << 1 << "Kod" << "green" << "red" << false;
    QTest::newRow("no new, some used: not red") << 0 << "" << 0 << 3 << "Type" << "green" << "normal" << false;
    QTest::newRow("current row: highlight, white") << 0 << "" << 2 << 2 << "Kod" << "highlight" << "white" << false;
    QTest::newRow("current row without stock: white") << 0 << "" << 1 << 1 << "Kod" << "highlight" << "white"
                                                        << false;
    QTest::newRow("sort column, odd row: silver bold")
        << 0 << "Diam_Sverla" << 3 << 0 << "Diam_Sverla" << "silver" << "normal" << true;
    QTest::newRow("sort column, even row: green bold")
        << 0 << "Diam_Sverla" << 3 << 1 << "Diam_Sverla" << "green" << "red" << true;
    QTest::newRow("sort column, current row: highlight, not bold")
        << 0 << "Diam_Sverla" << 2 << 2 << "Diam_Sverla" << "highlight" << "white" << false;
    QTest::newRow("other column of a sorted grid") << 0 << "Diam_Sverla" << 3 << 0 << "Kod" << "base" << "normal"
                                                   << false;
    // Holders in code order: H-1 (5/0), H-2 (0/0), H-3 (1/1); the counts are K_vo_NEW there.
    QTest::newRow("holder without stock") << 2 << "" << 0 << 1 << "Derj_Name" << "green" << "red" << false;
    QTest::newRow("holder with stock") << 2 << "" << 0 << 2 << "Derj_Name" << "base" << "normal" << false;
    // Cutters in diameter order: F-B (1/0), F-A (2/2), F-C (0/2).
    QTest::newRow("cutter with used pieces only") << 1 << "" << 0 << 2 << "Kod" << "base" << "normal" << false;
    // Inserts in code order: P-1 (1/1), P-2 (3/0), P-3 (0/0); sorted by code, the sort column is Kod.
    QTest::newRow("insert without stock, sort column")
        << 3 << "Kod" << 0 << 2 << "Kod" << "silver" << "red" << true;
    // Debts: never red, even rows green.
    QTest::newRow("debt, even row") << 4 << "" << 0 << 1 << "FIO" << "green" << "normal" << false;
    QTest::newRow("debt, odd row") << 4 << "" << 1 << 2 << "FIO" << "base" << "normal" << false;
}

void TestGrids::painting()
{
    QFETCH(int, page);
    QFETCH(QString, marked);
    QFETCH(int, current);
    QFETCH(int, pos);
    QFETCH(QString, field);
    QFETCH(QString, background);
    QFETCH(QString, text);
    QFETCH(bool, bold);

    Session s;
    fill(s);
    QVERIFY(s.start());
    frm_Main->PageControl_Main->setCurrentIndex(page);
    DBGrid* grid = frm_Main->pageGrid(page);
    if (!marked.isEmpty())
        clickTitle(grid, marked);
    clickRow(grid, current);
    QCOMPARE(grid->recordSet()->recNo(), current + 1);
    const int recNoBefore = grid->recordSet()->recNo();

    const GridCell cell = grid->cellAt(pos, field);

    const QPalette pal = grid->palette();
    const QHash<QString, QColor> backgrounds = {{"base", pal.color(QPalette::Base)},
                                                {"silver", Silver},
                                                {"green", MoneyGreen},
                                                {"highlight", pal.color(QPalette::Highlight)}};
    const QHash<QString, QColor> texts = {{"normal", pal.color(QPalette::Text)}, {"red", Red}, {"white", White}};
    QCOMPARE(cell.background, backgrounds.value(background));
    QCOMPARE(cell.textColor, texts.value(text));
    QCOMPARE(cell.bold, bold);
    // Painting reads the row without moving the current row.
    QCOMPARE(grid->recordSet()->recNo(), recNoBefore);
}

void TestGrids::debtsStockColumn()
{
    Session s;
    fill(s);
    QVERIFY(s.start());
    DBGrid* grid = frm_Main->dbgrid_Dolgi;
    RecordSet& rs = DM->dtset_DolgiSQL;
    clickTitle(grid, "Nomer_Zap");
    clickRow(grid, 0);
    // Debt 10 and 11 came from the new stock, 12 from the used one.
    QCOMPARE(grid->cellAt(0, "Instr_is_BU").text, QString("Новый"));
    QCOMPARE(grid->cellAt(1, "Instr_is_BU").text, QString("Новый"));
    QCOMPARE(grid->cellAt(2, "Instr_is_BU").text, QString("БУ"));
    // The other columns show their values.
    QCOMPARE(grid->cellAt(2, "K_vo").text, QString("2"));
    QCOMPARE(grid->cellAt(0, "FIO").text, QString("Андреев"));
    // The column keeps the row's colours: the current row stays highlighted.
    QCOMPARE(rs.recNo(), 1);
    QCOMPARE(grid->cellAt(0, "Instr_is_BU").background, grid->palette().color(QPalette::Highlight));
    QCOMPARE(grid->cellAt(1, "Instr_is_BU").background, MoneyGreen);
}

QTEST_MAIN(TestGrids)
#include "tst_grids.moc"
