// Issue to work, driven through the main window's command and the dialog
// with the scripted user, across the four tool kinds: the opening states,
// the refusals and their texts, the rows written, cancel, a second copy of
// the program changing the tool meanwhile, a debt row refused by the file,
// and after every command the stock invariant of the tool.
#include "DataAware.h"
#include "Form.h"
#include "ImageBox.h"
#include "MoveCase.h"
#include "NumberListModel.h"
#include "ProgramFolder.h"
#include "frm_GiveToWork_Unit.h"

#include <QAbstractItemView>
#include <QDateEdit>
#include <QGroupBox>
#include <QStringListModel>

namespace {

const QString NoStock = QStringLiteral("Нельзя выдавать инструмент, которого нет в БД!!!");
const QString NoOperator = QStringLiteral("Поле \"ФИО оператора ЧПУ\" не может быть пустым!!!!");
const QString NotPositive = QStringLiteral("Поле \"Отдать\" не может быть меньше или равно 0!!!");
const QString TooMany = QStringLiteral("Нельзя отдать инструмента больше чем есть в базе!!!");
const QString NomerBad = QStringLiteral("Поле \"№ записи\" должно содержать целое число!!!");

} // namespace

// A case of the issue: the tool's counts "new|used|in work"; what the other
// copy of the program does before the command (a trigger it sets, or a
// write); the steps of the person in the dialog, one showing per
// "|"-separated part; the boxes shown ("@fail" the kind's failure, "@gone"
// the tool deleted elsewhere); the tool's counts in the file afterwards ("" gone) and
// the debt written last (K_vo, 0 for none; from the used stock).
struct GiveCase {
    const char* name;
    const char* counts;
    const char* before;
    const char* script;
    QStringList messages;
    const char* after;
    int kvo;
    bool bu;
};
Q_DECLARE_METATYPE(GiveCase)

class TestGive : public QObject {
    Q_OBJECT
private slots:
    // The pages older than the file that these cases set up stay so.
    void initTestCase() { Tfrm_Main::followOthers = false; }
    void cleanup() { QVERIFY(noWindowShown()); }
    void issue_data();
    void issue();
    void nomerZap_data();
    void nomerZap();
    void operatorPhoto_data();
    void operatorPhoto();
    void quantitySearch_data();
    void quantitySearch();
};

