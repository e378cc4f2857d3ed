// The four tool editors and the add, edit and delete commands of the
// catalogue pages, driven through the windows with a scripted user, in
// tables across the four kinds.
#include "tst_main_session.h"

#include "DimensionEditor.h"
#include "ImageBox.h"
#include "ProgramFolder.h"
#include "RecordSet.h"
#include "ToolEditor.h"
#include "ToolKind.h"
#include "frm_Edit_Frezy_Unit.h"
#include "frm_Edit_Sverla_Unit.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QMenu>
#include <QToolButton>

namespace {

// The texts of each kind as the storekeeper reads them, and the names of
// the editor's controls the tests fill.
struct KindCase {
    const char* name;
    const char* addButton;
    const char* editButton;
    const char* delButton;
    const char* grid;
    const char* codeBox;
    const char* firmBox;
    const char* diameterBox;   // none for holders and inserts
    const char* addCaption;
    const char* editCaption;
    const char* addError;
    const char* editError;
    const char* debtMessage;
    const char* confirmation;
    const char* deleteError;
};

const KindCase& kindCase(ToolKind k)
{
    static const KindCase cases[] = {
        {"drills", "spbt_Sverlo_New", "spbt_Sverlo_Edit", "spbt_Sverlo_Del", "dbgr_Sverlo", "dbed_Sverla_KOD",
         "dbcmbx_Sverla_Firma", "ed_DiamSv", "Добавление новой записи. Таблица: СВЁРЛА",
         "Редактирование записи. Таблица: СВЁРЛА",
         "Возникла ошибка при попытке добавления данных в таблице \"Sverla\". Данные не сохранены!!!",
         "Возникла ошибка при попытке редактирования данных в таблице \"Sverla\". Данные не сохранены!!!",
         "Нельзя удалить запись инструмента пока есть долги (поле \"В ДОЛГУ\" отлично от 0)!",
         "Вы уверенны, что хотите удалить запись из таблицы СВЕРЛА?",
         "Возникла ошибка при попытке удаления данных в таблице \"Sverla\". Данные не сохранены!!!"},
        {"cutters", "spbt_FR_NEW", "spbt_FR_EDIT", "spbt_FR_DEL", "dbgr_Frezy", "dbed_Frezy_KOD",
         "dbcmbx_Frezy_Firma", "ed_DiamFR", "Добавление новой записи. Таблица: ФРЕЗЫ",
         "Редактирование записи. Таблица: ФРЕЗЫ.",
         "Возникла ошибка при попытке добавления данных в таблице \"Frezy\". Данные не сохранены!!!",
         "Возникла ошибка при попытке редактирования данных в таблице \"Frezy\". Данные не сохранены!!!",
         "Нельзя удалить запись инструмента пока есть долги (поле \"ДОЛГ\" отлично от 0)!",
         "Вы уверенны, что хотите удалить запись из таблицы ФРЕЗЫ?",
         "Возникла ошибка при попытке удаления данных в таблице \"FREZY\". Данные не сохранены!!!"},
        {"holders", "spbt_Derj_NEW", "spbt_Derj_EDIT", "spbt_Derj_DEL", "dbgr_Derj_PL", "dbed_Derj_KOD",
         "dbcmbx_Derj_Firma", nullptr, "Добавление новой записи. Таблица: ДЕРЖАВКИ ПЛАСТИН",
         "Редактирование записи. Таблица: ДЕРЖАВКИ ПЛАСТИН",
         "Возникла ошибка при попытке добавления данных в таблице \"Derj_PL\". Данные не сохранены!!!",
         "Возникла ошибка при попытке редактирования данных в таблице \"Derj_PL\". Данные не сохранены!!!",
         "Нельзя удалить запись инструмента пока есть долги (поле \"ДОЛГ\" отлично от 0)!",
         "Вы уверенны, что хотите удалить запись из таблицы ДЕРЖАВКИ ПЛАСТИН?",
         "Возникла ошибка при попытке удаления данных в таблице \"tbl_Derj_PL\". Данные не сохранены!!!"},
        {"inserts", "spbt_PL_New", "spbt_PL_Edit", "spbt_PL_DEL", "dbgr_Plastinyi", "dbed_Plast_KOD",
         "dbcmbx_Plast_Firma", nullptr, "Добавление новой записи. Таблица: ПЛАСТИНЫ",
         "Редактирование записи. Таблица: ПЛАСТИНЫ",
         "Возникла ошибка при попытке добавления данных в таблице \"Plastiny\". Данные не сохранены!!!",
         "Возникла ошибка при попытке редактирования данных в таблице \"Plastiny\". Данные не сохранены!!!",
         "Нельзя удалить запись инструмента пока есть долги (поле \"ДОЛГ\" отлично от 0)!",
         "Вы уверенны, что хотите удалить запись из таблицы ПЛАСТИНЫ?",
         "Возникла ошибка при попытке удаления данных в таблице \"tbl_Plastiny\". Данные не сохранены!!!"},
    };
    return cases[int(k)];
}

QString name(ToolKind k) { return QString::fromLatin1(kindCase(k).name); }

const char* const CountMessage = "Нельзя удалить запись инструмента пока его к-во больше 0!";

QLineEdit* lineOf(QWidget* w)
{
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->lineEdit();
    return qobject_cast<QLineEdit*>(w);
}

} // namespace

class TestEditors : public QObject {
    Q_OBJECT
private slots:
    // The pages older than the file that these cases set up stay so.
    void initTestCase() { Tfrm_Main::followOthers = false; }
    void addEditCancel_data();
    void addEditCancel();
    void dimensions_data();
    void dimensions();
    void okChecks_data();
    void okChecks();
    void deleteGuards_data();
    void deleteGuards();
    void writeRefused_data();
    void writeRefused();
    void pictures_data();
    void pictures();
    void cutterWithoutCounts();
};

// ---------------------------------------------------------------------------

