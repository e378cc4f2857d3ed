// The return of a debt and the debts page, driven through the windows with
// the scripted user across the four tool kinds: the dialog's lists, totals
// and colours; what a return stores; a failure at each of its writes and a
// debt closed or changed in another copy, which leave the file as it was;
// one tool's debts viewed from its page, kept until cleared; the jump from
// a debt to its tool. After every test the file passes the consistency
// check (each tool's count in work is the sum of its open debts, and more).
#include "Consistency.h"
#include "DataAware.h"
#include "FaultInjection.h"
#include "MoveCase.h"
#include "RecordSet.h"
#include "Schema.h"
#include "frm_GetBackInstr_Unit.h"

#include <QAction>
#include <QLabel>
#include <QToolButton>
#include <sqlite3.h>

namespace {

// An open debt as an issue leaves it: the pieces move from the stock into work.
qint64 issue(Session& s, ToolKind k, qint64 tool, qint64 people, int nomer, int kvo, bool bu)
{
    const qint64 id = s.debt(nomer, kindCodeOf(k), tool, people, bu, kvo);
    s.conn.exec(kindSql(QStringLiteral("UPDATE {T} SET %1 = %1 - %2, {D} = {D} + %2 WHERE ID = {ID}")
                            .arg(bu ? "K_vo_BU" : "{N}")
                            .arg(kvo),
                        k, tool));
    return id;
}

// The debts, the closed debts and every tool's counters.
QString fileText(Connection& c)
{
    QString out = rowsText(c, "SELECT * FROM Dolgi ORDER BY ID") + "--\n" +
                  rowsText(c, "SELECT * FROM Dolgi_History ORDER BY ID") + "--\n";
    for (ToolKind k : Kinds)
        out += rowsText(c, kindSql("SELECT ID, {N}, K_vo_BU, {D} FROM {T} ORDER BY ID", k, 0));
    return out;
}

QColor base(const QWidget* w) { return w->palette().color(QPalette::Active, QPalette::Base); }

// The colour a state names: normal (the window colour), yellow or red.
QColor stateColour(const QString& state, const QColor& normal)
{
    if (state == "yellow")
        return Tfrm_GetBackInstr::warnYellow();
    if (state == "red")
        return Tfrm_GetBackInstr::warnRed();
    return normal;
}

// Makes a debt current on the debts page, as a click on its row.
void chooseDebt(int nomer)
{
    frm_Main->PageControl_Main->setCurrentIndex(Tfrm_Main::PageDolgi);
    RecordSet& d = DM->dtset_DolgiSQL;
    const int f = d.fieldIndex("Nomer_Zap");
    for (int pos = 0; pos < d.recordCount(); ++pos)
        if (d.intAt(pos, f) == nomer) {
            clickRow(frm_Main->dbgrid_Dolgi, pos);
            break;
        }
    QCOMPARE(d.fieldByName("Nomer_Zap").asInteger(), nomer);
}

} // namespace

// A return in the dialog: the debt's K_vo, from the used stock or not; the
// choices "new+used=total colour", the first being the state at opening;
// the action (ok, refused: OK refused then Esc, cancel, esc); the
// ID_Del_Type stored (0: nothing stored).
struct ReturnCase {
    const char* name;
    int kvo;
    bool bu;
    const char* choices;
    const char* action;
    int code;
};
Q_DECLARE_METATYPE(ReturnCase)

// A return refused or failed: "table:operation" refused by a trigger put on
// the file before the return; SQL of the other copy while the dialog is
// open (kindSql's names, {DEBT} the debt); the message ({K} the kind's
// counters message, {TBL} its table); whether the file keeps K_vo_Dolg the
// sum of the debts.
struct RefusalCase {
    const char* name;
    QString inject;
    const char* elsewhere;
    QString message;
    bool stored;
    bool consistent;
};
Q_DECLARE_METATYPE(RefusalCase)

class TestReturn : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { FaultInjection::install(); }
    void returnDialog_data();
    void returnDialog();
    void returnRefusedOrFailed_data();
    void returnRefusedOrFailed();
    void eachWriteFails_data();
    void eachWriteFails();
    void toolDebtsView_data() { kindRows(); }
    void toolDebtsView();
    void viewTool_data();
    void viewTool();
    void emptyDebtsList();
};

