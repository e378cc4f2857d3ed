#pragma once
// The main window: one page per tool kind and one for the open debts, each
// with its tool bar, detail panel, grid and context menu; the main menu and
// the status bar. It asks for the login at its first showing, keeps the
// record count in the status bar and routes the commands to their windows.
#include "RowEditor.h"
#include "ToolKind.h"

namespace ops {
struct Result;
}

#include <QColor>
#include <array>
#include <functional>
#include <QHash>
#include <QMainWindow>
#include <QString>

class DBEdit;
class DBGrid;
class DBMemo;
class ImageBox;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QStatusBar;
class QTabWidget;
class QToolButton;
class QWidget;
class RecordSet;
class TForm;
class THistoryForm;
class Tfrm_Chto_Zakazat;
class Tfrm_Limit;
struct GridCell;

class Tfrm_Main : public QMainWindow {
    Q_OBJECT
public:
    explicit Tfrm_Main(QWidget* parent = nullptr);
    ~Tfrm_Main() override;

    // Page indexes of PageControl_Main: the tool kinds' pages in ToolKind
    // order, then the debts page.
    enum Page {
        PageSverla = int(ToolKind::Sverla),
        PageFrezy = int(ToolKind::Frezy),
        PageDerj = int(ToolKind::Derj),
        PagePlastiny = int(ToolKind::Plast),
        PageDolgi = ToolKindCount
    };

    // Binds the grids and the detail panels to the data module's record
    // sets, lends it the picture controls and follows its current rows.
    // Runs once, right after the data module has been created.
    void ConnectDataModule();
    void DisconnectDataModule();

    // Record count update: " Всего записей : N" of the page showing, in
    // panel 0 of the status bar.
    void UpdateRecordCount();
    // What the other copies of the program wrote shows by itself: while no
    // dialog is open, the page showing is read again (keeping its current
    // row) when another copy wrote since it was read. Runs every
    // followIntervalMs and when the page changes.
    void FollowOtherCopies();
    static constexpr int followIntervalMs = 1000;
    // Off: the pages show only what this copy read (for tests of a page
    // older than the file).
    static inline bool followOthers = true;
    QString statusPanelText(int panel) const;
    // The record set and the grid of a page.
    RecordSet* pageRecordSet(int page) const;
    DBGrid* pageGrid(int page) const;
    ImageBox* pagePicture(ToolKind kind) const;

    // Issue to work of the current tool of a kind's page (frm_Main_Give.cpp);
    // after a stored issue the debts page shows.
    RowEditorResult GiveToWork(ToolKind kind);
    static QString giveToWorkFailure(ToolKind kind);
    void spbt_SV_GiveToWorkClick();
    void spbt_FR_GiveToWorkClick();
    void spbt_Derj_GiveToWorkClick();
    void spbt_PL_GiveToWorkClick();
    void pmSV_Give_to_WorkClick();
    void pm_FR_GiveToWorkClick();
    void pm_DRJ_GiveToWorkClick();
    void pm_PL_GiveToWorkClick();
    // Stock commands of the catalogue pages (receipt, write-off, transfer to
    // used) for a kind, on its page's current row; the context-menu items'
    // handlers delegate to them.
    RowEditorResult PrihodCommand(ToolKind kind);
    RowEditorResult SpisatCommand(ToolKind kind);
    RowEditorResult PerBUCommand(ToolKind kind);
    void pmSV_PrihodClick();
    void pm_FR_PrihodClick();
    void pm_DRJ_PrihodClick();
    void pm_PL_PrihodClick();
    void pm_SV_SpisatClick();
    void pm_FR_SpisatClick();
    void pm_DRJ_SpisatClick();
    void pm_PL_SpisatClick();
    void mmSV_per_BUClick();
    void mmFR_per_BUClick();
    void mmDRJ_per_BUClick();
    void mmPL_per_BUClick();

    // True once a failed or abandoned login has ended the program.
    bool loginFailed() const { return m_loginFailed; }

    // --- Pages and grids ---
    QTabWidget* PageControl_Main;
    QWidget* tbst_P1_Sverla;
    QWidget* tbst_P_Frezyi;
    QWidget* tbst_P_Derj_Plast;
    QWidget* tbst_P_Plastinyi;
    QWidget* tbst_P3_People;
    DBGrid* dbgr_Sverlo;
    DBGrid* dbgr_Frezy;
    DBGrid* dbgr_Derj_PL;
    DBGrid* dbgr_Plastinyi;
    DBGrid* dbgrid_Dolgi;

