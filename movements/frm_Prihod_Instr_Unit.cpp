#include "frm_Prihod_Instr_Unit.h"

#include "DM_Unit.h"
#include "Dialogs.h"
#include "ImageBox.h"
#include "RecordSet.h"
#include "StockParts.h"
#include "ToolKind.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

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

QLabel* label(QWidget* parent, const char* name, const char* text)
{
    auto* l = new QLabel(QString::fromUtf8(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

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

Tfrm_Prihod_Instr::Tfrm_Prihod_Instr(QWidget* parent) : TMovementForm(parent)
{
    setObjectName(QStringLiteral("frm_Prihod_Instr"));

    GroupBox1 = new QGroupBox(QStringLiteral("Общие характеристики"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label1 = label(GroupBox1, "Label1", "Код");
    ed_Kod = stock::shownBox(GroupBox1, "ed_Kod");
    Label2 = label(GroupBox1, "Label2", "Фирма изготовитель");
    ed_Firma = stock::shownBox(GroupBox1, "ed_Firma");
    // The code and the firm are only shown: Tab passes them by.
    ed_Kod->setFocusPolicy(Qt::ClickFocus);
    ed_Firma->setFocusPolicy(Qt::ClickFocus);
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
    Label5 = label(GroupBox3, "Label5", "Приход  *");
    Label6 = label(GroupBox3, "Label6", "ИТОГО");
    Label7 = label(GroupBox3, "Label7", "Новый инструмент на складе");
    Label8 = label(GroupBox3, "Label8", "БУ инструмент на складе");
    ed_kvo_new = stock::shownBox(GroupBox3, "ed_kvo_new");
    ed_K_vo_NEW_ALL = stock::shownBox(GroupBox3, "ed_K_vo_NEW_ALL");
    ed_kvo_BU = stock::shownBox(GroupBox3, "ed_kvo_BU");
    ed_K_vo_BU_ALL = stock::shownBox(GroupBox3, "ed_K_vo_BU_ALL");
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
    auto* g3 = new QGridLayout(GroupBox3);
    g3->addWidget(Label4, 0, 1, Qt::AlignHCenter);
    g3->addWidget(Label5, 0, 2, Qt::AlignHCenter);
    g3->addWidget(Label6, 0, 3, Qt::AlignHCenter);
    g3->addWidget(Label7, 1, 0);
    g3->addWidget(ed_kvo_new, 1, 1);
    g3->addWidget(sped_New, 1, 2);
    g3->addWidget(ed_K_vo_NEW_ALL, 1, 3);
    g3->addWidget(Label8, 2, 0);
    g3->addWidget(ed_kvo_BU, 2, 1);
    g3->addWidget(sped_BU, 2, 2);
    g3->addWidget(ed_K_vo_BU_ALL, 2, 3);

    QHBoxLayout* buttons = stock::okCancelRow(this, &bbtn_OK, &bbtn_Cancel);

    connect(sped_New, &QSpinBox::valueChanged, this, &Tfrm_Prihod_Instr::sped_NewChange);
    connect(sped_BU, &QSpinBox::valueChanged, this, &Tfrm_Prihod_Instr::sped_BUChange);
    connect(bbtn_OK, &QPushButton::clicked, this, &Tfrm_Prihod_Instr::bbtn_OKClick);

    auto* top = new QHBoxLayout;
    top->addWidget(GroupBox1, 1);
    top->addWidget(GroupBox2);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(GroupBox3);
    lay->addLayout(buttons);
    // A fixed dialog border.
    lay->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(sped_New, sped_BU);
    setTabOrder(sped_BU, bbtn_OK);
    setTabOrder(bbtn_OK, bbtn_Cancel);
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
