#include "frm_Spisat_Instr_Unit.h"

#include "DM_Unit.h"
#include "Dialogs.h"
#include "ImageBox.h"
#include "NumberListModel.h"
#include "RecordSet.h"
#include "StockParts.h"
#include "ToolKind.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

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

QLabel* label(QWidget* parent, const char* name, const char* text)
{
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

QComboBox* quantityList(QWidget* parent, const char* name)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(false);   // choice only
    c->setMaxVisibleItems(20);
    c->setMinimumWidth(90);
    NumberListModel::of(c);
    return c;
}

} // namespace

QString Tfrm_Spisat_Instr::captionOf(int kind)
{
    return kind >= 0 && kind < ToolKindCount ? QString::fromUtf8(Captions[kind]) : QString();
}

QString Tfrm_Spisat_Instr::failureOf(int kind)
{
    return kind >= 0 && kind < ToolKindCount ? QString::fromUtf8(Failures[kind]) : QString();
}

Tfrm_Spisat_Instr::Tfrm_Spisat_Instr(QWidget* parent) : TMovementForm(parent)
{
    setObjectName(QStringLiteral("frm_Spisat_Instr"));

    GroupBox1 = new QGroupBox(QStringLiteral("Общие характеристики"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label1 = label(GroupBox1, "Label1", "Код");
    ed_Kod = stock::shownBox(GroupBox1, "ed_Kod");
    Label2 = label(GroupBox1, "Label2", "Фирма изготовитель");
    ed_Firma = stock::shownBox(GroupBox1, "ed_Firma");
    Label3 = label(GroupBox1, "Label3", "Примечания");
    Memo1 = stock::shownMemo(GroupBox1, "Memo1");
    auto* g1 = new QGridLayout(GroupBox1);
    g1->addWidget(Label1, 0, 0);
    g1->addWidget(ed_Kod, 0, 1);
    g1->addWidget(Label2, 1, 0);
    g1->addWidget(ed_Firma, 1, 1);
    g1->addWidget(Label3, 2, 0, Qt::AlignTop);
    g1->addWidget(Memo1, 2, 1);

    GroupBox2 = new QGroupBox(QStringLiteral("Картинка"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    Bevel1 = new QFrame(GroupBox2);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Bevel1->setMinimumSize(220, 170);
    Image1 = new ImageBox(Bevel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    (new QVBoxLayout(Bevel1))->addWidget(Image1);
    (new QVBoxLayout(GroupBox2))->addWidget(Bevel1);

    GroupBox3 = new QGroupBox(QStringLiteral("Колличество инструмента "), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    Label4 = label(GroupBox3, "Label4", "Есть наличии");
    Label5 = label(GroupBox3, "Label5", "Списать  *");
    Label6 = label(GroupBox3, "Label6", "ИТОГО останется");
    Label7 = label(GroupBox3, "Label7", "Новый инструмент на складе");
    Label8 = label(GroupBox3, "Label8", "БУ инструмент на складе");
    ed_kvo_new = stock::shownBox(GroupBox3, "ed_kvo_new");
    ed_K_vo_NEW_ALL = stock::shownBox(GroupBox3, "ed_K_vo_NEW_ALL");
    ed_kvo_BU = stock::shownBox(GroupBox3, "ed_kvo_BU");
    ed_K_vo_BU_ALL = stock::shownBox(GroupBox3, "ed_K_vo_BU_ALL");
    cmbx_K_vo_NEW = quantityList(GroupBox3, "cmbx_K_vo_NEW");
    cmbx_K_vo_BU = quantityList(GroupBox3, "cmbx_K_vo_BU");
    auto* g3 = new QGridLayout(GroupBox3);
    g3->addWidget(Label4, 0, 1, Qt::AlignHCenter);
    g3->addWidget(Label5, 0, 2, Qt::AlignHCenter);
    g3->addWidget(Label6, 0, 3, Qt::AlignHCenter);
    g3->addWidget(Label7, 1, 0);
    g3->addWidget(ed_kvo_new, 1, 1);
    g3->addWidget(cmbx_K_vo_NEW, 1, 2);
    g3->addWidget(ed_K_vo_NEW_ALL, 1, 3);
    g3->addWidget(Label8, 2, 0);
    g3->addWidget(ed_kvo_BU, 2, 1);
    g3->addWidget(cmbx_K_vo_BU, 2, 2);
    g3->addWidget(ed_K_vo_BU_ALL, 2, 3);

    QHBoxLayout* buttons = stock::okCancelRow(this, &bbtn_OK, &bbtn_Cancel);

    connect(cmbx_K_vo_NEW, &QComboBox::currentIndexChanged, this, &Tfrm_Spisat_Instr::cmbx_K_vo_NEWChange);
    connect(cmbx_K_vo_BU, &QComboBox::currentIndexChanged, this, &Tfrm_Spisat_Instr::cmbx_K_vo_BUChange);
    connect(bbtn_OK, &QPushButton::clicked, this, &Tfrm_Spisat_Instr::bbtn_OKClick);

    auto* top = new QHBoxLayout;
    top->addWidget(GroupBox1, 1);
    top->addWidget(GroupBox2);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(GroupBox3);
    lay->addLayout(buttons);
    lay->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(cmbx_K_vo_NEW, cmbx_K_vo_BU);
    setTabOrder(cmbx_K_vo_BU, bbtn_OK);
    setTabOrder(bbtn_OK, bbtn_Cancel);
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
