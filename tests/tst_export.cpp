// The spreadsheet export, read back by an independent reader (openpyxl):
// the layout of every page's sheet, the rows following the grid's filter and
// order, every page into one workbook, failures that restore the window,
// and the progress window.
#include "DataAware.h"
#include "ExportWorkbook.h"
#include "frm_ExportToExcell_Unit.h"
#include "frm_Filter_Sverla_Unit.h"
#include "tst_main_session.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QToolButton>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProgressBar>
#include <QScrollBar>
#include <cmath>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What the reader says of one cell, or of a row's format.
struct Cell {
    QVariant value;
    QString type;     // "n" number, "s" text
    QString format;   // number format
    QString font;
    double size = 0;
    bool bold = false;
    QString color;    // ARGB, empty for the default colour
};

struct Sheet {
    QString name;
    int maxRow = 0;
    QMap<std::pair<int, int>, Cell> cells;
    QMap<int, std::pair<double, QString>> columns;   // column: width, number format
    QMap<int, Cell> rows;                            // row: its format

    bool has(int r, int c) const { return cells.contains({r, c}) && !cells[{r, c}].value.isNull(); }
    QString text(int r, int c) const { return cells.value({r, c}).value.toString(); }
    // The texts of columns first..last of row r ("" for an empty cell).
    QStringList texts(int r, int first, int last) const
    {
        QStringList out;
        for (int c = first; c <= last; ++c)
            out << text(r, c);
        return out;
    }
    QStringList column(int c) const
    {
        QStringList out;
        for (int r = 4; r <= maxRow; ++r)
            out << text(r, c);
        return out;
    }
};

Cell cellOf(const QJsonObject& o)
{
    Cell c;
    c.value = o.value("value").toVariant();
    c.type = o.value("type").toString();
    c.format = o.value("format").toString();
    const QJsonObject f = o.value("font").toObject();
    c.font = f.value("name").toString();
    c.size = f.value("size").toDouble();
    c.bold = f.value("bold").toBool();
    c.color = f.value("color").toString();
    return c;
}

// Reads a workbook with openpyxl, run as its own process.
QList<Sheet> readBack(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral(TOOLDB_PYTHON), {QStringLiteral(TOOLDB_XLSX_DUMP), path});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("the reader failed on %s: %s", qPrintable(path), p.readAllStandardError().constData());
        return {};
    }
    QList<Sheet> out;
    const QJsonArray sheets = QJsonDocument::fromJson(p.readAllStandardOutput()).object().value("sheets").toArray();
    for (const QJsonValue& sv : sheets) {
        const QJsonObject so = sv.toObject();
        Sheet s;
        s.name = so.value("name").toString();
        s.maxRow = so.value("maxRow").toInt();
        for (const QJsonValue& cv : so.value("cells").toArray()) {
            const QJsonObject co = cv.toObject();
            s.cells.insert({co.value("row").toInt(), co.value("column").toInt()}, cellOf(co));
        }
        for (const QJsonValue& dv : so.value("columns").toArray()) {
            const QJsonObject d = dv.toObject();
            for (int c = d.value("min").toInt(); c <= d.value("max").toInt(); ++c)
                if (d.value("customWidth").toBool())
                    s.columns.insert(c, {d.value("width").toDouble(), d.value("format").toString()});
        }
        for (const QJsonValue& rv : so.value("rows").toArray())
            s.rows.insert(rv.toObject().value("row").toInt(), cellOf(rv.toObject()));
        out << s;
    }
    return out;
}

const QString Title = QStringLiteral("БД Инструмента");
const QString Generator =
    QStringLiteral("Сгенерирован программой \"БД Инструмента. ПР.Ольмар\" версия 0.0.0. Разработчик Кордел");
const QString Blue = QStringLiteral("FF0000FF");
const QString DataFont = QStringLiteral("Microsoft Sans Serif");

