#include "ReportRegistry.h"

#include "Connection.h"
#include "DbError.h"
#include "RuFormat.h"
#include "StockReports.h"
#include "UsageReports.h"

#include <QTextStream>

namespace reports {

namespace {

// A usage report for the options' period (the current month unless given)
// and kind.
Table usageTable(Usage r, Connection& c, const Options& o)
{
    Period p = currentMonth(o.today.isValid() ? o.today : QDate::currentDate());
    if (o.from.isValid())
        p.from = o.from;
    if (o.to.isValid())
        p.to = o.to;
    parseKind(o.kind, &p.kindCode);
    if (const QString problem = periodProblem(p); !problem.isEmpty())
        throw DbError(problem);
    return makeReport(r, c, p, o.today.isValid() ? o.today : QDate::currentDate());
}

} // namespace

const QList<Report>& registry()
{
    static const QList<Report> reports = {
        {QStringLiteral("reorder"), QStringLiteral("что заказать: инструмент ниже минимального остатка"),
         [](Connection& c, const Options&) { return reorderTable(c); }},
        {QStringLiteral("overdue"),
         QStringLiteral("просроченные долги: инструмент в работе дольше срока выдачи (--days N, --today ДАТА)"),
         [](Connection& c, const Options& o) { return overdueTable(c, o.today, o.days); }},
        {QStringLiteral("consumption"),
         QStringLiteral("расход по месяцам: получено, списано и выдано по видам (--from, --to, --kind)"),
         [](Connection& c, const Options& o) { return usageTable(Usage::Consumption, c, o); }},
        {QStringLiteral("operators"),
         QStringLiteral("по операторам: взято, возвращено, в работе, дней в работе (--from, --to, --kind)"),
         [](Connection& c, const Options& o) { return usageTable(Usage::Operators, c, o); }},
        {QStringLiteral("tools"),
         QStringLiteral("по инструменту: больше всего списано и выдано, первые 20 и прочие (--from, --to, --kind)"),
         [](Connection& c, const Options& o) { return usageTable(Usage::Tools, c, o); }},
    };
    return reports;
}

const Report* findReport(const QString& name)
{
    for (const Report& r : registry())
        if (r.name == name)
            return &r;
    return nullptr;
}

bool parseDateArgument(const QString& text, QDate* out)
{
    const QString t = text.trimmed();
    QDate d;
    for (const char* format : {"dd.MM.yyyy", "d.M.yyyy", "yyyy-MM-dd"}) {
        d = QDate::fromString(t, QString::fromLatin1(format));
        if (d.isValid())
            break;
    }
    if (!d.isValid())
        return false;
    if (out)
        *out = d;
    return true;
}

QString usageText()
{
    QString u = QStringLiteral("Использование: tooldb-report ОТЧЕТ БАЗА [--xlsx ФАЙЛ] [--from ДАТА] [--to ДАТА] "
                               "[--kind ВИД] [--days N] [--today ДАТА]\n"
                               "БАЗА: путь к файлу базы данных или postgresql://...\n"
                               "ДАТА: 31.12.2026 или 2026-12-31. Без --xlsx отчет выводится как CSV (UTF-8, \";\").\n"
                               "Отчеты:\n");
    for (const Report& r : registry())
        u += QStringLiteral("  %1 - %2\n").arg(r.name, r.help);
    return u;
}

bool parseOptions(const QStringList& args, Options* out, QString* error)
{
    Options o;
    QStringList positional;
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith(QLatin1String("--"))) {
            positional << a;
            continue;
        }
        QString name = a, value;
        const qsizetype eq = a.indexOf(QLatin1Char('='));
        if (eq > 0) {
            name = a.left(eq);
            value = a.mid(eq + 1);
        }
        static const QStringList known = {QStringLiteral("--xlsx"), QStringLiteral("--from"), QStringLiteral("--to"),
                                          QStringLiteral("--today"), QStringLiteral("--kind"), QStringLiteral("--days")};
        if (!known.contains(name))
            return fail(QStringLiteral("Неизвестный параметр %1.").arg(name));
        if (eq <= 0) {
            if (i + 1 >= args.size())
                return fail(QStringLiteral("У параметра %1 нет значения.").arg(a));
            value = args[++i];
        }
        if (name == QLatin1String("--xlsx")) {
            if (value.isEmpty())
                return fail(QStringLiteral("У параметра --xlsx нет имени файла."));
            o.xlsx = value;
        } else if (name == QLatin1String("--from") || name == QLatin1String("--to") || name == QLatin1String("--today")) {
            QDate d;
            if (!parseDateArgument(value, &d))
                return fail(QStringLiteral("%1: \"%2\" не дата (31.12.2026 или 2026-12-31).").arg(name, value));
            (name == QLatin1String("--from") ? o.from : name == QLatin1String("--to") ? o.to : o.today) = d;
        } else if (name == QLatin1String("--kind")) {
            if (!parseKind(value, nullptr))
                return fail(QStringLiteral("--kind: \"%1\" не вид инструмента (1-4, Сверла, Фрезы, Державки пластин, "
                                           "Пластины).").arg(value));
            o.kind = value;
        } else if (name == QLatin1String("--days")) {
            int n = 0;
            if (!ru::parseInt(value, &n) || n < 0)
                return fail(QStringLiteral("--days: \"%1\" не целое число дней от 0.").arg(value));
            o.days = n;
        }
    }
    if (positional.size() != 2)
        return fail(positional.size() < 2 ? QStringLiteral("Нужно назвать отчет и базу данных.")
                                           : QStringLiteral("Лишний параметр \"%1\".").arg(positional[2]));
    o.report = positional[0];
    o.database = positional[1];
    if (!findReport(o.report))
        return fail(QStringLiteral("Нет отчета \"%1\".").arg(o.report));
    if (o.from.isValid() && o.to.isValid() && o.from > o.to)
        return fail(QStringLiteral("Дата --from позже даты --to."));
    if (!o.today.isValid())
        o.today = QDate::currentDate();
    if (out)
        *out = o;
    return true;
}

int runReport(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() == 1 && (args[0] == QLatin1String("--help") || args[0] == QLatin1String("-h"))) {
        out << usageText();
        return 0;
    }
    Options o;
    QString why;
    if (!parseOptions(args, &o, &why)) {
        err << why << "\n" << usageText();
        return 2;
    }
    Table t;
    try {
        Connection c;
        c.openReadOnly(o.database);
        t = findReport(o.report)->make(c, o);
    } catch (const DbError& e) {
        err << e.message() << "\n";
        return 1;
    }
    if (!o.xlsx.isEmpty()) {
        if (!writeXlsx(t, o.xlsx, &why)) {
            err << why << "\n";
            return 1;
        }
        return 0;
    }
    out << csvText(t);
    return 0;
}

} // namespace reports
