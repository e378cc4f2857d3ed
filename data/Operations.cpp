#include "Operations.h"

#include "Engine.h"
#include "Query.h"
#include "Schema.h"
#include "StockLimits.h"

#include <QThread>

#include <limits>

namespace ops {

namespace {

constexpr qint64 CountMax = std::numeric_limits<qint32>::max();

QString q(const QString& ident)
{
    QString s = ident;
    s.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

QString latin(const char* s) { return QString::fromLatin1(s); }

QString readAgain() { return QStringLiteral("Ничего не сохранено, данные обновлены."); }

// An operation's outcome while it runs: a refusal ends it before anything
// is committed (the transaction's guard rolls back).
struct Refused {
    Refusal refusal;
    QString message;
};

Result refused(Refusal why, const QString& message)
{
    Result r;
    r.status = Status::Refused;
    r.refusal = why;
    r.message = message;
    return r;
}

// Runs one operation: its body reads, checks and writes inside the write
// transaction and returns the result to give when it commits; a refusal
// (thrown as Refused) or a failure leaves nothing written.
//
// On a server, a deadlock with another connection or a serialization
// failure is the server's word to try again: the whole short transaction
// runs again, up to RunAttempts times, before "changed elsewhere" is said.
constexpr int RunAttempts = 3;

template <class Body>
Result run(Connection& c, Body body)
{
    for (int attempt = 1;; ++attempt) {
        int step = StepNone;
        try {
            WriteTransaction tr(c);
            Result r = body(tr, step);
            if (r.status == Status::Stored) {
                step = StepNone;
                tr.commit();
                r.before = tr.before();
                r.after = tr.after();
            }
            return r;
        } catch (const Refused& no) {
            return refused(no.refusal, no.message);
        } catch (const DbError& e) {
            if (e.reason() == DbError::Reason::Conflict && c.isServer() && attempt < RunAttempts) {
                QThread::msleep(20 * attempt);
                continue;
            }
            Result r;
            r.status = Status::Failed;
            r.message = e.message();
            r.reason = e.reason();
            r.step = step;
            return r;
        }
    }
}

[[noreturn]] void refuse(Refusal why, const QString& message) { throw Refused{why, message}; }

// The tool's three counters as the file holds them now.
struct Counts {
    qint64 fresh = 0, used = 0, inWork = 0;
};

QString countsColumns(const ToolKindInfo& k)
{
    return QStringLiteral("%1, %2, %3").arg(q(latin(k.tableNewColumn)), q(latin(k.buField)), q(latin(k.tableDolgColumn)));
}

Counts readCounts(Connection& c, const ToolKindInfo& k, int id, const QString& goneMessage)
{
    Query qr(c, QStringLiteral("SELECT %1 FROM %2 WHERE ID = ?").arg(countsColumns(k), q(latin(k.table))));
    qr.bindInt(0, id);
    if (!qr.next())
        refuse(Refusal::ToolGone, goneMessage);
    Counts n{qr.int64(0), qr.int64(1), qr.int64(2)};
    for (qint64 v : {n.fresh, n.used, n.inWork}) {
        // A count below 0 that another program stored is kept as it is (a
        // movement never takes from it); one past the column's range cannot
        // be written back.
        if (v < std::numeric_limits<qint32>::min() || v > CountMax)
            refuse(Refusal::CountOutOfRange,
                   QStringLiteral("У инструмента (таблица \"%1\", ID %2) в базе данных записано количество %3: "
                                  "такого количества быть не может. Ничего не сохранено.")
                       .arg(latin(k.table))
                       .arg(id)
                       .arg(v));
    }
    return n;
}

void writeCounts(Connection& c, const ToolKindInfo& k, int id, const Counts& n)
{
    for (qint64 v : {n.fresh, n.used, n.inWork})
        if (v > CountMax)
            refuse(Refusal::TooMany, QStringLiteral("Количество инструмента не может быть больше %1 шт. "
                                                    "Ничего не сохранено.")
                                         .arg(CountMax));
    Query u(c, QStringLiteral("UPDATE %1 SET %2 = ?, %3 = ?, %4 = ? WHERE ID = ?")
                   .arg(q(latin(k.table)), q(latin(k.tableNewColumn)), q(latin(k.buField)), q(latin(k.tableDolgColumn))));
    u.bindInt(0, n.fresh).bindInt(1, n.used).bindInt(2, n.inWork).bindInt(3, id);
    u.exec();
}


Refused notEnough(const Counts& n, const QString& what)
{
    return Refused{Refusal::NotEnoughStock,
                   QStringLiteral("%1 В базе сейчас: новых %2 шт., БУ %3 шт. (остаток изменён в другой копии "
                                  "программы). ")
                           .arg(what)
                           .arg(n.fresh)
                           .arg(n.used)
                       + readAgain()};
}

Result storedWith(const Counts& n)
{
    Result r;
    r.status = Status::Stored;
    r.changes.countsOnly = true;
    r.stockNew = n.fresh;
    r.stockUsed = n.used;
    r.inWork = n.inWork;
    return r;
}

bool exists(Connection& c, const QString& sql, std::initializer_list<QVariant> params)
{
    Query qr(c, sql);
    int i = 0;
    for (const QVariant& p : params)
        qr.bind(i++, p);
    return qr.next();
}

QDateTime dayOf(const QDate& d)
{
    return QDateTime(d.isValid() ? d : QDate::currentDate(), QTime(0, 0));
}

qint64 insertHistory(Connection& c, const char* table, const ToolKindInfo& k, int toolId, int pieces, bool used,
                     const QDate& date, const QString& login)
{
    Query i(c, QStringLiteral("INSERT INTO %1 (ID_Instr, ID_Tabl, \"Date\", K_vo, Instr_is_BU, FIO_AdminBD) "
                              "VALUES (?, ?, ?, ?, ?, ?)")
                   .arg(latin(table)));
    i.bindInt(0, toolId).bindInt(1, k.code).bindDateTime(2, dayOf(date)).bindInt(3, pieces).bindInt(4, used ? 1 : 0);
    i.bindText(5, login);
    i.exec();
    return i.insertedId();
}

// --- Records ---------------------------------------------------------------

// A condition that holds while the column still has the value read:
// compared as it was read (a number stored as text, a flag stored as 5),
// so that only a real change elsewhere refuses.
QString unchanged(const Dialect& d, const ColumnValue& v)
{
    const QString read = d.asRead(q(v.column), v.type);
    if (v.type == FieldType::DateTime && d.kind == EngineKind::Sqlite)
        return QStringLiteral("(%1 IS julianday(?))").arg(read);
    return d.sameAsParam(read);
}

void bindValue(Query& qr, int i, const ColumnValue& v)
{
    if (!v.value.isValid() || v.value.isNull()) {
        qr.bindNull(i);
        return;
    }
    switch (v.type) {
    case FieldType::Integer: qr.bindInt(i, v.value.toLongLong()); break;
    case FieldType::Boolean: qr.bindInt(i, v.value.toBool() ? 1 : 0); break;
    case FieldType::Float: qr.bindDouble(i, v.value.toDouble()); break;
    case FieldType::DateTime: qr.bindDateTime(i, v.value.toDateTime()); break;
    case FieldType::Text:
    case FieldType::Memo: qr.bindText(i, v.value.toString()); break;
    }
}

qint64 insertRecord(Connection& c, const QString& table, const QList<ColumnValue>& values)
{
    QStringList cols, marks;
    for (const ColumnValue& v : values) {
        cols << q(v.column);
        marks << QStringLiteral("?");
    }
    Query i(c, values.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(q(table))
                                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(q(table), cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
    for (int n = 0; n < values.size(); ++n)
        bindValue(i, n, values[n]);
    i.exec();
    return i.insertedId();
}

// Refuses (gone or changed) unless the record still holds what was read.
void requireUnchanged(Connection& c, const RecordWrite& w, const QString& goneMessage)
{
    QString sql = QStringLiteral("SELECT 1 FROM %1 WHERE ID = ?").arg(q(w.table));
    if (!exists(c, sql, {w.id}))
        refuse(Refusal::RowGone, goneMessage);
    for (const ColumnValue& v : w.read)
        sql += QStringLiteral(" AND ") + unchanged(c.dialect(), v);
    Query qr(c, sql);
    qr.bindInt(0, w.id);
    for (int n = 0; n < w.read.size(); ++n)
        bindValue(qr, n + 1, w.read[n]);
    if (!qr.next())
        refuse(Refusal::RowChanged, DbError::conflictText());
}

void updateRecord(Connection& c, const RecordWrite& w, const QList<ColumnValue>& values)
{
    if (values.isEmpty())
        return;
    QStringList sets;
    for (const ColumnValue& v : values)
        sets << q(v.column) + QStringLiteral(" = ?");
    Query u(c, QStringLiteral("UPDATE %1 SET %2 WHERE ID = ?").arg(q(w.table), sets.join(QStringLiteral(", "))));
    int n = 0;
    for (const ColumnValue& v : values)
        bindValue(u, n++, v);
    u.bindInt(n, w.id);
    u.exec();
}

void deleteRecord(Connection& c, const RecordWrite& w)
{
    Query d(c, QStringLiteral("DELETE FROM %1 WHERE ID = ?").arg(q(w.table)));
    d.bindInt(0, w.id);
    d.exec();
}

QString recordGoneText()
{
    return QStringLiteral("Записи нет в базе данных: её удалили в другой копии программы. ") + readAgain();
}

Result storedRecord(qint64 id, const QStringList& tables)
{
    Result r;
    r.status = Status::Stored;
    r.id = id;
    r.changes.tables = tables;
    return r;
}

// Saves a record: a new one, or the columns that changed of one that still
// holds what was read.
Result saveRecord(Connection& c, const RecordWrite& w, int& step, const QList<ColumnValue>& values,
                  const QStringList& tables)
{
    step = StepRecord;
    if (w.id == 0)
        return storedRecord(insertRecord(c, w.table, values), tables);
    requireUnchanged(c, w, recordGoneText());
    updateRecord(c, w, values);
    return storedRecord(w.id, tables);
}

bool isCounter(const ToolKindInfo& k, const QString& column)
{
    for (const char* n : {k.tableNewColumn, k.buField, k.tableDolgColumn, "K_vo_Vozvrat"})
        if (column.compare(latin(n), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

bool Changes::touches(const QStringList& tablesRead) const
{
    for (const QString& t : tables)
        for (const QString& r : tablesRead)
            if (t.compare(r, Qt::CaseInsensitive) == 0)
                return true;
    return false;
}

int closingCode(int toNew, int toUsed)
{
    if (toNew > 0)
        return toUsed > 0 ? 4 : 2;
    return toUsed > 0 ? 3 : 1;
}

QString administratorLogin() { return QStringLiteral("Администратор"); }

QString toolGoneText()
{
    return QStringLiteral("Инструмента нет в базе данных: его удалили в другой копии программы. ") + readAgain();
}

qint64 nextIssueNumber(Connection& c)
{
    return queryInt(c, QStringLiteral("SELECT Expr1000 FROM MaxNOfDolgi")) + 1;
}

std::optional<ToolCounts> readToolCounts(Connection& c, ToolKind kind, int id)
{
    const ToolKindInfo& k = toolKind(kind);
    Query qr(c, QStringLiteral("SELECT %1 FROM %2 WHERE ID = ?").arg(countsColumns(k), q(latin(k.table))));
    qr.bindInt(0, id);
    if (!qr.next())
        return std::nullopt;
    return ToolCounts{qr.int64(0), qr.int64(1), qr.int64(2)};
}

// --- Stock movements -----------------------------------------------------------

Result issue(Connection& c, const IssueRequest& r)
{
    if (r.quantity <= 0)
        return refused(Refusal::BadRequest, QStringLiteral("Поле \"Отдать\" не может быть меньше или равно 0!!!"));
    if (r.number < 0 || r.number > CountMax)
        return refused(Refusal::BadRequest, QStringLiteral("Поле \"№ записи\" должно содержать целое число!!!"));
    const ToolKindInfo& k = toolKind(r.kind);
    return run(c, [&](WriteTransaction&, int& step) {
        Counts n = readCounts(c, k, r.toolId, toolGoneText());
        if (!exists(c, QStringLiteral("SELECT 1 FROM People WHERE ID = ?"), {r.operatorId}))
            refuse(Refusal::OperatorGone, QStringLiteral("Оператора нет в базе данных: его удалили в другой копии "
                                                         "программы. Выберите оператора заново. ")
                                              + readAgain());
        if (exists(c, QStringLiteral("SELECT 1 FROM Dolgi WHERE Nomer_Zap = ?"), {r.number})) {
            const qint64 next = nextIssueNumber(c);
            Result res = refused(Refusal::NumberTaken,
                                 QStringLiteral("Долг № %1 уже есть в списке долгов: номер записи не может "
                                                "повторяться. Предложен следующий свободный номер: %2.")
                                     .arg(r.number)
                                     .arg(next));
            res.nextNumber = next;
            return res;
        }
        qint64& from = r.fromUsed ? n.used : n.fresh;
        if (from < r.quantity) {
            Result res = refused(Refusal::NotEnoughStock, notEnough(n, QStringLiteral("Нельзя отдать инструмента "
                                                                                      "больше чем есть в базе!!!"))
                                                              .message);
            res.stockNew = n.fresh;
            res.stockUsed = n.used;
            res.inWork = n.inWork;
            return res;
        }
        from -= r.quantity;
        n.inWork += r.quantity;
        step = StepDebt;
        Query i(c, QStringLiteral("INSERT INTO Dolgi (Nomer_Zap, ID_Instr, ID_Tabl, ID_People, \"Date\", K_vo, "
                                  "Instr_is_BU, FIO_AdminBD) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
        i.bindInt(0, r.number).bindInt(1, r.toolId).bindInt(2, k.code).bindInt(3, r.operatorId);
        i.bindDateTime(4, dayOf(r.date)).bindInt(5, r.quantity).bindInt(6, r.fromUsed ? 1 : 0).bindText(7, r.login);
        i.exec();
        const qint64 debt = i.insertedId();
        step = StepTool;
        writeCounts(c, k, r.toolId, n);
        Result res = storedWith(n);
        res.id = debt;
        res.changes.tables = {latin(k.table), QStringLiteral("Dolgi")};
        res.changes.kind = r.kind;
        res.changes.toolId = r.toolId;
        res.changes.debtAdded = int(debt);
        return res;
    });
}

Result closeDebt(Connection& c, const ReturnRequest& r)
{
    const QString mismatch = QStringLiteral("Количество инструмента в поле \"Всего инструмента\" должно быть равно "
                                            "количеству инструмента в поле \"К-во инструмента\"!!!");
    // Only the debt's own quantity is ever stored, used pieces come back used.
    if (r.toNew < 0 || r.toUsed < 0 || qint64(r.toNew) + r.toUsed != r.quantity || (r.fromUsed && r.toNew != 0))
        return refused(Refusal::BadRequest, mismatch);
    const std::optional<ToolKind> kind = toolKindByCode(r.kindCode);
    if (!kind)
        return refused(Refusal::UnknownKind, QStringLiteral("Долг № %1 относится к неизвестному виду инструмента (%2). "
                                                            "Ничего не сохранено!!!")
                                                 .arg(r.number)
                                                 .arg(r.kindCode));
    const ToolKindInfo& k = toolKind(*kind);
    return run(c, [&](WriteTransaction&, int& step) {
        // The debt as the list showed it.
        Query d(c, QStringLiteral("SELECT Nomer_Zap, ID_People, \"Date\", FIO_AdminBD FROM Dolgi WHERE ID = ? AND "
                                  "K_vo = ? AND ID_Instr = ? AND ID_Tabl = ? AND (Instr_is_BU <> 0) = ?"));
        d.bindInt(0, r.debtId).bindInt(1, r.quantity).bindInt(2, r.toolId).bindInt(3, r.kindCode);
        d.bindInt(4, r.fromUsed ? 1 : 0);
        if (!d.next())
            refuse(Refusal::DebtGone, QStringLiteral("Долг № %1 уже закрыт или изменён в другой копии программы. "
                                                     "Ничего не сохранено, список долгов обновлён.")
                                          .arg(r.number));
        Counts n = readCounts(c, k, r.toolId,
                              QStringLiteral("Инструмент долга № %1 не найден в таблице \"%2\". "
                                             "Долг не закрыт, ничего не сохранено!!!")
                                  .arg(r.number)
                                  .arg(latin(k.table)));
        if (n.inWork < r.quantity)
            refuse(Refusal::InWorkShort, QStringLiteral("У инструмента долга № %1 в работе числится %2 шт., меньше, "
                                                        "чем по долгу (%3 шт.). Долг не закрыт, ничего не сохранено!!!")
                                             .arg(r.number)
                                             .arg(n.inWork)
                                             .arg(r.quantity));
        step = StepClosedDebt;
        Query h(c, QStringLiteral(
                       "INSERT INTO Dolgi_History (Nomer_Zap, ID_Instr, ID_Tabl, ID_People, Date_Start, Date_Fin, "
                       "K_vo_Instr_Bral, Instr_BU, K_vo_Instr_Vernul_New, K_vo_Instr_Vernul_BU, ID_Del_Type, "
                       "FIO_AdminBD_Add, FIO_AdminBD_DEL) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        h.bind(0, d.value(0)).bindInt(1, r.toolId).bindInt(2, r.kindCode).bind(3, d.value(1));
        h.bindDateTime(4, d.dateTime(2)).bindDateTime(5, dayOf(r.date)).bindInt(6, r.quantity);
        h.bindInt(7, r.fromUsed ? 1 : 0).bindInt(8, r.toNew).bindInt(9, r.toUsed);
        h.bindInt(10, closingCode(r.toNew, r.toUsed)).bind(11, d.value(3)).bindText(12, r.login);
        h.exec();
        step = StepTool;
        n.fresh += r.toNew;
        n.used += r.toUsed;
        n.inWork -= r.quantity;
        writeCounts(c, k, r.toolId, n);
        step = StepDebtDelete;
        Query del(c, QStringLiteral("DELETE FROM Dolgi WHERE ID = ?"));
        del.bindInt(0, r.debtId);
        del.exec();
        Result res = storedWith(n);
        res.id = h.insertedId();
        res.changes.tables = {latin(k.table), QStringLiteral("Dolgi"), QStringLiteral("Dolgi_History")};
        res.changes.kind = *kind;
        res.changes.toolId = r.toolId;
        res.changes.debtRemoved = r.debtId;
        return res;
    });
}

namespace {

Result moveStock(Connection& c, const StockRequest& r, bool in)
{
    if (r.newPieces < 0 || r.usedPieces < 0 || (r.newPieces == 0 && r.usedPieces == 0))
        return refused(Refusal::BadRequest, in ? QStringLiteral("Необходимо добать к-во инструмента больше 0.!")
                                               : QStringLiteral("Чтобы списать инструмент нужно выбрать к-во отличное "
                                                                "от 0 !"));
    const ToolKindInfo& k = toolKind(r.kind);
    const char* history = in ? "Prihod_History" : "Spisanie_History";
    return run(c, [&](WriteTransaction&, int& step) {
        Counts n = readCounts(c, k, r.toolId, toolGoneText());
        if (in) {
            n.fresh += r.newPieces;
            n.used += r.usedPieces;
        } else {
            if ((r.newPieces > 0 && n.fresh < r.newPieces) || (r.usedPieces > 0 && n.used < r.usedPieces)) {
                Result res = refused(Refusal::NotEnoughStock,
                                     notEnough(n, QStringLiteral("Нельзя списать инструмента больше, чем есть в базе!"))
                                         .message);
                res.stockNew = n.fresh;
                res.stockUsed = n.used;
                res.inWork = n.inWork;
                return res;
            }
            n.fresh -= r.newPieces;
            n.used -= r.usedPieces;
        }
        if (n.fresh > CountMax || n.used > CountMax) {
            Result res = refused(Refusal::TooMany, QStringLiteral("Количество инструмента не может быть больше %1 шт. "
                                                                  "Ничего не сохранено.")
                                                       .arg(CountMax));
            res.stockNew = n.fresh - r.newPieces;
            res.stockUsed = n.used - r.usedPieces;
            res.inWork = n.inWork;
            return res;
        }
        qint64 last = 0;
        if (r.newPieces > 0) {
            step = StepHistoryNew;
            last = insertHistory(c, history, k, r.toolId, r.newPieces, false, r.date, r.login);
        }
        if (r.usedPieces > 0) {
            step = StepHistoryUsed;
            last = insertHistory(c, history, k, r.toolId, r.usedPieces, true, r.date, r.login);
        }
        step = StepTool;
        writeCounts(c, k, r.toolId, n);
        Result res = storedWith(n);
        res.id = last;
        res.changes.tables = {latin(k.table), latin(history)};
        res.changes.kind = r.kind;
        res.changes.toolId = r.toolId;
        return res;
    });
}

} // namespace

Result receive(Connection& c, const StockRequest& r) { return moveStock(c, r, true); }
Result writeOff(Connection& c, const StockRequest& r) { return moveStock(c, r, false); }

Result transferToUsed(Connection& c, const TransferRequest& r)
{
    if (r.quantity <= 0)
        return refused(Refusal::BadRequest, QStringLiteral("Необходимо добать к-во инструмента больше 0.!"));
    const ToolKindInfo& k = toolKind(r.kind);
    return run(c, [&](WriteTransaction&, int& step) {
        Counts n = readCounts(c, k, r.toolId, toolGoneText());
        if (n.fresh < r.quantity) {
            Result res = refused(Refusal::NotEnoughStock,
                                 notEnough(n, QStringLiteral("Нельзя переместить в БУ больше новых, чем есть в базе!"))
                                     .message);
            res.stockNew = n.fresh;
            res.stockUsed = n.used;
            res.inWork = n.inWork;
            return res;
        }
        n.fresh -= r.quantity;
        n.used += r.quantity;
        step = StepTool;
        writeCounts(c, k, r.toolId, n);
        Result res = storedWith(n);
        res.changes.tables = {latin(k.table)};
        res.changes.kind = r.kind;
        res.changes.toolId = r.toolId;
        return res;
    });
}

// --- Records -------------------------------------------------------------------

Result saveTool(Connection& c, ToolKind kind, const RecordWrite& w)
{
    const ToolKindInfo& k = toolKind(kind);
    RecordWrite tool = w;
    tool.table = latin(k.table);
    // The counters move only through the stock movements: a new tool starts
    // with none, an edit leaves them as the file holds them.
    QList<ColumnValue> values;
    for (const ColumnValue& v : w.values)
        if (!isCounter(k, v.column) && v.column.compare(QStringLiteral("ID"), Qt::CaseInsensitive) != 0)
            values << v;
    if (w.id == 0)
        for (const char* n : {k.tableNewColumn, k.buField, k.tableDolgColumn, "K_vo_Vozvrat"})
            values << ColumnValue{latin(n), FieldType::Integer, 0};
    return run(c, [&](WriteTransaction&, int& step) {
        step = StepTool;
        if (w.id != 0) {
            if (!exists(c, QStringLiteral("SELECT 1 FROM %1 WHERE ID = ?").arg(q(tool.table)), {w.id}))
                refuse(Refusal::ToolGone, toolGoneText());
        }
        Result res = saveRecord(c, tool, step, values, {tool.table});
        step = StepTool;
        // The catalogue is read again whole: its order may depend on what changed.
        res.changes.kind = kind;
        return res;
    });
}

namespace {

// What keeps a tool from being deleted, in the order the storekeeper is told.
void checkDeletable(Connection& c, const ToolKindInfo& k, int id)
{
    const Counts n = readCounts(c, k, id, toolGoneText());
    if (n.fresh != 0 || n.used != 0)
        refuse(Refusal::HasStock, QStringLiteral("Нельзя удалить запись инструмента пока его к-во больше 0!"));
    const QString ofTool = QStringLiteral("SELECT 1 FROM %1 WHERE ID_Instr = ? AND ID_Tabl = ?");
    if (n.inWork != 0 || exists(c, ofTool.arg(QStringLiteral("Dolgi")), {id, k.code}))
        refuse(Refusal::HasDebts, QStringLiteral("Нельзя удалить запись инструмента пока есть долги (поле "
                                                 "\"ДОЛГ\" отлично от 0)!"));
    const struct {
        const char* table;
        Refusal why;
        const char* message;
    } guards[] = {
        {"Prihod_History", Refusal::HasReceipts,
         "Не возможно удалить запись, т.к. в таблице \"ИСТОРИЯ ПРИХОДА ИНСТРУМЕНТА\" имеются связанные записи."},
        {"Spisanie_History", Refusal::HasWriteOffs,
         "Не возможно удалить запись, т.к. в таблице \"ИСТОРИЯ СПИСАНИЯ ИНСТРУМЕНТА\" имеются связанные записи."},
        {"Dolgi_History", Refusal::HasClosedDebts,
         "Не возможно удалить запись, т.к. в таблице \"ИСТОРИЯ ДОЛГОВ\" имеются связанные записи."},
    };
    for (const auto& g : guards)
        if (exists(c, ofTool.arg(latin(g.table)), {id, k.code}))
            refuse(g.why, QString::fromUtf8(g.message));
}

} // namespace

Result canDeleteTool(Connection& c, ToolKind kind, int id)
{
    try {
        checkDeletable(c, toolKind(kind), id);
    } catch (const Refused& no) {
        return refused(no.refusal, no.message);
    }
    Result r;
    r.status = Status::Stored;
    return r;
}

Result deleteTool(Connection& c, ToolKind kind, const RecordWrite& w)
{
    const ToolKindInfo& k = toolKind(kind);
    RecordWrite tool = w;
    tool.table = latin(k.table);
    return run(c, [&](WriteTransaction&, int& step) {
        checkDeletable(c, k, w.id);
        requireUnchanged(c, tool, toolGoneText());
        step = StepTool;
        deleteRecord(c, tool);
        QStringList tables{tool.table};
        // Its minimum goes with it (a later tool may get the same ID).
        if (hasTable(c, QStringLiteral("Min_Ostatok"))) {
            step = StepMinimum;
            Query m(c, QStringLiteral("DELETE FROM Min_Ostatok WHERE ID_Tabl = ? AND ID_Instr = ?"));
            m.bindInt(0, k.code).bindInt(1, w.id);
            m.exec();
            if (m.changes() > 0)
                tables << QStringLiteral("Min_Ostatok");
        }
        Result res = storedRecord(w.id, tables);
        res.changes.kind = kind;
        return res;
    });
}

Result saveOperator(Connection& c, const RecordWrite& w)
{
    RecordWrite p = w;
    p.table = QStringLiteral("People");
    return run(c, [&](WriteTransaction&, int& step) { return saveRecord(c, p, step, p.values, {p.table}); });
}

Result deleteOperator(Connection& c, const RecordWrite& w)
{
    RecordWrite p = w;
    p.table = QStringLiteral("People");
    return run(c, [&](WriteTransaction&, int& step) {
        requireUnchanged(c, p, recordGoneText());
        if (exists(c, QStringLiteral("SELECT 1 FROM Dolgi WHERE ID_People = ?"), {w.id}))
            refuse(Refusal::HasOpenDebts,
                   QStringLiteral("Не возможно удалить запись, т.к. в таблице \"Долги\" имеются связанные записи."));
        if (exists(c, QStringLiteral("SELECT 1 FROM Dolgi_History WHERE ID_People = ?"), {w.id}))
            refuse(Refusal::HasClosedDebts, QStringLiteral("Не возможно удалить запись, т.к. в таблице \"История "
                                                           "долгов\" имеются связанные записи."));
        step = StepRecord;
        deleteRecord(c, p);
        return storedRecord(w.id, {p.table});
    });
}

Result saveFirm(Connection& c, const RecordWrite& w)
{
    RecordWrite f = w;
    f.table = QStringLiteral("Firma");
    return run(c, [&](WriteTransaction&, int& step) { return saveRecord(c, f, step, f.values, {f.table}); });
}

Result deleteFirm(Connection& c, const RecordWrite& w)
{
    RecordWrite f = w;
    f.table = QStringLiteral("Firma");
    return run(c, [&](WriteTransaction&, int& step) {
        requireUnchanged(c, f, recordGoneText());
        // Every tool table that names the firm guards it: a tool would
        // silently drop out of its catalogue with its firm.
        const struct {
            ToolKind kind;
            const char* message;
        } guards[] = {
            {ToolKind::Sverla, "Не возможно удалить запись, т.к. в таблице \"СВЕРЛА\" имеются связанные записи."},
            {ToolKind::Plast, "Не возможно удалить запись, т.к. в таблице \"ПЛАСТИНЫ\" имеются связанные записи."},
            {ToolKind::Derj,
             "Не возможно удалить запись, т.к. в таблице \"ДЕРЖАВКИ ПЛАСТИН\" имеются связанные записи."},
            {ToolKind::Frezy, "Не возможно удалить запись, т.к. в таблице \"ФРЕЗЫ\" имеются связанные записи."},
        };
        for (const auto& g : guards) {
            const QString table = latin(toolKind(g.kind).table);
            if (exists(c, QStringLiteral("SELECT 1 FROM %1 WHERE ID_Firma = ?").arg(q(table)), {w.id})) {
                Result res = refused(Refusal::FirmUsed, QString::fromUtf8(g.message));
                res.table = table;
                return res;
            }
        }
        step = StepRecord;
        deleteRecord(c, f);
        return storedRecord(w.id, {f.table});
    });
}

Result saveAccount(Connection& c, const RecordWrite& w)
{
    RecordWrite a = w;
    a.table = QStringLiteral("Pasw_TBL");
    QString login;
    bool hasLogin = false, isDefault = false;
    for (const ColumnValue& v : w.values) {
        if (v.column.compare(QStringLiteral("Login"), Qt::CaseInsensitive) == 0) {
            login = v.value.toString();
            hasLogin = true;
        }
        if (v.column.compare(QStringLiteral("Default"), Qt::CaseInsensitive) == 0)
            isDefault = v.value.toBool();
    }
    if (w.id == 0 && login.isEmpty())
        return refused(Refusal::LoginEmpty, QStringLiteral("Логин не может быть пустым"));
    return run(c, [&](WriteTransaction&, int& step) {
        if (w.id != 0) {
            Query cur(c, QStringLiteral("SELECT Login, \"Default\" FROM Pasw_TBL WHERE ID = ?"));
            cur.bindInt(0, w.id);
            if (!cur.next())
                refuse(Refusal::RowGone, recordGoneText());
            if (hasLogin && cur.text(0) == administratorLogin() && login != administratorLogin())
                refuse(Refusal::AdministratorKept, QStringLiteral("Логин учетной записи \"Администратор\" изменить "
                                                                  "нельзя!"));
            if (!hasLogin)
                login = cur.text(0);
            bool changesDefault = false;
            for (const ColumnValue& v : w.values)
                changesDefault |= v.column.compare(QStringLiteral("Default"), Qt::CaseInsensitive) == 0;
            if (!changesDefault)
                isDefault = cur.int64(1) != 0;
        }
        if (login.isEmpty())
            refuse(Refusal::LoginEmpty, QStringLiteral("Логин не может быть пустым"));
        // A login names one account only: the login dialog could not tell two
        // accounts apart, and a second "Администратор" would gain its rights.
        if (exists(c, QStringLiteral("SELECT 1 FROM Pasw_TBL WHERE Login = ? AND ID <> ?"), {login, w.id}))
            refuse(Refusal::LoginTaken,
                   QStringLiteral("Учетная запись с логином \"%1\" уже есть. Укажите другой логин.").arg(login));
        Result res = saveRecord(c, a, step, a.values, {a.table});
        if (isDefault) {
            step = StepDefault;
            Query d(c, QStringLiteral("UPDATE Pasw_TBL SET \"Default\" = 0 WHERE ID <> ? AND \"Default\" <> 0"));
            d.bindInt(0, res.id);
            d.exec();
        }
        return res;
    });
}

Result deleteAccount(Connection& c, const RecordWrite& w)
{
    RecordWrite a = w;
    a.table = QStringLiteral("Pasw_TBL");
    return run(c, [&](WriteTransaction&, int& step) {
        if (exists(c, QStringLiteral("SELECT 1 FROM Pasw_TBL WHERE ID = ? AND Login = ?"), {w.id, administratorLogin()}))
            refuse(Refusal::AdministratorKept, QStringLiteral("Учетную запись \"Администратор\" удалить нельзя!"));
        requireUnchanged(c, a, recordGoneText());
        step = StepRecord;
        deleteRecord(c, a);
        return storedRecord(w.id, {a.table});
    });
}

Result deleteHistoryRow(Connection& c, const RecordWrite& w) { return deleteRow(c, w); }

Result saveRow(Connection& c, const RecordWrite& w)
{
    return run(c, [&](WriteTransaction&, int& step) { return saveRecord(c, w, step, w.values, {w.table}); });
}

Result deleteRow(Connection& c, const RecordWrite& w)
{
    return run(c, [&](WriteTransaction&, int& step) {
        requireUnchanged(c, w, recordGoneText());
        step = StepRecord;
        deleteRecord(c, w);
        return storedRecord(w.id, {w.table});
    });
}

// --- Limits ------------------------------------------------------------------

Result setMinimum(Connection& c, ToolKind kind, int toolId, qint64 minimum)
{
    if (minimum < 0 || minimum > CountMax)
        return refused(Refusal::BadRequest,
                       QStringLiteral("Минимальный остаток должен быть от 0 до %1 шт.").arg(CountMax));
    const ToolKindInfo& k = toolKind(kind);
    return run(c, [&](WriteTransaction&, int& step) {
        if (!exists(c, QStringLiteral("SELECT 1 FROM %1 WHERE ID = ?").arg(q(latin(k.table))), {toolId}))
            refuse(Refusal::ToolGone, toolGoneText());
        step = StepMinimum;
        Query del(c, QStringLiteral("DELETE FROM Min_Ostatok WHERE ID_Tabl = ? AND ID_Instr = ?"));
        del.bindInt(0, k.code).bindInt(1, toolId);
        del.exec();
        qint64 id = 0;
        if (minimum > 0) {
            Query ins(c, QStringLiteral("INSERT INTO Min_Ostatok (ID_Tabl, ID_Instr, K_vo_Min) VALUES (?, ?, ?)"));
            ins.bindInt(0, k.code).bindInt(1, toolId).bindInt(2, minimum);
            ins.exec();
            id = ins.insertedId();
        }
        Result res;
        res.status = Status::Stored;
        res.id = id;
        res.changes.tables = {QStringLiteral("Min_Ostatok")};
        res.changes.kind = kind;
        res.changes.toolId = toolId;
        return res;
    });
}

Result setOverdueLimit(Connection& c, int days, const QString& login)
{
    if (login != administratorLogin())
        return refused(Refusal::NotAdministrator,
                       QStringLiteral("Изменить срок выдачи может только \"%1\"").arg(administratorLogin()));
    if (days < 0 || days > limits::MaxOverdueDays)
        return refused(Refusal::BadRequest,
                       QStringLiteral("Срок выдачи должен быть от 0 до %1 дней.").arg(limits::MaxOverdueDays));
    return run(c, [&](WriteTransaction&, int& step) {
        step = StepSetting;
        Query del(c, QStringLiteral("DELETE FROM Nastroiki WHERE Name = ?"));
        del.bindText(0, limits::overdueSettingName());
        del.exec();
        Query ins(c, QStringLiteral("INSERT INTO Nastroiki (Name, \"Value\") VALUES (?, ?)"));
        ins.bindText(0, limits::overdueSettingName()).bindText(1, QString::number(days));
        ins.exec();
        Result res;
        res.status = Status::Stored;
        res.id = ins.insertedId();
        res.changes.tables = {QStringLiteral("Nastroiki")};
        return res;
    });
}

} // namespace ops
