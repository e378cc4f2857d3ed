// Operators, firms and accounts, driven through their windows with a
// scripted user answering every question.
#include "DBGrid.h"
#include "DM_Unit.h"
#include "DataAware.h"
#include "ImageBox.h"
#include "ProgramFolder.h"
#include "ScriptedUser.h"
#include "TestSupport.h"
#include "frm_Add_Edit_Firm_Unit.h"
#include "frm_Change_Pasw_Unit.h"
#include "frm_Edit_People_Unit.h"
#include "frm_Firm_List_Unit.h"
#include "frm_Pasw_List_Unit.h"
#include "frm_People_Unit.h"

#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <algorithm>
#include <QDir>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

namespace {

template <class T>
T* child(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s in %s", name, qPrintable(w->objectName()));
    return c;
}

void typeInto(QLineEdit* e, const QString& text)
{
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Delete);
    // Typed key by key, as a person would (Cyrillic included).
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(e, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(e, &release);
    }
}

int countWhere(Connection& c, const QString& sql) { return int(c.scalar(sql)); }

} // namespace

class TestReference : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void editors_data();
    void editors();
    void oneLineBoxesTakeTypedAndPastedText_data();
    void oneLineBoxesTakeTypedAndPastedText();
    void deletes_data();
    void deletes();
    void operatorPhotoChosen_data();
    void operatorPhotoChosen();
    void cancelledPhotoDialogKeepsPhoto();
    void listsRefuseSmallSizes();
    void pictureSharpAfterTheBoxGrows();

    void renameFirmSeenInEveryGrid();

    void accountsSingleDefault_data();
    void accountsSingleDefault();
    void administratorGuards();
    void accountsListDrawsDefault();

private:
    std::unique_ptr<TempDb> m_db;
    std::unique_ptr<ScriptedUser> m_user;
    int m_firm = 0;
};

void TestReference::init()
{
    m_db = std::make_unique<TempDb>(QStringLiteral("admin"));
    setProgramFolder(m_db->folder());
    QDir(m_db->folder()).mkpath(QStringLiteral("Images/FotoPeoples"));
    QDir(m_db->folder()).mkpath(QStringLiteral("Images/Instrument"));
    {
        Connection c;
        c.open(m_db->path());
        m_firm = int(insertRow(c, "Firma", {{"Name", "Sandvik"}}));
    }
    new TDM(m_db->path());
    frm_People = new Tfrm_People;
    frm_Edit_People = new Tfrm_Edit_People;
    frm_Firm_List = new Tfrm_Firm_List;
    frm_Add_Edit_Firm_rec = new Tfrm_Add_Edit_Firm_rec;
    frm_Pasw_List = new Tfrm_Pasw_List;
    frm_Change_Pasw = new Tfrm_Change_Pasw;
    m_user = std::make_unique<ScriptedUser>();
}

void TestReference::cleanup()
{
    QCOMPARE(m_user->unexpected(), 0);
    m_user.reset();
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName() + QStringLiteral(" left open")));
    QCOMPARE(DM->ADOConnection1.transLevel(), 0);
    delete frm_Change_Pasw;
    delete frm_Pasw_List;
    delete frm_Add_Edit_Firm_rec;
    delete frm_Firm_List;
    delete frm_Edit_People;
    delete frm_People;
    delete DM;
    m_db.reset();
}

// --- operators -------------------------------------------------------------

// --- the editors of the three lists -------------------------------------------

