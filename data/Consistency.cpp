#include "Consistency.h"

#include "Connection.h"
#include "DbError.h"
#include "Engine.h"
#include "Query.h"
#include "Schema.h"
#include "ToolKind.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <array>
#include <functional>
#include <memory>


namespace {

// One statement, stepped row by row; DbError on every engine failure.
class Rows {
public:
    Rows(Connection& c, const QString& sql) : m_q(c, sql) {}
    bool next() { return m_q.next(); }
    ValueType type(int i) const { return m_q.type(i); }
    bool isNull(int i) const { return m_q.isNull(i); }
    qint64 integer(int i) const { return m_q.int64(i); }
    double real(int i) const { return m_q.real(i); }
    QString text(int i) const { return m_q.text(i); }
    // The value as the line shows it; a null as "пусто".
    QString shown(int i) const
    {
        switch (type(i)) {
        case ValueType::Null: return QStringLiteral("пусто");
        case ValueType::Float: return QString::number(real(i), 'g', 15).replace(QLatin1Char('.'), QLatin1Char(','));
        default: return text(i);
        }
    }

private:
    Query m_q;
};

// The kinds in the order of their codes, as the findings are listed.
std::array<const ToolKindInfo*, ToolKindCount> kindsByCode()
{
    std::array<const ToolKindInfo*, ToolKindCount> out{};
    for (int i = 0; i < ToolKindCount; ++i)
        out[size_t(i)] = &toolKind(toolKindsByCode()[size_t(i)]);
    return out;
}

// SQL condition that a count column breaks: not a whole number (where the
// engine stores anything in any column), or below 0.
QString badCount(const Dialect& d, const QString& col)
{
    if (d.kind == EngineKind::Postgres)
        return QStringLiteral("(%1 < 0)").arg(col);
    return QStringLiteral("(typeof(%1) NOT IN ('integer', 'null') OR %1 < 0)").arg(col);
}

// What is wrong with a count, "" when nothing.
QString countProblem(const Rows& r, int i, const QString& label)
{
    const ValueType t = r.type(i);
    if (t == ValueType::Null)
        return {};
    if (t != ValueType::Integer)
        return QStringLiteral("%1 не целое число: %2").arg(label, r.shown(i));
    if (r.integer(i) < 0)
        return QStringLiteral("%1 меньше нуля: %2").arg(label).arg(r.integer(i));
    return {};
}

QString toolText(int kindCode, const QString& code, const QString& id)
{
    return QStringLiteral("%1, код \"%2\" (ID %3)").arg(kindName(kindCode), code, id);
}

void checkIntegrity(Connection& c, QStringList& out)
{
    const QString found = c.engine().integrityProblem(false);
    // One finding may span lines ("*** in database main ***", then the page).
    for (const QString& line : found.split(QRegularExpression(QStringLiteral("[\\n;]")), Qt::SkipEmptyParts))
        if (!line.trimmed().startsWith(QLatin1String("***")))
            out << QStringLiteral("Файл базы данных поврежден: %1").arg(line.trimmed());
}

void checkKindNames(Connection& db, QStringList& out)
{
    for (const ToolKindInfo* k : kindsByCode()) {
        Rows r(db, QStringLiteral("SELECT count(*) FROM List_Tabl WHERE ID = %1").arg(k->code));
        if (r.next() && r.integer(0) == 0)
            out << QStringLiteral("Вида \"%1\" (код %2) нет в таблице List_Tabl: его долги и история не показываются")
                       .arg(kindName(k->code))
                       .arg(k->code);
    }
}

// Counters, the count in work against the open debts, and the firm.
void checkTools(Connection& db, const ToolKindInfo& k, QStringList& out)
{
    static const char* const counters[] = {"K_vo_New", "K_vo_BU", "K_vo_Dolg", "K_vo_Vozvrat"};
    static const char* const labels[] = {"\"К-во новый\"", "\"К-во БУ\"", "\"К-во долг\"", "\"К-во возврат\""};
    {
        QStringList bad;
        for (const char* c : counters)
            bad << badCount(db.dialect(), QString::fromLatin1(c));
        const QString sql = QStringLiteral(
            "SELECT * FROM (SELECT T.ID, T.Kod, T.K_vo_New, T.K_vo_BU, T.K_vo_Dolg, T.K_vo_Vozvrat, T.ID_Firma, "
            "(SELECT count(*) FROM Firma AS F WHERE F.ID = T.ID_Firma) AS firms, "
            "(SELECT COALESCE(SUM(D.K_vo), 0) FROM Dolgi AS D WHERE D.ID_Tabl = %2 AND D.ID_Instr = T.ID) AS debts "
            "FROM %1 AS T) AS Q WHERE %3 OR firms = 0 OR COALESCE(K_vo_Dolg, 0) <> debts ORDER BY ID")
                                .arg(QString::fromLatin1(k.table))
                                .arg(k.code)
                                .arg(bad.join(QStringLiteral(" OR ")));
        Rows r(db, sql);
        while (r.next()) {
            const QString tool = toolText(k.code, r.text(1), r.text(0));
            for (int c = 0; c < 4; ++c) {
                const QString p = countProblem(r, 2 + c, QString::fromUtf8(labels[c]));
                if (!p.isEmpty())
                    out << tool + QStringLiteral(": ") + p;
            }
            const double debts = r.real(8);
            const double inWork = r.isNull(4) ? 0.0 : r.real(4);
            if (inWork != debts)
                out << tool
                        + QStringLiteral(": \"К-во долг\" %1, а в открытых долгах %2")
                              .arg(r.isNull(4) ? QStringLiteral("пусто") : r.shown(4),
                                   QString::number(debts, 'g', 15).replace(QLatin1Char('.'), QLatin1Char(',')));
            if (r.integer(7) == 0)
                out << tool
                        + (r.isNull(6) ? QStringLiteral(": фирма не указана")
                                                    : QStringLiteral(": фирмы с ID %1 нет").arg(r.shown(6)));
        }
    }
}

// A table whose rows name a tool by (ID_Tabl, ID_Instr): debts and histories.
struct RefTable {
    const char* table;
    const char* what;          // "Долг", ...
    bool numbered;             // has Nomer_Zap
    bool people;               // has ID_People
    bool closed;               // Dolgi_History: what came back, and the closing code
    std::vector<std::pair<const char*, const char*>> counts;   // column, label
};

void checkReferences(Connection& db, const RefTable& t, QStringList& out)
{
    QStringList toolCount, toolCode, bad;
    for (const ToolKindInfo* k : kindsByCode()) {
        toolCount << QStringLiteral("WHEN %1 THEN (SELECT count(*) FROM %2 WHERE ID = R.ID_Instr)")
                         .arg(k->code)
                         .arg(QString::fromLatin1(k->table));
        toolCode << QStringLiteral("WHEN %1 THEN (SELECT Kod FROM %2 WHERE ID = R.ID_Instr)")
                        .arg(k->code)
                        .arg(QString::fromLatin1(k->table));
    }
    QStringList cols{QStringLiteral("R.ID"),
                     t.numbered ? QStringLiteral("R.Nomer_Zap") : QStringLiteral("NULL"),
                     QStringLiteral("R.ID_Tabl"),
                     QStringLiteral("R.ID_Instr"),
                     QStringLiteral("CASE R.ID_Tabl %1 ELSE -1 END AS tools").arg(toolCount.join(QLatin1Char(' '))),
                     QStringLiteral("CASE R.ID_Tabl %1 END").arg(toolCode.join(QLatin1Char(' '))),
                     t.people ? QStringLiteral("R.ID_People") : QStringLiteral("NULL"),
                     t.people ? QStringLiteral("(SELECT count(*) FROM People AS P WHERE P.ID = R.ID_People) AS people")
                              : QStringLiteral("1 AS people")};
    bad << QStringLiteral("tools <> 1") << QStringLiteral("people = 0");
    for (size_t i = 0; i < t.counts.size(); ++i) {
        const QString c = QStringLiteral("c%1").arg(i);
        cols << QStringLiteral("R.%1 AS %2").arg(QString::fromLatin1(t.counts[i].first), c);
        bad << badCount(db.dialect(), c);
    }
    if (t.closed) {
        // c0 taken, c1 back new, c2 back used, c3 written off.
        cols << QStringLiteral("R.ID_Del_Type AS delType")
             << QStringLiteral("CASE WHEN COALESCE(R.K_vo_Instr_Vernul_New, 0) > 0 AND COALESCE(R.K_vo_Instr_Vernul_BU, 0) > 0 "
                               "THEN 4 WHEN COALESCE(R.K_vo_Instr_Vernul_New, 0) > 0 THEN 2 "
                               "WHEN COALESCE(R.K_vo_Instr_Vernul_BU, 0) > 0 THEN 3 ELSE 1 END AS wantType");
        // Code 1 closes a debt of which nothing came back (the pieces were
        // lost or broken at the machine): a closing as sound as the others.
        bad << QStringLiteral("(COALESCE(c0, 0) <> COALESCE(c1, 0) + COALESCE(c2, 0) + COALESCE(c3, 0) "
                              "AND NOT (delType = 1 AND wantType = 1))")
            << (db.dialect().kind == EngineKind::Postgres ? QStringLiteral("delType IS DISTINCT FROM wantType")
                                                          : QStringLiteral("delType IS NOT wantType"));
    }
    const QString sql = QStringLiteral("SELECT * FROM (SELECT %1 FROM %2 AS R) AS Q WHERE %3 ORDER BY ID")
                            .arg(cols.join(QStringLiteral(", ")), QString::fromLatin1(t.table),
                                 bad.join(QStringLiteral(" OR ")));
    Rows r(db, sql);
    const int firstCount = 8;
    while (r.next()) {
        QString row = t.numbered ? QStringLiteral("%1 № %2 (ID %3)").arg(QString::fromUtf8(t.what), r.shown(1), r.text(0))
                                 : QStringLiteral("%1 (ID %2)").arg(QString::fromUtf8(t.what), r.text(0));
        const qint64 tools = r.integer(4);
        if (tools == -1) {
            out << row + QStringLiteral(": вида инструмента с кодом %1 нет (ID_Instr %2)").arg(r.shown(2), r.shown(3));
            continue;
        }
        const int kind = int(r.integer(2));
        if (tools == 0) {
            out << row + QStringLiteral(": инструмента вида \"%1\" с ID %2 нет").arg(kindName(kind), r.shown(3));
        } else {
            row += QStringLiteral(", ") + toolText(kind, r.text(5), r.text(3));
        }
        if (r.integer(7) == 0)
            out << row
                    + (r.isNull(6) ? QStringLiteral(": оператор не указан")
                                                : QStringLiteral(": оператора с ID %1 нет").arg(r.shown(6)));
        bool countsSound = true;
        for (size_t i = 0; i < t.counts.size(); ++i) {
            const QString p = countProblem(r, firstCount + int(i), QString::fromUtf8(t.counts[i].second));
            if (!p.isEmpty()) {
                out << row + QStringLiteral(": ") + p;
                countsSound = false;
            }
        }
        if (t.closed && countsSound) {
            const int c = firstCount;
            auto n = [&](int i) { return r.isNull(c + i) ? 0 : r.integer(c + i); };
            const int d = c + int(t.counts.size());
            const bool nothingBack = r.type(d) == ValueType::Integer && r.integer(d) == 1 && r.integer(d + 1) == 1;
            if (n(0) != n(1) + n(2) + n(3) && !nothingBack)
                out << row
                        + QStringLiteral(": взято %1, а возвращено новых %2, БУ %3, списано %4")
                              .arg(n(0))
                              .arg(n(1))
                              .arg(n(2))
                              .arg(n(3));
            if (r.type(d) != ValueType::Integer || r.integer(d) != r.integer(d + 1))
                out << row
                        + QStringLiteral(": код закрытия %1, а по возвращенному должен быть %2")
                              .arg(r.shown(d))
                              .arg(r.integer(d + 1));
        }
    }
}

} // namespace