void TestEditors::addEditCancel_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<QString>("how");    // button, menu, enter, double click
    QTest::addColumn<bool>("add");
    QTest::addColumn<bool>("ok");
    for (ToolKind k : Kinds) {
        QTest::newRow(qPrintable(name(k) + ": add by button, OK")) << k << "button" << true << true;
        QTest::newRow(qPrintable(name(k) + ": add from the menu, Отмена")) << k << "menu" << true << false;
        QTest::newRow(qPrintable(name(k) + ": edit by button, OK")) << k << "button" << false << true;
        QTest::newRow(qPrintable(name(k) + ": edit from the menu, Отмена")) << k << "menu" << false << false;
        QTest::newRow(qPrintable(name(k) + ": edit by Enter, OK")) << k << "enter" << false << true;
        QTest::newRow(qPrintable(name(k) + ": edit by Enter, the close box")) << k << "enter" << false << false;
        QTest::newRow(qPrintable(name(k) + ": edit by double click, OK")) << k << "double click" << false << true;
    }
}

// An add lands the grid on its first row with the new tool stored and its
// counters zero; an edit keeps the edited row current; Отмена stores
// nothing and leaves no transaction open.
void TestEditors::addEditCancel()
{
    QFETCH(ToolKind, kind);
    QFETCH(QString, how);
    QFETCH(bool, add);
    QFETCH(bool, ok);
    const KindCase& kc = kindCase(kind);
    const ToolKindInfo& info = toolKind(kind);

    Session s;
    const qint64 firm = s.firm("Iscar");
    s.firm("Sandvik");
    insertTool(s.conn, kind, firm, "A-1", 4, 2, 1);
    const qint64 second = insertTool(s.conn, kind, firm, "B-2", 7, 3, 0);
    insertTool(s.conn, kind, firm, "C-3", 1, 0, 0);
    QVERIFY(s.start());
    frm_Main->PageControl_Main->setCurrentIndex(pageOf(kind));
    RecordSet& cat = catalogueOf(*DM, kind);
    auto* grid = child<DBGrid>(frm_Main, kc.grid);
    clickRow(grid, 1);
    QCOMPARE(cat.fieldByName("ID").asInteger(), int(second));

    QString caption, kvoNew, kvoBu;
    s.user.onModal([&](QDialog* d) {
        auto* e = qobject_cast<TToolEditor*>(d);
        QVERIFY(e);
        caption = e->windowTitle();
        kvoNew = e->ed_kvo_new->text();
        kvoBu = e->ed_kvo_BU->text();
        if (add) {
            if (auto* naim = d->findChild<QComboBox*>("dbcmbx_Naim"))
                typeKeys(naim->lineEdit(), "Новое наименование");
            pickItem(child<QComboBox>(d, kc.firmBox), 1);
            if (kc.diameterBox)
                typeKeys(child<QLineEdit>(d, kc.diameterBox), "2.5");
            if (kind == ToolKind::Frezy)
                typeKeys(child<QLineEdit>(d, "ed_L_Sheiki"), "3,5");
        }
        // A code cannot outgrow its column.
        auto* code = child<QLineEdit>(d, kc.codeBox);
        typeOver(code, QString(300, 'x'));
        QCOMPARE(code->text().size(), cat.fieldByName("Kod").size());
        typeOver(code, "Новый-9");
        if (!ok && how == "enter")
            d->close();   // the window's close box
        else
            QTest::mouseClick(child<QPushButton>(d, ok ? "bbtn_OK" : "bbtn_Cancel"), Qt::LeftButton);
    });
    if (how == "menu") {
        const Tfrm_Main::CatalogueMenu& m = frm_Main->catalogueMenu(kind);
        (add ? m.add : m.edit)->trigger();
    } else if (how == "enter") {
        QTest::keyClick(grid, Qt::Key_Return);
    } else if (how == "double click") {
        const QRect r = grid->visualRect(grid->model()->index(1, 0));
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, r.center());
    } else {
        QTest::mouseClick(child<QToolButton>(frm_Main, add ? kc.addButton : kc.editButton), Qt::LeftButton);
    }

    QCOMPARE(s.user.modalsShown().mid(1), QStringList{toolEditor(kind)->objectName()});   // after the login
    QCOMPARE(caption, QString::fromUtf8(add ? kc.addCaption : kc.editCaption));
    QCOMPARE(kvoNew, add ? QString("0") : QString("7"));
    QCOMPARE(kvoBu, add ? QString("0") : QString("3"));
    QCOMPARE(toolEditor(kind)->CloseCode, ok ? 1 : 2);
    QVERIFY(s.user.texts().isEmpty());
    QCOMPARE(s.user.unexpected(), 0);
    QCOMPARE(DM->ADOConnection1.transLevel(), 0);
    QVERIFY(frm_Main->isVisible());

    Connection c;
    c.open(s.db.path());
    const QString table = QString::fromLatin1(info.table);
    QCOMPARE(c.scalar("SELECT COUNT(*) FROM " + table), qint64(add && ok ? 4 : 3));
    QCOMPARE(c.scalar("SELECT COUNT(*) FROM " + table + " WHERE Kod='Новый-9'"), qint64(ok ? 1 : 0));
    QCOMPARE(cat.recordCount(), add && ok ? 4 : 3);
    if (add && ok) {
        // A new tool has zero counters and no picture; the grid is on its first row.
        QCOMPARE(c.scalar(kindSql("SELECT COUNT(*) FROM {T} WHERE Kod='Новый-9' AND {N}=0 AND K_vo_BU=0 AND {D}=0 "
                                  "AND K_vo_Vozvrat=0 AND Pikcher='' AND ID_Firma={ID}",
                                  kind, firm + 1)),
                 1);
        QCOMPARE(cat.recNo(), 1);
        if (kind == ToolKind::Sverla)
            QCOMPARE(c.scalar("SELECT COUNT(*) FROM Sverla WHERE Diam_Sverla=2.5 AND Diam_Hvost=2.5 AND L_Instr=28 "
                              "AND L_reza=12"),
                     1);
        if (kind == ToolKind::Frezy)
            QCOMPARE(c.scalar("SELECT COUNT(*) FROM Frezy WHERE Diam_Frez=2.5 AND Diam_Hvost=2.5 AND L_Instr=28 "
                              "AND L_Reza=12 AND L_Sheiki=3.5 AND K_vo_New=0"),
                     1);
        if (kind == ToolKind::Derj)
            QCOMPARE(c.scalar("SELECT COUNT(*) FROM Derj_Plast WHERE Name='Новое наименование'"), 1);
    } else if (!add && ok) {
        // The edited row stays current and keeps its counters and dimensions.
        QCOMPARE(cat.fieldByName("ID").asInteger(), int(second));
        QCOMPARE(cat.fieldByName("Kod").asString(), QString("Новый-9"));
        QCOMPARE(toolCounts(c, kind, second), QString("7|3|0"));
        if (kind == ToolKind::Frezy)
            QCOMPARE(c.scalar(QStringLiteral("SELECT COUNT(*) FROM Frezy WHERE Diam_Frez=6.5 AND L_Instr=60.5 "
                                             "AND L_Reza=20 AND L_Sheiki=4 AND ID=%1")
                                  .arg(second)),
                     1);
    } else if (!add) {
        QCOMPARE(cat.fieldByName("ID").asInteger(), int(second));
        QCOMPARE(cat.fieldByName("Kod").asString(), QString("B-2"));
    }
    QCOMPARE(cat.state(), RecordSet::State::Browse);
}