// A list window opens its editor (new or edit); the person plays steps in
// the editor, separated by ";": "BOX=TEXT" types, "BOX==TEXT" the box shows
// it, "BUTTON" clicks, "?BUTTON" clicks when still open, "open" it is still
// shown, "caption=TEXT" its caption. Back in the list, after the editor:
// "FIELD=VALUE" of the list's current row, "rows=N" in the list.
void TestReference::editors_data()
{
    QTest::addColumn<QString>("list");   // people, firms, accounts
    QTest::addColumn<bool>("add");
    QTest::addColumn<QString>("setup");  // SQL on the file first
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("inList");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("count");  // SQL counting rows afterwards
    QTest::addColumn<int>("rows");
    const QString people = "SELECT count(*) FROM People", accounts = "SELECT count(*) FROM Pasw_TBL";
    QTest::newRow("operator added") << "people" << true << ""
        << "caption=Добавление новой записи. Таблица: СПИСОК ОПЕРАТОРОВ;dbed_FIO=Иванов Иван Иванович;BitBtn1" << ""
        << QStringList() << people + " WHERE FIO='Иванов Иван Иванович' AND Foto=''" << 1;
    QTest::newRow("operator name empty") << "people" << true << "" << "dbed_FIO=;BitBtn1;?BitBtn2" << ""
        << QStringList{"Поле \"ФИО оператора\" не может быть пустым!"} << people << 0;
    QTest::newRow("operator name of blanks") << "people" << true << "" << "dbed_FIO=   ;BitBtn1;?BitBtn2" << ""
        << QStringList() << people << 1;
    QTest::newRow("operator edit cancelled stores nothing") << "people" << false
        << "INSERT INTO People (FIO, Prim) VALUES ('Петров П.П.', 'старое')" << "dbed_FIO=Другое имя;BitBtn2"
        << "FIO=Петров П.П." << QStringList() << people + " WHERE FIO='Петров П.П.'" << 1;
    QTest::newRow("operator refused by the file: rolled back") << "people" << true
        << "CREATE TRIGGER no_people BEFORE INSERT ON People BEGIN SELECT RAISE(ABORT, 'refused'); END"
        << "dbed_FIO=Сидоров;BitBtn1" << "rows=0"
        << QStringList{"Возникла ошибка при попытке вставки данных в таблице \"PEOPLE\". Данные не сохранены!!!"}
        << people << 0;
    QTest::newRow("firm name empty refused, blanks pass") << "firms" << true << "" << "bbtn_OK;open;dbed_Firma=  ;bbtn_OK"
        << "" << QStringList{"Поле \"НАИМЕНОВАНИЕ ФИРМЫ\" не может быть пустым!"}
        << "SELECT count(*) FROM Firma WHERE Name='  '" << 1;

    // A new account beside "Петрова": refused ones keep the editor open with the input.
    const QString blankEnds = "Логин не может начинаться или заканчиваться пробелом";
    const QString taken = "Учетная запись с логином \"%1\" уже есть. Укажите другой логин.";
    const struct {
        const char *name, *login, *password;
        QString message;
    } logins[] = {
        {"empty login", "", "1", "Логин не может быть пустым"},
        {"empty password", "Сидоров", "", "Пароль не может быть пустым"},
        {"login taken", "Петрова", "1", taken.arg("Петрова")},
        {"second administrator", "Администратор", "1", taken.arg("Администратор")},
        {"trailing blank", "Администратор ", "1", blankEnds},
        {"leading blank", " Сидоров", "1", blankEnds},
        {"blanks only", " ", " ", blankEnds},
        {"blank inside, password of blanks: pass", "Сидоров А.", " ", ""},
        {"other case is another login", "петрова", "1", ""},
    };
    for (const auto& l : logins) {
        const QString login = QString::fromUtf8(l.login);
        QString steps = "dbed_Login=" + login + ";dbed_Pasw=" + QString::fromUtf8(l.password) + ";bbtn_OK";
        if (!l.message.isEmpty())
            steps += ";open;dbed_Login==" + login + ";bbtn_Cancel";
        QTest::newRow(qPrintable("account: " + QString::fromUtf8(l.name))) << "accounts" << true
            << "INSERT INTO Pasw_TBL (Login, Pasword, \"Default\") VALUES ('Петрова', '1', 0)" << steps << ""
            << (l.message.isEmpty() ? QStringList() : QStringList{l.message}) << accounts
            << (l.message.isEmpty() ? 3 : 2);
    }
}

