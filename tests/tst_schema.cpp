// The database file: what createDatabase writes (tables, columns, types,
// sizes, the kind names, the administrator), the two stored queries, the
// joins of the catalogue and debts queries at their edges, and what opening a
// file that is not this program's database does (and does not do) to it.
#include "Connection.h"
#include "DM_Unit.h"
#include "DbError.h"
#include "FaultInjection.h"
#include "RecordSet.h"
#include "Schema.h"
#include "TestSupport.h"

#include <QFile>
#include <QtTest>

#include <cstdio>

#include <sqlite3.h>

namespace {

// The tables as the storeroom's database holds them: name, and each column
// with its type: "auto" (the key), "int", "float", "bool", "date", "memo", or
// a text size.
struct Col { const char* name; const char* type; };
struct Tbl { const char* name; std::vector<Col> cols; };

const std::vector<Tbl>& expectedTables()
{
    static const std::vector<Tbl> t = {
        {"Sverla",
         {{"ID", "auto"}, {"Kod", "150"}, {"Type", "200"}, {"Diam_Sverla", "float"}, {"Diam_Hvost", "float"},
          {"L_Instr", "int"}, {"L_reza", "int"}, {"N_zub", "int"}, {"K_vo_New", "int"}, {"K_vo_BU", "int"},
          {"K_vo_Dolg", "int"}, {"K_vo_Vozvrat", "int"}, {"ID_Firma", "int"}, {"Pikcher", "250"}, {"Prim", "memo"},
          {"Korob", "100"}}},
        {"Frezy",
         {{"ID", "auto"}, {"Kod", "250"}, {"Type", "200"}, {"Diam_Frez", "float"}, {"Diam_Hvost", "float"},
          {"L_Reza", "float"}, {"L_Instr", "float"}, {"L_Sheiki", "float"}, {"N_zub", "float"},
          {"R_FAS_instr", "50"}, {"K_vo_NEW", "int"}, {"K_vo_BU", "int"}, {"K_vo_DOLG", "int"},
          {"K_vo_Vozvrat", "int"}, {"ID_Firma", "int"}, {"Pikcher", "250"}, {"Prim", "memo"}, {"Korob", "100"}}},
        {"Derj_Plast",
         {{"ID", "auto"}, {"Name", "250"}, {"KOD", "250"}, {"K_vo_NEW", "int"}, {"K_vo_BU", "int"},
          {"K_vo_Dolg", "int"}, {"K_vo_Vozvrat", "int"}, {"ID_Firma", "int"}, {"Pikcher", "250"}, {"Prim", "memo"},
          {"Korob", "100"}}},
        {"Plastinyi",
         {{"ID", "auto"}, {"Naimenovanie", "250"}, {"Kod", "150"}, {"K_vo_new", "int"}, {"K_vo_BU", "int"},
          {"K_vo_Dolg", "int"}, {"K_vo_Vozvrat", "int"}, {"ID_Firma", "int"}, {"pikcher", "250"}, {"Prim", "memo"},
          {"Korob", "100"}}},
        {"Firma",
         {{"ID", "auto"}, {"Name", "250"}, {"Backgr_Color", "int"}, {"Font_Color", "int"}, {"Font_Style", "10"}}},
        {"People",
         {{"ID", "auto"}, {"FIO", "250"}, {"Foto", "250"}, {"Prim", "memo"}, {"Backgr_Color", "int"},
          {"Font_Color", "int"}, {"Font_Style", "10"}}},
        {"Dolgi",
         {{"ID", "auto"}, {"Nomer_Zap", "int"}, {"ID_Instr", "int"}, {"ID_Tabl", "int"}, {"ID_People", "int"},
          {"Date", "date"}, {"K_vo", "int"}, {"Instr_is_BU", "bool"}, {"FIO_AdminBD", "150"}}},
        {"Dolgi_History",
         {{"ID", "auto"}, {"Nomer_Zap", "int"}, {"ID_Instr", "int"}, {"ID_Tabl", "int"}, {"ID_People", "int"},
          {"Date_Start", "date"}, {"Date_Fin", "date"}, {"K_vo_Instr_Bral", "int"}, {"Instr_BU", "bool"},
          {"K_vo_Instr_Vernul_New", "int"}, {"K_vo_Instr_Vernul_BU", "int"}, {"K_vo_Instr_Spisano", "int"},
          {"ID_Del_Type", "int"}, {"FIO_AdminBD_Add", "50"}, {"FIO_AdminBD_DEL", "50"}}},
        {"Prihod_History",
         {{"ID", "auto"}, {"ID_Instr", "int"}, {"ID_Tabl", "int"}, {"Date", "date"}, {"K_vo", "int"},
          {"Instr_is_BU", "bool"}, {"FIO_AdminBD", "250"}}},
        {"Spisanie_History",
         {{"ID", "auto"}, {"ID_Instr", "int"}, {"ID_Tabl", "int"}, {"Date", "date"}, {"K_vo", "int"},
          {"Instr_is_BU", "bool"}, {"FIO_AdminBD", "250"}}},
        {"Pasw_TBL", {{"ID", "auto"}, {"Login", "50"}, {"Pasword", "50"}, {"Default", "bool"}}},
        {"List_Tabl", {{"ID", "key"}, {"Tabl_Name", "255"}}},
        {"Support", {{"ID", "auto"}, {"Name_OP", "250"}, {"BD_in_Work", "bool"}}},
    };
    return t;
}

// The engine's type affinity of a declared column type.
QString affinity(const QString& declared)
{
    const QString t = declared.toUpper();
    if (t.contains("INT"))
        return "INTEGER";
    if (t.contains("CHAR") || t.contains("CLOB") || t.contains("TEXT"))
        return "TEXT";
    if (t.isEmpty() || t.contains("BLOB"))
        return "BLOB";
    if (t.contains("REAL") || t.contains("FLOA") || t.contains("DOUB"))
        return "REAL";
    return "NUMERIC";
}

struct Info { QString name, type; bool pk; };

QList<Info> tableInfo(Connection& c, const QString& table)
{
    QList<Info> out;
    for (const QString& row : rowsText(c, QString("PRAGMA table_info(\"%1\")").arg(table)).split('\n', Qt::SkipEmptyParts))
        out << Info{row.section('|', 1, 1), row.section('|', 2, 2), row.section('|', 5, 5) != "0"};
    return out;
}

QString text(Connection& c, const QString& sql) { return rowsText(c, sql).section('|', 0, 0); }

// Column names of a query's result, in order.
QStringList resultColumns(Connection& c, const QString& sql)
{
    QStringList out;
    sqlite3_stmt* st = nullptr;
    const QByteArray u = sql.toUtf8();
    if (sqlite3_prepare_v2(c.handle(), u.constData(), -1, &st, nullptr) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(c.handle())));
    for (int i = 0; i < sqlite3_column_count(st); ++i)
        out << QString::fromUtf8(sqlite3_column_name(st, i));
    sqlite3_finalize(st);
    return out;
}