void TestReturn::returnDialog_data()
{
    const ReturnCase cases[] = {
        {"3 new: 2+3 red, 2+1 stored", 3, false, "0+3=3 normal;2+3=5 red;2+1=3 normal", "ok", 4},
        {"2 used: 1 yellow refused", 2, true, "0+2=2 normal;0+1=1 yellow", "refused", 0},
        {"4 new as 1 new + 3 used", 4, false, "0+4=4 normal;1+3=4 normal", "ok", 4},
        {"3 new all into used", 3, false, "0+3=3 normal", "ok", 3},
        {"3 new all into new", 3, false, "0+3=3 normal;3+0=3 normal", "ok", 2},
        {"3 new: 1+0 yellow, then 1+2", 3, false, "0+3=3 normal;1+0=1 yellow;1+2=3 normal", "ok", 4},
        {"3 new: 3+3 red refused", 3, false, "0+3=3 normal;3+3=6 red", "refused", 0},
        {"1 used back", 1, true, "0+1=1 normal", "ok", 3},
        {"2 new, cancel", 2, false, "0+2=2 normal;1+1=2 normal", "cancel", 0},
        {"2 used, Esc", 2, true, "0+2=2 normal", "esc", 0},
        {"2147483646 used: the lists end at it", 2147483646, true, "0+2147483646=2147483646 normal", "ok", 3},
        {"2147483646 new: both lists at their ends, red, refused", 2147483646, false,
         "0+2147483646=2147483646 normal;2147483646+2147483646=4294967292 red", "refused", 0},
    };
    kindRows(cases);
}