void TestReference::editors()
{
    QFETCH(QString, list);
    QFETCH(bool, add);
    QFETCH(QString, setup);
    QFETCH(QString, steps);
    QFETCH(QString, inList);
    QFETCH(QStringList, messages);
    QFETCH(QString, count);
    QFETCH(int, rows);
    Connection& c = DM->ADOConnection1;
    if (!setup.isEmpty())
        c.exec(setup);
    TForm* window = list == "people" ? static_cast<TForm*>(frm_People)
        : list == "firms"            ? static_cast<TForm*>(frm_Firm_List)
                                     : static_cast<TForm*>(frm_Pasw_List);
    RecordSet& table = list == "people" ? DM->tbl_People : list == "firms" ? DM->tbl_Firma : DM->tbl_Pasw;
    m_user->onModal([&](QDialog*) {
        m_user->onModal([&](QDialog* d) {
            for (const QString& step : steps.split(';', Qt::SkipEmptyParts)) {
                const QString box = step.section('=', 0, 0), text = step.section('=', 1);
                if (step.startsWith("caption="))
                    QCOMPARE(d->windowTitle(), text);
                else if (step.contains("=="))
                    QCOMPARE(child<QLineEdit>(d, qPrintable(box))->text(), step.section("==", 1));
                else if (step.contains('='))
                    typeInto(child<QLineEdit>(d, qPrintable(box)), text);
                else if (step == "open")
                    QVERIFY(d->isVisible());
                else if (!step.startsWith('?') || d->isVisible())
                    child<QPushButton>(d, qPrintable(step.mid(step.startsWith('?') ? 1 : 0)))->click();
            }
        });
        if (list == "people")
            add ? frm_People->spbt_People_NewClick() : frm_People->spbt_People_EditClick();
        else if (list == "firms")
            frm_Firm_List->spbt_Firm_NewClick();
        else
            frm_Pasw_List->spbt_AddClick();
        QVERIFY(window->isVisible());   // shown again after the editor
        if (inList.startsWith("rows="))   // nothing half-saved in the list either
            QCOMPARE(table.recordCount(), inList.mid(5).toInt());
        else if (!inList.isEmpty())
            QCOMPARE(table.fieldByName(inList.section('=', 0, 0)).asString(), inList.section('=', 1));
        window->close();
    });
    Dialogs::showModal(window);
    QCOMPARE(m_user->texts(), messages);
    if (setup.startsWith("CREATE TRIGGER"))
        QCOMPARE(m_user->shown().first().title, QStringLiteral("Ошибка"));
    QCOMPARE(countWhere(c, count), rows);
    if (list == "people")
        QVERIFY(!DM->tbl_People.isOpen());   // the list closes it when it closes
    if (!add)
        QCOMPARE(frm_Edit_People->CloseCode, 2);
}

void TestReference::oneLineBoxesTakeTypedAndPastedText_data()
{
    QTest::addColumn<QString>("box");        // editor.box
    QTest::addColumn<QString>("typed");      // typed first
    QTest::addColumn<int>("cursor");         // where the paste goes; -1: at the end
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("stored");     // the box's text and the pending row's value
    const QString a248(248, 'a'), a249(249, 'a');
    const QString x45(45, 'x'), x50(50, 'x');
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");   // outside the basic plane
    QTest::newRow("line breaks and tab become blanks")
        << "frm_Edit_People.dbed_FIO" << "" << -1 << "Иванов\nИван\tИванович\r\n" << "Иванов Иван Иванович  ";
    QTest::newRow("firm name with a tab") << "frm_Add_Edit_Firm_rec.dbed_Firma" << "" << -1 << "Sandvik\tCoromant"
                                          << "Sandvik Coromant";
    QTest::newRow("login with a line break") << "frm_Change_Pasw.dbed_Login" << "" << -1 << "Петров\n" << "Петров ";
    QTest::newRow("paste cut at the column's size")
        << "frm_Edit_People.dbed_FIO" << "" << -1 << QString(300, QChar(0x44F)) << QString(250, QChar(0x44F));
    QTest::newRow("character outside the basic plane across the limit")
        << "frm_Edit_People.dbed_FIO" << "" << -1 << (a249 + smile) << a249;
    QTest::newRow("character outside the basic plane that fits")
        << "frm_Edit_People.dbed_FIO" << "" << -1 << (a248 + smile + smile) << (a248 + smile);
    QTest::newRow("accent stays with its letter")
        << "frm_Add_Edit_Firm_rec.dbed_Firma" << "" << -1 << (a249 + QStringLiteral("e\u0301")) << a249;
    QTest::newRow("typed, then pasted in front") << "frm_Change_Pasw.dbed_Login" << x45 << 0 << "123456789"
                                                 << ("12345" + x45);
    QTest::newRow("full box: the paste goes, the text stays") << "frm_Change_Pasw.dbed_Login" << x50 << 10 << "123"
                                                              << x50;
}