void TestGive::issue_data()
{
    const GiveCase cases[] = {
        {"2 of 5 new, 1 in work", "5|4|1", "",
         "expect type Новый; expect have 5 normal; expect list 5 of 0..5; expect left 5-5=0; expect ok on; "
         "expect nomer 5; expect date today; operator 0; qty 2; expect left 3; ok", {}, "3|4|3", 2, false},
        {"new 0, used 3: opens on the used stock", "0|3|0", "",
         "expect type БУ; expect have 3 normal; expect list 3 of 0..3; expect left 0; expect ok on; operator 1; ok",
         {}, "0|0|3", 3, true},
        {"no stock at all: refused, never shown", "0|0|2", "", "", {NoStock}, "0|0|2", 0, false},
        {"a few million pieces: the list offers them all, a number typed is found", "3000000|0|0", "",
         "expect list 3000000 of 0..3000000; keys 29; expect qty 29; drop up; expect qty 28; qty 2999999; "
         "expect left 1; operator 0; ok", {}, "1|0|2999999", 2999999, false},
        {"the largest stock: the list ends at it", "2147483647|0|0", "",
         "expect have 2147483647 normal; expect list 2147483647 of 0..2147483647; expect left 0; keys 30; "
         "expect qty 30; drop up; expect qty 29; qty 2147483600; expect left 47; operator 0; ok",
         {}, "47|0|2147483600", 2147483600, false},
        {"used stock chosen over the new", "2|6|0", "",
         "type БУ; expect have 6 normal; expect list 6 of 0..6; qty 4; operator 0; ok", {}, "2|2|4", 4, true},
        {"switching to an empty stock and back", "2|0|0", "",
         "type БУ; expect have 0 red; expect list 0 of 0..0; expect left 0; expect ok off; "
         "type Новый; expect have 2 normal; expect list 2 of 0..2; expect ok on; operator 0; ok",
         {}, "0|0|2", 2, false},
        {"quantity 0 refused, then cancel", "3|0|0", "", "operator 0; qty 0; ok; expect open; cancel",
         {NotPositive}, "3|0|0", 0, false},
        {"no operator refused, then one chosen", "3|0|0", "", "ok; expect open; operator 1; qty 1; ok",
         {NoOperator}, "2|0|1", 1, false},
        {"record number not an integer, then mended", "3|1|0", "",
         "operator 0; nomer 1,5; expect nomer red; ok; expect open; nomer 77; expect nomer white; ok",
         {NomerBad}, "0|1|3", 3, false},
        {"empty record number refused", "3|1|0", "", "operator 0; nomer ; ok; cancel", {NomerBad}, "3|1|0", 0,
         false},
        {"a date in the past", "1|0|0", "", "operator 0; date 2026-01-15; ok", {}, "0|0|1", 1, false},
        {"cancel stores nothing", "4|2|0", "", "operator 0; qty 1; cancel", {}, "4|2|0", 0, false},
        {"closing by the window button stores nothing", "4|2|0", "", "operator 0; close", {}, "4|2|0", 0, false},
        {"cancel after a stored issue stores nothing", "4|2|0", "",
         "operator 0; qty 1; ok | operator 1; qty 2; cancel", {}, "3|2|1", 1, false},
        {"two issues, the second from the used stock", "4|2|0", "",
         "operator 0; qty 1; ok | expect nomer 6; type БУ; operator 1; qty 2; ok", {}, "3|0|3", 2, true},
        // The other copy of the program works on the same file.
        {"page older than the file: the list offers the file's stock", "5|0|0", "UPDATE {T} SET {N}=2 WHERE ID={ID}",
         "expect have 2 normal; expect list 2 of 0..2; operator 0; ok", {}, "0|0|2", 2, false},
        {"page older than the file: the stock is gone", "5|0|0", "UPDATE {T} SET {N}=0 WHERE ID={ID}",
         "expect have 0 red; expect ok off; cancel", {}, "0|0|0", 0, false},
        {"tool deleted in the other copy before the command", "5|0|0", "DELETE FROM {T} WHERE ID={ID}", "",
         {"@gone"}, "", 0, false},
        {"counts changed in the other copy while the dialog is open", "5|1|0", "",
         "operator 0; qty 2; other UPDATE {T} SET {N}={N}-4 WHERE ID={ID}; ok; expect open; cancel",
         {stockChangedText(TooMany, 1, 1)}, "1|1|0", 0, false},
        {"counts changed in the other copy, still enough", "5|1|0", "",
         "operator 0; qty 2; other UPDATE {T} SET {N}={N}-3 WHERE ID={ID}; ok", {}, "0|1|2", 2, false},
        {"the debt row refused by the file", "5|1|0",
         "CREATE TRIGGER no_debt BEFORE INSERT ON Dolgi BEGIN SELECT RAISE(ABORT, 'refused'); END",
         "operator 0; qty 2; ok; expect open; cancel", {"@fail"}, "5|1|0", 0, false},
    };
    kindRows(cases);
}

