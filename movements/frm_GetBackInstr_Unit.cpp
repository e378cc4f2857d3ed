#include "frm_GetBackInstr_Unit.h"

#include "Operations.h"
#include "DM_Unit.h"
#include "DataAware.h"
#include "DbError.h"
#include "Dialogs.h"
#include "NumberListModel.h"
#include "RecordSet.h"
#include "RowEditor.h"
#include "ToolKind.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <optional>

Tfrm_GetBackInstr* frm_GetBackInstr = nullptr;

namespace {

// The message shown when storing the counters of a kind fails, by kind code.
struct CountersFailure {
    int code;
    const char* text;
};
const CountersFailure CountersFailures[] = {
    {1, "Возникла ошибка при попытке внесения записи  в таблицу \"tbl_Sverla\". Данные не сохранены!!!"},
    {2, "Возникла ошибка при попытке внесения записи  в таблицу \"tbl_Plastiny\". Данные не сохранены!!!"},
    {3, "Возникла ошибка при попытке внесения записи  в таблицу \"Frezy\". Данные не сохранены!!!"},
    {4, "Возникла ошибка при попытке внесения записи  в таблицу \"tbl_Derj_PL\". Данные не сохранены!!!"},
};

DBEdit* boundBox(QWidget* parent, const char* name, int width)
{
    auto* e = new DBEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setAlwaysReadOnly(true);
    e->setFixedWidth(width);
    return e;
}

} // namespace

