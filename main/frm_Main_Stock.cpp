// The main window's stock commands on the catalogue pages: receipt,
// write-off and transfer to used, one implementation each for the four
// kinds, run through the movement runner on the page's current row.
#include "frm_Main_Unit.h"

#include "DM_Unit.h"
#include "DbError.h"
#include "Operations.h"
#include "RowEditor.h"
#include "Dialogs.h"
#include "RecordSet.h"
#include "ToolKind.h"
#include "frm_Pasword_Unit.h"
#include "frm_Per_Instr_BU_Unit.h"
#include "frm_Prihod_Instr_Unit.h"
#include "frm_Spisat_Instr_Unit.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

// The current tool row of a kind's page, with what the dialogs show of it.
struct ToolRow {
    RecordSet& rs;
    const ToolKindInfo& k;
    int id() const { return rs.fieldByName(QStringLiteral("ID")).asInteger(); }
    QString text(const char* f) const { return rs.fieldByName(QString::fromLatin1(f)).asString(); }
    int newCount() const { return rs.fieldByName(QString::fromLatin1(k.newField)).asInteger(); }
    int buCount() const { return rs.fieldByName(QString::fromLatin1(k.buField)).asInteger(); }
};

// A command needs a current tool row: on an empty page it does nothing.
bool hasRow(RecordSet& rs)
{
    return rs.isOpen() && !rs.isEmpty() && rs.state() == RecordSet::State::Browse;
}

// A page older than the database (another copy wrote since it was read) is
// read again before a dialog opens on its row, so that the dialog starts
// from the counts the database holds; a tool deleted meanwhile is said so.
bool freshRow(Tfrm_Main* main, ToolKind kind, const QString& failure)
{
    RecordSet& cat = catalogueOf(*DM, kind);
    const int id = cat.fieldByName(QStringLiteral("ID")).asInteger();
    try {
        if (!DM->ADOConnection1.othersWroteSince(cat.readState()))
            return true;
        DM->ShowFile(kind);
    } catch (const DbError& e) {
        Dialogs::error(main, failureText(failure, e));
        return false;
    }
    if (hasRow(cat) && cat.fieldByName(QStringLiteral("ID")).asInteger() == id)
        return true;
    Dialogs::error(main, failure + QStringLiteral("\n\n") + ops::toolGoneText());
    return false;
}

QString loginName()
{
    return frm_Pasword ? frm_Pasword->LoginName : QString();
}

// What the receipt and the write-off show of the tool, and their run: a
// history row that met a busy or changed file leaves the dialog cancelled,
// and the page then shows the file again.
template <class Dialog>
void showTool(Dialog* d, const ToolRow& row)
{
    d->PictureName = row.text("Pikcher");
    d->LoginName = loginName();
    d->ed_Kod->setText(row.text("Kod"));
    d->ed_Firma->setText(row.text("Name"));
    d->Memo1->setPlainText(row.text("Prim"));
}

// Shows a movement dialog on the tool; after a stored movement the pages
// show what it wrote.
template <class Dialog>
RowEditorResult runMovement(Tfrm_Main* main, ToolKind kind, Dialog* d, int toolId)
{
    d->Kind = dialogKindOf(kind);
    d->ToolID = toolId;
    Dialogs::showModal(d);
    if (d->CloseCode != 1)
        return RowEditorResult::Cancelled;
    try {
        DM->ShowChanges(d->Stored);
    } catch (const DbError& e) {
        Dialogs::error(main, e.message());
    }
    return RowEditorResult::Stored;
}

} // namespace

void Tfrm_Main::ConnectStockCommands()
{
    using Handler = void (Tfrm_Main::*)();
    struct Items {
        Handler prihod, spisat, perBU;
    };
    static const Items handlers[ToolKindCount] = {
        {&Tfrm_Main::pmSV_PrihodClick, &Tfrm_Main::pm_SV_SpisatClick, &Tfrm_Main::mmSV_per_BUClick},
        {&Tfrm_Main::pm_FR_PrihodClick, &Tfrm_Main::pm_FR_SpisatClick, &Tfrm_Main::mmFR_per_BUClick},
        {&Tfrm_Main::pm_DRJ_PrihodClick, &Tfrm_Main::pm_DRJ_SpisatClick, &Tfrm_Main::mmDRJ_per_BUClick},
        {&Tfrm_Main::pm_PL_PrihodClick, &Tfrm_Main::pm_PL_SpisatClick, &Tfrm_Main::mmPL_per_BUClick},
    };
    for (ToolKind kind : allToolKinds()) {
        const CatalogueMenu& m = catalogueMenu(kind);
        const Items& h = handlers[pageOf(kind)];
        for (auto [item, handler] : {std::pair{m.prihod, h.prihod}, {m.spisat, h.spisat}, {m.perBU, h.perBU}}) {
            item->setEnabled(true);
            connect(item, &QAction::triggered, this, handler);
        }
    }
}

