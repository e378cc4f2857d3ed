// The main window's search and filter commands: the record search of the
// five pages and the drill filter of the drills page.
#include "frm_Main_Unit.h"

#include "DM_Unit.h"
#include "Dialogs.h"
#include "SverlaFilterQuery.h"
#include "frm_Filter_Sverla_Unit.h"
#include "frm_SearchRec_Unit.h"

#include <QLabel>
#include <QToolButton>

void Tfrm_Main::ConnectSearchCommands()
{
    const std::pair<QToolButton*, void (Tfrm_Main::*)()> commands[] = {
        {spbt_SVerlo_Search, &Tfrm_Main::spbt_SVerlo_SearchClick},
        {spbt_FR_Search, &Tfrm_Main::spbt_FR_SearchClick},
        {spbt_Derj_Search, &Tfrm_Main::spbt_Derj_SearchClick},
        {spbt_PL_Search, &Tfrm_Main::spbt_PL_SearchClick},
        {spbt_SearchRec, &Tfrm_Main::spbt_SearchRecClick},
        {spbt_Sverlo_Filtr, &Tfrm_Main::spbt_Sverlo_FiltrClick},
    };
    for (const auto& [button, handler] : commands) {
        button->setEnabled(true);
        connect(button, &QToolButton::clicked, this, handler);
    }
    // The filter buttons of the cutters, holders and inserts pages do nothing.
}

void Tfrm_Main::SearchRecord(quint8 target)
{
    frm_SearchRec->prepare(target);
    Dialogs::showModal(frm_SearchRec);
}

void Tfrm_Main::spbt_SVerlo_SearchClick() { SearchRecord(0); }
void Tfrm_Main::spbt_FR_SearchClick() { SearchRecord(1); }
void Tfrm_Main::spbt_Derj_SearchClick() { SearchRecord(2); }
void Tfrm_Main::spbt_PL_SearchClick() { SearchRecord(3); }
void Tfrm_Main::spbt_SearchRecClick() { SearchRecord(4); }

void Tfrm_Main::spbt_Sverlo_FiltrClick()
{
    if (!sttx_Filter_Sverla->isHidden()) {
        // The second press: every drill again.
        QString error;
        if (SverlaFilter::applyQuery(DM->dtSet_Sverla, SverlaFilter::fullListText(), &error))
            sttx_Filter_Sverla->setVisible(false);
        else
            Dialogs::error(this, error);
    } else {
        Dialogs::showModal(frm_Filter_Sverla);
        if (frm_Filter_Sverla->QueryReplaced)
            sttx_Filter_Sverla->setVisible(true);
    }
    // The count in the status bar is that of the list now shown.
    UpdateRecordCount();
}
