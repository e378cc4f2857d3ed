#include "frm_Prihod_Instr_Unit.h"

#include "DM_Unit.h"
#include "Dialogs.h"
#include "RecordSet.h"
#include "StockParts.h"
#include "ToolKind.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

Tfrm_Prihod_Instr* frm_Prihod_Instr = nullptr;

namespace {

// Captions by Kind, as the storeroom has always had them.
const char* const Captions[ToolKindCount] = {
    "Приход инструмента. Таблица: СВЕРЛА",
    "Приход инструмента. Таблица: ФРЕЗЫ",
    "Приход инструмента. Таблица: ДЕРЖАВКИ ПЛАСИН",
    "Приход инструмента. Таблица: ПЛАСИНЫ",
};

// The message when the tool row cannot be saved, by Kind.
const char* const Failures[ToolKindCount] = {
    "Возникла ошибка при попытке редактирования данных в таблице \"Sverla\". Данные не сохранены!!!",
    "Возникла ошибка при попытке редактирования данных в таблице \"Frezy\". Данные не сохранены!!!",
    "Возникла ошибка при попытке редактирования данных в таблице \"Derj_PL\". Данные не сохранены!!!",
    "Возникла ошибка при попытке редактирования данных в таблице \"Plastiny\". Данные не сохранены!!!",
};

int number(const QLineEdit* box)
{
    return box->text().toInt();
}

} // namespace

QString Tfrm_Prihod_Instr::captionOf(int kind)
{
    return kind >= 0 && kind < ToolKindCount ? QString::fromUtf8(Captions[kind]) : QString();
}

QString Tfrm_Prihod_Instr::failureOf(int kind)
{
    return kind >= 0 && kind < ToolKindCount ? QString::fromUtf8(Failures[kind]) : QString();
}

Tfrm_Prihod_Instr::Tfrm_Prihod_Instr(QWidget* parent) : TStockCountForm(parent, "Приход  *", "ИТОГО")
{
    setObjectName(QStringLiteral("frm_Prihod_Instr"));
    sped_New = new stock::QuantitySpinBox(GroupBox3);
    sped_New->setObjectName(QStringLiteral("sped_New"));
    sped_BU = new stock::QuantitySpinBox(GroupBox3);
    sped_BU->setObjectName(QStringLiteral("sped_BU"));
    for (stock::QuantitySpinBox* s : {sped_New, sped_BU}) {
        s->setRange(0, 500);
        s->setSingleStep(1);
        s->setMinimumWidth(90);
        QFont f = s->font();
        f.setBold(true);
        s->setFont(f);
        QPalette p = s->palette();
        p.setColor(QPalette::Text, QColor(0, 0, 128));
        s->setPalette(p);
    }
    layOut(sped_New, sped_BU);
    connect(sped_New, &QSpinBox::valueChanged, this, &Tfrm_Prihod_Instr::sped_NewChange);
    connect(sped_BU, &QSpinBox::valueChanged, this, &Tfrm_Prihod_Instr::sped_BUChange);
    connect(bbtn_OK, &QPushButton::clicked, this, &Tfrm_Prihod_Instr::bbtn_OKClick);
}

void Tfrm_Prihod_Instr::FormShow()
{
    Stored = ops::Result();
    setWindowTitle(captionOf(Kind));
    stock::showToolPicture(Image1, PictureName);
    sped_New->setValue(0);
    sped_BU->setValue(0);
    sped_NewChange();
    sped_BUChange();
    sped_New->setFocus();
    sped_New->selectAll();
}

void Tfrm_Prihod_Instr::sped_NewChange()
{
    ed_K_vo_NEW_ALL->setText(QString::number(number(ed_kvo_new) + sped_New->value()));
}

void Tfrm_Prihod_Instr::sped_BUChange()
{
    ed_K_vo_BU_ALL->setText(QString::number(number(ed_kvo_BU) + sped_BU->value()));
}

void Tfrm_Prihod_Instr::bbtn_OKClick()
{
    // What was typed counts as when the box is left.
    sped_New->interpretText();
    sped_BU->interpretText();
    const int n = sped_New->value();
    const int u = sped_BU->value();
    if (n <= 0 && u <= 0) {
        Dialogs::error(this, QStringLiteral("Необходимо добать к-во инструмента больше 0.!"));
        sped_New->setFocus();
        return;
    }
    const ToolKind kind = toolKindByPage(Kind).value_or(ToolKind::Sverla);
    const ops::Result r = ops::receive(DM->ADOConnection1, {kind, ToolID, n, u, QDate::currentDate(), LoginName});
    const QList<std::pair<int, QString>> steps = {
        {ops::StepHistoryNew, QStringLiteral("Возникла ошибка при попытке редактирования данных в таблице "
                                             "\"Prihod_Hist  NEW\". Данные не сохранены!!!")},
        {ops::StepHistoryUsed, QStringLiteral("Возникла ошибка при попытке редактирования данных в таблице "
                                              "\"Prihod_Hist  BU\". Данные не сохранены!!!")}};
    if (!stock::finish(this, kind, r, failureOf(Kind), steps)) {
        if (r.refusal == ops::Refusal::ToolGone)
            reject();
        return;
    }
    Stored = r;
    ResultWord = QStringLiteral("Done");
    accept();
}
