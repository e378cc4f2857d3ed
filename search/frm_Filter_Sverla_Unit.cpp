#include "frm_Filter_Sverla_Unit.h"

#include "DM_Unit.h"
#include "Dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

Tfrm_Filter_Sverla* frm_Filter_Sverla = nullptr;

namespace {

using namespace SverlaFilter;

// A control that keeps its place in the layout while hidden, so that the
// rows do not jump when boxes come and go.
template <class W> W* steady(W* w)
{
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
    return w;
}

QComboBox* pickList(QWidget* parent, const char* name, const QStringList& items, int current)
{
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->addItems(items);
    c->setCurrentIndex(current);
    return steady(c);
}

QLineEdit* valueBox(QWidget* parent, const char* name, int maxLength)
{
    auto* e = new QLineEdit(QStringLiteral("0"), parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setMaxLength(maxLength);
    e->setFixedWidth(70);
    e->setVisible(false);
    return steady(e);
}

} // namespace

Tfrm_Filter_Sverla::Tfrm_Filter_Sverla(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_Filter_Sverla"));
    setWindowTitle(QStringLiteral("Фильтр записей (таблица СВЕРЛА)"));

    const QStringList compare{QStringLiteral("нет"), QStringLiteral("равно (=)"), QStringLiteral("больше (>)"),
                              QStringLiteral("меньше (<)")};
    QStringList compareDiam = compare;
    compareDiam[2] = QStringLiteral("больше  (>)");
    const QStringList upper{QStringLiteral("нет"), QStringLiteral("меньше (<)")};

    GroupBox1 = new QGroupBox(QStringLiteral("Геометрические характеристики"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    struct RowLayout {
        const char* compare;
        const char* value;
        const char* upper;
        const char* upperValue;
        int maxLength;
        QComboBox* Tfrm_Filter_Sverla::* compareMember;
        QLineEdit* Tfrm_Filter_Sverla::* valueMember;
        QComboBox* Tfrm_Filter_Sverla::* upperMember;
        QLineEdit* Tfrm_Filter_Sverla::* upperValueMember;
        void (Tfrm_Filter_Sverla::*compareChange)();
        void (Tfrm_Filter_Sverla::*upperChange)();
    };
    using F = Tfrm_Filter_Sverla;
    // The drill diameter's box takes at most 5 characters, the others 10
    // (any 32-bit length).
    const RowLayout layouts[4] = {
        {"cmbx_DiamSv", "ed_DiamSv", "cmbx_DiamSv_SP", "ed_DiamSv_SP", 5, &F::cmbx_DiamSv, &F::ed_DiamSv,
         &F::cmbx_DiamSv_SP, &F::ed_DiamSv_SP, &F::cmbx_DiamSvChange, &F::cmbx_DiamSv_SPChange},
        {"cmbx_DiamHvost", "ed_DiamHvost", "cmbx_DiamHvost_SP", "ed_DiamHvost_SP", 10, &F::cmbx_DiamHvost,
         &F::ed_DiamHvost, &F::cmbx_DiamHvost_SP, &F::ed_DiamHvost_SP, &F::cmbx_DiamHvostChange,
         &F::cmbx_DiamHvost_SPChange},
        {"cmbx_L_SV", "ed_L_SV", "cmbx_L_SV_SP", "ed_L_SV_SP", 10, &F::cmbx_L_SV, &F::ed_L_SV, &F::cmbx_L_SV_SP,
         &F::ed_L_SV_SP, &F::cmbx_L_SVChange, &F::cmbx_L_SV_SPChange},
        {"cmbx_L_RabCH", "ed_L_RabCH", "cmbx_L_RabCH_SP", "ed_L_RabCH_SP", 10, &F::cmbx_L_RabCH, &F::ed_L_RabCH,
         &F::cmbx_L_RabCH_SP, &F::ed_L_RabCH_SP, &F::cmbx_L_RabCHChange, &F::cmbx_L_RabCH_SPChange},
    };
    auto* g1 = new QGridLayout(GroupBox1);
    g1->setHorizontalSpacing(8);
    for (int r = 0; r < 4; ++r) {
        const RowLayout& s = layouts[r];
        CriterionRow& row = m_rows[r];
        row.compare = pickList(GroupBox1, s.compare, r == 0 ? compareDiam : compare, 0);
        row.value = valueBox(GroupBox1, s.value, s.maxLength);
        row.upper = pickList(GroupBox1, s.upper, upper, 0);
        row.upper->setVisible(false);
        row.upperValue = valueBox(GroupBox1, s.upperValue, s.maxLength);
        this->*s.compareMember = row.compare;
        this->*s.valueMember = row.value;
        this->*s.upperMember = row.upper;
        this->*s.upperValueMember = row.upperValue;
        auto* label = new QLabel(criterionLabel(r), GroupBox1);
        label->setBuddy(row.compare);
        g1->addWidget(label, r, 0);
        g1->addWidget(row.compare, r, 1);
        g1->addWidget(row.value, r, 2);
        g1->addWidget(row.upper, r, 3);
        g1->addWidget(row.upperValue, r, 4);
        connect(row.compare, &QComboBox::currentIndexChanged, this, s.compareChange);
        connect(row.upper, &QComboBox::currentIndexChanged, this, s.upperChange);
        for (QLineEdit* box : {row.value, row.upperValue})
            connect(box, &QLineEdit::textChanged, this, [this, box] { ed_ValueChange(box); });
    }
    cmbx_NZub = pickList(GroupBox1, "cmbx_NZub", compare, 0);
    QStringList teeth;
    for (int n = 1; n <= 8; ++n)
        teeth << QString::number(n);
    cmbx_NZub_Znach = pickList(GroupBox1, "cmbx_NZub_Znach", teeth, 1);
    cmbx_NZub_Znach->setVisible(false);
    auto* teethLabel = new QLabel(criterionLabel(N_Zub), GroupBox1);
    teethLabel->setBuddy(cmbx_NZub);
    g1->addWidget(teethLabel, 4, 0);
    g1->addWidget(cmbx_NZub, 4, 1);
    g1->addWidget(cmbx_NZub_Znach, 4, 2);
    g1->setColumnStretch(5, 1);
    connect(cmbx_NZub, &QComboBox::currentIndexChanged, this, &Tfrm_Filter_Sverla::cmbx_NZubChange);

    GroupBox2 = new QGroupBox(QStringLiteral("Дополнительные характеристики"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    cmbx_FirmList = new QComboBox(GroupBox2);
    cmbx_FirmList->setObjectName(QStringLiteral("cmbx_FirmList"));
    cmbx_FirmList->setMinimumWidth(220);
    chbx_ShowInstr = new QCheckBox(
        QStringLiteral("показывать только инструмент который есть в наличии (общее к-во > 0 )"), GroupBox2);
    chbx_ShowInstr->setObjectName(QStringLiteral("chbx_ShowInstr"));
    chbx_ShowInstrNEW = new QCheckBox(QStringLiteral("показывать только НОВЫЙ инструмент"), GroupBox2);
    chbx_ShowInstrNEW->setObjectName(QStringLiteral("chbx_ShowInstrNEW"));
    chbx_ShowInstrNEW->setEnabled(false);
    auto* firmLabel = new QLabel(QStringLiteral("Фирма производитель"), GroupBox2);
    firmLabel->setBuddy(cmbx_FirmList);
    auto* firmRow = new QHBoxLayout;
    firmRow->addWidget(firmLabel);
    firmRow->addWidget(cmbx_FirmList);
    firmRow->addStretch(1);
    auto* g2 = new QVBoxLayout(GroupBox2);
    g2->addLayout(firmRow);
    g2->addWidget(chbx_ShowInstr);
    g2->addWidget(chbx_ShowInstrNEW);
    connect(chbx_ShowInstr, &QCheckBox::toggled, this, &Tfrm_Filter_Sverla::chbx_ShowInstrClick);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    connect(BitBtn1, &QPushButton::clicked, this, &Tfrm_Filter_Sverla::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);

    auto* lay = new QVBoxLayout(this);
    lay->addWidget(GroupBox1);
    lay->addWidget(GroupBox2);
    lay->addLayout(buttons);
    // A fixed border: the size the controls need, all of them shown.
    setFixedSize(sizeHint());
}

void Tfrm_Filter_Sverla::FormShow()
{
    QueryReplaced = false;
    cmbx_FirmList->clear();
    cmbx_FirmList->addItem(QStringLiteral("Любая фирма"));
    RecordSet& firms = DM->tbl_Firma;
    if (firms.isOpen()) {
        const int id = firms.fieldIndex(QStringLiteral("ID"));
        const int name = firms.fieldIndex(QStringLiteral("Name"));
        for (int pos = 0; pos < firms.recordCount(); ++pos) {
            if (firms.state() == RecordSet::State::Insert && pos == firms.recordCount() - 1)
                break;   // a row being added has no ID yet
            cmbx_FirmList->addItem(firms.textAt(pos, name), firms.intAt(pos, id));
        }
    }
    cmbx_FirmList->setCurrentIndex(0);
    cmbx_DiamSv->setFocus();
}

void Tfrm_Filter_Sverla::comparisonChanged(int r)
{
    CriterionRow& row = m_rows[r];
    const int c = row.compare->currentIndex();
    row.value->setVisible(c != None);
    row.upperValue->setVisible(false);
    row.upper->setCurrentIndex(0);
    row.upper->setVisible(c == Greater);
}

void Tfrm_Filter_Sverla::upperChanged(int r)
{
    CriterionRow& row = m_rows[r];
    row.upperValue->setVisible(row.upper->currentIndex() == 1);
}

void Tfrm_Filter_Sverla::cmbx_NZubChange()
{
    cmbx_NZub_Znach->setVisible(cmbx_NZub->currentIndex() != None);
}

void Tfrm_Filter_Sverla::chbx_ShowInstrClick()
{
    chbx_ShowInstrNEW->setEnabled(chbx_ShowInstr->isChecked());
}

void Tfrm_Filter_Sverla::ed_ValueChange(QLineEdit* box)
{
    const QString text = box->text();
    QString kept;
    int cursor = box->cursorPosition();
    for (int i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if ((ch >= u'0' && ch <= u'9') || ch == u',')
            kept += ch;
        else if (ch == u'.')
            kept += QLatin1Char(',');
        else if (i < box->cursorPosition())
            --cursor;
    }
    if (kept != text) {
        const QSignalBlocker quiet(box);
        box->setText(kept);
        box->setCursorPosition(qMax(0, cursor));
    }
    QPalette p = box->palette();
    p.setColor(QPalette::Base, readsAsNumber(kept) ? QApplication::palette(box).color(QPalette::Base)
                                                   : QColor(255, 0, 0));
    box->setPalette(p);
}

SverlaFilter::Criteria Tfrm_Filter_Sverla::criteria() const
{
    Criteria c;
    for (int r = 0; r < 4; ++r) {
        const CriterionRow& row = m_rows[r];
        c.rows[r].compare = row.compare->currentIndex();
        c.rows[r].value = row.value->text();
        c.rows[r].upper = row.upper->currentIndex() == 1;
        c.rows[r].upperValue = row.upperValue->text();
    }
    c.teethCompare = cmbx_NZub->currentIndex();
    c.teeth = cmbx_NZub_Znach->currentText().toInt();
    if (cmbx_FirmList->currentIndex() > 0)
        c.firmId = cmbx_FirmList->currentData().toInt();
    c.inStock = chbx_ShowInstr->isChecked();
    c.newOnly = chbx_ShowInstrNEW->isChecked();
    return c;
}

void Tfrm_Filter_Sverla::BitBtn1Click()
{
    const Criteria c = criteria();
    // Only numbers go into the query text.
    if (const auto problem = check(c)) {
        Dialogs::error(this, problem->message);
        const CriterionRow& row = m_rows[problem->row];
        QLineEdit* box = problem->upper ? row.upperValue : row.value;
        box->setFocus();
        box->selectAll();
        return;
    }
    QString error;
    if (!applyQuery(DM->dtSet_Sverla, queryText(c), &error)) {
        // The list and its text stay as they were; the user may correct the
        // criteria and try again.
        Dialogs::error(this, error);
        return;
    }
    QueryReplaced = true;
    accept();
}