// A session with one tool of every kind and two debts on the drill.
struct StockedSession : Session {
    StockedSession()
    {
        const qint64 f = firm("Sandvik");
        drillId = insert("Sverla", {{"Kod", "SV-1"}, {"Type", "Спиральное"}, {"Diam_Sverla", 2.5}, {"Diam_Hvost", 3.0},
                                    {"L_Instr", 50}, {"L_reza", 20}, {"N_zub", 2}, {"K_vo_New", 4}, {"K_vo_BU", 0},
                                    {"K_vo_Dolg", 3}, {"K_vo_Vozvrat", 0}, {"ID_Firma", f}, {"Pikcher", "a.jpg"},
                                    {"Prim", "заметка"}, {"Korob", "K-1"}});
        insert("Frezy", {{"Kod", "FR-1"}, {"Type", "Концевая"}, {"Diam_Frez", 12.75}, {"Diam_Hvost", 12.0},
                         {"L_Reza", 26.5}, {"L_Instr", 83.0}, {"L_Sheiki", 0.1}, {"N_zub", 4.0}, {"R_FAS_instr", "R0,5"},
                         {"K_vo_NEW", 3}, {"K_vo_BU", 2}, {"K_vo_DOLG", 0}, {"K_vo_Vozvrat", 0}, {"ID_Firma", f},
                         {"Pikcher", "b.jpg"}, {"Prim", "x"}, {"Korob", "Ш-2"}});
        insert("Derj_Plast", {{"Name", "Державка токарная"}, {"KOD", "DR-1"}, {"K_vo_NEW", 1}, {"K_vo_BU", 0},
                              {"K_vo_Dolg", 0}, {"K_vo_Vozvrat", 0}, {"ID_Firma", f}, {"Korob", "K-7"}});
        insert("Plastinyi", {{"Naimenovanie", "Пластина"}, {"Kod", "PL-1"}, {"K_vo_new", 10}, {"K_vo_BU", 5},
                             {"K_vo_Dolg", 2}, {"K_vo_Vozvrat", 0}, {"ID_Firma", f}, {"Korob", "=K9+1"}});
        const qint64 man = person("Иванов И.И.");
        insert("Dolgi", {{"Nomer_Zap", 7}, {"ID_Instr", drillId}, {"ID_Tabl", 1}, {"ID_People", man},
                         {"Date", QDateTime(QDate(2026, 3, 5), QTime(9, 5))}, {"K_vo", 2}, {"Instr_is_BU", true},
                         {"FIO_AdminBD", "Администратор"}});
        insert("Dolgi", {{"Nomer_Zap", 8}, {"ID_Instr", drillId}, {"ID_Tabl", 1}, {"ID_People", man},
                         {"Date", QDateTime(QDate(2026, 12, 31), QTime())}, {"K_vo", 1}, {"Instr_is_BU", false},
                         {"FIO_AdminBD", "Администратор"}});
    }
    qint64 drillId = 0;
};

// What the window shows while the rows are being written.
struct DuringExport {
    bool progressShown = false;
    bool gridShown = true;
    bool busyCursor = false;
    QPoint panelAt;   // where the detail panel stands
};

QList<int> ints(std::initializer_list<int> l) { return QList<int>(l); }

// The current folder and the environment's TMPDIR for as long as this lives.
class Surroundings {
public:
    Surroundings(const QString& folder, const std::optional<QString>& tmpdir)
        : m_folder(QDir::currentPath()), m_had(qEnvironmentVariableIsSet("TMPDIR")), m_tmpdir(qgetenv("TMPDIR"))
    {
        QDir::setCurrent(folder);
        if (tmpdir)
            qputenv("TMPDIR", tmpdir->toLocal8Bit());
        else
            qunsetenv("TMPDIR");
    }
    ~Surroundings()
    {
        QDir::setCurrent(m_folder);
        if (m_had)
            qputenv("TMPDIR", m_tmpdir);
        else
            qunsetenv("TMPDIR");
    }

private:
    QString m_folder;
    bool m_had;
    QByteArray m_tmpdir;
};

// Sets a file's or folder's time of last change to so many hours ago.
bool makeOld(const QString& path, int hours)
{
    const timespec when{time(nullptr) - time_t(hours) * 3600, 0};
    const timespec times[2] = {when, when};
    return utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0;
}

} // namespace

class TestExport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void cleanup() { QVERIFY(noWindowShown()); }

    void pageSheets_data();
    void pageSheets();
    void rowsFollowTheGrid_data();
    void rowsFollowTheGrid();
    void allPages();
    void failures_data();
    void failures();
    void writerFailures_data();
    void writerFailures();
    void temporaryFolder_data();
    void temporaryFolder();
    void oldFoldersRemoved_data();
    void oldFoldersRemoved();
    void progressWindow();

private:
    QTemporaryDir m_tmp;
};

// ---------------------------------------------------------------------------