// ---------------------------------------------------------------------------

void TestEditors::dimensions_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<QString>("mode");      // ResultWord while typing
    QTest::addColumn<QStringList>("start"); // the four boxes' texts before
    QTest::addColumn<int>("box");           // 0 diameter, 1 shank, 2 length, 3 cutting length
    QTest::addColumn<QString>("keys");      // typed; "<BS>" a Backspace, "<PASTE:…>" a paste
    QTest::addColumn<QStringList>("after"); // the four texts after
    QTest::addColumn<QString>("red");       // which of the four are red, as 0/1

    const QStringList empty{"", "", "", ""};
    const QStringList drill{"5", "5", "55", "25"};
    struct Case {
        ToolKind kind;
        const char* name;
        const char* mode;
        QStringList start;
        int box;
        const char* keys;
        QStringList after;
        const char* red;
    };
    const Case cases[] = {
        // A new tool: the diameter proposes the rest, half lengths rounded to even.
        {ToolKind::Sverla, "new drill 2,5", "New", empty, 0, "2,5", {"2,5", "2,5", "28", "12"}, "0000"},
        {ToolKind::Sverla, "a point becomes a comma", "New", empty, 0, "2.5", {"2,5", "2,5", "28", "12"}, "0000"},
        {ToolKind::Sverla, "letters and blanks are not typed", "New", empty, 0, "1a ,5", {"1,5", "1,5", "16", "8"},
         "0000"},
        {ToolKind::Sverla, "Backspace removes nothing", "New", empty, 0, "3<BS>", {"3", "3", "33", "15"}, "0000"},
        {ToolKind::Sverla, "an out-of-range diameter is copied too", "New", empty, 0, "31", {"31", "31", "341", "155"},
         "1110"},
        {ToolKind::Sverla, "a tiny diameter", "New", empty, 0, "0,05", {"0,05", "0,05", "1", "0"}, "1111"},
        {ToolKind::Sverla, "a pasted text ends red", "New", empty, 0, "<PASTE:12abc>", {"12abc", "", "", ""}, "1111"},
        {ToolKind::Sverla, "edit: the diameter changes nothing else", "Edit", drill, 0, "<BS>6",
         {"56", "5", "55", "25"}, "1000"},
        {ToolKind::Sverla, "drill length 4 is red", "Edit", drill, 2, "<DEL>4", {"5", "5", "4", "25"}, "0010"},
        {ToolKind::Sverla, "drill length 5 is white", "Edit", drill, 2, "<DEL>5", {"5", "5", "5", "25"}, "0000"},
        {ToolKind::Sverla, "drill length 301 is red", "Edit", drill, 2, "<DEL>301", {"5", "5", "301", "25"}, "0010"},
        {ToolKind::Sverla, "lengths take digits only", "Edit", drill, 2, "<DEL>4,5.", {"5", "5", "45", "25"}, "0000"},
        {ToolKind::Sverla, "a new length proposes its half", "New", drill, 2, "<DEL>50", {"5", "5", "50", "25"},
         "0000"},
        {ToolKind::Sverla, "cutting length 1 is red", "Edit", drill, 3, "<DEL>1", {"5", "5", "55", "1"}, "0001"},
        {ToolKind::Sverla, "cutting length 2 is white", "Edit", drill, 3, "<DEL>2", {"5", "5", "55", "2"}, "0000"},
        {ToolKind::Sverla, "shank 30,5 is red", "Edit", drill, 1, "<DEL>30,5", {"5", "30,5", "55", "25"}, "0100"},
        {ToolKind::Sverla, "an emptied box is red", "Edit", drill, 3, "<DEL>", {"5", "5", "55", ""}, "0001"},
        {ToolKind::Frezy, "new cutter 2,5", "New", empty, 0, "2.5", {"2,5", "2,5", "28", "12"}, "0000"},
        {ToolKind::Frezy, "cutter lengths keep a point, unreadable", "Edit", drill, 2, "<DEL>60.5",
         {"5", "5", "60.5", "25"}, "0010"},
        {ToolKind::Frezy, "cutter lengths take decimals", "Edit", drill, 2, "<DEL>60,5", {"5", "5", "60,5", "25"},
         "0000"},
        {ToolKind::Frezy, "cutter length 4,9 is red", "Edit", drill, 2, "<DEL>4,9", {"5", "5", "4,9", "25"}, "0010"},
        {ToolKind::Frezy, "cutting length 0 is red", "Edit", drill, 3, "<DEL>0", {"5", "5", "55", "0"}, "0001"},
        {ToolKind::Frezy, "cutting length 0,5 is white", "Edit", drill, 3, "<DEL>0,5", {"5", "5", "55", "0,5"},
         "0000"},
        {ToolKind::Frezy, "a new length proposes half of it, rounded", "New", drill, 2, "<DEL>45",
         {"5", "5", "45", "22"}, "0000"},
    };
    for (const Case& c : cases)
        QTest::newRow(c.name) << c.kind << QString(c.mode) << c.start << c.box << QString::fromUtf8(c.keys) << c.after
                              << QString(c.red);
}

