#include "frm_Pasw_List_Unit.h"

#include "DBGrid.h"
#include "DM_Unit.h"
#include "DataAware.h"
#include "DbError.h"
#include "Dialogs.h"
#include "Icons.h"
#include "RowEditor.h"
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

void Tfrm_Pasw_List::SingleDefault(int id)
{
    RecordSet& pasw = DM->tbl_Pasw;
    DBGrid1->hide();
    pasw.first();
    const int n = pasw.recordCount();
    for (int i = 0; i < n; ++i) {
        pasw.edit();
        pasw.fieldByName(QStringLiteral("Default")).setAsBoolean(false);
        pasw.post();
        pasw.next();
    }
    if (pasw.locate(QStringLiteral("ID"), id)) {
        pasw.edit();
        pasw.fieldByName(QStringLiteral("Default")).setAsBoolean(true);
        pasw.post();
    }
    DBGrid1->show();
}

// After a saved add or edit: the single-default rule for the saved account,
// then the list read again in login order with that account current.
void Tfrm_Pasw_List::AfterSave(int id)
{
    try {
        if (DM->tbl_Pasw.fieldByName(QStringLiteral("Default")).asBoolean())
            SingleDefault(id);
        Reread(id);
    } catch (const DbError&) {
        DBGrid1->show();
        Dialogs::error(this, QStringLiteral(
            "Возникла ошибка при попытке внесения записи  в таблицу \"tbl_Pasw/EDIT\". Данные не сохранены!!!"));
        try {
            Reread(id);
        } catch (const DbError&) {
        }
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
    RowEditorSteps steps;
    steps.start = [&pasw] { pasw.insert(); };
    steps.failureMessage = QStringLiteral(
        "Возникла ошибка при попытке внесения записи  в таблицу \"tbl_Pasw/Insert\". Данные не сохранены!!!");
    if (runRowEditor(this, DM->ADOConnection1, pasw, *frm_Change_Pasw, steps))
        AfterSave(pasw.fieldByName(QStringLiteral("ID")).asInteger());
}

void Tfrm_Pasw_List::spbt_EditClick()
{
    RecordSet& pasw = DM->tbl_Pasw;
    if (!pasw.isOpen() || pasw.isEmpty())
        return;
    const int id = pasw.fieldByName(QStringLiteral("ID")).asInteger();
    prepareLogin(pasw.fieldByName(QStringLiteral("Login")).asString() == administratorLogin());
    RowEditorSteps steps;
    steps.start = [&pasw] { pasw.edit(); };
    steps.failureMessage = QStringLiteral(
        "Возникла ошибка при попытке внесения записи  в таблицу \"tbl_Pasw/EDIT\". Данные не сохранены!!!");
    if (runRowEditor(this, DM->ADOConnection1, pasw, *frm_Change_Pasw, steps))
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
    try {
        Transaction tr(DM->ADOConnection1);
        pasw.remove();
        tr.commit();
    } catch (const DbError&) {
        Dialogs::error(this, QStringLiteral(
            "Возникла ошибка при попытке удаления данных в таблице \"tbl_PaswLogin/Delete\". Данные не сохранены!!!"));
    }
    try {
        Reread(0);
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
}
