// Writes that fail under the movements of the catalogue pages, driven
// through the windows across the four tool kinds: the issue to work, the
// receipt, the write-off, the transfer to used, and the add, edit and delete
// of a tool. Each write of a movement fails in turn (a failing disk, a disk
// that stays full) and each table it writes refuses it (a trigger). Every
// time the user is told with the movement's own message, the file is as
// before, the pages show the file, no transaction is left open, the window
// is usable, and the same movement stores once the disk works again.
#include "Consistency.h"
#include "DataAware.h"
#include "FaultInjection.h"
#include "MoveCase.h"
#include "ToolEditor.h"
#include "frm_GiveToWork_Unit.h"
#include "frm_Per_Instr_BU_Unit.h"
#include "frm_Prihod_Instr_Unit.h"
#include "frm_Spisat_Instr_Unit.h"

#include <QAction>
#include <QFileInfo>
#include <QScopeGuard>
#include <QToolButton>
#include <csignal>
#include <sys/resource.h>

using FaultInjection::Fault;

namespace {

enum class Move { Give, Prihod, Spisat, PerBU, Add, Edit, Delete };

// Each movement: its name, the tables it writes as "table:operation" ({T}:
// the kind's tool table), and what it stores once the disk works: the tool's
// new*100 + used*10 + in work from 5|3|1, and a count of rows that is then n
// (kindSql; {ID} the tool moved, or deleted).
struct MoveInfo {
    const char* name;
    QStringList writes;
    qint64 counts;
    const char* rows;
    qint64 n;
};
const MoveInfo Moves[] = {
    {"issue", {"{T}:UPDATE", "Dolgi:INSERT"}, 333, "SELECT COUNT(*) FROM Dolgi", 2},
    {"receipt", {"{T}:UPDATE", "Prihod_History:INSERT"}, 741, "SELECT COUNT(*) FROM Prihod_History", 2},
    {"write-off", {"{T}:UPDATE", "Spisanie_History:INSERT"}, 421, "SELECT COUNT(*) FROM Spisanie_History", 2},
    {"transfer", {"{T}:UPDATE"}, 351, "SELECT COUNT(*) FROM {T} WHERE ID={ID}", 1},
    {"add", {"{T}:INSERT"}, 531, "SELECT COUNT(*) FROM {T}", 3},
    {"edit", {"{T}:UPDATE"}, 531, "SELECT COUNT(*) FROM {T} WHERE ID={ID} AND Kod='X-9'", 1},
    {"delete", {"{T}:DELETE"}, 531, "SELECT COUNT(*) FROM {T} WHERE ID={ID}", 0},
};

// The message the movement shows when `table` (empty: the commit) refuses its write.
QString failureOf(Move m, ToolKind k, const QString& table)
{
    using C = Tfrm_Main::RecordCommand;
    if (m == Move::Give)
        return Tfrm_Main::giveToWorkFailure(k);
    if (m >= Move::Add)
        return Tfrm_Main::recordFailure(k, std::array{C::Add, C::Edit, C::Delete}[int(m) - int(Move::Add)]);
    const StockMove sm = StockMove(int(m) - int(Move::Prihod));
    return table.endsWith("_History") ? stockRowFailureText(sm, false) : stockFailureText(sm, k);
}

// The rows of a record set as "a|b|c", sorted, for the columns given.
QStringList shownRows(RecordSet& rs, const QStringList& fields)
{
    QStringList out;
    for (int r = 0; r < rs.recordCount(); ++r) {
        QStringList row;
        for (const QString& f : fields)
            row << rs.textAt(r, rs.fieldIndex(f));
        out << row.join('|');
    }
    out.sort();
    return out;
}

QStringList fileRows(Connection& c, const QString& sql)
{
    QStringList out = query(c, sql);
    out.sort();
    return out;
}

// The messages shown (the questions aside).
QStringList messages(const ScriptedUser& u)
{
    QStringList out;
    for (const ScriptedUser::Shown& s : u.shown())
        if (s.kind == ScriptedUser::Shown::Message)
            out << s.text;
    return out;
}

// The storekeeper's part in the movement's dialog: the quantities or the
// boxes filled, `arm` run, OK pressed; a dialog still open after its OK
// (a history row refused) is left by Отмена.
void play(QDialog* d, Move m, ToolKind k, const std::function<void()>& arm)
{
    const char* const stock[] = {"new=2 bu=1", "new=1 bu=1", "count=2"};
    const QString prefix = std::array{"Sverla", "Frezy", "Derj", "Plast"}[int(k)];
    QAbstractButton* ok = d->findChild<QPushButton*>("bbtn_OK");
    if (m == Move::Give) {
        auto* f = qobject_cast<Tfrm_GiveToWork*>(d);
        QVERIFY(f);
        pickItem(f->DBLookupComboBox1, 0);
        f->cmbx_K_vo_Otdat->setCurrentIndex(f->cmbx_K_vo_Otdat->findText("2"));
        ok = f->bbtn_OK;
    } else if (m >= Move::Prihod && m <= Move::PerBU) {
        playStock(d, stock[int(m) - int(Move::Prihod)]);
    } else if (m == Move::Add) {
        if (auto* naim = d->findChild<QComboBox*>("dbcmbx_Naim"))
            QTest::keyClicks(naim->lineEdit(), "N");
        pickItem(child<QComboBox>(d, "dbcmbx_" + prefix + "_Firma"), 0);
        if (k == ToolKind::Sverla)
            typeOver(child<QLineEdit>(d, "ed_DiamSv"), "4");
        if (k == ToolKind::Frezy) {
            typeOver(child<QLineEdit>(d, "ed_DiamFR"), "4");
            typeOver(child<QLineEdit>(d, "ed_L_Sheiki"), "2");
        }
    }
    if (m == Move::Add || m == Move::Edit)
        typeOver(child<QLineEdit>(d, "dbed_" + prefix + "_KOD"), "X-9");
    QVERIFY(ok);
    arm();
    QTest::mouseClick(ok, Qt::LeftButton);
    if (d->isVisible())
        QTest::mouseClick(child<QPushButton>(d, "bbtn_Cancel"), Qt::LeftButton);
}

} // namespace

class TestMoveFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { FaultInjection::install(); }
    void cleanup()
    {
        FaultInjection::clear();
        QVERIFY(noWindowShown());
    }
    void failingWrite_data();
    void failingWrite();
};

void TestMoveFaults::failingWrite_data()
{
    QTest::addColumn<ToolKind>("kind");
    QTest::addColumn<int>("move");
    // io: each write in turn fails; full: each write on; early: with pages
    // written out before the commit; or table:operation refused.
    QTest::addColumn<QString>("fault");
    for (ToolKind k : Kinds)
        for (int m = 0; m <= int(Move::Delete); ++m) {
            QStringList faults = QStringList{"io", "full", "io early", "full early"} + Moves[m].writes;
            // Once the system itself: no file of the process may grow.
            if (k == ToolKind::Sverla && Move(m) == Move::Prihod)
                faults << "system full";
            for (const QString& f : faults.replaceInStrings("{T}", kindName(k)))
                QTest::newRow(qPrintable(kindName(k) + ", " + Moves[m].name + ", " + f)) << k << m << f;
        }
}

void TestMoveFaults::failingWrite()
{
    QFETCH(ToolKind, kind);
    QFETCH(int, move);
    QFETCH(QString, fault);
    const Move mv = Move(move);
    const ToolKindInfo& info = toolKind(kind);

    // A tool with stock and a piece in work, and an empty one to delete.
    Session s;
    const qint64 firm = s.firm();
    const qint64 op = s.person("Петров П. П.");
    const qint64 tool = insertTool(s.conn, kind, firm, "T-1", 5, 3, 1);
    const qint64 empty = insertTool(s.conn, kind, firm, "E-0");
    s.debt(1, info.code, tool, op, false, 1);
    QVERIFY(s.start());
    // The dialogs run the real modal loop; for the inserts the step plays in its place.
    s.user.setRealLoop(kind != ToolKind::Plast);
    Connection& c = DM->ADOConnection1;
    Connection& file = s.otherCopy(0);
    const QString before = wholeFileText(file);
    const QByteArray bytes = fileBytes(s.db.path());
    RecordSet& cat = catalogueOf(*DM, kind);
    const qint64 current = mv == Move::Delete ? empty : tool;
    frm_Main->PageControl_Main->setCurrentIndex(pageOf(kind));

    // One attempt of the movement through the page's command; `arm` runs
    // right before its OK (or, for a delete, the command).
    auto attempt = [&](const std::function<void()>& arm) {
        s.user.clear();
        frm_Main->PageControl_Main->setCurrentIndex(pageOf(kind));
        QVERIFY(cat.locate("ID", int(current)));
        const Tfrm_Main::CatalogueMenu& menu = frm_Main->catalogueMenu(kind);
        if (mv == Move::Delete) {
            s.user.answer(true);
            arm();
            menu.del->trigger();
            return;
        }
        s.user.onModal([&](QDialog* d) { play(d, mv, kind, arm); });
        QAction* items[] = {menu.giveToWork, menu.prihod, menu.spisat, menu.perBU, menu.add, menu.edit};
        items[move]->trigger();
    };

    // The page and the debts list show the file; nothing is pending.
    const QStringList catFields{"ID", "Kod", info.newField, info.buField, info.dolgField};
    // (`when` is named after any check that failed.)
    auto pagesShowTheFile = [&](const QString& when) {
        const auto named = qScopeGuard([&] { if (QTest::currentTestFailed()) qWarning("%s", qPrintable(when)); });
        QCOMPARE(cat.state(), RecordSet::State::Browse);
        QCOMPARE(shownRows(cat, catFields), fileRows(file, kindSql("SELECT ID, Kod, {N}, K_vo_BU, {D} FROM {T}", kind, 0)));
        // What the grid and the detail panel show of it.
        DBGrid* grid = frm_Main->pageGrid(pageOf(kind));
        QStringList codes;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            codes << grid->model()->index(r, grid->columnOf("Kod")).data().toString();
        codes.sort();
        QCOMPARE(codes, fileRows(file, kindSql("SELECT Kod FROM {T}", kind, 0)));
        QCOMPARE(child<QLineEdit>(frm_Main, QStringLiteral("dbed_%1_K_vo_NEW").arg(info.prefix))->text(),
                 cat.fieldByName(info.newField).asString());
        QVERIFY(DM->dtset_DolgiSQL.isOpen());
        QCOMPARE(shownRows(DM->dtset_DolgiSQL, {"Nomer_Zap", "K_vo", "ID_Instr", "ID_Tabl"}),
                 fileRows(file, "SELECT Nomer_Zap, K_vo, ID_Instr, ID_Tabl FROM Dolgi"));
        QCOMPARE(c.transLevel(), 0);
        QCOMPARE(s.user.unexpected(), 0);
        QCOMPARE(s.user.leftOpen(), 0);
        QCOMPARE(ScriptedUser::usableProblem(frm_Main), QString());
        QCOMPARE(consistencyFindings(c, false), QStringList());
    };
    // A failed attempt: its message alone, the file as before, the page on the tool.
    auto failed = [&](const QString& when, const QString& message) {
        QVERIFY2(messages(s.user) == QStringList{message}, qPrintable(when + messages(s.user).join(" | ")));
        QVERIFY2(wholeFileText(file) == before, qPrintable(when + "the file changed"));
        QVERIFY2(fileBytes(s.db.path()) == bytes, qPrintable(when + "the file's bytes changed"));
        pagesShowTheFile(when);
        if (mv != Move::Give && mv != Move::Add && mv != Move::Delete)   // they read the page again from its start
            QCOMPARE(cat.fieldByName("ID").asInteger(), int(current));
    };

    if (fault == "system full") {
        // The files may not grow past their size (the log has room for no
        // more frames), as on a disk with no room left; the signal that
        // would end the program is ignored, so the write fails instead.
        rlimit was{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &was), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        attempt([&] {
            rlimit full = was;
            full.rlim_cur = rlim_t(qMax<qint64>(QFileInfo(s.db.path() + "-wal").size(), 1));
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
        });
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &was), 0);
        std::signal(SIGXFSZ, oldHandler);
        failed(QString(), failureOf(mv, kind, QString()));
        attempt([] {});
    } else if (!fault.contains(':')) {
        const bool full = fault.startsWith("full");
        if (fault.endsWith("early"))
            c.exec(QStringLiteral("PRAGMA cache_size = 2"));
        const Fault f = full ? Fault::DiskFull : Fault::IoError;
        const int runs = FaultInjection::everyWriteFails(f, full, [&](int nth) {
            FaultInjection::clear();
            attempt([&] { FaultInjection::failWrite(nth, f, full); });
            if (FaultInjection::faultsInjected() == 0)
                return;
            // A page written out early fails the write it belongs to: the
            // message of the commit, or of the history row being written.
            // A full disk is said so after the command's message.
            const QString reason = full ? QStringLiteral("\n\n") + DbError::diskFullText() : QString();
            QString message = failureOf(mv, kind, QString()) + reason;
            const QStringList shown = messages(s.user);
            if (fault.endsWith("early") && (mv == Move::Prihod || mv == Move::Spisat) && shown.size() == 1) {
                const StockMove sm = StockMove(move - int(Move::Prihod));
                for (bool used : {false, true})
                    if (shown.first() == stockRowFailureText(sm, used) + reason)
                        message = shown.first();
            }
            failed(QStringLiteral("write %1: ").arg(nth), message);
        });
        qInfo("%d writes failed in turn", runs);
        QVERIFY(runs >= 2);   // the log's frame header and its pages, at least
        c.exec(QStringLiteral("PRAGMA cache_size = -65536"));
    } else {
        const QString t = fault.section(':', 0, 0);
        const QString trigger = FaultInjection::addFailingTrigger(c, t, fault.section(':', 1));
        attempt([] {});
        failed(QString(), failureOf(mv, kind, t));
        FaultInjection::dropFailingTrigger(c, trigger);
        QCOMPARE(wholeFileText(file), before);
        attempt([] {});
    }

    // Once the disk works again the same movement stores.
    QCOMPARE(messages(s.user), QStringList());
    pagesShowTheFile(QStringLiteral("stored: "));
    QCOMPARE(file.scalar(kindSql("SELECT {N}*100 + K_vo_BU*10 + {D} FROM {T} WHERE ID={ID}", kind, tool)),
             Moves[move].counts);
    QCOMPARE(file.scalar(kindSql(Moves[move].rows, kind, current)), Moves[move].n);
    QCOMPARE(consistencyOfFile(s.db.path()), QStringList());
}

QTEST_MAIN(TestMoveFaults)
#include "tst_movefaults.moc"
