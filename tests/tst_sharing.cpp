// Two copies of the program on one file: a post or delete refuses a row
// changed or deleted in the other copy, a write waits only briefly for the
// other copy's lock and says so, transactions take no lock before their
// first write, and after a rollback the record sets show the file again.
// Then the caller-owned transaction of the main window's movements, across
// the four tool kinds.
#include "Connection.h"
#include "DM_Unit.h"
#include "DbError.h"
#include "Form.h"
#include "Program.h"
#include "RecordSet.h"
#include "RowEditor.h"
#include "ScriptedUser.h"
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

// A movement dialog standing in for the real ones: its step is played by the scripted user.
class TestDialog : public TMovementForm {
public:
    using TMovementForm::TMovementForm;
};

} // namespace

class TestSharing : public QObject {
    Q_OBJECT
private slots:
    void changedElsewhere_data();
    void changedElsewhere();
    void unchangedOddlyStoredValues();
    void lockTakenAtFirstWrite();
    void busyElsewhere();
    void staleReadIsAConflict();
    void rollbackRereads();
    void movement_data();
    void movement();
    void addTool_data();
    void addTool();
    void deleteWithoutDialog_data();
    void deleteWithoutDialog();
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
            rs.remove();
        } else {
            rs.edit();
            rs.fieldByName(info.newField).setAsInteger(7);
            rs.post();
        }
    } catch (const DbError& e) {
        reason = e.reason();
        message = e.message();
        rs.cancel();
    }
    const qint64 rowsNow = copies.other.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(info.table));
    if (refused) {
        QCOMPARE(reason, DbError::Reason::Conflict);
        QCOMPARE(message, QString("Запись была изменена другим пользователем. Данные обновлены, повторите операцию."));
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
    const qint64 id = addTools(copies.other, ToolKind::Sverla);
    copies.other.exec(QStringLiteral("UPDATE Sverla SET Diam_Sverla='2,5', K_vo_BU='7x' WHERE ID=%1").arg(id));
    RecordSet& rs = DM->dtSet_Sverla;
    rs.close();
    rs.open();
    QVERIFY(rs.locate("ID", int(id)));
    rs.edit();
    rs.fieldByName("Diam_Sverla").setAsFloat(3);
    rs.fieldByName("K_vo_BU").setAsInteger(8);
    rs.post();
    QCOMPARE(copies.other.scalar(QStringLiteral("SELECT K_vo_BU FROM Sverla WHERE ID=%1").arg(id)), 8);
}

void TestSharing::lockTakenAtFirstWrite()
{
    TwoCopies copies;
    const qint64 id = addTools(copies.other, ToolKind::Sverla);
    RecordSet& rs = DM->dtSet_Sverla;
    rs.close();
    rs.open();
    QVERIFY(rs.locate("ID", int(id)));

    // A dialog is open: a transaction begun, the row pending, nothing written.
    Transaction outer(DM->ADOConnection1);
    Transaction inner(DM->ADOConnection1);
    rs.edit();
    rs.fieldByName("K_vo_New").setAsInteger(9);
    // The other copy writes meanwhile, at once.
    QElapsedTimer t;
    t.start();
    copies.other.exec("BEGIN IMMEDIATE; UPDATE Sverla SET Korob='X' WHERE ID=1; COMMIT");
    QVERIFY(t.elapsed() < 250);
    // The write of this copy is still all-or-nothing across the nesting.
    rs.post();
    inner.commit();
    QCOMPARE(newCount(copies.other, ToolKind::Sverla, id), 1);   // not yet committed
    outer.commit();
    QCOMPARE(newCount(copies.other, ToolKind::Sverla, id), 9);
}