void TestReturn::returnDialog()
{
    QFETCH(ToolKind, kind);
    QFETCH(ReturnCase, c);
    const int kvo = c.kvo;
    const bool bu = c.bu;
    const QString action = c.action;
    Session s;
    const ToolKindInfo& k = toolKind(kind);
    const qint64 firm = s.firm();
    const qint64 op = s.person("Петров П. П."), other = s.person("Сидоров С. С.");
    const qint64 tool = insertTool(s.conn, kind, firm, "T-7", std::max(kvo + 1, 10), std::max(kvo, 10));
    issue(s, ToolKind::Sverla, insertTool(s.conn, ToolKind::Sverla, firm, "S-1", 5, 5), other, 1, 1, false);
    issue(s, kind, tool, other, 2, 1, false);
    const qint64 debt = issue(s, kind, tool, op, 7, kvo, bu);
    const QStringList n0 = toolCounts(s.conn, kind, tool).split('|');
    const QString before = fileText(s.conn);
    QVERIFY(s.start());
    Connection& db = DM->ADOConnection1;
    chooseDebt(7);

    int rNew = 0, rUsed = 0;
    s.user.onModal([&](QDialog* d) {
        auto* f = qobject_cast<Tfrm_GetBackInstr*>(d);
        QVERIFY(f);
        QCOMPARE(f->windowTitle(), QString("Вернуть инструмент в БД."));
        // The group shows the debt; the lists offer 0 ... K_vo only.
        QCOMPARE(QStringList({f->dbed_Nom->text(), f->DBEdit6->text(), f->dbed_FIO->text(), f->dbed_Kod->text(),
                              f->dbed_Svelo->text(), f->ed_Type->text()}),
                 QStringList({"7", QString::number(kvo), "Петров П. П.", "T-7", kindName(k.code), bu ? "БУ" : "Новый"}));
        QCOMPARE(base(f->DBEdit6), Tfrm_GetBackInstr::paleGreen());
        QCOMPARE(f->cmbx_K_vo_NEW->isEnabled(), !bu);
        QCOMPARE(listItems(f->cmbx_K_vo_NEW), numberList(kvo));
        QCOMPARE(listItems(f->cmbx_K_vo_BU), numberList(kvo));
        const QColor normal = QApplication::palette(f->cmbx_K_vo_BU).color(QPalette::Base);
        const QStringList choices = QString(c.choices).split(';');
        for (int i = 0; i < choices.size(); ++i) {
            // "new+used=total colour": the lists set to (new, used) by the person after the first.
            const QStringList parts = choices[i].split(QRegularExpression("[+= ]"));
            rNew = parts[0].toInt();
            rUsed = parts[1].toInt();
            if (i > 0 && f->cmbx_K_vo_NEW->isEnabled())
                f->cmbx_K_vo_NEW->setCurrentIndex(rNew);
            if (i > 0)
                f->cmbx_K_vo_BU->setCurrentIndex(rUsed);
            const QString state = parts[3];
            QCOMPARE(f->cmbx_K_vo_NEW->currentText(), parts[0]);
            QCOMPARE(f->cmbx_K_vo_BU->currentText(), parts[1]);
            QCOMPARE(f->ed_SUM->text(), parts[2]);
            QCOMPARE(base(f->ed_SUM), state == "normal" ? Tfrm_GetBackInstr::paleGreen() : stateColour(state, normal));
            QCOMPARE(base(f->cmbx_K_vo_BU), stateColour(state, normal));
            QCOMPARE(base(f->cmbx_K_vo_NEW), bu ? normal : stateColour(state, normal));
        }
        if (action == "cancel" || action == "esc") {
            if (action == "esc")
                QTest::keyClick(f, Qt::Key_Escape);
            else
                QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
            return;
        }
        QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
        if (action == "refused") {
            QVERIFY(f->isVisible());   // stays open, nothing written
            QCOMPARE(s.user.lastText(), Tfrm_GetBackInstr::totalMismatchText());
            QCOMPARE(fileText(db), before);
            QTest::keyClick(f, Qt::Key_Escape);
        }
    });
    // Half of the kinds in the program's real modal loop, where a person's
    // clicks arrive through the event loop; the main window is usable after.
    s.user.setRealLoop(pageOf(kind) % 2 == 1);
    // The tool-bar button on one half of the kinds, the grid's menu on the other.
    if (pageOf(kind) % 2 == 0)
        QTest::mouseClick(frm_Main->SpeedButton1, Qt::LeftButton);
    else
        frm_Main->pm_Dolgi_Return->trigger();
    QCOMPARE(s.user.leftOpen(), 0);
    QCOMPARE(s.user.stuck(), 0);
    QCOMPARE(ScriptedUser::usableProblem(frm_Main), QString());
    QVERIFY(!frm_GetBackInstr->isVisible());
    QCOMPARE(s.user.modalsShown().count("frm_GetBackInstr"), 1);

    RecordSet& list = DM->dtset_DolgiSQL;
    const QStringList listed = column(list, "Nomer_Zap");
    if (c.code == 0) {
        QCOMPARE(fileText(db), before);
        QVERIFY(listed.contains("7"));
        QCOMPARE(s.user.texts().size(), action == "refused" ? 1 : 0);
    } else {
        QVERIFY2(s.user.texts().isEmpty(), qPrintable(s.user.texts().join('\n')));
        const QString counts =
            QStringLiteral("%1|%2|%3").arg(n0[0].toInt() + rNew).arg(n0[1].toInt() + rUsed).arg(n0[2].toInt() - kvo);
        QCOMPARE(toolCounts(db, kind, tool), counts);
        QCOMPARE(db.scalar(QStringLiteral("SELECT COUNT(*) FROM Dolgi WHERE ID = %1").arg(debt)), 0);
        const QString today = QDate::currentDate().toString("yyyy-MM-dd") + " 00:00:00";
        QCOMPARE(rowsText(db, "SELECT Nomer_Zap, ID_Instr, ID_Tabl, ID_People, date(Date_Start), Date_Fin, "
                              "K_vo_Instr_Bral, Instr_BU, K_vo_Instr_Vernul_New, K_vo_Instr_Vernul_BU, "
                              "K_vo_Instr_Spisano IS NULL, ID_Del_Type, FIO_AdminBD_Add, FIO_AdminBD_DEL "
                              "FROM Dolgi_History"),
                 rowText(7, tool, k.code, op, "2026-03-08", today, kvo, int(bu), rNew, rUsed, 1, c.code,
                         "Администратор", "Администратор"));
        // The lists show it: the debt gone with the first row current, the
        // tool's new counts on its page.
        QVERIFY(!listed.contains("7"));
        QCOMPARE(listed.size(), 2);
        QCOMPARE(list.recNo(), 1);
        QVERIFY(catalogueOf(*DM, kind).locate("ID", int(tool)));
        QCOMPARE(pageCounts(kind), counts);
        QCOMPARE(frm_Main->statusPanelText(0), QString(" Всего записей : 2"));
    }
    QCOMPARE(consistencyFindings(db, false), QStringList());
}