// Runs SQL on a file through the plain engine, outside the program's checks.
void rawExec(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    QVERIFY(sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK);
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    const QString msg = QString::fromUtf8(err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(msg));
}

} // namespace

class TestSchema : public QObject {
    Q_OBJECT
private slots:
    void tablesAndColumns_data();
    void tablesAndColumns();
    void textSizesAreKept_data();
    void textSizesAreKept();
    void indexesOnJoinedColumns_data();
    void indexesOnJoinedColumns();
    void kindNamesAndAdministrator();
    void openedFileIsDurable();
    void opensFromAnyFolder_data();
    void opensFromAnyFolder();

    void storedQueryColumns();
    void maxNOfDolgi_data();
    void maxNOfDolgi();
    void closedIssuesView();

    void toolWithoutFirmMissingFromCatalogue_data();
    void toolWithoutFirmMissingFromCatalogue();
    void debtWithoutOperatorMissing();
    void missingKindNameHidesRows_data();
    void missingKindNameHidesRows();

    void foreignFileRefusedUnchanged_data();
    void foreignFileRefusedUnchanged();
    void missingFileNotCreated();
    void createRefusesExistingFile_data();
    void createRefusesExistingFile();
};

// ---------------------------------------------------------------------------

void TestSchema::tablesAndColumns_data()
{
    QTest::addColumn<int>("index");
    for (size_t i = 0; i < expectedTables().size(); ++i)
        QTest::newRow(expectedTables()[i].name) << int(i);
}

