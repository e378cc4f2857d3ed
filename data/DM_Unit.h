#pragma once
// The data module: the one connection and every record set of the program,
// the pictures that follow the current rows, and the catalogue refreshes.
#include "Connection.h"
#include "Picture.h"
#include "RecordSet.h"

#include "ToolKind.h"

namespace ops {
struct Result;
}

#include <QHash>
#include <QObject>
#include <array>
#include <memory>

class TDM : public QObject {
    Q_OBJECT
public:
    // Connects to the database file (by default db_instr.db in the current
    // folder) and opens the record sets used from the start; DbError when
    // the file is missing or is not this program's database.
    explicit TDM(const QString& databasePath = QStringLiteral("db_instr.db"), QObject* parent = nullptr);
    ~TDM() override;

    Connection ADOConnection1;

    // Catalogues and debts (shown by the main window's pages).
    RecordSet dtSet_Sverla;
    RecordSet dtSet_Frezy;
    RecordSet dtSet_Derj_PL;
    RecordSet dtSet_Plastiny;
    RecordSet dtset_DolgiSQL;
    // Histories.
    RecordSet dtSet_Prihod_Hist;
    RecordSet dtSet_Spisanie_Hist;
    // Table objects.
    RecordSet tbl_Sverla;
    RecordSet tbl_Frezy;
    RecordSet tbl_Derj_PL;
    RecordSet tbl_Plastiny;
    RecordSet tbl_Firma;
    RecordSet tbl_People;
    RecordSet tbl_Dolgi;
    RecordSet tbl_Dolgi_History;
    RecordSet tbl_Prihod_Hist;
    RecordSet tbl_Spisanie_Hist;
    RecordSet tbl_Pasw;
    RecordSet tbl_Support;
    RecordSet tbl_Max_Namb_Of_Dolgi;
    RecordSet stpr_SQL_Dolgi_History;
    // Lookups of the editors' drop-down lists.
    RecordSet qr_SV_Type;
    RecordSet qr_SV_Korob;
    RecordSet qr_FR_Type;
    RecordSet qr_FR_Korob;
    RecordSet qr_FR_RF_instr;
    RecordSet qr_PL_Naim;
    RecordSet qr_PL_Korob;
    RecordSet qr_DRJ_Naim;
    RecordSet qr_DRJ_Korob;

    // Data sources: the names windows bind their controls to.
    RecordSet* dataSource(const QString& dtsrName);
    QList<RecordSet*> recordSets();
    RecordSet* recordSet(const QString& name);

    // Shows picture `name` on image control `target` (1..7): tools from
    // Images/Instrument/, operators (6, 7) from Images/FotoPeoples/, the
    // placeholder when the file is missing, the control hidden when that is
    // missing too.
    void LoadPicture(const QString& name, int target);
    // Targets beyond the four catalogue pages' (ToolKindInfo::pictureTarget).
    static constexpr int TargetDolgInstr = 5, TargetDolgOperator = 6, TargetPeople = 7;
    void registerPictureTarget(int target, PictureTarget* control);
    void unregisterPictureTarget(PictureTarget* control);
    // The file last shown on a target (empty when hidden); for tests and status.
    QString shownPicture(int target) const { return m_shown[size_t(target)]; }

    // Runs the follow-the-row handlers for the current rows once more: for
    // windows that lend their controls after the record sets were opened.
    void FollowCurrentRows();

    // Catalogue refresh: remember the current ID; if > 0, reopen and locate it.
    void Refresh(RecordSet& rs);
    void RefreshSverla() { Refresh(dtSet_Sverla); }
    void RefreshFrezy() { Refresh(dtSet_Frezy); }
    void RefreshDerj_PL() { Refresh(dtSet_Derj_PL); }
    void RefreshPlastiny() { Refresh(dtSet_Plastiny); }
    void RefreshDolgiSQL() { Refresh(dtset_DolgiSQL); }
    void RefreshPeople() { Refresh(tbl_People); }

    // After a stored operation: every open record set that reads a table the
    // operation wrote shows the file again, by re-reading only the rows the
    // operation wrote when nothing else wrote since the set was read, else
    // whole (keeping its row); the others, still in step with the file, move
    // on with it. DbError (the first) when a re-read fails; the others are
    // read all the same. Record sets in `readByCaller` are left to the
    // caller, who reads them in its own way.
    void ShowChanges(const ops::Result& r, const QList<RecordSet*>& readByCaller = {});
    // After a refusal or failure: the kind's catalogue and the debts list
    // read again whole, each keeping its current row.
    void ShowFile(ToolKind kind);

    // Query texts of the catalogue, debts and history record sets.
    static QString sverlaSql();
    static QString frezySql();
    static QString derjSql();
    static QString plastinySql();
    static QString dolgiSql();
    static QString historySql(const QString& historyTable);

signals:
    // A catalogue's current row changed: page 0..3 (drills, cutters, holders,
    // inserts); whether its new and used counts are below 1 (red boxes).
    void stockAlert(int page, bool newBelowOne, bool buBelowOne);
    // The current debt changed: "БУ" or "НОВЫЙ" for ed_Dolg_Tp_Instr.
    void dolgTypeChanged(const QString& text);

private:
    void dtSet_SverlaAfterScroll();
    void dtSet_FrezyAfterScroll();
    void dtSet_Derj_PLAfterScroll();
    void dtSet_PlastinyAfterScroll();
    void dtset_DolgiSQLAfterScroll();
    void tbl_PeopleAfterScroll();
    void catalogueAfterScroll(ToolKind kind);

    std::array<PictureTarget*, 8> m_targets{};
    std::array<QString, 8> m_shown{};
};

// The single instance, created at start after the main window and the login dialog.
extern TDM* DM;
