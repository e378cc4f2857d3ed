// Issue to work, driven through the main window's command and the dialog
// with the scripted user, across the four tool kinds: the opening states,
// the refusals and their texts, the rows written, cancel, a second copy of
// the program changing the tool meanwhile, a debt row refused by the file,
// and after every command the stock invariant of the tool.
#include "DataAware.h"
#include "Form.h"
#include "NumberListModel.h"
#include "ImageBox.h"
#include "ProgramFolder.h"
#include "ToolKind.h"
#include "frm_GiveToWork_Unit.h"
#include "tst_main_session.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QDateEdit>
#include <QGroupBox>
#include <QStringListModel>

namespace {

const QString NoStock = QStringLiteral("Нельзя выдавать инструмент, которого нет в БД!!!");
const QString NoOperator = QStringLiteral("Поле \"ФИО оператора ЧПУ\" не может быть пустым!!!!");
const QString NotPositive = QStringLiteral("Поле \"Отдать\" не может быть меньше или равно 0!!!");
const QString TooMany = QStringLiteral("Нельзя отдать инструмента больше чем есть в базе!!!");
const QString NomerBad = QStringLiteral("Поле \"№ записи\" должно содержать целое число!!!");

struct Counts {
    qint64 kNew, kBu, kDolg, debts;
};

Counts countsOf(Connection& c, ToolKind k, qint64 id)
{
    const QStringList n = toolCounts(c, k, id).split('|');
    return {n.value(0).toLongLong(), n.value(1).toLongLong(), n.value(2).toLongLong(),
            c.scalar(kindSql("SELECT SUM(K_vo) FROM Dolgi WHERE ID_Tabl={C} AND ID_Instr={ID}", k, id))};
}

} // namespace

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