void TestSharing::busyElsewhere()
{
    TwoCopies copies;
    const qint64 id = addTools(copies.other, ToolKind::Frezy);
    RecordSet& rs = DM->dtSet_Frezy;
    rs.close();
    rs.open();
    QVERIFY(rs.locate("ID", int(id)));

    copies.other.exec("BEGIN IMMEDIATE; UPDATE Firma SET Name='Iscar'");
    bool painted = false;
    QTimer::singleShot(50, [&] { painted = true; });   // the windows keep being served while waiting

    QElapsedTimer t;
    t.start();
    DbError::Reason reason = DbError::Reason::General;
    {
        Transaction tr(DM->ADOConnection1);
        rs.edit();
        rs.fieldByName("K_vo_New").setAsInteger(0);
        try {
            rs.post();
        } catch (const DbError& e) {
            reason = e.reason();
            QCOMPARE(e.message(), DbError::busyText());
            rs.cancel();
        }
    }
    const qint64 waited = t.elapsed();
    copies.other.exec("COMMIT");
    QCOMPARE(reason, DbError::Reason::Busy);
    QVERIFY2(waited >= 250 && waited < 2000, qPrintable(QString::number(waited)));
    QVERIFY(painted);
    QCOMPARE(newCount(copies.other, ToolKind::Frezy, id), 1);
    QVERIFY(!DM->ADOConnection1.inTransaction());
}

void TestSharing::staleReadIsAConflict()
{
    TwoCopies copies;
    const qint64 id = addTools(copies.other, ToolKind::Plast);
    RecordSet& rs = DM->dtSet_Plastiny;
    rs.close();
    rs.open();
    QVERIFY(rs.locate("ID", int(id)));

    Transaction tr(DM->ADOConnection1);
    // A read inside the transaction (as a dialog's look-up does) fixes its view of the file.
    QCOMPARE(DM->ADOConnection1.scalar("SELECT COUNT(*) FROM Plastinyi"), 2);
    copies.other.exec("UPDATE Plastinyi SET Korob='elsewhere' WHERE ID=1");
    rs.edit();
    rs.fieldByName("K_vo_NEW").setAsInteger(4);
    try {
        rs.post();
        QFAIL("a write on an out of date view was stored");
    } catch (const DbError& e) {
        QCOMPARE(e.reason(), DbError::Reason::Conflict);
        rs.cancel();
    }
    tr.rollback();
    QCOMPARE(newCount(copies.other, ToolKind::Plast, id), 1);
}

void TestSharing::rollbackRereads()
{
    TwoCopies copies;
    const qint64 id = addTools(copies.other, ToolKind::Derj);
    RecordSet& cat = DM->dtSet_Derj_PL;
    RecordSet& hist = DM->tbl_Prihod_Hist;
    cat.close();
    cat.open();
    cat.setSort("KOD DESC");
    QVERIFY(cat.locate("ID", int(id)));
    hist.close();
    hist.open();

    {
        Transaction outer(DM->ADOConnection1);
        cat.edit();
        cat.fieldByName("K_vo_NEW").setAsInteger(0);
        cat.post();
        const quint64 catReads = cat.readCount();
        {
            // A nested write rolled back: only the set that wrote inside it is re-read.
            Transaction inner(DM->ADOConnection1);
            hist.insert();
            hist.fieldByName("ID_Instr").setAsInteger(int(id));
            hist.fieldByName("ID_Tabl").setAsInteger(4);
            hist.post();
            QCOMPARE(hist.recordCount(), 1);
        }
        QCOMPARE(hist.recordCount(), 0);
        QCOMPARE(cat.readCount(), catReads);
        QCOMPARE(cat.fieldByName("K_vo_NEW").asInteger(), 0);   // still pending in the outer transaction
    }
    // The outer rollback: the page shows the file again, same row, same order.
    QCOMPARE(cat.fieldByName("ID").asInteger(), int(id));
    QCOMPARE(cat.fieldByName("K_vo_NEW").asInteger(), 1);
    QCOMPARE(cat.sort(), QString("KOD DESC"));
    QCOMPARE(column(cat, "Kod"), QStringList({"T2", "T1"}));
}

// ---------------------------------------------------------------------------