void TestEditors::dimensions()
{
    QFETCH(ToolKind, kind);
    QFETCH(QString, mode);
    QFETCH(QStringList, start);
    QFETCH(int, box);
    QFETCH(QString, keys);
    QFETCH(QStringList, after);
    QFETCH(QString, red);

    Session s;
    QVERIFY(s.create());
    TToolEditor* e = toolEditor(kind);
    const QStringList names = kind == ToolKind::Sverla
        ? QStringList{"ed_DiamSv", "ed_DiamHvost", "ed_LSv", "ed_LHvost"}
        : QStringList{"ed_DiamFR", "ed_DiamHvost", "ed_LFR", "ed_LHvost"};
    QList<QLineEdit*> boxes;
    for (const QString& n : names)
        boxes << child<QLineEdit>(e, n);
    // As the caller fills them: boxes first, ResultWord last.
    e->ResultWord = "Edit";
    for (int i = 0; i < 4; ++i)
        boxes[i]->setText(start[i]);
    e->ResultWord = mode;

    QLineEdit* target = boxes[box];
    target->setFocus();
    target->end(false);
    QString rest = keys;
    while (!rest.isEmpty()) {
        if (rest.startsWith("<BS>")) {
            QTest::keyClick(target, Qt::Key_Backspace);
            rest.remove(0, 4);
        } else if (rest.startsWith("<DEL>")) {
            target->selectAll();
            QTest::keyClick(target, Qt::Key_Delete);
            rest.remove(0, 5);
        } else if (rest.startsWith("<PASTE:")) {
            const int end = rest.indexOf('>');
            QApplication::clipboard()->setText(rest.mid(7, end - 7));
            QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
            rest.remove(0, end + 1);
        } else {
            typeKeys(target, rest.left(1));
            rest.remove(0, 1);
        }
    }
    QStringList texts;
    QString reds;
    for (QLineEdit* b : boxes) {
        texts << b->text();
        reds += TDimensionEditor::isRed(b) ? '1' : '0';
    }
    QCOMPARE(texts, after);
    QCOMPARE(reds, red);
}

// ---------------------------------------------------------------------------

void TestEditors::okChecks_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<QStringList>("edits");   // box=text over a valid new tool; "firm=" for none
    QTest::addColumn<QString>("message");     // the one message shown; empty: stored
    QTest::addColumn<QString>("focus");       // the control given the focus; "-" none

    const char* code = "Поле \"Код сверла\" не может быть пустым!";
    const char* firm = "Поле \"Фирма изготовитель\" не может быть пустым!";
    const char* diam = "Поле \"Диаметр сверла\" не может быть пустым, быть меньше 0,1 или больше 30!";
    const char* shank = "Поле \"Диаметр хвостовика\" не может быть пустым, быть меньше 0,1 или больше 30!";
    const char* length = "Поле \"Длина сверла\" не может быть пустым, быть меньше 0 или больше 300!";
    const char* cutting = "Поле \"Длина режущей части \" не может быть пустым, быть меньше 0 или больше 300!";
    const char* equal = "Поле \"Длина режущей части\" не может быть больше или равна \"Длине сверла\"";
    struct Case {
        ToolKind kind;
        const char* name;
        QStringList edits;
        const char* message;
        const char* focus;
    };
    const Case cases[] = {
        {ToolKind::Sverla, "valid", {}, "", "-"},
        {ToolKind::Sverla, "blank code passes", {"dbed_Sverla_KOD= "}, "", "-"},
        {ToolKind::Sverla, "code before everything", {"dbed_Sverla_KOD=", "firm=", "ed_DiamSv="}, code,
         "dbed_Sverla_KOD"},
        {ToolKind::Sverla, "firm before the diameter", {"firm=", "ed_DiamSv=31"}, firm, "dbcmbx_Sverla_Firma"},
        {ToolKind::Sverla, "diameter before the shank", {"ed_DiamSv=31"}, diam, "-"},
        {ToolKind::Sverla, "shank", {"ed_DiamHvost=0"}, shank, "-"},
        {ToolKind::Sverla, "length before cutting", {"ed_LSv=4", "ed_LHvost=1"}, length, "ed_LSv"},
        {ToolKind::Sverla, "cutting", {"ed_LHvost=301"}, cutting, "ed_LHvost"},
        {ToolKind::Sverla, "equal lengths 50 and 50", {"ed_LSv=50", "ed_LHvost=50"}, equal, "ed_LHvost"},
        {ToolKind::Frezy, "valid", {}, "", "-"},
        {ToolKind::Frezy, "drill wording for the code", {"dbed_Frezy_KOD="}, code, "dbed_Frezy_KOD"},
        {ToolKind::Frezy, "firm", {"firm="}, firm, "dbcmbx_Frezy_Firma"},
        {ToolKind::Frezy, "diameter", {"ed_DiamFR=0,05"}, diam, "-"},
        {ToolKind::Frezy, "shank takes the focus", {"ed_DiamHvost=40"}, shank, "ed_DiamHvost"},
        {ToolKind::Frezy, "length", {"ed_LFR=2.5"}, length, "ed_LFR"},
        {ToolKind::Frezy, "cutting", {"ed_LHvost=0"}, cutting, "ed_LHvost"},
        {ToolKind::Frezy, "equal lengths compare decimals", {"ed_LFR=20,5", "ed_LHvost=20,5"}, equal, "ed_LHvost"},
        {ToolKind::Frezy, "cutting just below the length", {"ed_LFR=20,5", "ed_LHvost=20,4"}, "", "-"},
        {ToolKind::Frezy, "an empty neck length is named", {"ed_L_Sheiki="},
         "Поле \"Длина шейки\" должно содержать число (например 12,5)!", "ed_L_Sheiki"},
        {ToolKind::Frezy, "a neck length with a point is named", {"ed_L_Sheiki=1.5"},
         "Поле \"Длина шейки\" должно содержать число (например 12,5)!", "ed_L_Sheiki"},
        {ToolKind::Derj, "valid", {}, "", "-"},
        {ToolKind::Derj, "name first", {"dbcmbx_Naim=", "dbed_Derj_KOD=", "firm="},
         "Поле \"Наименование державки пластины\" не может быть пустым!", "dbcmbx_Naim"},
        {ToolKind::Derj, "code after the name", {"dbed_Derj_KOD=", "firm="},
         "Поле \"Код державки пластины\" не может быть пустым!", "dbed_Derj_KOD"},
        {ToolKind::Derj, "blank code passes", {"dbed_Derj_KOD= "}, "", "-"},
        {ToolKind::Derj, "firm", {"firm="}, firm, "dbcmbx_Derj_Firma"},
        {ToolKind::Derj, "a box number is not checked", {"dbcmbx_Korob="}, "", "-"},
        {ToolKind::Plast, "valid", {}, "", "-"},
        {ToolKind::Plast, "name first", {"dbcmbx_Naim=", "dbed_Plast_KOD="},
         "Поле \"Наименование пластины\" не может быть пустым!", "dbcmbx_Naim"},
        {ToolKind::Plast, "code", {"dbed_Plast_KOD="}, "Поле \"Код пластины\" не может быть пустым!",
         "dbed_Plast_KOD"},
        {ToolKind::Plast, "firm", {"firm="}, firm, "dbcmbx_Plast_Firma"},
    };
    for (const Case& c : cases)
        QTest::newRow(qPrintable(name(c.kind) + ": " + c.name)) << c.kind << c.edits << QString::fromUtf8(c.message)
                                                                << QString(c.focus);
}