void TestExport::pageSheets_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("sort");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QStringList>("labels");   // columns 2.. ("" = a hidden field's empty column)
    QTest::addColumn<QList<int>>("widths");    // the same columns (0 = none set)
    QTest::addColumn<QList<QStringList>>("records");

    QTest::newRow("drills") << 0 << QString() << "Сверла"
                            << QStringList{"Тип сверла", "КОД", "Диам. св.", "Диам. хвост.", "Длина инстр.",
                                           "Длина реж.ч.", "К-во новый", "К-во БУ", "В долгу", "", "", "", "Фирма", "",
                                           "", "№ короба"}
                            << ints({25, 20, 10, 10, 12, 12, 10, 10, 10, 0, 0, 0, 20, 0, 0, 25})
                            << QList<QStringList>{{"Спиральное", "SV-1", "2,5", "3", "50", "20", "4", "0", "3", "", "",
                                                   "", "Sandvik", "", "", "K-1"}};
    QTest::newRow("milling cutters")
        << 1 << QString() << "Фрезы"
        << QStringList{"Тип инстр.", "КОД", "Диам. фрез.", "Диам. хвост.", "Длина реза", "Длина инстр.", "Длина шейки",
                       "Число зуб.", "Радиус/Фаска", "К-во нов.", "К-во БУ", "К-во долг", "", "", "", "Фирма", "",
                       "№ Короба"}
        << ints({35, 30, 10, 10, 10, 10, 12, 10, 10, 10, 10, 10, 0, 0, 0, 12, 0, 144})
        << QList<QStringList>{{"Концевая", "FR-1", "12,75", "12", "26,5", "83", "0,1", "4", "R0,5", "3", "2", "0", "",
                               "", "", "Sandvik", "", "Ш-2"}};
    QTest::newRow("insert holders") << 2 << QString() << "Державки"
                                    << QStringList{"Наименование", "КОД", "К-во нов.", "К-во БУ", "К-во долг", "", "",
                                                   "", "", "Фирма", "Короб"}
                                    << ints({63, 27, 15, 12, 12, 0, 0, 0, 0, 20, 120})
                                    << QList<QStringList>{{"Державка токарная", "DR-1", "1", "0", "0", "", "", "", "",
                                                           "Sandvik", "K-7"}};
    // A text that looks like a formula stays the text it is.
    QTest::newRow("inserts") << 3 << QString() << "Пластинки"
                             << QStringList{"Наименование", "КОД", "К-во нов.", "К-во БУ", "К-во в долгу", "", "", "",
                                            "", "Фирма", "Короб"}
                             << ints({35, 35, 15, 13, 24, 0, 0, 0, 0, 23, 33})
                             << QList<QStringList>{
                                    {"Пластина", "PL-1", "10", "5", "2", "", "", "", "", "Sandvik", "=K9+1"}};
    // The flag as its plain text, not the grid's "БУ"/"Новый"; a date with
    // its time unless it is midnight.
    QTest::newRow("debts") << 4 << "Nomer_zap" << "Долги"
                           << QStringList{"№ п.п.", "Что брал", "Код инструмента", "Дата (когда брал)",
                                          "ФИО оператора", "К-во инстр.", "Тип инстр.", "", "", "", "", "", ""}
                           << ints({10, 20, 30, 18, 30, 10, 5, 0, 0, 0, 0, 0, 0})
                           << QList<QStringList>{{"7", "Сверла", "SV-1", "05.03.2026 9:05:00", "Иванов И.И.", "2",
                                                  "True", "", "", "", "", "", ""},
                                                 {"8", "Сверла", "SV-1", "31.12.2026", "Иванов И.И.", "1", "False",
                                                  "", "", "", "", "", ""}};
}

