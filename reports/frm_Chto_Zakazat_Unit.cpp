#include "frm_Chto_Zakazat_Unit.h"

#include "DbError.h"
#include "Dialogs.h"
#include "GridLook.h"
#include "StockReports.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

Tfrm_Chto_Zakazat::Tfrm_Chto_Zakazat(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm_Chto_Zakazat"));
    setWindowTitle(QStringLiteral("Что заказать"));
    resize(1120, 600);

    dbgr_Zakaz = new QTableView(this);
    dbgr_Zakaz->setObjectName(QStringLiteral("dbgr_Zakaz"));
    dbgr_Zakaz->setModel(&m_model);
    dbgr_Zakaz->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgr_Zakaz->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgr_Zakaz->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgr_Zakaz->setAlternatingRowColors(true);
    QPalette pal = dbgr_Zakaz->palette();
    pal.setColor(QPalette::AlternateBase, GridLook::evenRowColor());
    dbgr_Zakaz->setPalette(pal);
    dbgr_Zakaz->verticalHeader()->setDefaultSectionSize(dbgr_Zakaz->fontMetrics().height() + 6);
    dbgr_Zakaz->horizontalHeader()->setSectionsClickable(true);
    dbgr_Zakaz->horizontalHeader()->setHighlightSections(false);
    connect(dbgr_Zakaz->horizontalHeader(), &QHeaderView::sectionClicked, this,
            &Tfrm_Chto_Zakazat::dbgr_ZakazTitleClick);

    lbl_Itogo = new QLabel(this);
    lbl_Itogo->setObjectName(QStringLiteral("lbl_Itogo"));
    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    bbtn_Export = button("bbtn_Export", QStringLiteral("Экспорт в EXCELL"));
    bbtn_Print = button("bbtn_Print", QStringLiteral("Печать…"));
    bbtn_Refresh = button("bbtn_Refresh", QStringLiteral("Обновить"));
    bbtn_Close = button("bbtn_Close", QStringLiteral("Закрыть"));
    connect(bbtn_Export, &QPushButton::clicked, this, &Tfrm_Chto_Zakazat::bbtn_ExportClick);
    connect(bbtn_Print, &QPushButton::clicked, this, &Tfrm_Chto_Zakazat::bbtn_PrintClick);
    connect(bbtn_Refresh, &QPushButton::clicked, this, &Tfrm_Chto_Zakazat::bbtn_RefreshClick);
    connect(bbtn_Close, &QPushButton::clicked, this, &QDialog::reject);

    auto* bar = new QHBoxLayout;
    bar->addWidget(lbl_Itogo, 1);
    for (QPushButton* b : {bbtn_Refresh, bbtn_Export, bbtn_Print, bbtn_Close})
        bar->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(dbgr_Zakaz, 1);
    layout->addLayout(bar);
}

void Tfrm_Chto_Zakazat::Refresh(Connection& c)
{
    m_conn = &c;
    m_model.setTable(reports::reorderTable(c));
    dbgr_Zakaz->resizeColumnsToContents();
    for (int c = 0; c < m_model.columnCount(); ++c)
        dbgr_Zakaz->setColumnWidth(c, std::min(dbgr_Zakaz->columnWidth(c), 240));
    showCount();
}

void Tfrm_Chto_Zakazat::showCount()
{
    qint64 pieces = 0;
    const int orderColumn = int(table().columns.size()) - 1;
    for (const QVariantList& row : table().rows)
        pieces += row.value(orderColumn).toLongLong();
    lbl_Itogo->setText(QStringLiteral("Ниже минимума: %1, заказать всего: %2 шт.").arg(table().rows.size()).arg(pieces));
}

void Tfrm_Chto_Zakazat::ShowFor(Connection& c)
{
    try {
        Refresh(c);
    } catch (const DbError& e) {
        Dialogs::error(parentWidget(), e.message());
        return;
    }
    Dialogs::showModal(this);
}

void Tfrm_Chto_Zakazat::bbtn_RefreshClick()
{
    if (!m_conn)
        return;
    try {
        Refresh(*m_conn);
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
}

void Tfrm_Chto_Zakazat::bbtn_ExportClick()
{
    // In the order shown.
    m_lastWorkbook = reports::openAsWorkbook(this, table(), nullptr, TempFolder);
}

void Tfrm_Chto_Zakazat::bbtn_PrintClick() { reports::printPreview(this, table()); }

void Tfrm_Chto_Zakazat::dbgr_ZakazTitleClick(int column) { m_model.sort(column); }