void Tfrm_Main::pmSV_PrihodClick() { PrihodCommand(ToolKind::Sverla); }
void Tfrm_Main::pm_FR_PrihodClick() { PrihodCommand(ToolKind::Frezy); }
void Tfrm_Main::pm_DRJ_PrihodClick() { PrihodCommand(ToolKind::Derj); }
void Tfrm_Main::pm_PL_PrihodClick() { PrihodCommand(ToolKind::Plast); }
void Tfrm_Main::pm_SV_SpisatClick() { SpisatCommand(ToolKind::Sverla); }
void Tfrm_Main::pm_FR_SpisatClick() { SpisatCommand(ToolKind::Frezy); }
void Tfrm_Main::pm_DRJ_SpisatClick() { SpisatCommand(ToolKind::Derj); }
void Tfrm_Main::pm_PL_SpisatClick() { SpisatCommand(ToolKind::Plast); }
void Tfrm_Main::mmSV_per_BUClick() { PerBUCommand(ToolKind::Sverla); }
void Tfrm_Main::mmFR_per_BUClick() { PerBUCommand(ToolKind::Frezy); }
void Tfrm_Main::mmDRJ_per_BUClick() { PerBUCommand(ToolKind::Derj); }
void Tfrm_Main::mmPL_per_BUClick() { PerBUCommand(ToolKind::Plast); }

RowEditorResult Tfrm_Main::PrihodCommand(ToolKind kind)
{
    if (!DM || !frm_Prihod_Instr || !hasRow(catalogueOf(*DM, kind)))
        return RowEditorResult::Refused;
    if (!freshRow(this, kind, Tfrm_Prihod_Instr::failureOf(dialogKindOf(kind))))
        return RowEditorResult::Refused;
    RecordSet& cat = catalogueOf(*DM, kind);
    Tfrm_Prihod_Instr* d = frm_Prihod_Instr;
    const ToolRow row{cat, toolKind(kind)};
    showTool(d, row);
    d->ed_kvo_new->setText(QString::number(row.newCount()));
    d->ed_kvo_BU->setText(QString::number(row.buCount()));
    d->ResultWord = QStringLiteral("Edit");
    return runMovement(this, kind, d, row.id());
}

RowEditorResult Tfrm_Main::SpisatCommand(ToolKind kind)
{
    if (!DM || !frm_Spisat_Instr || !hasRow(catalogueOf(*DM, kind)))
        return RowEditorResult::Refused;
    if (!freshRow(this, kind, Tfrm_Spisat_Instr::failureOf(dialogKindOf(kind))))
        return RowEditorResult::Refused;
    RecordSet& cat = catalogueOf(*DM, kind);
    Tfrm_Spisat_Instr* d = frm_Spisat_Instr;
    const ToolRow row{cat, toolKind(kind)};
    // Nothing to write off: no stock, or a count that is not above 0 (as none).
    if (row.newCount() <= 0 && row.buCount() <= 0) {
        Dialogs::error(this, QStringLiteral("Нельзя списать инструмент к-во которого 0!"));
        return RowEditorResult::Refused;
    }
    showTool(d, row);
    d->StockNew = row.newCount();
    d->StockBU = row.buCount();
    d->ResultWord = QStringLiteral("Edit");
    return runMovement(this, kind, d, row.id());
}

RowEditorResult Tfrm_Main::PerBUCommand(ToolKind kind)
{
    if (!DM || !frm_Per_Instr_BU || !hasRow(catalogueOf(*DM, kind)))
        return RowEditorResult::Refused;
    if (!freshRow(this, kind, Tfrm_Per_Instr_BU::failureOf(dialogKindOf(kind))))
        return RowEditorResult::Refused;
    RecordSet& cat = catalogueOf(*DM, kind);
    Tfrm_Per_Instr_BU* d = frm_Per_Instr_BU;
    const ToolRow row{cat, toolKind(kind)};
    if (row.newCount() <= 0) {
        Dialogs::error(this, QStringLiteral("Нельзя переместить инструмент в БУ если \"К-во НОВЫЙ\"=0  !"));
        return RowEditorResult::Refused;
    }
    d->StockNew = row.newCount();
    d->StockBU = row.buCount();
    d->ed_Kod->setText(row.text("Kod"));
    d->ed_Firma->setText(row.text("Name"));

    return runMovement(this, kind, d, row.id());
}