void TestReference::oneLineBoxesTakeTypedAndPastedText()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(int, cursor);
    QFETCH(QString, pasted);
    QFETCH(QString, stored);
    QWidget* editor = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == box.section('.', 0, 0))
            editor = w;
    QVERIFY(editor);
    auto* edit = child<DBEdit>(editor, qPrintable(box.section('.', 1)));
    RecordSet* rs = edit->link()->recordSet();
    if (!rs->isOpen())
        rs->open();
    rs->insert();
    typeInto(edit, typed);
    QCOMPARE(edit->text(), typed);
    edit->setCursorPosition(cursor < 0 ? int(edit->text().size()) : cursor);
    QGuiApplication::clipboard()->setText(pasted);
    edit->paste();
    QCOMPARE(edit->text(), stored);
    QCOMPARE(edit->link()->field()->asString(), stored);
    rs->cancel();
}

// Deleting an operator or a firm: the rows of other tables that name it
// refuse it, with the first table's name; the question decides otherwise.
// What is shown: "TITLE|TEXT" in order ("*" any; a title starting
// "Подтверждение" is the question).
void TestReference::deletes_data()
{
    QTest::addColumn<QString>("list");          // people, firms
    QTest::addColumn<QStringList>("linked");    // tables with a row naming it
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<bool>("deleted");
    auto linked = [](const char* t) {
        return QStringLiteral("Не возможно удалить запись, т.к. в таблице \"%1\" имеются связанные записи.").arg(QString::fromUtf8(t));
    };
    const QString person = "Подтверждение удаления|*", firm = "Подтверждение удаления данных|*";
    const QStringList debts{"Dolgi", "Dolgi_History"};
    QTest::newRow("operator: no answer first") << "people" << debts << false << QStringList{person} << false;
    QTest::newRow("operator: open debt") << "people" << debts << true << QStringList{person, "*|" + linked("Долги")}
                                         << false;
    QTest::newRow("operator: closed issue only") << "people" << QStringList{"Dolgi_History"} << true
                                                 << QStringList{person, "*|" + linked("История долгов")} << false;
    QTest::newRow("operator: free") << "people" << QStringList() << true << QStringList{person} << true;
    QTest::newRow("firm: drills first") << "firms" << QStringList{"Plastinyi", "Sverla"} << true
                                        << QStringList{"Ошибка|" + linked("СВЕРЛА")} << false;
    QTest::newRow("firm: inserts") << "firms" << QStringList{"Plastinyi", "Derj_Plast"} << true
                                   << QStringList{"Ошибка|" + linked("ПЛАСТИНЫ")} << false;
    QTest::newRow("firm: holders") << "firms" << QStringList{"Derj_Plast"} << true
                                   << QStringList{"Ошибка|" + linked("ДЕРЖАВКИ ПЛАСТИН")} << false;
    QTest::newRow("firm: milling cutters") << "firms" << QStringList{"Frezy"} << true
                                           << QStringList{"Ошибка|" + linked("ФРЕЗЫ")} << false;
    QTest::newRow("firm: free, no") << "firms" << QStringList() << false << QStringList{firm} << false;
    QTest::newRow("firm: free, yes") << "firms" << QStringList() << true << QStringList{firm} << true;
}

