// Writes that fail under the windows: a failing disk, a full disk or a
// refusing engine at a save of the operators and firms lists. The user is
// told, nothing is stored, every list shows the file, and the connection
// keeps working once the disk does.
#include "Consistency.h"
#include "DM_Unit.h"
#include "DataAware.h"
#include "DbError.h"
#include "FaultInjection.h"
#include "ScriptedUser.h"
#include "TestSupport.h"
#include "frm_Add_Edit_Firm_Unit.h"
#include "frm_Edit_People_Unit.h"
#include "frm_Firm_List_Unit.h"
#include "frm_People_Unit.h"

#include <QPushButton>
#include <QtTest>

#include <sqlite3.h>

using FaultInjection::Fault;
Q_DECLARE_METATYPE(FaultInjection::Fault)

namespace {

void typeInto(QLineEdit* e, const QString& text)
{
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    for (const QChar ch : text) {   // key by key, Cyrillic included
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(e, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(e, &release);
    }
}

// The rows of a column as a second connection reads them from the file.
QStringList inFile(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    QStringList out;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW)
            out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

QStringList sorted(QStringList l)
{
    l.sort();
    return l;
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { FaultInjection::install(); }
    void init();
    void cleanup();
    void failedSave_data();
    void failedSave();
    void shimCountsAndClears();
    void transactionLostMidwayTakesNoMoreWrites_data();
    void transactionLostMidwayTakesNoMoreWrites();

private:
    // Saves through the list's add or edit button, the editor's OK pressed
    // after `arm` ran; returns what the list showed right after.
    QStringList save(bool firms, bool add, const QString& name, const std::function<void()>& arm);

    std::unique_ptr<TempDb> m_db;
    std::unique_ptr<ScriptedUser> m_user;
};

void TestFaults::init()
{
    m_db = std::make_unique<TempDb>();
    {
        Connection c;
        c.open(m_db->path());
        const qint64 firm = insertRow(c, "Firma", {{"Name", "Sandvik"}});
        insertRow(c, "People", {{"FIO", "Петров"}});
        addDrill(c, "С-1", "спиральное", 5.0, firm, 4, 1);
    }
    new TDM(m_db->path());
    frm_People = new Tfrm_People;
    frm_Edit_People = new Tfrm_Edit_People;
    frm_Firm_List = new Tfrm_Firm_List;
    frm_Add_Edit_Firm_rec = new Tfrm_Add_Edit_Firm_rec;
    m_user = std::make_unique<ScriptedUser>();
}

void TestFaults::cleanup()
{
    FaultInjection::clear();
    QCOMPARE(m_user->unexpected(), 0);
    m_user.reset();
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName() + QStringLiteral(" left open")));
    delete frm_Add_Edit_Firm_rec;
    delete frm_Firm_List;
    delete frm_Edit_People;
    delete frm_People;
    delete DM;
    m_db.reset();
}

QStringList TestFaults::save(bool firms, bool add, const QString& name, const std::function<void()>& arm)
{
    QStringList shown;
    TForm* list = firms ? static_cast<TForm*>(frm_Firm_List) : static_cast<TForm*>(frm_People);
    m_user->onModal([&](QDialog*) {
        m_user->onModal([&](QDialog* d) {
            typeInto(d->findChild<QLineEdit*>(firms ? "dbed_Firma" : "dbed_FIO"), name);
            arm();
            d->findChild<QPushButton*>(firms ? "bbtn_OK" : "BitBtn1")->click();
        });
        if (firms)
            add ? frm_Firm_List->spbt_Firm_NewClick() : frm_Firm_List->spbt_Firm_EditClick();
        else
            add ? frm_People->spbt_People_NewClick() : frm_People->spbt_People_EditClick();
        RecordSet& rs = firms ? DM->tbl_Firma : DM->tbl_People;
        shown = column(rs, firms ? "Name" : "FIO");
        list->close();
    });
    Dialogs::showModal(list);
    return shown;
}

