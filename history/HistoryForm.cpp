#include "HistoryForm.h"

#include "DBGrid.h"
#include "DM_Unit.h"
#include "DbError.h"
#include "Dialogs.h"
#include "Icons.h"
#include "Operations.h"
#include "RowEditor.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

THistoryForm::THistoryForm(const HistoryLayout& layout, QWidget* parent) : TForm(parent), m_layout(layout)
{
    setObjectName(QString::fromLatin1(layout.formName));
    setWindowTitle(QString::fromUtf8(layout.caption));
    // A sizeable ordinary window.
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(false);
    resize(layout.size);
    if (!layout.centredOnMain)
        move(QPoint(120, 60));

    ToolBar = new QWidget(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_filterButton = speedButton(ToolBar, QString::fromLatin1(layout.filterButton), QStringLiteral("filter"),
                                 QStringLiteral("Фильтр"));
    m_filterButton->setCursor(Qt::PointingHandCursor);
    m_deleteButton = speedButton(ToolBar, QString::fromLatin1(layout.deleteButton), QStringLiteral("delete"),
                                 QStringLiteral("Удалить запись"));
    m_indicator = new QLabel(QStringLiteral("Фильтр записей активирован"), ToolBar);
    m_indicator->setObjectName(QString::fromLatin1(layout.indicator));
    m_indicator->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_indicator->setMargin(3);
    QPalette p = m_indicator->palette();
    p.setColor(QPalette::WindowText, QColor(255, 0, 0));
    m_indicator->setPalette(p);
    QFont f = m_indicator->font();
    f.setBold(true);
    m_indicator->setFont(f);
    m_indicator->setVisible(false);
    auto* bar = new QHBoxLayout(ToolBar);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->setSpacing(2);
    bar->addWidget(m_filterButton);
    bar->addWidget(m_deleteButton);
    bar->addSpacing(16);
    bar->addWidget(m_indicator, 0, Qt::AlignVCenter);
    bar->addStretch(1);

    m_grid = new DBGrid(this);
    m_grid->setObjectName(QString::fromLatin1(layout.grid));
    m_grid->setRecordSet(&list());

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));

    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(4, 4, 4, 0);
    lay->setSpacing(2);
    lay->addWidget(ToolBar);
    lay->addWidget(m_grid, 1);
    lay->addWidget(StatusBar1);
}

RecordSet& THistoryForm::list() const { return *DM->recordSet(QString::fromLatin1(m_layout.listName)); }
RecordSet& THistoryForm::table() const { return *DM->recordSet(QString::fromLatin1(m_layout.tableName)); }

bool THistoryForm::filterShown() const { return !m_indicator->isHidden(); }

void THistoryForm::FormShow()
{
    if (m_layout.centredOnMain && parentWidget()) {
        QRect r(QPoint(0, 0), m_layout.size);
        r.moveCenter(parentWidget()->window()->geometry().center());
        move(r.topLeft());
    }
    m_grid->setFocus();
}

void THistoryForm::FilterToTool(int toolId, int kindCode)
{
    m_indicator->setVisible(true);
    list().setFilter(QStringLiteral("(ID_Instr=%1) AND (ID_Tabl=%2)").arg(toolId).arg(kindCode));
    list().setFiltered(true);
}

void THistoryForm::ClearFilter()
{
    m_indicator->setVisible(false);
    list().setFilter(QString());
    list().setFiltered(false);
}

void THistoryForm::FilterClick()
{
    if (!filterShown())
        return;
    try {
        ClearFilter();
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
}

void THistoryForm::TitleClick(const QString& fieldName)
{
    GridLook::titleClick(m_grid, fieldName, m_layout.orders);
}

void THistoryForm::DrawColumnCell(GridCell& cell)
{
    GridLook::paintCell(m_grid, cell);
    GridLook::stockFlagText(m_grid, cell);
}

void THistoryForm::DeleteClick()
{
    RecordSet& L = list();
    if (!L.isOpen() || L.isEmpty())
        return;
    if (!Dialogs::ask(this, QStringLiteral("Подтверждение удаления данных"), QString::fromUtf8(m_layout.deleteQuestion),
                      Dialogs::Icon::Question))
        return;
    const int id = L.fieldByName(QStringLiteral("ID")).asInteger();
    RecordSet& T = table();
    const QString failure = QString::fromUtf8(m_layout.deleteFailure);
    L.close();
    try {
        // The row as the file holds it now; deleted only while it still does.
        T.close();
        T.setFilter(QStringLiteral("ID=%1").arg(id));
        T.setFiltered(true);
        T.open();
        if (T.isEmpty())
            throw DbError(failure);   // deleted meanwhile: nothing to delete
        const ops::RecordWrite row = T.currentRecord();
        const ops::Result r = ops::deleteHistoryRow(DM->ADOConnection1, row);
        if (r.status == ops::Status::Refused)
            Dialogs::error(this, failure + QStringLiteral("\n\n") + r.message);
        else if (r.status == ops::Status::Failed)
            Dialogs::error(this, failureText(failure, r));
    } catch (const DbError& e) {
        // With the reason when the file was busy or the row changed elsewhere.
        Dialogs::error(this, failureText(failure, e));
    }
    // In every case the table object is closed and the list read again:
    // its filter stays, its own order, no marked title, the first row current.
    T.close();
    T.setFiltered(false);
    try {
        L.open();
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
}