void TestReference::deletes()
{
    QFETCH(QString, list);
    QFETCH(QStringList, linked);
    QFETCH(bool, confirm);
    QFETCH(QStringList, shown);
    QFETCH(bool, deleted);
    Connection& c = DM->ADOConnection1;
    const bool people = list == "people";
    const QString table = people ? "People" : "Firma";
    if (people)
        insertRow(c, table, {{"FIO", "Яковлев"}});
    const qint64 victim = insertRow(c, table, {{people ? "FIO" : "Name", people ? "Борисов" : "Iscar"}});
    if (people)
        insertRow(c, table, {{"FIO", "Андреев"}});
    for (const QString& t : linked) {
        QVariantMap row{{people ? "ID_People" : "ID_Firma", victim}};
        if (people)
            row.insert({{"ID_Tabl", 1}, {"ID_Instr", 1}});
        if (t == "Dolgi")
            row.insert("K_vo", 1);
        insertRow(c, t, row);
    }
    RecordSet& rs = people ? DM->tbl_People : DM->tbl_Firma;
    if (!people) {   // open since the start: read again
        rs.close();
        rs.open();
    }
    m_user->answer(confirm);
    m_user->onModal([&](QDialog* d) {
        QVERIFY(rs.locate("ID", int(victim)));
        people ? frm_People->spbt_People_DelClick() : frm_Firm_List->spbt_Firm_DelClick();
        if (deleted && people) {   // the list is in name order, on its first row
            QCOMPARE(rs.recNo(), 1);
            QCOMPARE(rs.fieldByName("FIO").asString(), QStringLiteral("Андреев"));
        }
        d->close();
    });
    Dialogs::showModal(people ? static_cast<TForm*>(frm_People) : static_cast<TForm*>(frm_Firm_List));
    QCOMPARE(m_user->shown().size(), shown.size());
    for (int i = 0; i < shown.size(); ++i) {
        const ScriptedUser::Shown& b = m_user->shown()[i];
        const QString title = shown[i].section('|', 0, 0), text = shown[i].section('|', 1);
        QCOMPARE(b.kind == ScriptedUser::Shown::Question, title.startsWith("Подтверждение"));
        if (title != "*")
            QCOMPARE(b.title, title);
        if (text != "*")
            QCOMPARE(b.text, text);
    }
    QCOMPARE(countWhere(c, QStringLiteral("SELECT count(*) FROM %1 WHERE ID=%2").arg(table).arg(victim)), deleted ? 0 : 1);
    QVERIFY(!DM->tbl_Frezy.filtered());   // the guards leave the tool tables as they found them
}

void TestReference::operatorPhotoChosen_data()
{
    QTest::addColumn<QString>("pick");      // the chosen file: elsewhere, in the folder (directly, through a
                                            // linked program folder, through "..", as a linked file), missing, text
    QTest::addColumn<QString>("there");     // Images/FotoPeoples/p.jpg beforehand: none, same bytes, other bytes
    QTest::addColumn<int>("answer");        // -1: no question may come; 0: No; 1: Yes
    QTest::addColumn<QString>("name");      // the photo name afterwards ("old.jpg" before)
    QTest::addColumn<QString>("content");   // p.jpg in the folder afterwards: chosen, other, none
    QTest::addColumn<bool>("error");
    QTest::newRow("from elsewhere: copied in") << "elsewhere" << "none" << -1 << "p.jpg" << "chosen" << false;
    QTest::newRow("already in the folder") << "folder" << "none" << -1 << "p.jpg" << "chosen" << false;
    QTest::newRow("the folder through a linked program folder")
        << "link" << "none" << -1 << "p.jpg" << "chosen" << false;
    QTest::newRow("the folder through ..") << "dotdot" << "none" << -1 << "p.jpg" << "chosen" << false;
    QTest::newRow("a linked file of the folder") << "linkedfile" << "none" << -1 << "p.jpg" << "chosen" << false;
    QTest::newRow("same name, same bytes: the file there") << "elsewhere" << "same" << -1 << "p.jpg" << "chosen"
                                                           << false;
    QTest::newRow("same name, other bytes, No: all kept") << "elsewhere" << "other" << 0 << "old.jpg" << "other"
                                                          << false;
    QTest::newRow("same name, other bytes, Yes: replaced") << "elsewhere" << "other" << 1 << "p.jpg" << "chosen"
                                                           << false;
    QTest::newRow("chosen file gone") << "missing" << "other" << -1 << "" << "other" << false;
    QTest::newRow("not a picture: nothing copied") << "text" << "none" << -1 << "" << "none" << true;
}

