#include "frm_GiveToWork_Unit.h"

#include "DM_Unit.h"
#include "DataAware.h"
#include "DbError.h"
#include "Dialogs.h"
#include "ImageBox.h"
#include "NumberListModel.h"
#include "PictureFile.h"
#include "ProgramFolder.h"
#include "StockParts.h"
#include "ToolKind.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStackedLayout>
#include <QVBoxLayout>

Tfrm_GiveToWork* frm_GiveToWork = nullptr;

namespace {

const char* const OperatorEmpty = "Поле \"ФИО оператора ЧПУ\" не может быть пустым!!!!";
const char* const QuantityNotPositive = "Поле \"Отдать\" не может быть меньше или равно 0!!!";
const char* const MoreThanStock = "Нельзя отдать инструмента больше чем есть в базе!!!";
const char* const NoStockAtAll = "Нельзя выдавать инструмент, которого нет в БД!!!";
// The message when the issue cannot be saved, by Kind.
const char* const Failures[ToolKindCount] = {
    "Возникла ошибка при попытке редактирования данных в таблице \"Dolgi\". Данные не сохранены!!!",
    "Возникла ошибка при попытке редактирования данных в таблице \"Dolgi\". Данные не сохранены!!!",
    "Возникла ошибка при попытке редактирования данных в таблице \"Dolgi or Derjavki\". Данные не сохранены!!!",
    "Возникла ошибка при попытке редактирования данных в таблице \"Dolgi or Plastiny\". Данные не сохранены!!!",
};
const char* const NomerNotInteger = "Поле \"№ записи\" должно содержать целое число!!!";

enum Count { NewCount, BuCount, DolgCount };
enum Type { TypeNew = 0, TypeBU = 1 };

// A record number as the box holds it: digits only, within the integer range.
bool nomerValue(const QString& text, int* value)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    bool ok = false;
    const int v = text.toInt(&ok);
    if (ok && value)
        *value = v;
    return ok;
}

DBEdit* characteristic(QGroupBox* g, QGridLayout* l, int row, const char* name, const char* label, ToolKind kind,
                       const char* field)
{
    auto* e = new DBEdit(g);
    e->setObjectName(QString::fromLatin1(name));
    e->setAlwaysReadOnly(true);
    e->setMinimumWidth(240);
    e->bind(&catalogueOf(*DM, kind), QString::fromLatin1(field));
    auto* caption = new QLabel(QString::fromUtf8(label), g);
    caption->setBuddy(e);
    l->addWidget(caption, row, 0, Qt::AlignRight);
    l->addWidget(e, row, 1);
    return e;
}

QLineEdit* readOnlyBox(QWidget* parent, const char* name, int width)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    if (width > 0)
        e->setFixedWidth(width);
    return e;
}

} // namespace

// ---------------------------------------------------------------------------

NomerZapEdit::NomerZapEdit(QWidget* parent) : QLineEdit(parent)
{
    // Whatever reaches the text (a paste, a drop) is filtered like typing.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& t) {
        const QString f = filtered(t);
        if (f != t) {
            const int pos = int(filtered(t.left(cursorPosition())).size());
            setText(f);
            setCursorPosition(pos);
            setModified(true);
        }
    });
}

QString NomerZapEdit::filtered(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            out += c;
        else if (c == QLatin1Char(',') || c == QLatin1Char('.'))
            out += QLatin1Char(',');
    }
    return out;
}