// Each case: the tool's counts (new, used, in work); what the other copy of
// the program does before the command ("before") and a trigger it sets; the
// steps of the person in the dialog, one showing per "|"-separated part;
// the boxes shown; the tool's counts in the file afterwards and the debt
// written last (K_vo, from the used stock), or none.
void TestGive::issue_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QList<int>>("after");
    QTest::addColumn<int>("debtKvo");   // 0: no new debt
    QTest::addColumn<bool>("debtBU");

    struct Case {
        const char* name;
        QList<int> counts;
        const char* before;
        const char* script;
        QStringList messages;   // "@fail" the kind's failure, "@gone" the tool deleted elsewhere, "@short" too few now
        QList<int> after;
        int kvo;
        bool bu;
    };
    const Case cases[] = {
        {"2 of 5 new, 1 in work",
         {5, 4, 1}, "",
         "expect type Новый; expect have 5 normal; expect list 5 of 0..5; expect left 5-5=0; expect ok on; "
         "expect nomer 5; expect date today; operator 0; qty 2; expect left 3; ok",
         {}, {3, 4, 3}, 2, false},
        {"new 0, used 3: opens on the used stock",
         {0, 3, 0}, "",
         "expect type БУ; expect have 3 normal; expect list 3 of 0..3; expect left 0; expect ok on; operator 1; ok",
         {}, {0, 0, 3}, 3, true},
        {"no stock at all: refused, never shown", {0, 0, 2}, "", "", {NoStock}, {0, 0, 2}, 0, false},
        {"a few million pieces: the list offers them all, a number typed is found",
         {3000000, 0, 0}, "",
         "expect list 3000000 of 0..3000000; keys 29; expect qty 29; drop up; expect qty 28; qty 2999999; expect left 1; operator 0; ok",
         {}, {1, 0, 2999999}, 2999999, false},
        {"the largest stock: the list ends at it",
         {2147483647, 0, 0}, "",
         "expect have 2147483647 normal; expect list 2147483647 of 0..2147483647; expect left 0; keys 30; "
         "expect qty 30; drop up; expect qty 29; qty 2147483600; expect left 47; operator 0; ok",
         {}, {47, 0, 2147483600}, 2147483600, false},
        {"used stock chosen over the new",
         {2, 6, 0}, "", "type БУ; expect have 6 normal; expect list 6 of 0..6; qty 4; operator 0; ok",
         {}, {2, 2, 4}, 4, true},
        {"switching to an empty stock and back",
         {2, 0, 0}, "",
         "type БУ; expect have 0 red; expect list 0 of 0..0; expect left 0; expect ok off; "
         "type Новый; expect have 2 normal; expect list 2 of 0..2; expect ok on; operator 0; ok",
         {}, {0, 0, 2}, 2, false},
        {"quantity 0 refused, then cancel",
         {3, 0, 0}, "", "operator 0; qty 0; ok; expect open; cancel", {NotPositive}, {3, 0, 0}, 0, false},
        {"no operator refused, then one chosen",
         {3, 0, 0}, "", "ok; expect open; operator 1; qty 1; ok", {NoOperator}, {2, 0, 1}, 1, false},
        {"record number not an integer, then mended",
         {3, 1, 0}, "", "operator 0; nomer 1,5; expect nomer red; ok; expect open; nomer 77; expect nomer white; ok",
         {NomerBad}, {0, 1, 3}, 3, false},
        {"empty record number refused", {3, 1, 0}, "", "operator 0; nomer ; ok; cancel", {NomerBad}, {3, 1, 0}, 0,
         false},
        {"a date in the past", {1, 0, 0}, "", "operator 0; date 2026-01-15; ok", {}, {0, 0, 1}, 1, false},
        {"cancel stores nothing", {4, 2, 0}, "", "operator 0; qty 1; cancel", {}, {4, 2, 0}, 0, false},
        {"closing by the window button stores nothing", {4, 2, 0}, "", "operator 0; close", {}, {4, 2, 0}, 0, false},
        {"cancel after a stored issue stores nothing",
         {4, 2, 0}, "", "operator 0; qty 1; ok | operator 1; qty 2; cancel", {}, {3, 2, 1}, 1, false},
        {"two issues, the second from the used stock",
         {4, 2, 0}, "", "operator 0; qty 1; ok | expect nomer 6; type БУ; operator 1; qty 2; ok", {}, {3, 0, 3}, 2,
         true},
        // The other copy of the program works on the same file.
        {"page older than the file: the list offers the file's stock",
         {5, 0, 0}, "UPDATE {T} SET {N}=2 WHERE ID={ID}",
         "expect have 2 normal; expect list 2 of 0..2; operator 0; ok", {}, {0, 0, 2}, 2, false},
        {"page older than the file: the stock is gone",
         {5, 0, 0}, "UPDATE {T} SET {N}=0 WHERE ID={ID}", "expect have 0 red; expect ok off; cancel", {}, {0, 0, 0}, 0,
         false},
        {"tool deleted in the other copy before the command",
         {5, 0, 0}, "DELETE FROM {T} WHERE ID={ID}", "", {"@gone"}, {0, 0, 0}, 0, false},
        {"counts changed in the other copy while the dialog is open",
         {5, 1, 0}, "", "operator 0; qty 2; other UPDATE {T} SET {N}={N}-4 WHERE ID={ID}; ok; expect open; cancel",
         {"@short"}, {1, 1, 0}, 0, false},
        {"counts changed in the other copy, still enough",
         {5, 1, 0}, "", "operator 0; qty 2; other UPDATE {T} SET {N}={N}-3 WHERE ID={ID}; ok", {}, {0, 1, 2}, 2,
         false},
        {"the debt row refused by the file",
         {5, 1, 0}, "CREATE TRIGGER no_debt BEFORE INSERT ON Dolgi BEGIN SELECT RAISE(ABORT, 'refused'); END",
         "operator 0; qty 2; ok; expect open; cancel", {"@fail"}, {5, 1, 0}, 0, false},
    };
    for (ToolKind k : Kinds)
        for (const Case& c : cases)
            QTest::newRow(qPrintable(QString::fromLatin1(toolKind(k).table) + ": " + c.name))
                << k << c.counts << QString::fromLatin1(c.before) << QString::fromUtf8(c.script) << c.messages
                << c.after << c.kvo << c.bu;
}