void TestReturn::returnRefusedOrFailed_data()
{
    const QString closed = "Долг № 7 уже закрыт или изменён в другой копии программы. "
                           "Ничего не сохранено, список долгов обновлён.";
    const RefusalCase cases[] = {
        {"history row fails", "Dolgi_History:INSERT", "", Tfrm_GetBackInstr::historyFailureText(), false, true},
        {"counters fail", "{T}:UPDATE", "", "{K}", false, true},
        {"debt deletion fails", "Dolgi:DELETE", "", Tfrm_GetBackInstr::deleteFailureText(), false, true},
        {"returned in another copy", "",
         "INSERT INTO Dolgi_History (Nomer_Zap, ID_Instr, ID_Tabl, ID_People, Date_Start, Date_Fin, K_vo_Instr_Bral, "
         "Instr_BU, K_vo_Instr_Vernul_New, K_vo_Instr_Vernul_BU, ID_Del_Type, FIO_AdminBD_Add, FIO_AdminBD_DEL) "
         "VALUES (7, {ID}, {C}, 1, '2026-03-08 00:00:00', '2026-03-09 00:00:00', 3, 0, 0, 3, 3, 'А', 'Другой'); "
         "UPDATE {T} SET K_vo_BU = K_vo_BU + 3, {D} = {D} - 3 WHERE ID = {ID}; DELETE FROM Dolgi WHERE ID = {DEBT}",
         closed, false, true},
        {"quantity changed in another copy", "",
         "UPDATE Dolgi SET K_vo = 2 WHERE ID = {DEBT}; UPDATE {T} SET K_vo_BU = K_vo_BU + 1, {D} = {D} - 1 "
         "WHERE ID = {ID}", closed, false, true},
        {"tool row deleted in another copy", "", "DELETE FROM {T} WHERE ID = {ID}",
         "Инструмент долга № 7 не найден в таблице \"{TBL}\". Долг не закрыт, ничего не сохранено!!!", false, false},
        {"fewer in work than the debt", "", "UPDATE {T} SET {D} = 1 WHERE ID = {ID}",
         "У инструмента долга № 7 в работе числится 1 шт., меньше, чем по долгу (3 шт.). Долг не закрыт, "
         "ничего не сохранено!!!", false, false},
        {"same tool issued in another copy", "",
         "INSERT INTO Dolgi (Nomer_Zap, ID_Instr, ID_Tabl, ID_People, Date, K_vo, Instr_is_BU, FIO_AdminBD) "
         "VALUES (8, {ID}, {C}, 1, '2026-03-09 00:00:00', 2, 0, 'Другой'); "
         "UPDATE {T} SET {N} = {N} - 2, {D} = {D} + 2 WHERE ID = {ID}", "", true, true},
    };
    kindRows(cases);
}