void TestSchema::tablesAndColumns()
{
    QFETCH(int, index);
    const Tbl& want = expectedTables()[size_t(index)];
    TempDb tmp;
    Connection c;
    c.open(tmp.path());
    const QList<Info> have = tableInfo(c, want.name);
    QCOMPARE(have.size(), int(want.cols.size()));
    const QString ddl = text(c, QString("SELECT sql FROM sqlite_master WHERE type='table' AND name='%1'").arg(want.name));

    // The declarations the data layer's record sets take their types and sizes from.
    const TableShape* table = findTable(QString(want.name).toUpper());
    QVERIFY(table);
    QCOMPARE(int(table->columns.size()), int(want.cols.size()));

    for (const Col& col : want.cols) {
        const QString name = QString::fromLatin1(col.name);
        const QString type = QString::fromLatin1(col.type);
        auto it = std::find_if(have.begin(), have.end(),
                               [&](const Info& i) { return i.name.compare(name, Qt::CaseInsensitive) == 0; });
        QVERIFY2(it != have.end(), qPrintable(name));
        const QString aff = affinity(it->type);
        bool isText = false;
        const int size = type.toInt(&isText);
        if (type == "auto" || type == "key") {
            QVERIFY2(it->pk, qPrintable(name));
            QCOMPARE(it->type.toUpper(), QString("INTEGER"));   // the row's own number
            QCOMPARE(ddl.contains("AUTOINCREMENT", Qt::CaseInsensitive), type == "auto");
        } else if (type == "int") {
            QCOMPARE(aff, QString("INTEGER"));
        } else if (type == "float") {
            QCOMPARE(aff, QString("REAL"));
        } else if (isText || type == "memo") {
            QCOMPARE(aff, QString("TEXT"));
        } else if (type == "bool") {
            QVERIFY2(aff == "INTEGER" || aff == "NUMERIC", qPrintable(name + ": " + it->type));
        } else if (type == "date") {
            QVERIFY2(aff == "NUMERIC" || aff == "TEXT", qPrintable(name + ": " + it->type));
        }
        QVERIFY2(!it->pk || type == "auto" || type == "key", qPrintable(name));

        const auto sc = std::find_if(table->columns.begin(), table->columns.end(), [&](const ColumnShape& s) {
            return s.name.compare(name, Qt::CaseInsensitive) == 0;
        });
        QVERIFY2(sc != table->columns.end(), qPrintable(name));
        if (isText) {
            QCOMPARE(sc->type, FieldType::Text);
            QCOMPARE(sc->size, size);
        } else if (type == "memo") {
            QCOMPARE(sc->type, FieldType::Memo);
        } else if (type == "float") {
            QCOMPARE(sc->type, FieldType::Float);
        } else if (type == "bool") {
            QCOMPARE(sc->type, FieldType::Boolean);
        } else if (type == "date") {
            QCOMPARE(sc->type, FieldType::DateTime);
        } else {
            QCOMPARE(sc->type, FieldType::Integer);
        }
        QCOMPARE(sc->autoKey, type == "auto");
    }
}

void TestSchema::textSizesAreKept_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("size");
    for (const Tbl& t : expectedTables())
        for (const Col& c : t.cols) {
            bool ok = false;
            const int size = QString::fromLatin1(c.type).toInt(&ok);
            if (ok)
                QTest::addRow("%s.%s", t.name, c.name) << QString(t.name) << QString(c.name) << size;
        }
}

void TestSchema::textSizesAreKept()
{
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(int, size);
    TempDb tmp;
    Connection c;
    c.open(tmp.path());
    // Sizes count characters, not bytes: Cyrillic letters take two bytes each.
    const QString fits(size, QChar(0x0416));
    const QString tooLong(size + 1, QChar(0x0416));
    QVariantMap row{{column, fits}};
    if (table == "List_Tabl")
        row["ID"] = 9;
    insertRow(c, table, row);
    if (table == "List_Tabl")
        row["ID"] = 10;
    row[column] = tooLong;
    QVERIFY_THROWS_EXCEPTION(DbError, insertRow(c, table, row));
    QVERIFY_THROWS_EXCEPTION(DbError, c.exec(QString("UPDATE \"%1\" SET \"%2\" = '%3'").arg(table, column, tooLong)));
}

void TestSchema::indexesOnJoinedColumns_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("columns");
    for (const char* t : {"Sverla", "Frezy", "Derj_Plast", "Plastinyi"})
        QTest::addRow("%s firm", t) << QString(t) << "ID_Firma";
    for (const char* t : {"Dolgi", "Dolgi_History"})
        QTest::addRow("%s operator", t) << QString(t) << "ID_People";
    for (const char* t : {"Dolgi", "Dolgi_History", "Prihod_History", "Spisanie_History"})
        QTest::addRow("%s tool", t) << QString(t) << "ID_Tabl,ID_Instr";
}

void TestSchema::indexesOnJoinedColumns()
{
    QFETCH(QString, table);
    QFETCH(QString, columns);
    TempDb tmp;
    Connection c;
    c.open(tmp.path());
    const qint64 n = c.scalar(QString("SELECT count(*) FROM pragma_index_list('%1') AS L "
                                      "WHERE (SELECT group_concat(name, ',') FROM "
                                      "(SELECT name FROM pragma_index_info(L.name) ORDER BY seqno)) = '%2'")
                                  .arg(table, columns));
    QCOMPARE(n, 1);
}

