#include "RecordEditor.h"

#include "DbError.h"
#include "Dialogs.h"
#include "Form.h"
#include "RecordSet.h"

RowEditorResult runRecordEditor(QWidget* owner, const RecordEditorRun& run, ops::Result* stored)
{
    TForm* editor = run.editor;
    RowEditorResult outcome = RowEditorResult::Cancelled;
    ops::Result saved;
    editor->Store = [&]() -> TForm::StoreResult {
        ops::Result r;
        try {
            r = run.save(run.rs->pendingWrite());
        } catch (const DbError& e) {
            Dialogs::error(editor, failureText(run.failureMessage, e));
            return TForm::StoreResult::StayOpen;
        }
        switch (r.status) {
        case ops::Status::Stored:
            saved = r;
            outcome = RowEditorResult::Stored;
            return TForm::StoreResult::Stored;
        case ops::Status::Refused:
            switch (r.refusal) {
            case ops::Refusal::RowGone:
            case ops::Refusal::RowChanged:
            case ops::Refusal::ToolGone:
                // The command's sentence and the reason; the caller shows the file.
                Dialogs::error(editor, run.failureMessage + QStringLiteral("\n\n") + r.message);
                outcome = RowEditorResult::Refused;
                return TForm::StoreResult::Close;
            default:
                Dialogs::error(editor, r.message);
                return TForm::StoreResult::StayOpen;
            }
        case ops::Status::Failed:
            Dialogs::error(editor, failureText(run.failureMessage, r));
            return TForm::StoreResult::StayOpen;
        }
        return TForm::StoreResult::StayOpen;
    };
    struct Cleanup {
        TForm* editor;
        RecordSet* rs;
        ~Cleanup()
        {
            editor->Store = nullptr;
            if (rs->state() != RecordSet::State::Browse)
                rs->cancel();
        }
    } cleanup{editor, run.rs};
    try {
        if (run.start)
            run.start();
    } catch (const DbError& e) {
        Dialogs::error(owner, e.message());
        return RowEditorResult::Failed;
    }
    Dialogs::showModal(editor);
    if (outcome == RowEditorResult::Stored && stored)
        *stored = saved;
    return outcome;
}