void TestReturn::returnRefusedOrFailed()
{
    QFETCH(ToolKind, kind);
    QFETCH(RefusalCase, c);
    Session s;
    const ToolKindInfo& k = toolKind(kind);
    const qint64 op = s.person("Петров П. П.");
    const qint64 tool = insertTool(s.conn, kind, s.firm(), "T-7", 10, 10);
    issue(s, kind, tool, op, 1, 1, true);
    const qint64 debt = issue(s, kind, tool, op, 7, 3, false);
    QVERIFY(s.start());
    Connection& db = DM->ADOConnection1;
    Connection& otherCopy = s.otherCopy();
    auto fill = [&](const QString& sql) {
        return kindSql(sql, kind, tool)
            .replace("{DEBT}", QString::number(debt))
            .replace("{TBL}", k.table)
            .replace("{K}", Tfrm_GetBackInstr::countersFailureText(k.code));
    };
    if (!c.inject.isEmpty())
        FaultInjection::addFailingTrigger(db, fill(c.inject.section(':', 0, 0)), c.inject.section(':', 1));
    chooseDebt(7);
    const quint64 listReads = DM->dtset_DolgiSQL.readCount();

    QString before;
    s.user.onModal([&](QDialog* d) {
        auto* f = qobject_cast<Tfrm_GetBackInstr*>(d);
        QVERIFY(f);
        if (*c.elsewhere)
            otherCopy.exec(fill(c.elsewhere));
        before = fileText(otherCopy);
        QTest::mouseClick(f->BitBtn1, Qt::LeftButton);   // all 3 pieces into the used stock
        QVERIFY(!f->isVisible());
    });
    frm_Main->pm_Dolgi_Return->trigger();
    QCOMPARE(s.user.leftOpen(), 0);

    RecordSet& list = DM->dtset_DolgiSQL;
    if (c.stored) {
        QVERIFY2(s.user.texts().isEmpty(), qPrintable(s.user.texts().join('\n')));
        QCOMPARE(db.scalar("SELECT COUNT(*) FROM Dolgi_History WHERE ID_Del_Type = 3"), 1);
        QCOMPARE(toolCounts(db, kind, tool), QString("5|12|3"));   // 10-3-2 new, 10-1+3 used, 1+2 in work
    } else {
        QCOMPARE(s.user.texts(), QStringList{fill(c.message)});
        QCOMPARE(s.user.shown().first().title, QString("Ошибка"));
        // The file as it was (or as the other copy left it).
        QCOMPARE(fileText(db), before);
    }
    // The lists show the file (a debt whose tool is gone is no longer listed).
    QVERIFY(list.readCount() > listReads);
    QCOMPARE(column(list, "Nomer_Zap").contains("7"),
             db.scalar(fill("SELECT COUNT(*) FROM Dolgi D JOIN {T} T ON T.ID = D.ID_Instr WHERE D.Nomer_Zap = 7")) == 1);
    if (catalogueOf(*DM, kind).locate("ID", int(tool)))
        QCOMPARE(pageCounts(kind), toolCounts(db, kind, tool));
    else
        QCOMPARE(db.scalar(fill("SELECT COUNT(*) FROM {T} WHERE ID = {ID}")), 0);
    // The table objects are left closed and unfiltered for their next user.
    for (RecordSet* rs : {&tableObjectOf(*DM, kind), &DM->tbl_Dolgi, &DM->tbl_Dolgi_History}) {
        QVERIFY(!rs->isOpen());
        QVERIFY(!rs->filtered());
    }
    if (c.consistent)
        QCOMPARE(consistencyFindings(db, false), QStringList());
}

// Every write the return makes to the disk fails in turn (a failing disk,
// a full one): each time the user is told, the file is as before and the
// list still shows the debt; once the disk works the return is stored.
void TestReturn::eachWriteFails_data()
{
    const Flag cases[] = {{"I/O error", false}, {"disk full", true}};
    kindRows(cases);
}