    // --- Tool bars ---
    QToolButton* spbt_Sverlo_New;
    QToolButton* spbt_Sverlo_Edit;
    QToolButton* spbt_Sverlo_Del;
    QToolButton* spbt_SV_GiveToWork;
    QToolButton* spbt_SVerlo_Search;
    QToolButton* spbt_Sverlo_Filtr;
    QToolButton* spbt_FR_NEW;
    QToolButton* spbt_FR_EDIT;
    QToolButton* spbt_FR_DEL;
    QToolButton* spbt_FR_GiveToWork;
    QToolButton* spbt_FR_Search;
    QToolButton* spbt_FR_Filtr;
    QToolButton* spbt_Derj_NEW;
    QToolButton* spbt_Derj_EDIT;
    QToolButton* spbt_Derj_DEL;
    QToolButton* spbt_Derj_GiveToWork;
    QToolButton* spbt_Derj_Search;
    QToolButton* spbt_Derj_Filtr;
    QToolButton* spbt_PL_New;
    QToolButton* spbt_PL_Edit;
    QToolButton* spbt_PL_DEL;
    QToolButton* spbt_PL_GiveToWork;
    QToolButton* spbt_PL_Search;
    QToolButton* spbt_PL_Filtr;
    QToolButton* SpeedButton1;
    QToolButton* spbt_SearchRec;
    QToolButton* spbt_Dolgi_Filtr;
    // "Фильтр записей активирован", hidden until the drill filter is on.
    QLabel* sttx_Filter_Sverla;
    QLabel* StaticText1;
    QLabel* sttx_Filter_Derj;
    QLabel* StaticText3;
    QLabel* sttx_Filter_Dolgi;

    // --- Detail panels (read-only, bound to the page's current row) ---
    DBEdit* dbed_SV_Diam;
    DBEdit* dbed_SV_L_Instr;
    DBEdit* dbed_SV_K_vo_NEW;
    DBEdit* dbed_SV_K_vo_BU;
    DBEdit* dbed_SV_K_vo_Dolg;
    DBEdit* dbed_SV_Korob;
    DBMemo* dbm_SV_Prim;
    ImageBox* im_PicSv;

    DBEdit* dbed_FR_Diam;
    DBEdit* dbed_FR_L_Instr;
    DBEdit* dbed_FR_K_vo_NEW;
    DBEdit* dbed_FR_K_vo_BU;
    DBEdit* dbed_FR_K_vo_Dolg;
    DBEdit* dbed_FR_Korob;
    DBMemo* dbm_FR_Prim;
    ImageBox* im_PicFreza;

    DBEdit* dbed_DRJ_K_vo_NEW;
    DBEdit* dbed_DRJ_K_vo_BU;
    DBEdit* dbed_DRJ_K_vo_Dolg;
    DBEdit* dbed_DRJ_Korob;
    DBMemo* dbm_DRJ_Prim;
    ImageBox* im_Pic_Derj;

    DBEdit* dbed_PL_K_vo_NEW;
    DBEdit* dbed_PL_K_vo_BU;
    DBEdit* dbed_PL_K_vo_Dolg;
    DBEdit* dbed_PL_Korob;
    DBMemo* dbm_PL_Prim;
    ImageBox* im_Plastina;

    DBEdit* DBEdit17;
    DBEdit* DBEdit21;
    DBEdit* DBEdit22;
    DBEdit* DBEdit20;
    DBEdit* DBEdit19;
    DBEdit* DBEdit18;
    QLineEdit* ed_Dolg_Tp_Instr;
    ImageBox* im_PicDolg_Instr;
    ImageBox* im_PicDolg_Operator;

    // --- Status bar ---
    QStatusBar* StatusBar1;
    QLabel* StatusBar1_Panel0;
    QLabel* StatusBar1_Panel1;
    QLabel* StatusBar1_Panel2;

