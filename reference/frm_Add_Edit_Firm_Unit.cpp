#include "frm_Add_Edit_Firm_Unit.h"

#include "DM_Unit.h"
#include "DataAware.h"
#include "Dialogs.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

Tfrm_Add_Edit_Firm_rec* frm_Add_Edit_Firm_rec = nullptr;

Tfrm_Add_Edit_Firm_rec::Tfrm_Add_Edit_Firm_rec(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_Add_Edit_Firm_rec"));
    resize(440, 130);
    GroupBox1 = new QGroupBox(QStringLiteral("Наименование фирмы"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    dbed_Firma = new DBEdit(GroupBox1);
    dbed_Firma->setObjectName(QStringLiteral("dbed_Firma"));
    dbed_Firma->bind(&DM->tbl_Firma, QStringLiteral("Name"));
    auto* g = new QVBoxLayout(GroupBox1);
    g->addWidget(dbed_Firma);

    bbtn_OK = new QPushButton(QStringLiteral("OK"), this);
    bbtn_OK->setObjectName(QStringLiteral("bbtn_OK"));
    bbtn_OK->setDefault(true);
    bbtn_Cancel = new QPushButton(QStringLiteral("Отмена"), this);
    bbtn_Cancel->setObjectName(QStringLiteral("bbtn_Cancel"));
    connect(bbtn_OK, &QPushButton::clicked, this, &Tfrm_Add_Edit_Firm_rec::bbtn_OKClick);
    connect(bbtn_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbtn_OK);
    buttons->addWidget(bbtn_Cancel);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(GroupBox1);
    lay->addStretch(1);
    lay->addLayout(buttons);
}

void Tfrm_Add_Edit_Firm_rec::FormShow()
{
    dbed_Firma->setFocus();
}

void Tfrm_Add_Edit_Firm_rec::bbtn_OKClick()
{
    if (dbed_Firma->text().isEmpty()) {
        Dialogs::info(this, QStringLiteral("Поле \"НАИМЕНОВАНИЕ ФИРМЫ\" не может быть пустым!"));
        dbed_Firma->setFocus();
        return;
    }
    ResultWord = QStringLiteral("Done");
    accept();
}