void TestReturn::eachWriteFails()
{
    QFETCH(ToolKind, kind);
    QFETCH(Flag, c);
    const bool full = c.on;
    using FaultInjection::Fault;
    Session s;
    const qint64 tool = insertTool(s.conn, kind, s.firm(), "T-7", 10, 10);
    issue(s, kind, tool, s.person("Петров П. П."), 7, 3, false);
    const QString before = fileText(s.conn);
    QVERIFY(s.start());
    Connection& db = DM->ADOConnection1;
    const QStringList messages{Tfrm_GetBackInstr::historyFailureText(),
                               Tfrm_GetBackInstr::countersFailureText(toolKind(kind).code),
                               Tfrm_GetBackInstr::deleteFailureText()};
    const int runs = FaultInjection::everyWriteFails(full ? Fault::DiskFull : Fault::IoError, full, [&](int nth) {
        FaultInjection::clear();
        s.user.clear();
        chooseDebt(7);
        s.user.onModal([&](QDialog* d) {
            // Armed only once the storekeeper presses OK.
            FaultInjection::failWrite(nth, full ? Fault::DiskFull : Fault::IoError, full);
            QTest::mouseClick(qobject_cast<Tfrm_GetBackInstr*>(d)->BitBtn1, Qt::LeftButton);
        });
        QTest::mouseClick(frm_Main->SpeedButton1, Qt::LeftButton);
        if (FaultInjection::faultsInjected() == 0)
            return;
        const QString when = QStringLiteral("write %1: ").arg(nth);
        QCOMPARE(s.user.texts().size(), 1);
        QVERIFY2(messages.contains(s.user.texts().first().section("\n\n", 0, 0)), qPrintable(when + s.user.lastText()));
        QVERIFY2(fileText(db) == before, qPrintable(when));
        QVERIFY2(column(DM->dtset_DolgiSQL, "Nomer_Zap") == QStringList{"7"}, qPrintable(when));
    });
    qInfo("%d writes of the return failed in turn", runs);
    QVERIFY(runs >= 2);   // the log's frame header and its pages, at least
    QCOMPARE(s.user.texts(), QStringList());
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Dolgi"), 0);
    QCOMPARE(db.scalar("SELECT COUNT(*) FROM Dolgi_History"), 1);
    QCOMPARE(consistencyFindings(db, false), QStringList());
}

// Every kind has a tool with ID 5 in work and one with ID 6 not in work;
// the view of one tool lists its own debts only, survives a return and a
// re-reading of the list, and its clearing lists every debt again.
void TestReturn::toolDebtsView()
{
    QFETCH(ToolKind, kind);

    Session s;
    const qint64 firm = s.firm();
    const qint64 op = s.person("Петров П. П.");
    int nomer = 0;
    for (ToolKind k : Kinds) {
        insertTool(s.conn, k, firm, "T-5", 10, 10, 0, {{"ID", 5}});
        insertTool(s.conn, k, firm, "T-6", 10, 10, 0, {{"ID", 6}});
        issue(s, k, 5, op, ++nomer, 1, false);
        issue(s, k, 5, op, ++nomer, 2, true);
    }
    QVERIFY(s.start());
    const ToolKindInfo& k = toolKind(kind);
    Tfrm_Main* m = frm_Main;
    RecordSet& list = DM->dtset_DolgiSQL;
    RecordSet& cat = catalogueOf(*DM, kind);
    QAction* view = m->catalogueMenu(kind).viewDolgi;
    QVERIFY(view->isEnabled());
    m->PageControl_Main->setCurrentIndex(pageOf(kind));
    // The debts list: every debt or one tool's view (its label shown), the filter, the rows.
    auto listState = [&] {
        return QStringLiteral("%1 %2 %3")
            .arg(m->sttx_Filter_Dolgi->isHidden() ? "all" : "view", list.filtered() ? "filtered" : "whole")
            .arg(list.recordCount());
    };

    // The filter button with no view in force changes nothing.
    QTest::mouseClick(m->spbt_Dolgi_Filtr, Qt::LeftButton);
    QCOMPARE(listState(), QString("all whole 8"));

    // Nothing in work: told so, page and list as they were.
    QVERIFY(cat.locate("ID", 6));
    view->trigger();
    QCOMPARE(s.user.texts(), QStringList{"Нет инструмента в работе!"});
    QCOMPARE(s.user.shown().first().icon, Dialogs::Icon::None);   // a plain box
    QCOMPARE(m->PageControl_Main->currentIndex(), pageOf(kind));
    QCOMPARE(listState(), QString("all whole 8"));

    // The tool with ID 5 of this kind only.
    QVERIFY(cat.locate("ID", 5));
    view->trigger();
    QCOMPARE(m->PageControl_Main->currentIndex(), int(Tfrm_Main::PageDolgi));
    QCOMPARE(listState(), QString("view filtered 2"));
    QCOMPARE(list.filter(), QStringLiteral("(ID_Instr=5) AND (ID_Tabl=%1)").arg(k.code));
    QCOMPARE(column(list, "ID_Tabl"), QStringList(2, QString::number(k.code)));
    QCOMPARE(column(list, "ID_Instr"), QStringList(2, "5"));
    QCOMPARE(m->statusPanelText(0), QString(" Всего записей : 2"));

    // A return in the view keeps the view.
    s.user.onModal([](QDialog* d) { QTest::mouseClick(qobject_cast<Tfrm_GetBackInstr*>(d)->BitBtn1, Qt::LeftButton); });
    QTest::mouseClick(m->SpeedButton1, Qt::LeftButton);
    QCOMPARE(s.user.texts().size(), 1);
    QCOMPARE(listState(), QString("view filtered 1"));
    QCOMPARE(column(list, "ID_Tabl"), QStringList{QString::number(k.code)});
    // So does the list's re-reading after an issue.
    list.close();
    list.open();
    QCOMPARE(listState(), QString("view filtered 1"));

    // Cleared: every remaining debt again.
    QTest::mouseClick(m->spbt_Dolgi_Filtr, Qt::LeftButton);
    QCOMPARE(listState(), QString("all whole 7"));
    QCOMPARE(m->statusPanelText(0), QString(" Всего записей : 7"));

    // A view from another kind's page replaces this one.
    const ToolKind next = Kinds[(pageOf(kind) + 1) % 4];
    view->trigger();
    m->PageControl_Main->setCurrentIndex(pageOf(next));
    QVERIFY(catalogueOf(*DM, next).locate("ID", 5));
    m->catalogueMenu(next).viewDolgi->trigger();
    QCOMPARE(column(list, "ID_Tabl"), QStringList(2, QString::number(toolKind(next).code)));
    QCOMPARE(consistencyFindings(DM->ADOConnection1, false), QStringList());
}

