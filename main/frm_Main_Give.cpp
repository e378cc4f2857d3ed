// The main window's issue to work: one command for the four tool kinds,
// through the movement runner, with the debts page shown after it.
#include "frm_Main_Unit.h"

#include "DM_Unit.h"
#include "DbError.h"
#include "Dialogs.h"
#include "RecordSet.h"
#include "RowEditor.h"
#include "ToolKind.h"
#include "frm_GiveToWork_Unit.h"
#include "frm_Pasword_Unit.h"

#include <QAction>
#include <QTabWidget>
#include <QToolButton>

namespace {

// Per kind, in the dialog's Kind order: the commands and the message shown
// when the save fails.
struct GiveCommand {
    ToolKind kind;
    const char* button;
    const char* item;
    const char* caption;
    const char* failure;
    void (Tfrm_Main::*onButton)();
    void (Tfrm_Main::*onItem)();
};

const GiveCommand GiveCommands[ToolKindCount] = {
    {ToolKind::Sverla, "spbt_SV_GiveToWork", "pmSV_Give_to_Work", "Отдать сверло в работу",
     "Возникла ошибка при попытке редактирования данных в таблице \"Dolgi\". Данные не сохранены!!!",
     &Tfrm_Main::spbt_SV_GiveToWorkClick, &Tfrm_Main::pmSV_Give_to_WorkClick},
    {ToolKind::Frezy, "spbt_FR_GiveToWork", "pm_FR_GiveToWork", "Отдать в работу",
     "Возникла ошибка при попытке редактирования данных в таблице \"Dolgi\". Данные не сохранены!!!",
     &Tfrm_Main::spbt_FR_GiveToWorkClick, &Tfrm_Main::pm_FR_GiveToWorkClick},
    {ToolKind::Derj, "spbt_Derj_GiveToWork", "pm_DRJ_GiveToWork", "Отдать в работу",
     "Возникла ошибка при попытке редактирования данных в таблице \"Dolgi or Derjavki\". Данные не сохранены!!!",
     &Tfrm_Main::spbt_Derj_GiveToWorkClick, &Tfrm_Main::pm_DRJ_GiveToWorkClick},
    {ToolKind::Plast, "spbt_PL_GiveToWork", "pm_PL_GiveToWork", "Отдать в работу",
     "Возникла ошибка при попытке редактирования данных в таблице \"Dolgi or Plastiny\". Данные не сохранены!!!",
     &Tfrm_Main::spbt_PL_GiveToWorkClick, &Tfrm_Main::pm_PL_GiveToWorkClick},
};

} // namespace

QString Tfrm_Main::giveToWorkFailure(ToolKind kind)
{
    return QString::fromUtf8(GiveCommands[dialogKindOf(kind)].failure);
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
    RecordSet& debt = DM->tbl_Dolgi;
    RecordSet& people = DM->tbl_People;

    auto count = [&catalogue](const char* field) {
        return catalogue.isOpen() && !catalogue.isEmpty() ? catalogue.fieldByName(QString::fromLatin1(field)).asInteger()
                                                          : 0;
    };

    // The new debt row is only inserted: tbl_Dolgi reads none of the
    // others, and gets its own filter back when the command ends.
    const QString debtFilter = debt.filter();
    const bool debtFiltered = debt.filtered();
    bool prepared = false;
    bool cleaned = false;
    auto cleanup = [&] {
        if (cleaned)
            return;
        cleaned = true;
        people.close();
        debt.close();
        try {
            debt.setFilter(debtFilter);
        } catch (const DbError&) {
        }
        debt.setFiltered(debtFiltered);
        try {
            debts.open();
            if (kind != ToolKind::Sverla)
                debts.last();
        } catch (const DbError& e) {
            Dialogs::error(this, e.message());
        }
    };

    Movement m;
    m.kind = kind;
    m.dialog = frm_GiveToWork;
    m.onTableObject = true;
    m.newRow = &debt;
    m.failureMessage = giveToWorkFailure(kind);
    m.prepare = [&] {
        const QString login = frm_Pasword ? frm_Pasword->LoginName : QString();
        if (!frm_GiveToWork->Prepare(count(k.newField), count(k.buField), login))
            return false;
        prepared = true;
        debts.close();
        try {
            people.close();
            people.open();
            debt.close();
            debt.setFilter(QStringLiteral("ID=0"));
            debt.setFiltered(true);
            debt.open();
        } catch (const DbError& e) {
            cleanup();
            Dialogs::error(this, failureText(m.failureMessage, e));
            return false;
        }
        return true;
    };
    m.afterStore = [&] {
        // The kind's catalogue is read again from its first row.
        catalogue.close();
        catalogue.open();
    };
    m.finally = cleanup;

    const RowEditorResult r = RunMovement(m);
    if (prepared)
        cleanup();   // also when the runner refused after the preparation
    if (r == RowEditorResult::Stored) {
        if (PageControl_Main->currentIndex() == PageDolgi)
            UpdateRecordCount();
        PageControl_Main->setCurrentIndex(PageDolgi);
    }
    return r;
}
