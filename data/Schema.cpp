#include "Schema.h"

#include "Connection.h"
#include "Engine.h"
#include "Query.h"
#include "DbError.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>


namespace {

ColumnShape autoId() { return ColumnShape{QStringLiteral("ID"), FieldType::Integer, 0, true}; }
ColumnShape ci(const char* n) { return ColumnShape{QString::fromLatin1(n), FieldType::Integer}; }
ColumnShape cf(const char* n) { return ColumnShape{QString::fromLatin1(n), FieldType::Float}; }
ColumnShape cb(const char* n) { return ColumnShape{QString::fromLatin1(n), FieldType::Boolean}; }
ColumnShape cd(const char* n) { return ColumnShape{QString::fromLatin1(n), FieldType::DateTime}; }
ColumnShape ct(const char* n, int size) { return ColumnShape{QString::fromLatin1(n), FieldType::Text, size}; }
ColumnShape cm(const char* n) { return ColumnShape{QString::fromLatin1(n), FieldType::Memo}; }

std::vector<TableShape> buildTables()
{
    std::vector<TableShape> t;
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
    ColumnShape listKey = ci("ID");
    listKey.key = true;
    t.push_back({QStringLiteral("List_Tabl"), {listKey, ct("Tabl_Name", 255)}});
    t.push_back({QStringLiteral("Support"), {autoId(), ct("Name_OP", 250), cb("BD_in_Work")}});
    // A tool's minimum stock (one row per tool at most) and the settings
    // every copy of the program shares.
    t.push_back({QStringLiteral("Min_Ostatok"), {autoId(), ci("ID_Tabl"), ci("ID_Instr"), ci("K_vo_Min")}, true});
    t.push_back({QStringLiteral("Nastroiki"), {autoId(), ct("Name", 50), ct("Value", 250)}, true});
    return t;
}

QString columnDdl(const Dialect& d, const ColumnShape& c)
{
    const QString name = d.quoted(c.name);
    QString ddl = name + QLatin1Char(' ') + d.columnType(c.type, c.size, c.autoKey, c.key);
    if (c.autoKey || c.key)
        return ddl;
    // What the columns hold is checked as the types say, also on an engine
    // that would store anything in any column.
    if (c.type == FieldType::Boolean)
        ddl += QStringLiteral(" CHECK (%1 IN (0, 1))").arg(name);
    else if (c.type == FieldType::Text && d.kind == EngineKind::Sqlite)
        ddl += QStringLiteral(" CHECK (length(%1) <= %2)").arg(name).arg(c.size);
    return ddl;
}

// Kind code, table, code column, in the order of the kind codes.
struct KindTable { int code; const char* table; };
const KindTable kKinds[] = {{1, "Sverla"}, {2, "Plastinyi"}, {3, "Frezy"}, {4, "Derj_Plast"}};

QString dolgiHistoryView(const Dialect& d)
{
    QStringList selects;
    for (const KindTable& k : kKinds) {
        selects << QStringLiteral(
                       "SELECT H.ID AS ID, H.Nomer_Zap AS Nomer_Zap, T.Kod AS KoD, LT.Tabl_Name AS Tabl_Name, "
                       "H.Date_Start AS Date_Start, H.Date_Fin AS Date_Fin, "
                       "%3 AS DayInWrk, "
                       "PL.FIO AS FIO, H.K_vo_Instr_Bral AS K_vo_Instr_Bral, "
                       "COALESCE(H.K_vo_Instr_Vernul_New, 0) + COALESCE(H.K_vo_Instr_Vernul_BU, 0) AS K_vo_Vernul_ALL, "
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
                       .arg(k.code)
                       .arg(d.daysBetween(QStringLiteral("H.Date_Start"), QStringLiteral("H.Date_Fin")));
    }
    return QStringLiteral("CREATE VIEW SQL_Dolgi_History AS ") + selects.join(QStringLiteral(" UNION ALL "))
        + QStringLiteral(" ORDER BY Nomer_Zap");
}

} // namespace

const std::vector<TableShape>& schemaTables()
{
    static const std::vector<TableShape> tables = buildTables();
    return tables;
}

const TableShape* findTable(const QString& name)
{
    for (const TableShape& t : schemaTables())
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
    return schemaStatements(Dialect{});
}

namespace {

QString changeTrigger(const TableShape& t)
{
    return QStringLiteral("CREATE TRIGGER tooldb_changed AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON %1 "
                          "FOR EACH STATEMENT EXECUTE FUNCTION tooldb_changed()")
        .arg(t.name);
}

// The CREATE TABLE of one table, and the indexes and rules of the tables
// added later (their statements stand alone: an older database gets them so).
QStringList tableStatements(const Dialect& d, const TableShape& t)
{
    QStringList out;
    QStringList cols;
    for (const ColumnShape& c : t.columns) {
        QString ddl = columnDdl(d, c);
        if (t.name == QLatin1String("Min_Ostatok") && c.name == QLatin1String("K_vo_Min"))
            ddl += QStringLiteral(" NOT NULL CHECK (K_vo_Min >= 0)");
        else if (t.name == QLatin1String("Min_Ostatok") && !c.autoKey)
            ddl += QStringLiteral(" NOT NULL");
        else if (t.name == QLatin1String("Nastroiki") && c.name == QLatin1String("Name"))
            ddl += QStringLiteral(" NOT NULL");
        cols << ddl;
    }
    out << QStringLiteral("CREATE TABLE %1 (%2)").arg(d.quoted(t.name), cols.join(QStringLiteral(", ")));
    if (t.name == QLatin1String("Min_Ostatok"))
        out << QStringLiteral("CREATE UNIQUE INDEX IX_Min_Ostatok_Instr ON Min_Ostatok (ID_Tabl, ID_Instr)");
    else if (t.name == QLatin1String("Nastroiki"))
        out << QStringLiteral("CREATE UNIQUE INDEX IX_Nastroiki_Name ON Nastroiki (Name)");
    return out;
}

} // namespace

QStringList schemaStatements(const Dialect& d)
{
    QStringList out;
    for (const TableShape& t : schemaTables())
        out << tableStatements(d, t);
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
        "SELECT MAX(Nomer_Zap) AS N FROM Dolgi UNION ALL SELECT MAX(Nomer_Zap) FROM Dolgi_History) AS M");
    out << dolgiHistoryView(d);
    // A server's change counter: its row is the write lock, its value tells
    // the copies whether anyone wrote (see PgEngine).
    // Every statement that writes a table raises it too and notifies the
    // copies listening, so that a write of another program (or by hand) is
    // seen as one.
    if (d.kind == EngineKind::Postgres) {
        out << QStringLiteral("CREATE TABLE tooldb_version (n bigint NOT NULL)")
            << QStringLiteral("INSERT INTO tooldb_version VALUES (0)")
            // Once per transaction: a copy or an import writing a million
            // rows raises it once, not a million times over one row.
            << QStringLiteral("CREATE FUNCTION tooldb_changed() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN "
                              "IF COALESCE(current_setting('tooldb.raised', true), '') <> '1' THEN "
                              "UPDATE tooldb_version SET n = n + 1; NOTIFY tooldb_change; "
                              "PERFORM set_config('tooldb.raised', '1', true); END IF; RETURN NULL; END$$");
        for (const TableShape& t : schemaTables())
            out << changeTrigger(t);
    }
    return out;
}

