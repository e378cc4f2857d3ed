// The start of the program and the main window: the first run, a file that
// is not our database, the record count, the menu commands of the main
// window, the pictures and count boxes that follow the current rows.
#include "Consistency.h"
#include "DataAware.h"
#include "DbError.h"
#include "Dialogs.h"
#include "Form.h"
#include "ImageBox.h"
#include "ProgramFolder.h"
#include "RecordSet.h"
#include "Schema.h"
#include "ToolKind.h"
#include "frm_About_Unit.h"
#include "frm_Firm_List_Unit.h"
#include "frm_People_Unit.h"
#include "tst_main_session.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Runs SQL on a file through the plain engine, outside the program's checks.
void rawExec(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    QVERIFY(sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK);
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(sql));
}

// Runs the current folder at dir for one scope.
struct CurrentFolder {
    explicit CurrentFolder(const QString& dir) : m_old(QDir::currentPath()) { QDir::setCurrent(dir); }
    ~CurrentFolder() { QDir::setCurrent(m_old); }
    QString m_old;
};

QStringList captions(const QMenu* menu)
{
    QStringList out;
    for (const QAction* a : menu->actions())
        out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

} // namespace

class TestMain : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QVERIFY(noWindowShown()); }

    void firstRun_data();
    void firstRun();
    void notOurDatabase_data();
    void notOurDatabase();
    void firstRunOnServer_data();
    void firstRunOnServer();
    void unwritableDatabase_data();
    void unwritableDatabase();
    void recordCount_data();
    void recordCount();
    void recordCountAfterFilterAndListWindow();
    void subWindowsInTheRealModalLoop_data();
    void subWindowsInTheRealModalLoop();
    void changePassword_data();
    void changePassword();
    void aboutAndExit();
    void contextMenus_data();
    void contextMenus();
    void followTheRow();
    void fitsSmallScreen();
    void crashLeftAJournal();
    void keyboard_data();
    void keyboard();
    void othersChangesShowByThemselves();
    void databaseName_data();
    void databaseName();
};

// ---------------------------------------------------------------------------

void TestMain::firstRun_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("typed");   // "\x01" = the user cancels the password box
    QTest::addColumn<bool>("created");
    QTest::addColumn<QStringList>("messages");

    const QStringList createdInfo{"Новая база данных создана. Войдите под именем \"Администратор\" с заданным паролем."};
    QTest::newRow("Yes, the same password twice") << true << QStringList{"Пароль1", "Пароль1"} << true << createdInfo;
    QTest::newRow("Yes, passwords differ, then agree")
        << true << QStringList{"abc", "abd", "abc", "abc"} << true
        << QStringList{"Пароли не совпадают.", createdInfo.first()};
    QTest::newRow("Yes, empty password, then one")
        << true << QStringList{"", "abc", "abc"} << true << QStringList{"Пароль не может быть пустым.", createdInfo.first()};
    QTest::newRow("Yes, then the password given up") << true << QStringList{"\x01"} << false << QStringList{};
    QTest::newRow("Yes, the repetition given up") << true << QStringList{"abc", "\x01"} << false << QStringList{};
    QTest::newRow("No") << false << QStringList{} << false << QStringList{};
}

void TestMain::firstRun()
{
    QFETCH(bool, yes);
    QFETCH(QStringList, typed);
    QFETCH(bool, created);
    QFETCH(QStringList, messages);

    QTemporaryDir dir;
    CurrentFolder here(dir.path());
    ScriptedUser user;
    user.answer(yes);
    for (const QString& t : typed)
        user.typeText(t == "\x01" ? QString() : t, t != "\x01");

    const bool go = Program::EnsureDatabase(Program::databaseFile());

    QCOMPARE(go, created);
    // The database is looked up, and created, in the current folder.
    QCOMPARE(QFileInfo::exists(dir.filePath("db_instr.db")), created);
    QCOMPARE(user.shown().first().kind, ScriptedUser::Shown::Question);
    QVERIFY(user.shown().first().text.contains("Создать новую базу данных?"));
    QStringList rest = user.texts();
    rest.removeFirst();
    QCOMPARE(rest, messages);
    QCOMPARE(user.unexpected(), 0);
    if (!created)
        return;

    // The administrator logs in with the password just given.
    const QString password = typed.last();
    QVERIFY(Program::CreateWindows(Program::databaseFile()));
    user.onModal([&](QDialog* d) {
        auto* f = qobject_cast<Tfrm_Pasword*>(d);
        QCOMPARE(f->cmbx_LOGIN->currentText(), QString("Администратор"));
        f->ed_Password->setText(password);
        QTest::mouseClick(f->btm_OK, Qt::LeftButton);
    });
    frm_Main->show();
    QVERIFY(frm_Main->isVisible());
    QCOMPARE(frm_Main->statusPanelText(0), QString(" Всего записей : 0"));
    Program::DestroyWindows();
}

void TestMain::firstRunOnServer_data()
{
    QTest::addColumn<QString>("holds");   // SQL run in the new database first
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("opens");      // the windows come up on it afterwards
    QTest::newRow("empty, Yes") << QString() << true << true << true;
    QTest::newRow("empty, No") << QString() << false << true << false;
    QTest::newRow("another program's table") << "CREATE TABLE notes (id integer)" << true << false << false;
}