void TestSchema::kindNamesAndAdministrator()
{
    TempDb tmp("пароль 'с' кавычками");
    Connection c;
    c.open(tmp.path());
    QCOMPARE(c.scalar("SELECT count(*) FROM List_Tabl"), 4);
    QCOMPARE(text(c, "SELECT Tabl_Name FROM List_Tabl WHERE ID=1"), QString("Сверла"));
    QCOMPARE(text(c, "SELECT Tabl_Name FROM List_Tabl WHERE ID=2"), QString("Пластины"));
    QCOMPARE(text(c, "SELECT Tabl_Name FROM List_Tabl WHERE ID=3"), QString("Фрезы"));
    QCOMPARE(text(c, "SELECT Tabl_Name FROM List_Tabl WHERE ID=4"), QString("Державки пластин"));
    QCOMPARE(c.scalar("SELECT count(*) FROM Pasw_TBL"), 1);
    QCOMPARE(text(c, "SELECT Login FROM Pasw_TBL"), QString("Администратор"));
    QCOMPARE(text(c, "SELECT Pasword FROM Pasw_TBL"), QString("пароль 'с' кавычками"));
    // Read through the accounts' table object, as the login dialog does.
    RecordSet pasw(&c, "tbl_Pasw", RecordSet::Kind::Table, "Pasw_TBL", tableFields("Pasw_TBL"));
    pasw.open();
    QCOMPARE(pasw.fieldByName("Default").asBoolean(), true);
    // Nothing else is in the new file.
    for (const Tbl& t : expectedTables())
        if (QString(t.name) != "List_Tabl" && QString(t.name) != "Pasw_TBL")
            QCOMPARE(c.scalar(QString("SELECT count(*) FROM \"%1\"").arg(t.name)), 0);
}

void TestSchema::openedFileIsDurable()
{
    TempDb tmp;
    Connection c;
    c.open(tmp.path());
    QCOMPARE(text(c, "PRAGMA journal_mode").toLower(), QString("wal"));
    QCOMPARE(c.scalar("PRAGMA synchronous"), 2);   // FULL
    // A committed row is in the file for a second connection at once.
    c.beginTrans();
    insertRow(c, "Firma", {{"Name", "F"}});
    c.commitTrans();
    Connection other;
    other.open(tmp.path());
    QCOMPARE(other.scalar("SELECT count(*) FROM Firma"), 1);
}

void TestSchema::opensFromAnyFolder_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("blanks") << "Склад инструмента";
    QTest::newRow("hash") << "цех #2";
    QTest::newRow("percent") << "100% 20";
    QTest::newRow("question mark") << "копия?mode=ro";
    QTest::newRow("semicolon and ampersand") << "a;b&c=d";
}

void TestSchema::opensFromAnyFolder()
{
    QFETCH(QString, folder);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(folder));
    const QString path = dir.filePath(folder + "/db_instr.db");
    createDatabase(path, "1");
    {
        TDM dm(path);
        insertRow(dm.ADOConnection1, "Firma", {{"Name", "F"}});
        dm.tbl_Firma.close();
        dm.tbl_Firma.open();
        QCOMPARE(dm.tbl_Firma.recordCount(), 1);
    }
    // Nothing was written anywhere but in that folder.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({folder}));
    QVERIFY_THROWS_EXCEPTION(DbError, Connection().open(dir.filePath(folder + "/missing.db")));
    QVERIFY(!QFile::exists(dir.filePath(folder + "/missing.db")));
}

// ---------------------------------------------------------------------------
// Stored queries

void TestSchema::storedQueryColumns()
{
    TempDb tmp;
    Connection c;
    c.open(tmp.path());
    QCOMPARE(resultColumns(c, "SELECT * FROM MaxNOfDolgi"), QStringList({"Expr1000"}));
    QCOMPARE(c.scalar("SELECT count(*) FROM MaxNOfDolgi"), 1);
    const QStringList closed = {"ID", "Nomer_Zap", "KoD", "Tabl_Name", "Date_Start", "Date_Fin", "DayInWrk", "FIO",
                                "K_vo_Instr_Bral", "K_vo_Vernul_ALL", "Instr_BU", "K_vo_Instr_Vernul_New",
                                "K_vo_Instr_Vernul_BU", "K_vo_Instr_Spisano", "FIO_AdminBD_Add", "FIO_AdminBD_DEL",
                                "Type", "ID_Instr", "ID_Tabl"};
    QCOMPARE(resultColumns(c, "SELECT * FROM SQL_Dolgi_History"), closed);
    QCOMPARE(sqlDolgiHistoryColumns(), closed);
    QStringList viewInfo;
    for (const Info& i : tableInfo(c, "SQL_Dolgi_History"))
        viewInfo << i.name;
    QCOMPARE(viewInfo, closed);
}

void TestSchema::maxNOfDolgi_data()
{
    QTest::addColumn<QList<int>>("open");
    QTest::addColumn<QList<int>>("closed");
    QTest::addColumn<int>("next");
    QTest::newRow("no issue at all: null, next is 1") << QList<int>() << QList<int>() << 1;
    QTest::newRow("open issues only") << QList<int>({3, 1}) << QList<int>() << 4;
    QTest::newRow("closed issues only") << QList<int>() << QList<int>({7, 2}) << 8;
    QTest::newRow("highest is closed") << QList<int>({2, 5}) << QList<int>({9}) << 10;
    QTest::newRow("highest is open") << QList<int>({12}) << QList<int>({4}) << 13;
}