void TestExport::pageSheets()
{
    QFETCH(int, page);
    QFETCH(QString, sort);
    QFETCH(QString, sheet);
    QFETCH(QStringList, labels);
    QFETCH(QList<int>, widths);
    QFETCH(QList<QStringList>, records);

    StockedSession s;
    QVERIFY(s.start());
    frm_ExportToExcell->TempFolder = m_tmp.path();
    frm_Main->PageControl_Main->setCurrentIndex(page);
    if (!sort.isEmpty())
        frm_Main->pageRecordSet(page)->setSort(sort);
    frm_Main->mm_Export_Activ_Page->trigger();

    QCOMPARE(s.user.documentsOpened().size(), 1);
    QCOMPARE(s.user.texts(), QStringList());
    const QString path = s.user.documentsOpened().first();
    QCOMPARE(QFileInfo(path).fileName(), sheet + ".xlsx");
    const QList<Sheet> book = readBack(path);
    QCOMPARE(book.size(), 1);
    const Sheet& ws = book.first();
    QCOMPARE(ws.name, sheet);
    const int last = 1 + int(labels.size());

    // Row 1: the two texts, bold, size 12, blue, as the whole row.
    QCOMPARE(ws.texts(1, 1, 4), (QStringList{"", Title, "", Generator}));
    for (int c : {2, 4}) {
        const Cell& t = ws.cells[{1, c}];
        QVERIFY(t.bold);
        QCOMPARE(t.size, 12.0);
        QCOMPARE(t.color, Blue);
    }
    QVERIFY(ws.rows[1].bold);
    QCOMPARE(ws.rows[1].size, 12.0);
    QCOMPARE(ws.rows[1].color, Blue);
    // Row 2: the labels, bold, size 12; column 1 has none.
    QVERIFY(!ws.has(2, 1));
    QCOMPARE(ws.texts(2, 2, last), labels);
    QVERIFY(!ws.has(2, last + 1));
    QVERIFY(ws.rows[2].bold);
    QCOMPARE(ws.rows[2].size, 12.0);
    QVERIFY(ws.rows[2].color != Blue);
    // Row 3 is empty.
    for (int c = 1; c <= last; ++c)
        QVERIFY(!ws.has(3, c));

    // Columns: the display width and the text format for visible fields only.
    QVERIFY(!ws.columns.contains(1));
    for (int c = 2; c <= last; ++c) {
        const int w = widths[c - 2];
        QCOMPARE(ws.columns.contains(c), w > 0);
        if (w == 0)
            continue;
        QCOMPARE(int(std::floor(ws.columns[c].first)), w);   // the reader adds the cell padding
        QCOMPARE(ws.columns[c].second, QStringLiteral("@"));
        const Cell& label = ws.cells[std::make_pair(2, c)];
        QCOMPARE(label.format, QStringLiteral("@"));
        QVERIFY(label.bold);
    }

    // A row per record: the running number, then the fields' texts, in the
    // data font; nothing after the last record.
    QCOMPARE(ws.maxRow, 3 + int(records.size()));
    for (int k = 1; k <= records.size(); ++k) {
        const int r = 3 + k;
        const Cell& number = ws.cells[{r, 1}];
        QCOMPARE(number.type, QStringLiteral("n"));
        QCOMPARE(number.value.toInt(), k);
        QCOMPARE(ws.texts(r, 2, last), records[k - 1]);
        QCOMPARE(ws.rows[r].font, DataFont);
        QCOMPARE(ws.rows[r].size, 10.0);
        for (int c = 1; c <= last; ++c) {
            if (!ws.has(r, c))
                continue;
            const Cell& x = ws.cells[{r, c}];
            QCOMPARE(x.font, DataFont);
            QCOMPARE(x.size, 10.0);
            QVERIFY(!x.bold);
            if (c > 1) {
                QCOMPARE(x.type, QStringLiteral("s"));
                QCOMPARE(x.format, QStringLiteral("@"));
            }
        }
    }
}

// ---------------------------------------------------------------------------

void TestExport::rowsFollowTheGrid_data()
{
    QTest::addColumn<QList<double>>("diameters");   // the drills, coded SV-1, SV-2 ... in this order
    QTest::addColumn<QString>("narrow");   // "filter:TEXT", "dialog:DIAMETER", "title:FIELD" or ""
    QTest::addColumn<QStringList>("codes");        // exported, in order
    QTest::addColumn<int>("progress");             // the last progress set

    QTest::newRow("empty page: title and header only") << QList<double>{} << QString() << QStringList{} << 10;
    QTest::newRow("one record: progress 104, shown as 100")
        << QList<double>{4} << QString() << QStringList{"SV-1"} << 104;
    QTest::newRow("the query's order") << QList<double>{5, 1, 3} << QString() << QStringList{"SV-2", "SV-3", "SV-1"}
                                       << 104;
    QTest::newRow("ordered by a title click")
        << QList<double>{5, 1, 3} << "title:Diam_Hvost" << QStringList{"SV-1", "SV-2", "SV-3"} << 104;
    QTest::newRow("a filter: only what passes, numbered from 1")
        << QList<double>{1, 2, 3, 4, 5} << "filter:Diam_Sverla>=3" << QStringList{"SV-3", "SV-4", "SV-5"} << 104;
    QTest::newRow("the drill filter: diameter from 4")
        << QList<double>{1, 2, 3, 4, 5} << "dialog:4" << QStringList{"SV-4", "SV-5"} << 104;
    QList<double> many;
    QStringList manyCodes;
    for (int i = 1; i <= 250; ++i) {
        many << i;
        manyCodes << QStringLiteral("SV-%1").arg(i);
    }
    QTest::newRow("250 records") << many << QString() << manyCodes << 104;
}

