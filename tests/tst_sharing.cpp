// Two copies of the program on one file: a save or delete of a record
// refuses a row changed or deleted in the other copy, and a write waits
// for the other copy's lock only as long as the busy wait and says so.
#include "Connection.h"
#include "DM_Unit.h"
#include "DbError.h"
#include "Program.h"
#include "RecordSet.h"
#include "TestSupport.h"
#include "ToolKind.h"
#include "frm_Main_Unit.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(ToolKind)

namespace {

const ToolKind Kinds[] = {ToolKind::Sverla, ToolKind::Frezy, ToolKind::Derj, ToolKind::Plast};

QString kindName(ToolKind k) { return QString::fromLatin1(toolKind(k).table); }

// Two tools of the kind, "T1" (new 5, used 2) and "T2" (new 1, used 0); returns T2's ID.
qint64 addTools(Connection& c, ToolKind k)
{
    const ToolKindInfo& i = toolKind(k);
    if (c.scalar("SELECT COUNT(*) FROM Firma") == 0)
        insertRow(c, "Firma", {{"Name", "Sandvik"}});
    insertRow(c, i.table, {{"Kod", "T1"}, {"ID_Firma", 1}, {i.tableNewColumn, 5}, {"K_vo_BU", 2}, {i.tableDolgColumn, 0}});
    return insertRow(c, i.table,
                     {{"Kod", "T2"}, {"ID_Firma", 1}, {i.tableNewColumn, 1}, {"K_vo_BU", 0}, {i.tableDolgColumn, 0}});
}

qint64 newCount(Connection& c, ToolKind k, qint64 id)
{
    return c.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE ID=%3")
                        .arg(toolKind(k).tableNewColumn, toolKind(k).table)
                        .arg(id));
}

// The program's windows and data module on a fresh file, and a second
// connection standing for the other copy.
struct TwoCopies {
    TempDb tmp;
    Connection other;
    TwoCopies()
    {
        if (!Program::CreateWindows(tmp.path()))
            qFatal("windows not created");
        other.open(tmp.path());
        DM->ADOConnection1.setBusyWaitMs(300);
        other.setBusyWaitMs(300);
    }
    ~TwoCopies()
    {
        other.close();
        Program::DestroyWindows();
    }
};

} // namespace

class TestSharing : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SKIP_WITHOUT_TEST_SERVER(); }
    void changedElsewhere_data();
    void changedElsewhere();
    void unchangedOddlyStoredValues();
    void busyElsewhere();
};

// ---------------------------------------------------------------------------

void TestSharing::changedElsewhere_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<QString>("elsewhere");   // SQL of the other copy on the tool table {T}, its new count {N}, the row {ID}
    QTest::addColumn<bool>("remove");          // delete instead of editing the new count
    QTest::addColumn<bool>("refused");

    struct Case {
        const char* name;
        const char* sql;
        bool remove;
        bool refused;
    };
    const Case cases[] = {
        {"new count changed there, edit", "UPDATE {T} SET {N} = {N} + 3 WHERE ID={ID}", false, true},
        {"another column changed there, edit", "UPDATE {T} SET Korob = 'K-9' WHERE ID={ID}", false, false},
        {"same value written there, edit", "UPDATE {T} SET {N} = {N} WHERE ID={ID}", false, false},
        {"row deleted there, edit", "DELETE FROM {T} WHERE ID={ID}", false, true},
        {"new count changed there, delete", "UPDATE {T} SET {N} = 0 WHERE ID={ID}", true, true},
        {"row deleted there, delete", "DELETE FROM {T} WHERE ID={ID}", true, true},
        {"nothing changed there, delete", "SELECT 1", true, false},
    };
    for (ToolKind k : Kinds)
        for (const Case& c : cases)
            QTest::newRow(qPrintable(kindName(k) + ": " + c.name)) << k << QString::fromLatin1(c.sql) << c.remove
                                                                   << c.refused;
}