void TestSchema::maxNOfDolgi()
{
    QFETCH(QList<int>, open);
    QFETCH(QList<int>, closed);
    QFETCH(int, next);
    TempDb tmp;
    Connection c;
    c.open(tmp.path());
    for (int n : open)
        insertRow(c, "Dolgi", {{"Nomer_Zap", n}});
    for (int n : closed)
        insertRow(c, "Dolgi_History", {{"Nomer_Zap", n}});
    // Read as the issue dialog does: through the table object on the stored query.
    RecordSet max(&c, "tbl_Max_Namb_Of_Dolgi", RecordSet::Kind::Table, "MaxNOfDolgi", {fInt("Expr1000")});
    max.open();
    QCOMPARE(max.recordCount(), 1);
    QCOMPARE(max.fieldByName("Expr1000").isNull(), open.isEmpty() && closed.isEmpty());
    QCOMPARE(max.fieldByName("Expr1000").asInteger() + 1, next);
    QVERIFY(max.isReadOnly());
}

void TestSchema::closedIssuesView()
{
    TempDb tmp;
    {
        Connection c;
        c.open(tmp.path());
        insertRow(c, "Firma", {{"Name", "F"}});
        insertRow(c, "People", {{"FIO", "Иванов И.И."}});
        addDrill(c, "SV-1", "T", 1, 1);
        insertRow(c, "Frezy", {{"Kod", "FR-1"}, {"ID_Firma", 1}});
        auto closed = [&](int nomer, int tabl, const QString& start, const QString& fin, int taken, QVariant backNew,
                          QVariant backBu, int code) {
            insertRow(c, "Dolgi_History",
                      {{"Nomer_Zap", nomer}, {"ID_Instr", 1}, {"ID_Tabl", tabl}, {"ID_People", 1},
                       {"Date_Start", start}, {"Date_Fin", fin}, {"K_vo_Instr_Bral", taken}, {"Instr_BU", 0},
                       {"K_vo_Instr_Vernul_New", backNew}, {"K_vo_Instr_Vernul_BU", backBu}, {"ID_Del_Type", code},
                       {"FIO_AdminBD_Add", "Администратор"}, {"FIO_AdminBD_DEL", "Кладовщик"}});
        };
        closed(1, 1, "2024-01-10 00:00:00", "2024-01-15 00:00:00", 3, 0, 0, 1);
        closed(2, 3, "2024-01-10 12:00:00", "2024-01-15 00:00:00", 3, 3, 0, 2);
        closed(3, 1, "2024-02-01 00:00:00", "2024-02-01 00:00:00", 2, 0, 2, 3);
        closed(4, 3, "2024-02-01 00:00:00", "2024-03-02 00:00:00", 5, 2, 3, 4);
        closed(5, 1, "2024-02-01 00:00:00", "2024-02-03 00:00:00", 4, 4, QVariant(), 2);
    }
    TDM dm(tmp.path());
    RecordSet& h = dm.stpr_SQL_Dolgi_History;
    h.open();
    QCOMPARE(h.recordCount(), 5);
    QVERIFY(h.isReadOnly());
    h.setSort("Nomer_Zap");
    QCOMPARE(column(h, "KoD"), QStringList({"SV-1", "FR-1", "SV-1", "FR-1", "SV-1"}));
    QCOMPARE(column(h, "Tabl_Name"), QStringList({"Сверла", "Фрезы", "Сверла", "Фрезы", "Сверла"}));
    QCOMPARE(column(h, "DayInWrk"), QStringList({"5", "4,5", "0", "30", "2"}));
    QCOMPARE(column(h, "K_vo_Vernul_ALL"), QStringList({"0", "3", "2", "5", "4"}));
    QCOMPARE(column(h, "FIO"), QStringList(5, "Иванов И.И."));
    QCOMPARE(column(h, "FIO_AdminBD_DEL"), QStringList(5, "Кладовщик"));
    // One Russian description per closing code, each its own.
    const QStringList types = column(h, "Type");
    QCOMPARE(types[1], types[4]);                    // both code 2
    const QStringList codes = {types[0], types[1], types[2], types[3]};
    for (const QString& t : codes) {
        QVERIFY2(!t.isEmpty(), "every closing code has a description");
        QVERIFY2(t.contains(QRegularExpression("[А-Яа-яЁё]")), qPrintable(t));
    }
    QCOMPARE(QSet<QString>(codes.begin(), codes.end()).size(), 4);
    // The history filter of one tool.
    h.setFilter("(ID_Instr=1) AND (ID_Tabl=3)");
    h.setFiltered(true);
    QCOMPARE(column(h, "Nomer_Zap"), QStringList({"2", "4"}));
}

// ---------------------------------------------------------------------------
// Joins

void TestSchema::toolWithoutFirmMissingFromCatalogue_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("recordSet");
    QTest::newRow("drills") << "Sverla" << 1 << "dtSet_Sverla";
    QTest::newRow("inserts") << "Plastinyi" << 2 << "dtSet_Plastiny";
    QTest::newRow("cutters") << "Frezy" << 3 << "dtSet_Frezy";
    QTest::newRow("holders") << "Derj_Plast" << 4 << "dtSet_Derj_PL";
}

