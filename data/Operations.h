#pragma once
// The storeroom's operations: every change of the stock and of the reference
// lists. Each takes a plain request (what the person chose, the row it acts
// on, the values that row showed when read), runs one short transaction that
// takes the write lock first, reads and checks inside it the rows it needs,
// writes every row or none, and says what happened. Nothing here shows
// anything or waits for a person, so no transaction is ever open while a
// window waits.
//
// Quantities apply to the rows as the file holds them when written: a
// receipt adds its pieces to the counts of that moment. A movement is refused
// only when the file no longer allows it (the stock holds fewer pieces than
// asked, the tool, debt or operator is gone, a count would not fit its
// column), with the reason named. Edits and deletes of a record write only
// while the row still holds the values it showed when read.
#include "Connection.h"
#include "DbError.h"
#include "FieldDef.h"
#include "ToolKind.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace ops {

enum class Status { Stored, Refused, Failed };

// Why an operation was refused.
enum class Refusal {
    None,
    BadRequest,       // the request itself is not one (no pieces, totals that do not add up)
    ToolGone,         // the tool's row is no longer in the file
    RowGone,          // the record to change or delete is no longer in the file
    RowChanged,       // the record was changed elsewhere since it was read
    NotEnoughStock,   // the stock holds fewer pieces than asked
    TooMany,          // a count would not fit its column
    CountOutOfRange,  // a count stored in the file is outside its column's range
    NumberTaken,      // the issue number is held by an open debt
    OperatorGone,     // the operator of an issue is gone
    DebtGone,         // the debt was closed or changed elsewhere
    InWorkShort,      // the tool has fewer pieces in work than the debt
    UnknownKind,      // a debt of a kind code that names no tool kind
    HasStock,         // tool delete: new or used pieces
    HasDebts,         // tool delete: pieces in work or open debts
    HasReceipts,      // tool delete: receipts
    HasWriteOffs,     // tool delete: write-offs
    HasClosedDebts,   // tool or operator delete: closed debts
    HasOpenDebts,     // operator delete: open debts
    FirmUsed,         // firm delete: a tool of the firm (table in Result::table)
    LoginTaken,       // account save: another account has the login
    LoginEmpty,       // account save: no login
    AdministratorKept, // the administrator's account is neither deleted nor renamed
    NotAdministrator  // a setting only the administrator may change
};

// What an operation wrote, for the windows to show the file again: every
// table written, and the rows whose re-reading is enough when nothing else
// wrote meanwhile.
struct Changes {
    QStringList tables;
    std::optional<ToolKind> kind;   // the tool row whose counts or values changed
    int toolId = 0;
    int debtAdded = 0;              // a new open debt
    int debtRemoved = 0;            // an open debt closed
    // The tool's row changed in its counters only: lists that read the tool
    // table for its code, name or picture are not concerned.
    bool countsOnly = false;
    bool touches(const QStringList& tablesRead) const;
};

struct Result {
    Status status = Status::Failed;
    Refusal refusal = Refusal::None;
    // Refused: the reason in the program's words. Failed: the engine's words.
    QString message;
    // Failed: the engine's reason (busy, changed elsewhere, disk full, ...).
    DbError::Reason reason = DbError::Reason::General;
    // Failed: which write of the operation failed (the operation's Step).
    int step = 0;
    qint64 id = 0;             // the key of the row an add wrote (a debt, a tool, a
                               // closed debt, the last history row of a receipt ...)
    qint64 nextNumber = 0;     // NumberTaken: the next free issue number
    QString table;             // FirmUsed: the tool table that names the firm
    // NotEnoughStock, TooMany: the tool's counts as the file holds them.
    qint64 stockNew = 0, stockUsed = 0, inWork = 0;
    FileState before, after;   // the file before and after (Stored only)
    Changes changes;

    bool stored() const { return status == Status::Stored; }
};

// The writes of the operations, in the order they are made; a failure
// names the one that failed (Result::step).
enum Step {
    StepNone = 0,
    StepDebt,          // issue: the new Dolgi row
    StepTool,          // the tool row (counts, or the record itself)
    StepHistoryNew,    // receipt, write-off: the history row of the new stock
    StepHistoryUsed,   // ... of the used stock
    StepClosedDebt,    // return: the Dolgi_History row
    StepDebtDelete,    // return: the Dolgi row removed
    StepRecord,        // a reference record or history row
    StepDefault,       // account save: the other accounts' default mark
    StepMinimum,       // a tool's minimum (set, or removed with the tool)
    StepSetting        // a shared setting
};

