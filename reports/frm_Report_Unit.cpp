#include "frm_Report_Unit.h"

#include "Connection.h"
#include "DbError.h"
#include "Dialogs.h"
#include "ExportFolders.h"
#include "ReportTable.h"
#include "RuFormat.h"
#include "Schema.h"
#include "ToolKind.h"

#include <QAbstractBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QTemporaryDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

Tfrm_Report* frm_Report = nullptr;

using namespace reports;

namespace {

QDateEdit* dateBox(QWidget* parent, const char* name)
{
    auto* e = new QDateEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    e->setCalendarPopup(true);
    e->setLocale(ru::locale());
    return e;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

Tfrm_Report::Tfrm_Report(QWidget* parent, std::function<Connection*()> connection)
    : TForm(parent), m_connection(std::move(connection))
{
    setObjectName(QStringLiteral("frm_Report"));
    setWindowTitle(QStringLiteral("Отчёты"));
    setSizeGripEnabled(true);
    // Never larger than the screen (a 1024x768 one included).
    QSize size(1240, 720);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);

    cmbx_Report = new QComboBox(this);
    cmbx_Report->setObjectName(QStringLiteral("cmbx_Report"));
    for (Usage r : {Usage::Consumption, Usage::Operators, Usage::Tools})
        cmbx_Report->addItem(reportName(r), int(r));
    ed_From = dateBox(this, "ed_From");
    ed_To = dateBox(this, "ed_To");
    cmbx_Kind = new QComboBox(this);
    cmbx_Kind->setObjectName(QStringLiteral("cmbx_Kind"));
    cmbx_Kind->addItem(QStringLiteral("Все виды"), 0);
    for (ToolKind k : allToolKinds())
        cmbx_Kind->addItem(kindName(kindCodeOf(k)), kindCodeOf(k));
    bbtn_Show = button(this, "bbtn_Show", QStringLiteral("Показать"));
    bbtn_Print = button(this, "bbtn_Print", QStringLiteral("Печать…"));
    bbtn_Export = button(this, "bbtn_Export", QStringLiteral("В Excel"));
    bbtn_Close = button(this, "bbtn_Close", QStringLiteral("Закрыть"));

    auto* top = new QHBoxLayout;
    auto* lReport = new QLabel(QStringLiteral("Отчет:"), this);
    auto* lFrom = new QLabel(QStringLiteral("с"), this);
    auto* lTo = new QLabel(QStringLiteral("по"), this);
    auto* lKind = new QLabel(QStringLiteral("Вид инструмента:"), this);
    lReport->setBuddy(cmbx_Report);
    lFrom->setBuddy(ed_From);
    lTo->setBuddy(ed_To);
    lKind->setBuddy(cmbx_Kind);
    top->addWidget(lReport);
    top->addWidget(cmbx_Report);
    top->addSpacing(12);
    top->addWidget(lFrom);
    top->addWidget(ed_From);
    top->addWidget(lTo);
    top->addWidget(ed_To);
    top->addSpacing(12);
    top->addWidget(lKind);
    top->addWidget(cmbx_Kind);
    top->addWidget(bbtn_Show);
    top->addStretch(1);
    top->addWidget(bbtn_Print);
    top->addWidget(bbtn_Export);
    top->addWidget(bbtn_Close);

    m_model = new TableModel(this);
    dbgr_Report = new QTableView(this);
    dbgr_Report->setObjectName(QStringLiteral("dbgr_Report"));
    dbgr_Report->setModel(m_model);
    dbgr_Report->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgr_Report->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgr_Report->setAlternatingRowColors(true);
    dbgr_Report->verticalHeader()->setDefaultSectionSize(dbgr_Report->fontMetrics().height() + 6);
    dbgr_Report->verticalHeader()->hide();
    // A click on a column title orders the rows by it, as the grids do.
    dbgr_Report->horizontalHeader()->setSectionsClickable(true);
    dbgr_Report->horizontalHeader()->setSortIndicatorShown(true);
    connect(dbgr_Report->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_model->sort(column);
        dbgr_Report->horizontalHeader()->setSortIndicator(column, Qt::AscendingOrder);
    });

    chart_Report = new QChartView(this);
    chart_Report->setObjectName(QStringLiteral("chart_Report"));
    chart_Report->setRenderHint(QPainter::Antialiasing);
    chart_Report->setMinimumWidth(360);
    lbl_Bar = new QLabel(this);
    lbl_Bar->setObjectName(QStringLiteral("lbl_Bar"));
    lbl_Bar->setWordWrap(true);
    lbl_Bar->setText(QStringLiteral("Щелкните столбец, чтобы увидеть его числа."));

    auto* chartSide = new QWidget(this);
    auto* chartLayout = new QVBoxLayout(chartSide);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    chartLayout->addWidget(chart_Report, 1);
    chartLayout->addWidget(lbl_Bar);
    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(dbgr_Report);
    split->addWidget(chartSide);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    split->setSizes({size.width() * 11 / 20, size.width() * 9 / 20});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);

    connect(bbtn_Show, &QPushButton::clicked, this, &Tfrm_Report::bbtn_ShowClick);
    connect(bbtn_Print, &QPushButton::clicked, this, &Tfrm_Report::bbtn_PrintClick);
    connect(bbtn_Export, &QPushButton::clicked, this, &Tfrm_Report::bbtn_ExportClick);
    connect(bbtn_Close, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmbx_Report, &QComboBox::activated, this, &Tfrm_Report::cmbx_ReportChange);

    setPeriod(currentMonth());
}

