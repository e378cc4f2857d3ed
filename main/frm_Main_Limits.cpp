// The main window's limits: a minimum stock per tool (set from each
// catalogue menu, shown in the detail panel, marked in the code cell and
// counted in the status bar), the "Что заказать" window, and the debts kept
// longer than the limit in days (marked in the date cell, listed alone by
// "Просроченные", the limit set by the administrator).
#include "frm_Main_Unit.h"

#include "DBGrid.h"
#include "DM_Unit.h"
#include "DbError.h"
#include "Dialogs.h"
#include "Icons.h"
#include "Operations.h"
#include "RecordSet.h"
#include "RuFormat.h"
#include "StockLimits.h"
#include "frm_Chto_Zakazat_Unit.h"
#include "frm_Limit_Unit.h"
#include "frm_Pasword_Unit.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <limits>
#include <utility>

namespace {

// The layout under `root` that holds `w` directly.
QBoxLayout* layoutHolding(QLayout* root, QWidget* w)
{
    if (!root)
        return nullptr;
    if (root->indexOf(w) >= 0)
        return qobject_cast<QBoxLayout*>(root);
    for (int i = 0; i < root->count(); ++i)
        if (QBoxLayout* l = layoutHolding(root->itemAt(i)->layout(), w))
            return l;
    return nullptr;
}

const char* const MinimumItems[ToolKindCount] = {"pmSV_Min_Ostatok", "pm_FR_Min_Ostatok", "pm_DRJ_Min_Ostatok",
                                                 "pm_PL_Min_Ostatok"};

QString failedWrite(const char* table, const ops::Result& r)
{
    return QStringLiteral("Возникла ошибка при попытке редактирования данных в таблице \"%1\". Данные не "
                          "сохранены!!!\n%2")
        .arg(QString::fromLatin1(table), r.message);
}

} // namespace

