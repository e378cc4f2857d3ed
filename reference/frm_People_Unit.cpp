#include "frm_People_Unit.h"

#include "DBGrid.h"
#include "DM_Unit.h"
#include "DataAware.h"
#include "DbError.h"
#include "Dialogs.h"
#include "HideWhileShown.h"
#include "Icons.h"
#include "ImageBox.h"
#include "Operations.h"
#include "RecordEditor.h"
#include "frm_Edit_People_Unit.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QMenu>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

Tfrm_People* frm_People = nullptr;

Tfrm_People::Tfrm_People(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_People"));
    setWindowTitle(QStringLiteral("Список операторов"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setMinimumSize(700, 500);   // no narrower than 700, no lower than 500
    resize(820, 560);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedWidth(290);
    Panel3 = new QWidget(Panel1);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    spbt_People_New = speedButton(Panel3, QStringLiteral("spbt_People_New"), QStringLiteral("add"),
                                  QStringLiteral("Добавить запись"));
    spbt_People_Edit = speedButton(Panel3, QStringLiteral("spbt_People_Edit"), QStringLiteral("edit"),
                                   QStringLiteral("Редактировать запись"));
    spbt_People_Del = speedButton(Panel3, QStringLiteral("spbt_People_Del"), QStringLiteral("delete"),
                                  QStringLiteral("Удалить запись"));
    auto* p3 = new QHBoxLayout(Panel3);
    p3->setContentsMargins(0, 0, 0, 0);
    p3->addWidget(spbt_People_New);
    p3->addWidget(spbt_People_Edit);
    p3->addWidget(spbt_People_Del);
    p3->addStretch(1);

    GroupBox1 = new QGroupBox(QStringLiteral("Фото оператора"), Panel1);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    img_People = new ImageBox(GroupBox1);
    img_People->setObjectName(QStringLiteral("img_People"));
    auto* g1 = new QVBoxLayout(GroupBox1);
    g1->addWidget(img_People);
    GroupBox2 = new QGroupBox(QStringLiteral("Описание"), Panel1);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    dbmemo_People = new DBMemo(GroupBox2);
    dbmemo_People->setObjectName(QStringLiteral("dbmemo_People"));
    dbmemo_People->setAlwaysReadOnly(true);
    dbmemo_People->bind(&DM->tbl_People, QStringLiteral("Prim"));
    auto* g2 = new QVBoxLayout(GroupBox2);
    g2->addWidget(dbmemo_People);
    auto* p1 = new QVBoxLayout(Panel1);
    p1->setContentsMargins(0, 0, 0, 0);
    p1->addWidget(Panel3);
    p1->addWidget(GroupBox1, 3);
    p1->addWidget(GroupBox2, 2);

    dbgr_People = new DBGrid(this);
    dbgr_People->setObjectName(QStringLiteral("dbgr_People"));
    dbgr_People->setRecordSet(&DM->tbl_People);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    pm_Add = PopupMenu1->addAction(QStringLiteral("Добавить запись"));
    pm_Add->setObjectName(QStringLiteral("pm_Add"));
    pm_Edit = PopupMenu1->addAction(QStringLiteral("Редактировать запись"));
    pm_Edit->setObjectName(QStringLiteral("pm_Edit"));
    pm_Del = PopupMenu1->addAction(QStringLiteral("Удалить запись"));
    pm_Del->setObjectName(QStringLiteral("pm_Del"));
    dbgr_People->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(dbgr_People, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { PopupMenu1->popup(dbgr_People->viewport()->mapToGlobal(p)); });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);

    auto* body = new QHBoxLayout;
    body->addWidget(Panel1);
    body->addWidget(dbgr_People, 1);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(4, 4, 4, 0);
    lay->addLayout(body, 1);
    lay->addWidget(StatusBar1);

    connect(spbt_People_New, &QToolButton::clicked, this, &Tfrm_People::spbt_People_NewClick);
    connect(spbt_People_Edit, &QToolButton::clicked, this, &Tfrm_People::spbt_People_EditClick);
    connect(spbt_People_Del, &QToolButton::clicked, this, &Tfrm_People::spbt_People_DelClick);
    connect(pm_Add, &QAction::triggered, this, &Tfrm_People::spbt_People_NewClick);
    connect(pm_Edit, &QAction::triggered, this, &Tfrm_People::spbt_People_EditClick);
    connect(pm_Del, &QAction::triggered, this, &Tfrm_People::spbt_People_DelClick);

    DM->registerPictureTarget(TDM::TargetPeople, img_People);
}

Tfrm_People::~Tfrm_People()
{
    if (DM)
        DM->unregisterPictureTarget(img_People);
}

void Tfrm_People::FormShow()
{
    try {
        if (!DM->tbl_People.isOpen())
            DM->tbl_People.open();
        DM->tbl_People.setSort(QStringLiteral("FIO"));
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
}

void Tfrm_People::FormClose()
{
    DM->tbl_People.close();
}

void Tfrm_People::spbt_People_NewClick()
{
    HideWhileShown away(this);
    RecordEditorRun run;
    run.rs = &DM->tbl_People;
    run.editor = frm_Edit_People;
    run.start = [] {
        frm_Edit_People->setWindowTitle(QStringLiteral("Добавление новой записи. Таблица: СПИСОК ОПЕРАТОРОВ"));
        DM->tbl_People.insert();
        frm_Edit_People->ResultWord = QStringLiteral("Add");
        frm_Edit_People->PhotoName.clear();
    };
    run.save = [](const ops::RecordWrite& w) { return ops::saveOperator(DM->ADOConnection1, w); };
    run.failureMessage =
        QStringLiteral("Возникла ошибка при попытке вставки данных в таблице \"PEOPLE\". Данные не сохранены!!!");
    showStored(runRecordEditor(this, run, nullptr));
}

void Tfrm_People::spbt_People_EditClick()
{
    // Nothing to edit in an empty list.
    if (!DM->tbl_People.isOpen() || DM->tbl_People.isEmpty())
        return;
    HideWhileShown away(this);
    RecordEditorRun run;
    run.rs = &DM->tbl_People;
    run.editor = frm_Edit_People;
    run.start = [] {
        frm_Edit_People->setWindowTitle(QStringLiteral("Редактирование записи. Таблица: СПИСОК ОПЕРАТОРОВ"));
        DM->tbl_People.edit();
        frm_Edit_People->PhotoName = DM->tbl_People.fieldByName(QStringLiteral("Foto")).asString();
        frm_Edit_People->ResultWord = QStringLiteral("Edit");
    };
    run.save = [](const ops::RecordWrite& w) { return ops::saveOperator(DM->ADOConnection1, w); };
    run.failureMessage =
        QStringLiteral("Возникла ошибка при попытке редактирования данных в таблице \"PEOPLE\". Данные не сохранены!!!");
    showStored(runRecordEditor(this, run, nullptr));
}

void Tfrm_People::showStored(RowEditorResult r)
{
    // The list shows the file, on the same operator, after a store or after
    // finding the operator gone or changed elsewhere.
    if (r != RowEditorResult::Stored && r != RowEditorResult::Refused)
        return;
    try {
        DM->RefreshPeople();
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
}

void Tfrm_People::spbt_People_DelClick()
{
    RecordSet& people = DM->tbl_People;
    if (!Dialogs::ask(this, QStringLiteral("Подтверждение удаления"),
                      QStringLiteral("Вы действительно хотите удалить запись?"), Dialogs::Icon::Warning))
        return;
    if (!people.isOpen() || people.isEmpty())
        return;
    // The debts that keep an operator are looked up in the file, inside the delete.
    const ops::RecordWrite row = people.currentRecord();
    const ops::Result r = ops::deleteOperator(DM->ADOConnection1, row);
    if (r.status == ops::Status::Refused)
        Dialogs::error(this, r.message);
    else if (r.status == ops::Status::Failed)
        Dialogs::error(this, QStringLiteral("Ошибка при попытке удаления данных из таблицы \"Долги\"!!!"));
    try {
        people.close();
        people.open();
        people.setSort(QStringLiteral("FIO"));
        if (r.stored())
            people.first();
        else
            people.locate(QStringLiteral("ID"), row.id);
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
}