// A server database its administrator has just made gets the same offer
// as a missing file; one holding anything else is never written to.
void TestMain::firstRunOnServer()
{
    QFETCH(QString, holds);
    QFETCH(bool, yes);
    QFETCH(bool, asked);
    QFETCH(bool, opens);
    const QString server = qEnvironmentVariable("TOOLDB_TEST_PG");
    if (server.isEmpty())
        QSKIP("no test server (TOOLDB_TEST_PG): run the suite through tools/with-postgres.sh");
    static int made = 0;
    const QString schema = QStringLiteral("first_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
    Connection admin;
    admin.open(server, false);
    admin.exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE; CREATE SCHEMA %1").arg(schema));
    const QString uri = server + QStringLiteral("&options=-csearch_path%3D") + schema;
    if (!holds.isEmpty()) {
        Connection c;
        c.open(uri, false);
        c.exec(holds);
    }
    ScriptedUser user;
    user.answer(yes);
    user.typeText("Пароль1", true);
    user.typeText("Пароль1", true);
    QCOMPARE(Program::EnsureDatabase(uri), !asked || yes);
    QCOMPARE(!user.shown().isEmpty() && user.shown().first().kind == ScriptedUser::Shown::Question, asked);
    if (asked)
        QVERIFY2(user.shown().first().text.contains("Создать в ней таблицы программы?"), qPrintable(user.texts().join('\n')));
    if (!asked || yes) {
        const bool created = Program::CreateWindows(uri);
        QCOMPARE(created, opens);
        if (created)
            Program::DestroyWindows();
        else
            QVERIFY2(user.lastText().contains("нет таблиц программы"), qPrintable(user.lastText()));
    }
    admin.exec(QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema));
}

void TestMain::notOurDatabase_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("says");     // part of the one message
    // What each kind of foreign or damaged file says is checked where the
    // file is opened; here the window's part: one message, no window made.
    QTest::newRow("a text file") << QByteArray("Это не база данных.\n") << QStringLiteral("не является базой данных программы");
}

void TestMain::notOurDatabase()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, says);
    QTemporaryDir dir;
    CurrentFolder here(dir.path());
    QVERIFY(writeFile(dir.filePath("db_instr.db"), content));
    ScriptedUser user;
    // The file exists: no question about a new database.
    QVERIFY(Program::EnsureDatabase(Program::databaseFile()));
    QVERIFY(!Program::CreateWindows(Program::databaseFile()));

    QCOMPARE(user.shown().size(), 1);
    QVERIFY2(user.lastText().contains(says), qPrintable(user.lastText()));
    QCOMPARE(user.shown().first().title, QString("Ошибка"));
    QCOMPARE(user.shown().first().icon, Dialogs::Icon::Error);
    QVERIFY(!frm_Main);
    QVERIFY(!frm_Pasword);
    QVERIFY(!DM);
    QCOMPARE(fileBytes(dir.filePath("db_instr.db")), content);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"db_instr.db"});
}

// A folder or a file the program may not write: said at start, in those
// words, and the file is left as it was. Permissions bind only an ordinary
// user: run as root, the opening runs in a child process that has become
// "nobody".
void TestMain::unwritableDatabase_data()
{
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<bool>("fileWritable");
    QTest::addColumn<QString>("says");
    QTest::newRow("read-only folder") << false << true << QStringLiteral("нельзя записывать");
    QTest::newRow("read-only file") << true << false << QStringLiteral("доступен только для чтения");
    QTest::newRow("both writable") << true << true << QString();
}

void TestMain::unwritableDatabase()
{
    QFETCH(bool, folderWritable);
    QFETCH(bool, fileWritable);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const QString path = dir.filePath("db_instr.db");
    createDatabase(path, "123");
    rawExec(path, "PRAGMA journal_mode=DELETE");   // as copied from elsewhere: a rollback journal, nothing beside it
    const QByteArray before = fileBytes(path);
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther |
                                            (fileWritable ? QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther
                                                          : QFile::Permissions())));
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                                  QFile::ReadOther | QFile::ExeOther |
                                                  (folderWritable ? QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther
                                                                  : QFile::Permissions())));
    auto open = [&]() -> QString {
        try {
            Connection c;
            c.open(path);
            return QStringLiteral("opened");
        } catch (const DbError& e) {
            return e.message();
        }
    };
    QString message;
    if (geteuid() != 0) {
        message = open();
    } else {
        int fds[2];
        QVERIFY(pipe(fds) == 0);
        const pid_t child = fork();
        if (child == 0) {
            ::close(fds[0]);
            int rc = 1;
            if (setgid(65534) == 0 && setuid(65534) == 0) {
                const QByteArray m = open().toUtf8();
                rc = ::write(fds[1], m.constData(), size_t(m.size())) == m.size() ? 0 : 1;
            }
            _exit(rc);
        }
        ::close(fds[1]);
        QByteArray got;
        char buf[512];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
            got.append(buf, n);
        ::close(fds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        QVERIFY(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        message = QString::fromUtf8(got);
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (says.isEmpty()) {
        QCOMPARE(message, QStringLiteral("opened"));
        return;
    }
    QVERIFY2(message.contains(says), qPrintable(message));
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"db_instr.db"});
}

// ---------------------------------------------------------------------------