void TestSchema::toolWithoutFirmMissingFromCatalogue()
{
    QFETCH(QString, table);
    QFETCH(int, kind);
    QFETCH(QString, recordSet);
    TempDb tmp;
    {
        Connection c;
        c.open(tmp.path());
        insertRow(c, "Firma", {{"Name", "Есть"}});
        insertRow(c, "People", {{"FIO", "Петров"}});
        insertRow(c, table, {{"Kod", "WITH-FIRM"}, {"ID_Firma", 1}});
        insertRow(c, table, {{"Kod", "NO-FIRM"}, {"ID_Firma", 77}});
        insertRow(c, table, {{"Kod", "NULL-FIRM"}});
        for (int tool = 1; tool <= 3; ++tool)
            insertRow(c, "Dolgi", {{"Nomer_Zap", tool}, {"ID_Instr", tool}, {"ID_Tabl", kind}, {"ID_People", 1}, {"K_vo", 1}});
        insertRow(c, "Prihod_History", {{"ID_Instr", 2}, {"ID_Tabl", kind}, {"K_vo", 1}});
    }
    TDM dm(tmp.path());
    RecordSet* cat = dm.recordSet(recordSet);
    QVERIFY(cat);
    QCOMPARE(column(*cat, "Kod"), QStringList({"WITH-FIRM"}));
    // The debts and histories still name the tool without a firm.
    QCOMPARE(dm.dtset_DolgiSQL.recordCount(), 3);
    QVERIFY(dm.dtset_DolgiSQL.locate("KoD", "NO-FIRM"));
    dm.dtSet_Prihod_Hist.open();
    QCOMPARE(column(dm.dtSet_Prihod_Hist, "KOD"), QStringList({"NO-FIRM"}));
}

void TestSchema::debtWithoutOperatorMissing()
{
    TempDb tmp;
    {
        Connection c;
        c.open(tmp.path());
        insertRow(c, "Firma", {{"Name", "F"}});
        insertRow(c, "People", {{"FIO", "Петров"}});
        addDrill(c, "SV-1", "T", 1, 1);
        insertRow(c, "Dolgi", {{"Nomer_Zap", 1}, {"ID_Instr", 1}, {"ID_Tabl", 1}, {"ID_People", 1}});
        insertRow(c, "Dolgi", {{"Nomer_Zap", 2}, {"ID_Instr", 1}, {"ID_Tabl", 1}, {"ID_People", 5}});
        insertRow(c, "Dolgi", {{"Nomer_Zap", 3}, {"ID_Instr", 1}, {"ID_Tabl", 1}});
        insertRow(c, "Dolgi", {{"Nomer_Zap", 4}, {"ID_Instr", 9}, {"ID_Tabl", 1}, {"ID_People", 1}});   // no tool
        insertRow(c, "Dolgi_History", {{"Nomer_Zap", 5}, {"ID_Instr", 1}, {"ID_Tabl", 1}, {"ID_People", 5}});
        insertRow(c, "Dolgi_History", {{"Nomer_Zap", 6}, {"ID_Instr", 1}, {"ID_Tabl", 1}, {"ID_People", 1}});
    }
    TDM dm(tmp.path());
    QCOMPARE(column(dm.dtset_DolgiSQL, "Nomer_Zap"), QStringList({"1"}));
    QCOMPARE(dm.dtset_DolgiSQL.fieldByName("FIO").asString(), QString("Петров"));
    dm.stpr_SQL_Dolgi_History.open();
    QCOMPARE(column(dm.stpr_SQL_Dolgi_History, "Nomer_Zap"), QStringList({"6"}));
    // Still counted as numbers in use.
    dm.tbl_Max_Namb_Of_Dolgi.open();
    QCOMPARE(dm.tbl_Max_Namb_Of_Dolgi.fieldByName("Expr1000").asInteger(), 6);
}

void TestSchema::missingKindNameHidesRows_data()
{
    QTest::addColumn<int>("kind");
    for (int k = 1; k <= 4; ++k)
        QTest::addRow("kind %d", k) << k;
}