QStringList consistencyFindings(Connection& db, bool wholeFile)
{
    if (!db.isOpen())
        throw DbError(QStringLiteral("Нет соединения с базой данных."));
    // One read transaction: counters and debts are seen as of one moment,
    // whatever another copy of the program commits meanwhile.
    std::unique_ptr<Transaction> rt;
    if (!db.inTransaction())
        rt = std::make_unique<Transaction>(db);
    QStringList out;
    if (wholeFile) {
        try {
            checkIntegrity(db, out);
        } catch (const DbError& e) {
            out << QStringLiteral("Файл базы данных поврежден: %1").arg(e.message());
        }
    }
    try {
        verifySchema(db);
    } catch (const DbError& e) {
        // Rows of a file that is not the program's database cannot be judged.
        out << e.message();
        return out;
    }
    const RefTable tables[] = {
        {"Dolgi", "Долг", true, true, false, {{"K_vo", "количество"}}},
        {"Dolgi_History",
         "Закрытый долг",
         true,
         true,
         true,
         {{"K_vo_Instr_Bral", "взято"},
          {"K_vo_Instr_Vernul_New", "возвращено новых"},
          {"K_vo_Instr_Vernul_BU", "возвращено БУ"},
          {"K_vo_Instr_Spisano", "списано"}}},
        {"Prihod_History", "Приход", false, false, false, {{"K_vo", "количество"}}},
        {"Spisanie_History", "Списание", false, false, false, {{"K_vo", "количество"}}},
        {"Min_Ostatok", "Минимальный остаток", false, false, false, {{"K_vo_Min", "минимум"}}},
    };
    // Each part on its own: a damaged table stops only its own part.
    auto part = [&](const QString& what, const std::function<void()>& check) {
        try {
            check();
        } catch (const DbError& e) {
            out << QStringLiteral("Проверка таблицы %1 прервана: %2").arg(what, e.message());
        }
    };
    part(QStringLiteral("List_Tabl"), [&] { checkKindNames(db, out); });
    for (const ToolKindInfo* k : kindsByCode())
        part(QString::fromLatin1(k->table), [&] { checkTools(db, *k, out); });
    for (const RefTable& t : tables) {
        // A file the program has not opened since the minimums came has none.
        if (t.table == QLatin1String("Min_Ostatok") && !hasTable(db, QStringLiteral("Min_Ostatok")))
            continue;
        part(QString::fromLatin1(t.table), [&] { checkReferences(db, t, out); });
    }
    return out;
}

QStringList consistencyOfFile(const QString& name)
{
    Connection c;
    c.openReadOnly(name);
    try {
        verifySchema(c);
    } catch (const DbError&) {
        // Damage can hide tables: say what the engine finds first.
        QStringList damage;
        checkIntegrity(c, damage);
        if (!damage.isEmpty())
            return damage;
        throw;
    }
    return consistencyFindings(c);
}
