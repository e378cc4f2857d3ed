#include "frm_Restore_Unit.h"

#include "Dialogs.h"
#include "RuFormat.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString sizeText(qint64 bytes)
{
    if (bytes < 1048576)
        return ru::formatFloat(double(qRound(bytes / 1024.0 * 10)) / 10) + QStringLiteral(" КБ");
    return ru::formatFloat(double(qRound(bytes / 1048576.0 * 10)) / 10) + QStringLiteral(" МБ");
}

} // namespace

Tfrm_Restore::Tfrm_Restore(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frm_Restore"));
    setWindowTitle(QStringLiteral("Восстановление из копии"));
    resize(820, 420);
    auto* top = new QVBoxLayout(this);
    auto* note = new QLabel(QStringLiteral("Выберите копию. Перед восстановлением она будет проверена, а текущая база "
                                           "данных сохранена в папке копий; затем программа откроет базу заново и "
                                           "попросит войти."),
                            this);
    note->setWordWrap(true);
    top->addWidget(note);
    dbgr_Copies = new QTableWidget(0, 6, this);
    dbgr_Copies->setObjectName(QStringLiteral("dbgr_Copies"));
    dbgr_Copies->setHorizontalHeaderLabels({QStringLiteral("Дата"), QStringLiteral("Файл"), QStringLiteral("Размер"),
                                            QStringLiteral("Инструментов"), QStringLiteral("Долгов"),
                                            QStringLiteral("Состояние")});
    dbgr_Copies->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgr_Copies->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgr_Copies->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgr_Copies->verticalHeader()->hide();
    dbgr_Copies->horizontalHeader()->setStretchLastSection(true);
    top->addWidget(dbgr_Copies, 1);
    auto* buttons = new QHBoxLayout;
    bbtn_OtherFile = new QPushButton(QStringLiteral("Другой файл…"), this);
    bbtn_OtherFile->setObjectName(QStringLiteral("bbtn_OtherFile"));
    bbtn_Restore = new QPushButton(QStringLiteral("Восстановить"), this);
    bbtn_Restore->setObjectName(QStringLiteral("bbtn_Restore"));
    bbtn_Close = new QPushButton(QStringLiteral("Закрыть"), this);
    bbtn_Close->setObjectName(QStringLiteral("bbtn_Close"));
    buttons->addWidget(bbtn_OtherFile);
    buttons->addStretch(1);
    buttons->addWidget(bbtn_Restore);
    buttons->addWidget(bbtn_Close);
    top->addLayout(buttons);
    connect(bbtn_Restore, &QPushButton::clicked, this, &Tfrm_Restore::bbtn_RestoreClick);
    connect(bbtn_OtherFile, &QPushButton::clicked, this, &Tfrm_Restore::bbtn_OtherFileClick);
    connect(bbtn_Close, &QPushButton::clicked, this, &QDialog::reject);
    connect(dbgr_Copies, &QTableWidget::cellDoubleClicked, this, &Tfrm_Restore::bbtn_RestoreClick);
}

void Tfrm_Restore::Fill(const QString& dbPath)
{
    m_db = dbPath;
    m_chosen.clear();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_copies = backup::listCopies(dbPath);
    QApplication::restoreOverrideCursor();
    dbgr_Copies->setRowCount(0);
    for (const backup::CopyInfo& c : m_copies)
        addRow(c);
    if (!m_copies.isEmpty())
        dbgr_Copies->selectRow(0);
    dbgr_Copies->resizeColumnsToContents();
}

void Tfrm_Restore::addRow(const backup::CopyInfo& c)
{
    const int row = dbgr_Copies->rowCount();
    dbgr_Copies->insertRow(row);
    const QString state = c.problem.isEmpty() ? QStringLiteral("читается") : c.problem;
    const QString cells[] = {ru::formatDateTime(c.made), QFileInfo(c.path).fileName(), sizeText(c.size),
                             c.tools < 0 ? QStringLiteral("-") : QString::number(c.tools),
                             c.debts < 0 ? QStringLiteral("-") : QString::number(c.debts), state};
    for (int col = 0; col < 6; ++col) {
        auto* item = new QTableWidgetItem(cells[col]);
        if (col >= 2 && col <= 4)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(QDir::toNativeSeparators(c.path));
        dbgr_Copies->setItem(row, col, item);
    }
}

void Tfrm_Restore::bbtn_RestoreClick()
{
    const int row = dbgr_Copies->currentRow();
    if (row < 0 || row >= m_copies.size()) {
        Dialogs::error(this, QStringLiteral("Выберите копию в списке."));
        return;
    }
    m_chosen = m_copies[row].path;
    accept();
}

void Tfrm_Restore::bbtn_OtherFileClick()
{
    const QString f = Dialogs::openFile(this, QStringLiteral("Копия базы данных"), backup::folderOf(m_db),
                                        QStringLiteral("База данных (*.db);;Все файлы (*)"));
    if (f.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const backup::CopyInfo c = backup::describeCopy(f);
    QApplication::restoreOverrideCursor();
    m_copies.prepend(c);
    // Listed first, and chosen.
    dbgr_Copies->setRowCount(0);
    for (const backup::CopyInfo& x : m_copies)
        addRow(x);
    dbgr_Copies->selectRow(0);
}
