// The main window's commands that open the three histories: from the main
// menu the whole history, from a catalogue's "Посмотреть историю" submenu
// the history of the tool current on that page.
#include "frm_Main_Unit.h"

#include "DM_Unit.h"
#include "DbError.h"
#include "Dialogs.h"
#include "HideWhileShown.h"
#include "frm_Dolgi_History_Unit.h"
#include "frm_Prihod_Hist_Unit.h"
#include "frm_Spisanie_Hist_Unit.h"

#include <QAction>

namespace {

// The submenu items of the four catalogue menus, drills, cutters, holders,
// inserts: receipts, write-offs, closed issues.
const char* const HistoryItems[4][3] = {
    {"pm_SV_View_Prih_Hist", "pm_SV_View_Spisanie_Hist", "pm_SV_View_Dolg_Hist"},
    {"pm_FR_View_Prih_Hist", "pm_FR_View_Spisanie_Hist", "N20"},
    {"pm_DRJ_Posm_Prih_Hist", "pm_DRJ_Posm_Spis_Hist", "N26"},
    {"pm_PL_Posm_Prih_Hist", "pm_PL_Posm_Spis_Hist", "N28"},
};

// Kind code of the tools on a catalogue page.
int kindCodeOfPage(int page)
{
    switch (page) {
    case Tfrm_Main::PageSverla: return 1;
    case Tfrm_Main::PageFrezy: return 3;
    case Tfrm_Main::PageDerj: return 4;
    case Tfrm_Main::PagePlastiny: return 2;
    }
    return 0;
}

} // namespace

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
    void (Tfrm_Main::*const shared[3])() = {&Tfrm_Main::pm_SV_View_Prih_HistClick,
                                            &Tfrm_Main::pm_SV_View_Spisanie_HistClick,
                                            &Tfrm_Main::pm_SV_View_Dolg_HistClick};
    for (const auto& items : HistoryItems)
        for (int h = 0; h < 3; ++h) {
            auto* item = findChild<QAction*>(QString::fromLatin1(items[h]));
            Q_ASSERT(item);
            item->setEnabled(true);
            connect(item, &QAction::triggered, this, shared[h]);
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
    const int page = PageControl_Main->currentIndex();
    RecordSet* tools = pageRecordSet(page);
    const int kind = kindCodeOfPage(page);
    if (!tools || kind == 0)
        return;
    // An empty page has no current tool: the filter names ID 0 and the list is empty.
    const int id = tools->isOpen() && !tools->isEmpty() ? tools->fieldByName(QStringLiteral("ID")).asInteger() : 0;
    try {
        window->FilterToTool(id, kind);
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