void Tfrm_Report::setPeriod(const Period& p)
{
    ed_From->setDate(p.from);
    ed_To->setDate(p.to);
    const int k = cmbx_Kind->findData(p.kindCode);
    cmbx_Kind->setCurrentIndex(k < 0 ? 0 : k);
}

Period Tfrm_Report::period() const
{
    return Period{ed_From->date(), ed_To->date(), cmbx_Kind->currentData().toInt()};
}

void Tfrm_Report::ShowReport(Usage r)
{
    if (SelectReport(r))
        Dialogs::showModal(this);
}

bool Tfrm_Report::SelectReport(Usage r)
{
    m_report = r;
    cmbx_Report->setCurrentIndex(cmbx_Report->findData(int(r)));
    return Recompute();
}

bool Tfrm_Report::Recompute()
{
    const Period p = period();
    if (const QString problem = periodProblem(p); !problem.isEmpty()) {
        Dialogs::error(this, problem);
        return false;
    }
    Connection* c = m_connection ? m_connection() : nullptr;
    if (!c || !c->isOpen())
        return false;
    Table t;
    try {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        t = makeReport(m_report, *c, p);
        QGuiApplication::restoreOverrideCursor();
    } catch (const DbError& e) {
        QGuiApplication::restoreOverrideCursor();
        Dialogs::error(this, e.message());
        return false;
    }
    m_table = t;
    m_model->setTable(t);
    dbgr_Report->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    dbgr_Report->resizeColumnsToContents();
    setWindowTitle(t.title);
    showChart();
    return true;
}

void Tfrm_Report::showChart()
{
    m_chartData = chartData(m_report, m_table);
    QChart* chart = makeChart(m_chartData);
    for (QAbstractSeries* s : chart->series()) {
        if (auto* bars = qobject_cast<QAbstractBarSeries*>(s)) {
            const bool horizontal = m_chartData.horizontal;
            const int n = int(m_chartData.categories.size());
            connect(bars, &QAbstractBarSeries::clicked, this, [this, horizontal, n](int index, QBarSet*) {
                chart_ReportBarClick(horizontal ? n - 1 - index : index);
            });
        }
    }
    QChart* old = chart_Report->chart();
    chart_Report->setChart(chart);
    delete old;
    lbl_Bar->setText(m_table.rows.isEmpty() ? QStringLiteral("За период нет движений.")
                                            : QStringLiteral("Щелкните столбец, чтобы увидеть его числа."));
}

void Tfrm_Report::chart_ReportBarClick(int category)
{
    lbl_Bar->setText(barText(m_chartData, category));
}

QImage Tfrm_Report::chartPicture(const QSize& size) const
{
    QChartView view;
    view.setRenderHint(QPainter::Antialiasing);
    view.setChart(makeChart(m_chartData));
    view.resize(size);
    return view.grab().toImage();
}

void Tfrm_Report::bbtn_ShowClick()
{
    Recompute();
}

void Tfrm_Report::cmbx_ReportChange(int index)
{
    m_report = Usage(cmbx_Report->itemData(index).toInt());
    Recompute();
}

void Tfrm_Report::bbtn_PrintClick()
{
    const QImage picture = chartPicture();
    printPreview(this, m_model->table(), &picture);
}

void Tfrm_Report::bbtn_ExportClick()
{
    // Into a new folder of the export's own, then handed to the spreadsheet
    // program, as the pages are exported.
    const QImage picture = chartPicture();
    const QString base = ExportFolders::temporaryFolder();
    QTemporaryDir folder(QDir(base).filePath(ExportFolders::folderTemplate()));
    if (!folder.isValid()) {
        Dialogs::error(this, QStringLiteral("Экспорт в EXCELL не выполнен.\nНе удалось создать папку для файла в \"%1\": %2")
                                 .arg(QDir::toNativeSeparators(base), folder.errorString()));
        return;
    }
    const QString path = folder.filePath(reportName(m_report) + QStringLiteral(".xlsx"));
    QString error;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written = writeXlsx(m_model->table(), path, &error, &picture);
    QGuiApplication::restoreOverrideCursor();
    if (!written) {
        Dialogs::error(this, QStringLiteral("Экспорт в EXCELL не выполнен.\n%1").arg(error));
        return;
    }
    folder.setAutoRemove(false);   // the spreadsheet program has the file now
    m_lastWorkbook = path;
    if (!Dialogs::openDocument(path))
        Dialogs::info(this, QStringLiteral("Книга EXCELL записана в файл\n%1\n"
                                           "Программа, открывающая такие файлы, не найдена: откройте его вручную.")
                                .arg(QDir::toNativeSeparators(path)));
}