void TestSchema::missingKindNameHidesRows()
{
    QFETCH(int, kind);
    TempDb tmp;
    {
        Connection c;
        c.open(tmp.path());
        insertRow(c, "Firma", {{"Name", "F"}});
        insertRow(c, "People", {{"FIO", "Петров"}});
        for (const char* t : {"Sverla", "Plastinyi", "Frezy", "Derj_Plast"})
            insertRow(c, t, {{"Kod", QString("%1-1").arg(t)}, {"ID_Firma", 1}});
        for (int k = 1; k <= 4; ++k) {
            const QVariantMap row{{"ID_Instr", 1}, {"ID_Tabl", k}, {"ID_People", 1}, {"Nomer_Zap", k}};
            insertRow(c, "Dolgi", row);
            insertRow(c, "Dolgi_History", row);
            insertRow(c, "Prihod_History", {{"ID_Instr", 1}, {"ID_Tabl", k}, {"K_vo", k}});
            insertRow(c, "Spisanie_History", {{"ID_Instr", 1}, {"ID_Tabl", k}, {"K_vo", k}});
        }
        c.exec(QString("DELETE FROM List_Tabl WHERE ID=%1").arg(kind));
    }
    TDM dm(tmp.path());
    dm.dtSet_Prihod_Hist.open();
    dm.dtSet_Spisanie_Hist.open();
    dm.stpr_SQL_Dolgi_History.open();
    for (RecordSet* rs : {&dm.dtset_DolgiSQL, &dm.dtSet_Prihod_Hist, &dm.dtSet_Spisanie_Hist, &dm.stpr_SQL_Dolgi_History}) {
        QCOMPARE(rs->recordCount(), 3);
        const QStringList kinds = column(*rs, "ID_Tabl");
        QVERIFY2(!kinds.contains(QString::number(kind)), qPrintable(rs->name()));
    }
}

// ---------------------------------------------------------------------------
// Files that are not this program's database

void TestSchema::foreignFileRefusedUnchanged_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("says");   // part of the message
    const QString notOurs = "не является базой данных программы", noTable = "нет таблицы", damaged = "повреждён";
    QTest::newRow("text file") << "text" << notOurs;
    QTest::newRow("random bytes") << "random" << QString();
    QTest::newRow("database header, damaged body") << "damaged" << QString();
    QTest::newRow("empty file") << "empty" << noTable;
    QTest::newRow("another program's database") << "foreign" << noTable;
    QTest::newRow("table missing") << "no-table" << "Support";
    QTest::newRow("table missing, rollback journal") << "no-table-journal" << "Support";
    QTest::newRow("column missing") << "no-column" << "Foto";
    QTest::newRow("stored query missing") << "no-view" << "MaxNOfDolgi";
    QTest::newRow("table missing, log left by a crash") << "no-table-wal" << "Support";
    // A database of the program with a hundred drills, in the rollback
    // journal it may have when copied from elsewhere (the program would
    // switch it to a write-ahead log, rewriting its header).
    QTest::newRow("the program's database cut short") << "cut" << damaged;
    QTest::newRow("the program's database, a page overwritten") << "overwritten" << damaged;
    QTest::newRow("locked by another program") << "locked" << "занята другой программой";
}

void TestSchema::foreignFileRefusedUnchanged()
{
    QFETCH(QString, what);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const QString path = dir.filePath("db_instr.db");
    QByteArray content;
    if (what == "text") {
        content = "Склад инструмента: это не база данных.\n";
    } else if (what == "random") {
        for (int i = 0; i < 8192; ++i)
            content += char((i * 7919 + 13) % 251);
    } else if (what == "empty") {
        content = QByteArray();
    }
    if (what == "text" || what == "random" || what == "empty") {
        QVERIFY(writeFile(path, content));
    } else if (what == "foreign") {
        rawExec(path, "CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT); INSERT INTO notes VALUES (1, 'x');");
    } else {
        createDatabase(path, "1");
        if (what == "damaged") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QByteArray all = f.readAll();
            for (qsizetype i = 100; i < all.size(); ++i)
                all[i] = char(0xA5 ^ (i & 0xFF));
            f.seek(0);
            f.write(all);
        } else if (what == "no-table") {
            rawExec(path, "DROP TABLE Support");
        } else if (what == "no-table-journal") {
            rawExec(path, "PRAGMA journal_mode=DELETE; DROP TABLE Support");
        } else if (what == "no-column") {
            rawExec(path, "ALTER TABLE People DROP COLUMN Foto");
        } else if (what == "no-view") {
            rawExec(path, "DROP VIEW MaxNOfDolgi");
        } else if (what == "cut" || what == "overwritten" || what == "locked") {
            QString sql = "PRAGMA journal_mode=DELETE;";
            for (int i = 0; i < 100; ++i)
                sql += QString("INSERT INTO Sverla (Kod, Type, Prim) VALUES ('K%1', 'T', '%2');").arg(i).arg(QString(200, 'x'));
            rawExec(path, sql);
            QByteArray ours = fileBytes(path);
            const int page = 4096;
            QVERIFY(ours.size() > 8 * page);
            if (what == "overwritten")
                ours.replace(ours.size() - 3 * page, page, QByteArray(page, '\xA5'));
            QVERIFY(writeFile(path, what == "cut" ? ours.left(ours.size() / 2) : ours));
        } else if (what == "no-table-wal") {
            // The change is still in the write-ahead log when the writer
            // dies: copy the file and its log while the writer is open.
            const QString live = dir.filePath("live.db");
            QVERIFY(QFile::rename(path, live));
            sqlite3* db = nullptr;
            QVERIFY(sqlite3_open(live.toUtf8().constData(), &db) == SQLITE_OK);
            QVERIFY(sqlite3_exec(db, "PRAGMA wal_autocheckpoint=0; DROP TABLE Support", nullptr, nullptr, nullptr)
                    == SQLITE_OK);
            QVERIFY(QFile::copy(live, path));
            QVERIFY(QFile::copy(live + "-wal", path + "-wal"));
            QVERIFY(QFileInfo(path + "-wal").size() > 0);
            sqlite3_close(db);
            QFile::remove(live);
        }
    }
    const QByteArray before = fileBytes(path);
    const QByteArray walBefore = fileBytes(path + "-wal");
    // The engine's shared-memory index (-shm) is not part of the file: any
    // reader may create it.
    const QStringList files = {"*.db", "*.db-wal", "*.db-journal"};
    const QStringList filesBefore = QDir(dir.path()).entryList(files, QDir::Files);

    sqlite3* other = nullptr;
    if (what == "locked") {
        QVERIFY(sqlite3_open(QFile::encodeName(path).constData(), &other) == SQLITE_OK);
        QVERIFY(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK);
    }
    QString message;
    try {
        Connection c;
        c.open(path);
        QFAIL("opened");
    } catch (const DbError& e) {
        message = e.message();
    }
    QVERIFY2(message.contains(path) || message.contains("db_instr.db"), qPrintable(message));
    QVERIFY2(message.contains(says), qPrintable(message));
    QVERIFY_THROWS_EXCEPTION(DbError, TDM dm(path));
    QVERIFY(DM == nullptr);
    if (other) {
        sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(other);
    }

    QCOMPARE(fileBytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(files, QDir::Files), filesBefore);
    if (QFile::exists(path + "-wal"))
        QCOMPARE(fileBytes(path + "-wal"), walBefore);
    // Nothing at all beside a file that never was a database of the program's or is broken.
    if (QStringList{"text", "empty", "foreign", "cut", "overwritten", "locked"}.contains(what))
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"db_instr.db"});
}

