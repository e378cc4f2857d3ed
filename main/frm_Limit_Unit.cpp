#include "frm_Limit_Unit.h"

#include "Dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

Tfrm_Limit::Tfrm_Limit(const char* objectName, const QString& caption, QWidget* parent) : QDialog(parent)
{
    setObjectName(QString::fromLatin1(objectName));
    setWindowTitle(caption);
    lbl_Text = new QLabel(this);
    lbl_Text->setObjectName(QStringLiteral("lbl_Text"));
    lbl_Text->setWordWrap(true);
    sped_Value = new QSpinBox(this);
    sped_Value->setObjectName(QStringLiteral("sped_Value"));
    sped_Value->setMinimumWidth(120);
    bbtn_OK = new QPushButton(QStringLiteral("OK"), this);
    bbtn_OK->setObjectName(QStringLiteral("bbtn_OK"));
    bbtn_OK->setDefault(true);
    bbtn_Cancel = new QPushButton(QStringLiteral("Отмена"), this);
    bbtn_Cancel->setObjectName(QStringLiteral("bbtn_Cancel"));
    connect(bbtn_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(bbtn_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bbtn_OK);
    buttons->addWidget(bbtn_Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbl_Text);
    layout->addWidget(sped_Value);
    layout->addLayout(buttons);
    setMinimumWidth(360);
}

bool Tfrm_Limit::Ask(const QString& text, int minimum, int maximum, int* value)
{
    lbl_Text->setText(text);
    sped_Value->setRange(minimum, maximum);
    sped_Value->setValue(*value);
    sped_Value->selectAll();
    sped_Value->setFocus();
    if (Dialogs::showModal(this) != QDialog::Accepted)
        return false;
    sped_Value->interpretText();
    *value = sped_Value->value();
    return true;
}
