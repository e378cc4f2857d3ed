// The main window's "Отчёты" menu: the three usage reports, each opening the
// reports window on it.
#include "frm_Main_Unit.h"

#include "frm_Report_Unit.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

void Tfrm_Main::ConnectReportCommands()
{
    mm_Reports = new QMenu(QStringLiteral("Отчёты"), MainMenu1);
    mm_Reports->setObjectName(QStringLiteral("mm_Reports"));
    // Before "Справка", which stays the last.
    QMenu* help = MainMenu1->findChild<QMenu*>(QStringLiteral("mm_Help"));
    MainMenu1->insertMenu(help ? help->menuAction() : nullptr, mm_Reports);

    const struct {
        QAction* Tfrm_Main::* item;
        const char* name;
        reports::Usage report;
    } items[] = {{&Tfrm_Main::mm_Report_Consumption, "mm_Report_Consumption", reports::Usage::Consumption},
                 {&Tfrm_Main::mm_Report_Operators, "mm_Report_Operators", reports::Usage::Operators},
                 {&Tfrm_Main::mm_Report_Tools, "mm_Report_Tools", reports::Usage::Tools}};
    for (const auto& i : items) {
        QAction* a = mm_Reports->addAction(reports::reportName(i.report));
        a->setObjectName(QString::fromLatin1(i.name));
        this->*i.item = a;
        connect(a, &QAction::triggered, this, [r = i.report] {
            if (frm_Report)
                frm_Report->ShowReport(r);
        });
    }
}
