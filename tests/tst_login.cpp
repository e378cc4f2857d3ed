// The login at the first showing of the main window: the account offered,
// the one attempt, and what a refused login leaves behind.
#include "Schema.h"
#include "tst_main_session.h"

#include <QProcess>
#include <QTemporaryDir>

struct Account {
    QString login;
    QString password;
    bool isDefault;
};
Q_DECLARE_METATYPE(QList<Account>)

class TestLogin : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QVERIFY(noWindowShown()); }

    void offeredAccount_data();
    void offeredAccount();
    void attempt_data();
    void attempt();
    void onlyAPersonLogsIn_data();
    void onlyAPersonLogsIn();
};

// Accounts are written in an order unlike their login order, so that a
// choice by table order shows.
void TestLogin::offeredAccount_data()
{
    QTest::addColumn<QList<Account>>("accounts");
    QTest::addColumn<QStringList>("expectedList");
    QTest::addColumn<QString>("expectedText");

    QTest::newRow("the administrator of a new database")
        << QList<Account>{{"Администратор", "123", true}} << QStringList{"Администратор"} << "Администратор";
    QTest::newRow("two defaults: the last in login order")
        << QList<Account>{{"Борисов", "1", true}, {"Андреев", "2", true}, {"Васильев", "3", false}}
        << QStringList{"Андреев", "Борисов", "Васильев"} << "Борисов";
    QTest::newRow("no default: the first in login order")
        << QList<Account>{{"Васильев", "1", false}, {"Андреев", "2", false}, {"Борисов", "3", false}}
        << QStringList{"Андреев", "Борисов", "Васильев"} << "Андреев";
    QTest::newRow("no accounts: nothing offered")
        << QList<Account>{} << QStringList{} << "";
}

void TestLogin::offeredAccount()
{
    QFETCH(QList<Account>, accounts);
    QFETCH(QStringList, expectedList);
    QFETCH(QString, expectedText);

    Session s;
    s.conn.exec("DELETE FROM Pasw_TBL");
    for (const Account& a : accounts)
        s.insert("Pasw_TBL", {{"Login", a.login}, {"Pasword", a.password}, {"Default", a.isDefault}});
    QVERIFY(s.create());

    QStringList list;
    QString text;
    bool masked = false;
    bool passwordFirst = false;
    s.user.onModal([&](QDialog* d) {
        auto* f = qobject_cast<Tfrm_Pasword*>(d);
        for (int i = 0; i < f->cmbx_LOGIN->count(); ++i)
            list << f->cmbx_LOGIN->itemText(i);
        text = f->cmbx_LOGIN->currentText();
        masked = f->ed_Password->echoMode() == QLineEdit::Password;
        passwordFirst = f->focusWidget() == f->ed_Password;
        QTest::mouseClick(f->btm_Cancel, Qt::LeftButton);
    });
    frm_Main->show();

    QCOMPARE(list, expectedList);
    QCOMPARE(text, expectedText);
    QVERIFY(masked);
    QVERIFY(passwordFirst);
    QCOMPARE(s.user.modalsShown(), QStringList{"frm_Pasword"});
}

void TestLogin::attempt_data()
{
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("setup");   // SQL on the file once the windows are made

    // The accounts: "Администратор" / "123" and "Кладовщик" / "Secret".
    QTest::newRow("administrator, right password") << "Администратор" << "123" << false << true << "";
    QTest::newRow("storekeeper, right password") << "Кладовщик" << "Secret" << false << true << "";
    QTest::newRow("administrator, wrong password") << "Администратор" << "1234" << false << false << "";
    QTest::newRow("password differing in letter case") << "Кладовщик" << "secret" << false << false << "";
    QTest::newRow("password with a trailing blank") << "Кладовщик" << "Secret " << false << false << "";
    QTest::newRow("another account's password") << "Кладовщик" << "123" << false << false << "";
    QTest::newRow("empty password") << "Кладовщик" << "" << false << false << "";
    QTest::newRow("login differing in letter case") << "администратор" << "123" << false << false << "";
    QTest::newRow("unknown login, empty password") << "Никто" << "" << false << false << "";
    QTest::newRow("empty login, empty password") << "" << "" << false << false << "";
    QTest::newRow("Выход with the right password typed") << "Администратор" << "123" << true << false << "";
    // Accounts that cannot be read are reported, and no login gets through.
    QTest::newRow("accounts unreadable") << "Администратор" << "123" << false << false << "DROP TABLE Pasw_TBL";
}