void TestExport::rowsFollowTheGrid()
{
    QFETCH(QList<double>, diameters);
    QFETCH(QString, narrow);
    QFETCH(QStringList, codes);
    QFETCH(int, progress);

    Session s;
    {
        Transaction t(s.conn);
        for (int i = 0; i < diameters.size(); ++i)
            s.insert("Sverla", {{"Kod", QStringLiteral("SV-%1").arg(i + 1)}, {"Type", "Спиральное"},
                                {"Diam_Sverla", diameters[i]}, {"Diam_Hvost", double(i)}, {"ID_Firma", s.firm()},
                                {"K_vo_New", 1}, {"K_vo_BU", 0}, {"K_vo_Dolg", 0}, {"K_vo_Vozvrat", 0}});
        t.commit();
    }
    QVERIFY(s.start());
    RecordSet& rs = DM->dtSet_Sverla;
    const QString how = narrow.section(':', 0, 0), what = narrow.section(':', 1);
    if (how == "filter") {
        rs.setFilter(what);
        rs.setFiltered(true);
    } else if (how == "dialog") {
        s.user.onModal([&](QDialog*) {
            frm_Filter_Sverla->cmbx_DiamSv->setCurrentText("больше  (>)");
            frm_Filter_Sverla->ed_DiamSv->setText(what);
            QTest::mouseClick(frm_Filter_Sverla->BitBtn1, Qt::LeftButton);
        });
        QTest::mouseClick(frm_Main->spbt_Sverlo_Filtr, Qt::LeftButton);
        QVERIFY(frm_Main->sttx_Filter_Sverla->isVisible());
    } else if (how == "title") {
        clickTitle(frm_Main->dbgr_Sverlo, what);
    }
    // The person stands on a record in the middle, the grid scrolled to it.
    const QString current = codes.value(int(codes.size()) / 2);
    if (!codes.isEmpty())
        QVERIFY(rs.locate("Kod", current));
    DBGrid* grid = frm_Main->dbgr_Sverlo;
    const int scrolledTo = grid->verticalScrollBar()->value();

    const QString folder = QDir(m_tmp.path()).filePath(QString::fromLatin1(QTest::currentDataTag()).left(8));
    QVERIFY(QDir().mkpath(folder));
    frm_ExportToExcell->TempFolder = folder;
    DuringExport seen;
    const auto watch = connect(frm_ExportToExcell->Gauge1, &QProgressBar::valueChanged, this, [&] {
        seen.progressShown = frm_ExportToExcell->isVisible();
        seen.gridShown = frm_Main->dbgr_Sverlo->isVisible();
        seen.busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
        seen.panelAt = frm_Main->dbed_SV_Diam->mapTo(frm_Main, QPoint());
    });
    const QPoint panelAt = frm_Main->dbed_SV_Diam->mapTo(frm_Main, QPoint());
    frm_Main->mm_Export_Activ_Page->trigger();
    disconnect(watch);

    // While the rows were written: the progress shown, the grid hidden, the
    // busy cursor, the panels in their places. Afterwards all as before,
    // the same record current and the grid where it was.
    QVERIFY(seen.progressShown);
    QVERIFY(!seen.gridShown);
    QCOMPARE(seen.panelAt, panelAt);
    QVERIFY(seen.busyCursor);
    QVERIFY(!frm_ExportToExcell->isVisible());
    QVERIFY(frm_Main->dbgr_Sverlo->isVisible());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(ScriptedUser::usableProblem(frm_Main), QString());
    QCOMPARE(frm_ExportToExcell->Progress(), progress);
    QCOMPARE(frm_ExportToExcell->Gauge1->value(), std::min(progress, 100));
    QCOMPARE(rs.recordCount(), int(codes.size()));
    if (!codes.isEmpty()) {
        QCOMPARE(rs.fieldByName("Kod").asString(), current);
        QCOMPARE(grid->currentIndex().row(), rs.recNo() - 1);
    }
    QCOMPARE(grid->verticalScrollBar()->value(), scrolledTo);

    // A new folder under the temporary folder, holding the one workbook.
    QCOMPARE(s.user.documentsOpened().size(), 1);
    const QFileInfo file(s.user.documentsOpened().first());
    QCOMPARE(file.fileName(), QStringLiteral("Сверла.xlsx"));
    QCOMPARE(QFileInfo(file.absolutePath()).absolutePath(), QFileInfo(folder).absoluteFilePath());
    QCOMPARE(QDir(file.absolutePath()).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList{file.fileName()});

    const QList<Sheet> book = readBack(file.filePath());
    QCOMPARE(book.size(), 1);
    const Sheet& ws = book.first();
    QCOMPARE(ws.maxRow, codes.isEmpty() ? 2 : 3 + int(codes.size()));   // row 3 stays empty
    QCOMPARE(ws.column(3), codes);
    QStringList numbers;
    for (int k = 1; k <= codes.size(); ++k)
        numbers << QString::number(k);
    QCOMPARE(ws.column(1), numbers);
    QCOMPARE(ws.texts(2, 2, 3), (QStringList{"Тип сверла", "КОД"}));
}

// ---------------------------------------------------------------------------

