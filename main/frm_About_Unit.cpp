#include "frm_About_Unit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Tfrm_About* frm_About = nullptr;

Tfrm_About::Tfrm_About(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_About"));
    setWindowTitle(QStringLiteral("О программе"));
    setModal(true);

    lb_Description = new QLabel(this);
    lb_Description->setObjectName(QStringLiteral("lb_Description"));
    lb_Description->setWordWrap(true);
    lb_Description->setText(QStringLiteral(
        "<b>БД инструмента (Производство Ольмар)</b><br><br>"
        "Учет режущего инструмента в инструментальной кладовой: сверла, фрезы, "
        "державки пластин и пластины. Приход, списание и перенос в БУ, выдача "
        "инструмента операторам в работу и его возврат, история движения "
        "инструмента и долгов.<br><br>"
        "Версия программы 0.0.4 (Сборка 0025)"));
    lb_Description->setFixedWidth(380);

    bbtn_OK = new QPushButton(QStringLiteral("OK"), this);
    bbtn_OK->setObjectName(QStringLiteral("bbtn_OK"));
    bbtn_OK->setDefault(true);
    connect(bbtn_OK, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bbtn_OK);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lb_Description);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