void TestMain::recordCount_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("expected");
    QTest::newRow("drills") << 0 << " Всего записей : 3";
    QTest::newRow("milling cutters") << 1 << " Всего записей : 2";
    QTest::newRow("insert holders") << 2 << " Всего записей : 1";
    QTest::newRow("inserts, none") << 3 << " Всего записей : 0";
    // Only the debts the debts list shows: the one whose operator is gone is not counted.
    QTest::newRow("debts") << 4 << " Всего записей : 2";
}

void TestMain::recordCount()
{
    QFETCH(int, page);
    QFETCH(QString, expected);

    Session s;
    const qint64 d1 = s.drill("A", 1, 1, 0);
    s.drill("B", 2, 1, 0);
    s.drill("C", 3, 1, 0);
    const qint64 f = s.firm("Iscar");
    const qint64 fr = s.insert("Frezy", {{"Kod", "F1"}, {"ID_Firma", f}, {"K_vo_New", 1}, {"K_vo_BU", 0}});
    s.insert("Frezy", {{"Kod", "F2"}, {"ID_Firma", f}, {"K_vo_New", 1}, {"K_vo_BU", 0}});
    s.insert("Derj_Plast", {{"Name", "H1"}, {"KOD", "H1"}, {"ID_Firma", f}});
    // A cutter whose firm is missing does not appear.
    s.insert("Frezy", {{"Kod", "F3"}, {"ID_Firma", 999}});
    const qint64 p = s.person("Иванов И. И.");
    s.debt(1, 1, d1, p, false);
    s.debt(2, 3, fr, p, true);
    s.debt(3, 1, d1, 999, false);
    QVERIFY(s.start());

    QCOMPARE(frm_Main->statusPanelText(0), QString(" Всего записей : 3"));
    frm_Main->PageControl_Main->setCurrentIndex(page);
    QCOMPARE(frm_Main->statusPanelText(0), expected);
    frm_Main->PageControl_Main->setCurrentIndex(0);
    QCOMPARE(frm_Main->statusPanelText(0), QString(" Всего записей : 3"));
    QCOMPARE(frm_Main->statusPanelText(2), QString("  Версия программы 0.0.4   (Сборка 0025)  "));
}

// A file in the rollback journal whose writer crashed mid-transaction: the
// file holds some of the changes and the journal beside it the pages to put
// back. The program rolls it back (checking a copy first), says so, and
// shows the rows as they were before the unfinished transaction.
void TestMain::crashLeftAJournal()
{
    Session s;
    for (int i = 1; i <= 300; ++i)
        s.drill(QStringLiteral("K%1").arg(i), i, 5, 1);
    s.conn.close();
    QTemporaryDir crashed;
    const QString copy = crashed.filePath("db_instr.db");
    {
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(s.db.path()).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr), SQLITE_OK);
        // Pages go out to the file before the commit (a tiny cache): the
        // journal is written and synced first.
        QCOMPARE(sqlite3_exec(db, "PRAGMA cache_size=2; BEGIN; UPDATE Sverla SET K_vo_New = 99, Prim = "
                                  "hex(randomblob(200));", nullptr, nullptr, nullptr), SQLITE_OK);
        // The crash: the file and its journal as they are at this moment.
        QVERIFY(QFile::copy(s.db.path(), copy));
        QVERIFY(QFile::copy(s.db.path() + "-journal", copy + "-journal"));
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    QVERIFY(QFileInfo(copy + "-journal").size() > 0);
    QVERIFY(Program::CreateWindows(copy));
    QCOMPARE(s.user.texts().size(), 1);
    QVERIFY2(s.user.texts().first().contains("Незаконченные изменения отменены"), qPrintable(s.user.texts().first()));
    QCOMPARE(DM->dtSet_Sverla.recordCount(), 300);
    QCOMPARE(DM->ADOConnection1.scalar("SELECT COUNT(*) FROM Sverla WHERE K_vo_New = 5"), 300);
    QCOMPARE(consistencyOfFile(copy), QStringList());
}

void TestMain::keyboard_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("order");   // the Tab chain's beginning, from the box that has the focus
    auto words = [](const char* t) { return QString::fromLatin1(t).split(' ', Qt::SkipEmptyParts); };
    QTest::newRow("issue") << "issue"
                           << words("DBLookupComboBox1 cmbx_Type cmbx_K_vo_Otdat ed_NomerZap DateTimePicker1 bbtn_OK "
                                    "bbtn_Cancel");
    QTest::newRow("return") << "return" << words("cmbx_K_vo_NEW cmbx_K_vo_BU BitBtn1 BitBtn2");
    for (const char* c : {"receipt", "write-off", "transfer", "add drill", "edit drill", "add cutter", "add holder",
                          "add insert", "operator", "firm", "password"})
        QTest::newRow(c) << c << QStringList();
}