// --- Stock movements -------------------------------------------------------

struct IssueRequest {
    ToolKind kind = ToolKind::Sverla;
    int toolId = 0;
    int operatorId = 0;
    int quantity = 0;
    bool fromUsed = false;
    qint64 number = 0;     // "№ записи"
    QDate date;            // the day of the issue
    QString login;
};
Result issue(Connection& c, const IssueRequest& r);

// The debt as the list showed it: a debt closed or changed meanwhile is not
// closed twice.
struct ReturnRequest {
    int debtId = 0;
    qint64 number = 0;
    int toolId = 0;
    int kindCode = 0;
    int quantity = 0;
    bool fromUsed = false;
    int toNew = 0;
    int toUsed = 0;
    QDate date;            // the day of the return
    QString login;
};
Result closeDebt(Connection& c, const ReturnRequest& r);
// The closing code of a return: 1 nothing back, 2 new only, 3 used only, 4 both.
int closingCode(int toNew, int toUsed);

// A receipt adds, a write-off takes away, pieces of the new and the used
// stock, writing one history row per stock that moves.
struct StockRequest {
    ToolKind kind = ToolKind::Sverla;
    int toolId = 0;
    int newPieces = 0;
    int usedPieces = 0;
    QDate date;
    QString login;
};
Result receive(Connection& c, const StockRequest& r);
Result writeOff(Connection& c, const StockRequest& r);

struct TransferRequest {
    ToolKind kind = ToolKind::Sverla;
    int toolId = 0;
    int quantity = 0;
};
Result transferToUsed(Connection& c, const TransferRequest& r);

// --- Records -----------------------------------------------------------------

// One column of a record: its name in the table, its type and a value.
struct ColumnValue {
    QString column;
    FieldType type = FieldType::Integer;
    QVariant value;   // invalid: NULL
};

// A record to add (id 0) or change, or to delete: the values to write and,
// for a change or delete, the values the changed (or every) column showed
// when read.
struct RecordWrite {
    QString table;
    int id = 0;
    QList<ColumnValue> values;
    QList<ColumnValue> read;
};

// A tool record: added with its counters 0; changed without touching them.
Result saveTool(Connection& c, ToolKind kind, const RecordWrite& w);
// Deleted only when the file holds no pieces, debts, receipts, write-offs or
// closed debts of it.
Result deleteTool(Connection& c, ToolKind kind, const RecordWrite& w);
// The same checks read now, without deleting: Stored when nothing keeps the
// tool (the delete asks again inside its transaction).
Result canDeleteTool(Connection& c, ToolKind kind, int id);

Result saveOperator(Connection& c, const RecordWrite& w);
// Deleted only without open or closed debts.
Result deleteOperator(Connection& c, const RecordWrite& w);

Result saveFirm(Connection& c, const RecordWrite& w);
// Deleted only when no tool of any kind names it.
Result deleteFirm(Connection& c, const RecordWrite& w);

// The login unique; an account marked default is the only one marked.
Result saveAccount(Connection& c, const RecordWrite& w);
Result deleteAccount(Connection& c, const RecordWrite& w);
QString administratorLogin();
// What a command says of a tool that another copy deleted.
QString toolGoneText();

// One row of a history (Prihod_History, Spisanie_History, Dolgi_History).
Result deleteHistoryRow(Connection& c, const RecordWrite& w);

// A row of a table that has no rules of its own: added, or changed and
// deleted while it still holds what was read.
Result saveRow(Connection& c, const RecordWrite& w);
Result deleteRow(Connection& c, const RecordWrite& w);

// --- Limits ------------------------------------------------------------------

// A tool's minimum stock: 0 removes it. Refused for a number below 0 or a
// tool that is gone.
Result setMinimum(Connection& c, ToolKind kind, int toolId, qint64 minimum);
// How many days a tool may stay out before its debt is overdue; only the
// administrator (login) sets it, 0..limits::MaxOverdueDays.
Result setOverdueLimit(Connection& c, int days, const QString& login);

// The next free issue number: one more than the highest in use.
qint64 nextIssueNumber(Connection& c);

// A tool's counters as the file holds them (a plain read); none when the
// tool is gone.
struct ToolCounts {
    qint64 fresh = 0, used = 0, inWork = 0;
};
std::optional<ToolCounts> readToolCounts(Connection& c, ToolKind kind, int id);

} // namespace ops
