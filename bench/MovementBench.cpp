#include "BenchSupport.h"
#include "MovementBench.h"

#include "DM_Unit.h"
#include "DataAware.h"
#include "DbError.h"
#include "Program.h"
#include "RecordSet.h"
#include "ScriptedUser.h"
#include "ToolKind.h"
#include "frm_GetBackInstr_Unit.h"
#include "frm_GiveToWork_Unit.h"
#include "frm_Main_Unit.h"
#include "frm_Pasword_Unit.h"
#include "frm_Per_Instr_BU_Unit.h"
#include "frm_Prihod_Instr_Unit.h"
#include "frm_Spisat_Instr_Unit.h"
#include "StockParts.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSpinBox>
#include <functional>

namespace {

// A tool of the kind's page with at least `pieces` new ones, made current.
int pickTool(ToolKind kind, int pieces)
{
    RecordSet& cat = catalogueOf(*DM, kind);
    const int f = cat.fieldIndex(QString::fromLatin1(toolKind(kind).newField));
    for (int pos = 0, n = cat.recordCount(); pos < n; ++pos)
        if (cat.intAt(pos, f) >= pieces) {
            cat.setRecNo(pos + 1);
            return cat.fieldByName(QStringLiteral("ID")).asInteger();
        }
    return 0;
}

// The full refresh: the kind's catalogue and the debts list read again.
void fullRefresh(ToolKind kind)
{
    RecordSet& cat = catalogueOf(*DM, kind);
    cat.reread();
    DM->dtset_DolgiSQL.reread();
}

} // namespace

