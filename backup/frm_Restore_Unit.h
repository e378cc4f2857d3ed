#pragma once
// "Восстановление из копии": the copies of the database with their date,
// size and the tools and open debts each holds; the person picks one (or
// another file) and asks for the restore. What the restore does is the
// caller's: this window only says which copy was chosen.
#include "Backup.h"

#include <QDialog>

class QPushButton;
class QTableWidget;

class Tfrm_Restore : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_Restore(QWidget* parent = nullptr);

    // Reads the copies of the database again and lists them.
    void Fill(const QString& dbPath);
    // The copy chosen when the window was closed with "Восстановить".
    QString chosen() const { return m_chosen; }
    QList<backup::CopyInfo> copies() const { return m_copies; }

    QTableWidget* dbgr_Copies;
    QPushButton* bbtn_Restore;
    QPushButton* bbtn_OtherFile;
    QPushButton* bbtn_Close;

    void bbtn_RestoreClick();
    void bbtn_OtherFileClick();

private:
    void addRow(const backup::CopyInfo& c);
    QString m_db;
    QString m_chosen;
    QList<backup::CopyInfo> m_copies;
};