void TestFaults::failedSave_data()
{
    QTest::addColumn<bool>("firms");
    QTest::addColumn<bool>("add");
    QTest::addColumn<QString>("fault");   // io, full (every write from the failing one on) or trigger
    QTest::addColumn<QString>("message");
    const QString addPeople =
        QStringLiteral("Возникла ошибка при попытке вставки данных в таблице \"PEOPLE\". Данные не сохранены!!!");
    const QString editPeople =
        QStringLiteral("Возникла ошибка при попытке редактирования данных в таблице \"PEOPLE\". Данные не сохранены!!!");
    const QString addFirm =
        QStringLiteral("Возникла ошибка при попытке вставки данных в таблице \"tbl_Firma\". Данные не сохранены!!!");
    const QString editFirm =
        QStringLiteral("Возникла ошибка при попытке редактирования данных в таблице \"tbl_Firma\". Данные не сохранены!!!");
    const struct {
        bool firms, add;
        const char* what;
        QString message;
    } saves[] = {{false, true, "operator added", addPeople},
                 {false, false, "operator renamed", editPeople},
                 {true, true, "firm added", addFirm},
                 {true, false, "firm renamed", editFirm}};
    for (const auto& sv : saves) {
        for (const char* fault : {"io", "full", "trigger"}) {
            const QString name = QStringLiteral("%1, %2").arg(QString::fromLatin1(sv.what), QString::fromLatin1(fault));
            QTest::newRow(qPrintable(name)) << sv.firms << sv.add << QString::fromLatin1(fault) << sv.message;
        }
    }
}

void TestFaults::failedSave()
{
    QFETCH(bool, firms);
    QFETCH(bool, add);
    QFETCH(QString, fault);
    QFETCH(QString, message);
    const QString path = m_db->path();
    const QString names = firms ? QStringLiteral("SELECT Name FROM Firma") : QStringLiteral("SELECT FIO FROM People");
    const QStringList before = inFile(path, names);

    // The save meets its fault, is reported, stores nothing and leaves every
    // list showing the file.
    // A full disk is said so after the command's message.
    if (fault == QLatin1String("full"))
        message += QStringLiteral("\n\n") + DbError::diskFullText();
    auto failed = [&](const QString& when) {
        QVERIFY2(m_user->texts() == QStringList{message}, qPrintable(when + m_user->texts().join(" | ")));
        QVERIFY2(inFile(path, names) == before, qPrintable(when + QStringLiteral("stored")));
        QCOMPARE(DM->ADOConnection1.transLevel(), 0);
        DM->dtSet_Sverla.first();
        QCOMPARE(DM->dtSet_Sverla.fieldByName("Name").asString(), QStringLiteral("Sandvik"));
        m_user->clear();
    };
    if (fault == QLatin1String("trigger")) {
        const QString trigger = FaultInjection::addFailingTrigger(DM->ADOConnection1, firms ? "Firma" : "People",
                                                                  add ? "INSERT" : "UPDATE");
        const QStringList shown = save(firms, add, QStringLiteral("Новое имя"), [] {});
        failed(QStringLiteral("refused: "));
        QCOMPARE(sorted(shown), sorted(before));
        FaultInjection::dropFailingTrigger(DM->ADOConnection1, trigger);
        save(firms, add, QStringLiteral("Новое имя"), [] {});
    } else {
        // Each write of the save fails in turn: the first run's first write,
        // the second run's second, and so on, until a run writes them all.
        const bool full = fault == QLatin1String("full");
        const int runs = FaultInjection::everyWriteFails(full ? Fault::DiskFull : Fault::IoError, full, [&](int nth) {
            FaultInjection::clear();   // armed only once the editor's OK is pressed
            const QStringList shown = save(firms, add, QStringLiteral("Новое имя"),
                                           [&] { FaultInjection::failWrite(nth, full ? Fault::DiskFull : Fault::IoError, full); });
            if (FaultInjection::faultsInjected() == 0)
                return;
            const QString when = QStringLiteral("write %1: ").arg(nth);
            failed(when);
            QVERIFY2(sorted(shown) == sorted(before), qPrintable(when + shown.join(" | ")));
        });
        qInfo("%d writes of the save failed in turn", runs);
        QVERIFY(runs >= 2);   // the log's frame header and its page, at least
    }
    // Once the disk works again, so does the program, on the same connection.
    QCOMPARE(m_user->texts(), QStringList());
    QVERIFY(inFile(path, names).contains(QStringLiteral("Новое имя")));
    QCOMPARE(consistencyFindings(DM->ADOConnection1), QStringList());
    QCOMPARE(consistencyOfFile(path), QStringList());
}