// The jump from a debt to its tool, listed on its catalogue page (its firm exists) or not.
void TestReturn::viewTool_data()
{
    const Flag cases[] = {{"listed", true}, {"not on its page", false}};
    kindRows(cases);
}

void TestReturn::viewTool()
{
    QFETCH(ToolKind, kind);
    QFETCH(Flag, c);
    const bool listed = c.on;

    Session s;
    const qint64 firm = s.firm();
    const qint64 op = s.person("Петров П. П.");
    insertTool(s.conn, kind, firm, "A-1", 5, 5);
    insertTool(s.conn, kind, firm, "B-2", 5, 5);
    const qint64 tool = insertTool(s.conn, kind, listed ? firm : 99, "C-3", 5, 5);   // 99: no such firm
    const qint64 drill = insertTool(s.conn, ToolKind::Sverla, firm, "S-9", 5, 5);
    issue(s, ToolKind::Sverla, drill, op, 1, 1, false);
    issue(s, kind, tool, op, 2, 2, false);
    QVERIFY(s.start());
    RecordSet& cat = catalogueOf(*DM, kind);
    QCOMPARE(cat.locate("ID", int(tool)), listed);
    cat.first();
    const int before = cat.fieldByName("ID").asInteger();

    chooseDebt(2);
    QVERIFY(frm_Main->pm_ViewInstr->isEnabled());
    frm_Main->pm_ViewInstr->trigger();
    QCOMPARE(frm_Main->PageControl_Main->currentIndex(), pageOf(kind));
    QCOMPARE(cat.fieldByName("ID").asInteger(), listed ? int(tool) : before);
    QCOMPARE(consistencyFindings(DM->ADOConnection1, false).size(), listed ? 0 : 1);   // the missing firm
}

// With no debt at all the return and the jump do nothing.
void TestReturn::emptyDebtsList()
{
    Session s;
    QVERIFY(s.start());
    frm_Main->PageControl_Main->setCurrentIndex(Tfrm_Main::PageDolgi);
    QTest::mouseClick(frm_Main->SpeedButton1, Qt::LeftButton);
    frm_Main->pm_Dolgi_Return->trigger();
    frm_Main->pm_ViewInstr->trigger();
    QVERIFY(!s.user.modalsShown().contains("frm_GetBackInstr"));
    QCOMPARE(s.user.texts(), QStringList());
    QCOMPARE(frm_Main->PageControl_Main->currentIndex(), int(Tfrm_Main::PageDolgi));
}

QTEST_MAIN(TestReturn)
#include "tst_return.moc"