void TestSharing::movement_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<bool>("issue");        // a new Dolgi row, the tool through its table object
    QTest::addColumn<QString>("user");      // what happens while the dialog is open
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("newAfter");      // new count of T2 in the file afterwards
    QTest::addColumn<QString>("reason");    // the reason added to the failure message

    struct Case {
        const char* name;
        bool issue;
        const char* user;
        RowEditorResult result;
        int newAfter;
        const char* reason;
    };
    const Case cases[] = {
        {"OK", false, "ok", RowEditorResult::Stored, 0, ""},
        {"issue OK", true, "ok", RowEditorResult::Stored, 0, ""},
        {"cancel", false, "cancel", RowEditorResult::Cancelled, 1, ""},
        {"issue cancel", true, "cancel", RowEditorResult::Cancelled, 1, ""},
        {"refused before", false, "refuse", RowEditorResult::Refused, 1, ""},
        {"changed elsewhere", false, "other changes", RowEditorResult::Failed, 11, "conflict"},
        {"issue, changed elsewhere", true, "other changes", RowEditorResult::Failed, 11, "conflict"},
        {"busy elsewhere", false, "other locks", RowEditorResult::Failed, 1, "busy"},
        {"tool row refused by the file", false, "tool refused", RowEditorResult::Failed, 1, ""},
        {"issue, tool row refused by the file", true, "tool refused", RowEditorResult::Failed, 1, ""},
    };
    for (ToolKind k : Kinds)
        for (const Case& c : cases)
            QTest::newRow(qPrintable(kindName(k) + ": " + c.name))
                << k << c.issue << QString::fromLatin1(c.user) << int(c.result) << c.newAfter
                << QString::fromLatin1(c.reason);
}