void TestReference::operatorPhotoChosen()
{
    QFETCH(QString, pick);
    QFETCH(QString, there);
    QFETCH(int, answer);
    QFETCH(QString, name);
    QFETCH(QString, content);
    QFETCH(bool, error);
    QTemporaryDir elsewhere;
    auto jpeg = [](Qt::GlobalColor color) {
        QImage img(64, 48, QImage::Format_RGB32);
        img.fill(color);
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "JPG");
        return bytes;
    };
    const QByteArray chosenBytes = jpeg(Qt::blue), otherBytes = jpeg(Qt::red);
    const QString folder = peopleFolder();
    const QString target = folder + QStringLiteral("p.jpg");
    if (there != "none")
        QVERIFY(writeFile(target, there == "same" ? chosenBytes : otherBytes));

    QString chosen = elsewhere.filePath(QStringLiteral("p.jpg"));
    if (pick == "elsewhere") {
        QVERIFY(writeFile(chosen, chosenBytes));
    } else if (pick == "text") {
        QVERIFY(writeFile(chosen, "это не картинка"));
    } else if (pick != "missing") {
        QVERIFY(writeFile(target, chosenBytes));
        if (pick == "folder")
            chosen = target;
        else if (pick == "dotdot")
            chosen = folder + QStringLiteral("../FotoPeoples/p.jpg");
        else if (pick == "link") {
            QVERIFY(QFile::link(programFolder(), elsewhere.filePath(QStringLiteral("applink"))));
            chosen = elsewhere.filePath(QStringLiteral("applink/Images/FotoPeoples/p.jpg"));
        } else if (pick == "linkedfile") {
            chosen = elsewhere.filePath(QStringLiteral("q.jpg"));
            QVERIFY(QFile::link(target, chosen));
        }
    }
    if (answer >= 0)
        m_user->answer(answer == 1);
    m_user->pickFile(chosen);
    frm_Edit_People->PhotoName = QStringLiteral("old.jpg");
    frm_Edit_People->pm_Add_PicClick();

    QCOMPARE(frm_Edit_People->PhotoName, name);
    const auto questions = std::count_if(m_user->shown().begin(), m_user->shown().end(), [](const auto& s) {
        return s.kind == ScriptedUser::Shown::Question;
    });
    QCOMPARE(questions, answer >= 0 ? 1 : 0);
    const auto errors = std::count_if(m_user->shown().begin(), m_user->shown().end(), [](const auto& s) {
        return s.icon == Dialogs::Icon::Error;
    });
    QCOMPARE(errors, error ? 1 : 0);
    QCOMPARE(fileBytes(target), content == "chosen" ? chosenBytes : content == "other" ? otherBytes : QByteArray());
    if (name == "p.jpg")
        QVERIFY(!frm_Edit_People->img_Foto->image().isNull());
    // No half-written copy is left behind, and the chosen file is untouched.
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
             content == "none" ? QStringList() : QStringList{QStringLiteral("p.jpg")});
    if (pick == "elsewhere")
        QCOMPARE(fileBytes(chosen), chosenBytes);

    // Removing the photograph deletes no file.
    frm_Edit_People->pm_Del_PicClick();
    QVERIFY(frm_Edit_People->PhotoName.isEmpty());
    QCOMPARE(QFileInfo::exists(target), content != "none");
}

void TestReference::cancelledPhotoDialogKeepsPhoto()
{
    frm_Edit_People->PhotoName = QStringLiteral("petrov.jpg");
    m_user->pickFile(QString());
    frm_Edit_People->pm_Add_PicClick();
    QCOMPARE(frm_Edit_People->PhotoName, QStringLiteral("petrov.jpg"));
}

void TestReference::listsRefuseSmallSizes()
{
    QCOMPARE(frm_People->minimumSize(), QSize(700, 500));
    QCOMPARE(frm_Firm_List->minimumSize(), QSize(350, 300));
    frm_People->resize(600, 400);
    QCOMPARE(frm_People->size(), QSize(700, 500));
}

// A picture decoded before its box had its size (reduced in the decoder) is
// decoded again when the box grows, instead of being shown enlarged.
void TestReference::pictureSharpAfterTheBoxGrows()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("big.jpg"));
    QVERIFY(writeImage(file, Qt::darkCyan, 1600, 1200));
    ImageBox box;
    box.resize(100, 80);
    QVERIFY(box.loadFile(file));
    const QSize small = box.image().size();
    QVERIFY2(small.width() < 800, qPrintable(QString::number(small.width())));
    box.resize(800, 600);
    QTRY_VERIFY(box.image().width() >= 800 && box.image().height() >= 600);
    // Shrinking keeps what was decoded.
    const QSize large = box.image().size();
    box.resize(300, 200);
    QCoreApplication::processEvents();
    QCOMPARE(box.image().size(), large);
}