void TestGive::issue()
{
    QFETCH(ToolKind, kind);
    QFETCH(GiveCase, c);
    const QString before = c.before, script = c.script;
    const QStringList n0 = QString(c.counts).split('|');
    const ToolKindInfo& info = toolKind(kind);
    Session s;
    s.firm();
    const qint64 ivanov = s.person("Иванов"), petrov = s.person("Петров");
    // Another drill in work, with the highest record number so far (4).
    s.debt(4, 1, insertTool(s.conn, ToolKind::Sverla, 1, "X-1", 0, 0, 1), petrov, false, 1);
    const qint64 id = insertTool(s.conn, kind, 1, "T-1", n0[0].toInt(), n0[1].toInt(), n0[2].toInt());
    if (n0[2].toInt() > 0)
        s.debt(3, info.code, id, ivanov, false, n0[2].toInt());
    QVERIFY(s.start());
    Connection& copy = s.otherCopy();
    auto sql = [&](const QString& text) { return kindSql(text, kind, id); };
    if (!before.isEmpty())
        copy.exec(sql(before));

    RecordSet& cat = catalogueOf(*DM, kind);
    const qint64 total = n0[0].toLongLong() + n0[1].toLongLong() + n0[2].toLongLong();
    // The other copy's own changes aside, the pieces of the tool only move.
    const bool othersCounts = (!before.isEmpty() && !before.startsWith("CREATE")) || script.contains("other ");
    const QStringList showings = script.isEmpty() ? QStringList() : script.split('|');
    const QDate today = QDate::currentDate();
    int lastNomer = 0;
    for (const QString& showing : showings)
        s.user.onModal([&, showing](QDialog* d) {
            auto* f = qobject_cast<Tfrm_GiveToWork*>(d);
            QVERIFY(f);
            QCOMPARE(f->windowTitle(), QStringLiteral("Отдать инструмент в работу"));
            QCOMPARE(f->Kind, dialogKindOf(kind));
            // The kind's characteristics group alone, showing the tool.
            const QList<QGroupBox*> groups = {f->grbox_Sverla, f->grbox_Frezy, f->grbox_Derjavki, f->grbox_Plastini};
            for (int g = 0; g < 4; ++g)
                QCOMPARE(groups[g]->isVisible(), g == dialogKindOf(kind));
            QCOMPARE((QList<DBEdit*>{f->dbed_Kod, f->DBEdit1, f->DBEdit5, f->DBEdit7})[dialogKindOf(kind)]->text(),
                     QStringLiteral("T-1"));
            QCOMPARE(f->ed_FIOAdmin->text(), QStringLiteral("Администратор"));
            QVERIFY(!f->img_People->isVisible());
            QComboBox* qty = f->cmbx_K_vo_Otdat;
            playSteps(showing, ';', {
                {"expect type ", [&](const QString& a) { QCOMPARE(f->cmbx_Type->currentText(), a); }},
                {"expect have ", [&](const QString& a) {   // "N red" or "N normal"
                     QCOMPARE(f->ed_InstrSclad->text(), a.section(' ', 0, 0));
                     QCOMPARE(isRed(f->ed_InstrSclad), a.section(' ', 1) == "red");
                 }},
                {"expect list ", [&](const QString& a) {   // "S of 0..M": items 0 to M, S chosen
                     const int m = a.section("..", 1).toInt();
                     QCOMPARE(listItems(qty), numberList(m));
                     QCOMPARE(qty->currentText(), a.section(' ', 0, 0));
                     QCOMPARE(qty->findText(QString::number(m)), qty->count() - 1);
                 }},
                {"expect left ", [&](const QString& a) { QCOMPARE(f->ed_InstrOstatok->text(), a.section('=', -1)); }},
                {"expect ok ", [&](const QString& a) {
                     QCOMPARE(f->bbtn_OK->isEnabled(), a == "on");
                     QCOMPARE(qty->isEnabled(), a == "on");
                 }},
                {"expect open", [&](const QString&) { QVERIFY(f->isVisible()); }},
                {"expect date today", [&](const QString&) { QCOMPARE(f->DateTimePicker1->date(), today); }},
                {"expect nomer ", [&](const QString& a) {   // its colour, or its text
                     if (a == "red" || a == "white")
                         QCOMPARE(isRed(f->ed_NomerZap), a == "red");
                     else
                         QCOMPARE(f->ed_NomerZap->text(), a);
                 }},
                {"expect qty ", [&](const QString& a) { QCOMPARE(qty->currentText(), a); }},
                {"operator ", [&](const QString& a) { pickItem(f->DBLookupComboBox1, a.toInt()); }},
                {"type ", [&](const QString& a) { f->cmbx_Type->setCurrentIndex(f->cmbx_Type->findText(a)); }},
                {"keys ", [&](const QString& a) { QTest::keyClicks(qty, a); }},
                {"drop up", [&](const QString&) {
                     // The list dropped down on its chosen item (wide enough for the longest number), one up, Enter.
                     qty->showPopup();
                     QAbstractItemView* view = qty->view();
                     QVERIFY(view->isVisible());
                     QVERIFY(view->viewport()->rect().contains(view->visualRect(view->currentIndex())));
                     QCOMPARE(view->currentIndex().row(), qty->currentIndex());
                     QVERIFY(view->viewport()->width()
                             >= view->fontMetrics().horizontalAdvance(qty->itemText(qty->count() - 1)));
                     QTest::keyClick(view, Qt::Key_Up);
                     QTest::keyClick(view, Qt::Key_Return);
                     QVERIFY(!view->isVisible());
                 }},
                {"qty ", [&](const QString& a) { qty->setCurrentIndex(qty->findText(a)); }},
                {"nomer", [&](const QString& a) {
                     f->ed_NomerZap->setFocus();
                     f->ed_NomerZap->selectAll();
                     QTest::keyClick(f->ed_NomerZap, Qt::Key_Delete);
                     QTest::keyClicks(f->ed_NomerZap, a);
                 }},
                {"date ", [&](const QString& a) { f->DateTimePicker1->setDate(QDate::fromString(a, Qt::ISODate)); }},
                {"other ", [&](const QString& a) { copy.exec(sql(a)); }},
                {"ok", [&](const QString&) {
                     lastNomer = f->ed_NomerZap->text().toInt();
                     QTest::mouseClick(f->bbtn_OK, Qt::LeftButton);
                 }},
                {"cancel", [&](const QString&) { QTest::mouseClick(f->bbtn_Cancel, Qt::LeftButton); }},
                {"close", [&](const QString&) { f->close(); }},
            });
            QVERIFY(!f->isVisible());
        });
    RowEditorResult last = RowEditorResult::Refused;
    for (int i = 0; i < qMax(1, int(showings.size())); ++i) {
        frm_Main->PageControl_Main->setCurrentIndex(pageOf(kind));
        QVERIFY(cat.locate("ID", int(id)));
        last = frm_Main->GiveToWork(kind);
        // No transaction left, and after every command the invariant of the tool's pieces.
        QVERIFY(!DM->ADOConnection1.inTransaction());
        const QStringList n = toolCounts(copy, kind, id).split('|');   // none when the tool is gone
        if (!othersCounts)
            QCOMPARE(n.value(0).toLongLong() + n.value(1).toLongLong() + n.value(2).toLongLong(), total);
        QCOMPARE(n.value(2).toLongLong(),
                 copy.scalar(sql("SELECT SUM(K_vo) FROM Dolgi WHERE ID_Tabl={C} AND ID_Instr={ID}")));
    }
    QCOMPARE(s.user.unexpected(), 0);
    QCOMPARE(s.user.leftOpen(), 0);
    QCOMPARE(s.user.modalsShown().size(), 1 + int(showings.size()));   // the login first
    QStringList want = c.messages;
    want.replaceInStrings("@fail", Tfrm_Main::giveToWorkFailure(kind))
        .replaceInStrings("@gone", Tfrm_Main::giveToWorkFailure(kind) + "\n\n" + ops::toolGoneText());
    QCOMPARE(s.user.texts(), want);
    for (const ScriptedUser::Shown& b : s.user.shown())
        QCOMPARE(b.title, QStringLiteral("Ошибка"));
    QCOMPARE(toolCounts(copy, kind, id), QString(c.after));

    // The last debt of the file, and where the command left the windows.
    RecordSet& debts = DM->dtset_DolgiSQL;
    QCOMPARE((QList<bool>{debts.isOpen(), DM->tbl_Dolgi.isOpen(), DM->tbl_People.isOpen(), DM->tbl_Dolgi.filtered()}),
             (QList<bool>{true, false, false, false}));
    QCOMPARE(cat.state(), RecordSet::State::Browse);
    const qint64 debtRows = copy.scalar("SELECT COUNT(*) FROM Dolgi");
    QCOMPARE(debts.recordCount(), int(debtRows));
    const bool storedLast = last == RowEditorResult::Stored;
    if (c.kvo > 0) {
        QVERIFY(storedLast || showings.size() > 1);
        // The date of the picker, with no time of day.
        const QDate day = script.contains("2026-01-15") ? QDate(2026, 1, 15) : today;
        QCOMPARE(rowsText(copy, QStringLiteral("SELECT K_vo, Instr_is_BU <> 0, ID_Instr, ID_Tabl, ID_People IN (%1, %2),"
                                               " Nomer_Zap, Date = '%3 00:00:00', FIO_AdminBD FROM Dolgi"
                                               " WHERE ID = (SELECT MAX(ID) FROM Dolgi)")
                                    .arg(ivanov).arg(petrov).arg(day.toString(Qt::ISODate))),
                 rowText(c.kvo, int(c.bu), id, info.code, 1, lastNomer, 1, "Администратор"));
    } else {
        QCOMPARE(debtRows, qint64(1 + (n0[2].toInt() > 0 ? 1 : 0)));
    }
    // The page shows the file; a stored issue ends on the debts page, on
    // its first row after a drill and on its last after the other kinds.
    if (storedLast) {
        QCOMPARE(frm_Main->PageControl_Main->currentIndex(), int(Tfrm_Main::PageDolgi));
        QCOMPARE(debts.recNo(), kind == ToolKind::Sverla ? 1 : debts.recordCount());
        if (kind != ToolKind::Sverla)
            QCOMPARE(debts.fieldByName("Nomer_Zap").asInteger(), lastNomer);
        QCOMPARE(frm_Main->statusPanelText(0), QStringLiteral(" Всего записей : ") + QString::number(debtRows));
        QCOMPARE(cat.recNo(), 1);
    } else {
        QCOMPARE(frm_Main->PageControl_Main->currentIndex(), pageOf(kind));
    }
    if (!storedLast && (!othersCounts || script.contains("other "))) {
        // The page shows the file (re-read after a failed post).
        QVERIFY(cat.locate("ID", int(id)));
        QCOMPARE(pageCounts(kind), toolCounts(copy, kind, id));
    }
}

