#pragma once
// "Экспорт в EXCELL": pages of the main window written into a new workbook
// in a new temporary folder, then opened in the desktop's spreadsheet
// program. The window itself is the progress of the export, shown without
// being modal while the rows are written.
#include <QDialog>
#include <QList>
#include <QString>

class QProgressBar;
class QWidget;
class RecordSet;

class Tfrm_ExportToExcell : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_ExportToExcell(QWidget* parent = nullptr);

    // One page to export: its record set, the grid that shows it (hidden
    // while its rows are written) and the sheet's name.
    struct Page {
        RecordSet* recordSet;
        QWidget* grid;
        QString sheetName;
    };

    // Writes the pages, each on its own sheet, into "<bookName>.xlsx" in a
    // new folder under the temporary folder and opens it; says where the
    // file is only when it cannot be opened. Returns the file written;
    // empty when the export failed, which has been reported in an error
    // box. Every page keeps its current record (by ID) and its grid its
    // scroll position; grids, cursor and this window are restored on every
    // path.
    QString ExportToExcell(const QList<Page>& pages, const QString& bookName);

    // The gauge; a progress outside 0 to 100 shows as the nearer end.
    QProgressBar* Gauge1;
    void SetProgress(int progress);
    int Progress() const { return m_progress; }   // as last set, before holding it at the ends

    // Where the folders of new workbooks are made; the system's temporary
    // folder (ExportFolders::temporaryFolder) when empty.
    QString TempFolder;

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QString writeWorkbook(const QList<Page>& pages, const QString& bookName, QString* error);
    void showProgress();

    int m_progress = 0;
    bool m_running = false;
};

extern Tfrm_ExportToExcell* frm_ExportToExcell;