// Every dialog opens with the focus in its first box to fill; Tab goes
// through the boxes in the order they are filled, then the buttons, and
// never stops on a box that cannot be changed.
void TestMain::keyboard()
{
    QFETCH(QString, command);
    QFETCH(QStringList, order);
    Session s;
    const qint64 d = s.drill("K1", 5, 4, 2);
    const qint64 p = s.person("Иванов И. И.");
    s.debt(1, 1, d, p, false, 1);
    QVERIFY(s.start());
    QStringList names;
    QString problem;
    auto look = [&](QDialog* dialog) {
        auto* f = qobject_cast<TForm*>(dialog);
        if (!f) {
            problem = "not a form";
            return;
        }
        const QList<QWidget*> chain = f->tabChain();
        QWidget* first = f->focusWidget();
        if (first && !chain.contains(first) && first->parentWidget())
            first = first->parentWidget();   // the line edit inside a combo or spin box
        if (!first || qobject_cast<QAbstractButton*>(first) || !chain.contains(first))
            problem = "opens on " + (first ? first->objectName() : QStringLiteral("nothing"));
        const int start = qMax(0, int(chain.indexOf(first)));
        for (int i = 0; i < chain.size(); ++i) {
            QWidget* w = chain[(start + i) % chain.size()];
            names << w->objectName();
            if (auto* line = qobject_cast<QLineEdit*>(w); line && line->isReadOnly())
                problem = "Tab stops on the read-only " + w->objectName();
        }
    };
    if (command == "operator" || command == "firm") {
        // The editor opens from its list window.
        s.user.onModal([&](QDialog* list) {
            s.user.onModal([&](QDialog* editor) {
                look(editor);
                editor->reject();
            });
            if (command == "operator")
                frm_People->spbt_People_NewClick();
            else
                frm_Firm_List->spbt_Firm_NewClick();
            list->close();
        });
        Dialogs::showModal(command == "operator" ? static_cast<QDialog*>(frm_People) : frm_Firm_List);
    } else {
        s.user.onModal([&](QDialog* dialog) {
            look(dialog);
            dialog->reject();
        });
        const QMap<QString, std::function<void()>> commands{
            {"issue", [] { frm_Main->GiveToWork(ToolKind::Sverla); }},
            {"receipt", [] { frm_Main->PrihodCommand(ToolKind::Sverla); }},
            {"write-off", [] { frm_Main->SpisatCommand(ToolKind::Sverla); }},
            {"transfer", [] { frm_Main->PerBUCommand(ToolKind::Sverla); }},
            {"add drill", [] { frm_Main->AddTool(ToolKind::Sverla); }},
            {"edit drill", [] { frm_Main->EditTool(ToolKind::Sverla); }},
            {"add cutter", [] { frm_Main->AddTool(ToolKind::Frezy); }},
            {"add holder", [] { frm_Main->AddTool(ToolKind::Derj); }},
            {"add insert", [] { frm_Main->AddTool(ToolKind::Plast); }},
            {"password", [] { frm_Main->mm_Pasw->trigger(); }},
            {"return", [] {
                 frm_Main->PageControl_Main->setCurrentIndex(Tfrm_Main::PageDolgi);
                 frm_Main->pm_Dolgi_ReturnClick();
             }},
        };
        commands.value(command)();
    }
    QVERIFY2(!names.isEmpty(), "no dialog shown");
    QVERIFY2(problem.isEmpty(), qPrintable(problem + ": " + names.join(' ')));
    QVERIFY2(names.mid(0, order.size()) == order, qPrintable(names.join(' ')));
    QCOMPARE(s.user.unexpected(), 0);
}

// What another copy writes appears on the page showing by itself, the
// current row kept; never while a dialog of this copy is open.
void TestMain::othersChangesShowByThemselves()
{
    Session s;
    s.drill("K1", 1, 5, 0);
    const qint64 second = s.drill("K2", 2, 7, 0);
    QVERIFY(s.start());
    RecordSet& drills = DM->dtSet_Sverla;
    QVERIFY(drills.locate("ID", int(second)));
    Connection other;
    other.open(s.db.path());
    other.exec(QStringLiteral("UPDATE Sverla SET K_vo_New = 70 WHERE ID = %1").arg(second));
    QTRY_COMPARE_WITH_TIMEOUT(drills.fieldByName("K_vo_New").asInteger(), 70, 5000);
    QCOMPARE(drills.fieldByName("ID").asInteger(), int(second));
    // A new tool of the other copy, while a dialog is open here: the page
    // waits until it is closed.
    bool unchangedMeanwhile = false;
    s.user.onModal([&](QDialog* d) {
        other.exec(QStringLiteral("INSERT INTO Sverla (Kod, ID_Firma, K_vo_New, K_vo_BU) VALUES ('K3', 1, 1, 0)"));
        QTest::qWait(2 * Tfrm_Main::followIntervalMs + 200);
        unchangedMeanwhile = drills.recordCount() == 2;
        d->reject();
    });
    frm_Main->PrihodCommand(ToolKind::Sverla);
    QVERIFY(unchangedMeanwhile);
    QTRY_COMPARE_WITH_TIMEOUT(drills.recordCount(), 3, 5000);
    QCOMPARE(frm_Main->statusPanelText(0), QString(" Всего записей : 3"));
    QCOMPARE(drills.fieldByName("ID").asInteger(), int(second));
}