// "№ записи" takes digits, "," and "." (as ","); anything else typed, and
// Backspace, is not taken; pasted text goes through the same filter.
void TestGive::nomerZap_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("typed");    // "<BS>" Backspace, "<PASTE:text>"
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("red");

    QTest::newRow("digits") << "" << "123" << "123" << false;
    QTest::newRow("letters and signs dropped") << "" << "1a-2 +b3" << "123" << false;
    QTest::newRow("point becomes comma") << "" << "1.5" << "1,5" << true;
    QTest::newRow("comma kept") << "" << "7,0" << "7,0" << true;
    QTest::newRow("backspace not taken") << "12" << "<BS>" << "12" << false;
    QTest::newRow("pasted text filtered") << "" << "<PASTE:4x2.y>" << "42," << true;
    QTest::newRow("pasted number") << "" << "<PASTE: 15 >" << "15" << false;
    QTest::newRow("beyond the integer range") << "" << "99999999999" << "99999999999" << true;
}

void TestGive::nomerZap()
{
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(bool, red);

    Session s;
    QVERIFY(s.create());
    NomerZapEdit* e = frm_GiveToWork->ed_NomerZap;
    e->setText(start);
    e->setFocus();
    e->end(false);
    if (typed == "<BS>") {
        QTest::keyClick(e, Qt::Key_Backspace);
    } else if (typed.startsWith("<PASTE:")) {
        QApplication::clipboard()->setText(typed.mid(7).chopped(1));
        e->paste();
    } else {
        QTest::keyClicks(e, typed);
    }
    QCOMPARE(e->text(), text);
    QCOMPARE(isRed(e), red);
}

