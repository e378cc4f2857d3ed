// tooldb-crash-child DB SEED: the writer that the crash test kills. It opens
// the database through the data module as the program does and writes in a
// loop, each write the way the program makes it, reporting on stdout
//   ready                      once the data module is open
//   begin <work>               before a write transaction starts
//   commit <work> k=v ...      after it committed (what the parent checks)
// A pause inside each transaction stands for the time a dialog is open.
// A new kind of write is one more entry in kWorks (and a check in tst_crash).
#include "DM_Unit.h"
#include "DbError.h"
#include "ToolKind.h"

#include <QCoreApplication>
#include <QDateTime>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

namespace {

std::mt19937 g_rng;
QString g_run;   // the seed: names stay unique across runs

int rnd(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(g_rng); }

void say(const QString& line)
{
    const QByteArray u = line.toUtf8() + '\n';
    fwrite(u.constData(), 1, size_t(u.size()), stdout);
    fflush(stdout);
}

// The time a dialog stays open while its transaction is held.
void dialogTime() { std::this_thread::sleep_for(std::chrono::microseconds(rnd(0, 3000))); }

RecordSet& openTable(RecordSet& t)
{
    if (!t.isOpen())
        t.open();
    return t;
}

// A new row in a reference list, as its editor stores it.
QString addNamed(RecordSet& table, const char* field, const QString& name)
{
    Transaction tr(DM->ADOConnection1);
    openTable(table).insert();
    table.fieldByName(QString::fromLatin1(field)).setAsString(name);
    table.post();
    dialogTime();
    tr.commit();
    return QStringLiteral("id=%1 name=%2").arg(table.fieldByName(QStringLiteral("ID")).asInteger()).arg(name);
}

QString addOperator(int n) { return addNamed(DM->tbl_People, "FIO", QStringLiteral("Оператор_%1_%2").arg(g_run).arg(n)); }
QString addFirm(int n) { return addNamed(DM->tbl_Firma, "Name", QStringLiteral("Фирма_%1_%2").arg(g_run).arg(n)); }

// A receipt into one stock of one tool: the tool row in edit state while
// the dialog writes its history row in a nested transaction; the row is
// posted and everything committed when the dialog closes.
QString receipt(int)
{
    const ToolKind kind = allToolKinds()[size_t(rnd(0, ToolKindCount - 1))];
    RecordSet& tool = openTable(tableObjectOf(*DM, kind));
    if (tool.isEmpty())
        return {};
    tool.setRecNo(rnd(1, tool.recordCount()));
    const bool bu = rnd(0, 3) == 0;
    const int count = rnd(1, 20);
    const QString counter = QString::fromLatin1(bu ? toolKind(kind).buField : toolKind(kind).tableNewColumn);
    Transaction tr(DM->ADOConnection1);
    try {
        tool.edit();
        Field& f = tool.fieldByName(counter);
        f.setAsInteger(f.asInteger() + count);
        RecordSet& hist = openTable(DM->tbl_Prihod_Hist);
        {
            Transaction nested(DM->ADOConnection1);
            hist.insert();
            hist.fieldByName(QStringLiteral("ID_Instr")).setAsInteger(tool.fieldByName(QStringLiteral("ID")).asInteger());
            hist.fieldByName(QStringLiteral("ID_Tabl")).setAsInteger(kindCodeOf(kind));
            hist.fieldByName(QStringLiteral("Date")).setAsDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));
            hist.fieldByName(QStringLiteral("K_vo")).setAsInteger(count);
            hist.fieldByName(QStringLiteral("Instr_is_BU")).setAsBoolean(bu);
            hist.fieldByName(QStringLiteral("FIO_AdminBD")).setAsString(QStringLiteral("Администратор"));
            hist.post();
            nested.commit();
        }
        dialogTime();
        tool.post();
        tr.commit();
        return QStringLiteral("hist=%1 kind=%2 tool=%3 count=%4 bu=%5")
            .arg(hist.fieldByName(QStringLiteral("ID")).asInteger())
            .arg(kindCodeOf(kind))
            .arg(tool.fieldByName(QStringLiteral("ID")).asInteger())
            .arg(count)
            .arg(bu ? 1 : 0);
    } catch (...) {
        tool.cancel();
        DM->tbl_Prihod_Hist.cancel();
        throw;
    }
}

const struct {
    const char* name;
    QString (*run)(int n);
} kWorks[] = {{"operator", addOperator}, {"firm", addFirm}, {"receipt", receipt}};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        fprintf(stderr, "usage: tooldb-crash-child DB SEED\n");
        return 2;
    }
    g_rng.seed(unsigned(QByteArray(argv[2]).toUInt()));
    g_run = QString::fromLatin1(argv[2]);
    try {
        new TDM(QString::fromLocal8Bit(argv[1]));
        // The log is folded into the file every few commits (the program
        // does it every thousand pages), so that kills land in that too.
        DM->ADOConnection1.exec(QStringLiteral("PRAGMA wal_autocheckpoint = 8"));
        // A killed process loses nothing the system has been handed, so the
        // commits need not wait for the disk (a busy machine's disk would
        // set the pace of the test otherwise).
        DM->ADOConnection1.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
        say(QStringLiteral("ready"));
        for (int n = 1;; ++n) {
            const auto& w = kWorks[rnd(0, int(std::size(kWorks)) - 1)];
            say(QStringLiteral("begin %1").arg(QString::fromLatin1(w.name)));
            const QString done = w.run(n);
            if (!done.isEmpty())
                say(QStringLiteral("commit %1 %2").arg(QString::fromLatin1(w.name), done));
        }
    } catch (const DbError& e) {
        fprintf(stderr, "%s\n", e.message().toUtf8().constData());
        return 1;
    }
}
