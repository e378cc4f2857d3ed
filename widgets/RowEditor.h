#pragma once
// The caller-owned transaction around an editor dialog: begin a transaction,
// put the row into insert or edit state, show the editor modally, then post
// (and refresh) or cancel by its CloseCode, and commit. Any failure rolls the
// transaction back, discards the pending row and shows the given message.
#include <QString>
#include <functional>

class Connection;
class QWidget;
class RecordSet;
class TForm;

struct RowEditorSteps {
    std::function<void()> start;       // puts the row into insert/edit state, fills the editor
    std::function<void()> afterPost;   // refresh after a successful post (may be empty)
    QString failureMessage;            // shown in the error box when storing fails
};

// Returns true when the editor was closed with CloseCode 1 and everything was stored.
bool runRowEditor(QWidget* owner, Connection& conn, RecordSet& rs, TForm& editor, const RowEditorSteps& steps);

// How many rows of a table object pass a filter: the table is filtered,
// opened, counted and closed again, and its own filter settings come back.
int countRows(RecordSet& table, const QString& filter);