void TestSharing::changedElsewhere()
{
    QFETCH(ToolKind, kind);
    QFETCH(QString, elsewhere);
    QFETCH(bool, remove);
    QFETCH(bool, refused);

    TwoCopies copies;
    const ToolKindInfo& info = toolKind(kind);
    const qint64 id = addTools(copies.other, kind);
    // Deletes go through the table object, edits through the catalogue's join.
    RecordSet& rs = remove ? tableObjectOf(*DM, kind) : catalogueOf(*DM, kind);
    rs.close();
    rs.setFiltered(false);
    rs.open();
    QVERIFY(rs.locate("ID", int(id)));
    const qint64 before = copies.other.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(info.table));

    copies.other.exec(QString(elsewhere)
                          .replace("{T}", info.table)
                          .replace("{N}", info.tableNewColumn)
                          .replace("{ID}", QString::number(id)));
    const qint64 thereNew = newCount(copies.other, kind, id);
    const qint64 thereRows = copies.other.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(info.table));

    DbError::Reason reason = DbError::Reason::General;
    QString message;
    try {
        if (remove) {
            deleteCurrent(rs);
        } else {
            rs.edit();
            rs.fieldByName(info.newField).setAsInteger(7);
            storePending(rs);
        }
    } catch (const DbError& e) {
        reason = e.reason();
        message = e.message();
        rs.cancel();
    }
    const qint64 rowsNow = copies.other.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(info.table));
    if (refused) {
        QCOMPARE(reason, DbError::Reason::Conflict);
        QCOMPARE(message, elsewhere.startsWith("DELETE")
                              ? QString("Записи нет в базе данных: её удалили в другой копии программы. Ничего не "
                                        "сохранено, данные обновлены.")
                              : QString("Запись была изменена другим пользователем. Данные обновлены, повторите "
                                        "операцию."));
        // Nothing of this copy reached the file.
        QCOMPARE(newCount(copies.other, kind, id), thereNew);
        QCOMPARE(rowsNow, thereRows);
    } else {
        QVERIFY2(message.isEmpty(), qPrintable(message));
        if (remove)
            QCOMPARE(rowsNow, before - 1);
        else
            QCOMPARE(newCount(copies.other, kind, id), 7);
    }
    if (elsewhere.contains("Korob"))
        QCOMPARE(copies.other.scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Korob='K-9'").arg(info.table)), 1);
}

// Values another program stored in forms of its own ("2,5" as text in a
// number column, "7x" in a count) are compared as they were read: an edit
// of a row nobody changed since is stored.
void TestSharing::unchangedOddlyStoredValues()
{
    TwoCopies copies;
    if (copies.tmp.onServer())
        QSKIP("a server's typed columns hold no text in a number's place");
    const qint64 id = addTools(copies.other, ToolKind::Sverla);
    copies.other.exec(QStringLiteral("UPDATE Sverla SET Diam_Sverla='2,5', K_vo_BU='7x' WHERE ID=%1").arg(id));
    RecordSet& rs = DM->dtSet_Sverla;
    rs.close();
    rs.open();
    QVERIFY(rs.locate("ID", int(id)));
    rs.edit();
    rs.fieldByName("Diam_Sverla").setAsFloat(3);
    rs.fieldByName("K_vo_BU").setAsInteger(8);
    storePending(rs);
    QCOMPARE(copies.other.scalar(QStringLiteral("SELECT K_vo_BU FROM Sverla WHERE ID=%1").arg(id)), 8);
}

void TestSharing::busyElsewhere()
{
    TwoCopies copies;
    const qint64 id = addTools(copies.other, ToolKind::Frezy);
    RecordSet& rs = DM->dtSet_Frezy;
    rs.close();
    rs.open();
    QVERIFY(rs.locate("ID", int(id)));

    copies.other.beginWrite();   // the other copy's write lock, held
    copies.other.exec("UPDATE Firma SET Name='Iscar'");
    bool painted = false;
    QTimer::singleShot(50, [&] { painted = true; });   // the windows keep being served while waiting

    QElapsedTimer t;
    t.start();
    DbError::Reason reason = DbError::Reason::General;
    rs.edit();
    rs.fieldByName("K_vo_New").setAsInteger(0);
    try {
        storePending(rs);
    } catch (const DbError& e) {
        reason = e.reason();
        QCOMPARE(e.message(), DbError::busyText());
        rs.cancel();
    }
    const qint64 waited = t.elapsed();
    copies.other.commitTrans();
    QCOMPARE(reason, DbError::Reason::Busy);
    QVERIFY2(waited >= 250 && waited < 2000, qPrintable(QString::number(waited)));
    QVERIFY(painted);
    QCOMPARE(newCount(copies.other, ToolKind::Frezy, id), 1);
    QVERIFY(!DM->ADOConnection1.inTransaction());
}

// ---------------------------------------------------------------------------

QTEST_MAIN(TestSharing)
#include "tst_sharing.moc"
