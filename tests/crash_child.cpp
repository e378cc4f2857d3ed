// tooldb-crash-child DB SEED [MS]: the writer that the crash test kills. It
// runs the program on the database (its windows offscreen, logged in as the
// administrator, a scripted user at the keyboard) and makes the storeroom's
// movements through the main window's commands and their dialogs: issue to
// work, the return of a debt split between the stocks, receipt, write-off,
// transfer to used; alongside them operators, firms and receipts written
// through the data module as the editors write them. On stdout:
//   ready                      once logged in
//   begin <work>               before a command starts
//   move <work> k=v ...        what the person chose, just before OK
//   open <work> dialog|written a pause: the dialog open (no transaction held),
//                              or inside the operation's transaction right
//                              after a row went into the file
//   commit <work> k=v ...      after it was stored (what the parent checks)
//   failed <work> <text>       not stored: what the person was told
//   problem <text>             a window left unusable, a dialog left open,
//                              a question nobody expected, a write too slow
//   end slowest=<ms>           after MS milliseconds of work (no MS: until
//                              killed), with the longest command's time
// The fields of move and commit: kind (code), tool (ID), dn/dbu/dd (what the
// tool's new, used and in-work counts move by), and each work's own.
// With MS the writer shares the file with another copy of itself and makes
// no pauses of its own; half of its dialogs run in the real modal loop.
#include "DM_Unit.h"
#include "DataAware.h"
#include "DbError.h"
#include "Engine.h"
#include "Program.h"
#include "RecordSet.h"
#include "Operations.h"
#include "Query.h"
#include "RowEditor.h"
#include "ScriptedUser.h"
#include "ToolKind.h"
#include "frm_GetBackInstr_Unit.h"
#include "frm_GiveToWork_Unit.h"
#include "frm_Main_Unit.h"
#include "frm_Per_Instr_BU_Unit.h"
#include "frm_Prihod_Instr_Unit.h"
#include "frm_Spisat_Instr_Unit.h"
#include "tst_main_session.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QToolButton>

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