    // --- Main menu ---
    QMenuBar* MainMenu1;
    QAction* mm_Pasw;
    QAction* mm_Exit;
    QAction* mm_Tabl_People;
    QAction* mm_Tabl_Firm;
    QAction* mm_History_Dolg;
    QAction* mm_History_Prihod;
    QAction* mm_Spisanie_Hist;
    QMenu* mm_Change_Pasw;   // the "Экспорт данных" submenu
    QAction* mm_Export_ALL;
    QAction* mm_Export_Activ_Page;
    QAction* mm_About;

    // --- Context menus of the grids ---
    QMenu* pm_Sverla;
    QMenu* pm_Frezy;
    QMenu* pm_Derj;
    QMenu* pm_Plastini;
    QMenu* pm_Dolgi;
    QAction* pm_Dolgi_Return;
    QAction* pm_ViewInstr;
    // The items of a catalogue page's context menu (pmSV_Edit ... pm_SV_View_Dolg_Hist
    // on the drills page, their counterparts on the others).
    struct CatalogueMenu {
        QAction* edit;
        QAction* add;
        QAction* del;
        QAction* prihod;
        QAction* perBU;
        QAction* spisat;
        QAction* giveToWork;
        QAction* viewDolgi;
        QAction* histPrihod;
        QAction* histSpisanie;
        QAction* histDolgi;
        QAction* minimum = nullptr;   // "Минимальный остаток…"
    };
    const CatalogueMenu& catalogueMenu(ToolKind kind) const { return m_catalogueMenus[size_t(kind)]; }

    // --- Handlers ---
    void PageControl_MainChange();
    void mm_ExitClick();
    void mm_PaswClick();
    void mm_Tabl_PeopleClick();
    void mm_Tabl_FirmClick();
    void mm_AboutClick();
    void mm_Export_Activ_PageClick();
    void mm_Export_ALLClick();

    void dbgr_SverloTitleClick(const QString& fieldName);
    void dbgr_FrezyTitleClick(const QString& fieldName);
    void dbgr_Derj_PLTitleClick(const QString& fieldName);
    void dbgr_PlastinyiTitleClick(const QString& fieldName);
    void DBGrid_DolgiTitleClick(const QString& fieldName);

    void dbgr_SverloDrawColumnCell(GridCell& cell);
    void dbgr_FrezyDrawColumnCell(GridCell& cell);
    void dbgr_Derj_PLDrawColumnCell(GridCell& cell);
    void dbgr_PlastinyiDrawColumnCell(GridCell& cell);
    void DBGrid_DolgiDrawColumnCell(GridCell& cell);

    // Search and filter (frm_Main_Search.cpp).
    void ConnectSearchCommands();
    void SearchRecord(quint8 target);   // SearchTarget: 0..3 catalogues, 4 debts
    void spbt_SVerlo_SearchClick();
    void spbt_FR_SearchClick();
    void spbt_Derj_SearchClick();
    void spbt_PL_SearchClick();
    void spbt_SearchRecClick();
    void spbt_Sverlo_FiltrClick();
    // Histories: the whole one from the main menu, the current tool's from
    // a catalogue menu (each shared by the four catalogue menus).
    void mm_History_DolgClick();
    void mm_History_PrihodClick();
    void mm_Spisanie_HistClick();
    void pm_SV_View_Prih_HistClick();
    void pm_SV_View_Spisanie_HistClick();
    void pm_SV_View_Dolg_HistClick();
    // Tool records: add, edit and delete on every catalogue page, one
    // implementation of each over the kinds' table; the Enter key and a
    // double click on a row edit it, the Delete key deletes it.
    void spbt_Sverlo_NewClick();
    void spbt_Sverlo_EditClick();
    void spbt_Sverlo_DelClick();
    void spbt_FR_NEWClick();
    void spbt_FR_EDITClick();
    void spbt_FR_DELClick();
    void spbt_Derj_NEWClick();
    void spbt_Derj_EDITClick();
    void spbt_Derj_DELClick();
    void spbt_PL_NewClick();
    void spbt_PL_EditClick();
    void spbt_PL_DELClick();
    RowEditorResult AddTool(ToolKind kind);
    RowEditorResult EditTool(ToolKind kind);
    RowEditorResult DeleteTool(ToolKind kind);
    // The message shown when an add, edit or delete of a kind's tool cannot be stored.
    enum class RecordCommand { Add, Edit, Delete };
    static QString recordFailure(ToolKind kind, RecordCommand command);
    // True (its message shown) when the delete of a kind's tool was refused
    // or failed; false when r says it was stored (or may be).
    bool DeleteRefused(ToolKind kind, const ops::Result& r);

