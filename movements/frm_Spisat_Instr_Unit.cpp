#include "frm_Spisat_Instr_Unit.h"

#include "DM_Unit.h"
#include "Dialogs.h"
#include "RecordSet.h"
#include "StockParts.h"
#include "ToolKind.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

Tfrm_Spisat_Instr* frm_Spisat_Instr = nullptr;

namespace {

// Captions by Kind, as the storeroom has always had them.
const char* const Captions[ToolKindCount] = {
    "Списать инструмент. Таблица: СВЕРЛА",
    "Списать инструмент. Таблица: ФРЕЗЫ",
    "Списать инструмент. Таблица: ДЕРЖАВКИ ПЛАСТИН",
    "Списать инструмент. Таблица: ПЛАСТИНЫ",
};

// The message when the tool row cannot be saved, by Kind.
const char* const Failures[ToolKindCount] = {
    "Возникла ошибка при попытке редактирования данных в таблице \"Sverla\". Данные не сохранены!!!",
    "Возникла ошибка при попытке редактирования данных в таблице \"FREZY\". Данные не сохранены!!!",
    "Возникла ошибка при попытке редактирования данных в таблице \"Derj_PL\". Данные не сохранены!!!",
    "Возникла ошибка при попытке редактирования данных в таблице \"dtSet_Plastiny\". Данные не сохранены!!!",
};

} // namespace

QString Tfrm_Spisat_Instr::captionOf(int kind)
{
    return kind >= 0 && kind < ToolKindCount ? QString::fromUtf8(Captions[kind]) : QString();
}

QString Tfrm_Spisat_Instr::failureOf(int kind)
{
    return kind >= 0 && kind < ToolKindCount ? QString::fromUtf8(Failures[kind]) : QString();
}

Tfrm_Spisat_Instr::Tfrm_Spisat_Instr(QWidget* parent) : TStockCountForm(parent, "Списать  *", "ИТОГО останется")
{
    setObjectName(QStringLiteral("frm_Spisat_Instr"));
    cmbx_K_vo_NEW = stock::quantityList(GroupBox3, "cmbx_K_vo_NEW");
    cmbx_K_vo_BU = stock::quantityList(GroupBox3, "cmbx_K_vo_BU");
    layOut(cmbx_K_vo_NEW, cmbx_K_vo_BU);
    connect(cmbx_K_vo_NEW, &QComboBox::currentIndexChanged, this, &Tfrm_Spisat_Instr::cmbx_K_vo_NEWChange);
    connect(cmbx_K_vo_BU, &QComboBox::currentIndexChanged, this, &Tfrm_Spisat_Instr::cmbx_K_vo_BUChange);
    connect(bbtn_OK, &QPushButton::clicked, this, &Tfrm_Spisat_Instr::bbtn_OKClick);
}

void Tfrm_Spisat_Instr::FormShow()
{
    Stored = ops::Result();
    setWindowTitle(captionOf(Kind));
    stock::showToolPicture(Image1, PictureName);
    stock::fillQuantities(cmbx_K_vo_NEW, StockNew);
    stock::fillQuantities(cmbx_K_vo_BU, StockBU);
    ed_kvo_new->setText(QString::number(StockNew));
    ed_kvo_BU->setText(QString::number(StockBU));
    cmbx_K_vo_NEWChange();
    cmbx_K_vo_BUChange();
    cmbx_K_vo_NEW->setFocus();
}

void Tfrm_Spisat_Instr::cmbx_K_vo_NEWChange()
{
    ed_K_vo_NEW_ALL->setText(QString::number(StockNew - stock::chosenQuantity(cmbx_K_vo_NEW)));
}

void Tfrm_Spisat_Instr::cmbx_K_vo_BUChange()
{
    ed_K_vo_BU_ALL->setText(QString::number(StockBU - stock::chosenQuantity(cmbx_K_vo_BU)));
}

void Tfrm_Spisat_Instr::bbtn_OKClick()
{
    const int n = stock::chosenQuantity(cmbx_K_vo_NEW);
    const int u = stock::chosenQuantity(cmbx_K_vo_BU);
    if (n == 0 && u == 0) {
        Dialogs::error(this, QStringLiteral("Чтобы списать инструмент нужно выбрать к-во отличное от 0 !"));
        cmbx_K_vo_NEW->setFocus();
        return;
    }
    const ToolKind kind = toolKindByPage(Kind).value_or(ToolKind::Sverla);
    const ops::Result r = ops::writeOff(DM->ADOConnection1, {kind, ToolID, n, u, QDate::currentDate(), LoginName});
    const QList<std::pair<int, QString>> steps = {
        {ops::StepHistoryNew, QStringLiteral("Возникла ошибка при попытке редактирования данных в таблице "
                                             "\"tbl_Spisanie_Hist  NEW\". Данные не сохранены!!!")},
        {ops::StepHistoryUsed, QStringLiteral("Возникла ошибка при попытке редактирования данных в таблице "
                                              "\"tbl_Spisanie_Hist  BU\". Данные не сохранены!!!")}};
    if (!stock::finish(this, kind, r, failureOf(Kind), steps)) {
        if (r.refusal == ops::Refusal::ToolGone) {
            reject();
        } else if (r.refusal == ops::Refusal::NotEnoughStock) {
            // The lists offer what the file holds now.
            StockNew = int(r.stockNew);
            StockBU = int(r.stockUsed);
            FormShow();
        }
        return;
    }
    Stored = r;
    ResultWord = QStringLiteral("Done");
    accept();
}
