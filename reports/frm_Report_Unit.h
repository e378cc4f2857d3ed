#pragma once
// The window of the usage reports ("Отчёты" in the main menu): one report
// for a period (the current month unless chosen) and optionally one kind,
// its table beside its bar chart. A click on a column title orders the
// table; a click on a bar shows its figures below the chart; the report is
// printed (Qt's print preview; a PDF through the printer dialog) or written
// to a workbook, the chart on its second sheet.
#include "Form.h"
#include "ReportCharts.h"
#include "UsageReports.h"

#include <QImage>
#include <functional>

class Connection;
class QChartView;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableView;

class Tfrm_Report : public TForm {
    Q_OBJECT
public:
    // `connection` gives the data module's connection at each showing.
    explicit Tfrm_Report(QWidget* parent = nullptr, std::function<Connection*()> connection = {});

    // Shows report `r` modally: computed for the period and kind chosen
    // (the current month and every kind until chosen otherwise).
    void ShowReport(reports::Usage r);
    // Chooses report `r` and computes it, as the drop-down list does.
    bool SelectReport(reports::Usage r);

    // What the window shows now: the report's table as computed (in its
    // own order), and its chart's data.
    reports::Usage report() const { return m_report; }
    const reports::Table& table() const { return m_table; }
    const reports::ChartData& chart() const { return m_chartData; }
    // The chart drawn as a picture of the given size (for print and workbook).
    QImage chartPicture(const QSize& size = QSize(1200, 800)) const;
    // Sets the period and kind (0: every kind) as if chosen in the window.
    void setPeriod(const reports::Period& p);
    reports::Period period() const;
    // Computes the report for the window's period and kind; false (the
    // person told why) when it cannot.
    bool Recompute();

    // The workbook the last export wrote (empty when none).
    QString lastWorkbook() const { return m_lastWorkbook; }

    // Controls.
    QComboBox* cmbx_Report;
    QDateEdit* ed_From;
    QDateEdit* ed_To;
    QComboBox* cmbx_Kind;
    QPushButton* bbtn_Show;
    QPushButton* bbtn_Print;
    QPushButton* bbtn_Export;
    QPushButton* bbtn_Close;
    QTableView* dbgr_Report;
    QChartView* chart_Report;
    QLabel* lbl_Bar;

    void bbtn_ShowClick();
    void bbtn_PrintClick();
    void bbtn_ExportClick();
    void cmbx_ReportChange(int index);
    void chart_ReportBarClick(int category);

private:
    void showChart();

    std::function<Connection*()> m_connection;
    reports::Usage m_report = reports::Usage::Consumption;
    reports::Table m_table;
    reports::ChartData m_chartData;
    reports::TableModel* m_model = nullptr;
    QString m_lastWorkbook;
};

extern Tfrm_Report* frm_Report;
