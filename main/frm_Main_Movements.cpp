// The main window's movements: one runner of the caller-owned transaction
// for the tool editors and the stock movements of every kind.
#include "frm_Main_Unit.h"

#include "DM_Unit.h"
#include "DbError.h"
#include "Dialogs.h"
#include "Form.h"
#include "RecordSet.h"
#include "RowEditor.h"
#include "ToolKind.h"

RowEditorResult Tfrm_Main::RunMovement(const Movement& m)
{
    if (!DM)
        return RowEditorResult::Refused;
    RecordSet& catalogue = catalogueOf(*DM, m.kind);
    RecordSet& toolRow = m.onTableObject ? tableObjectOf(*DM, m.kind) : catalogue;

    RowEditorSteps steps;
    steps.prepare = [&]() -> bool {
        if (m.prepare && !m.prepare())
            return false;
        if (m.onTableObject) {
            // The table object holds exactly the tool's row.
            const int id = catalogue.isOpen() && !catalogue.isEmpty()
                ? catalogue.fieldByName(QStringLiteral("ID")).asInteger()
                : 0;
            try {
                toolRow.close();
                toolRow.setFilter(QStringLiteral("ID=") + QString::number(id));
                toolRow.setFiltered(true);
                toolRow.open();
            } catch (const DbError& e) {
                Dialogs::error(this, failureText(m.failureMessage, e));
                return false;
            }
        }
        return true;
    };
    steps.start = [&] {
        if (m.newRow)
            m.newRow->insert();
        if (m.addTool)
            toolRow.insert();
        else
            toolRow.edit();
        if (auto* f = qobject_cast<TMovementForm*>(m.dialog))
            f->Kind = dialogKindOf(m.kind);
        if (m.fill)
            m.fill();
    };
    if (m.newRow)
        steps.rows << m.newRow;
    steps.rows << &toolRow;
    // The page shows the file, too, when the row was written through the table object.
    steps.shows << &catalogue;
    steps.afterPost = [&] {
        if (m.afterStore)
            m.afterStore();
        else
            DM->Refresh(catalogue);
    };
    steps.finally = m.finally;
    steps.failureMessage = m.failureMessage;
    return runCallerTransaction(this, DM->ADOConnection1, m.dialog, steps);
}
