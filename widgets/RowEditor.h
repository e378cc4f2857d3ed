#pragma once
// The caller-owned transaction around an editor or movement dialog:
//   1. prepare: checks that may refuse (they tell the user) before any
//      transaction opens;
//   2. a transaction begins (the write lock is taken at the first write);
//      start puts the pending rows into insert or edit state and fills the
//      dialog;
//   3. the dialog is shown modally (none: stored as if closed with CloseCode 1);
//   4. CloseCode 1: the pending rows are posted in the given order, then
//      write runs (rows written directly: a delete, a history row), then
//      afterPost (the refresh); otherwise the rows are cancelled; commit;
//   5. any failure: the rows are cancelled, the transaction is rolled back,
//      every record set that wrote inside it re-reads itself, the pending
//      rows' record sets and `shows` are re-read with the same row current,
//      a refresh (afterPost) that had run inside the transaction runs once
//      more, and the failure message is shown (with the reason when the
//      file was busy or the row had been changed in another copy);
//   6. finally runs in every case once the transaction has begun.
#include <QList>
#include <QString>
#include <functional>

class Connection;
class DbError;
class QWidget;
class RecordSet;
class TForm;

struct RowEditorSteps {
    std::function<bool()> prepare;     // false: refused, nothing begins (may be empty)
    std::function<void()> start;       // puts the rows into insert/edit state, fills the dialog
    QList<RecordSet*> rows;            // pending rows, posted in this order
    std::function<void()> write;       // further writes after the posts (may be empty)
    QList<RecordSet*> shows;           // further record sets re-read after a failure (what write touched)
    std::function<void()> afterPost;   // refresh after a successful store (may be empty)
    std::function<void()> finally;     // runs in every case after the transaction (may be empty)
    QString failureMessage;            // shown in the error box when storing fails
};

enum class RowEditorResult { Refused, Cancelled, Stored, Failed };

// The whole protocol; `editor` may be null (nothing to show: stored at once).
RowEditorResult runCallerTransaction(QWidget* owner, Connection& conn, TForm* editor, const RowEditorSteps& steps);

// One pending row `rs` (added in front of steps.rows). Returns true when the
// editor was closed with CloseCode 1 and everything was stored.
bool runRowEditor(QWidget* owner, Connection& conn, RecordSet& rs, TForm& editor, const RowEditorSteps& steps);

// The failure message as shown: the command's sentence, and for a busy file
// or a row changed elsewhere the reason after it.
QString failureText(const QString& message, const DbError& e);

// How many rows of a table object pass a filter: the table is filtered,
// opened, counted and closed again, and its own filter settings come back.
int countRows(RecordSet& table, const QString& filter);
