// The main window's debts page: the return of the current debt, the view of
// one tool's debts (from each catalogue page's context menu), the filter
// button that clears that view, and the jump from a debt to its tool.
#include "frm_Main_Unit.h"

#include "DM_Unit.h"
#include "DbError.h"
#include "Dialogs.h"
#include "RecordSet.h"
#include "ToolKind.h"
#include "frm_GetBackInstr_Unit.h"
#include "frm_Pasword_Unit.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>

void Tfrm_Main::ConnectDebtsCommands()
{
    for (QToolButton* b : {SpeedButton1, spbt_Dolgi_Filtr})
        b->setEnabled(true);
    for (QAction* a : {pm_Dolgi_Return, pm_ViewInstr})
        a->setEnabled(true);
    connect(SpeedButton1, &QToolButton::clicked, this, &Tfrm_Main::SpeedButton1Click);
    connect(spbt_Dolgi_Filtr, &QToolButton::clicked, this, &Tfrm_Main::spbt_Dolgi_FiltrClick);
    connect(pm_Dolgi_Return, &QAction::triggered, this, &Tfrm_Main::pm_Dolgi_ReturnClick);
    connect(pm_ViewInstr, &QAction::triggered, this, &Tfrm_Main::pm_ViewInstrClick);

    const std::pair<ToolKind, void (Tfrm_Main::*)()> views[] = {
        {ToolKind::Sverla, &Tfrm_Main::pmSV_ViewDolgiClick},
        {ToolKind::Frezy, &Tfrm_Main::pm_FR_Posm_Komu_VidanClick},
        {ToolKind::Derj, &Tfrm_Main::pm_DRJ_Posm_Komu_VidanClick},
        {ToolKind::Plast, &Tfrm_Main::pm_PL_Posm_Komu_VidanClick},
    };
    for (const auto& [kind, handler] : views) {
        QAction* a = catalogueMenu(kind).viewDolgi;
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, handler);
    }
}

// ---------------------------------------------------------------------------
// The return

void Tfrm_Main::ReturnDebt()
{
    if (!DM || !frm_GetBackInstr)
        return;
    RecordSet& debts = DM->dtset_DolgiSQL;
    if (!debts.isOpen() || debts.isEmpty())
        return;
    const int kvo = debts.fieldByName(QStringLiteral("K_vo")).asInteger();
    const bool bu = debts.fieldByName(QStringLiteral("Instr_is_BU")).asBoolean();
    frm_GetBackInstr->MaxNew = kvo;
    frm_GetBackInstr->MaxBU = kvo;
    frm_GetBackInstr->LoginName = frm_Pasword ? frm_Pasword->LoginName : QString();
    // Pieces issued from the used stock can only come back as used.
    frm_GetBackInstr->cmbx_K_vo_NEW->setEnabled(!bu);
    frm_GetBackInstr->ed_Type->setText(bu ? QStringLiteral("БУ") : QStringLiteral("Новый"));
    Dialogs::showModal(frm_GetBackInstr);
    // The dialog has re-read what it changed; the count is that of the list now shown.
    UpdateRecordCount();
}

void Tfrm_Main::SpeedButton1Click() { ReturnDebt(); }
void Tfrm_Main::pm_Dolgi_ReturnClick() { ReturnDebt(); }

// ---------------------------------------------------------------------------
// One tool's debts

void Tfrm_Main::ViewToolDebts(ToolKind kind)
{
    if (!DM)
        return;
    const ToolKindInfo& k = toolKind(kind);
    RecordSet& catalogue = catalogueOf(*DM, kind);
    const bool row = catalogue.isOpen() && !catalogue.isEmpty();
    const int inWork = row ? catalogue.fieldByName(QString::fromLatin1(k.dolgField)).asInteger() : 0;
    if (inWork <= 0) {
        Dialogs::info(this, QStringLiteral("Нет инструмента в работе!"));
        return;
    }
    const int id = catalogue.fieldByName(QStringLiteral("ID")).asInteger();
    RecordSet& debts = DM->dtset_DolgiSQL;
    try {
        debts.setFilter(QStringLiteral("(ID_Instr=%1) AND (ID_Tabl=%2)").arg(id).arg(k.code));
        debts.setFiltered(true);
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
        return;
    }
    m_overdueView = false;   // one tool's debts replace the overdue ones
    sttx_Filter_Dolgi->setVisible(true);
    PageControl_Main->setCurrentIndex(PageDolgi);
    UpdateRecordCount();
}

void Tfrm_Main::pmSV_ViewDolgiClick() { ViewToolDebts(ToolKind::Sverla); }
void Tfrm_Main::pm_FR_Posm_Komu_VidanClick() { ViewToolDebts(ToolKind::Frezy); }
void Tfrm_Main::pm_DRJ_Posm_Komu_VidanClick() { ViewToolDebts(ToolKind::Derj); }
void Tfrm_Main::pm_PL_Posm_Komu_VidanClick() { ViewToolDebts(ToolKind::Plast); }

void Tfrm_Main::spbt_Dolgi_FiltrClick()
{
    if (!DM || sttx_Filter_Dolgi->isHidden())
        return;
    sttx_Filter_Dolgi->setVisible(false);
    m_overdueView = false;
    RecordSet& debts = DM->dtset_DolgiSQL;
    debts.setFilter(QString());
    debts.setFiltered(false);
    UpdateRecordCount();
}

// ---------------------------------------------------------------------------
// From a debt to its tool

void Tfrm_Main::pm_ViewInstrClick()
{
    if (!DM)
        return;
    RecordSet& debts = DM->dtset_DolgiSQL;
    if (!debts.isOpen() || debts.isEmpty())
        return;
    const int instr = debts.fieldByName(QStringLiteral("ID_Instr")).asInteger();
    const std::optional<ToolKind> kind = toolKindByCode(debts.fieldByName(QStringLiteral("ID_Tabl")).asInteger());
    if (!kind)
        return;
    // A tool its catalogue does not list (a filter hides it) leaves the cursor where it was.
    RecordSet& catalogue = catalogueOf(*DM, *kind);
    if (catalogue.isOpen())
        catalogue.locate(QStringLiteral("ID"), instr);
    PageControl_Main->setCurrentIndex(pageOf(*kind));
}