// A new tool filled validly, then one or more fields spoiled: OK shows the
// first failing check's message alone, moves the focus, keeps the dialog
// open, and Отмена afterwards stores nothing.
void TestEditors::okChecks()
{
    QFETCH(ToolKind, kind);
    QFETCH(QStringList, edits);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    const KindCase& kc = kindCase(kind);

    Session s;
    s.firm("Iscar");
    QVERIFY(s.start());
    bool openAfterOK = false;
    QWidget* focused = nullptr;
    QWidget* focusBefore = nullptr;
    QString typedName;
    s.user.onModal([&](QDialog* d) {
        if (auto* naim = d->findChild<QComboBox*>("dbcmbx_Naim"))
            typeKeys(naim->lineEdit(), "Наименование");
        typeKeys(child<QLineEdit>(d, kc.codeBox), "K-1");
        bool firm = true;
        if (kc.diameterBox)
            typeKeys(child<QLineEdit>(d, kc.diameterBox), "4");   // 4 / 4 / 44 / 20
        if (kind == ToolKind::Frezy)
            typeKeys(child<QLineEdit>(d, "ed_L_Sheiki"), "2");
        for (const QString& edit : edits) {
            const QString box = edit.section('=', 0, 0), text = edit.section('=', 1);
            if (box == "firm") {
                firm = false;
                continue;
            }
            typeOver(lineOf(child<QWidget>(d, box)), text);
        }
        if (firm)
            pickItem(child<QComboBox>(d, kc.firmBox), 0);
        child<QWidget>(d, kc.codeBox)->setFocus();
        focusBefore = child<QWidget>(d, "bbtn_OK");   // the click takes the focus
        QTest::mouseClick(child<QPushButton>(d, "bbtn_OK"), Qt::LeftButton);
        openAfterOK = d->isVisible();
        focused = d->focusWidget();
        if (openAfterOK)
            QTest::keyClick(d, Qt::Key_Escape);
    });
    QTest::mouseClick(child<QToolButton>(frm_Main, kc.addButton), Qt::LeftButton);

    QCOMPARE(s.user.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (!message.isEmpty())
        QCOMPARE(s.user.shown().first().icon, Dialogs::Icon::None);   // a plain box
    QCOMPARE(openAfterOK, !message.isEmpty());
    QCOMPARE(s.user.leftOpen(), 0);
    if (focus != "-") {
        QVERIFY(focused);
        // A combo box's focus lies in its line.
        QWidget* expected = child<QWidget>(toolEditor(kind), focus);
        QVERIFY2(focused == expected || focused->parentWidget() == expected, qPrintable(focused->objectName()));
    } else if (!message.isEmpty()) {
        QCOMPARE(focused, focusBefore);
    }
    Connection c;
    c.open(s.db.path());
    QCOMPARE(c.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(toolKind(kind).table)),
             qint64(message.isEmpty() ? 1 : 0));
    QCOMPARE(DM->ADOConnection1.transLevel(), 0);
}

// ---------------------------------------------------------------------------

void TestEditors::deleteGuards_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<QString>("setup");   // counts new/bu/dolg, then history rows: P (receipt), S (write-off), D (closed issue), O (receipt of another kind)
    QTest::addColumn<QString>("how");     // button, menu, key
    QTest::addColumn<int>("answer");      // -1 no question expected, 0 No, 1 Yes
    QTest::addColumn<QString>("refusal"); // count, debt, P, S, D; empty for none
    QTest::addColumn<bool>("deleted");

    struct Case {
        const char* name;
        const char* setup;
        const char* how;
        int answer;
        const char* refusal;
        bool deleted;
    };
    const Case cases[] = {
        {"new pieces", "1/0/0", "button", -1, "count", false},
        {"used pieces", "0/2/0", "menu", -1, "count", false},
        {"counts before debts", "1/0/1", "button", -1, "count", false},
        {"debts", "0/0/3", "key", -1, "debt", false},
        {"debts before histories", "0/0/1 P S D", "button", -1, "debt", false},
        {"receipts", "0/0/0 P", "button", -1, "P", false},
        {"receipts before write-offs", "0/0/0 P S D", "button", -1, "P", false},
        {"write-offs", "0/0/0 S D", "menu", -1, "S", false},
        {"closed issues", "0/0/0 D", "button", -1, "D", false},
        {"a receipt of another kind does not block", "0/0/0 O", "button", 1, "", true},
        {"No deletes nothing", "0/0/0", "button", 0, "", false},
        {"Yes deletes", "0/0/0", "menu", 1, "", true},
        {"the Delete key asks the same", "0/0/0", "key", 1, "", true},
    };
    for (ToolKind k : Kinds)
        for (const Case& c : cases)
            QTest::newRow(qPrintable(name(k) + ": " + c.name)) << k << QString(c.setup) << QString(c.how) << c.answer
                                                               << QString(c.refusal) << c.deleted;
}