void NomerZapEdit::keyPressEvent(QKeyEvent* e)
{
    // ed_NomerZapKeyPress: Backspace is one of the characters not taken.
    if (e->key() == Qt::Key_Backspace && !(e->modifiers() & Qt::ControlModifier)) {
        e->accept();
        return;
    }
    const QString t = e->text();
    if (!t.isEmpty() && t.at(0).isPrint() && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        const QString f = filtered(t);
        if (f.isEmpty()) {
            e->accept();
            return;
        }
        if (f != t) {
            insert(f);
            e->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(e);
}

// ---------------------------------------------------------------------------

Tfrm_GiveToWork::Tfrm_GiveToWork(QWidget* parent) : TMovementForm(parent)
{
    setObjectName(QStringLiteral("frm_GiveToWork"));
    setWindowTitle(QStringLiteral("Отдать инструмент в работу"));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);

    // Characteristics: four groups in one place, the kind's alone visible.
    auto group = [this](const char* name) {
        auto* g = new QGroupBox(QStringLiteral("Характеристики инструмента"), this);
        g->setObjectName(QString::fromLatin1(name));
        return g;
    };
    grbox_Sverla = group("grbox_Sverla");
    auto* ls = new QGridLayout(grbox_Sverla);
    dbed_Kod = characteristic(grbox_Sverla, ls, 0, "dbed_Kod", "Код", ToolKind::Sverla, "Kod");
    dbed_Diam = characteristic(grbox_Sverla, ls, 1, "dbed_Diam", "Диаметр сверла", ToolKind::Sverla, "Diam_Sverla");
    dbed_LInstr = characteristic(grbox_Sverla, ls, 2, "dbed_LInstr", "Длина сверла", ToolKind::Sverla, "L_Instr");
    dbed_Firma = characteristic(grbox_Sverla, ls, 3, "dbed_Firma", "Фирма изготовитель", ToolKind::Sverla, "Name");

    grbox_Frezy = group("grbox_Frezy");
    auto* lf = new QGridLayout(grbox_Frezy);
    DBEdit1 = characteristic(grbox_Frezy, lf, 0, "DBEdit1", "Код", ToolKind::Frezy, "Kod");
    DBEdit2 = characteristic(grbox_Frezy, lf, 1, "DBEdit2", "Диаметр фрезы", ToolKind::Frezy, "Diam_Frez");
    DBEdit3 = characteristic(grbox_Frezy, lf, 2, "DBEdit3", "Длина фрезы", ToolKind::Frezy, "L_Instr");
    DBEdit4 = characteristic(grbox_Frezy, lf, 3, "DBEdit4", "Фирма изготовитель", ToolKind::Frezy, "Name");

    grbox_Derjavki = group("grbox_Derjavki");
    auto* ld = new QGridLayout(grbox_Derjavki);
    DBEdit5 = characteristic(grbox_Derjavki, ld, 0, "DBEdit5", "Код", ToolKind::Derj, "Kod");
    DBEdit6 = characteristic(grbox_Derjavki, ld, 1, "DBEdit6", "Наименование", ToolKind::Derj, "Derj_Name");
    DBEdit8 = characteristic(grbox_Derjavki, ld, 2, "DBEdit8", "Фирма изготовитель", ToolKind::Derj, "Name");
    ld->setRowStretch(3, 1);

    grbox_Plastini = group("grbox_Plastini");
    auto* lp = new QGridLayout(grbox_Plastini);
    DBEdit10 = characteristic(grbox_Plastini, lp, 0, "DBEdit10", "Наименование", ToolKind::Plast, "Naimenovanie");
    DBEdit7 = characteristic(grbox_Plastini, lp, 1, "DBEdit7", "Код", ToolKind::Plast, "Kod");
    DBEdit9 = characteristic(grbox_Plastini, lp, 2, "DBEdit9", "Фирма изготовитель", ToolKind::Plast, "Name");
    lp->setRowStretch(3, 1);

    auto* characteristics = new QWidget(this);
    characteristics->setObjectName(QStringLiteral("pnl_Characteristics"));
    auto* stack = new QStackedLayout(characteristics);
    stack->setStackingMode(QStackedLayout::StackAll);
    for (QGroupBox* g : {grbox_Sverla, grbox_Frezy, grbox_Derjavki, grbox_Plastini})
        stack->addWidget(g);

    // Parameters of the issue.
    GroupBox2 = new QGroupBox(QStringLiteral("Параметры передачи"), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    auto* lg = new QGridLayout(GroupBox2);
    ed_NomerZap = new NomerZapEdit(GroupBox2);
    ed_NomerZap->setObjectName(QStringLiteral("ed_NomerZap"));
    ed_NomerZap->setFixedWidth(100);
    DateTimePicker1 = new QDateEdit(GroupBox2);
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    DateTimePicker1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    DateTimePicker1->setCalendarPopup(true);
    DateTimePicker1->setMinimumDate(QDate(1899, 12, 30));
    DateTimePicker1->setFixedWidth(120);
    ed_FIOAdmin = readOnlyBox(GroupBox2, "ed_FIOAdmin", 0);
    cmbx_Type = new QComboBox(GroupBox2);
    cmbx_Type->setObjectName(QStringLiteral("cmbx_Type"));
    cmbx_Type->setEditable(false);
    cmbx_Type->addItems({QStringLiteral("Новый"), QStringLiteral("БУ")});
    cmbx_Type->setFixedWidth(100);
    ed_InstrSclad = readOnlyBox(GroupBox2, "ed_InstrSclad", 70);
    cmbx_K_vo_Otdat = new QComboBox(GroupBox2);
    cmbx_K_vo_Otdat->setObjectName(QStringLiteral("cmbx_K_vo_Otdat"));
    cmbx_K_vo_Otdat->setEditable(false);
    cmbx_K_vo_Otdat->setMaxVisibleItems(20);
    NumberListModel::of(cmbx_K_vo_Otdat);
    cmbx_K_vo_Otdat->setFixedWidth(80);
    QFont bold = cmbx_K_vo_Otdat->font();
    bold.setBold(true);
    cmbx_K_vo_Otdat->setFont(bold);
    ed_InstrOstatok = readOnlyBox(GroupBox2, "ed_InstrOstatok", 70);

    auto label = [this](const char* text, QWidget* buddy) {
        auto* l = new QLabel(QString::fromUtf8(text), GroupBox2);
        if (buddy)
            l->setBuddy(buddy);
        return l;
    };
    lg->addWidget(label("№ записи", ed_NomerZap), 0, 0, Qt::AlignRight);
    lg->addWidget(ed_NomerZap, 0, 1, Qt::AlignLeft);
    lg->addWidget(label("Дата передачи", DateTimePicker1), 1, 0, Qt::AlignRight);
    lg->addWidget(DateTimePicker1, 1, 1, Qt::AlignLeft);
    lg->addWidget(label("ФИО администратора БД (кто добавил запись)", ed_FIOAdmin), 2, 0, 1, 2, Qt::AlignLeft);
    lg->addWidget(ed_FIOAdmin, 3, 0, 1, 2);
    lg->addWidget(label("Отдать из:", cmbx_Type), 4, 0, Qt::AlignRight);
    lg->addWidget(cmbx_Type, 4, 1, Qt::AlignLeft);
    auto* counts = new QGridLayout;
    counts->addWidget(label("Есть", ed_InstrSclad), 0, 0, Qt::AlignCenter);
    counts->addWidget(label("Отдать", cmbx_K_vo_Otdat), 0, 2, Qt::AlignCenter);
    counts->addWidget(label("Останется", ed_InstrOstatok), 0, 4, Qt::AlignCenter);
    counts->addWidget(ed_InstrSclad, 1, 0);
    counts->addWidget(label("-", nullptr), 1, 1, Qt::AlignCenter);
    counts->addWidget(cmbx_K_vo_Otdat, 1, 2);
    counts->addWidget(label("=", nullptr), 1, 3, Qt::AlignCenter);
    counts->addWidget(ed_InstrOstatok, 1, 4);
    lg->addLayout(counts, 5, 0, 1, 2);

    // The operator.
    GroupBox3 = new QGroupBox(QStringLiteral("Оператор"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    auto* lo = new QVBoxLayout(GroupBox3);
    DBLookupComboBox1 = new DBLookupComboBox(GroupBox3);
    DBLookupComboBox1->setObjectName(QStringLiteral("DBLookupComboBox1"));
    DBLookupComboBox1->setListSource(&DM->tbl_People, QStringLiteral("ID"), QStringLiteral("FIO"));
    DBLookupComboBox1->setMinimumWidth(260);
    lo->addWidget(label("ФИО оператора ЧПУ", DBLookupComboBox1));
    lo->addWidget(DBLookupComboBox1);
    GroupBox4 = new QGroupBox(QStringLiteral("Фото"), GroupBox3);
    GroupBox4->setObjectName(QStringLiteral("GroupBox4"));
    auto* lfoto = new QVBoxLayout(GroupBox4);
    img_People = new ImageBox(GroupBox4);
    img_People->setObjectName(QStringLiteral("img_People"));
    img_People->setMinimumSize(200, 200);
    lfoto->addWidget(img_People);
    lo->addWidget(GroupBox4, 1);

    bbtn_OK = new QPushButton(QStringLiteral("OK"), this);
    bbtn_OK->setObjectName(QStringLiteral("bbtn_OK"));
    bbtn_OK->setDefault(true);
    bbtn_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    bbtn_Cancel->setObjectName(QStringLiteral("bbtn_Cancel"));

    auto* left = new QVBoxLayout;
    left->addWidget(characteristics);
    left->addWidget(GroupBox2);
    left->addStretch();
    auto* body = new QHBoxLayout;
    body->addLayout(left);
    body->addWidget(GroupBox3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bbtn_OK);
    buttons->addWidget(bbtn_Cancel);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(body, 1);
    lay->addLayout(buttons);
    lay->setSizeConstraint(QLayout::SetFixedSize);   // a fixed dialog border

    connect(cmbx_Type, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling)
            cmbx_TypeChange();
    });
    connect(cmbx_K_vo_Otdat, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_filling)
            cmbx_K_vo_OtdatChange();
    });
    connect(DBLookupComboBox1, &DBLookupComboBox::picked, this, &Tfrm_GiveToWork::DBLookupComboBox1Click);
    connect(ed_NomerZap, &QLineEdit::textChanged, this, &Tfrm_GiveToWork::ed_NomerZapChange);
    connect(bbtn_OK, &QPushButton::clicked, this, &Tfrm_GiveToWork::bbtn_OKClick);
    connect(bbtn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    // The order of the issue as a storekeeper makes it: who, from which
    // stock, how many, the number, the day.
    setFillOrder({DBLookupComboBox1, cmbx_Type, cmbx_K_vo_Otdat, ed_NomerZap, DateTimePicker1});
}

QString Tfrm_GiveToWork::failureOf(int kind)
{
    return kind >= 0 && kind < ToolKindCount ? QString::fromUtf8(Failures[kind]) : QString();
}

QColor Tfrm_GiveToWork::stockColor()
{
    return QApplication::palette().color(QPalette::Window);
}

QGroupBox* Tfrm_GiveToWork::kindGroup(int kind) const
{
    switch (kind) {
    case int(ToolKind::Sverla): return grbox_Sverla;
    case int(ToolKind::Frezy): return grbox_Frezy;
    case int(ToolKind::Derj): return grbox_Derjavki;
    case int(ToolKind::Plast): return grbox_Plastini;
    }
    return nullptr;
}

void Tfrm_GiveToWork::readStock()
{
    StockNew = StockBU = 0;
    try {
        if (const auto n = ops::readToolCounts(DM->ADOConnection1, toolKindByPage(Kind).value_or(ToolKind::Sverla), ToolID)) {
            StockNew = int(std::clamp<qint64>(n->fresh, 0, std::numeric_limits<int>::max()));
            StockBU = int(std::clamp<qint64>(n->used, 0, std::numeric_limits<int>::max()));
        }
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
    }
}

void Tfrm_GiveToWork::setBoxColor(QLineEdit* box, const QColor& c)
{
    QPalette p = box->palette();
    p.setColor(QPalette::Base, c);
    box->setPalette(p);
}

void Tfrm_GiveToWork::fillQuantities(int stock)
{
    m_filling = true;
    NumberListModel* numbers = NumberListModel::of(cmbx_K_vo_Otdat);
    numbers->setLast(stock);
    cmbx_K_vo_Otdat->setCurrentIndex(numbers->rowOf(numbers->last()));
    m_filling = false;
}

void Tfrm_GiveToWork::showStock(int stock)
{
    const bool some = stock > 0;
    bbtn_OK->setEnabled(some);
    cmbx_K_vo_Otdat->setEnabled(some);
    ed_InstrSclad->setText(QString::number(some ? stock : 0));
    setBoxColor(ed_InstrSclad, some ? stockColor() : noStockColor());
    fillQuantities(some ? stock : 0);
    updateLeft();
}

void Tfrm_GiveToWork::updateLeft()
{
    ed_InstrOstatok->setText(QString::number(ed_InstrSclad->text().toInt() - cmbx_K_vo_Otdat->currentText().toInt()));
}

bool Tfrm_GiveToWork::Prepare(int newCount, int buCount, const QString& loginName)
{
    int stock = 0;
    m_filling = true;
    if (newCount > 0) {
        cmbx_Type->setCurrentIndex(TypeNew);
        stock = newCount;
    } else if (buCount <= 0) {
        m_filling = false;
        Dialogs::error(parentWidget(), QString::fromUtf8(NoStockAtAll));
        return false;
    } else {
        cmbx_Type->setCurrentIndex(TypeBU);
        stock = buCount;
    }
    m_filling = false;
    showStock(stock);
    m_loginName = loginName;
    ed_FIOAdmin->setText(loginName);

    try {
        ed_NomerZap->setText(QString::number(ops::nextIssueNumber(DM->ADOConnection1)));
    } catch (const DbError& e) {
        Dialogs::error(parentWidget(), e.message());
        return false;
    }
    ResultWord.clear();
    return true;
}

void Tfrm_GiveToWork::FormShow()
{
    Stored = ops::Result();
    readStock();
    DateTimePicker1->setDate(QDate::currentDate());
    for (int k = 0; k < 4; ++k)
        kindGroup(k)->setVisible(false);
    if (QGroupBox* g = kindGroup(Kind))
        g->setVisible(true);
    img_People->hidePicture();
    // The page may have shown older counts than the row just read: the
    // quantities offered are those of the file.
    const int stock = cmbx_Type->currentIndex() == TypeBU ? StockBU : StockNew;
    if (stock != ed_InstrSclad->text().toInt() || (stock <= 0) == bbtn_OK->isEnabled())
        cmbx_TypeChange();
    updateLeft();
    DBLookupComboBox1->setFocus();
}

void Tfrm_GiveToWork::cmbx_TypeChange()
{
    showStock(cmbx_Type->currentIndex() == TypeBU ? StockBU : StockNew);
}

void Tfrm_GiveToWork::cmbx_K_vo_OtdatChange()
{
    updateLeft();
}

void Tfrm_GiveToWork::DBLookupComboBox1Click()
{
    const int key = DBLookupComboBox1->currentKey();
    RecordSet& people = DM->tbl_People;
    QString foto;
    if (people.isOpen()) {
        const int id = people.fieldIndex(QStringLiteral("ID")), f = people.fieldIndex(QStringLiteral("Foto"));
        for (int pos = 0, n = people.recordCount(); pos < n && id >= 0 && f >= 0; ++pos)
            if (people.intAt(pos, id) == key) {
                foto = people.textAt(pos, f);
                break;
            }
    }
    // Only a file inside the photo folder, named by its bare name, is opened.
    const QString path = pictureFileIn(peopleFolder(), foto);
    if (!path.isEmpty() && img_People->loadFile(path))
        img_People->show();
    else
        img_People->hidePicture();
}

void Tfrm_GiveToWork::ed_NomerZapChange()
{
    setBoxColor(ed_NomerZap, nomerValue(ed_NomerZap->text(), nullptr) ? QColor(255, 255, 255) : QColor(255, 0, 0));
}

void Tfrm_GiveToWork::showRefusal(const ops::Result& r)
{
    switch (r.refusal) {
    case ops::Refusal::NumberTaken:
        ed_NomerZap->setText(QString::number(r.nextNumber));
        ed_NomerZap->setFocus();
        break;
    case ops::Refusal::NotEnoughStock:
        // The lists offer what the file holds now.
        readStock();
        cmbx_TypeChange();
        cmbx_K_vo_Otdat->setFocus();
        break;
    case ops::Refusal::OperatorGone:
        try {
            DM->tbl_People.reread();
        } catch (const DbError& e) {
            Dialogs::error(this, e.message());
        }
        DBLookupComboBox1->setFocus();
        break;
    default:
        break;
    }
}

void Tfrm_GiveToWork::bbtn_OKClick()
{
    const int q = cmbx_K_vo_Otdat->currentText().toInt();
    const bool fromBU = cmbx_Type->currentIndex() == TypeBU;

    if (!DBLookupComboBox1->hasValue()) {
        Dialogs::error(this, QString::fromUtf8(OperatorEmpty));
        return;
    }
    if (q <= 0) {
        Dialogs::error(this, QString::fromUtf8(QuantityNotPositive));
        cmbx_K_vo_Otdat->setFocus();
        return;
    }
    if ((!fromBU && StockNew < q) || (fromBU && q > StockBU)) {
        Dialogs::error(this, QString::fromUtf8(MoreThanStock));
        cmbx_K_vo_Otdat->setFocus();
        return;
    }
    int nomer = 0;
    if (!nomerValue(ed_NomerZap->text(), &nomer)) {
        Dialogs::error(this, QString::fromUtf8(NomerNotInteger));
        ed_NomerZap->setFocus();
        return;
    }

    const ToolKind kind = toolKindByPage(Kind).value_or(ToolKind::Sverla);
    ops::IssueRequest req;
    req.kind = kind;
    req.toolId = ToolID;
    req.operatorId = DBLookupComboBox1->currentKey();
    req.quantity = q;
    req.fromUsed = fromBU;
    req.number = nomer;
    QDate date = DateTimePicker1->date();
    if (!(date > QDate(1899, 12, 30)))
        date = QDate::currentDate();
    req.date = date;
    req.login = m_loginName;
    const ops::Result r = ops::issue(DM->ADOConnection1, req);
    if (stock::finish(this, kind, r, failureOf(Kind))) {
        Stored = r;
        ResultWord = QStringLiteral("Done");
        accept();
        return;
    }
    // A tool gone leaves nothing to issue; otherwise the dialog offers what
    // the file allows now.
    if (r.refusal == ops::Refusal::ToolGone)
        reject();
    else
        showRefusal(r);
}