void Tfrm_Main::buildLimits()
{
    // "Файл": the limit in days, after the accounts.
    if (QMenu* file = MainMenu1->findChild<QMenu*>(QStringLiteral("mm_File"))) {
        mm_Srok_Vydachi = new QAction(QStringLiteral("Срок выдачи, дней"), file);
        mm_Srok_Vydachi->setObjectName(QStringLiteral("mm_Srok_Vydachi"));
        const QList<QAction*> items = file->actions();
        const qsizetype at = items.indexOf(mm_Pasw);
        file->insertAction(at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr, mm_Srok_Vydachi);
        connect(mm_Srok_Vydachi, &QAction::triggered, this, &Tfrm_Main::mm_Srok_VydachiClick);
    }
    // "Таблицы": the list of what to order, last.
    if (QMenu* tables = MainMenu1->findChild<QMenu*>(QStringLiteral("mm_Tables"))) {
        tables->addSeparator();
        mm_Chto_Zakazat = tables->addAction(QStringLiteral("Что заказать"));
        mm_Chto_Zakazat->setObjectName(QStringLiteral("mm_Chto_Zakazat"));
        connect(mm_Chto_Zakazat, &QAction::triggered, this, &Tfrm_Main::mm_Chto_ZakazatClick);
    }
    // Each catalogue menu: the minimum, last.
    for (ToolKind kind : allToolKinds()) {
        QMenu* m = nullptr;
        switch (kind) {
        case ToolKind::Sverla: m = pm_Sverla; break;
        case ToolKind::Frezy: m = pm_Frezy; break;
        case ToolKind::Derj: m = pm_Derj; break;
        case ToolKind::Plast: m = pm_Plastini; break;
        }
        m->addSeparator();
        QAction* a = m->addAction(QStringLiteral("Минимальный остаток…"));
        a->setObjectName(QString::fromLatin1(MinimumItems[pageOf(kind)]));
        m_catalogueMenus[size_t(pageOf(kind))].minimum = a;
        connect(a, &QAction::triggered, this, [this, kind] { SetMinimum(kind); });

        // The detail panel: the minimum under the counts.
        const QString prefix = QString::fromLatin1(toolKind(kind).prefix);
        auto* params = findChild<QGroupBox*>(QStringLiteral("gb_%1_Param").arg(prefix));
        auto* pl = params ? qobject_cast<QGridLayout*>(params->layout()) : nullptr;
        auto* box = new QLineEdit(params ? static_cast<QWidget*>(params) : this);
        box->setObjectName(QStringLiteral("ed_%1_Min_Ostatok").arg(prefix));
        box->setReadOnly(true);
        box->setFixedWidth(90);
        ed_Min_Ostatok[size_t(pageOf(kind))] = box;
        if (pl) {
            const int row = pl->rowCount() - 1;   // the stretch row
            pl->setRowStretch(row, 0);
            auto* label = new QLabel(QStringLiteral("Мин. остаток"), params);
            label->setBuddy(box);
            const int col = pl->columnCount() > 2 ? 1 : 0;
            pl->addWidget(label, row, col * 2, Qt::AlignRight);
            pl->addWidget(box, row, col * 2 + 1);
            pl->setRowStretch(row + 1, 1);
        }
    }

    // The debts page: "Просроченные" beside the filter button, and in its menu.
    spbt_Dolgi_Prosroch = new QToolButton(spbt_Dolgi_Filtr->parentWidget());
    spbt_Dolgi_Prosroch->setObjectName(QStringLiteral("spbt_Dolgi_Prosroch"));
    spbt_Dolgi_Prosroch->setText(QStringLiteral("Просроченные"));
    spbt_Dolgi_Prosroch->setToolTip(QStringLiteral("Показать только долги дольше срока выдачи"));
    spbt_Dolgi_Prosroch->setAutoRaise(true);
    // The tool bar's layout is that of the widget the filter button sits in.
    if (QBoxLayout* bar = layoutHolding(spbt_Dolgi_Filtr->parentWidget()->layout(), spbt_Dolgi_Filtr))
        bar->insertWidget(bar->indexOf(spbt_Dolgi_Filtr) + 1, spbt_Dolgi_Prosroch);
    connect(spbt_Dolgi_Prosroch, &QToolButton::clicked, this, &Tfrm_Main::spbt_Dolgi_ProsrochClick);
    pm_Dolgi->addSeparator();
    pm_Dolgi_Prosroch = pm_Dolgi->addAction(QStringLiteral("Просроченные"));
    pm_Dolgi_Prosroch->setObjectName(QStringLiteral("pm_Dolgi_Prosroch"));
    connect(pm_Dolgi_Prosroch, &QAction::triggered, this, &Tfrm_Main::spbt_Dolgi_ProsrochClick);

    frm_Min_Ostatok = new Tfrm_Limit("frm_Min_Ostatok", QStringLiteral("Минимальный остаток"), this);
    frm_Srok_Vydachi = new Tfrm_Limit("frm_Srok_Vydachi", QStringLiteral("Срок выдачи, дней"), this);
    frm_Chto_Zakazat = new Tfrm_Chto_Zakazat(this);
}

void Tfrm_Main::ConnectLimits()
{
    for (ToolKind kind : allToolKinds()) {
        RecordSet* rs = &catalogueOf(*DM, kind);
        // Counting the tools below waits for the event loop (memory only);
        // nothing read from the database there: a save waiting for another
        // copy's lock serves the event loop meanwhile.
        auto later = [this] {
            if (m_belowPending)
                return;
            m_belowPending = true;
            QTimer::singleShot(0, this, [this] {
                m_belowPending = false;
                UpdateBelowMinimum();
            });
        };
        // Rows read again: so are the minimums (another copy may have set some).
        connect(rs, &RecordSet::layoutReset, this, [this, kind, rs, later] {
            if (rs->isOpen())
                ReloadMinimums(kind);
            later();
        });
        connect(rs, &RecordSet::rowChanged, this, later);
        connect(rs, &RecordSet::rowInserted, this, later);
        connect(rs, &RecordSet::rowRemoved, this, later);
        connect(rs, &RecordSet::afterScroll, this, [this, kind] { UpdateMinimumBox(kind); });
        ReloadMinimums(kind);
    }
    connect(&DM->dtset_DolgiSQL, &RecordSet::layoutReset, this, &Tfrm_Main::ReloadLimits);
    ReloadLimits();
    UpdateBelowMinimum();
}