void TestSchema::missingFileNotCreated()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("db_instr.db");
    QVERIFY_THROWS_EXCEPTION(DbError, Connection().open(path));
    QVERIFY_THROWS_EXCEPTION(DbError, TDM dm(path));
    QVERIFY(!QFile::exists(path));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    // A folder of that name is not a file either.
    QVERIFY(QDir(dir.path()).mkdir("db_instr.db"));
    QVERIFY_THROWS_EXCEPTION(DbError, Connection().open(path));
}

void TestSchema::createRefusesExistingFile_data()
{
    QTest::addColumn<QByteArray>("content");   // "database": another program's, with its log
    QTest::addColumn<bool>("appearing");       // put there only as the new file is opened
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("some file") << QByteArray("не трогать") << false;
    QTest::newRow("another database with its log, appearing as the file is made")
        << QByteArray("database") << true;
}

void TestSchema::createRefusesExistingFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, appearing);
    QTemporaryDir dir;
    const QString path = dir.filePath("db_instr.db");
    QString made = path;
    if (appearing) {
        QVERIFY(QDir(dir.path()).mkpath("elsewhere"));
        made = dir.filePath("elsewhere/db_instr.db");
    }
    QByteArray log;
    if (content == "database") {
        // Another program's database in the write-ahead log, its last rows in the log only.
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(made).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "PRAGMA journal_mode=WAL; CREATE TABLE Firma (Name TEXT); "
                                  "INSERT INTO Firma VALUES ('чужая')", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_close(db);
        content = fileBytes(made);
        log = fileBytes(made + "-wal");
        QVERIFY(!content.isEmpty() && !log.isEmpty());
    } else {
        QFile f(made);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    if (appearing) {
        // It takes the name just as the engine opens the new file.
        FaultInjection::install();
        FaultInjection::beforeOpen([&](const QString& opened) {
            if (QFileInfo(opened).fileName() != "db_instr.db" || QFileInfo::exists(made) == false)
                return;
            QFile::rename(made + "-wal", path + "-wal");
            std::rename(QFile::encodeName(made).constData(), QFile::encodeName(path).constData());
        });
    }
    QString message;
    try {
        createDatabase(path, "1");
    } catch (const DbError& e) {
        message = e.message();
    }
    FaultInjection::beforeOpen({});
    QVERIFY2(message.contains(QDir::toNativeSeparators(path)) || message.contains(path), qPrintable(message));
    QCOMPARE(fileBytes(path), content);
    if (!log.isEmpty())
        QCOMPARE(fileBytes(path + "-wal"), log);
    // Nor over a database of its own.
    TempDb tmp;
    const QByteArray db = fileBytes(tmp.path());
    QVERIFY_THROWS_EXCEPTION(DbError, createDatabase(tmp.path(), "2"));
    QCOMPARE(fileBytes(tmp.path()), db);
}

QTEST_MAIN(TestSchema)
#include "tst_schema.moc"
