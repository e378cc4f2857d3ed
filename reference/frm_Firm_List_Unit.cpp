#include "frm_Firm_List_Unit.h"

#include "DBGrid.h"
#include "DM_Unit.h"
#include "DbError.h"
#include "Dialogs.h"
#include "HideWhileShown.h"
#include "Icons.h"
#include "Operations.h"
#include "Query.h"
#include "RecordEditor.h"
#include "frm_Add_Edit_Firm_Unit.h"

#include <QHBoxLayout>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

Tfrm_Firm_List* frm_Firm_List = nullptr;

Tfrm_Firm_List::Tfrm_Firm_List(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_Firm_List"));
    setWindowTitle(QStringLiteral("Список фирм"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setMinimumSize(350, 300);   // no narrower than 350, no lower than 300
    resize(460, 520);

    Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    spbt_Firm_New = speedButton(Panel3, QStringLiteral("spbt_Firm_New"), QStringLiteral("add"),
                                QStringLiteral("Добавить запись"));
    spbt_Firm_Edit = speedButton(Panel3, QStringLiteral("spbt_Firm_Edit"), QStringLiteral("edit"),
                                 QStringLiteral("Редактировать запись"));
    spbt_Firm_Del = speedButton(Panel3, QStringLiteral("spbt_Firm_Del"), QStringLiteral("delete"),
                                QStringLiteral("Удалить запись"));
    auto* p3 = new QHBoxLayout(Panel3);
    p3->setContentsMargins(0, 0, 0, 0);
    p3->addWidget(spbt_Firm_New);
    p3->addWidget(spbt_Firm_Edit);
    p3->addWidget(spbt_Firm_Del);
    p3->addStretch(1);

    dbgr_People = new DBGrid(this);
    dbgr_People->setObjectName(QStringLiteral("dbgr_People"));
    dbgr_People->setRecordSet(&DM->tbl_Firma);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(4, 4, 4, 0);
    lay->addWidget(Panel3);
    lay->addWidget(dbgr_People, 1);
    lay->addWidget(StatusBar1);

    connect(spbt_Firm_New, &QToolButton::clicked, this, &Tfrm_Firm_List::spbt_Firm_NewClick);
    connect(spbt_Firm_Edit, &QToolButton::clicked, this, &Tfrm_Firm_List::spbt_Firm_EditClick);
    connect(spbt_Firm_Del, &QToolButton::clicked, this, &Tfrm_Firm_List::spbt_Firm_DelClick);
}

void Tfrm_Firm_List::FormShow()
{
    try {
        if (!DM->tbl_Firma.isOpen())
            DM->tbl_Firma.open();
        DM->tbl_Firma.setSort(QStringLiteral("Name"));
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
}

void Tfrm_Firm_List::spbt_Firm_NewClick()
{
    HideWhileShown away(this);
    RecordEditorRun run;
    run.rs = &DM->tbl_Firma;
    run.editor = frm_Add_Edit_Firm_rec;
    run.start = [] {
        frm_Add_Edit_Firm_rec->setWindowTitle(QStringLiteral("Добавление новой записи. Таблица: СПИСОК ФИРМ."));
        DM->tbl_Firma.insert();
        frm_Add_Edit_Firm_rec->ResultWord = QStringLiteral("Add");
    };
    run.save = [](const ops::RecordWrite& w) { return ops::saveFirm(DM->ADOConnection1, w); };
    run.failureMessage =
        QStringLiteral("Возникла ошибка при попытке вставки данных в таблице \"tbl_Firma\". Данные не сохранены!!!");
    if (runRecordEditor(this, run, nullptr) == RowEditorResult::Stored)
        reread(false);
}

void Tfrm_Firm_List::spbt_Firm_EditClick()
{
    // Nothing to rename in an empty list.
    if (!DM->tbl_Firma.isOpen() || DM->tbl_Firma.isEmpty())
        return;
    HideWhileShown away(this);
    RecordEditorRun run;
    run.rs = &DM->tbl_Firma;
    run.editor = frm_Add_Edit_Firm_rec;
    run.start = [] {
        frm_Add_Edit_Firm_rec->setWindowTitle(QStringLiteral("Редактирование записи. Таблица: СПИСОК ФИРМ."));
        DM->tbl_Firma.edit();
        frm_Add_Edit_Firm_rec->ResultWord = QStringLiteral("Edit");
    };
    run.save = [](const ops::RecordWrite& w) { return ops::saveFirm(DM->ADOConnection1, w); };
    run.failureMessage =
        QStringLiteral("Возникла ошибка при попытке редактирования данных в таблице \"tbl_Firma\". Данные не сохранены!!!");
    const RowEditorResult r = runRecordEditor(this, run, nullptr);
    if (r == RowEditorResult::Refused) {
        reread(true);
        return;
    }
    if (r != RowEditorResult::Stored)
        return;
    // Every grid that shows the firm's name reads it again and stays on its row.
    try {
        DM->tbl_Firma.reread();
        DM->RefreshSverla();
        DM->RefreshFrezy();
        DM->RefreshDolgiSQL();
        DM->RefreshDerj_PL();
        DM->RefreshPlastiny();
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
}

void Tfrm_Firm_List::reread(bool keepRow)
{
    try {
        if (keepRow) {
            DM->tbl_Firma.reread();
        } else {
            DM->tbl_Firma.close();
            DM->tbl_Firma.open();
        }
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
}

void Tfrm_Firm_List::spbt_Firm_DelClick()
{
    RecordSet& firms = DM->tbl_Firma;
    if (!firms.isOpen() || firms.isEmpty())
        return;
    const ops::RecordWrite row = firms.currentRecord();
    // The tools that keep a firm are looked up before the question, and
    // again in the file inside the delete.
    const QString filter = QStringLiteral("SELECT 1 FROM %1 WHERE ID_Firma = ?");
    const struct {
        ToolKind kind;
        const char* message;
    } guards[] = {
        {ToolKind::Sverla, "Не возможно удалить запись, т.к. в таблице \"СВЕРЛА\" имеются связанные записи."},
        {ToolKind::Plast, "Не возможно удалить запись, т.к. в таблице \"ПЛАСТИНЫ\" имеются связанные записи."},
        {ToolKind::Derj, "Не возможно удалить запись, т.к. в таблице \"ДЕРЖАВКИ ПЛАСТИН\" имеются связанные записи."},
        {ToolKind::Frezy, "Не возможно удалить запись, т.к. в таблице \"ФРЕЗЫ\" имеются связанные записи."},
    };
    try {
        for (const auto& g : guards) {
            if (queryInt(DM->ADOConnection1, filter.arg(QString::fromLatin1(toolKind(g.kind).table)), {row.id}) > 0) {
                Dialogs::error(this, QString::fromUtf8(g.message));
                return;
            }
        }
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
        return;
    }
    if (!Dialogs::ask(this, QStringLiteral("Подтверждение удаления данных"),
                      QStringLiteral("Вы уверенны, что хотите удалить запись из таблицы ФИРМЫ?"),
                      Dialogs::Icon::Question))
        return;
    const ops::Result r = ops::deleteFirm(DM->ADOConnection1, row);
    if (r.status == ops::Status::Refused)
        Dialogs::error(this, r.message);
    else if (r.status == ops::Status::Failed)
        Dialogs::error(this, failureText(QStringLiteral("Возникла ошибка при попытке удаления данных в таблице "
                                                        "\"ФИРМЫ\". Данные не сохранены!!!"),
                                         r));
    reread(false);
}