void createSchema(Connection& c, const QString& adminPassword)
{
    Transaction tr(c);
    for (const QString& s : schemaStatements(c.dialect()))
        c.exec(s);
    for (int k = 1; k <= 4; ++k) {
        Query i(c, QStringLiteral("INSERT INTO List_Tabl (ID, Tabl_Name) VALUES (?, ?)"));
        i.bindInt(0, k).bindText(1, kindName(k));
        i.exec();
    }
    if (!adminPassword.isNull()) {
        Query i(c, QStringLiteral("INSERT INTO Pasw_TBL (Login, Pasword, \"Default\") VALUES (?, ?, 1)"));
        i.bindText(0, QStringLiteral("Администратор")).bindText(1, adminPassword);
        i.exec();
    }
    tr.commit();
}

bool hasTable(Connection& c, const QString& name)
{
    bool exists = false;
    c.engine().columnsOf(name, &exists);
    return exists;
}

bool addMissingTables(Connection& c)
{
    auto missing = [&c] {
        std::vector<const TableShape*> out;
        for (const TableShape& t : schemaTables())
            if (t.addedLater && !hasTable(c, t.name))
                out.push_back(&t);
        return out;
    };
    if (missing().empty())
        return false;
    // Asked again under the write lock: another copy starting at the same
    // moment may have made them meanwhile.
    WriteTransaction tr(c);
    const std::vector<const TableShape*> tables = missing();
    if (tables.empty())
        return false;
    for (const TableShape* t : tables) {
        for (const QString& s : tableStatements(c.dialect(), *t))
            c.exec(s);
        if (c.dialect().kind == EngineKind::Postgres)
            c.exec(changeTrigger(*t));
    }
    tr.commit();
    return true;
}