void TestMain::databaseName_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("userSettings");      // tooldb.conf in the user's folder ("-": none)
    QTest::addColumn<QString>("programSettings");   // tooldb.conf beside the program ("-": none)
    QTest::addColumn<QString>("name");              // "!": an error
    const QString server = "postgresql://kladovshik@sklad-srv/tooldb?sslmode=require";
    QTest::newRow("nothing: the file in the current folder") << QStringList{"tooldb"} << "-" << "-" << "db_instr.db";
    QTest::newRow("beside the program") << QStringList{"tooldb"} << "-" << "database=" + server << server;
    QTest::newRow("the user's own comes first") << QStringList{"tooldb"} << "database=/srv/a.db"
                                                << "database=" + server << "/srv/a.db";
    QTest::newRow("the command line comes first") << QStringList{"tooldb", "--database", "/tmp/b.db"}
                                                  << "database=/srv/a.db" << "database=" + server << "/tmp/b.db";
    QTest::newRow("--database=NAME") << QStringList{"tooldb", "--database=" + server} << "-" << "-" << server;
    QTest::newRow("--database without a name") << QStringList{"tooldb", "--database"} << "-" << "-" << "!";
    QTest::newRow("a settings file without the name") << QStringList{"tooldb"} << "-" << "[other]\nx=1" << "!";
}

// Which database the program opens: the command line, the user's settings,
// the settings beside the program, the file in the current folder.
void TestMain::databaseName()
{
    QFETCH(QStringList, args);
    QFETCH(QString, userSettings);
    QFETCH(QString, programSettings);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString config = dir.filePath("config"), program = dir.filePath("program");
    QVERIFY(QDir().mkpath(config + "/tooldb") && QDir().mkpath(program));
    if (userSettings != "-")
        QVERIFY(writeFile(config + "/tooldb/tooldb.conf", userSettings.toUtf8() + "\n"));
    if (programSettings != "-")
        QVERIFY(writeFile(program + "/tooldb.conf", programSettings.toUtf8() + "\n"));
    QString error;
    const QString got = Program::databaseName(args, program, config, &error);
    if (name == "!") {
        QVERIFY(got.isEmpty());
        QVERIFY(!error.isEmpty());
    } else {
        QCOMPARE(got, name);
        QVERIFY(error.isEmpty());
    }
}

// The main window fits a 1024x768 screen (less a panel of the desktop) on
// every page, and nothing of a page is cut off there.
void TestMain::fitsSmallScreen()
{
    Session s;
    s.drill("K1", 1, 1, 1);
    QVERIFY(s.start());
    frm_Main->resize(1024, 720);
    for (int page = 0; page < frm_Main->PageControl_Main->count(); ++page) {
        frm_Main->PageControl_Main->setCurrentIndex(page);
        QCoreApplication::processEvents();
        const QSize min = frm_Main->minimumSizeHint().expandedTo(frm_Main->minimumSize());
        QVERIFY2(min.width() <= 1024 && min.height() <= 720,
                 qPrintable(QStringLiteral("page %1 needs %2x%3").arg(page).arg(min.width()).arg(min.height())));
        QVERIFY2(frm_Main->width() <= 1024, qPrintable(QString::number(frm_Main->width())));
        // Every box of the page's detail panel lies inside the window.
        QWidget* pageWidget = frm_Main->PageControl_Main->currentWidget();
        for (QLineEdit* e : pageWidget->findChildren<QLineEdit*>()) {
            if (!e->isVisibleTo(frm_Main))
                continue;
            const QRect r(e->mapTo(frm_Main, QPoint(0, 0)), e->size());
            QVERIFY2(frm_Main->rect().contains(r),
                     qPrintable(QStringLiteral("page %1: %2 at %3,%4 %5x%6").arg(page).arg(e->objectName())
                                    .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height())));
        }
    }
}

void TestMain::recordCountAfterFilterAndListWindow()
{
    Session s;
    for (int i = 1; i <= 5; ++i)
        s.drill(QString("K%1").arg(i), i, 1, 1);
    QVERIFY(s.start());
    QCOMPARE(frm_Main->statusPanelText(0), QString(" Всего записей : 5"));

    DM->dtSet_Sverla.setFilter("ID=2");
    DM->dtSet_Sverla.setFiltered(true);

    // The operators list hides the main window; showing it again counts the
    // rows that pass the filter, without a second login.
    bool mainHidden = false;
    s.user.onModal([&](QDialog* d) {
        QCOMPARE(d, static_cast<QDialog*>(frm_People));
        mainHidden = !frm_Main->isVisible();
    });
    frm_Main->mm_Tabl_People->trigger();
    QVERIFY(mainHidden);
    QVERIFY(frm_Main->isVisible());
    QCOMPARE(s.user.modalsShown(), (QStringList{"frm_Pasword", "frm_People"}));
    QCOMPARE(frm_Main->statusPanelText(0), QString(" Всего записей : 1"));

    DM->dtSet_Sverla.setFiltered(false);
    frm_Main->PageControl_Main->setCurrentIndex(4);
    frm_Main->PageControl_Main->setCurrentIndex(0);
    QCOMPARE(frm_Main->statusPanelText(0), QString(" Всего записей : 5"));
}

