// The issue to work measured end to end in the real windows (off screen):
// from the command on a catalogue page to the debts page shown, the dialog
// played by a scripted user who picks an operator and one piece and presses
// OK. Beside it, the refresh the issue ends with (the kind's catalogue read
// again, the debts list read again and its row chosen).
#include "BenchSupport.h"
#include "bench_give.h"

#include "DM_Unit.h"
#include "DataAware.h"
#include "Program.h"
#include "ScriptedUser.h"
#include "ToolKind.h"
#include "frm_GiveToWork_Unit.h"
#include "frm_Main_Unit.h"
#include "frm_Pasword_Unit.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest/QTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

void benchGiveToWork(const QString& path, int runs)
{
    QApplication::setQuitOnLastWindowClosed(false);
    if (!Program::CreateWindows(path)) {
        std::printf("Issue to work: the windows cannot be created on %s\n", path.toUtf8().constData());
        return;
    }
    frm_Pasword->LoginName = QStringLiteral("Администратор");
    ScriptedUser person;
    const char* names[ToolKindCount] = {"drills", "cutters", "holders", "inserts"};

    for (ToolKind kind : allToolKinds()) {
        RecordSet& cat = catalogueOf(*DM, kind);
        RecordSet& debts = DM->dtset_DolgiSQL;
        const int newField = cat.fieldIndex(QString::fromLatin1(toolKind(kind).newField));
        int row = -1;
        for (int pos = 0, n = cat.recordCount(); pos < n && row < 0; ++pos)
            if (cat.intAt(pos, newField) >= runs + 1)
                row = pos;
        const QString what = QStringLiteral("Issue to work, %1 (command to debts page)").arg(QLatin1String(names[int(kind)]));
        if (row < 0) {
            std::printf("%-44s no tool with %d new pieces\n", what.toUtf8().constData(), runs + 1);
            continue;
        }
        const int id = cat.intAt(row, cat.fieldIndex(QStringLiteral("ID")));

        std::vector<double> issue, refresh, beforeDialog, inDialog, afterDialog;
        int stored = 0;
        for (int i = 0; i < runs; ++i) {
            // The refresh alone, as the issue ends with it.
            QElapsedTimer r0;
            r0.start();
            cat.close();
            cat.open();
            debts.close();
            debts.open();
            if (kind != ToolKind::Sverla)
                debts.last();
            refresh.push_back(r0.nsecsElapsed() / 1e6);

            frm_Main->PageControl_Main->setCurrentIndex(pageOf(kind));
            cat.locate(QStringLiteral("ID"), id);
            QElapsedTimer t;
            double shownAt = 0, okAt = 0;
            person.onModal([&](QDialog*) {
                shownAt = t.nsecsElapsed() / 1e6;
                Tfrm_GiveToWork* f = frm_GiveToWork;
                f->DBLookupComboBox1->setCurrentIndex(0);
                emit f->DBLookupComboBox1->activated(0);
                f->cmbx_K_vo_Otdat->setCurrentIndex(1);
                QTest::mouseClick(f->bbtn_OK, Qt::LeftButton);
                okAt = t.nsecsElapsed() / 1e6;
            });
            t.start();
            const RowEditorResult r = frm_Main->GiveToWork(kind);
            const double total = t.nsecsElapsed() / 1e6;
            issue.push_back(total);
            beforeDialog.push_back(shownAt);
            inDialog.push_back(okAt - shownAt);
            afterDialog.push_back(total - okAt);
            stored += r == RowEditorResult::Stored;
        }
        const double fig = median(issue), floor = median(refresh);
        const bool ok = stored == runs && fig < 50 && fig <= 1.2 * floor;
        const QString figText = QStringLiteral("%1 ms").arg(fig, 0, 'f', 2);
        const QString floorText = QStringLiteral("%1 ms").arg(floor, 0, 'f', 2);
        const QString ratio = QStringLiteral("%1x").arg(fig / floor, 0, 'f', 2);
        std::printf("%-44s %12s %12s %7s   %-26s %s\n", what.toUtf8().constData(), figText.toUtf8().constData(),
                    floorText.toUtf8().constData(), ratio.toUtf8().constData(), "<= 1.2x refresh, < 50 ms",
                    ok ? "ok" : "GOAL MISSED");
        std::printf("    floor: the refresh it ends with (catalogue of %d rows, %d debts); %d of %d issues stored\n"
                    "    of which: to the dialog shown %.2f ms, in the dialog to OK %.2f ms, posts, refresh, commit %.2f ms\n",
                    cat.recordCount(), debts.recordCount(), stored, runs, median(beforeDialog), median(inDialog),
                    median(afterDialog));
        std::fflush(stdout);
    }
    Program::DestroyWindows();
}