bool holdsSchema(Connection& c)
{
    bool exists = false;
    c.engine().columnsOf(QStringLiteral("Pasw_TBL"), &exists);
    return exists;
}

namespace {

// A new database: a new file made for it alone, or a server database that
// holds none of the program's tables yet.
void makeDatabase(const QString& name, const QString& adminPassword)
{
    Connection c;
    if (isServerName(name)) {
        c.open(name, false);
        if (holdsSchema(c))
            throw DbError(QStringLiteral("В базе данных %1 уже есть таблицы программы: новая база данных не создана.")
                              .arg(c.displayName()));
        createSchema(c, adminPassword);
        return;
    }
    c.create(name);
    try {
        createSchema(c, adminPassword);
    } catch (...) {
        c.discardCreated();
        throw;
    }
}

} // namespace

void createDatabase(const QString& name, const QString& adminPassword)
{
    makeDatabase(name, adminPassword.isNull() ? QStringLiteral("") : adminPassword);
}

void createEmptyDatabase(const QString& name)
{
    makeDatabase(name, QString());
}

void verifySchemaWith(const std::function<QSet<QString>(const QString&, bool*)>& columnsOf, const QString& shown)
{
    auto check = [&](const QString& object, const QStringList& columns, const QString& what) {
        bool exists = false;
        const QSet<QString> have = columnsOf(object, &exists);
        if (!exists)
            throw DbError(QStringLiteral("В базе данных \"%1\" нет %2 \"%3\".").arg(shown, what, object));
        for (const QString& col : columns)
            if (!have.contains(col.toLower()))
                throw DbError(QStringLiteral("В базе данных \"%1\" в \"%2\" нет поля \"%3\".")
                                  .arg(shown, object, col));
    };
    for (const TableShape& t : schemaTables()) {
        QStringList cols;
        for (const ColumnShape& col : t.columns)
            cols << col.name;
        if (t.addedLater) {
            bool exists = false;
            columnsOf(t.name, &exists);
            if (!exists)
                continue;
        }
        check(t.name, cols, QStringLiteral("таблицы"));
    }
    check(QStringLiteral("MaxNOfDolgi"), maxNOfDolgiColumns(), QStringLiteral("запроса"));
    check(QStringLiteral("SQL_Dolgi_History"), sqlDolgiHistoryColumns(), QStringLiteral("запроса"));
}

void verifySchema(Connection& c)
{
    Engine& e = c.engine();
    verifySchemaWith([&e](const QString& t, bool* exists) { return e.columnsOf(t, exists); }, c.displayName());
}

QList<FieldDef> tableFields(const QString& table, const QStringList& without)
{
    QList<FieldDef> out;
    const TableShape* t = findTable(table);
    if (!t)
        return out;
    for (const ColumnShape& c : t->columns) {
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