namespace {

std::mt19937 g_rng;
QString g_run;        // the seed: names stay unique across runs
bool g_shared = false;   // another copy works on the file: no pauses
QString g_work;       // the work under way, for the pauses
qint64 g_slowest = 0;    // ms, the longest command

int rnd(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(g_rng); }

void say(const QString& line)
{
    const QByteArray u = line.toUtf8() + '\n';
    fwrite(u.constData(), 1, size_t(u.size()), stdout);
    fflush(stdout);
}

// The time a dialog stays open while its transaction is held.
void dialogTime()
{
    if (!g_shared)
        std::this_thread::sleep_for(std::chrono::microseconds(rnd(0, 3000)));
}

// A pause, said first so that the parent may kill there: `dialog` while the
// person is at the dialog (nothing is held then), `written` inside the
// operation's transaction right after a row went into the file.
void pauseOpen(const char* where)
{
    if (g_shared)
        return;
    say(QStringLiteral("open %1 %2").arg(g_work, QLatin1String(where)));
    std::this_thread::sleep_for(std::chrono::microseconds(rnd(500, 6000)));
}

// Every row written: now and then a pause right after it, the transaction open.
void rowWritten(void*, int, const char*, const char*, sqlite3_int64)
{
    if (rnd(0, 1) == 0)
        pauseOpen("written");
}

RecordSet& openTable(RecordSet& t)
{
    if (!t.isOpen())
        t.open();
    return t;
}

// ---------------------------------------------------------------------------
// Writes through the data module, as the editors make them

// A new row in a reference list, as its editor stores it: the pending row
// filled in memory, then the save's operation.
QString addNamed(RecordSet& table, const char* field, const QString& name,
                 ops::Result (*save)(Connection&, const ops::RecordWrite&))
{
    openTable(table).insert();
    table.fieldByName(QString::fromLatin1(field)).setAsString(name);
    const ops::RecordWrite w = table.pendingWrite();
    table.cancel();
    table.close();
    dialogTime();
    say(QStringLiteral("move ") + g_work);
    const ops::Result r = save(DM->ADOConnection1, w);
    if (!r.stored())
        throw DbError(r.message);
    return QStringLiteral("id=%1 name=%2").arg(r.id).arg(name);
}

QString addOperator(int n)
{
    return addNamed(DM->tbl_People, "FIO", QStringLiteral("Оператор_%1_%2").arg(g_run).arg(n), &ops::saveOperator);
}
QString addFirm(int n)
{
    return addNamed(DM->tbl_Firma, "Name", QStringLiteral("Фирма_%1_%2").arg(g_run).arg(n), &ops::saveFirm);
}

// A receipt into one stock of one tool, as the data layer makes it.
QString receipt(int)
{
    const ToolKind kind = allToolKinds()[size_t(rnd(0, ToolKindCount - 1))];
    const int count = int(queryInt(DM->ADOConnection1, QStringLiteral("SELECT count(*) FROM %1").arg(toolKind(kind).table)));
    if (count == 0)
        return {};
    const int id = int(queryInt(DM->ADOConnection1, QStringLiteral("SELECT ID FROM %1 ORDER BY ID LIMIT 1 OFFSET %2")
                                                        .arg(toolKind(kind).table)
                                                        .arg(rnd(0, count - 1))));
    const bool bu = rnd(0, 3) == 0;
    const int n = rnd(1, 20);
    const QString fields = QStringLiteral("kind=%1 tool=%2 dn=%3 dbu=%4 dd=0")
                               .arg(kindCodeOf(kind))
                               .arg(id)
                               .arg(bu ? 0 : n)
                               .arg(bu ? n : 0);
    dialogTime();
    say(QStringLiteral("move receipt ") + fields);
    const ops::Result r = ops::receive(DM->ADOConnection1, {kind, id, bu ? 0 : n, bu ? n : 0, QDate::currentDate(),
                                                            QStringLiteral("Администратор")});
    if (!r.stored())
        throw DbError(r.message);
    // The page shows what was written behind it.
    DM->ShowChanges(r);
    return fields + QStringLiteral(" hist=%1").arg(r.id);
}

// ---------------------------------------------------------------------------
// The movements, through the main window and its dialogs

struct Choice {
    int kind = 0, tool = 0, dn = 0, dbu = 0, dd = 0;
    QString extra;   // the work's own fields
    QString fields() const
    {
        return QStringLiteral("kind=%1 tool=%2 dn=%3 dbu=%4 dd=%5%6").arg(kind).arg(tool).arg(dn).arg(dbu).arg(dd).arg(extra);
    }
};

// The person's part in a dialog: the choice made (the OK button to press),
// or nullptr when there is nothing to do (the dialog is then cancelled).
using Choose = std::function<QPushButton*(QDialog*, Choice&)>;

// Runs one command whose dialog the scripted person plays with `choose`;
// what to report as committed, or "" when nothing was stored.
QString command(Choice& ch, const Choose& choose, const std::function<bool()>& run)
{
    ScriptedUser person;
    person.setRealLoop(g_shared && rnd(0, 1) == 1);
    bool chosen = false;
    person.onModal([&](QDialog* d) {
        QPushButton* ok = choose(d, ch);
        if (!ok) {
            d->reject();
            return;
        }
        chosen = true;
        say(QStringLiteral("move ") + g_work + QLatin1Char(' ') + ch.fields());
        pauseOpen("dialog");
        QTest::mouseClick(ok, Qt::LeftButton);
        // Refused or failed (the other copy got there first), the dialog
        // stays open with what was chosen: the person gives up.
        if (d->isVisible())
            d->reject();
    });
    QElapsedTimer t;
    t.start();
    const bool stored = run();
    const qint64 ms = t.elapsed();
    g_slowest = std::max(g_slowest, ms);
    // Every dialog returned, the main window usable, nothing unexpected.
    QStringList problems;
    if (const QString p = ScriptedUser::usableProblem(frm_Main); !p.isEmpty())
        problems << p;
    if (person.leftOpen() || person.stuck() || person.unexpected())
        problems << QStringLiteral("dialogs left open %1, stuck %2, unexpected %3")
                        .arg(person.leftOpen())
                        .arg(person.stuck())
                        .arg(person.unexpected());
    // A write waits for the other copy's lock about 3 s at most.
    if (ms > 6000)
        problems << QStringLiteral("took %1 ms").arg(ms);
    for (const QString& p : problems)
        say(QStringLiteral("problem ") + g_work + QStringLiteral(": ") + p);
    const QStringList told = person.texts();
    if (!told.isEmpty() || (chosen && !stored)) {
        QString said = told.join(QStringLiteral(" / "));
        said.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        say(QStringLiteral("failed ") + g_work + QLatin1Char(' ') + (said.isEmpty() ? QStringLiteral("(nothing said)") : said));
        return {};
    }
    return chosen && stored ? ch.fields() : QString();
}

// A random row of a kind's page made current, as by a click on it.
bool chooseTool(ToolKind kind, Choice& ch)
{
    frm_Main->PageControl_Main->setCurrentIndex(pageOf(kind));
    RecordSet& cat = catalogueOf(*DM, kind);
    if (!cat.isOpen() || cat.isEmpty())
        return false;
    clickRow(frm_Main->pageGrid(pageOf(kind)), rnd(0, cat.recordCount() - 1));
    ch.kind = kindCodeOf(kind);
    ch.tool = cat.fieldByName(QStringLiteral("ID")).asInteger();
    return true;
}

int pageCount(ToolKind kind, const char* field)
{
    return catalogueOf(*DM, kind).fieldByName(QString::fromLatin1(field)).asInteger();
}

ToolKind anyKind() { return allToolKinds()[size_t(rnd(0, ToolKindCount - 1))]; }

// Chooses a number from a list of 0 ... max; false when it offers nothing above 0.
int listMax(QComboBox* list) { return list->count() - 1; }

QString giveToWork(int)
{
    const ToolKind kind = anyKind();
    Choice ch;
    if (!chooseTool(kind, ch) || (pageCount(kind, toolKind(kind).newField) <= 0 && pageCount(kind, toolKind(kind).buField) <= 0))
        return {};
    bool bu = false;
    int q = 0;
    QString nomer;
    const QString done = command(
        ch,
        [&](QDialog* d, Choice& c) -> QPushButton* {
            auto* f = qobject_cast<Tfrm_GiveToWork*>(d);
            if (!f || f->DBLookupComboBox1->count() == 0)
                return nullptr;
            const int who = rnd(0, f->DBLookupComboBox1->count() - 1);
            f->DBLookupComboBox1->setCurrentIndex(who);
            emit f->DBLookupComboBox1->activated(who);
            // The stocks that have pieces, as the dialog offers them.
            QStringList offered;
            for (const QString& type : {QStringLiteral("Новый"), QStringLiteral("БУ")}) {
                f->cmbx_Type->setCurrentIndex(f->cmbx_Type->findText(type));
                if (listMax(f->cmbx_K_vo_Otdat) >= 1)
                    offered << type;
            }
            if (offered.isEmpty())
                return nullptr;
            const QString type = offered[rnd(0, int(offered.size()) - 1)];
            f->cmbx_Type->setCurrentIndex(f->cmbx_Type->findText(type));
            bu = type == QStringLiteral("БУ");
            q = rnd(1, listMax(f->cmbx_K_vo_Otdat));
            f->cmbx_K_vo_Otdat->setCurrentIndex(q);
            nomer = f->ed_NomerZap->text();
            c.dn = bu ? 0 : -q;
            c.dbu = bu ? -q : 0;
            c.dd = q;
            c.extra = QStringLiteral(" nomer=%1").arg(nomer);
            return f->bbtn_OK;
        },
        [&] { return frm_Main->GiveToWork(kind) == RowEditorResult::Stored; });
    if (done.isEmpty())
        return {};
    // The debt the issue wrote (the other copy may close it at once).
    return done + QStringLiteral(" debt=") + QString::number(frm_GiveToWork->Stored.id);
}

QString giveBack(int)
{
    frm_Main->PageControl_Main->setCurrentIndex(Tfrm_Main::PageDolgi);
    RecordSet& debts = DM->dtset_DolgiSQL;
    if (!debts.isOpen() || debts.isEmpty())
        return {};
    clickRow(frm_Main->dbgrid_Dolgi, rnd(0, debts.recordCount() - 1));
    auto val = [&](const char* f) { return debts.fieldByName(QString::fromLatin1(f)).asInteger(); };
    Choice ch;
    ch.kind = val("ID_Tabl");
    ch.tool = val("ID_Instr");
    const int kvo = val("K_vo");
    const bool bu = debts.fieldByName(QStringLiteral("Instr_is_BU")).asBoolean();
    ch.extra = QStringLiteral(" debt=%1 nomer=%2").arg(val("ID")).arg(val("Nomer_Zap"));
    return command(
        ch,
        [&](QDialog* d, Choice& c) -> QPushButton* {
            auto* f = qobject_cast<Tfrm_GetBackInstr*>(d);
            if (!f || kvo <= 0)
                return nullptr;
            // Some pieces back new, the rest used (issued used: all used).
            const int rNew = bu ? 0 : rnd(0, kvo);
            if (f->cmbx_K_vo_NEW->isEnabled())
                f->cmbx_K_vo_NEW->setCurrentIndex(rNew);
            f->cmbx_K_vo_BU->setCurrentIndex(kvo - rNew);
            c.dn = rNew;
            c.dbu = kvo - rNew;
            c.dd = -kvo;
            return f->BitBtn1;
        },
        [&] {
            QTest::mouseClick(frm_Main->SpeedButton1, Qt::LeftButton);
            return frm_GetBackInstr->result() == QDialog::Accepted;
        });
}

// The newest history rows of a tool, as "ID,ID".
QString newestHistory(const char* table, const Choice& ch, int rows)
{
    Query q(DM->ADOConnection1, QStringLiteral("SELECT ID FROM %1 WHERE ID_Tabl = %2 AND ID_Instr = %3 ORDER BY ID DESC LIMIT %4")
                                    .arg(QString::fromLatin1(table))
                                    .arg(ch.kind)
                                    .arg(ch.tool)
                                    .arg(rows));
    QStringList ids;
    while (q.next())
        ids << q.text(0);
    return ids.join(QLatin1Char(','));
}

QString receiptByDialog(int)
{
    const ToolKind kind = anyKind();
    Choice ch;
    if (!chooseTool(kind, ch))
        return {};
    const QString done = command(
        ch,
        [&](QDialog* d, Choice& c) -> QPushButton* {
            auto* f = qobject_cast<Tfrm_Prihod_Instr*>(d);
            if (!f)
                return nullptr;
            c.dn = rnd(0, 2) ? rnd(1, 20) : 0;
            c.dbu = c.dn == 0 || rnd(0, 2) == 0 ? rnd(1, 20) : 0;
            d->findChild<QSpinBox*>(QStringLiteral("sped_New"))->setValue(c.dn);
            d->findChild<QSpinBox*>(QStringLiteral("sped_BU"))->setValue(c.dbu);
            return f->bbtn_OK;
        },
        [&] { return frm_Main->PrihodCommand(kind) == RowEditorResult::Stored; });
    if (done.isEmpty())
        return {};
    return done + QStringLiteral(" hist=") + newestHistory("Prihod_History", ch, (ch.dn > 0) + (ch.dbu > 0));
}

QString writeOff(int)
{
    const ToolKind kind = anyKind();
    Choice ch;
    if (!chooseTool(kind, ch) || (pageCount(kind, toolKind(kind).newField) <= 0 && pageCount(kind, toolKind(kind).buField) <= 0))
        return {};
    const QString done = command(
        ch,
        [&](QDialog* d, Choice& c) -> QPushButton* {
            auto* f = qobject_cast<Tfrm_Spisat_Instr*>(d);
            if (!f)
                return nullptr;
            const int maxNew = listMax(f->cmbx_K_vo_NEW), maxBu = listMax(f->cmbx_K_vo_BU);
            int n = maxNew > 0 ? rnd(0, maxNew) : 0, u = maxBu > 0 ? rnd(0, maxBu) : 0;
            if (n == 0 && u == 0) {
                if (maxNew > 0)
                    n = 1;
                else if (maxBu > 0)
                    u = 1;
                else
                    return nullptr;
            }
            f->cmbx_K_vo_NEW->setCurrentIndex(n);
            f->cmbx_K_vo_BU->setCurrentIndex(u);
            c.dn = -n;
            c.dbu = -u;
            return f->bbtn_OK;
        },
        [&] { return frm_Main->SpisatCommand(kind) == RowEditorResult::Stored; });
    if (done.isEmpty())
        return {};
    return done + QStringLiteral(" hist=") + newestHistory("Spisanie_History", ch, (ch.dn < 0) + (ch.dbu < 0));
}

QString toUsed(int)
{
    const ToolKind kind = anyKind();
    Choice ch;
    if (!chooseTool(kind, ch) || pageCount(kind, toolKind(kind).newField) <= 0)
        return {};
    return command(
        ch,
        [&](QDialog* d, Choice& c) -> QPushButton* {
            auto* f = qobject_cast<Tfrm_Per_Instr_BU*>(d);
            if (!f || listMax(f->cmbx_COUNT) < 1)
                return nullptr;
            const int n = rnd(1, listMax(f->cmbx_COUNT));
            f->cmbx_COUNT->setCurrentIndex(n);
            c.dn = -n;
            c.dbu = n;
            return f->bbtn_OK;
        },
        [&] { return frm_Main->PerBUCommand(kind) == RowEditorResult::Stored; });
}

struct Work {
    const char* name;
    QString (*run)(int n);
    bool shared;   // also made while another copy shares the file
};
const Work kWorks[] = {
    {"operator", addOperator, false}, {"firm", addFirm, false},   {"receipt", receipt, false},
    {"give", giveToWork, true},       {"return", giveBack, true}, {"prihod", receiptByDialog, true},
    {"spisat", writeOff, true},       {"perbu", toUsed, true},
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        fprintf(stderr, "usage: tooldb-crash-child DB SEED [MS]\n");
        return 2;
    }
    g_rng.seed(unsigned(QByteArray(argv[2]).toUInt()));
    g_run = QString::fromLatin1(argv[2]);
    const qint64 forMs = argc > 3 ? QByteArray(argv[3]).toLongLong() : 0;
    g_shared = forMs > 0;
    QApplication::setQuitOnLastWindowClosed(false);
    int rc = 0;
    {
        ScriptedUser login;
        if (!Program::CreateWindows(QString::fromLocal8Bit(argv[1]))
            || !showMainWithLogin(login, QStringLiteral("Администратор"), QStringLiteral("123"))) {
            fprintf(stderr, "the program did not start: %s\n", qPrintable(login.texts().join(QLatin1Char('\n'))));
            return 1;
        }
        try {
            // On a file a kill also lands right after a row is written, the
            // transaction open; a server is slowed there by a trigger of the test's.
            const bool onFile = !isServerName(QString::fromLocal8Bit(argv[1]));
            if (!g_shared && onFile) {
                // The log is folded into the file every few commits (the
                // program does it every thousand pages), so that kills land
                // in that too.
                DM->ADOConnection1.exec(QStringLiteral("PRAGMA wal_autocheckpoint = 8"));
                // A killed process loses nothing the system has been handed,
                // so the commits need not wait for the disk (a busy machine's
                // disk would set the pace of the test otherwise).
                DM->ADOConnection1.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
            }
            if (onFile)
                sqlite3_update_hook(DM->ADOConnection1.handle(), rowWritten, nullptr);
            say(QStringLiteral("ready"));
            QElapsedTimer clock;
            clock.start();
            for (int n = 1; !g_shared || clock.elapsed() < forMs; ++n) {
                const Work& w = kWorks[rnd(0, int(std::size(kWorks)) - 1)];
                if (g_shared && !w.shared)
                    continue;
                g_work = QString::fromLatin1(w.name);
                say(QStringLiteral("begin ") + g_work);
                const QString done = w.run(n);
                if (!done.isEmpty())
                    say(QStringLiteral("commit %1 %2").arg(g_work, done));
            }
            say(QStringLiteral("end slowest=%1").arg(g_slowest));
        } catch (const DbError& e) {
            fprintf(stderr, "%s\n", e.message().toUtf8().constData());
            rc = 1;
        }
        if (DM->ADOConnection1.handle())
            sqlite3_update_hook(DM->ADOConnection1.handle(), nullptr, nullptr);
    }
    Program::DestroyWindows();
    return rc;
}
