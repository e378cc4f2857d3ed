#pragma once
// An editor dialog over the pending row of a record set (a new row, or the
// current one in edit state): the controls bound to the record set fill the
// row in memory, no transaction is open while the dialog waits, and the
// dialog's OK (its own checks passed, closing with its done word) stores the
// row through an operation of the data layer in one short transaction. A
// refusal or failure shows its message: a busy file or a failing disk keeps
// the dialog open with what was typed; a record gone or changed elsewhere
// closes it, and the caller shows the file again.
#include "Operations.h"
#include "RowEditor.h"

#include <functional>

class QWidget;
class RecordSet;
class TForm;

struct RecordEditorRun {
    RecordSet* rs = nullptr;
    TForm* editor = nullptr;
    std::function<void()> start;   // puts rs into insert or edit state, fills the editor
    std::function<ops::Result(const ops::RecordWrite&)> save;
    QString failureMessage;        // shown when storing fails
};

// Runs the editor; the pending row is cancelled in every case (the caller
// reads the file again). `stored` gets the operation's result when stored.
// Refused here means the record was gone or changed elsewhere.
RowEditorResult runRecordEditor(QWidget* owner, const RecordEditorRun& run, ops::Result* stored = nullptr);