    // The debts page (frm_Main_Debts.cpp): the return of the current debt,
    // the view of one tool's debts from its catalogue page, the filter
    // button clearing that view, the jump from a debt to its tool.
    void ConnectDebtsCommands();
    void ReturnDebt();
    void SpeedButton1Click();
    void pm_Dolgi_ReturnClick();
    void ViewToolDebts(ToolKind kind);
    void pmSV_ViewDolgiClick();
    void pm_FR_Posm_Komu_VidanClick();
    void pm_DRJ_Posm_Komu_VidanClick();
    void pm_PL_Posm_Komu_VidanClick();
    void spbt_Dolgi_FiltrClick();
    void pm_ViewInstrClick();

    // Limits (frm_Main_Limits.cpp): a minimum stock per tool, marked in the
    // code cell and counted in the status bar's panel 1, set from each
    // catalogue menu; "Что заказать"; debts kept longer than the limit in
    // days marked in their date cell and listed alone by "Просроченные".
    QAction* mm_Srok_Vydachi = nullptr;    // "Срок выдачи, дней" (Файл)
    QAction* mm_Chto_Zakazat = nullptr;    // "Что заказать" (Таблицы)
    QToolButton* spbt_Dolgi_Prosroch = nullptr;   // "Просроченные"
    QAction* pm_Dolgi_Prosroch = nullptr;
    std::array<QLineEdit*, ToolKindCount> ed_Min_Ostatok{};   // the detail panels' minimum
    Tfrm_Limit* frm_Min_Ostatok = nullptr;
    Tfrm_Limit* frm_Srok_Vydachi = nullptr;
    Tfrm_Chto_Zakazat* frm_Chto_Zakazat = nullptr;
    static QColor minimumMarkColor() { return QColor(255, 140, 0); }
    static QColor overdueMarkColor() { return QColor(160, 32, 240); }
    // A tool's minimum as last read (0: none).
    qint64 minimumOf(ToolKind kind, int toolId) const;
    int overdueDays() const { return m_overdueDays; }
    bool overdueView() const { return m_overdueView; }
    void ReloadMinimums(ToolKind kind);
    void ReloadLimits();
    void UpdateMinimumBox(ToolKind kind);
    void UpdateBelowMinimum();
    void SetMinimum(ToolKind kind);
    void mm_Srok_VydachiClick();
    void mm_Chto_ZakazatClick();
    void spbt_Dolgi_ProsrochClick();

    void DMStockAlert(int page, bool newBelowOne, bool buBelowOne);
    void DMDolgTypeChanged(const QString& text);

    void setVisible(bool visible) override;

protected:
    void FormCreate();
    // Runs before each showing; false when the login failed and the
    // program ends instead.
    bool FormShow();

private:
    struct Binding {
        QWidget* control;
        const char* recordSet;
        const char* field;
    };
    using SortOrders = QHash<QString, QString>;

    void buildPages();
    void buildMenus();
    void buildStatusBar();
    void ConnectGiveToWork();
    void ConnectStockCommands();
    void ConnectRecordCommands();
    void buildLimits();
    void ConnectLimits();
    void paintLimitMarks(DBGrid* grid, GridCell& cell);
    QWidget* buildCataloguePage(int page);
    QWidget* buildDolgiPage();
    void titleClick(DBGrid* grid, const QString& fieldName, const SortOrders& orders);
    void paintCell(DBGrid* grid, GridCell& cell, const char* newField, bool catalogue);
    void setCountBoxRed(DBEdit* box, bool red);
    void showContextMenu(DBGrid* grid, QMenu* menu, const QPoint& pos);
    void ConnectHistoryCommands();
    void ShowHistory(THistoryForm* window);
    void ShowToolHistory(THistoryForm* window);

    bool FirstShow = true;
    bool m_loginFailed = false;
    bool m_inFormShow = false;
    QList<Binding> m_bindings;
    std::array<CatalogueMenu, ToolKindCount> m_catalogueMenus{};
    std::array<QHash<int, qint64>, ToolKindCount> m_minimums;
    int m_overdueDays = 30;
    bool m_overdueView = false;   // the debts page lists only the overdue debts
    bool m_belowPending = false;
};

extern Tfrm_Main* frm_Main;