void TestExport::allPages()
{
    StockedSession s;
    QVERIFY(s.start());
    frm_ExportToExcell->TempFolder = m_tmp.path();
    frm_Main->PageControl_Main->setCurrentIndex(Tfrm_Main::PageDerj);
    // Each page on its first record; the debt closed next is the first one.
    QList<int> ids;
    for (int p = 0; p < 5; ++p) {
        frm_Main->pageRecordSet(p)->first();
        ids << frm_Main->pageRecordSet(p)->fieldByName("ID").asInteger();
    }
    QCOMPARE(DM->dtset_DolgiSQL.recordCount(), 2);
    frm_Main->mm_Export_ALL->trigger();

    QCOMPARE(s.user.texts(), QStringList());
    QCOMPARE(s.user.documentsOpened().size(), 1);
    const QString path = s.user.documentsOpened().first();
    QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("БД Инструмента.xlsx"));
    const QList<Sheet> book = readBack(path);
    QStringList names;
    for (const Sheet& ws : book)
        names << ws.name;
    QCOMPARE(names, (QStringList{"Сверла", "Фрезы", "Державки", "Пластинки", "Долги"}));
    // Every sheet in the layout of its page, its records from row 4.
    const QStringList firstCodes{"SV-1", "FR-1", "DR-1", "PL-1", "SV-1"};
    for (int p = 0; p < 5; ++p) {
        const Sheet& ws = book[p];
        RecordSet* rs = frm_Main->pageRecordSet(p);
        QCOMPARE(ws.texts(1, 2, 2), QStringList{Title});
        QCOMPARE(ws.maxRow, 3 + rs->recordCount());
        QCOMPARE(ws.text(4, p == 4 ? 4 : 3), firstCodes[p]);
        QCOMPARE(rs->recNo(), 1);   // each page where it was
        QCOMPARE(rs->fieldByName("ID").asInteger(), ids[p]);
        QCOMPARE(frm_Main->pageGrid(p)->currentIndex().row(), 0);
        QVERIFY2(frm_Main->pageGrid(p)->isVisible() == (p == Tfrm_Main::PageDerj), qPrintable(ws.name));
    }
    QCOMPARE(book[0].texts(2, 2, 3), (QStringList{"Тип сверла", "КОД"}));
    QCOMPARE(book[4].texts(2, 2, 3), (QStringList{"№ п.п.", "Что брал"}));
    QCOMPARE(frm_ExportToExcell->Gauge1->value(), 100);
    QVERIFY(!QApplication::overrideCursor());
}

// ---------------------------------------------------------------------------

void TestExport::failures_data()
{
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<bool>("canOpen");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QStringList>("saying");   // parts of the box's text; "%folder" / "%file" stand for the paths

    QTest::newRow("no folder can be made for the file")
        << false << true << int(Dialogs::Icon::Error)
        << QStringList{"Экспорт в EXCELL не выполнен.", "Не удалось создать папку для файла", "%folder"};
    QTest::newRow("no program opens the workbook")
        << true << false << int(Dialogs::Icon::None)
        << QStringList{"Книга EXCELL записана в файл", "%file", "откройте его вручную"};
}

void TestExport::failures()
{
    QFETCH(bool, folderWritable);
    QFETCH(bool, canOpen);
    QFETCH(int, icon);
    QFETCH(QStringList, saying);

    StockedSession s;
    QVERIFY(s.start());
    // Below a plain file no folder can be made, whoever runs the test.
    const QString blocker = m_tmp.filePath("a-file");
    QVERIFY(writeFile(blocker));
    const QString folder = folderWritable ? m_tmp.path() : blocker + "/exports";
    frm_ExportToExcell->TempFolder = folder;
    s.user.setCanOpenDocuments(canOpen);
    RecordSet& rs = DM->dtSet_Sverla;

    frm_Main->mm_Export_Activ_Page->trigger();

    QCOMPARE(s.user.shown().size(), 1);
    const ScriptedUser::Shown box = s.user.shown().first();
    QCOMPARE(int(box.icon), icon);
    if (box.icon == Dialogs::Icon::Error)
        QCOMPARE(box.title, QStringLiteral("Ошибка"));
    const QString file = s.user.documentsOpened().value(0);
    for (QString part : saying) {
        part.replace("%folder", QDir::toNativeSeparators(folder)).replace("%file", QDir::toNativeSeparators(file));
        QVERIFY2(box.text.contains(part), qPrintable(box.text));
    }
    QCOMPARE(QFileInfo::exists(file), folderWritable);
    QCOMPARE(s.user.documentsOpened().size(), folderWritable ? 1 : 0);
    // The window as before the command.
    QVERIFY(!frm_ExportToExcell->isVisible());
    QVERIFY(frm_Main->dbgr_Sverlo->isVisible());
    QVERIFY(!QApplication::overrideCursor());
    QCOMPARE(ScriptedUser::usableProblem(frm_Main), QString());
    QCOMPARE(rs.recordCount(), 1);
}