void Tfrm_Main::ReloadMinimums(ToolKind kind)
{
    if (!DM)
        return;
    try {
        m_minimums[size_t(pageOf(kind))] = limits::minimumsOf(DM->ADOConnection1, kind);
    } catch (const DbError&) {
        return;   // the marks stay as they were; the next read tries again
    }
    UpdateMinimumBox(kind);
    if (DBGrid* g = pageGrid(pageOf(kind)))
        g->viewport()->update();
}

void Tfrm_Main::ReloadLimits()
{
    if (!DM)
        return;
    try {
        m_overdueDays = limits::overdueLimit(DM->ADOConnection1);
    } catch (const DbError&) {
        return;
    }
    dbgrid_Dolgi->viewport()->update();
}

qint64 Tfrm_Main::minimumOf(ToolKind kind, int toolId) const
{
    return m_minimums[size_t(pageOf(kind))].value(toolId, 0);
}

void Tfrm_Main::UpdateMinimumBox(ToolKind kind)
{
    QLineEdit* box = ed_Min_Ostatok[size_t(pageOf(kind))];
    if (!box || !DM)
        return;
    RecordSet& rs = catalogueOf(*DM, kind);
    if (!rs.isOpen() || rs.isEmpty() || rs.recNo() < 1) {
        box->clear();
        return;
    }
    const qint64 min = minimumOf(kind, rs.intAt(rs.recNo() - 1, rs.fieldIndex(QStringLiteral("ID"))));
    box->setText(min > 0 ? QString::number(min) : QString());
}

void Tfrm_Main::UpdateBelowMinimum()
{
    const std::optional<ToolKind> kind = toolKindByPage(PageControl_Main->currentIndex());
    if (!kind || !DM) {
        StatusBar1_Panel1->clear();
        return;
    }
    const int below = limits::countBelowIn(catalogueOf(*DM, *kind), *kind, m_minimums[size_t(pageOf(*kind))]);
    StatusBar1_Panel1->setText(QStringLiteral(" Ниже минимума: %1").arg(below));
}

void Tfrm_Main::paintLimitMarks(DBGrid* grid, GridCell& cell)
{
    RecordSet* rs = grid->recordSet();
    if (!rs || cell.pos < 0)
        return;
    if (grid == dbgrid_Dolgi) {
        if (cell.fieldName.compare(QLatin1String("Date"), Qt::CaseInsensitive) != 0)
            return;
        const QDate issued = rs->valueAt(cell.pos, cell.field).toDateTime().date();
        const QDate today = QDate::currentDate();
        if (!limits::isOverdue(issued, today, m_overdueDays))
            return;
        const qint64 days = limits::daysOut(issued, today);
        cell.mark = overdueMarkColor();
        cell.toolTip = QStringLiteral("В работе %1 дн. при сроке выдачи %2 дн.: просрочен на %3 дн.")
                           .arg(days)
                           .arg(m_overdueDays)
                           .arg(days - m_overdueDays);
        return;
    }
    if (cell.fieldName.compare(QLatin1String("Kod"), Qt::CaseInsensitive) != 0)
        return;
    std::optional<ToolKind> kind;
    for (ToolKind k : allToolKinds())
        if (pageGrid(pageOf(k)) == grid)
            kind = k;
    if (!kind)
        return;
    const QHash<int, qint64>& mins = m_minimums[size_t(pageOf(*kind))];
    if (mins.isEmpty())
        return;
    const auto it = mins.constFind(rs->intAt(cell.pos, rs->fieldIndex(QStringLiteral("ID"))));
    if (it == mins.constEnd())
        return;
    const ToolKindInfo& k = toolKind(*kind);
    const qint64 fresh = rs->intAt(cell.pos, rs->fieldIndex(QString::fromLatin1(k.newField)));
    const qint64 used = rs->intAt(cell.pos, rs->fieldIndex(QString::fromLatin1(k.buField)));
    if (!limits::belowMinimum(fresh, used, *it))
        return;
    cell.mark = minimumMarkColor();
    cell.toolTip = QStringLiteral("Ниже минимума: минимальный остаток %1 шт., есть %2 шт. (новых %3, БУ %4), "
                                  "не хватает %5 шт.")
                       .arg(*it)
                       .arg(fresh + used)
                       .arg(fresh)
                       .arg(used)
                       .arg(limits::toOrder(fresh, used, *it));
}