void TestFaults::shimCountsAndClears()
{
    Connection& c = DM->ADOConnection1;
    FaultInjection::failWrite(0);
    c.exec(QStringLiteral("INSERT INTO Firma (Name) VALUES ('A')"));
    const int perCommit = FaultInjection::writesSeen();
    QVERIFY(perCommit > 0);   // the layer sees the program's writes
    {
        FaultInjection::Armed full(1, Fault::DiskFull, true);
        try {
            c.exec(QStringLiteral("INSERT INTO Firma (Name) VALUES ('B')"));
            QFAIL("a write on a full disk succeeded");
        } catch (const DbError& e) {
            QCOMPARE(e.message(), DbError::diskFullText());
            QCOMPARE(e.reason(), DbError::Reason::DiskFull);
        }
        try {
            c.exec(QStringLiteral("INSERT INTO Firma (Name) VALUES ('C')"));
            QFAIL("the disk stayed full, yet the write succeeded");
        } catch (const DbError&) {
        }
        QVERIFY(FaultInjection::faultsInjected() >= 2);
    }
    c.exec(QStringLiteral("INSERT INTO Firma (Name) VALUES ('D')"));
    QCOMPARE(FaultInjection::faultsInjected(), 0);
    // A commit that fails at any of its writes leaves nothing behind and no
    // transaction open; the connection goes on.
    for (int nth = 1; nth <= 4; ++nth) {
        c.beginTrans();
        c.exec(QStringLiteral("INSERT INTO Firma (Name) VALUES ('E')"));
        FaultInjection::failWrite(nth, Fault::IoError);
        QVERIFY_THROWS_EXCEPTION(DbError, c.commitTrans());
        QCOMPARE(FaultInjection::faultsInjected(), 1);
        QCOMPARE(sqlite3_get_autocommit(c.handle()), 1);   // the engine rolled it back itself
        c.rollbackTrans();
        FaultInjection::clear();
    }
    QCOMPARE(inFile(m_db->path(), "SELECT Name FROM Firma ORDER BY ID"), (QStringList{"Sandvik", "A", "D"}));
}

void TestFaults::transactionLostMidwayTakesNoMoreWrites_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::newRow("failing disk") << Fault::IoError;
    QTest::newRow("full disk") << Fault::DiskFull;
}

// A large transaction writes pages out before its commit; when such a write
// fails the engine rolls the whole transaction back on its own. The writes
// that the command still makes afterwards must not be stored one by one.
void TestFaults::transactionLostMidwayTakesNoMoreWrites()
{
    QFETCH(Fault, fault);
    Connection& c = DM->ADOConnection1;
    RecordSet& firms = DM->tbl_Firma;
    firms.open();
    c.exec(QStringLiteral("PRAGMA cache_size = 2"));   // pages go out at once
    {
        Transaction tr(c);
        {
            FaultInjection::Armed armed(1, fault, true);
            const QString big = QStringLiteral("INSERT INTO Firma (Name) VALUES ('%1')").arg(QString(240, QLatin1Char('x')));
            QVERIFY_THROWS_EXCEPTION(DbError, c.exec(big));
            QVERIFY(FaultInjection::faultsInjected() > 0);
        }
        QCOMPARE(c.transLevel(), 1);
        // The rest of the command: a plain statement, a record set's post,
        // a nested transaction.
        QVERIFY_THROWS_EXCEPTION(DbError, c.exec(QStringLiteral("INSERT INTO Firma (Name) VALUES ('после')")));
        firms.insert();
        firms.fieldByName("Name").setAsString(QStringLiteral("после"));
        QVERIFY_THROWS_EXCEPTION(DbError, storePending(firms));
        firms.cancel();
        QVERIFY_THROWS_EXCEPTION(DbError, c.beginTrans());
        QVERIFY_THROWS_EXCEPTION(DbError, tr.commit());
    }
    c.exec(QStringLiteral("PRAGMA cache_size = -65536"));
    QCOMPARE(c.transLevel(), 0);
    QCOMPARE(inFile(m_db->path(), "SELECT Name FROM Firma"), QStringList{"Sandvik"});
    // Reading goes on throughout, and the next transaction stores again.
    QCOMPARE(column(firms, "Name"), QStringList{"Sandvik"});
    firms.insert();
    firms.fieldByName("Name").setAsString(QStringLiteral("после"));
    storePending(firms);
    QCOMPARE(inFile(m_db->path(), "SELECT Name FROM Firma ORDER BY ID"), (QStringList{"Sandvik", "после"}));
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
