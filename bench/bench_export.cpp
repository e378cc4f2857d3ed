// tooldb-bench-export: the spreadsheet export measured on large pages, the
// 25,000-drill page and the 100,000-debt page. Each figure is the median of
// several runs, printed beside its floor: bare libxlsxwriter writing the
// same cells with the same formats in the same process, from texts prepared
// beforehand. A missed goal is reported (exit 0); an error exits with 1, a
// bad option with 2.
#include "BenchSupport.h"
#include "DM_Unit.h"
#include "DbError.h"
#include "ExportWorkbook.h"
#include "SampleData.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>
#include <xlsxwriter.h>

namespace {

// A page's cells as texts, prepared before the floor is timed.
struct Cells {
    std::vector<int> columns;             // field positions of the visible fields after the first
    std::vector<double> widths;
    std::vector<std::string> labels;
    std::vector<std::string> texts;       // row by row, columns.size() a row
    int rows = 0;
};

Cells prepare(const RecordSet& rs)
{
    Cells c;
    for (int i = 1; i < rs.fieldCount(); ++i)
        if (rs.fieldDef(i).visible) {
            c.columns.push_back(i);
            c.widths.push_back(rs.fieldDef(i).displayWidth());
            c.labels.push_back(rs.fieldDef(i).displayLabel().toStdString());
        }
    c.rows = rs.recordCount();
    c.texts.reserve(size_t(c.rows) * c.columns.size());
    for (int p = 0; p < c.rows; ++p)
        for (int i : c.columns)
            c.texts.push_back(rs.textAt(p, i).toStdString());
    return c;
}

// Bare libxlsxwriter: the same workbook options, formats and cells.
bool writeBare(const Cells& c, const QString& path, const QString& tmp, const char* sheet)
{
    QByteArray tmpdir = tmp.toLocal8Bit();
    lxw_workbook_options o{};
    o.constant_memory = LXW_TRUE;
    o.tmpdir = tmpdir.data();
    lxw_workbook* wb = workbook_new_opt(path.toLocal8Bit().constData(), &o);
    if (!wb)
        return false;
    auto fmt = [&](bool bold, double size, bool blue, const char* font, bool text) {
        lxw_format* f = workbook_add_format(wb);
        if (bold)
            format_set_bold(f);
        format_set_font_size(f, size);
        if (blue)
            format_set_font_color(f, LXW_COLOR_BLUE);
        if (font)
            format_set_font_name(f, font);
        if (text)
            format_set_num_format(f, "@");
        return f;
    };
    lxw_format* title = fmt(true, 12, true, nullptr, false);
    lxw_format* titleText = fmt(true, 12, true, nullptr, true);
    lxw_format* header = fmt(true, 12, false, nullptr, false);
    lxw_format* headerText = fmt(true, 12, false, nullptr, true);
    lxw_format* data = fmt(false, 10, false, "Microsoft Sans Serif", false);
    lxw_format* dataText = fmt(false, 10, false, "Microsoft Sans Serif", true);
    lxw_format* column = fmt(false, 11, false, nullptr, true);
    lxw_worksheet* ws = workbook_add_worksheet(wb, sheet);
    for (size_t j = 0; j < c.columns.size(); ++j)
        worksheet_set_column(ws, lxw_col_t(c.columns[j]), lxw_col_t(c.columns[j]), c.widths[j], column);
    worksheet_set_row(ws, 0, LXW_DEF_ROW_HEIGHT, title);
    worksheet_write_string(ws, 0, 1, "БД Инструмента", titleText);
    worksheet_write_string(ws, 0, 3, "generated", titleText);
    worksheet_set_row(ws, 1, LXW_DEF_ROW_HEIGHT, header);
    for (size_t j = 0; j < c.columns.size(); ++j)
        worksheet_write_string(ws, 1, lxw_col_t(c.columns[j]), c.labels[j].c_str(), headerText);
    size_t t = 0;
    for (int k = 1; k <= c.rows; ++k) {
        const lxw_row_t r = lxw_row_t(k + 2);
        worksheet_set_row(ws, r, LXW_DEF_ROW_HEIGHT, data);
        worksheet_write_number(ws, r, 0, k, data);
        for (int col : c.columns)
            worksheet_write_string(ws, r, lxw_col_t(col), c.texts[t++].c_str(), dataText);
    }
    return workbook_close(wb) == LXW_NO_ERROR;
}

struct Figures {
    double ms = std::nan(""), floorMs = std::nan(""), growthMb = std::nan("");
    qint64 bytes = 0;
    QString error;
};

Figures measure(const RecordSet& rs, const char* sheet, int runs, const QString& dir)
{
    Figures out;
    const Cells cells = prepare(rs);
    const QString file = dir + QStringLiteral("/export.xlsx"), bare = dir + QStringLiteral("/bare.xlsx");
    std::vector<double> fig, flo, growth;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        if (!writeBare(cells, bare, dir, sheet)) {
            out.error = QStringLiteral("bare libxlsxwriter failed");
            return out;
        }
        flo.push_back(t.nsecsElapsed() / 1e6);
        QFile::remove(bare);

        resetPeakRss();
        const qint64 before = statusKb("VmRSS");
        t.start();
        {
            ExportWorkbook book(file, dir);
            int last = 0;
            if (!book.addPage(rs, QString::fromUtf8(sheet), [&](int p) { last = p; }) || !book.close()) {
                out.error = book.error();
                return out;
            }
        }
        fig.push_back(t.nsecsElapsed() / 1e6);
        growth.push_back(double(statusKb("VmHWM") - before) / 1024.0);
        out.bytes = QFileInfo(file).size();
        QFile::remove(file);
    }
    out.ms = median(fig);
    out.floorMs = median(flo);
    out.growthMb = median(growth);
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tooldb-bench-export"));
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Measures the spreadsheet export of the drills page and of the debts page against bare\n"
        "libxlsxwriter. Without --db it writes a database of 100,000 tools (25,000 drills) and\n"
        "100,000 open debts into a temporary folder; --db PATH uses that database, writing it\n"
        "there first when it does not exist."));
    p.addHelpOption();
    p.addOption({QStringLiteral("db"), QStringLiteral("Database to measure."), QStringLiteral("PATH")});
    p.addOption({QStringLiteral("runs"), QStringLiteral("Runs per figure; medians are shown (5)."), QStringLiteral("N")});
    p.process(app);
    int runs = 5;
    if (p.isSet(QStringLiteral("runs"))) {
        bool ok = false;
        runs = p.value(QStringLiteral("runs")).toInt(&ok);
        if (!ok || runs < 1) {
            std::fprintf(stderr, "--runs needs a whole number from 1\n");
            return 2;
        }
    }

    QTemporaryDir tmp;
    QString path = p.value(QStringLiteral("db"));
    if (path.isEmpty())
        path = tmp.filePath(QStringLiteral("db_instr.db"));
    if (!QFileInfo::exists(path)) {
        SampleOptions o;
        o.tools = 100000;
        o.debts = 100000;
        o.closed = 1000;
        o.receipts = 1000;
        o.writeoffs = 1000;
        std::printf("Writing the database %s ...\n", path.toUtf8().constData());
        std::fflush(stdout);
        try {
            writeSampleDatabase(path, o);
        } catch (const DbError& e) {
            std::printf("Cannot write the database: %s\n", e.message().toUtf8().constData());
            return 1;
        }
    }
    std::unique_ptr<TDM> dm;
    try {
        dm = std::make_unique<TDM>(path);
    } catch (const DbError& e) {
        std::printf("Cannot open %s: %s\n", path.toUtf8().constData(), e.message().toUtf8().constData());
        return 1;
    }
    std::printf("\nDatabase: %s\nMedians of %d runs. Build type: %s.\n", path.toUtf8().constData(), runs,
#ifdef NDEBUG
                "optimised"
#else
                "DEBUG (figures not meaningful)"
#endif
    );
    {
        QFile load(QStringLiteral("/proc/loadavg"));
        if (load.open(QIODevice::ReadOnly))
            std::printf("Load average before measuring: %s (other work on the machine slows every figure).\n",
                        load.readAll().trimmed().split(' ').mid(0, 3).join(' ').constData());
    }
    if (!resetPeakRss())
        std::printf("Peak RSS cannot be reset here: the memory growth shown is not meaningful.\n");
    std::printf("\n%-34s %8s %8s %12s %12s %7s %11s   %s\n", "export", "rows", "cells", "figure", "bare lxw",
                "ratio", "RSS growth", "goal");

    struct Page {
        const char* what;
        RecordSet* rs;
        const char* sheet;
        double maxMs;
    };
    const Page pages[] = {{"drills page (dtSet_Sverla)", &dm->dtSet_Sverla, "Сверла", 0},
                          {"debts page (dtset_DolgiSQL)", &dm->dtset_DolgiSQL, "Долги", 2000}};
    int rc = 0;
    for (const Page& pg : pages) {
        const Figures f = measure(*pg.rs, pg.sheet, runs, tmp.path());
        if (!f.error.isEmpty())
            rc = 1;
        int visible = 1;
        for (int i = 1; i < pg.rs->fieldCount(); ++i)
            visible += pg.rs->fieldDef(i).visible ? 1 : 0;
        const qint64 cellCount = qint64(pg.rs->recordCount()) * visible;
        const double ratio = f.ms / f.floorMs;
        const bool ok = f.error.isEmpty() && ratio <= 1.3 && (pg.maxMs == 0 || f.ms < pg.maxMs) && f.growthMb < 100;
        const QString goal = pg.maxMs > 0 ? QStringLiteral("<= 1.3x, < %1 ms, < 100 MB").arg(pg.maxMs)
                                          : QStringLiteral("<= 1.3x, < 100 MB");
        std::printf("%-34s %8d %8lld %9.2f ms %9.2f ms %6.2fx %8.1f MB   %-28s %s\n", pg.what, pg.rs->recordCount(),
                    cellCount, f.ms, f.floorMs, ratio, f.growthMb, goal.toUtf8().constData(),
                    ok ? "ok" : "GOAL MISSED");
        if (!f.error.isEmpty())
            std::printf("    %s\n", f.error.toUtf8().constData());
        std::printf("    workbook %.1f MB; cell by cell through automation at about 1 ms a cell: about %.0f min\n",
                    double(f.bytes) / (1024.0 * 1024.0), double(cellCount) / 1000.0 / 60.0);
        std::fflush(stdout);
    }
    return rc;
}
