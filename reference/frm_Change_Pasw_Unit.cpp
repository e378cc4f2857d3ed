#include "frm_Change_Pasw_Unit.h"

#include "DM_Unit.h"
#include "DataAware.h"
#include "Dialogs.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

Tfrm_Change_Pasw* frm_Change_Pasw = nullptr;

Tfrm_Change_Pasw::Tfrm_Change_Pasw(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_Change_Pasw"));
    setWindowTitle(QStringLiteral("Смена пароля"));
    setDoneWord(QStringLiteral("OK"));

    Label1 = new QLabel(QStringLiteral("Имя пользователя"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    dbed_Login = new DBEdit(this);
    dbed_Login->setObjectName(QStringLiteral("dbed_Login"));
    dbed_Login->bind(&DM->tbl_Pasw, QStringLiteral("Login"));
    Label2 = new QLabel(QStringLiteral("Пароль: "), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    dbed_Pasw = new DBEdit(this);
    dbed_Pasw->setObjectName(QStringLiteral("dbed_Pasw"));
    dbed_Pasw->bind(&DM->tbl_Pasw, QStringLiteral("Pasword"));
    DBCheckBox1 = new DBCheckBox(QStringLiteral("Выбран по умолчанию"), this);
    DBCheckBox1->setObjectName(QStringLiteral("DBCheckBox1"));
    DBCheckBox1->bind(&DM->tbl_Pasw, QStringLiteral("Default"));

    bbtn_OK = new QPushButton(QStringLiteral("OK"), this);
    bbtn_OK->setObjectName(QStringLiteral("bbtn_OK"));
    bbtn_OK->setDefault(true);
    bbtn_OK->setAutoDefault(true);
    bbtn_Cancel = new QPushButton(QStringLiteral("Cancel"), this);
    bbtn_Cancel->setObjectName(QStringLiteral("bbtn_Cancel"));
    connect(bbtn_OK, &QPushButton::clicked, this, &Tfrm_Change_Pasw::bbtn_OKClick);
    connect(bbtn_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(Label1, dbed_Login);
    form->addRow(Label2, dbed_Pasw);
    form->addRow(QString(), DBCheckBox1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbtn_OK);
    buttons->addWidget(bbtn_Cancel);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(form);
    lay->addLayout(buttons);
    setFixedSize(380, 150);
}

void Tfrm_Change_Pasw::FormShow()
{
    ResultWord = QStringLiteral("CANCEL");
    dbed_Login->setFocus();
    dbed_Login->selectAll();
}

void Tfrm_Change_Pasw::bbtn_OKClick()
{
    const QString login = dbed_Login->text();
    if (login.isEmpty()) {
        Dialogs::error(this, QStringLiteral("Логин не может быть пустым"));
        dbed_Login->setFocus();
        return;
    }
    // "Администратор " would look like the administrator in the list and the caption.
    if (login.trimmed() != login) {
        Dialogs::error(this, QStringLiteral("Логин не может начинаться или заканчиваться пробелом"));
        dbed_Login->setFocus();
        return;
    }
    if (dbed_Pasw->text().isEmpty()) {
        Dialogs::error(this, QStringLiteral("Пароль не может быть пустым"));
        dbed_Pasw->setFocus();
        return;
    }
    // A login must name one account only: the login dialog could not tell two
    // accounts apart, and a second "Администратор" would gain its rights.
    RecordSet& pasw = DM->tbl_Pasw;
    const int loginField = pasw.fieldIndex(QStringLiteral("Login"));
    const int idField = pasw.fieldIndex(QStringLiteral("ID"));
    const int editedId = pasw.state() == RecordSet::State::Edit ? pasw.fieldByName(QStringLiteral("ID")).asInteger() : 0;
    const int rows = pasw.recordCount() - (pasw.state() == RecordSet::State::Insert ? 1 : 0);
    for (int pos = 0; pos < rows; ++pos) {
        if (editedId != 0 && pasw.intAt(pos, idField) == editedId)
            continue;   // the account being edited itself
        const QString other = pasw.isNullAt(pos, loginField) ? QString() : pasw.valueAt(pos, loginField).toString();
        if (other == login) {
            Dialogs::error(this, QStringLiteral("Учетная запись с логином \"%1\" уже есть. Укажите другой логин.").arg(login));
            dbed_Login->setFocus();
            return;
        }
    }
    ResultWord = QStringLiteral("OK");
    accept();
}
