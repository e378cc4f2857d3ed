#include "Schema.h"

#include "Connection.h"
#include "DbError.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sqlite3.h>

namespace {

ColumnSpec autoId() { return ColumnSpec{QStringLiteral("ID"), FieldType::Integer, 0, true}; }
ColumnSpec ci(const char* n) { return ColumnSpec{QString::fromLatin1(n), FieldType::Integer}; }
ColumnSpec cf(const char* n) { return ColumnSpec{QString::fromLatin1(n), FieldType::Float}; }
ColumnSpec cb(const char* n) { return ColumnSpec{QString::fromLatin1(n), FieldType::Boolean}; }
ColumnSpec cd(const char* n) { return ColumnSpec{QString::fromLatin1(n), FieldType::DateTime}; }
ColumnSpec ct(const char* n, int size) { return ColumnSpec{QString::fromLatin1(n), FieldType::Text, size}; }
ColumnSpec cm(const char* n) { return ColumnSpec{QString::fromLatin1(n), FieldType::Memo}; }

std::vector<TableSpec> buildTables()
{
    std::vector<TableSpec> t;
    t.push_back({QStringLiteral("Sverla"),
                 {autoId(), ct("Kod", 150), ct("Type", 200), cf("Diam_Sverla"), cf("Diam_Hvost"), ci("L_Instr"),
                  ci("L_reza"), ci("N_zub"), ci("K_vo_New"), ci("K_vo_BU"), ci("K_vo_Dolg"), ci("K_vo_Vozvrat"),
                  ci("ID_Firma"), ct("Pikcher", 250), cm("Prim"), ct("Korob", 100)}});
    t.push_back({QStringLiteral("Frezy"),
                 {autoId(), ct("Kod", 250), ct("Type", 200), cf("Diam_Frez"), cf("Diam_Hvost"), cf("L_Reza"),
                  cf("L_Instr"), cf("L_Sheiki"), cf("N_zub"), ct("R_FAS_instr", 50), ci("K_vo_NEW"), ci("K_vo_BU"),
                  ci("K_vo_DOLG"), ci("K_vo_Vozvrat"), ci("ID_Firma"), ct("Pikcher", 250), cm("Prim"),
                  ct("Korob", 100)}});
    t.push_back({QStringLiteral("Derj_Plast"),
                 {autoId(), ct("Name", 250), ct("KOD", 250), ci("K_vo_NEW"), ci("K_vo_BU"), ci("K_vo_Dolg"),
                  ci("K_vo_Vozvrat"), ci("ID_Firma"), ct("Pikcher", 250), cm("Prim"), ct("Korob", 100)}});
    t.push_back({QStringLiteral("Plastinyi"),
                 {autoId(), ct("Naimenovanie", 250), ct("Kod", 150), ci("K_vo_new"), ci("K_vo_BU"), ci("K_vo_Dolg"),
                  ci("K_vo_Vozvrat"), ci("ID_Firma"), ct("pikcher", 250), cm("Prim"), ct("Korob", 100)}});
    t.push_back({QStringLiteral("Firma"),
                 {autoId(), ct("Name", 250), ci("Backgr_Color"), ci("Font_Color"), ct("Font_Style", 10)}});
    t.push_back({QStringLiteral("People"),
                 {autoId(), ct("FIO", 250), ct("Foto", 250), cm("Prim"), ci("Backgr_Color"), ci("Font_Color"),
                  ct("Font_Style", 10)}});
    t.push_back({QStringLiteral("Dolgi"),
                 {autoId(), ci("Nomer_Zap"), ci("ID_Instr"), ci("ID_Tabl"), ci("ID_People"), cd("Date"), ci("K_vo"),
                  cb("Instr_is_BU"), ct("FIO_AdminBD", 150)}});
    t.push_back({QStringLiteral("Dolgi_History"),
                 {autoId(), ci("Nomer_Zap"), ci("ID_Instr"), ci("ID_Tabl"), ci("ID_People"), cd("Date_Start"),
                  cd("Date_Fin"), ci("K_vo_Instr_Bral"), cb("Instr_BU"), ci("K_vo_Instr_Vernul_New"),
                  ci("K_vo_Instr_Vernul_BU"), ci("K_vo_Instr_Spisano"), ci("ID_Del_Type"), ct("FIO_AdminBD_Add", 50),
                  ct("FIO_AdminBD_DEL", 50)}});
    for (const char* name : {"Prihod_History", "Spisanie_History"}) {
        t.push_back({QString::fromLatin1(name),
                     {autoId(), ci("ID_Instr"), ci("ID_Tabl"), cd("Date"), ci("K_vo"), cb("Instr_is_BU"),
                      ct("FIO_AdminBD", 250)}});
    }
    t.push_back({QStringLiteral("Pasw_TBL"), {autoId(), ct("Login", 50), ct("Pasword", 50), cb("Default")}});
    ColumnSpec listKey = ci("ID");
    listKey.key = true;
    t.push_back({QStringLiteral("List_Tabl"), {listKey, ct("Tabl_Name", 255)}});
    t.push_back({QStringLiteral("Support"), {autoId(), ct("Name_OP", 250), cb("BD_in_Work")}});
    return t;
}

QString q(const QString& ident) { return QLatin1Char('"') + ident + QLatin1Char('"'); }

QString columnDdl(const ColumnSpec& c)
{
    if (c.autoKey)
        return q(c.name) + QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT");
    if (c.key)
        return q(c.name) + QStringLiteral(" INTEGER PRIMARY KEY");
    switch (c.type) {
    case FieldType::Integer:
        return q(c.name) + QStringLiteral(" INTEGER");
    case FieldType::Float:
        return q(c.name) + QStringLiteral(" REAL");
    case FieldType::Boolean:
        return q(c.name) + QStringLiteral(" BOOLEAN CHECK (%1 IN (0, 1))").arg(q(c.name));
    case FieldType::DateTime:
        return q(c.name) + QStringLiteral(" DATETIME");
    case FieldType::Text:
        return q(c.name) + QStringLiteral(" VARCHAR(%1) CHECK (length(%2) <= %1)").arg(c.size).arg(q(c.name));
    case FieldType::Memo:
        return q(c.name) + QStringLiteral(" TEXT");
    }
    return {};
}

// Kind code, table, code column, in the order of the kind codes.
struct KindTable { int code; const char* table; };
const KindTable kKinds[] = {{1, "Sverla"}, {2, "Plastinyi"}, {3, "Frezy"}, {4, "Derj_Plast"}};

QString dolgiHistoryView()
{
    QStringList selects;
    for (const KindTable& k : kKinds) {
        selects << QStringLiteral(
                       "SELECT H.ID AS ID, H.Nomer_Zap AS Nomer_Zap, T.Kod AS KoD, LT.Tabl_Name AS Tabl_Name, "
                       "H.Date_Start AS Date_Start, H.Date_Fin AS Date_Fin, "
                       "CAST(julianday(H.Date_Fin) - julianday(H.Date_Start) AS REAL) AS DayInWrk, "
                       "PL.FIO AS FIO, H.K_vo_Instr_Bral AS K_vo_Instr_Bral, "
                       "IFNULL(H.K_vo_Instr_Vernul_New, 0) + IFNULL(H.K_vo_Instr_Vernul_BU, 0) AS K_vo_Vernul_ALL, "
                       "H.Instr_BU AS Instr_BU, H.K_vo_Instr_Vernul_New AS K_vo_Instr_Vernul_New, "
                       "H.K_vo_Instr_Vernul_BU AS K_vo_Instr_Vernul_BU, H.K_vo_Instr_Spisano AS K_vo_Instr_Spisano, "
                       "H.FIO_AdminBD_Add AS FIO_AdminBD_Add, H.FIO_AdminBD_DEL AS FIO_AdminBD_DEL, "
                       "CASE H.ID_Del_Type WHEN 1 THEN 'Ничего не возвращено' WHEN 2 THEN 'Возвращен в новый' "
                       "WHEN 3 THEN 'Возвращен в БУ' WHEN 4 THEN 'Возвращен в новый и в БУ' ELSE '' END AS Type, "
                       "H.ID_Instr AS ID_Instr, H.ID_Tabl AS ID_Tabl "
                       "FROM Dolgi_History AS H JOIN %1 AS T ON T.ID = H.ID_Instr "
                       "JOIN People AS PL ON PL.ID = H.ID_People JOIN List_Tabl AS LT ON LT.ID = H.ID_Tabl "
                       "WHERE H.ID_Tabl = %2")
                       .arg(QString::fromLatin1(k.table))
                       .arg(k.code);
    }
    return QStringLiteral("CREATE VIEW SQL_Dolgi_History AS ") + selects.join(QStringLiteral(" UNION ALL "))
        + QStringLiteral(" ORDER BY Nomer_Zap");
}

} // namespace