// Every path on which a window makes way for a sub-window, played by a
// person inside the program's real modal loop: afterwards the main window is
// shown, enabled, and no window is left modal (a hidden one would block it).
void TestMain::subWindowsInTheRealModalLoop_data()
{
    QTest::addColumn<QString>("menu");      // menu item or tool-bar button that opens the window
    QTest::addColumn<QString>("button");    // its button opening the editor; empty: none
    QTest::addColumn<QString>("type");      // "box=text" typed into the editor first
    QTest::addColumn<QString>("close");     // how the editor (or window) is left: a button, or "Esc"
    QTest::addColumn<bool>("hides");        // the window hides itself while its editor is shown
    QTest::newRow("operators: edit, Отмена") << "mm_Tabl_People" << "spbt_People_Edit" << "" << "BitBtn2" << true;
    QTest::newRow("operators: edit, Esc") << "mm_Tabl_People" << "spbt_People_Edit" << "" << "Esc" << true;
    QTest::newRow("operators: add, Отмена") << "mm_Tabl_People" << "spbt_People_New" << "" << "BitBtn2" << true;
    QTest::newRow("operators: add, OK") << "mm_Tabl_People" << "spbt_People_New" << "dbed_FIO=Novikov"
                                        << "BitBtn1" << true;
    QTest::newRow("operators: edit, OK") << "mm_Tabl_People" << "spbt_People_Edit" << "" << "BitBtn1" << true;
    QTest::newRow("firms: edit, Отмена") << "mm_Tabl_Firm" << "spbt_Firm_Edit" << "" << "bbtn_Cancel" << true;
    QTest::newRow("firms: add, Отмена") << "mm_Tabl_Firm" << "spbt_Firm_New" << "" << "bbtn_Cancel" << true;
    QTest::newRow("firms: add, Esc") << "mm_Tabl_Firm" << "spbt_Firm_New" << "" << "Esc" << true;
    QTest::newRow("firms: add, OK") << "mm_Tabl_Firm" << "spbt_Firm_New" << "dbed_Firma=Walter" << "bbtn_OK"
                                    << true;
    QTest::newRow("accounts: edit, Cancel") << "mm_Pasw" << "spbt_Edit" << "" << "bbtn_Cancel" << false;
    QTest::newRow("accounts: add, Esc") << "mm_Pasw" << "spbt_Add" << "" << "Esc" << false;
    QTest::newRow("operators list alone") << "mm_Tabl_People" << "" << "" << "Esc" << false;
    QTest::newRow("about box") << "mm_About" << "" << "" << "bbtn_OK" << false;
    QTest::newRow("drill filter, Esc") << "spbt_Sverlo_Filtr" << "" << "" << "Esc" << false;
    QTest::newRow("record search, Esc") << "spbt_SVerlo_Search" << "" << "" << "Esc" << false;
    QTest::newRow("issue to work, Esc") << "spbt_SV_GiveToWork" << "" << "" << "Esc" << false;
    QTest::newRow("issue to work, Cancel") << "pmSV_Give_to_Work" << "" << "" << "bbtn_Cancel" << false;
    QTest::newRow("drill editor: add, Отмена") << "spbt_Sverlo_New" << "" << "ed_DiamSv=2,5" << "bbtn_Cancel" << false;
    QTest::newRow("cutter editor: add, Esc") << "pm_FR_Add" << "" << "" << "Esc" << false;
    QTest::newRow("holder editor: add, Отмена") << "spbt_Derj_NEW" << "" << "dbed_Derj_KOD=D-1" << "bbtn_Cancel"
                                                << false;
    QTest::newRow("insert editor: add, Esc") << "pm_PL_Add" << "" << "" << "Esc" << false;
}

void TestMain::subWindowsInTheRealModalLoop()
{
    QFETCH(QString, menu);
    QFETCH(QString, button);
    QFETCH(QString, type);
    QFETCH(QString, close);
    QFETCH(bool, hides);
    Session s;
    s.person("Иванов");
    s.firm("Iscar");
    s.drill("D-1", 5.0, 4, 1);
    QVERIFY(s.start());
    s.user.setRealLoop(true);
    const bool mainHides = menu == "mm_Tabl_People" || menu == "mm_Tabl_Firm";

    auto leave = [&](QDialog* d) {
        if (!type.isEmpty()) {
            auto* box = d->findChild<QLineEdit*>(type.section('=', 0, 0));
            QVERIFY(box);
            box->selectAll();
            QTest::keyClicks(box, type.section('=', 1));
        }
        if (close == "Esc") {
            QTest::keyClick(d, Qt::Key_Escape);
        } else {
            auto* b = d->findChild<QPushButton*>(close);
            QVERIFY(b);
            QTest::mouseClick(b, Qt::LeftButton);
        }
    };
    QStringList during;   // what was on screen while the editor was shown
    s.user.onModal([&](QDialog* window) {
        QCOMPARE(frm_Main->isVisible(), !mainHides);
        if (button.isEmpty()) {
            QTimer::singleShot(0, window, [&, window] { leave(window); });
            return;
        }
        auto* b = window->findChild<QAbstractButton*>(button);
        QVERIFY(b);
        QTest::mouseClick(b, Qt::LeftButton);   // the editor's own step runs inside
        // Back from the editor: the window is shown again, in its own loop.
        QVERIFY(window->isVisible());
        QCOMPARE(frm_Main->isVisible(), !mainHides);
        // The person's next key comes later, through the event loop.
        QTimer::singleShot(0, window, [window] { QTest::keyClick(window, Qt::Key_Escape); });
    });
    if (!button.isEmpty())
        s.user.onModal([&](QDialog* editor) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w != editor && !w->inherits("QMenu"))
                    during << w->objectName();
            leave(editor);
        });
    if (auto* action = frm_Main->findChild<QAction*>(menu)) {
        action->trigger();
    } else {
        auto* toolButton = frm_Main->findChild<QAbstractButton*>(menu);
        QVERIFY2(toolButton, qPrintable(menu));
        QTest::mouseClick(toolButton, Qt::LeftButton);
    }
    QCoreApplication::processEvents();

    const QString problem = ScriptedUser::usableProblem(frm_Main);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(s.user.stuck(), 0);
    QCOMPARE(s.user.leftOpen(), 0);
    QCOMPARE(s.user.unexpected(), 0);
    // The login, the window, and its editor when there is one, were all shown.
    QCOMPARE(s.user.modalsShown().size(), button.isEmpty() ? 2 : 3);
    if (!button.isEmpty()) {
        QStringList expected;
        if (!mainHides)
            expected << "frm_Main";
        if (!hides)
            expected << s.user.modalsShown().value(1);
        during.sort();
        expected.sort();
        QCOMPARE(during, expected);
    }
    // The main window takes the next command.
    frm_Main->PageControl_Main->setCurrentIndex(4);
    QCOMPARE(frm_Main->statusPanelText(0), QString(" Всего записей : 0"));
}