void TestLogin::attempt()
{
    QFETCH(QString, login);
    QFETCH(QString, password);
    QFETCH(bool, cancel);
    QFETCH(bool, accepted);
    QFETCH(QString, setup);

    Session s;
    s.insert("Pasw_TBL", {{"Login", "Кладовщик"}, {"Pasword", "Secret"}, {"Default", false}});
    QVERIFY(s.create());
    if (!setup.isEmpty())
        DM->ADOConnection1.exec(setup);
    const bool shown = s.showWithLogin(login, password, cancel);

    QCOMPARE(shown, accepted);
    QCOMPARE(s.user.unexpected(), 0);
    if (setup.isEmpty())
        QCOMPARE(frm_Main->loginFailed(), !accepted);
    if (accepted) {
        QVERIFY(s.user.shown().isEmpty());
        QCOMPARE(frm_Pasword->ResultWord, QString("OK"));
        QCOMPARE(frm_Pasword->LoginName, login);
        QCOMPARE(frm_Main->windowTitle(), "БД инструмента (Производство Ольмар). ОПЕРАТОР : " + login);
        frm_Main->close();
        return;
    }
    QCOMPARE(s.user.texts().last(), QString("Неверный пароль!"));
    if (setup.isEmpty()) {
        QCOMPARE(frm_Pasword->ResultWord, QString("CANCEL"));
        QCOMPARE(s.user.shown().size(), 1);
        QCOMPARE(s.user.shown().first().title, QString("Ошибка"));
        QCOMPARE(s.user.shown().first().icon, Dialogs::Icon::Error);
    } else {
        QVERIFY(s.user.texts().size() >= 2);
        QVERIFY(s.user.texts().first().contains("Pasw_TBL"));
    }
    // The program has ended: showing the window again neither shows it nor
    // offers a second attempt.
    frm_Main->show();
    QVERIFY(!frm_Main->isVisible());
    QCOMPARE(s.user.modalsShown(), QStringList{"frm_Pasword"});
}

// The program a storekeeper runs takes no login and no order from its
// environment: whatever variables it is started with, it waits at the login
// dialog and writes nothing beside the database. (The pictures of the
// README are made by a program of their own, tooldb-screenshots.)
void TestLogin::onlyAPersonLogsIn_data()
{
    QTest::addColumn<QStringList>("environment");   // "@" the folder it runs in
    QTest::addColumn<QString>("variable");          // a name the program does not even hold
    QTest::newRow("automatic login") << QStringList{"TOOLDB_AUTOLOGIN=123"} << "TOOLDB_AUTOLOGIN";
    QTest::newRow("screenshot tour") << QStringList{"TOOLDB_AUTOLOGIN=123", "TOOLDB_SCREENSHOTS=@/shots"}
                                     << "TOOLDB_SCREENSHOTS";
}

void TestLogin::onlyAPersonLogsIn()
{
    QFETCH(QStringList, environment);
    QFETCH(QString, variable);
    const QByteArray program = fileBytes(QStringLiteral(TOOLDB_EXE));
    QVERIFY(!program.isEmpty());
    QVERIFY2(!program.contains(variable.toLatin1()), qPrintable(variable));

    QTemporaryDir dir;
    createDatabase(dir.filePath("db_instr.db"), "123");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    for (QString e : environment) {
        e.replace("@", dir.path());
        env.insert(e.section('=', 0, 0), e.section('=', 1));
    }
    QProcess run;
    run.setProcessEnvironment(env);
    run.setWorkingDirectory(dir.path());
    run.start(QStringLiteral(TOOLDB_EXE), {});
    QVERIFY(run.waitForStarted());
    // Still at the login dialog a while later (a tour would have ended it).
    const bool ended = run.waitForFinished(3000);
    const QStringList written = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    if (!ended) {
        run.kill();
        run.waitForFinished();
    }
    QVERIFY2(!ended, qPrintable(QString("ended with %1: %2").arg(run.exitCode()).arg(QString::fromUtf8(run.readAllStandardError()))));
    for (const QString& f : written)
        QVERIFY2(f.startsWith("db_instr.db"), qPrintable(written.join(' ')));
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