const std::vector<TableSpec>& schemaTables()
{
    static const std::vector<TableSpec> tables = buildTables();
    return tables;
}

const TableSpec* findTable(const QString& name)
{
    for (const TableSpec& t : schemaTables())
        if (t.name.compare(name, Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

QStringList maxNOfDolgiColumns() { return {QStringLiteral("Expr1000")}; }

QStringList sqlDolgiHistoryColumns()
{
    return {QStringLiteral("ID"), QStringLiteral("Nomer_Zap"), QStringLiteral("KoD"), QStringLiteral("Tabl_Name"),
            QStringLiteral("Date_Start"), QStringLiteral("Date_Fin"), QStringLiteral("DayInWrk"),
            QStringLiteral("FIO"), QStringLiteral("K_vo_Instr_Bral"), QStringLiteral("K_vo_Vernul_ALL"),
            QStringLiteral("Instr_BU"), QStringLiteral("K_vo_Instr_Vernul_New"),
            QStringLiteral("K_vo_Instr_Vernul_BU"), QStringLiteral("K_vo_Instr_Spisano"),
            QStringLiteral("FIO_AdminBD_Add"), QStringLiteral("FIO_AdminBD_DEL"), QStringLiteral("Type"),
            QStringLiteral("ID_Instr"), QStringLiteral("ID_Tabl")};
}

QString kindName(int kindCode)
{
    switch (kindCode) {
    case 1: return QStringLiteral("Сверла");
    case 2: return QStringLiteral("Пластины");
    case 3: return QStringLiteral("Фрезы");
    case 4: return QStringLiteral("Державки пластин");
    }
    return {};
}

QStringList schemaStatements()
{
    QStringList out;
    for (const TableSpec& t : schemaTables()) {
        QStringList cols;
        for (const ColumnSpec& c : t.columns)
            cols << columnDdl(c);
        out << QStringLiteral("CREATE TABLE %1 (%2)").arg(q(t.name), cols.join(QStringLiteral(", ")));
    }
    for (const char* tool : {"Sverla", "Frezy", "Derj_Plast", "Plastinyi"})
        out << QStringLiteral("CREATE INDEX IX_%1_Firma ON %1 (ID_Firma)").arg(QString::fromLatin1(tool));
    for (const char* tbl : {"Dolgi", "Dolgi_History"}) {
        const QString t = QString::fromLatin1(tbl);
        out << QStringLiteral("CREATE INDEX IX_%1_People ON %1 (ID_People)").arg(t)
            << QStringLiteral("CREATE INDEX IX_%1_Instr ON %1 (ID_Tabl, ID_Instr)").arg(t)
            << QStringLiteral("CREATE INDEX IX_%1_Nomer ON %1 (Nomer_Zap)").arg(t);
    }
    for (const char* tbl : {"Prihod_History", "Spisanie_History"}) {
        const QString t = QString::fromLatin1(tbl);
        out << QStringLiteral("CREATE INDEX IX_%1_Instr ON %1 (ID_Tabl, ID_Instr)").arg(t);
        // The history lists read each kind's rows in date order: with every
        // listed column in the index they are read from it alone, unsorted.
        out << QStringLiteral("CREATE INDEX IX_%1_Date ON %1 (ID_Tabl, Date, ID_Instr, K_vo, Instr_is_BU, FIO_AdminBD)")
                   .arg(t);
    }
    // Issue numbers of closed issues count as in use: no number is given twice.
    out << QStringLiteral(
        "CREATE VIEW MaxNOfDolgi AS SELECT CAST(MAX(N) AS INTEGER) AS Expr1000 FROM ("
        "SELECT MAX(Nomer_Zap) AS N FROM Dolgi UNION ALL SELECT MAX(Nomer_Zap) FROM Dolgi_History)");
    out << dolgiHistoryView();
    return out;
}

void createDatabase(const QString& path, const QString& adminPassword)
{
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("Файл \"%1\" уже существует: новая база данных не создана.").arg(path));
    sqlite3* db = nullptr;
    const QByteArray p = path.toUtf8();
    if (sqlite3_open_v2(p.constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr)
        != SQLITE_OK) {
        const QString msg = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("нет памяти");
        sqlite3_close(db);
        throw DbError(QStringLiteral("Не удается создать базу данных \"%1\": %2").arg(path, msg));
    }
    auto run = [&](const QString& sql) {
        char* err = nullptr;
        if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            const QString msg = QString::fromUtf8(err ? err : sqlite3_errmsg(db));
            sqlite3_free(err);
            throw DbError(msg);
        }
    };
    try {
        run(QStringLiteral("PRAGMA journal_mode=WAL"));
        run(QStringLiteral("BEGIN"));
        for (const QString& s : schemaStatements())
            run(s);
        for (int k = 1; k <= 4; ++k)
            run(QStringLiteral("INSERT INTO List_Tabl (ID, Tabl_Name) VALUES (%1, '%2')").arg(k).arg(kindName(k)));
        sqlite3_stmt* st = nullptr;
        const char* ins = "INSERT INTO Pasw_TBL (Login, Pasword, \"Default\") VALUES (?, ?, 1)";
        if (sqlite3_prepare_v2(db, ins, -1, &st, nullptr) != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
        const QByteArray login = QStringLiteral("Администратор").toUtf8();
        const QByteArray pw = adminPassword.toUtf8();
        sqlite3_bind_text(st, 1, login.constData(), int(login.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, pw.constData(), int(pw.size()), SQLITE_TRANSIENT);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
        run(QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_close(db);
        QFile::remove(path);
        QFile::remove(path + QStringLiteral("-wal"));
        QFile::remove(path + QStringLiteral("-shm"));
        throw;
    }
    sqlite3_close(db);
}

namespace {

QSet<QString> columnsOf(sqlite3* db, const QString& object, bool* exists)
{
    QSet<QString> cols;
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = QStringLiteral("SELECT name FROM pragma_table_info(?)").toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    const QByteArray o = object.toUtf8();
    sqlite3_bind_text(st, 1, o.constData(), int(o.size()), SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        cols.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))).toLower());
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    *exists = !cols.isEmpty();
    return cols;
}

} // namespace

void verifySchema(Connection& c)
{
    verifySchema(c.handle(), c.path());
}

void verifySchema(sqlite3* db, const QString& path)
{
    // The first read of the file: a file that is not a database fails here.
    char* err = nullptr;
    if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : sqlite3_errmsg(db));
        sqlite3_free(err);
        throw DbError(QStringLiteral("Файл \"%1\" не является базой данных программы: %2").arg(path, msg));
    }
    auto check = [&](const QString& object, const QStringList& columns, const QString& what) {
        bool exists = false;
        const QSet<QString> have = columnsOf(db, object, &exists);
        if (!exists)
            throw DbError(QStringLiteral("В базе данных \"%1\" нет %2 \"%3\".").arg(path, what, object));
        for (const QString& col : columns)
            if (!have.contains(col.toLower()))
                throw DbError(QStringLiteral("В базе данных \"%1\" в \"%2\" нет поля \"%3\".")
                                  .arg(path, object, col));
    };
    for (const TableSpec& t : schemaTables()) {
        QStringList cols;
        for (const ColumnSpec& col : t.columns)
            cols << col.name;
        check(t.name, cols, QStringLiteral("таблицы"));
    }
    check(QStringLiteral("MaxNOfDolgi"), maxNOfDolgiColumns(), QStringLiteral("запроса"));
    check(QStringLiteral("SQL_Dolgi_History"), sqlDolgiHistoryColumns(), QStringLiteral("запроса"));
}

QList<FieldDef> tableFields(const QString& table, const QStringList& without)
{
    QList<FieldDef> out;
    const TableSpec* t = findTable(table);
    if (!t)
        return out;
    for (const ColumnSpec& c : t->columns) {
        if (without.contains(c.name, Qt::CaseInsensitive))
            continue;
        FieldDef f;
        f.name = c.name;
        f.type = c.type;
        f.size = c.size;
        out << f;
    }
    return out;
}