// ---------------------------------------------------------------------------

void TestMain::changePassword_data()
{
    QTest::addColumn<QString>("login");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("the administrator") << "Администратор" << "123" << true;
    QTest::newRow("a storekeeper") << "Кладовщик" << "1" << false;
    QTest::newRow("a login merely starting like it") << "Администратор2" << "2" << false;
}

void TestMain::changePassword()
{
    QFETCH(QString, login);
    QFETCH(QString, password);
    QFETCH(bool, allowed);

    Session s;
    s.insert("Pasw_TBL", {{"Login", "Кладовщик"}, {"Pasword", "1"}, {"Default", false}});
    s.insert("Pasw_TBL", {{"Login", "Администратор2"}, {"Pasword", "2"}, {"Default", false}});
    QVERIFY(s.create());
    QVERIFY(s.showWithLogin(login, password));
    if (allowed)
        s.user.onModal([](QDialog* d) { d->close(); });

    frm_Main->mm_Pasw->trigger();

    if (allowed) {
        QCOMPARE(s.user.modalsShown(), (QStringList{"frm_Pasword", "frm_Pasw_List"}));
        QVERIFY(s.user.shown().isEmpty());
    } else {
        QCOMPARE(s.user.modalsShown(), QStringList{"frm_Pasword"});
        QCOMPARE(s.user.texts(), QStringList{"Редактировать учетные записи может только \"Администратор\""});
        QCOMPARE(s.user.shown().first().icon, Dialogs::Icon::Error);
        QCOMPARE(s.user.shown().first().title, QString("Ошибка"));
    }
}

void TestMain::aboutAndExit()
{
    Session s;
    QVERIFY(s.start());
    QString caption;
    s.user.onModal([&](QDialog* d) {
        caption = d->windowTitle();
        QVERIFY(d->isModal());
        QTest::mouseClick(frm_About->bbtn_OK, Qt::LeftButton);
    });
    frm_Main->mm_About->trigger();
    QCOMPARE(caption, QString("О программе"));
    QCOMPARE(s.user.leftOpen(), 0);

    frm_Main->mm_Exit->trigger();
    QVERIFY(!frm_Main->isVisible());
}

// ---------------------------------------------------------------------------

void TestMain::contextMenus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QStringList>("items");

    auto catalogue = [](const QString& give, const QString& who) {
        return QStringList{"Редактировать запись", "Добавить запись", "Удалить запись", "-", "Приход инструмента",
                           "Перенос в БУ", "Списать инструмент", "-", give, "-", who, "-", "Посмотреть историю",
                           "-", "Минимальный остаток…"};
    };
    QTest::newRow("drills") << "pm_Sverla" << "dbgr_Sverlo"
                            << catalogue("Отдать сверло в работу", "Посмотреть кому выдан инструмент");
    QTest::newRow("cutters") << "pm_Frezy" << "dbgr_Frezy" << catalogue("Отдать в работу", "Посмотреть кому выдан");
    QTest::newRow("holders") << "pm_Derj" << "dbgr_Derj_PL" << catalogue("Отдать в работу", "Посмотреть кому выдан");
    QTest::newRow("inserts") << "pm_Plastini" << "dbgr_Plastinyi"
                             << catalogue("Отдать в работу", "Посмотреть кому выдан");
    QTest::newRow("debts") << "pm_Dolgi" << "dbgrid_Dolgi"
                           << QStringList{"Вернуть инструмент в БД", "-", "Посмотреть инструмент", "-", "Просроченные"};
}