// --- firms -----------------------------------------------------------------

void TestReference::renameFirmSeenInEveryGrid()
{
    Connection& c = DM->ADOConnection1;
    const qint64 other = insertRow(c, "Firma", {{"Name", "Walter"}});
    const qint64 drill = insertRow(c, "Sverla", {{"Kod", "D2"}, {"Diam_Sverla", 2.0}, {"ID_Firma", m_firm}});
    insertRow(c, "Sverla", {{"Kod", "D1"}, {"Diam_Sverla", 1.0}, {"ID_Firma", other}});
    const qint64 cutter = insertRow(c, "Frezy", {{"Kod", "F1"}, {"ID_Firma", m_firm}});
    const qint64 holder = insertRow(c, "Derj_Plast", {{"KOD", "H1"}, {"ID_Firma", m_firm}});
    const qint64 insert = insertRow(c, "Plastinyi", {{"Kod", "P1"}, {"ID_Firma", m_firm}});
    for (RecordSet* rs : {&DM->dtSet_Sverla, &DM->dtSet_Frezy, &DM->dtSet_Derj_PL, &DM->dtSet_Plastiny}) {
        rs->close();
        rs->open();
    }
    QVERIFY(DM->dtSet_Sverla.locate("ID", int(drill)));
    QCOMPARE(DM->dtSet_Sverla.recNo(), 2);
    m_user->onModal([&](QDialog*) {
        QVERIFY(DM->tbl_Firma.locate("ID", m_firm));
        m_user->onModal([](QDialog* d) {
            typeInto(child<QLineEdit>(d, "dbed_Firma"), QStringLiteral("Sandvik Coromant"));
            child<QPushButton>(d, "bbtn_OK")->click();
        });
        frm_Firm_List->spbt_Firm_EditClick();
        frm_Firm_List->close();
    });
    Dialogs::showModal(frm_Firm_List);
    const QString renamed = QStringLiteral("Sandvik Coromant");
    QCOMPARE(DM->dtSet_Sverla.fieldByName("ID").asInteger(), int(drill));
    QCOMPARE(DM->dtSet_Sverla.fieldByName("Name").asString(), renamed);
    QCOMPARE(DM->dtSet_Frezy.fieldByName("ID").asInteger(), int(cutter));
    QCOMPARE(DM->dtSet_Frezy.fieldByName("Name").asString(), renamed);
    QCOMPARE(DM->dtSet_Derj_PL.fieldByName("ID").asInteger(), int(holder));
    QCOMPARE(DM->dtSet_Derj_PL.fieldByName("Name").asString(), renamed);
    QCOMPARE(DM->dtSet_Plastiny.fieldByName("ID").asInteger(), int(insert));
    QCOMPARE(DM->dtSet_Plastiny.fieldByName("Name").asString(), renamed);
    QVERIFY(m_user->texts().isEmpty());
}

// --- accounts --------------------------------------------------------------

void TestReference::accountsSingleDefault_data()
{
    QTest::addColumn<bool>("add");
    QTest::addColumn<bool>("tick");
    QTest::newRow("add ticked") << true << true;
    QTest::newRow("add not ticked") << true << false;
    QTest::newRow("edit ticked") << false << true;
    QTest::newRow("edit not ticked") << false << false;
}