void TestExport::writerFailures_data()
{
    QTest::addColumn<QString>("target");   // where the file goes, below a fresh folder
    QTest::addColumn<bool>("pageWritten");
    QTest::addColumn<QString>("saying");

    QTest::newRow("the folder is missing") << "missing/Сверла.xlsx" << true << "Файл не удалось создать";
    QTest::newRow("a folder stands at the file's place") << "folder" << true << "Файл не удалось создать";
    QTest::newRow("the disk is full") << "full" << true << "на диске нет места";
}

void TestExport::writerFailures()
{
    QFETCH(QString, target);
    QFETCH(bool, pageWritten);
    QFETCH(QString, saying);

    TempDb db;
    Connection c;
    c.open(db.path());
    insertRow(c, "Firma", {{"Name", "Sandvik"}});
    RecordSet rs(&c, "firms", RecordSet::Kind::Query, "SELECT ID, Name FROM Firma",
                 {hidden(fInt("ID")), fText("Name", 250, "Фирма", 20)});
    rs.open();

    QTemporaryDir dir;
    const QString path = dir.filePath(target);
    if (target == "folder")
        QVERIFY(QDir().mkpath(path));
    if (target == "full") {
        if (!QFileInfo::exists("/dev/full"))
            QSKIP("no /dev/full here");
        QVERIFY(QFile::link("/dev/full", path));
    }
    ExportWorkbook book(path, dir.path());
    QCOMPARE(book.addPage(rs, "Фирмы"), pageWritten);
    QVERIFY(!book.close());
    QVERIFY2(book.error().contains(saying), qPrintable(book.error()));
    if (target == "missing/Сверла.xlsx")
        QVERIFY(!QFileInfo::exists(path));
    // Nothing is left behind in the folder but what was there.
    QStringList left = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    left.removeAll(target);
    QCOMPARE(left, QStringList());
}

// ---------------------------------------------------------------------------

// The workbook's folder goes under the system's temporary folder: TMPDIR
// when it is a folder that can be written, else /tmp; never into the
// folder of the database (the current folder). Where the file went is said
// only when no program opens it.
void TestExport::temporaryFolder_data()
{
    QTest::addColumn<QString>("tmpdir");   // "<unset>", or the value; "@" stands for a fresh folder
    QTest::addColumn<bool>("used");        // the folder named by TMPDIR is used (else /tmp)

    QTest::newRow("not set") << "<unset>" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("a folder") << "@/tmp" << true;
    QTest::newRow("a folder that is missing") << "@/missing" << false;
    QTest::newRow("a plain file") << "@/a-file" << false;
    QTest::newRow("a relative path, found in the current folder") << "tmp" << false;
    QTest::newRow("a folder that cannot be written") << "@/read-only" << false;
}