// A tool that still has stock, debts or history rows is refused with
// exactly one message, the first in the order counts, debts, receipts,
// write-offs, closed issues; otherwise the question decides.
void TestEditors::deleteGuards()
{
    QFETCH(ToolKind, kind);
    QFETCH(QString, setup);
    QFETCH(QString, how);
    QFETCH(int, answer);
    QFETCH(QString, refusal);
    QFETCH(bool, deleted);
    const KindCase& kc = kindCase(kind);
    const ToolKindInfo& info = toolKind(kind);

    Session s;
    const qint64 firm = s.firm();
    const QStringList counts = setup.section(' ', 0, 0).split('/');
    insertTool(s.conn, kind, firm, "A-0");
    // The victim is the second row, so that its ID is not the only one.
    const qint64 id = insertTool(s.conn, kind, firm, "B-1", counts[0].toInt(), counts[1].toInt(), counts[2].toInt());
    const int otherCode = info.code % 4 + 1;
    for (const QString& h : setup.section(' ', 1).split(' ', Qt::SkipEmptyParts)) {
        if (h == "P" || h == "O")
            s.insert("Prihod_History", {{"ID_Instr", id}, {"ID_Tabl", h == "P" ? info.code : otherCode}, {"K_vo", 1}});
        if (h == "S")
            s.insert("Spisanie_History", {{"ID_Instr", id}, {"ID_Tabl", info.code}, {"K_vo", 1}});
        if (h == "D")
            s.insert("Dolgi_History", {{"Nomer_Zap", 1}, {"ID_Instr", id}, {"ID_Tabl", info.code}, {"ID_People", 1}});
    }
    QVERIFY(s.start());
    frm_Main->PageControl_Main->setCurrentIndex(pageOf(kind));
    RecordSet& cat = catalogueOf(*DM, kind);
    auto* grid = child<DBGrid>(frm_Main, kc.grid);
    QVERIFY(cat.locate("ID", int(id)));
    if (answer >= 0)
        s.user.answer(answer == 1);

    if (how == "menu")
        frm_Main->catalogueMenu(kind).del->trigger();
    else if (how == "key")
        QTest::keyClick(grid, Qt::Key_Delete);
    else
        QTest::mouseClick(child<QToolButton>(frm_Main, kc.delButton), Qt::LeftButton);

    static const QHash<QString, QString> historyMessages = {
        {"P", "Не возможно удалить запись, т.к. в таблице \"ИСТОРИЯ ПРИХОДА ИНСТРУМЕНТА\" имеются связанные записи."},
        {"S", "Не возможно удалить запись, т.к. в таблице \"ИСТОРИЯ СПИСАНИЯ ИНСТРУМЕНТА\" имеются связанные записи."},
        {"D", "Не возможно удалить запись, т.к. в таблице \"ИСТОРИЯ ДОЛГОВ\" имеются связанные записи."}};
    QList<ScriptedUser::Shown> expected;
    if (refusal == "count")
        expected.append({ScriptedUser::Shown::Message, Dialogs::Icon::Error, "Ошибка", CountMessage});
    else if (refusal == "debt")
        expected.append({ScriptedUser::Shown::Message, Dialogs::Icon::Error, "Ошибка", kc.debtMessage});
    else if (!refusal.isEmpty())
        expected.append({ScriptedUser::Shown::Message, Dialogs::Icon::Error, "Ошибка", historyMessages[refusal]});
    else
        expected.append({ScriptedUser::Shown::Question, Dialogs::Icon::Question, "Подтверждение удаления данных",
                         QString::fromUtf8(kc.confirmation)});
    QCOMPARE(s.user.shown().size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(s.user.shown()[i].text, expected[i].text);
        QCOMPARE(s.user.shown()[i].title, expected[i].title);
        QCOMPARE(int(s.user.shown()[i].icon), int(expected[i].icon));
    }
    QCOMPARE(s.user.unexpected(), 0);

    Connection c;
    c.open(s.db.path());
    QCOMPARE(c.scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE ID=%2").arg(info.table).arg(id)),
             qint64(deleted ? 0 : 1));
    QCOMPARE(c.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(info.table)), qint64(deleted ? 1 : 2));
    // The page shows the file and the main window is back.
    QCOMPARE(cat.recordCount(), deleted ? 1 : 2);
    QVERIFY(frm_Main->isVisible());
    QCOMPARE(DM->ADOConnection1.transLevel(), 0);
    QVERIFY(!tableObjectOf(*DM, kind).isOpen());
}

// ---------------------------------------------------------------------------

void TestEditors::writeRefused_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<QString>("command");
    for (ToolKind k : Kinds)
        for (const char* c : {"add", "edit", "edit of a row changed elsewhere", "delete",
                              "delete of a row deleted elsewhere", "empty page"})
            QTest::newRow(qPrintable(name(k) + ": " + c)) << k << QString(c);
}

