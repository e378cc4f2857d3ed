#include "RowEditor.h"

#include "Connection.h"
#include "DbError.h"
#include "Dialogs.h"
#include "Form.h"
#include "RecordSet.h"

QString failureText(const QString& message, const DbError& e)
{
    if (e.reason() == DbError::Reason::General)
        return message;
    return message + QStringLiteral("\n\n") + e.message();
}

RowEditorResult runCallerTransaction(QWidget* owner, Connection& conn, TForm* editor, const RowEditorSteps& steps)
{
    if (steps.prepare && !steps.prepare())
        return RowEditorResult::Refused;

    struct Finally {
        const std::function<void()>& f;
        ~Finally()
        {
            if (f)
                f();
        }
    } finally{steps.finally};

    auto cancelAll = [&steps] {
        for (auto it = steps.rows.crbegin(); it != steps.rows.crend(); ++it) {
            RecordSet* rs = *it;
            if (rs->state() == RecordSet::State::Edit || rs->state() == RecordSet::State::Insert)
                rs->cancel();
        }
    };

    // The record sets to show the file after a failure, and their reads
    // before the rollback, to tell which of them it has re-read already.
    QList<RecordSet*> shown = steps.rows;
    for (RecordSet* rs : steps.shows)
        if (!shown.contains(rs))
            shown << rs;
    std::vector<quint64> reads;
    // Where each of them stood: a read that failed inside the transaction
    // (a refresh meeting a failing disk) leaves it closed, and it is opened
    // again on the same row.
    struct Stand {
        bool open;
        QString sort;
        int id;
    };
    std::vector<Stand> stands;
    for (RecordSet* rs : shown) {
        const int f = rs->fieldIndex(QStringLiteral("ID"));
        stands.push_back({rs->isOpen(), rs->sort(), rs->isOpen() && f >= 0 && rs->recNo() > 0 ? rs->intAt(rs->recNo() - 1, f) : 0});
    }
    bool refreshed = false;   // afterPost read rows inside the transaction
    try {
        Transaction tr(conn);
        bool store = true;
        try {
            if (steps.start)
                steps.start();
            if (editor) {
                Dialogs::showModal(editor);
                store = editor->CloseCode == 1;
            }
            if (store) {
                for (RecordSet* rs : steps.rows)
                    rs->post();
                if (steps.write)
                    steps.write();
                if (steps.afterPost) {
                    refreshed = true;
                    steps.afterPost();
                }
            } else {
                cancelAll();
            }
            tr.commit();
        } catch (...) {
            cancelAll();
            for (RecordSet* rs : shown)
                reads.push_back(rs->readCount());
            throw;   // the guard rolls back; the record sets that wrote re-read themselves
        }
        return store ? RowEditorResult::Stored : RowEditorResult::Cancelled;
    } catch (const DbError& e) {
        // The screen shows the file: the pending rows' record sets are read
        // again (same row current) unless the rollback did it already.
        for (int i = 0; i < shown.size() && i < int(reads.size()); ++i) {
            RecordSet* rs = shown[i];
            if (rs->isOpen() && rs->readCount() == reads[size_t(i)]) {
                try {
                    rs->reread();
                } catch (const DbError&) {
                }
            }
        }
        // A refresh that ran before the commit failed read rows that are gone
        // with the transaction (a firm's new name in every catalogue): it
        // runs once more, so that what it shows is the file's.
        if (refreshed) {
            try {
                steps.afterPost();
            } catch (const DbError&) {
            }
        }
        for (size_t i = 0; i < stands.size(); ++i) {
            RecordSet* rs = shown[int(i)];
            if (!stands[i].open || rs->isOpen())
                continue;
            try {
                rs->open();
                if (!stands[i].sort.isEmpty())
                    rs->setSort(stands[i].sort);
                if (stands[i].id > 0)
                    rs->locate(QStringLiteral("ID"), stands[i].id);
            } catch (const DbError&) {
            }
        }
        Dialogs::error(owner, failureText(steps.failureMessage, e));
        return RowEditorResult::Failed;
    }
}

bool runRowEditor(QWidget* owner, Connection& conn, RecordSet& rs, TForm& editor, const RowEditorSteps& steps)
{
    RowEditorSteps s = steps;
    s.rows.prepend(&rs);
    return runCallerTransaction(owner, conn, &editor, s) == RowEditorResult::Stored;
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