// The operator's photograph is shown only when his Foto names a file of the
// photo folder by its bare name, as every other picture of the program.
void TestGive::operatorPhoto_data()
{
    QTest::addColumn<QString>("foto");   // "@" the program folder
    QTest::addColumn<bool>("shown");
    QTest::newRow("bare name") << "p1.jpg" << true;
    QTest::newRow("no photograph") << "" << false;
    QTest::newRow("missing file") << "gone.jpg" << false;
    QTest::newRow("two folders up") << "../../x.png" << false;
    QTest::newRow("the tools' folder") << "../Instrument/d1.jpg" << false;
    QTest::newRow("absolute name") << "@/x.png" << false;
    QTest::newRow("link out of the folder") << "out.jpg" << false;
}

void TestGive::operatorPhoto()
{
    QFETCH(QString, foto);
    QFETCH(bool, shown);
    Session s;
    const QString folder = s.db.folder();
    for (const char* f : {"Images/FotoPeoples/p1.jpg", "Images/Instrument/d1.jpg", "x.png"})
        QVERIFY(writeImage(folder + '/' + f, Qt::darkGreen, 48, 36));
    QVERIFY(QFile::link(folder + "/x.png", folder + "/Images/FotoPeoples/out.jpg"));
    s.firm();
    s.person("Иванов", foto.replace("@", folder));
    const qint64 id = insertTool(s.conn, ToolKind::Sverla, 1, "T-1", 3, 0, 0);
    QVERIFY(s.start());
    setProgramFolder(folder);
    bool visible = !shown;
    s.user.onModal([&](QDialog* d) {
        auto* f = qobject_cast<Tfrm_GiveToWork*>(d);
        QVERIFY(f);
        pickItem(f->DBLookupComboBox1, 0);
        QCOMPARE(f->DBLookupComboBox1->currentText(), QStringLiteral("Иванов"));
        visible = f->img_People->isVisible();
        QTest::mouseClick(f->bbtn_Cancel, Qt::LeftButton);
    });
    QVERIFY(catalogueOf(*DM, ToolKind::Sverla).locate("ID", int(id)));
    frm_Main->GiveToWork(ToolKind::Sverla);
    QCOMPARE(s.user.unexpected(), 0);
    QCOMPARE(visible, shown);
}

