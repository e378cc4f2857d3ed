#pragma once
// "Что заказать": every tool of the four kinds below its minimum stock,
// ordered by kind then code (a click on a title orders by that column), with
// the workbook export and the print preview of the list.
#include "ReportTable.h"

#include <QDialog>

class Connection;
class QLabel;
class QPushButton;
class QTableView;

class Tfrm_Chto_Zakazat : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_Chto_Zakazat(QWidget* parent = nullptr);

    // Reads the list from the database (DbError when it cannot).
    void Refresh(Connection& c);
    // Reads the list and shows the window modally; a failed read is told.
    void ShowFor(Connection& c);
    const reports::Table& table() const { return m_model.table(); }
    reports::TableModel& model() { return m_model; }
    // Where the workbook's export folder goes (tests); the system's temporary folder when empty.
    QString TempFolder;
    QString lastWorkbook() const { return m_lastWorkbook; }

    QTableView* dbgr_Zakaz;
    QLabel* lbl_Itogo;
    QPushButton* bbtn_Export;
    QPushButton* bbtn_Print;
    QPushButton* bbtn_Refresh;
    QPushButton* bbtn_Close;

    void bbtn_ExportClick();
    void bbtn_PrintClick();
    void bbtn_RefreshClick();
    void dbgr_ZakazTitleClick(int column);

private:
    void showCount();
    reports::TableModel m_model;
    Connection* m_conn = nullptr;
    QString m_lastWorkbook;
};
