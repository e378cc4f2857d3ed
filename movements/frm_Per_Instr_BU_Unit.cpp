#include "frm_Per_Instr_BU_Unit.h"

#include "DM_Unit.h"
#include "Dialogs.h"
#include "RecordSet.h"
#include "StockParts.h"
#include "ToolKind.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

Tfrm_Per_Instr_BU* frm_Per_Instr_BU = nullptr;

namespace {

// The message when the tool row cannot be saved, by Kind.
const char* const Failures[ToolKindCount] = {
    "Возникла ошибка при попытке редактирования данных в таблице \"Sverla\". Данные не сохранены!!!",
    "Возникла ошибка при попытке редактирования данных в таблице \"dtSet_Frezy\". Данные не сохранены!!!",
    "Возникла ошибка при попытке редактирования данных в таблице \"Derj_PL\". Данные не сохранены!!!",
    "Возникла ошибка при попытке редактирования данных в таблице \"Plastiny\". Данные не сохранены!!!",
};

} // namespace

QString Tfrm_Per_Instr_BU::failureOf(int kind)
{
    return kind >= 0 && kind < ToolKindCount ? QString::fromUtf8(Failures[kind]) : QString();
}

Tfrm_Per_Instr_BU::Tfrm_Per_Instr_BU(QWidget* parent) : TMovementForm(parent)
{
    using stock::label;
    setObjectName(QStringLiteral("frm_Per_Instr_BU"));
    setWindowTitle(QStringLiteral("Перенос инструмента в БУ"));

    stock::toolNameGroup(this, &GroupBox1, &Label1, &ed_Kod, &Label2, &ed_Firma);

    // One sum from left to right: new in stock - moved = used afterwards.
    GroupBox2 = new QGroupBox(QStringLiteral("Колличество инструмента "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    Label3 = label(GroupBox2, "Label3", "Новый инстр. (в наличии)");
    ed_New_Instr = stock::shownBox(GroupBox2, "ed_New_Instr");
    Label4 = label(GroupBox2, "Label4", "-");
    Label5 = label(GroupBox2, "Label5", "К-во для переноса в БУ");
    cmbx_COUNT = stock::quantityList(GroupBox2, "cmbx_COUNT", 0);
    Label6 = label(GroupBox2, "Label6", "=");
    Label7 = label(GroupBox2, "Label7", "БУ инстр. (будет)");
    ed_BU_Instr = stock::shownBox(GroupBox2, "ed_BU_Instr");
    Label8 = label(GroupBox2, "Label8", "Новый инстр. (останется)");
    ed_New_Instr_OST = stock::shownBox(GroupBox2, "ed_New_Instr_OST");
    auto* g2 = new QGridLayout(GroupBox2);
    g2->addWidget(Label3, 0, 0);
    g2->addWidget(Label5, 0, 2);
    g2->addWidget(Label7, 0, 4);
    g2->addWidget(ed_New_Instr, 1, 0);
    g2->addWidget(Label4, 1, 1);
    g2->addWidget(cmbx_COUNT, 1, 2);
    g2->addWidget(Label6, 1, 3);
    g2->addWidget(ed_BU_Instr, 1, 4);
    g2->addWidget(Label8, 2, 0);
    g2->addWidget(ed_New_Instr_OST, 3, 0);

    QHBoxLayout* buttons = stock::okCancelRow(this, &bbtn_OK, &bbtn_Cancel);

    connect(cmbx_COUNT, &QComboBox::currentIndexChanged, this, &Tfrm_Per_Instr_BU::cmbx_COUNTChange);
    connect(bbtn_OK, &QPushButton::clicked, this, &Tfrm_Per_Instr_BU::bbtn_OKClick);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(GroupBox1);
    lay->addWidget(GroupBox2);
    lay->addLayout(buttons);
    lay->setSizeConstraint(QLayout::SetFixedSize);
    // Its own place on the screen, not centred on the main window.
    move(340, 220);
}

void Tfrm_Per_Instr_BU::FormShow()
{
    CloseCode = 2;
    Stored = ops::Result();
    ed_New_Instr->setText(QString::number(StockNew));
    stock::fillQuantities(cmbx_COUNT, StockNew);
    cmbx_COUNTChange();
    cmbx_COUNT->setFocus();
}

void Tfrm_Per_Instr_BU::cmbx_COUNTChange()
{
    const int c = stock::chosenQuantity(cmbx_COUNT);
    ed_BU_Instr->setText(QString::number(c + StockBU));
    ed_New_Instr_OST->setText(QString::number(StockNew - c));
}

void Tfrm_Per_Instr_BU::bbtn_OKClick()
{
    const int c = stock::chosenQuantity(cmbx_COUNT);
    if (c == 0) {
        Dialogs::error(this, QStringLiteral("Необходимо добать к-во инструмента больше 0.!"));
        cmbx_COUNT->setFocus();
        return;
    }
    const ToolKind kind = toolKindByPage(Kind).value_or(ToolKind::Sverla);
    const ops::Result r = ops::transferToUsed(DM->ADOConnection1, {kind, ToolID, c});
    if (!stock::finish(this, kind, r, failureOf(Kind))) {
        if (r.refusal == ops::Refusal::ToolGone) {
            reject();
        } else if (r.refusal == ops::Refusal::NotEnoughStock) {
            StockNew = int(r.stockNew);
            StockBU = int(r.stockUsed);
            FormShow();
        }
        return;
    }
    Stored = r;
    CloseCode = 1;
    accept();
}

void Tfrm_Per_Instr_BU::done(int r)
{
    // Closing in any other way leaves CloseCode as it is (2).
    QDialog::done(r);
}