void TestExport::temporaryFolder()
{
    QFETCH(QString, tmpdir);
    QFETCH(bool, used);

    StockedSession s;
    QVERIFY(s.start());
    frm_ExportToExcell->TempFolder.clear();
    QTemporaryDir place;
    const QString fresh = place.path();
    QVERIFY(QDir(fresh).mkpath("tmp"));
    QVERIFY(QDir(s.db.folder()).mkpath("tmp"));
    QVERIFY(writeFile(place.filePath("a-file")));
    if (tmpdir.endsWith("read-only")) {
        if (geteuid() == 0)
            QSKIP("permissions do not bind root");
        QVERIFY(QDir(fresh).mkpath("read-only"));
        QVERIFY(QFile::setPermissions(place.filePath("read-only"), QFile::ReadOwner | QFile::ExeOwner));
    }
    tmpdir.replace("@", fresh);
    const QStringList inDbFolder = QDir(s.db.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    QString folder;
    {
        Surroundings here(s.db.folder(), tmpdir == "<unset>" ? std::nullopt : std::optional<QString>(tmpdir));
        frm_Main->mm_Export_Activ_Page->trigger();
    }
    QCOMPARE(s.user.documentsOpened().size(), 1);
    folder = QFileInfo(s.user.documentsOpened().first()).absolutePath();
    const QStringList nowInDbFolder = QDir(s.db.folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    if (QFileInfo(folder).fileName().startsWith("tooldb-export-"))
        QDir(folder).removeRecursively();

    QCOMPARE(s.user.texts(), QStringList());   // opened: nothing to say
    QCOMPARE(QFileInfo(folder).absolutePath(), used ? QDir(tmpdir).canonicalPath() : QStringLiteral("/tmp"));
    QVERIFY(QFileInfo(folder).fileName().startsWith("tooldb-export-"));
    QCOMPARE(nowInDbFolder, inDbFolder);
}

// At start the program removes its own export folders in the temporary
// folder where nothing changed for a day, and nothing else.
void TestExport::oldFoldersRemoved_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");    // folder, file, link (to an old folder elsewhere), foreign (another user's)
    QTest::addColumn<int>("hours");       // since its last change
    QTest::addColumn<int>("bookHours");   // since the workbook in it changed; -1: no workbook
    QTest::addColumn<bool>("removed");

    QTest::newRow("a day and an hour old") << "tooldb-export-a1B2c3" << "folder" << 25 << 25 << true;
    QTest::newRow("a week old, empty") << "tooldb-export-ZZ09az" << "folder" << 24 * 7 << -1 << true;
    QTest::newRow("23 hours old") << "tooldb-export-a1B2c3" << "folder" << 23 << 23 << false;
    QTest::newRow("old, the workbook saved again lately") << "tooldb-export-a1B2c3" << "folder" << 30 << 2 << false;
    QTest::newRow("a shorter name") << "tooldb-export-abc" << "folder" << 30 << 30 << false;
    QTest::newRow("a longer name") << "tooldb-export-a1B2c3d" << "folder" << 30 << 30 << false;
    QTest::newRow("another program's folder") << "export-a1B2c3" << "folder" << 30 << 30 << false;
    QTest::newRow("a file of that name") << "tooldb-export-a1B2c3" << "file" << 30 << -1 << false;
    QTest::newRow("a link of that name") << "tooldb-export-a1B2c3" << "link" << 30 << 30 << false;
    QTest::newRow("another user's folder") << "tooldb-export-a1B2c3" << "foreign" << 30 << 30 << false;
}

void TestExport::oldFoldersRemoved()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(int, hours);
    QFETCH(int, bookHours);
    QFETCH(bool, removed);

    if (kind == "foreign" && geteuid() != 0)
        QSKIP("only root can give a folder to another user");
    QTemporaryDir temp, elsewhere, current;
    const QString path = temp.filePath(name);
    const QString folder = kind == "link" ? elsewhere.filePath("old") : path;
    if (kind == "file") {
        QVERIFY(writeFile(path));
    } else {
        QVERIFY(QDir().mkpath(folder));
        if (bookHours >= 0) {
            QVERIFY(writeFile(QDir(folder).filePath("Сверла.xlsx")));
            QVERIFY(makeOld(QDir(folder).filePath("Сверла.xlsx"), bookHours));
        }
        if (kind == "link")
            QVERIFY(QFile::link(folder, path));
        if (kind == "foreign")
            QVERIFY(chown(QFile::encodeName(folder).constData(), 65534, 65534) == 0);
    }
    QVERIFY(makeOld(folder, hours));
    // A folder of the program's own, changed just now, beside it.
    QVERIFY(QDir(temp.path()).mkpath("tooldb-export-N0wN0w"));

    int rc = -1;
    {
        Surroundings here(current.path(), temp.path());
        ScriptedUser user;
        user.answer(false);   // no database here, and none made: the program ends
        rc = Program::Run(Program::databaseFile());
        QCOMPARE(user.shown().size(), 1);
    }
    QCOMPARE(rc, 0);
    QCOMPARE(QFileInfo::exists(path) || QFileInfo(path).isSymLink(), !removed);
    QVERIFY(QFileInfo::exists(temp.filePath("tooldb-export-N0wN0w")));
    if (kind == "link")
        QVERIFY(QFileInfo::exists(QDir(folder).filePath("Сверла.xlsx")));   // what it points to stays
}

// ---------------------------------------------------------------------------

void TestExport::progressWindow()
{
    Tfrm_ExportToExcell w;
    QCOMPARE(w.objectName(), QStringLiteral("frm_ExportToExcell"));
    QCOMPARE(w.windowTitle(), QStringLiteral("Экспорт в EXCELL"));
    QCOMPARE(w.size(), QSize(505, 81));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QCOMPARE(w.Gauge1->size(), QSize(473, 41));
    QCOMPARE(w.Gauge1->orientation(), Qt::Horizontal);

    // Held at the ends, shown as a percentage.
    const std::pair<int, int> held[] = {{-3, 0}, {0, 0}, {57, 57}, {100, 100}, {104, 100}};
    for (const auto& [set, shown] : held) {
        w.SetProgress(set);
        QCOMPARE(w.Progress(), set);
        QCOMPARE(w.Gauge1->value(), shown);
    }
    w.SetProgress(57);
    QCOMPARE(w.Gauge1->text(), QStringLiteral("57%"));

    // The progress after the k-th of n records: rounded half to even.
    struct P { int k, n, p; };
    const P steps[] = {{1, 1, 104}, {1, 3, 37}, {2, 3, 71}, {3, 3, 104}, {1, 200, 5},
                       {11, 200, 9}, {12, 200, 10}, {13, 200, 11}, {199, 200, 103}};
    for (const P& x : steps)
        QVERIFY2(ExportWorkbook::recordProgress(x.k, x.n) == x.p, qPrintable(QStringLiteral("%1 of %2").arg(x.k).arg(x.n)));
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