void TestSharing::movement()
{
    QFETCH(ToolKind, kind);
    QFETCH(bool, issue);
    QFETCH(QString, user);
    QFETCH(int, result);
    QFETCH(int, newAfter);
    QFETCH(QString, reason);

    TwoCopies copies;
    ScriptedUser person;
    const ToolKindInfo& info = toolKind(kind);
    const qint64 id = addTools(copies.other, kind);
    insertRow(copies.other, "People", {{"FIO", "Иванов"}});
    RecordSet& cat = catalogueOf(*DM, kind);
    cat.close();
    cat.open();
    QVERIFY(cat.locate("ID", int(id)));
    RecordSet& tool = issue ? tableObjectOf(*DM, kind) : cat;
    if (issue)
        DM->tbl_Dolgi.open();
    DM->tbl_Prihod_Hist.open();
    if (user == "tool refused")
        copies.other.exec(QStringLiteral("CREATE TRIGGER no_update BEFORE UPDATE ON %1 "
                                         "BEGIN SELECT RAISE(ABORT, 'refused'); END")
                              .arg(info.table));

    TestDialog dialog(frm_Main);
    dialog.setObjectName("frm_Test");
    int kindSeen = -1;
    bool inTransactionAtPrepare = true;
    if (user != "refuse")
        person.onModal([&](QDialog*) {
            kindSeen = dialog.Kind;
            if (user == "cancel")
                return;
            // The dialog writes the new counts into the pending rows.
            tool.fieldByName(info.newField).setAsInteger(0);
            tool.fieldByName(info.dolgField).setAsInteger(1);
            if (issue) {
                DM->tbl_Dolgi.fieldByName("ID_Instr").setAsInteger(int(id));
                DM->tbl_Dolgi.fieldByName("ID_Tabl").setAsInteger(info.code);
                DM->tbl_Dolgi.fieldByName("ID_People").setAsInteger(1);
                DM->tbl_Dolgi.fieldByName("K_vo").setAsInteger(1);
            }
            // The other copy acts before this one's first write (which takes the lock).
            if (user == "other changes")
                copies.other.exec(QStringLiteral("UPDATE %1 SET %2 = 11 WHERE ID=%3")
                                      .arg(info.table, info.tableNewColumn)
                                      .arg(id));
            if (user == "other locks")
                copies.other.exec("BEGIN IMMEDIATE; UPDATE Firma SET Name='Iscar'");
            if (user == "other locks") {
                dialog.ResultWord = "Done";
                dialog.accept();
                return;
            }
            // A history row, in a transaction nested inside the caller's, as a receipt writes it.
            Transaction nested(DM->ADOConnection1);
            DM->tbl_Prihod_Hist.insert();
            DM->tbl_Prihod_Hist.fieldByName("ID_Instr").setAsInteger(int(id));
            DM->tbl_Prihod_Hist.fieldByName("ID_Tabl").setAsInteger(info.code);
            DM->tbl_Prihod_Hist.fieldByName("K_vo").setAsInteger(1);
            DM->tbl_Prihod_Hist.post();
            nested.commit();
            dialog.ResultWord = "Done";
            dialog.accept();
        });

    Tfrm_Main::Movement m;
    m.kind = kind;
    m.dialog = &dialog;
    m.onTableObject = issue;
    m.newRow = issue ? &DM->tbl_Dolgi : nullptr;
    m.prepare = [&] {
        inTransactionAtPrepare = DM->ADOConnection1.inTransaction();
        if (user == "refuse") {
            Dialogs::error(frm_Main, "Нельзя выдавать инструмент, которого нет в БД!!!");
            return false;
        }
        return true;
    };
    int finallyRuns = 0;
    m.finally = [&] { ++finallyRuns; };
    m.failureMessage = "Возникла ошибка при попытке редактирования данных. Данные не сохранены!!!";

    RowEditorResult r = RowEditorResult::Refused;
    try {
        r = frm_Main->RunMovement(m);
    } catch (const DbError&) {
        QFAIL("a failure escaped the runner");
    }
    if (user == "other locks")
        copies.other.exec("COMMIT");

    QCOMPARE(int(r), result);
    QVERIFY(!inTransactionAtPrepare);
    QVERIFY(!DM->ADOConnection1.inTransaction());
    QCOMPARE(newCount(copies.other, kind, id), qint64(newAfter));
    const bool stored = r == RowEditorResult::Stored;
    QCOMPARE(copies.other.scalar("SELECT COUNT(*) FROM Dolgi"), qint64(stored && issue ? 1 : 0));
    // All or nothing: the nested history row went with the rest, and its list shows the file.
    QCOMPARE(copies.other.scalar("SELECT COUNT(*) FROM Prihod_History"), qint64(stored ? 1 : 0));
    QCOMPARE(DM->tbl_Prihod_Hist.recordCount(), stored ? 1 : 0);
    QCOMPARE(finallyRuns, user == "refuse" ? 0 : 1);
    if (user != "refuse")
        QCOMPARE(kindSeen, dialogKindOf(kind));

    // The page shows the file, on the same tool.
    QCOMPARE(cat.state(), RecordSet::State::Browse);
    QCOMPARE(cat.fieldByName("ID").asInteger(), int(id));
    QCOMPARE(cat.fieldByName(info.newField).asInteger(), newAfter);

    QStringList expected;
    if (user == "refuse")
        expected << "Нельзя выдавать инструмент, которого нет в БД!!!";
    if (r == RowEditorResult::Failed) {
        QString text = m.failureMessage;
        if (reason == "conflict")
            text += "\n\n" + DbError::conflictText();
        else if (reason == "busy")
            text += "\n\n" + DbError::busyText();
        expected << text;
    }
    QCOMPARE(person.texts(), expected);
    QCOMPARE(person.unexpected(), 0);
}

void TestSharing::addTool_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<bool>("ok");
    for (ToolKind k : Kinds) {
        QTest::newRow(qPrintable(kindName(k) + ": OK")) << k << true;
        QTest::newRow(qPrintable(kindName(k) + ": cancel")) << k << false;
    }
}

