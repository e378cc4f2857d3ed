#include "StockCountForm.h"

#include "ImageBox.h"
#include "StockParts.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TStockCountForm::TStockCountForm(QWidget* parent, const char* movedCaption, const char* totalCaption)
    : TMovementForm(parent)
{
    using stock::label;
    QGridLayout* g1 = stock::toolNameGroup(this, &GroupBox1, &Label1, &ed_Kod, &Label2, &ed_Firma);
    // The code and the firm are only shown: Tab passes them by.
    ed_Kod->setFocusPolicy(Qt::ClickFocus);
    ed_Firma->setFocusPolicy(Qt::ClickFocus);
    Label3 = label(GroupBox1, "Label3", "Примечания");
    Memo1 = stock::shownMemo(GroupBox1, "Memo1");
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
    Label5 = label(GroupBox3, "Label5", movedCaption);
    Label6 = label(GroupBox3, "Label6", totalCaption);
    Label7 = label(GroupBox3, "Label7", "Новый инструмент на складе");
    Label8 = label(GroupBox3, "Label8", "БУ инструмент на складе");
    ed_kvo_new = stock::shownBox(GroupBox3, "ed_kvo_new");
    ed_K_vo_NEW_ALL = stock::shownBox(GroupBox3, "ed_K_vo_NEW_ALL");
    ed_kvo_BU = stock::shownBox(GroupBox3, "ed_kvo_BU");
    ed_K_vo_BU_ALL = stock::shownBox(GroupBox3, "ed_K_vo_BU_ALL");
}

void TStockCountForm::layOut(QWidget* inputNew, QWidget* inputUsed)
{
    auto* g3 = new QGridLayout(GroupBox3);
    g3->addWidget(Label4, 0, 1, Qt::AlignHCenter);
    g3->addWidget(Label5, 0, 2, Qt::AlignHCenter);
    g3->addWidget(Label6, 0, 3, Qt::AlignHCenter);
    g3->addWidget(Label7, 1, 0);
    g3->addWidget(ed_kvo_new, 1, 1);
    g3->addWidget(inputNew, 1, 2);
    g3->addWidget(ed_K_vo_NEW_ALL, 1, 3);
    g3->addWidget(Label8, 2, 0);
    g3->addWidget(ed_kvo_BU, 2, 1);
    g3->addWidget(inputUsed, 2, 2);
    g3->addWidget(ed_K_vo_BU_ALL, 2, 3);

    QHBoxLayout* buttons = stock::okCancelRow(this, &bbtn_OK, &bbtn_Cancel);
    auto* top = new QHBoxLayout;
    top->addWidget(GroupBox1, 1);
    top->addWidget(GroupBox2);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(GroupBox3);
    lay->addLayout(buttons);
    // A fixed dialog border.
    lay->setSizeConstraint(QLayout::SetFixedSize);
    setTabOrder(inputNew, inputUsed);
    setTabOrder(inputUsed, bbtn_OK);
    setTabOrder(bbtn_OK, bbtn_Cancel);
}
