// The main window's issue to work: one command for the four tool kinds,
// through the movement runner, with the debts page shown after it.
#include "frm_Main_Unit.h"

#include "DM_Unit.h"
#include "DbError.h"
#include "Dialogs.h"
#include "RecordSet.h"
#include "Operations.h"
#include "RowEditor.h"
#include "ToolKind.h"
#include "frm_GiveToWork_Unit.h"
#include "frm_Pasword_Unit.h"

#include <QAction>
#include <QTabWidget>
#include <QToolButton>

namespace {

// Per kind, in the dialog's Kind order: the commands.
struct GiveCommand {
    ToolKind kind;
    const char* button;
    const char* item;
    const char* caption;
    void (Tfrm_Main::*onButton)();
    void (Tfrm_Main::*onItem)();
};

const GiveCommand GiveCommands[ToolKindCount] = {
    {ToolKind::Sverla, "spbt_SV_GiveToWork", "pmSV_Give_to_Work", "Отдать сверло в работу",
     &Tfrm_Main::spbt_SV_GiveToWorkClick, &Tfrm_Main::pmSV_Give_to_WorkClick},
    {ToolKind::Frezy, "spbt_FR_GiveToWork", "pm_FR_GiveToWork", "Отдать в работу",
     &Tfrm_Main::spbt_FR_GiveToWorkClick, &Tfrm_Main::pm_FR_GiveToWorkClick},
    {ToolKind::Derj, "spbt_Derj_GiveToWork", "pm_DRJ_GiveToWork", "Отдать в работу",
     &Tfrm_Main::spbt_Derj_GiveToWorkClick, &Tfrm_Main::pm_DRJ_GiveToWorkClick},
    {ToolKind::Plast, "spbt_PL_GiveToWork", "pm_PL_GiveToWork", "Отдать в работу",
     &Tfrm_Main::spbt_PL_GiveToWorkClick, &Tfrm_Main::pm_PL_GiveToWorkClick},
};

} // namespace

QString Tfrm_Main::giveToWorkFailure(ToolKind kind)
{
    return Tfrm_GiveToWork::failureOf(dialogKindOf(kind));
}

void Tfrm_Main::ConnectGiveToWork()
{
    for (const GiveCommand& c : GiveCommands) {
        if (auto* b = findChild<QToolButton*>(QString::fromLatin1(c.button))) {
            b->setEnabled(true);
            connect(b, &QToolButton::clicked, this, c.onButton);
        }
        QAction* a = catalogueMenu(c.kind).giveToWork;
        a->setText(QString::fromUtf8(c.caption));
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, c.onItem);
    }
}

void Tfrm_Main::spbt_SV_GiveToWorkClick() { GiveToWork(ToolKind::Sverla); }
void Tfrm_Main::spbt_FR_GiveToWorkClick() { GiveToWork(ToolKind::Frezy); }
void Tfrm_Main::spbt_Derj_GiveToWorkClick() { GiveToWork(ToolKind::Derj); }
void Tfrm_Main::spbt_PL_GiveToWorkClick() { GiveToWork(ToolKind::Plast); }
void Tfrm_Main::pmSV_Give_to_WorkClick() { GiveToWork(ToolKind::Sverla); }
void Tfrm_Main::pm_FR_GiveToWorkClick() { GiveToWork(ToolKind::Frezy); }
void Tfrm_Main::pm_DRJ_GiveToWorkClick() { GiveToWork(ToolKind::Derj); }
void Tfrm_Main::pm_PL_GiveToWorkClick() { GiveToWork(ToolKind::Plast); }

RowEditorResult Tfrm_Main::GiveToWork(ToolKind kind)
{
    if (!DM || !frm_GiveToWork)
        return RowEditorResult::Refused;
    const ToolKindInfo& k = toolKind(kind);
    RecordSet& catalogue = catalogueOf(*DM, kind);
    RecordSet& debts = DM->dtset_DolgiSQL;
    RecordSet& people = DM->tbl_People;
    const bool row = catalogue.isOpen() && !catalogue.isEmpty();
    auto count = [&](const char* field) { return row ? catalogue.fieldByName(QString::fromLatin1(field)).asInteger() : 0; };

    // A tool deleted in the other copy is said so at once, and the page
    // shows the file.
    if (row) {
        bool gone = false;
        try {
            gone = !ops::readToolCounts(DM->ADOConnection1, kind, count("ID"));
        } catch (const DbError& e) {
            Dialogs::error(this, failureText(giveToWorkFailure(kind), e));
            return RowEditorResult::Failed;
        }
        if (gone) {
            Dialogs::error(this, giveToWorkFailure(kind) + QStringLiteral("\n\n") + ops::toolGoneText());
            try {
                DM->ShowFile(kind);
            } catch (const DbError& e) {
                Dialogs::error(this, e.message());
            }
            return RowEditorResult::Refused;
        }
    }
    const QString login = frm_Pasword ? frm_Pasword->LoginName : QString();
    if (!frm_GiveToWork->Prepare(count(k.newField), count(k.buField), login))
        return RowEditorResult::Refused;
    try {
        people.close();
        people.open();
    } catch (const DbError& e) {
        people.close();
        Dialogs::error(this, failureText(giveToWorkFailure(kind), e));
        return RowEditorResult::Failed;
    }
    frm_GiveToWork->Kind = dialogKindOf(kind);
    frm_GiveToWork->ToolID = count("ID");
    Dialogs::showModal(frm_GiveToWork);
    people.close();

    const bool stored = frm_GiveToWork->CloseCode == 1;
    if (stored) {
        try {
            DM->ShowChanges(frm_GiveToWork->Stored);
        } catch (const DbError& e) {
            Dialogs::error(this, e.message());
        }
        // The kind's catalogue back on its first row.
        catalogue.first();
    }
    // The debts list on its first row, or for any kind but drills its last.
    if (kind != ToolKind::Sverla)
        debts.last();
    else
        debts.first();
    if (stored) {
        if (PageControl_Main->currentIndex() == PageDolgi)
            UpdateRecordCount();
        PageControl_Main->setCurrentIndex(PageDolgi);
    }
    return stored ? RowEditorResult::Stored : RowEditorResult::Cancelled;
}
