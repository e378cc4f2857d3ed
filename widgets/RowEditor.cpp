#include "RowEditor.h"

#include "Connection.h"
#include "DbError.h"
#include "Dialogs.h"
#include "Form.h"
#include "RecordSet.h"

bool runRowEditor(QWidget* owner, Connection& conn, RecordSet& rs, TForm& editor, const RowEditorSteps& steps)
{
    try {
        Transaction tr(conn);
        try {
            steps.start();
        } catch (...) {
            rs.cancel();
            throw;
        }
        Dialogs::showModal(&editor);
        const bool store = editor.CloseCode == 1;
        bool posted = false;
        try {
            if (store) {
                rs.post();
                posted = true;
                if (steps.afterPost)
                    steps.afterPost();
            } else {
                rs.cancel();
            }
            tr.commit();
        } catch (...) {
            rs.cancel();
            if (posted) {
                // The row in memory was stored by the transaction now rolled
                // back: read the rows again so the list shows the file's truth.
                try {
                    rs.close();
                    rs.open();
                } catch (const DbError&) {
                }
            }
            throw;
        }
        return store;
    } catch (const DbError&) {
        Dialogs::error(owner, steps.failureMessage);
        return false;
    }
}

int countRows(RecordSet& table, const QString& filter)
{
    const QString oldFilter = table.filter();
    const bool oldFiltered = table.filtered();
    table.close();
    struct Restore {
        RecordSet& t;
        QString f;
        bool on;
        ~Restore()
        {
            t.close();
            try {
                t.setFilter(f);
            } catch (const DbError&) {
            }
            t.setFiltered(on);
        }
    } restore{table, oldFilter, oldFiltered};
    table.setFilter(filter);
    table.setFiltered(true);
    table.open();
    return table.recordCount();
}