void TestMain::contextMenus()
{
    QFETCH(QString, menu);
    QFETCH(QString, grid);
    QFETCH(QStringList, items);

    Session s;
    QVERIFY(s.create());
    auto* m = frm_Main->findChild<QMenu*>(menu);
    QVERIFY(m);
    QCOMPARE(captions(m), items);
    if (menu != "pm_Dolgi") {
        QMenu* history = nullptr;
        for (QAction* a : m->actions())
            if (a->menu())
                history = a->menu();
        QVERIFY(history);
        QCOMPARE(captions(history), (QStringList{"прихода инструмента", "списания инструмента", "долгов"}));
        // The histories open from here (their windows are tested with them).
        for (QAction* a : history->actions())
            QVERIFY2(a->isEnabled(), qPrintable(a->text()));
    }
    // Every command is built: every item works.
    for (QAction* a : m->actions())
        if (!a->isSeparator() && !a->menu())
            QVERIFY2(a->isEnabled(), qPrintable(a->text()));
    // The grid opens it with the right button.
    auto* g = frm_Main->findChild<DBGrid*>(grid);
    QVERIFY(g);
    QCOMPARE(g->contextMenuPolicy(), Qt::CustomContextMenu);
}

// ---------------------------------------------------------------------------

void TestMain::followTheRow()
{
    Session s;
    QTemporaryDir folder;
    QVERIFY(writeImage(folder.filePath("Images/Instrument/sv1.jpg"), Qt::blue));
    QVERIFY(writeImage(folder.filePath("Images/FotoPeoples/op.jpg"), Qt::green));
    QVERIFY(writeImage(folder.filePath("Images/NoFoto/null_img_1.jpg"), Qt::gray));

    // Rows in diameter order: 1 (picture, new 0, used 5), 2 (no picture, new 3, used 0), 3 (missing file, 2/2).
    const qint64 d1 = s.drill("S1", 1, 0, 5, 0, "Спиральное", "sv1.jpg");
    const qint64 d2 = s.drill("S2", 2, 3, 0);
    s.drill("S3", 3, 2, 2, 0, "Спиральное", "nofile.jpg");
    const qint64 op = s.person("Петров П. П.", "op.jpg");
    const qint64 other = s.person("Сидоров С. С.", "");
    s.debt(1, 1, d1, op, true);
    s.debt(2, 1, d2, other, false);
    QVERIFY(s.start());

    const QColor red(255, 0, 0);
    const QColor normal = QApplication::palette(frm_Main->dbed_SV_K_vo_NEW).color(QPalette::Base);
    auto base = [](QWidget* w) { return w->palette().color(QPalette::Base); };

    // The first row is followed from the start.
    QCOMPARE(frm_Main->dbed_SV_K_vo_NEW->text(), QString("0"));
    QCOMPARE(base(frm_Main->dbed_SV_K_vo_NEW), red);
    QCOMPARE(base(frm_Main->dbed_SV_K_vo_BU), normal);
    QCOMPARE(frm_Main->ed_Dolg_Tp_Instr->text(), QString("БУ"));

    // The pictures come from the program folder.
    setProgramFolder(folder.path());
    const QString placeholder = folder.filePath("Images/NoFoto/null_img_1.jpg");

    struct Step {
        int pos;
        QString picture;
        bool newRed, buRed;
    };
    const Step steps[] = {{1, placeholder, false, true},
                          {2, placeholder, false, false},
                          {0, folder.filePath("Images/Instrument/sv1.jpg"), true, false}};
    for (const Step& st : steps) {
        clickRow(frm_Main->dbgr_Sverlo, st.pos);
        QCOMPARE(DM->dtSet_Sverla.recNo(), st.pos + 1);
        QCOMPARE(DM->shownPicture(1), st.picture);
        QVERIFY(frm_Main->im_PicSv->isVisibleTo(frm_Main));
        QVERIFY(!frm_Main->im_PicSv->image().isNull());
        QCOMPARE(base(frm_Main->dbed_SV_K_vo_NEW), st.newRed ? red : normal);
        QCOMPARE(base(frm_Main->dbed_SV_K_vo_BU), st.buRed ? red : normal);
    }
    QCOMPARE(frm_Main->dbed_SV_Korob->text(), QString("K-1"));

    // Debts: the tool's picture, the operator's photo and the stock it came from.
    frm_Main->PageControl_Main->setCurrentIndex(4);
    const int nomer = DM->dtset_DolgiSQL.fieldIndex("Nomer_Zap");
    for (int pos = DM->dtset_DolgiSQL.recordCount() - 1; pos >= 0; --pos) {
        clickRow(frm_Main->dbgrid_Dolgi, pos);
        const bool first = DM->dtset_DolgiSQL.intAt(pos, nomer) == 1;
        QCOMPARE(frm_Main->ed_Dolg_Tp_Instr->text(), first ? QString("БУ") : QString("НОВЫЙ"));
        QCOMPARE(DM->shownPicture(5), first ? folder.filePath("Images/Instrument/sv1.jpg") : placeholder);
        QCOMPARE(DM->shownPicture(6), first ? folder.filePath("Images/FotoPeoples/op.jpg") : placeholder);
        QCOMPARE(frm_Main->DBEdit20->text(), first ? QString("Петров П. П.") : QString("Сидоров С. С."));
        QVERIFY(frm_Main->im_PicDolg_Operator->isVisibleTo(frm_Main));
    }

    // Without the placeholder a tool without a picture hides the control.
    QFile::remove(placeholder);
    frm_Main->PageControl_Main->setCurrentIndex(0);
    clickRow(frm_Main->dbgr_Sverlo, 1);
    QCOMPARE(DM->shownPicture(1), QString());
    QVERIFY(!frm_Main->im_PicSv->isVisibleTo(frm_Main));
}

QTEST_MAIN(TestMain)
#include "tst_main.moc"