// A tool editor's add: a new catalogue row, stored through the catalogue's join.
void TestSharing::addTool()
{
    QFETCH(ToolKind, kind);
    QFETCH(bool, ok);

    TwoCopies copies;
    ScriptedUser person;
    const ToolKindInfo& info = toolKind(kind);
    addTools(copies.other, kind);
    RecordSet& cat = catalogueOf(*DM, kind);
    cat.close();
    cat.open();

    TestDialog editor(frm_Main);
    person.onModal([&](QDialog*) {
        if (!ok)
            return;
        cat.fieldByName("Kod").setAsString("NEW-1");
        cat.fieldByName("ID_Firma").setAsInteger(1);
        cat.fieldByName(info.newField).setAsInteger(3);
        editor.ResultWord = "Done";
        editor.accept();
    });
    Tfrm_Main::Movement m;
    m.kind = kind;
    m.dialog = &editor;
    m.addTool = true;
    m.afterStore = [&] {
        cat.close();
        cat.open();
    };
    m.failureMessage = "Возникла ошибка при попытке добавления данных. Данные не сохранены!!!";
    const RowEditorResult r = frm_Main->RunMovement(m);

    QCOMPARE(r, ok ? RowEditorResult::Stored : RowEditorResult::Cancelled);
    QCOMPARE(copies.other.scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Kod='NEW-1' AND %2=3")
                                     .arg(info.table, info.tableNewColumn)),
             qint64(ok ? 1 : 0));
    QCOMPARE(cat.recordCount(), ok ? 3 : 2);
    QCOMPARE(cat.recNo(), 1);
    QVERIFY(person.texts().isEmpty());
}

void TestSharing::deleteWithoutDialog_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<bool>("changedElsewhere");
    for (ToolKind k : Kinds) {
        QTest::newRow(qPrintable(kindName(k) + ": deleted")) << k << false;
        QTest::newRow(qPrintable(kindName(k) + ": changed elsewhere first")) << k << true;
    }
}

// A delete through the table object, as the catalogue pages run it: no
// dialog, the row written directly, the step after it in every case.
void TestSharing::deleteWithoutDialog()
{
    QFETCH(ToolKind, kind);
    QFETCH(bool, changedElsewhere);

    TwoCopies copies;
    ScriptedUser person;
    const ToolKindInfo& info = toolKind(kind);
    const qint64 id = addTools(copies.other, kind);
    RecordSet& table = tableObjectOf(*DM, kind);
    bool afterwards = false;

    RowEditorSteps steps;
    steps.prepare = [&] {
        table.close();
        table.setFilter("ID=" + QString::number(id));
        table.setFiltered(true);
        table.open();
        if (changedElsewhere)
            copies.other.exec(QStringLiteral("UPDATE %1 SET K_vo_BU = 4 WHERE ID=%2").arg(info.table).arg(id));
        return true;
    };
    steps.write = [&] { table.remove(); };
    steps.shows << &table;
    steps.finally = [&] { afterwards = true; };
    steps.failureMessage = "Возникла ошибка при попытке удаления данных. Данные не сохранены!!!";
    const RowEditorResult r = runCallerTransaction(frm_Main, DM->ADOConnection1, nullptr, steps);

    QVERIFY(afterwards);
    QCOMPARE(r, changedElsewhere ? RowEditorResult::Failed : RowEditorResult::Stored);
    QCOMPARE(copies.other.scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE ID=%2").arg(info.table).arg(id)),
             qint64(changedElsewhere ? 1 : 0));
    // The table object shows what the file holds.
    QCOMPARE(table.recordCount(), changedElsewhere ? 1 : 0);
    if (changedElsewhere) {
        QCOMPARE(table.fieldByName("K_vo_BU").asInteger(), 4);
        QCOMPARE(person.texts(), QStringList{steps.failureMessage + "\n\n" + DbError::conflictText()});
    } else {
        QVERIFY(person.texts().isEmpty());
    }
}

QTEST_MAIN(TestSharing)
#include "tst_sharing.moc"
