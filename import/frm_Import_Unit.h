#pragma once
// Moving in at the first start: where the program's database file is
// missing but the old program's db_instr.mdb lies in its folder, the program
// offers to move the old data in; the import runs with its progress window
// (frm_Import), then its report is shown (frm_Import_Report), and the
// program goes on to the new database and the login.
#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The progress of the import, shown without being modal while the rows come in.
class Tfrm_Import : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_Import(QWidget* parent = nullptr);
    QLabel* lbl_What;
    QProgressBar* Gauge1;
    QPushButton* bbtn_Cancel;
    // Shows done of total and lets the window paint; false once the person
    // asked to stop.
    bool SetProgress(qint64 done, qint64 total);
    bool StopAsked() const { return m_stop; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool m_stop = false;
};

// The report: what was brought in per table and what the check found.
class Tfrm_Import_Report : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_Import_Report(QWidget* parent = nullptr);
    QLabel* lbl_Result;
    QPlainTextEdit* mem_Report;
    QPushButton* bbtn_OK;
    void SetReport(const QStringList& lines, int findings);
};

namespace ImportOffer {

enum class Result {
    NotOffered,   // no old file beside the database file
    Declined,     // the person said No: the program goes on as without it
    Imported,     // the new database is there, its report shown
    Failed        // nothing written (reported); the program ends
};

// The question's text for the old file `oldFile`.
QString question(const QString& oldFile);

// At the first start: when nothing exists at `databaseFile` and the old
// program's file lies in its folder, asks whether to move its data in and,
// on Yes, imports it (pictures from the old file's folder into the
// program folder's) with the progress window and shows the report.
Result offer(const QString& databaseFile);

} // namespace ImportOffer
