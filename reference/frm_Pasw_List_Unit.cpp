#include "frm_Pasw_List_Unit.h"

#include "DBGrid.h"
#include "DM_Unit.h"
#include "DataAware.h"
#include "DbError.h"
#include "Dialogs.h"
#include "Icons.h"
#include "Operations.h"
#include "RecordEditor.h"
#include "frm_Change_Pasw_Unit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

Tfrm_Pasw_List* frm_Pasw_List = nullptr;

Tfrm_Pasw_List::Tfrm_Pasw_List(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_Pasw_List"));
    setWindowTitle(QStringLiteral("Список учетных записей"));
    resize(520, 380);

    ToolBar = new QWidget(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar1"));
    spbt_Add = speedButton(ToolBar, QStringLiteral("spbt_Add"), QStringLiteral("add"), QStringLiteral("Добавить запись"));
    spbt_Edit = speedButton(ToolBar, QStringLiteral("spbt_Edit"), QStringLiteral("edit"),
                            QStringLiteral("Редактировать запись"));
    spbt_Del = speedButton(ToolBar, QStringLiteral("spbt_Del"), QStringLiteral("delete"), QStringLiteral("Удалить запись"));
    auto* tb = new QHBoxLayout(ToolBar);
    tb->setContentsMargins(0, 0, 0, 0);
    tb->addWidget(spbt_Add);
    tb->addWidget(spbt_Edit);
    tb->addWidget(spbt_Del);
    tb->addStretch(1);

    DBGrid1 = new DBGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setRecordSet(&DM->tbl_Pasw);
    DBGrid1->setToolTip(QStringLiteral("Двойной щелчек - Изменить Логин/Пароль"));
    DBGrid1->setDrawHandler([](GridCell& cell) {
        // Even rows money green, the current row highlighted, the default
        // mark written as a word.
        if ((cell.pos + 1) % 2 == 0 && !cell.selected && !cell.focused)
            cell.background = QColor(192, 220, 192);
        if (cell.selected) {
            cell.background = QApplication::palette().color(QPalette::Highlight);
            cell.textColor = Qt::white;
        }
        if (cell.fieldName.compare(QStringLiteral("Default"), Qt::CaseInsensitive) == 0)
            cell.text = DM->tbl_Pasw.boolAt(cell.pos, cell.field) ? QStringLiteral("ДА") : QStringLiteral("НЕТ");
    });

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(ToolBar);
    lay->addWidget(DBGrid1, 1);

    connect(spbt_Add, &QToolButton::clicked, this, &Tfrm_Pasw_List::spbt_AddClick);
    connect(spbt_Edit, &QToolButton::clicked, this, &Tfrm_Pasw_List::spbt_EditClick);
    connect(spbt_Del, &QToolButton::clicked, this, &Tfrm_Pasw_List::spbt_DelClick);
    connect(DBGrid1, &DBGrid::rowDoubleClicked, this, &Tfrm_Pasw_List::spbt_EditClick);
}

void Tfrm_Pasw_List::FormShow()
{
    try {
        DM->tbl_Pasw.open();
        DM->tbl_Pasw.setSort(QStringLiteral("Login"));
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
}

void Tfrm_Pasw_List::FormClose()
{
    DM->tbl_Pasw.close();
}

void Tfrm_Pasw_List::Reread(int id)
{
    RecordSet& pasw = DM->tbl_Pasw;
    pasw.close();
    pasw.open();
    pasw.setSort(QStringLiteral("Login"));
    if (id > 0)
        pasw.locate(QStringLiteral("ID"), id);
}

// After a saved add or edit (the single-default rule kept by the save
// itself), or an account found gone or changed elsewhere: the list read
// again in login order with that account current.
void Tfrm_Pasw_List::AfterSave(int id)
{
    try {
        Reread(id);
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
}

namespace {

void prepareLogin(bool administrator)
{
    DBEdit* login = frm_Change_Pasw->dbed_Login;
    login->setAlwaysReadOnly(administrator);
    QPalette pal = login->palette();
    pal.setColor(QPalette::Base, administrator ? QApplication::palette().color(QPalette::Button)
                                               : QApplication::palette().color(QPalette::Base));
    login->setPalette(pal);
}

} // namespace

void Tfrm_Pasw_List::spbt_AddClick()
{
    RecordSet& pasw = DM->tbl_Pasw;
    prepareLogin(false);
    RecordEditorRun run;
    run.rs = &pasw;
    run.editor = frm_Change_Pasw;
    run.start = [&pasw] { pasw.insert(); };
    // The login unique and one default account: the file decides, inside the save.
    run.save = [](const ops::RecordWrite& w) { return ops::saveAccount(DM->ADOConnection1, w); };
    run.failureMessage = QStringLiteral(
        "Возникла ошибка при попытке внесения записи  в таблицу \"tbl_Pasw/Insert\". Данные не сохранены!!!");
    ops::Result stored;
    const RowEditorResult r = runRecordEditor(this, run, &stored);
    if (r == RowEditorResult::Stored)
        AfterSave(int(stored.id));
}

void Tfrm_Pasw_List::spbt_EditClick()
{
    RecordSet& pasw = DM->tbl_Pasw;
    if (!pasw.isOpen() || pasw.isEmpty())
        return;
    const int id = pasw.fieldByName(QStringLiteral("ID")).asInteger();
    prepareLogin(pasw.fieldByName(QStringLiteral("Login")).asString() == administratorLogin());
    RecordEditorRun run;
    run.rs = &pasw;
    run.editor = frm_Change_Pasw;
    run.start = [&pasw] { pasw.edit(); };
    run.save = [](const ops::RecordWrite& w) { return ops::saveAccount(DM->ADOConnection1, w); };
    run.failureMessage = QStringLiteral(
        "Возникла ошибка при попытке внесения записи  в таблицу \"tbl_Pasw/EDIT\". Данные не сохранены!!!");
    const RowEditorResult r = runRecordEditor(this, run, nullptr);
    if (r == RowEditorResult::Stored || r == RowEditorResult::Refused)
        AfterSave(id);
}

void Tfrm_Pasw_List::spbt_DelClick()
{
    RecordSet& pasw = DM->tbl_Pasw;
    if (pasw.isOpen() && !pasw.isEmpty()
        && pasw.fieldByName(QStringLiteral("Login")).asString() == administratorLogin()) {
        Dialogs::error(this, QStringLiteral("Учетную запись \"Администратор\" удалить нельзя!"));
        return;
    }
    if (!pasw.isOpen() || pasw.isEmpty())
        return;
    if (!Dialogs::ask(this, QStringLiteral("Подтверждение удаления данных"),
                      QStringLiteral("Вы уверенны, что хотите удалить запись?"), Dialogs::Icon::Question))
        return;
    const ops::Result r = ops::deleteAccount(DM->ADOConnection1, pasw.currentRecord());
    const QString failure = QStringLiteral(
        "Возникла ошибка при попытке удаления данных в таблице \"tbl_PaswLogin/Delete\". Данные не сохранены!!!");
    if (r.refusal == ops::Refusal::AdministratorKept)
        Dialogs::error(this, r.message);
    else if (r.status == ops::Status::Refused)
        Dialogs::error(this, failure + QStringLiteral("\n\n") + r.message);
    else if (r.status == ops::Status::Failed)
        Dialogs::error(this, failureText(failure, r));
    try {
        Reread(0);
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
}
