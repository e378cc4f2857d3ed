#include "ReportBench.h"

#include "BenchSupport.h"
#include "Connection.h"
#include "DbError.h"
#include "UsageReports.h"

#include <QDateTime>

#include <sqlite3.h>

namespace {

// The floor: the statement prepared, its parameters bound as the engine
// binds them (dates as text), every row stepped and every column read.
qint64 stepBound(sqlite3* db, const reports::Statement& s)
{
    sqlite3_stmt* st = nullptr;
    const QByteArray u = s.sql.toUtf8();
    if (sqlite3_prepare_v2(db, u.constData(), int(u.size()), &st, nullptr) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    for (int i = 0; i < s.params.size(); ++i) {
        const QVariant& v = s.params[i];
        if (v.typeId() == QMetaType::QDateTime) {
            const QByteArray t = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
            sqlite3_bind_text(st, i + 1, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        } else {
            sqlite3_bind_int64(st, i + 1, v.toLongLong());
        }
    }
    qint64 rows = 0;
    double sum = 0;
    const int nc = sqlite3_column_count(st);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        for (int c = 0; c < nc; ++c) {
            if (sqlite3_column_type(st, c) == SQLITE_TEXT)
                sum += sqlite3_column_bytes(st, c) + (sqlite3_column_text(st, c) ? 1 : 0);
            else
                sum += sqlite3_column_double(st, c);
        }
        ++rows;
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    static volatile double sink;
    sink = sink + sum;
    return rows;
}

} // namespace

std::vector<ReportFigure> measureReports(const QString& path, sqlite3* plain, int runs)
{
    using namespace reports;
    std::vector<ReportFigure> out;
    const QDate today = QDate::currentDate();
    // Every movement of the benchmark database lies in the last five years.
    const Period all{today.addYears(-6), today, 0};
    Connection c;
    try {
        c.open(path);
    } catch (const DbError& e) {
        ReportFigure f{QStringLiteral("Reports"), {}, {}, {}, e.message()};
        out.push_back(f);
        return out;
    }
    for (Usage r : {Usage::Consumption, Usage::Operators, Usage::Tools}) {
        static const char* const names[] = {"consumption", "operators", "tools"};
        ReportFigure f;
        f.what = QStringLiteral("Report \"%1\", whole database").arg(QString::fromLatin1(names[int(r)]));
        const Statement s = reportStatement(r, c.dialect(), all, today);
        int rows = 0;
        qint64 sqlRows = 0;
        try {
            for (int i = 0; i < runs; ++i) {
                f.floorMs.push_back(timeMs([&] { sqlRows = stepBound(plain, s); }));
                f.ms.push_back(timeMs([&] { rows = int(makeReport(r, c, all, today).rows.size()); }));
            }
        } catch (const DbError& e) {
            f.error = e.message();
        }
        f.note = QStringLiteral("%1 table rows from %2 rows of its SQL; %3 to %4")
                     .arg(rows)
                     .arg(sqlRows)
                     .arg(all.from.toString(QStringLiteral("dd.MM.yyyy")), all.to.toString(QStringLiteral("dd.MM.yyyy")));
        out.push_back(f);
    }
    return out;
}