// A write the file refuses is rolled back, shown with the kind's message,
// and the page shows the file as it is; on an empty page edit and delete
// do nothing and show nothing.
void TestEditors::writeRefused()
{
    QFETCH(ToolKind, kind);
    QFETCH(QString, command);
    const KindCase& kc = kindCase(kind);
    const ToolKindInfo& info = toolKind(kind);
    const QString table = QString::fromLatin1(info.table);

    Session s;
    const qint64 firm = s.firm();
    const bool empty = command == "empty page";
    const qint64 id = empty ? 0 : insertTool(s.conn, kind, firm, "A-1");
    QVERIFY(s.start());
    Connection other;
    other.open(s.db.path());
    const char* event = command == "add" ? "INSERT" : command == "edit" ? "UPDATE" : "DELETE";
    if (command.startsWith("delete of"))
        other.exec(QStringLiteral("DELETE FROM %1 WHERE ID=%2").arg(table).arg(id));
    else if (command.startsWith("edit of"))
        other.exec(QStringLiteral("UPDATE %1 SET Kod='Z-7' WHERE ID=%2").arg(table).arg(id));
    else
        other.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE %1 ON %2 BEGIN SELECT RAISE(ABORT, 'refused'); END")
                       .arg(event, table));
    frm_Main->PageControl_Main->setCurrentIndex(pageOf(kind));
    if (command == "add" || command.startsWith("edit"))
        s.user.onModal([&](QDialog* d) {
            if (auto* naim = d->findChild<QComboBox*>("dbcmbx_Naim"))
                typeKeys(naim->lineEdit(), "Н");
            typeOver(child<QLineEdit>(d, kc.codeBox), "X-9");
            pickItem(child<QComboBox>(d, kc.firmBox), 0);
            if (kc.diameterBox)
                typeOver(child<QLineEdit>(d, kc.diameterBox), "4");
            if (kind == ToolKind::Frezy)
                typeOver(child<QLineEdit>(d, "ed_L_Sheiki"), "2");
            QTest::mouseClick(child<QPushButton>(d, "bbtn_OK"), Qt::LeftButton);
            // A write the file refuses keeps the editor open with what was
            // typed; a row changed elsewhere closes it.
            QCOMPARE(d->isVisible(), !command.contains("elsewhere"));
            if (d->isVisible())
                QTest::mouseClick(child<QPushButton>(d, "bbtn_Cancel"), Qt::LeftButton);
        });
    if (command.startsWith("delete"))
        s.user.answer(true);

    RowEditorResult r = RowEditorResult::Refused;
    if (command == "add")
        r = frm_Main->AddTool(kind);
    else if (command.startsWith("edit") || empty)
        r = frm_Main->EditTool(kind);
    else
        r = frm_Main->DeleteTool(kind);
    if (empty)
        r = frm_Main->DeleteTool(kind) == RowEditorResult::Refused ? r : RowEditorResult::Stored;

    const QString expected = command == "add"          ? kc.addError
                             : command.startsWith("edit") ? kc.editError
                                                          : kc.deleteError;
    QStringList texts = s.user.texts();
    if (command == "delete")
        texts.removeFirst();   // the question (a tool gone already is said at once)
    if (empty) {
        QCOMPARE(r, RowEditorResult::Refused);
        QVERIFY(texts.isEmpty());
        QCOMPARE(s.user.modalsShown().size(), 1);   // the login alone
    } else {
        // Refused: the row was changed or deleted elsewhere; the editor
        // cancelled after a failed OK; a failed delete.
        QCOMPARE(r, command.contains("elsewhere") ? RowEditorResult::Refused
                    : command == "delete"         ? RowEditorResult::Failed
                                                  : RowEditorResult::Cancelled);
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts.first().startsWith(expected), qPrintable(texts.first()));
        // A row changed or deleted elsewhere is said so.
        if (command.startsWith("edit of"))
            QCOMPARE(texts.first(), expected + "\n\n" + DbError::conflictText());
        if (command.startsWith("delete of"))
            QVERIFY2(texts.first().startsWith(expected + "\n\nИнструмента нет"), qPrintable(texts.first()));
    }
    QCOMPARE(s.user.unexpected(), 0);
    QCOMPARE(DM->ADOConnection1.transLevel(), 0);
    QVERIFY(frm_Main->isVisible());
    // The page shows the file.
    RecordSet& cat = catalogueOf(*DM, kind);
    QCOMPARE(cat.state(), RecordSet::State::Browse);
    QCOMPARE(qint64(cat.recordCount()), other.scalar("SELECT COUNT(*) FROM " + table));
    if (command.startsWith("edit of")) {
        QCOMPARE(cat.fieldByName("Kod").asString(), QString("Z-7"));
        QCOMPARE(other.scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Kod='Z-7'").arg(table)), 1);
    } else if (!empty && !command.startsWith("delete of")) {
        QCOMPARE(other.scalar(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Kod='A-1'").arg(table)), 1);
    }
}

// ---------------------------------------------------------------------------

void TestEditors::pictures_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<QString>("pick");   // elsewhere, inside, missing, cancel, remove, clash, same bytes
    QTest::addColumn<int>("answer");     // to the replace question: -1 none asked, 0 No, 1 Yes
    QTest::addColumn<QString>("name");   // PictureName after
    QTest::addColumn<bool>("shown");     // Image1 visible after
    QTest::addColumn<int>("files");      // files in Images/Instrument after
    QTest::addColumn<bool>("replaced");  // the folder's old.jpg holds the chosen picture's bytes
    for (ToolKind k : Kinds) {
        const QString n = name(k) + ": ";
        QTest::newRow(qPrintable(n + "from elsewhere, copied in")) << k << "elsewhere" << -1 << "new.jpg" << true << 2
                                                                   << false;
        QTest::newRow(qPrintable(n + "from the folder, used there")) << k << "inside" << -1 << "old.jpg" << true << 1
                                                                     << false;
        QTest::newRow(qPrintable(n + "a missing file")) << k << "missing" << -1 << "" << false << 1 << false;
        QTest::newRow(qPrintable(n + "dialog cancelled")) << k << "cancel" << -1 << "old.jpg" << true << 1 << false;
        QTest::newRow(qPrintable(n + "picture removed")) << k << "remove" << -1 << "" << false << 1 << false;
        QTest::newRow(qPrintable(n + "another file of that name, replaced")) << k << "clash" << 1 << "old.jpg" << true
                                                                             << 1 << true;
        QTest::newRow(qPrintable(n + "another file of that name, kept")) << k << "clash" << 0 << "old.jpg" << true << 1
                                                                         << false;
        QTest::newRow(qPrintable(n + "the same bytes, used without a question")) << k << "same bytes" << -1
                                                                                 << "old.jpg" << true << 1 << false;
    }
}

// Through the editor's menu, then stored with OK on an edited tool.
void TestEditors::pictures()
{
    QFETCH(ToolKind, kind);
    QFETCH(QString, pick);
    QFETCH(int, answer);
    QFETCH(QString, name);
    QFETCH(bool, shown);
    QFETCH(int, files);
    QFETCH(bool, replaced);
    const ToolKindInfo& info = toolKind(kind);

    Session s;
    const qint64 firm = s.firm();
    const qint64 id = insertTool(s.conn, kind, firm, "A-1");
    s.conn.exec(QStringLiteral("UPDATE %1 SET Pikcher='old.jpg' WHERE ID=%2").arg(info.table).arg(id));
    QVERIFY(s.create());
    setProgramFolder(s.db.folder());
    QVERIFY(writeImage(instrumentFolder() + "old.jpg", Qt::green));
    QTemporaryDir elsewhere;
    QVERIFY(writeImage(elsewhere.filePath("new.jpg"), Qt::green));
    QDir(elsewhere.path()).mkpath("same");
    QVERIFY(QFile::copy(instrumentFolder() + "old.jpg", elsewhere.filePath("same/old.jpg")));
    QVERIFY(writeImage(elsewhere.filePath("old.jpg"), Qt::red));
    const QByteArray oldBytes = fileBytes(instrumentFolder() + "old.jpg");
    const QByteArray otherBytes = fileBytes(elsewhere.filePath("old.jpg"));
    QVERIFY(s.showWithLogin("Администратор", "123"));
    frm_Main->PageControl_Main->setCurrentIndex(pageOf(kind));

    const QMap<QString, QString> chosen{{"elsewhere", elsewhere.filePath("new.jpg")},
                                        {"inside", instrumentFolder() + "old.jpg"},
                                        {"missing", elsewhere.filePath("gone.jpg")},
                                        {"cancel", QString()},
                                        {"clash", elsewhere.filePath("old.jpg")},
                                        {"same bytes", elsewhere.filePath("same/old.jpg")}};
    if (chosen.contains(pick))
        s.user.pickFile(chosen[pick]);
    if (answer >= 0)
        s.user.answer(answer == 1);
    bool shownAtStart = false, shownAfter = false;
    QString nameAfter;
    s.user.onModal([&](QDialog* d) {
        auto* e = qobject_cast<TToolEditor*>(d);
        shownAtStart = e->Image1->isVisible();
        auto* menu = child<QMenu>(d, QString::fromLatin1(kind == ToolKind::Sverla  ? "pm_SV"
                                                         : kind == ToolKind::Frezy ? "pm_FR"
                                                         : kind == ToolKind::Derj  ? "pm_Derj"
                                                                                   : "pm_Plastini"));
        (pick == "remove" ? e->pm_Del : e->pm_Add)->trigger();
        QVERIFY(menu->actions().contains(e->pm_Add));
        shownAfter = e->Image1->isVisible();
        nameAfter = e->PictureName;
        QTest::mouseClick(e->bbtn_OK, Qt::LeftButton);
    });
    frm_Main->EditTool(kind);

    QVERIFY(shownAtStart);
    QCOMPARE(nameAfter, name);
    QCOMPARE(shownAfter, shown);
    QCOMPARE(QDir(instrumentFolder()).entryList(QDir::Files).size(), files);
    if (pick == "elsewhere")
        QVERIFY(QFileInfo::exists(elsewhere.filePath("new.jpg")));   // the chosen file stays where it was
    QCOMPARE(fileBytes(instrumentFolder() + "old.jpg"), replaced ? otherBytes : oldBytes);
    QCOMPARE(catalogueOf(*DM, kind).fieldByName("Pikcher").asString(), name);
    int questions = 0;
    for (const ScriptedUser::Shown& b : s.user.shown())
        questions += b.kind == ScriptedUser::Shown::Question ? 1 : 0;
    QCOMPARE(questions, answer >= 0 ? 1 : 0);
    QCOMPARE(s.user.shown().size(), questions);
    QCOMPARE(s.user.unexpected(), 0);
}

// A cutter whose counts were never filled in can be edited: the empty count
// boxes are not written back (they would not convert), the counts stay empty.
void TestEditors::cutterWithoutCounts()
{
    Session s;
    const qint64 firm = s.firm();
    const qint64 id = insertTool(s.conn, ToolKind::Frezy, firm, "F-1");
    s.conn.exec(QStringLiteral("UPDATE Frezy SET K_vo_NEW=NULL, K_vo_BU=NULL WHERE ID=%1").arg(id));
    QVERIFY(s.start());
    QString kvo = "?";
    s.user.onModal([&](QDialog* d) {
        kvo = child<QLineEdit>(d, "ed_kvo_new")->text();
        typeOver(child<QLineEdit>(d, "dbed_Frezy_KOD"), "F-2");
        QTest::mouseClick(child<QPushButton>(d, "bbtn_OK"), Qt::LeftButton);
    });
    QCOMPARE(frm_Main->EditTool(ToolKind::Frezy), RowEditorResult::Stored);
    QCOMPARE(kvo, QString());
    QVERIFY(s.user.texts().isEmpty());
    Connection c;
    c.open(s.db.path());
    QCOMPARE(c.scalar("SELECT COUNT(*) FROM Frezy WHERE Kod='F-2' AND K_vo_NEW IS NULL AND K_vo_BU IS NULL"), 1);
}

QTEST_MAIN(TestEditors)
#include "tst_editors.moc"