void TestReference::accountsSingleDefault()
{
    QFETCH(bool, add);
    QFETCH(bool, tick);
    Connection& c = DM->ADOConnection1;
    const qint64 petrova = insertRow(c, "Pasw_TBL", {{"Login", "Петрова"}, {"Pasword", "1"}, {"Default", 0}});
    const QString saved = add ? QStringLiteral("Борисов") : QStringLiteral("Петрова");
    m_user->onModal([&](QDialog*) {
        m_user->onModal([&](QDialog* d) {
            if (add) {
                typeInto(child<QLineEdit>(d, "dbed_Login"), saved);
                typeInto(child<QLineEdit>(d, "dbed_Pasw"), QStringLiteral("pw"));
            }
            child<QCheckBox>(d, "DBCheckBox1")->setChecked(tick);
            child<QPushButton>(d, "bbtn_OK")->click();
        });
        if (add) {
            frm_Pasw_List->spbt_AddClick();
        } else {
            QVERIFY(DM->tbl_Pasw.locate("ID", int(petrova)));
            frm_Pasw_List->spbt_EditClick();
        }
        // The saved account is current, and the list is in login order.
        QCOMPARE(DM->tbl_Pasw.fieldByName("Login").asString(), saved);
        QCOMPARE(DM->tbl_Pasw.sort(), QStringLiteral("Login"));
        frm_Pasw_List->close();
    });
    Dialogs::showModal(frm_Pasw_List);
    QCOMPARE(countWhere(c, "SELECT count(*) FROM Pasw_TBL WHERE \"Default\"=1"), 1);
    QCOMPARE(countWhere(c, QStringLiteral("SELECT \"Default\" FROM Pasw_TBL WHERE Login='%1'").arg(saved)), tick ? 1 : 0);
    QCOMPARE(countWhere(c, "SELECT \"Default\" FROM Pasw_TBL WHERE Login='Администратор'"), tick ? 0 : 1);
}

void TestReference::administratorGuards()
{
    m_user->onModal([&](QDialog*) {
        QVERIFY(DM->tbl_Pasw.locate("Login", QStringLiteral("Администратор")));
        frm_Pasw_List->spbt_DelClick();
        QCOMPARE(m_user->texts(), QStringList{QStringLiteral("Учетную запись \"Администратор\" удалить нельзя!")});

        // Editing the administrator: its login greyed and read-only; its password can change.
        m_user->onModal([](QDialog* d) {
            QVERIFY(child<QLineEdit>(d, "dbed_Login")->isReadOnly());
            typeInto(child<QLineEdit>(d, "dbed_Pasw"), QStringLiteral("new"));
            child<QPushButton>(d, "bbtn_OK")->click();
        });
        frm_Pasw_List->spbt_EditClick();
        // Adding right after offers an editable login.
        m_user->onModal([](QDialog* d) {
            QVERIFY(!child<QLineEdit>(d, "dbed_Login")->isReadOnly());
            child<QPushButton>(d, "bbtn_Cancel")->click();
        });
        frm_Pasw_List->spbt_AddClick();
        frm_Pasw_List->close();
    });
    Dialogs::showModal(frm_Pasw_List);
    QCOMPARE(countWhere(DM->ADOConnection1, "SELECT count(*) FROM Pasw_TBL WHERE Login='Администратор' AND Pasword='new'"), 1);
    QCOMPARE(countWhere(DM->ADOConnection1, "SELECT count(*) FROM Pasw_TBL"), 1);   // cancel stored nothing
}

void TestReference::accountsListDrawsDefault()
{
    insertRow(DM->ADOConnection1, "Pasw_TBL", {{"Login", "Борисов"}, {"Pasword", "1"}, {"Default", 0}});
    m_user->onModal([&](QDialog*) {
        DBGrid* grid = frm_Pasw_List->DBGrid1;
        QCOMPARE(DM->tbl_Pasw.recNo(), 1);   // "Администратор" sorts before "Борисов"
        const GridCell first = grid->cellAt(0, QStringLiteral("Default"));
        QCOMPARE(first.text, QStringLiteral("ДА"));
        QVERIFY(first.selected);
        QCOMPARE(first.textColor, QColor(Qt::white));
        const GridCell second = grid->cellAt(1, QStringLiteral("Default"));
        QCOMPARE(second.text, QStringLiteral("НЕТ"));
        QCOMPARE(second.background, QColor(192, 220, 192));
        QCOMPARE(grid->cellAt(1, QStringLiteral("Pasword")).text, QStringLiteral("1"));   // passwords in clear
        frm_Pasw_List->close();
    });
    Dialogs::showModal(frm_Pasw_List);
}

QTEST_MAIN(TestReference)
#include "tst_reference.moc"