Tfrm_GetBackInstr::Tfrm_GetBackInstr(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_GetBackInstr"));
    setWindowTitle(QStringLiteral("Вернуть инструмент в БД."));

    GroupBox1 = new QGroupBox(QStringLiteral("Инструмент"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    dbed_Nom = boundBox(GroupBox1, "dbed_Nom", 90);
    DBEdit6 = boundBox(GroupBox1, "DBEdit6", 90);
    setColour(DBEdit6, paleGreen());
    dbed_Svelo = boundBox(GroupBox1, "dbed_Svelo", 270);
    dbed_FIO = boundBox(GroupBox1, "dbed_FIO", 270);
    dbed_Kod = boundBox(GroupBox1, "dbed_Kod", 270);
    ed_Type = new QLineEdit(GroupBox1);
    ed_Type->setObjectName(QStringLiteral("ed_Type"));
    ed_Type->setReadOnly(true);
    ed_Type->setFixedWidth(90);
    dbed_Date = boundBox(GroupBox1, "dbed_Date", 120);
    {
        auto* g = new QGridLayout(GroupBox1);
        g->setHorizontalSpacing(6);
        g->setVerticalSpacing(4);
        struct Row {
            QWidget* box;
            const char* label;
            int row, col;
        };
        const Row rows[] = {{dbed_Nom, "№ записи", 0, 0},          {DBEdit6, "К-во инструмента", 0, 1},
                            {dbed_Svelo, "Тип инструмента", 1, 0},  {ed_Type, "Новый или БУ", 1, 1},
                            {dbed_FIO, "ФИО оператора", 2, 0},      {dbed_Date, "Дата (когда брал)", 2, 1},
                            {dbed_Kod, "Код инструмента", 3, 0}};
        for (const Row& r : rows) {
            auto* l = new QLabel(QString::fromUtf8(r.label), GroupBox1);
            l->setBuddy(r.box);
            g->addWidget(l, r.row, r.col * 2, Qt::AlignRight);
            g->addWidget(r.box, r.row, r.col * 2 + 1, Qt::AlignLeft);
        }
        g->setColumnMinimumWidth(2, 110);
    }

    GroupBox2 = new QGroupBox(QStringLiteral("Вернуть инструмент"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    cmbx_K_vo_NEW = new QComboBox(GroupBox2);
    cmbx_K_vo_NEW->setObjectName(QStringLiteral("cmbx_K_vo_NEW"));
    cmbx_K_vo_BU = new QComboBox(GroupBox2);
    cmbx_K_vo_BU->setObjectName(QStringLiteral("cmbx_K_vo_BU"));
    NumberListModel::of(cmbx_K_vo_NEW);
    NumberListModel::of(cmbx_K_vo_BU);
    ed_SUM = new QLineEdit(GroupBox2);
    ed_SUM->setObjectName(QStringLiteral("ed_SUM"));
    ed_SUM->setReadOnly(true);
    for (QWidget* w : {static_cast<QWidget*>(cmbx_K_vo_NEW), static_cast<QWidget*>(cmbx_K_vo_BU),
                       static_cast<QWidget*>(ed_SUM)})
        w->setFixedWidth(80);
    {
        auto* g = new QGridLayout(GroupBox2);
        g->setHorizontalSpacing(8);
        auto* lNew = new QLabel(QStringLiteral("В новый "), GroupBox2);
        lNew->setBuddy(cmbx_K_vo_NEW);
        auto* lBu = new QLabel(QStringLiteral("В БУ"), GroupBox2);
        lBu->setBuddy(cmbx_K_vo_BU);
        auto* lSum = new QLabel(QStringLiteral("Всего инструмента"), GroupBox2);
        lSum->setBuddy(ed_SUM);
        g->addWidget(lNew, 0, 0);
        g->addWidget(cmbx_K_vo_NEW, 1, 0);
        g->addWidget(new QLabel(QStringLiteral("+"), GroupBox2), 1, 1);
        g->addWidget(lBu, 0, 2);
        g->addWidget(cmbx_K_vo_BU, 1, 2);
        g->addWidget(new QLabel(QStringLiteral("="), GroupBox2), 1, 3);
        g->addWidget(lSum, 0, 4);
        g->addWidget(ed_SUM, 1, 4);
        g->setColumnStretch(5, 1);
    }
    connect(cmbx_K_vo_NEW, &QComboBox::currentIndexChanged, this, &Tfrm_GetBackInstr::cmbx_K_vo_NEWChange);
    connect(cmbx_K_vo_BU, &QComboBox::currentIndexChanged, this, &Tfrm_GetBackInstr::cmbx_K_vo_NEWChange);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    connect(BitBtn1, &QPushButton::clicked, this, &Tfrm_GetBackInstr::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(GroupBox1);
    lay->addWidget(GroupBox2);
    lay->addLayout(buttons);

    if (DM) {
        RecordSet* debts = &DM->dtset_DolgiSQL;
        dbed_Nom->bind(debts, QStringLiteral("Nomer_Zap"));
        DBEdit6->bind(debts, QStringLiteral("K_vo"));
        dbed_Svelo->bind(debts, QStringLiteral("Tabl_Name"));
        dbed_FIO->bind(debts, QStringLiteral("FIO"));
        dbed_Kod->bind(debts, QStringLiteral("KoD"));
        dbed_Date->bind(debts, QStringLiteral("Date"));
    }
    setFixedSize(sizeHint());
}

// ---------------------------------------------------------------------------

QString Tfrm_GetBackInstr::historyFailureText()
{
    return QStringLiteral(
        "Возникла ошибка при попытке внесения записи  в таблицу \"Dolgi_History\". Данные не сохранены!!!");
}

QString Tfrm_GetBackInstr::countersFailureText(int kindCode)
{
    for (const CountersFailure& f : CountersFailures)
        if (f.code == kindCode)
            return QString::fromUtf8(f.text);
    return historyFailureText();
}

QString Tfrm_GetBackInstr::deleteFailureText()
{
    return QStringLiteral("Возникла ошибка при попытке удаления записи  в таблицу \"Dolgi\". Данные не сохранены!!!");
}

QString Tfrm_GetBackInstr::totalMismatchText()
{
    return QStringLiteral("Количество инструмента в поле \"Всего инструмента\" должно быть равно количеству "
                          "инструмента в поле \"К-во инструмента\"!!!");
}

int Tfrm_GetBackInstr::closingCode(int rNew, int rUsed)
{
    return ops::closingCode(rNew, rUsed);
}

Tfrm_GetBackInstr::Debt Tfrm_GetBackInstr::currentDebt(RecordSet& list)
{
    Debt d;
    if (!list.isOpen() || list.isEmpty())
        return d;
    d.id = list.fieldByName(QStringLiteral("ID")).asInteger();
    d.nomerZap = list.fieldByName(QStringLiteral("Nomer_Zap")).asInteger();
    d.idInstr = list.fieldByName(QStringLiteral("ID_Instr")).asInteger();
    d.idTabl = list.fieldByName(QStringLiteral("ID_Tabl")).asInteger();
    d.idPeople = list.fieldByName(QStringLiteral("ID_People")).asInteger();
    d.date = list.fieldByName(QStringLiteral("Date")).asDateTime();
    d.kvo = list.fieldByName(QStringLiteral("K_vo")).asInteger();
    d.bu = list.fieldByName(QStringLiteral("Instr_is_BU")).asBoolean();
    d.fioAdmin = list.fieldByName(QStringLiteral("FIO_AdminBD")).asString();
    d.valid = true;
    return d;
}

// ---------------------------------------------------------------------------

void Tfrm_GetBackInstr::setColour(QWidget* w, const QColor& c)
{
    QPalette p = QApplication::palette(w);
    if (c.isValid()) {
        p.setColor(QPalette::Base, c);
        p.setColor(QPalette::Button, c);
    }
    w->setPalette(p);
}

void Tfrm_GetBackInstr::fillList(QComboBox* list, int max, bool chooseLast)
{
    const QSignalBlocker quiet(list);
    NumberListModel::of(list)->setLast(max);
    list->setCurrentIndex(chooseLast ? list->count() - 1 : 0);
}

int Tfrm_GetBackInstr::chosen(QComboBox* list) const
{
    return NumberListModel::chosen(list);
}

qint64 Tfrm_GetBackInstr::total() const
{
    // Pieces issued from the used stock come back as used only.
    return m_debt.bu ? chosen(cmbx_K_vo_BU) : qint64(chosen(cmbx_K_vo_NEW)) + chosen(cmbx_K_vo_BU);
}

void Tfrm_GetBackInstr::FormShow()
{
    m_debt = DM ? currentDebt(DM->dtset_DolgiSQL) : Debt();
    fillList(cmbx_K_vo_NEW, MaxNew, false);
    fillList(cmbx_K_vo_BU, MaxBU, true);
    setColour(cmbx_K_vo_NEW, QColor());
    setColour(cmbx_K_vo_BU, QColor());
    setColour(ed_SUM, paleGreen());
    ed_SUM->setText(QString::number(total()));
    BitBtn1->setFocus();
}

void Tfrm_GetBackInstr::cmbx_K_vo_NEWChange()
{
    const qint64 t = total();
    ed_SUM->setText(QString::number(t));
    setColour(cmbx_K_vo_NEW, QColor());
    setColour(cmbx_K_vo_BU, QColor());
    setColour(ed_SUM, paleGreen());
    if (t == m_debt.kvo)
        return;
    const QColor c = t < m_debt.kvo ? warnYellow() : warnRed();
    setColour(cmbx_K_vo_BU, c);
    setColour(ed_SUM, c);
    if (!m_debt.bu)
        setColour(cmbx_K_vo_NEW, c);
}

void Tfrm_GetBackInstr::BitBtn1Click()
{
    if (!m_debt.valid || !DM) {
        reject();
        return;
    }
    if (total() != m_debt.kvo) {
        Dialogs::error(this, totalMismatchText());
        return;
    }
    const int rNew = m_debt.bu ? 0 : chosen(cmbx_K_vo_NEW);
    const int rUsed = chosen(cmbx_K_vo_BU);
    // Stored or not, the lists now show the file and the debt shown may be
    // gone: the dialog closes either way, before the user is told why.
    const Result r = CloseDebt(*DM, m_debt, rNew, rUsed, LoginName);
    if (r.outcome == Outcome::Stored)
        accept();
    else
        reject();
    if (!r.message.isEmpty())
        Dialogs::error(parentWidget() ? parentWidget() : this, r.message);
}

// ---------------------------------------------------------------------------

Tfrm_GetBackInstr::Result Tfrm_GetBackInstr::CloseDebt(TDM& dm, const Debt& debt, int rNew, int rUsed,
                                                        const QString& login)
{
    if (!debt.valid)
        return {Outcome::Refused, totalMismatchText()};
    ops::ReturnRequest req;
    req.debtId = debt.id;
    req.number = debt.nomerZap;
    req.toolId = debt.idInstr;
    req.kindCode = debt.idTabl;
    req.quantity = debt.kvo;
    req.fromUsed = debt.bu;
    req.toNew = rNew;
    req.toUsed = rUsed;
    req.date = QDate::currentDate();
    req.login = login;
    const ops::Result r = ops::closeDebt(dm.ADOConnection1, req);

    // The lists show the file: the debts (without the closed debt, first row
    // current; after a refusal or failure the same row stays current), the
    // tool's catalogue, the closed debts.
    QString readError;
    auto show = [&readError](const std::function<void()>& f) {
        try {
            f();
        } catch (const DbError& e) {
            if (readError.isEmpty())
                readError = e.message();
        }
    };
    const std::optional<ToolKind> kind = toolKindByCode(debt.idTabl);
    if (r.stored()) {
        show([&] { dm.ShowChanges(r); });
        dm.dtset_DolgiSQL.first();
    } else {
        if (kind)
            show([&] { dm.Refresh(catalogueOf(dm, *kind)); });
        show([&] { dm.dtset_DolgiSQL.reread(); });
    }
    show([&] {
        if (dm.stpr_SQL_Dolgi_History.isOpen() && !r.stored()) {
            dm.stpr_SQL_Dolgi_History.close();
            dm.stpr_SQL_Dolgi_History.open();
        }
    });

    switch (r.status) {
    case ops::Status::Stored: return {Outcome::Stored, readError};
    case ops::Status::Refused: return {Outcome::Refused, r.message};
    case ops::Status::Failed: break;
    }
    const QString step = r.step == ops::StepTool         ? countersFailureText(debt.idTabl)
                         : r.step == ops::StepDebtDelete ? deleteFailureText()
                                                         : historyFailureText();
    return {Outcome::Failed, failureText(step, r)};
}