// Finding a number in a quantity list (a number typed, findText): what a
// list holding every item as text finds, without reading the items.
void TestGive::quantitySearch_data()
{
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("hits");
    QTest::addColumn<QList<int>>("rows");   // for a long list; a short one is checked against a list of texts

    const int typed = Qt::MatchStartsWith | Qt::MatchWrap;
    const int exact = Qt::MatchExactly | Qt::MatchCaseSensitive;
    QTest::newRow("typed 1 from the top") << 123 << 0 << "1" << typed << 1 << QList<int>{};
    QTest::newRow("typed 1, three found") << 123 << 1 << "1" << typed << 3 << QList<int>{};
    QTest::newRow("typed 1 past 19: the hundreds") << 123 << 20 << "1" << typed << 5 << QList<int>{};
    QTest::newRow("typed 12 at the end") << 123 << 120 << "12" << typed << 6 << QList<int>{};
    QTest::newRow("typed 1 wraps to the top") << 123 << 122 << "1" << typed << 4 << QList<int>{};
    QTest::newRow("no wrap") << 123 << 122 << "9" << int(Qt::MatchStartsWith) << 1 << QList<int>{};
    QTest::newRow("typed 0") << 123 << 7 << "0" << typed << 2 << QList<int>{};
    QTest::newRow("typed 9 in a short list") << 5 << 0 << "9" << typed << 1 << QList<int>{};
    QTest::newRow("nothing typed") << 123 << 40 << "" << typed << 2 << QList<int>{};
    QTest::newRow("every match") << 123 << 0 << "2" << typed << -1 << QList<int>{};
    QTest::newRow("exact, after the start") << 123 << 5 << "7" << exact << 1 << QList<int>{};
    QTest::newRow("exact, before the start") << 123 << 10 << "7" << exact << 1 << QList<int>{};
    QTest::newRow("exact with a leading zero") << 123 << 0 << "007" << exact << 1 << QList<int>{};
    QTest::newRow("exact, not a number") << 123 << 0 << "12a" << exact << 1 << QList<int>{};
    QTest::newRow("exact, past the last") << 123 << 0 << "124" << exact << 1 << QList<int>{};
    QTest::newRow("contains") << 123 << 0 << "3" << int(Qt::MatchContains) << 4 << QList<int>{};
    QTest::newRow("the largest list: its last number")
        << 2147483647 << 0 << "2147483647" << exact << 1 << QList<int>{2147483646};
    QTest::newRow("the largest list: the number left out")
        << 2147483647 << 0 << "2147483646" << exact << 1 << QList<int>{};
    QTest::newRow("the largest list: the number before")
        << 2147483647 << 0 << "2147483645" << exact << 1 << QList<int>{2147483645};
    QTest::newRow("the largest list: typed 21474836")
        << 2147483647 << 5 << "21474836" << typed << 3 << QList<int>{21474836, 214748360, 214748361};
    QTest::newRow("the largest list: typed 9 near the end wraps")
        << 2147483647 << 2147483000 << "9" << typed << 2 << QList<int>{9, 90};
}

void TestGive::quantitySearch()
{
    QFETCH(int, last);
    QFETCH(int, start);
    QFETCH(QString, text);
    QFETCH(int, flags);
    QFETCH(int, hits);
    QFETCH(QList<int>, rows);

    NumberListModel numbers;
    numbers.setLast(last);
    auto found = [](const QModelIndexList& list) {
        QList<int> out;
        for (const QModelIndex& i : list)
            out << i.row();
        return out;
    };
    const QModelIndexList got = numbers.match(numbers.index(start), Qt::DisplayRole, text, hits, Qt::MatchFlags(flags));
    if (last <= 1000) {
        QStringList texts;
        for (int i = 0; i <= last; ++i)
            texts << QString::number(i);
        QStringListModel all(texts);
        rows = found(all.match(all.index(start), Qt::DisplayRole, text, hits, Qt::MatchFlags(flags)));
    }
    QCOMPARE(found(got), rows);
    for (const QModelIndex& i : got)
        QVERIFY(i.data().toString().contains(text));
}

QTEST_MAIN(TestGive)
#include "tst_give.moc"
