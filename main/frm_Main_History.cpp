// The main window's commands that open the three histories: from the main
// menu the whole history, from a catalogue's "Посмотреть историю" submenu
// the history of the tool current on that page.
#include "frm_Main_Unit.h"

#include "DM_Unit.h"
#include "DbError.h"
#include "Dialogs.h"
#include "HideWhileShown.h"
#include "ToolKind.h"
#include "frm_Dolgi_History_Unit.h"
#include "frm_Prihod_Hist_Unit.h"
#include "frm_Spisanie_Hist_Unit.h"

#include <QAction>

void Tfrm_Main::ConnectHistoryCommands()
{
    const std::pair<QAction*, void (Tfrm_Main::*)()> main[] = {{mm_History_Dolg, &Tfrm_Main::mm_History_DolgClick},
                                                               {mm_History_Prihod, &Tfrm_Main::mm_History_PrihodClick},
                                                               {mm_Spisanie_Hist, &Tfrm_Main::mm_Spisanie_HistClick}};
    for (const auto& [item, handler] : main) {
        item->setEnabled(true);
        connect(item, &QAction::triggered, this, handler);
    }
    // The four items that open one history share its command.
    for (ToolKind kind : allToolKinds()) {
        const CatalogueMenu& m = catalogueMenu(kind);
        const std::pair<QAction*, void (Tfrm_Main::*)()> items[] = {
            {m.histPrihod, &Tfrm_Main::pm_SV_View_Prih_HistClick},
            {m.histSpisanie, &Tfrm_Main::pm_SV_View_Spisanie_HistClick},
            {m.histDolgi, &Tfrm_Main::pm_SV_View_Dolg_HistClick}};
        for (const auto& [item, handler] : items) {
            item->setEnabled(true);
            connect(item, &QAction::triggered, this, handler);
        }
    }
}

void Tfrm_Main::ShowHistory(THistoryForm* window)
{
    HideWhileShown away(this);
    RecordSet& list = window->list();
    try {
        list.open();
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
        return;
    }
    Dialogs::showModal(window);
    list.close();
}

void Tfrm_Main::ShowToolHistory(THistoryForm* window)
{
    const std::optional<ToolKind> kind = toolKindByPage(PageControl_Main->currentIndex());
    if (!kind || !DM)
        return;
    // An empty page has no current tool: the filter names ID 0 and the list is empty.
    RecordSet& tools = catalogueOf(*DM, *kind);
    const int id = tools.isOpen() && !tools.isEmpty() ? tools.fieldByName(QStringLiteral("ID")).asInteger() : 0;
    try {
        window->FilterToTool(id, kindCodeOf(*kind));
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
        return;
    }
    ShowHistory(window);
}

void Tfrm_Main::mm_History_DolgClick()
{
    frm_Dolgi_History->ClearFilter();
    ShowHistory(frm_Dolgi_History);
}

void Tfrm_Main::mm_History_PrihodClick()
{
    if (frm_Prihod_Hist->filterShown())
        frm_Prihod_Hist->ClearFilter();
    ShowHistory(frm_Prihod_Hist);
}

void Tfrm_Main::mm_Spisanie_HistClick()
{
    if (frm_Spisanie_Hist->filterShown())
        frm_Spisanie_Hist->ClearFilter();
    ShowHistory(frm_Spisanie_Hist);
}

void Tfrm_Main::pm_SV_View_Prih_HistClick() { ShowToolHistory(frm_Prihod_Hist); }
void Tfrm_Main::pm_SV_View_Spisanie_HistClick() { ShowToolHistory(frm_Spisanie_Hist); }
void Tfrm_Main::pm_SV_View_Dolg_HistClick() { ShowToolHistory(frm_Dolgi_History); }