void Tfrm_Main::SetMinimum(ToolKind kind)
{
    if (!DM)
        return;
    RecordSet& rs = catalogueOf(*DM, kind);
    if (!rs.isOpen() || rs.isEmpty())
        return;
    const int id = rs.fieldByName(QStringLiteral("ID")).asInteger();
    const QString code = rs.fieldByName(QStringLiteral("Kod")).asString();
    int value = int(minimumOf(kind, id));
    const QString text = QStringLiteral("Минимальный остаток инструмента \"%1\", шт.\n"
                                        "Когда новых и БУ вместе меньше, инструмент отмечается и попадает "
                                        "в список \"Что заказать\". 0 - без минимума.")
                             .arg(code);
    if (!frm_Min_Ostatok->Ask(text, 0, std::numeric_limits<qint32>::max(), &value))
        return;
    const ops::Result r = ops::setMinimum(DM->ADOConnection1, kind, id, value);
    if (r.status == ops::Status::Refused)
        Dialogs::error(this, r.message);
    else if (r.status == ops::Status::Failed)
        Dialogs::error(this, failedWrite("Min_Ostatok", r));
    ReloadMinimums(kind);
    UpdateBelowMinimum();
}

void Tfrm_Main::mm_Srok_VydachiClick()
{
    if (!DM)
        return;
    const QString admin = ops::administratorLogin();
    if (frm_Pasword->cmbx_LOGIN->currentText() != admin) {
        Dialogs::error(this, QStringLiteral("Изменить срок выдачи может только \"%1\"").arg(admin));
        return;
    }
    ReloadLimits();
    int days = m_overdueDays;
    if (!frm_Srok_Vydachi->Ask(QStringLiteral("Через сколько дней инструмент, выданный в работу, считается "
                                              "просроченным (для всех рабочих мест):"),
                               0, limits::MaxOverdueDays, &days))
        return;
    const ops::Result r = ops::setOverdueLimit(DM->ADOConnection1, days, admin);
    if (r.status == ops::Status::Refused) {
        Dialogs::error(this, r.message);
        return;
    }
    if (r.status == ops::Status::Failed) {
        Dialogs::error(this, failedWrite("Nastroiki", r));
        return;
    }
    m_overdueDays = days;
    if (m_overdueView)
        spbt_Dolgi_ProsrochClick();   // the list follows the new limit
    dbgrid_Dolgi->viewport()->update();
}

void Tfrm_Main::spbt_Dolgi_ProsrochClick()
{
    if (!DM)
        return;
    ReloadLimits();
    const QDate before = limits::overdueBefore(QDate::currentDate(), m_overdueDays);
    RecordSet& debts = DM->dtset_DolgiSQL;
    try {
        debts.setFilter(QStringLiteral("Date < '%1'").arg(ru::formatDate(before)));
        debts.setFiltered(true);
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
        return;
    }
    m_overdueView = true;   // replaces one tool's debts
    sttx_Filter_Dolgi->setVisible(true);
    PageControl_Main->setCurrentIndex(PageDolgi);
    UpdateRecordCount();
}

void Tfrm_Main::mm_Chto_ZakazatClick()
{
    if (!DM || !frm_Chto_Zakazat)
        return;
    frm_Chto_Zakazat->ShowFor(DM->ADOConnection1);
}