void TestGive::issue()
{
    QFETCH(ToolKind, kind);
    QFETCH(QList<int>, counts);
    QFETCH(QString, before);
    QFETCH(QString, script);
    QFETCH(QStringList, messages);
    QFETCH(QList<int>, after);
    QFETCH(int, debtKvo);
    QFETCH(bool, debtBU);

    const ToolKindInfo& info = toolKind(kind);
    Session s;
    s.firm();
    const qint64 ivanov = s.person("Иванов"), petrov = s.person("Петров");
    // Another drill in work, with the highest record number so far (4).
    const qint64 other = insertTool(s.conn, ToolKind::Sverla, 1, "X-1", 0, 0, 1);
    s.debt(4, 1, other, petrov, false, 1);
    const qint64 id = insertTool(s.conn, kind, 1, "T-1", counts[0], counts[1], counts[2]);
    if (counts[2] > 0)
        s.debt(3, info.code, id, ivanov, false, counts[2]);
    QVERIFY(s.start());
    Connection copy;
    copy.open(s.db.path());
    copy.setBusyWaitMs(300);
    DM->ADOConnection1.setBusyWaitMs(300);
    auto sql = [&](const QString& text) { return kindSql(text, kind, id); };
    if (!before.isEmpty())
        copy.exec(sql(before));

    RecordSet& cat = catalogueOf(*DM, kind);
    const qint64 total = counts[0] + counts[1] + counts[2];
    // The other copy's own changes aside, the pieces of the tool only move.
    const bool othersCounts = (!before.isEmpty() && !before.startsWith("CREATE")) || script.contains("other ");
    auto invariant = [&] {
        const Counts c = countsOf(copy, kind, id);
        if (!othersCounts)
            QCOMPARE(c.kNew + c.kBu + c.kDolg, total);
        QCOMPARE(c.kDolg, c.debts);
    };

    frm_Main->PageControl_Main->setCurrentIndex(pageOf(kind));
    const QStringList showings = script.isEmpty() ? QStringList() : script.split('|');
    const QDate today = QDate::currentDate();
    int lastNomer = 0;
    for (const QString& showing : showings) {
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
            for (QString step : showing.split(';', Qt::SkipEmptyParts)) {
                step = step.trimmed();
                const QString arg = step.section(' ', 1);
                if (step.startsWith("expect type")) {
                    QCOMPARE(f->cmbx_Type->currentText(), step.section(' ', 2));
                } else if (step.startsWith("expect have")) {
                    QCOMPARE(f->ed_InstrSclad->text(), step.section(' ', 2, 2));
                    QCOMPARE(isRed(f->ed_InstrSclad), step.section(' ', 3) == "red");
                } else if (step.startsWith("expect list")) {
                    // "expect list S of 0..M": items 0 to M, S chosen.
                    const int m = step.section("..", 1).toInt();
                    QCOMPARE(listItems(f->cmbx_K_vo_Otdat), numberList(m));
                    QCOMPARE(f->cmbx_K_vo_Otdat->currentText(), step.section(' ', 2, 2));
                    QCOMPARE(f->cmbx_K_vo_Otdat->findText(QString::number(m)), f->cmbx_K_vo_Otdat->count() - 1);
                } else if (step.startsWith("expect left")) {
                    QCOMPARE(f->ed_InstrOstatok->text(), step.section('=', -1).section(' ', -1));
                } else if (step.startsWith("expect ok")) {
                    const bool on = step.endsWith("on");
                    QCOMPARE(f->bbtn_OK->isEnabled(), on);
                    QCOMPARE(f->cmbx_K_vo_Otdat->isEnabled(), on);
                } else if (step == "expect open") {
                    QVERIFY(f->isVisible());
                } else if (step == "expect date today") {
                    QCOMPARE(f->DateTimePicker1->date(), today);
                } else if (step == "expect nomer red" || step == "expect nomer white") {
                    QCOMPARE(isRed(f->ed_NomerZap), step.endsWith("red"));
                } else if (step.startsWith("expect nomer")) {
                    QCOMPARE(f->ed_NomerZap->text(), step.section(' ', 2));
                } else if (step.startsWith("operator")) {
                    pickItem(f->DBLookupComboBox1, arg.toInt());
                } else if (step.startsWith("type")) {
                    f->cmbx_Type->setCurrentIndex(f->cmbx_Type->findText(arg));
                } else if (step.startsWith("keys")) {
                    QTest::keyClicks(f->cmbx_K_vo_Otdat, arg);
                } else if (step == "drop up") {
                    // The list dropped down on its chosen item, one up, Enter.
                    QComboBox* list = f->cmbx_K_vo_Otdat;
                    list->showPopup();
                    QAbstractItemView* view = list->view();
                    QVERIFY(view->isVisible());
                    QVERIFY(view->viewport()->rect().contains(view->visualRect(view->currentIndex())));
                    QCOMPARE(view->currentIndex().row(), list->currentIndex());
                    // Wide enough for the longest number.
                    QVERIFY(view->viewport()->width()
                            >= view->fontMetrics().horizontalAdvance(list->itemText(list->count() - 1)));
                    QTest::keyClick(view, Qt::Key_Up);
                    QTest::keyClick(view, Qt::Key_Return);
                    QVERIFY(!view->isVisible());
                } else if (step.startsWith("expect qty")) {
                    QCOMPARE(f->cmbx_K_vo_Otdat->currentText(), step.section(' ', 2));
                } else if (step.startsWith("qty")) {
                    f->cmbx_K_vo_Otdat->setCurrentIndex(f->cmbx_K_vo_Otdat->findText(arg));
                } else if (step.startsWith("nomer")) {
                    f->ed_NomerZap->setFocus();
                    f->ed_NomerZap->selectAll();
                    QTest::keyClick(f->ed_NomerZap, Qt::Key_Delete);
                    QTest::keyClicks(f->ed_NomerZap, step.mid(6));
                } else if (step.startsWith("date")) {
                    f->DateTimePicker1->setDate(QDate::fromString(arg, Qt::ISODate));
                } else if (step.startsWith("other")) {
                    copy.exec(sql(arg));
                } else if (step == "ok") {
                    lastNomer = f->ed_NomerZap->text().toInt();
                    QTest::mouseClick(f->bbtn_OK, Qt::LeftButton);
                } else if (step == "cancel") {
                    QTest::mouseClick(f->bbtn_Cancel, Qt::LeftButton);
                } else if (step == "close") {
                    f->close();
                } else {
                    QFAIL(qPrintable("unknown step " + step));
                }
            }
            QVERIFY(!f->isVisible());
        });
    }
    const int runs = qMax(1, int(showings.size()));
    RowEditorResult last = RowEditorResult::Refused;
    for (int i = 0; i < runs; ++i) {
        frm_Main->PageControl_Main->setCurrentIndex(pageOf(kind));
        QVERIFY(cat.locate("ID", int(id)));
        last = frm_Main->GiveToWork(kind);
        QVERIFY(!DM->ADOConnection1.inTransaction());
        invariant();
    }
    QCOMPARE(s.user.unexpected(), 0);
    QCOMPARE(s.user.leftOpen(), 0);
    QCOMPARE(s.user.modalsShown().size(), 1 + int(showings.size()));   // the login first

    QStringList want;
    for (const QString& m : messages) {
        if (m == "@fail")
            want << Tfrm_Main::giveToWorkFailure(kind);
        else if (m == "@gone")
            want << Tfrm_Main::giveToWorkFailure(kind) + "\n\n" + ops::toolGoneText();
        else if (m == "@short")
            want << QStringLiteral("Нельзя отдать инструмента больше чем есть в базе!!! В базе сейчас: новых 1 шт., БУ "
                                   "1 шт. (остаток изменён в другой копии программы). Ничего не сохранено, данные "
                                   "обновлены.");
        else
            want << m;
    }
    QCOMPARE(s.user.texts(), want);
    for (const ScriptedUser::Shown& b : s.user.shown())
        QCOMPARE(b.title, QStringLiteral("Ошибка"));

    const Counts c = countsOf(copy, kind, id);
    QCOMPARE((QList<int>{int(c.kNew), int(c.kBu), int(c.kDolg)}), after);

    // The last debt of the file, and where the command left the windows.
    RecordSet& debts = DM->dtset_DolgiSQL;
    QVERIFY(debts.isOpen());
    QVERIFY(!DM->tbl_Dolgi.isOpen());
    QVERIFY(!DM->tbl_People.isOpen());
    QVERIFY(!DM->tbl_Dolgi.filtered());
    QCOMPARE(cat.state(), RecordSet::State::Browse);
    const qint64 debtRows = copy.scalar("SELECT COUNT(*) FROM Dolgi");
    QCOMPARE(debts.recordCount(), int(debtRows));
    const bool storedLast = last == RowEditorResult::Stored;
    if (debtKvo > 0) {
        QVERIFY(storedLast || showings.size() > 1);
        const qint64 newest = copy.scalar("SELECT MAX(ID) FROM Dolgi");
        auto col = [&](const char* name) {
            return copy.scalar(QStringLiteral("SELECT %1 FROM Dolgi WHERE ID=%2").arg(name).arg(newest));
        };
        QCOMPARE(col("K_vo"), qint64(debtKvo));
        QCOMPARE(col("Instr_is_BU") != 0, debtBU);
        QCOMPARE(col("ID_Instr"), id);
        QCOMPARE(col("ID_Tabl"), qint64(info.code));
        QVERIFY(col("ID_People") == ivanov || col("ID_People") == petrov);
        QCOMPARE(col("Nomer_Zap"), qint64(lastNomer));
        // The date of the picker, with no time of day.
        const QDate day = script.contains("2026-01-15") ? QDate(2026, 1, 15) : today;
        QCOMPARE(copy.scalar(QStringLiteral("SELECT Date = '%1 00:00:00' FROM Dolgi WHERE ID=%2")
                                 .arg(day.toString(Qt::ISODate))
                                 .arg(newest)),
                 qint64(1));
        QCOMPARE(copy.scalar(QStringLiteral("SELECT FIO_AdminBD = 'Администратор' FROM Dolgi WHERE ID=%1").arg(newest)),
                 qint64(1));
    } else {
        QCOMPARE(debtRows, qint64(1 + (counts[2] > 0 ? 1 : 0)));
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
        QCOMPARE(cat.fieldByName(info.newField).asInteger(), after[0]);
        QCOMPARE(cat.fieldByName(info.dolgField).asInteger(), after[2]);
    }
    copy.close();
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
