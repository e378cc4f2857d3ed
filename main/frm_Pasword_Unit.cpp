#include "frm_Pasword_Unit.h"

#include "DbError.h"
#include "Dialogs.h"

#include "DM_Unit.h"
#include "ProgramFolder.h"
#include "frm_Main_Unit.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

Tfrm_Pasword* frm_Pasword = nullptr;

Tfrm_Pasword::Tfrm_Pasword(QWidget* parent) : TForm(parent)
{
    setObjectName(QStringLiteral("frm_Pasword"));
    setWindowTitle(QStringLiteral("Ввод пароля"));
    setModal(true);

    Label1 = new QLabel(QStringLiteral("Логин"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    cmbx_LOGIN = new QComboBox(this);
    cmbx_LOGIN->setObjectName(QStringLiteral("cmbx_LOGIN"));
    cmbx_LOGIN->setEditable(true);
    cmbx_LOGIN->setInsertPolicy(QComboBox::NoInsert);
    cmbx_LOGIN->setMinimumWidth(220);
    Label2 = new QLabel(QStringLiteral("Пароль"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    ed_Password = new QLineEdit(this);
    ed_Password->setObjectName(QStringLiteral("ed_Password"));
    ed_Password->setEchoMode(QLineEdit::Password);
    ed_Password->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));   // "*"
    btm_OK = new QPushButton(QStringLiteral("OK"), this);
    btm_OK->setObjectName(QStringLiteral("btm_OK"));
    btm_OK->setDefault(true);
    btm_Cancel = new QPushButton(QStringLiteral("Выход"), this);
    btm_Cancel->setObjectName(QStringLiteral("btm_Cancel"));

    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(cmbx_LOGIN, 0, 1);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(ed_Password, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btm_OK);
    buttons->addWidget(btm_Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);   // a fixed-size dialog
    setTabOrder(ed_Password, btm_OK);
    setTabOrder(btm_OK, btm_Cancel);
    setTabOrder(btm_Cancel, cmbx_LOGIN);

    connect(btm_OK, &QPushButton::clicked, this, &Tfrm_Pasword::btm_OKClick);
    connect(btm_Cancel, &QPushButton::clicked, this, &Tfrm_Pasword::btm_CancelClick);
    FormCreate();
}

void Tfrm_Pasword::FormCreate()
{
    setProgramFolder(QCoreApplication::applicationDirPath());
}

void Tfrm_Pasword::FormShow()
{
    ResultWord = QStringLiteral("CANCEL");
    RecordSet& pasw = DM->tbl_Pasw;
    try {
        pasw.open();
        pasw.setSort(QStringLiteral("Login"));
    } catch (const DbError& e) {
        // The accounts cannot be read: no login can succeed, and the
        // storekeeper learns why before "Неверный пароль!".
        Dialogs::error(this, e.message());
        return;
    }

    // The list is refilled; the typed text is left as it was.
    const QString typed = cmbx_LOGIN->currentText();
    cmbx_LOGIN->clear();
    cmbx_LOGIN->setEditText(typed);
    const int fLogin = pasw.fieldIndex(QStringLiteral("Login"));
    const int fDefault = pasw.fieldIndex(QStringLiteral("Default"));
    int selected = -1;
    for (int pos = 0; pos < pasw.recordCount(); ++pos) {
        cmbx_LOGIN->addItem(pasw.textAt(pos, fLogin));
        if (pasw.boolAt(pos, fDefault))
            selected = pos;   // the last default account in login order wins
    }
    if (selected < 0 && cmbx_LOGIN->count() > 0)
        selected = 0;
    if (selected >= 0)
        cmbx_LOGIN->setCurrentIndex(selected);
    pasw.close();

    if (const QScreen* screen = this->screen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    ed_Password->setFocus();
}

void Tfrm_Pasword::btm_OKClick()
{
    const QString login = cmbx_LOGIN->currentText();
    RecordSet& pasw = DM->tbl_Pasw;
    bool found = false;
    QString password;
    try {
        pasw.open();
        found = pasw.locate(QStringLiteral("Login"), login);
        password = found ? pasw.fieldByName(QStringLiteral("Pasword")).asString() : QString();
        pasw.close();
    } catch (const DbError& e) {
        Dialogs::error(this, e.message());
        found = false;
    }

    LoginName = login;
    if (frm_Main)
        frm_Main->setWindowTitle(QStringLiteral("БД инструмента (Производство Ольмар). ОПЕРАТОР : ") + LoginName);
    if (found && ed_Password->text() == password)
        ResultWord = QStringLiteral("OK");
    close();
}

void Tfrm_Pasword::btm_CancelClick()
{
    close();
}