std::vector<MovementFigure> measureMovements(const QString& path, int runs)
{
    std::vector<MovementFigure> out;
    QApplication::setQuitOnLastWindowClosed(false);
    ScriptedUser user;   // every box and dialog goes to the script, none waits for a person
    if (!Program::CreateWindows(path)) {
        MovementFigure f;
        f.what = QStringLiteral("Stock movements");
        f.error = user.texts().join(QStringLiteral(" / "));
        out.push_back(f);
        return out;
    }
    frm_Pasword->LoginName = QStringLiteral("Администратор");
    std::vector<int> issued;   // the debts the issues made, returned last

    struct Move {
        QString what;
        ToolKind kind;
        std::function<RowEditorResult()> command;
        std::function<void(QDialog*)> play;
        std::function<bool()> prepare;   // the row to act on, made current
    };
    std::vector<Move> moves;
    const char* names[ToolKindCount] = {"drills", "cutters", "holders", "inserts"};
    for (ToolKind kind : allToolKinds())
        moves.push_back({QStringLiteral("Issue to work, %1").arg(QLatin1String(names[int(kind)])), kind,
                         [kind] { return frm_Main->GiveToWork(kind); },
                         [&issued](QDialog*) {
                             Tfrm_GiveToWork* f = frm_GiveToWork;
                             f->DBLookupComboBox1->setCurrentIndex(0);
                             emit f->DBLookupComboBox1->activated(0);
                             f->cmbx_K_vo_Otdat->setCurrentIndex(1);
                             f->bbtn_OK->click();
                             if (f->Stored.stored())
                                 issued.push_back(int(f->Stored.id));
                         },
                         [kind, runs] {
                             frm_Main->PageControl_Main->setCurrentIndex(pageOf(kind));
                             return pickTool(kind, runs + 1) > 0;
                         }});
    auto drill = [runs] { return pickTool(ToolKind::Sverla, 2 * runs + 2) > 0; };
    moves.push_back({QStringLiteral("Receipt of 1 drill"), ToolKind::Sverla,
                     [] { return frm_Main->PrihodCommand(ToolKind::Sverla); },
                     [](QDialog* d) {
                         auto* f = static_cast<Tfrm_Prihod_Instr*>(d);
                         f->sped_New->setValue(1);
                         f->bbtn_OK->click();
                     },
                     drill});
    moves.push_back({QStringLiteral("Write-off of 1 drill"), ToolKind::Sverla,
                     [] { return frm_Main->SpisatCommand(ToolKind::Sverla); },
                     [](QDialog* d) {
                         auto* f = static_cast<Tfrm_Spisat_Instr*>(d);
                         f->cmbx_K_vo_NEW->setCurrentIndex(1);
                         f->bbtn_OK->click();
                     },
                     drill});
    moves.push_back({QStringLiteral("Transfer of 1 drill to used"), ToolKind::Sverla,
                     [] { return frm_Main->PerBUCommand(ToolKind::Sverla); },
                     [](QDialog* d) {
                         auto* f = static_cast<Tfrm_Per_Instr_BU*>(d);
                         f->cmbx_COUNT->setCurrentIndex(1);
                         f->bbtn_OK->click();
                     },
                     drill});
    moves.push_back({QStringLiteral("Return of 1 piece"), ToolKind::Sverla,
                     [] {
                         frm_Main->ReturnDebt();
                         return frm_GetBackInstr->result() == QDialog::Accepted ? RowEditorResult::Stored
                                                                                : RowEditorResult::Cancelled;
                     },
                     [](QDialog* d) {
                         auto* f = static_cast<Tfrm_GetBackInstr*>(d);
                         f->cmbx_K_vo_NEW->setCurrentIndex(f->cmbx_K_vo_NEW->isEnabled() ? 1 : 0);
                         f->cmbx_K_vo_BU->setCurrentIndex(f->cmbx_K_vo_NEW->isEnabled() ? 0 : 1);
                         f->BitBtn1->click();
                     },
                     [&issued] {
                         frm_Main->PageControl_Main->setCurrentIndex(Tfrm_Main::PageDolgi);
                         if (issued.empty())
                             return false;
                         const int id = issued.back();
                         issued.pop_back();
                         return DM->dtset_DolgiSQL.locate(QStringLiteral("ID"), id);
                     }});

    for (const Move& m : moves) {
        MovementFigure f;
        f.what = m.what + QStringLiteral(", end to end");
        int stored = 0;
        // Where the time goes: up to the dialog (shown), in the dialog (the
        // choice and OK with the operation), after it (the pages shown again).
        std::vector<double> toDialog, inDialog, after;
        for (int i = 0; i < runs && f.error.isEmpty(); ++i) {
            try {
                f.refreshMs.push_back(timeMs([&] { fullRefresh(m.kind); }));
                if (!m.prepare()) {
                    f.error = QStringLiteral("no row to act on");
                    break;
                }
            } catch (const DbError& e) {
                f.error = e.message();
                break;
            }
            QElapsedTimer t;
            double shownAt = 0, closedAt = 0;
            user.onModal([&](QDialog* d) {
                shownAt = double(t.nsecsElapsed()) / 1e6;
                m.play(d);
                closedAt = double(t.nsecsElapsed()) / 1e6;
            });
            t.start();
            const RowEditorResult r = m.command();
            const double total = double(t.nsecsElapsed()) / 1e6;
            f.totalMs.push_back(total);
            toDialog.push_back(shownAt);
            inDialog.push_back(closedAt - shownAt);
            after.push_back(total - closedAt);
            stored += r == RowEditorResult::Stored;
        }
        if (!user.texts().isEmpty() && f.error.isEmpty())
            f.error = user.texts().join(QStringLiteral(" / "));
        user.clear();
        f.note = QStringLiteral("%1 of %2 stored; floor: the full refresh (catalogue of %3 rows, %4 debts);\n"
                                "    of which: to the dialog shown %5 ms, in the dialog (OK and the operation) "
                                "%6 ms, the pages shown again %7 ms")
                     .arg(stored)
                     .arg(runs)
                     .arg(catalogueOf(*DM, m.kind).recordCount())
                     .arg(DM->dtset_DolgiSQL.recordCount())
                     .arg(median(toDialog), 0, 'f', 2)
                     .arg(median(inDialog), 0, 'f', 2)
                     .arg(median(after), 0, 'f', 2);
        out.push_back(f);
    }
    Program::DestroyWindows();
    return out;
}
