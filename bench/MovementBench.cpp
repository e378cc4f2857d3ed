#include "BenchSupport.h"
#include "MovementBench.h"

#include "DM_Unit.h"
#include "DbError.h"
#include "Program.h"
#include "RecordSet.h"
#include "ScriptedUser.h"
#include "ToolKind.h"
#include "frm_Main_Unit.h"
#include "frm_Pasword_Unit.h"
#include "frm_Per_Instr_BU_Unit.h"
#include "frm_Prihod_Instr_Unit.h"
#include "frm_Spisat_Instr_Unit.h"
#include "StockParts.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <functional>

std::vector<MovementFigure> measureMovements(const QString& path, int runs)
{
    std::vector<MovementFigure> out;
    ScriptedUser user;   // every box and dialog goes to the script, none waits for a person
    if (!Program::CreateWindows(path)) {
        MovementFigure f;
        f.what = QStringLiteral("Stock movements");
        f.error = user.texts().join(QStringLiteral(" / "));
        out.push_back(f);
        return out;
    }
    frm_Pasword->LoginName = QStringLiteral("Администратор");
    RecordSet& drills = DM->dtSet_Sverla;
    // A drill with stock enough for every run, as the storekeeper picks it.
    const int newField = drills.fieldIndex(QStringLiteral("K_vo_New"));
    for (int i = 0; i < drills.recordCount(); ++i)
        if (drills.intAt(i, newField) >= 10) {
            drills.setRecNo(i + 1);
            break;
        }
    const int toolId = drills.fieldByName(QStringLiteral("ID")).asInteger();

    struct Move {
        const char* what;
        std::function<RowEditorResult()> command;
        std::function<void(QDialog*)> play;
    };
    const Move moves[] = {
        {"Receipt of 1 drill, end to end", [] { return frm_Main->PrihodCommand(ToolKind::Sverla); },
         [](QDialog* d) {
             auto* f = static_cast<Tfrm_Prihod_Instr*>(d);
             f->sped_New->setValue(1);
             f->bbtn_OK->click();
         }},
        {"Write-off of 1 drill, end to end", [] { return frm_Main->SpisatCommand(ToolKind::Sverla); },
         [](QDialog* d) {
             auto* f = static_cast<Tfrm_Spisat_Instr*>(d);
             f->cmbx_K_vo_NEW->setCurrentIndex(1);
             f->bbtn_OK->click();
         }},
        {"Transfer of 1 drill to used, end to end", [] { return frm_Main->PerBUCommand(ToolKind::Sverla); },
         [](QDialog* d) {
             auto* f = static_cast<Tfrm_Per_Instr_BU*>(d);
             f->cmbx_COUNT->setCurrentIndex(1);
             f->bbtn_OK->click();
         }},
    };
    for (const Move& m : moves) {
        MovementFigure f;
        f.what = QString::fromLatin1(m.what);
        int stored = 0;
        // Where the time goes: up to the dialog (shown), in the dialog (the
        // choice and OK with its history rows), and what follows the dialog
        // (posts, refresh, commit).
        std::vector<double> toDialog, inDialog, after;
        for (int i = 0; i < runs; ++i) {
            try {
                f.refreshMs.push_back(timeMs([] { DM->RefreshSverla(); }));
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
            RowEditorResult r = RowEditorResult::Refused;
            t.start();
            r = m.command();
            const double total = double(t.nsecsElapsed()) / 1e6;
            f.totalMs.push_back(total);
            toDialog.push_back(shownAt);
            inDialog.push_back(closedAt - shownAt);
            after.push_back(total - closedAt);
            if (r == RowEditorResult::Stored)
                ++stored;
        }
        if (!user.texts().isEmpty() && f.error.isEmpty())
            f.error = user.texts().join(QStringLiteral(" / "));
        user.clear();
        f.note = QStringLiteral("drill ID %1 of %2, %3 of %4 runs stored; floor: the drills refresh alone;\n"
                                "    of which: to the dialog (shown) %5 ms, in the dialog (OK included) %6 ms, "
                                "after it (posts, refresh, commit) %7 ms")
                     .arg(toolId)
                     .arg(drills.recordCount())
                     .arg(stored)
                     .arg(runs)
                     .arg(median(toDialog), 0, 'f', 2)
                     .arg(median(inDialog), 0, 'f', 2)
                     .arg(median(after), 0, 'f', 2);
        out.push_back(f);
    }
    Program::DestroyWindows();
    return out;
}
