#include "frm_SearchRec_Unit.h"

#include "DM_Unit.h"
#include "DbError.h"
#include "Dialogs.h"
#include "ToolKind.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

Tfrm_SearchRec* frm_SearchRec = nullptr;

namespace {

const Tfrm_SearchRec::Target Targets[5] = {
    {0, "spbt_SVerlo_Search", "Поиск записи (табл. СВЕРЛА)", "Код сверла", "Kod"},
    {1, "spbt_FR_Search", "Поиск записи (табл. ФРЕЗЫ)", "Код фрезы", "Kod"},
    {2, "spbt_Derj_Search", "Поиск записи (табл. ДЕРЖАВКИ ПЛАСТИН)", "Код державки пластины", "Kod"},
    {3, "spbt_PL_Search", "Поиск записи (табл. ПЛАСТИНЫ)", "Код пластины", "Kod"},
    {4, "spbt_SearchRec", "Поиск записи (табл. ДОЛГИ)", "№ записи п.п.", "Nomer_Zap"},
};

} // namespace

const Tfrm_SearchRec::Target& Tfrm_SearchRec::target(quint8 t)
{
    return Targets[t < 5 ? t : 4];
}

int Tfrm_SearchRec::targetCount()
{
    return 5;
}

RecordSet* Tfrm_SearchRec::searchedRecordSet(TDM& dm, quint8 t)
{
    // The catalogue pages search their kind's catalogue, the debts page the debts.
    if (const auto kind = toolKindByPage(t))
        return &catalogueOf(dm, *kind);
    return t == 4 ? &dm.dtset_DolgiSQL : nullptr;
}

bool Tfrm_SearchRec::locate(TDM& dm, quint8 t, const QString& text, bool partial)
{
    RecordSet* rs = searchedRecordSet(dm, t);
    if (!rs)
        return false;
    // The text goes as a string, also for the integer record number; a
    // partial match on it compares the number's decimal text.
    return rs->locate(QString::fromLatin1(Targets[t].column), text,
                      partial ? RecordSet::PartialKey : RecordSet::NoLocateOptions);
}

Tfrm_SearchRec::Tfrm_SearchRec(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_SearchRec"));
    setWindowTitle(QString::fromUtf8(Targets[4].caption));

    Label1 = new QLabel(QString::fromUtf8(Targets[4].prompt), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    ed_RecName = new QLineEdit(this);
    ed_RecName->setObjectName(QStringLiteral("ed_RecName"));
    ed_RecName->setMinimumWidth(300);
    Label1->setBuddy(ed_RecName);
    CheckBox1 = new QCheckBox(QStringLiteral("Допускается частичное совпадение"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));

    BitBtn_OK = new QPushButton(QStringLiteral("OK"), this);
    BitBtn_OK->setObjectName(QStringLiteral("BitBtn_OK"));
    BitBtn_OK->setDefault(true);   // Enter in the box presses it
    BitBtn_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn_Cancel->setObjectName(QStringLiteral("BitBtn_Cancel"));
    connect(BitBtn_OK, &QPushButton::clicked, this, &Tfrm_SearchRec::BitBtn_OKClick);
    connect(BitBtn_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn_OK);
    buttons->addWidget(BitBtn_Cancel);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(Label1);
    lay->addWidget(ed_RecName);
    lay->addWidget(CheckBox1);
    lay->addSpacing(6);
    lay->addLayout(buttons);
    setFixedSize(sizeHint());
}

void Tfrm_SearchRec::prepare(quint8 t)
{
    const Target& p = target(t);
    setWindowTitle(QString::fromUtf8(p.caption));
    Label1->setText(QString::fromUtf8(p.prompt));
    SearchTarget = p.target;
}

void Tfrm_SearchRec::FormShow()
{
    ed_RecName->setFocus();
    ed_RecName->selectAll();
}

void Tfrm_SearchRec::BitBtn_OKClick()
{
    const QString text = ed_RecName->text();
    if (!text.isEmpty()) {
        try {
            if (!locate(*DM, SearchTarget, text, CheckBox1->isChecked()))
                Dialogs::errorTitled(this, QStringLiteral("Поиск записи"),
                                     QStringLiteral("Извините, строка не найдена"));
        } catch (const DbError& e) {
            Dialogs::error(this, e.message());
        }
    }
    accept();
}
