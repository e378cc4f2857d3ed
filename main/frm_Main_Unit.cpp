#include "frm_Main_Unit.h"

#include "DBGrid.h"
#include "Icons.h"
#include "DM_Unit.h"
#include "DataAware.h"
#include "Dialogs.h"
#include "HideWhileShown.h"
#include "ImageBox.h"
#include "frm_About_Unit.h"
#include "frm_Firm_List_Unit.h"
#include "frm_Pasw_List_Unit.h"
#include "frm_Pasword_Unit.h"
#include "frm_People_Unit.h"

#include <QAction>
#include <QApplication>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

Tfrm_Main* frm_Main = nullptr;

namespace {

// Sort orders set by a click on a column title, by field name (lower case).
// A column missing from its grid's table only gets the mark.
const QHash<QString, QString> SverlaOrders = {
    {"type", "Type,Diam_Sverla,KOD"},         {"kod", "KOD"},
    {"diam_sverla", "Diam_Sverla,KOD"},       {"diam_hvost", "Diam_Hvost,KOD"},
    {"l_instr", "L_Instr,Diam_Sverla,KOD"},   {"l_reza", "L_reza,Diam_Sverla,KOD"},
    {"k_vo_new", "K_vo_New,Diam_Sverla,KOD"}, {"k_vo_bu", "K_vo_BU,Diam_Sverla,KOD"},
    {"k_vo_dolg", "K_vo_Dolg,Diam_Sverla,KOD"}, {"name", "Name,Diam_Sverla,KOD"},
    {"korob", "Korob,Diam_Sverla,KOD"}};

const QHash<QString, QString> FrezyOrders = {
    {"type", "Type,Diam_Frez,KOD"},           {"kod", "KOD"},
    {"diam_frez", "Diam_Frez,KOD"},           {"diam_hvost", "Diam_Hvost,KOD"},
    {"l_reza", "L_reza,Diam_Frez,KOD"},       {"l_instr", "L_Instr,Diam_Frez,KOD"},
    {"n_zub", "N_zub,Diam_Frez,KOD"},         {"r_fas_instr", "R_FAS_instr,Diam_Frez,KOD"},
    {"k_vo_new", "K_vo_New,Diam_Frez,KOD"},   {"k_vo_bu", "K_vo_BU,Diam_Frez,KOD"},
    {"k_vo_dolg", "K_vo_Dolg,Diam_Frez,KOD"}, {"name", "Name,Diam_Frez,KOD"},
    {"korob", "Korob,Diam_Frez,KOD"}};

const QHash<QString, QString> DerjOrders = {
    {"derj_name", "Derj_Name,KOD"}, {"kod", "KOD"},           {"k_vo_new", "K_vo_New,KOD"},
    {"k_vo_bu", "K_vo_BU,KOD"},     {"k_vo_dolg", "K_vo_Dolg,KOD"}, {"name", "Name,KOD"}};

const QHash<QString, QString> PlastinyOrders = {
    {"naimenovanie", "Naimenovanie,KOD"}, {"kod", "KOD"},                {"k_vo_new", "K_vo_New,KOD"},
    {"k_vo_bu", "K_vo_BU,KOD"},           {"k_vo_dolg", "K_vo_Dolg,KOD"}, {"name", "Name,KOD"}};

const QHash<QString, QString> DolgiOrders = {
    {"nomer_zap", "Nomer_zap"}, {"tabl_name", "Tabl_Name,Nomer_zap"}, {"kod", "KOD"},
    {"date", "Date,Nomer_zap"}, {"fio", "FIO,KOD"},                   {"k_vo", "K_vo,KOD"},
    {"instr_is_bu", "Instr_is_BU,KOD"}};

const char* const FilterActiveText = "Фильтр записей активирован";

QToolButton* toolButton(QWidget* parent, const char* name, const char* icon, const char* hint)
{
    return speedButton(parent, QString::fromLatin1(name), QString::fromLatin1(icon), QString::fromUtf8(hint));
}

QLabel* filterText(QWidget* parent, const char* name)
{
    auto* l = new QLabel(QString::fromUtf8(FilterActiveText), parent);
    l->setObjectName(QString::fromLatin1(name));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(255, 0, 0));
    l->setPalette(p);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    l->setVisible(false);
    return l;
}

DBEdit* detailBox(QWidget* parent, const char* name)
{
    auto* e = new DBEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setAlwaysReadOnly(true);
    return e;
}

QAction* menuItem(QMenu* menu, const char* name, const char* caption, bool built)
{
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setObjectName(QString::fromLatin1(name));
    // Commands whose windows are not part of the program yet stay disabled.
    a->setEnabled(built);
    return a;
}

QGroupBox* group(QWidget* parent, const char* name, const char* caption)
{
    auto* g = new QGroupBox(QString::fromUtf8(caption), parent);
    g->setObjectName(QString::fromLatin1(name));
    return g;
}

} // namespace

// ---------------------------------------------------------------------------
// Construction

struct CatalogueSpec {
    struct Button {
        QToolButton* Tfrm_Main::* member;
        const char* name;
    };
    struct Param {
        DBEdit* Tfrm_Main::* member;
        const char* name;
        const char* label;
        const char* field;
        int row, col;
    };
    QWidget* Tfrm_Main::* page;
    const char* pageName;
    const char* caption;
    DBGrid* Tfrm_Main::* grid;
    const char* gridName;
    const char* recordSet;
    Button buttons[6];
    QLabel* Tfrm_Main::* filter;
    const char* filterName;
    QList<Param> params;
    ImageBox* Tfrm_Main::* picture;
    const char* pictureName;
    const char* pictureCaption;
    DBMemo* Tfrm_Main::* notes;
    const char* notesName;
    const char* prefix;   // of the group and context-menu item names
};

static const CatalogueSpec& catalogueSpec(int page)
{
    using M = Tfrm_Main;
    static const CatalogueSpec pages[4] = {
        {&M::tbst_P1_Sverla, "tbst_P1_Sverla", "Сверла", &M::dbgr_Sverlo, "dbgr_Sverlo", "dtSet_Sverla",
         {{&M::spbt_Sverlo_New, "spbt_Sverlo_New"}, {&M::spbt_Sverlo_Edit, "spbt_Sverlo_Edit"},
          {&M::spbt_Sverlo_Del, "spbt_Sverlo_Del"}, {&M::spbt_SV_GiveToWork, "spbt_SV_GiveToWork"},
          {&M::spbt_SVerlo_Search, "spbt_SVerlo_Search"}, {&M::spbt_Sverlo_Filtr, "spbt_Sverlo_Filtr"}},
         &M::sttx_Filter_Sverla, "sttx_Filter_Sverla",
         {{&M::dbed_SV_Diam, "dbed_SV_Diam", "Диаметр", "Diam_Sverla", 0, 0},
          {&M::dbed_SV_L_Instr, "dbed_SV_L_Instr", "Длина", "L_Instr", 1, 0},
          {&M::dbed_SV_K_vo_NEW, "dbed_SV_K_vo_NEW", "К-во новый", "K_vo_New", 0, 1},
          {&M::dbed_SV_K_vo_BU, "dbed_SV_K_vo_BU", "К-во БУ", "K_vo_BU", 1, 1},
          {&M::dbed_SV_K_vo_Dolg, "dbed_SV_K_vo_Dolg", "К-во долг", "K_vo_Dolg", 2, 1},
          {&M::dbed_SV_Korob, "dbed_SV_Korob", "№ Короба", "Korob", 2, 0}},
         &M::im_PicSv, "im_PicSv", "Картинка инструмента", &M::dbm_SV_Prim, "dbm_SV_Prim", "SV"},
        {&M::tbst_P_Frezyi, "tbst_P_Frezyi", "Фрезы", &M::dbgr_Frezy, "dbgr_Frezy", "dtSet_Frezy",
         {{&M::spbt_FR_NEW, "spbt_FR_NEW"}, {&M::spbt_FR_EDIT, "spbt_FR_EDIT"}, {&M::spbt_FR_DEL, "spbt_FR_DEL"},
          {&M::spbt_FR_GiveToWork, "spbt_FR_GiveToWork"}, {&M::spbt_FR_Search, "spbt_FR_Search"},
          {&M::spbt_FR_Filtr, "spbt_FR_Filtr"}},
         &M::StaticText1, "StaticText1",
         {{&M::dbed_FR_Diam, "dbed_FR_Diam", "Диаметр", "Diam_Frez", 0, 0},
          {&M::dbed_FR_L_Instr, "dbed_FR_L_Instr", "Длина", "L_Instr", 1, 0},
          {&M::dbed_FR_K_vo_NEW, "dbed_FR_K_vo_NEW", "К-во новый", "K_vo_New", 0, 1},
          {&M::dbed_FR_K_vo_BU, "dbed_FR_K_vo_BU", "К-во БУ", "K_vo_BU", 1, 1},
          {&M::dbed_FR_K_vo_Dolg, "dbed_FR_K_vo_Dolg", "К-во долг", "K_vo_DOLG", 2, 1},
          {&M::dbed_FR_Korob, "dbed_FR_Korob", "№ Короба", "Korob", 2, 0}},
         &M::im_PicFreza, "im_PicFreza", "Картинка (фреза)", &M::dbm_FR_Prim, "dbm_FR_Prim", "FR"},
        {&M::tbst_P_Derj_Plast, "tbst_P_Derj_Plast", "Державки пластин", &M::dbgr_Derj_PL, "dbgr_Derj_PL",
         "dtSet_Derj_PL",
         {{&M::spbt_Derj_NEW, "spbt_Derj_NEW"}, {&M::spbt_Derj_EDIT, "spbt_Derj_EDIT"},
          {&M::spbt_Derj_DEL, "spbt_Derj_DEL"}, {&M::spbt_Derj_GiveToWork, "spbt_Derj_GiveToWork"},
          {&M::spbt_Derj_Search, "spbt_Derj_Search"}, {&M::spbt_Derj_Filtr, "spbt_Derj_Filtr"}},
         &M::sttx_Filter_Derj, "sttx_Filter_Derj",
         {{&M::dbed_DRJ_K_vo_NEW, "dbed_DRJ_K_vo_NEW", "К-во новый", "K_vo_NEW", 0, 0},
          {&M::dbed_DRJ_K_vo_BU, "dbed_DRJ_K_vo_BU", "К-во БУ", "K_vo_BU", 1, 0},
          {&M::dbed_DRJ_K_vo_Dolg, "dbed_DRJ_K_vo_Dolg", "К-во долг", "K_vo_Dolg", 2, 0},
          {&M::dbed_DRJ_Korob, "dbed_DRJ_Korob", "№ Короба", "Korob", 3, 0}},
         &M::im_Pic_Derj, "im_Pic_Derj", "Картинка (державка пластины)", &M::dbm_DRJ_Prim, "dbm_DRJ_Prim", "DRJ"},
        {&M::tbst_P_Plastinyi, "tbst_P_Plastinyi", "Пластины", &M::dbgr_Plastinyi, "dbgr_Plastinyi",
         "dtSet_Plastiny",
         {{&M::spbt_PL_New, "spbt_PL_New"}, {&M::spbt_PL_Edit, "spbt_PL_Edit"}, {&M::spbt_PL_DEL, "spbt_PL_DEL"},
          {&M::spbt_PL_GiveToWork, "spbt_PL_GiveToWork"}, {&M::spbt_PL_Search, "spbt_PL_Search"},
          {&M::spbt_PL_Filtr, "spbt_PL_Filtr"}},
         &M::StaticText3, "StaticText3",
         {{&M::dbed_PL_K_vo_NEW, "dbed_PL_K_vo_NEW", "К-во новый", "K_vo_NEW", 0, 0},
          {&M::dbed_PL_K_vo_BU, "dbed_PL_K_vo_BU", "К-во БУ", "K_vo_BU", 1, 0},
          {&M::dbed_PL_K_vo_Dolg, "dbed_PL_K_vo_Dolg", "К-во долг", "K_vo_Dolg", 2, 0},
          {&M::dbed_PL_Korob, "dbed_PL_Korob", "№ Короба", "Korob", 3, 0}},
         &M::im_Plastina, "im_Plastina", "Картинка (пластина)", &M::dbm_PL_Prim, "dbm_PL_Prim", "PL"},
    };
    return pages[page];
}

Tfrm_Main::Tfrm_Main(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frm_Main"));
    setWindowTitle(QStringLiteral("БД инструмента (Производство Ольмар)     ОТЛАДКА ПРОГРАММЫ"));
    resize(1248, 741);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        QRect r(QPoint(0, 0), QSize(1248, 741));
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
    buildPages();
    buildMenus();
    buildStatusBar();
    FormCreate();
}

Tfrm_Main::~Tfrm_Main()
{
    DisconnectDataModule();
    if (frm_Main == this)
        frm_Main = nullptr;
}

void Tfrm_Main::FormCreate()
{
    FirstShow = true;
}

QWidget* Tfrm_Main::buildCataloguePage(int page)
{
    static const char* const icons[6] = {"add", "edit", "delete", "give", "search", "filter"};
    static const char* const hints[6] = {"Добавить запись", "Редактировать запись", "Удалить запись",
                                         "Отдать сверло в работу", "Найти запись", "Фильтр"};
    const CatalogueSpec& s = catalogueSpec(page);
    const QString prefix = QString::fromLatin1(s.prefix);

    auto* w = new QWidget;
    w->setObjectName(QString::fromLatin1(s.pageName));
    this->*s.page = w;

    // Tool bar: the commands of the later windows stay disabled until built.
    auto* bar = new QHBoxLayout;
    bar->setSpacing(2);
    for (int i = 0; i < 6; ++i) {
        QToolButton* b = toolButton(w, s.buttons[i].name, icons[i], hints[i]);
        b->setEnabled(false);
        this->*s.buttons[i].member = b;
        bar->addWidget(b);
    }
    bar->addSpacing(16);
    QLabel* ft = filterText(w, s.filterName);
    this->*s.filter = ft;
    bar->addWidget(ft);
    bar->addStretch();

    // Detail panel.
    QGroupBox* params = group(w, qPrintable(QStringLiteral("gb_%1_Param").arg(prefix)), "Параметры");
    auto* pl = new QGridLayout(params);
    pl->setHorizontalSpacing(6);
    pl->setVerticalSpacing(4);
    for (const CatalogueSpec::Param& p : s.params) {
        DBEdit* e = detailBox(params, p.name);
        e->setFixedWidth(p.col == 0 && page < 2 ? 130 : 90);
        if (QString::fromLatin1(p.field) == QLatin1String("Korob"))
            e->setFixedWidth(page < 2 ? 130 : 200);
        this->*p.member = e;
        m_bindings.append({e, s.recordSet, p.field});
        auto* label = new QLabel(QString::fromUtf8(p.label), params);
        label->setBuddy(e);
        pl->addWidget(label, p.row, p.col * 2, Qt::AlignRight);
        pl->addWidget(e, p.row, p.col * 2 + 1);
    }
    pl->setRowStretch(pl->rowCount(), 1);
    if (pl->columnCount() > 2)
        pl->setColumnMinimumWidth(2, 80);

    QGroupBox* picture = group(w, qPrintable(QStringLiteral("gb_%1_Picture").arg(prefix)), s.pictureCaption);
    auto* picl = new QVBoxLayout(picture);
    picl->setContentsMargins(4, 4, 4, 4);
    auto* im = new ImageBox(picture);
    im->setObjectName(QString::fromLatin1(s.pictureName));
    this->*s.picture = im;
    picl->addWidget(im);
    picture->setFixedWidth(280);

    QGroupBox* notes = group(w, qPrintable(QStringLiteral("gb_%1_Prim").arg(prefix)), "Примечания");
    auto* nl = new QVBoxLayout(notes);
    nl->setContentsMargins(4, 4, 4, 4);
    auto* memo = new DBMemo(notes);
    memo->setObjectName(QString::fromLatin1(s.notesName));
    memo->setAlwaysReadOnly(true);
    this->*s.notes = memo;
    m_bindings.append({memo, s.recordSet, "Prim"});
    nl->addWidget(memo);

    auto* details = new QHBoxLayout;
    details->addWidget(params);
    details->addWidget(picture);
    details->addWidget(notes, 1);

    auto* upper = new QWidget(w);
    upper->setObjectName(QStringLiteral("pnl_%1_Top").arg(prefix));
    upper->setFixedHeight(236);
    auto* ul = new QVBoxLayout(upper);
    ul->setContentsMargins(4, 2, 4, 2);
    ul->setSpacing(2);
    ul->addLayout(bar);
    ul->addLayout(details, 1);

    auto* grid = new DBGrid(w);
    grid->setObjectName(QString::fromLatin1(s.gridName));
    this->*s.grid = grid;

    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(upper);
    layout->addWidget(grid, 1);
    return w;
}

QWidget* Tfrm_Main::buildDolgiPage()
{
    auto* w = new QWidget;
    w->setObjectName(QStringLiteral("tbst_P3_People"));
    tbst_P3_People = w;

    auto* bar = new QHBoxLayout;
    bar->setSpacing(2);
    SpeedButton1 = toolButton(w, "SpeedButton1", "return", "Вернуть инструмент");
    spbt_SearchRec = toolButton(w, "spbt_SearchRec", "search", "Найти запись");
    spbt_Dolgi_Filtr = toolButton(w, "spbt_Dolgi_Filtr", "filter", "Фильтр");
    for (QToolButton* b : {SpeedButton1, spbt_SearchRec, spbt_Dolgi_Filtr}) {
        b->setEnabled(false);
        bar->addWidget(b);
    }
    bar->addSpacing(16);
    sttx_Filter_Dolgi = filterText(w, "sttx_Filter_Dolgi");
    bar->addWidget(sttx_Filter_Dolgi);
    bar->addStretch();

    QGroupBox* params = group(w, "gb_Dolg_Param", "Параметры");
    auto* pl = new QGridLayout(params);
    pl->setHorizontalSpacing(6);
    pl->setVerticalSpacing(4);
    struct P {
        DBEdit* Tfrm_Main::* member;
        const char* name;
        const char* label;
        const char* field;
        int row, col, width;
    };
    const P ps[] = {{&Tfrm_Main::dbed_Dolg_Nomer_Zap, "dbed_Dolg_Nomer_Zap", "№ п.п.", "Nomer_Zap", 0, 0, 90},
                    {&Tfrm_Main::dbed_Dolg_Tabl_Name, "dbed_Dolg_Tabl_Name", "Что брал", "Tabl_Name", 1, 0, 230},
                    {&Tfrm_Main::dbed_Dolg_KoD, "dbed_Dolg_KoD", "Код инструмента", "KoD", 2, 0, 230},
                    {&Tfrm_Main::dbed_Dolg_FIO, "dbed_Dolg_FIO", "ФИО оператора (кто брал)", "FIO", 3, 0, 230},
                    {&Tfrm_Main::dbed_Dolg_Date, "dbed_Dolg_Date", "Дата когда брал", "Date", 0, 1, 130},
                    {&Tfrm_Main::dbed_Dolg_K_vo, "dbed_Dolg_K_vo", "К-во инструмента", "K_vo", 1, 1, 90}};
    for (const P& p : ps) {
        DBEdit* e = detailBox(params, p.name);
        e->setFixedWidth(p.width);
        this->*p.member = e;
        m_bindings.append({e, "dtset_DolgiSQL", p.field});
        auto* label = new QLabel(QString::fromUtf8(p.label), params);
        label->setBuddy(e);
        pl->addWidget(label, p.row, p.col * 2, Qt::AlignRight);
        pl->addWidget(e, p.row, p.col * 2 + 1, Qt::AlignLeft);
    }
    ed_Dolg_Tp_Instr = new QLineEdit(params);
    ed_Dolg_Tp_Instr->setObjectName(QStringLiteral("ed_Dolg_Tp_Instr"));
    ed_Dolg_Tp_Instr->setReadOnly(true);
    ed_Dolg_Tp_Instr->setFixedWidth(90);
    auto* tpLabel = new QLabel(QStringLiteral("Новый или БУ"), params);
    tpLabel->setBuddy(ed_Dolg_Tp_Instr);
    pl->addWidget(tpLabel, 2, 2, Qt::AlignRight);
    pl->addWidget(ed_Dolg_Tp_Instr, 2, 3, Qt::AlignLeft);
    pl->setColumnMinimumWidth(2, 80);
    pl->setRowStretch(4, 1);

    QGroupBox* instr = group(w, "gb_Dolg_Picture", "Картинка инструмента");
    auto* il = new QVBoxLayout(instr);
    il->setContentsMargins(4, 4, 4, 4);
    im_PicDolg_Instr = new ImageBox(instr);
    im_PicDolg_Instr->setObjectName(QStringLiteral("im_PicDolg_Instr"));
    il->addWidget(im_PicDolg_Instr);
    instr->setFixedWidth(280);

    QGroupBox* foto = group(w, "gb_Dolg_Foto", "Фото оператора");
    auto* fl = new QVBoxLayout(foto);
    fl->setContentsMargins(4, 4, 4, 4);
    im_PicDolg_Operator = new ImageBox(foto);
    im_PicDolg_Operator->setObjectName(QStringLiteral("im_PicDolg_Operator"));
    fl->addWidget(im_PicDolg_Operator);
    foto->setFixedWidth(220);

    auto* details = new QHBoxLayout;
    details->addWidget(params);
    details->addWidget(instr);
    details->addWidget(foto);
    details->addStretch();

    auto* upper = new QWidget(w);
    upper->setObjectName(QStringLiteral("pnl_Dolg_Top"));
    upper->setFixedHeight(236);
    auto* ul = new QVBoxLayout(upper);
    ul->setContentsMargins(4, 2, 4, 2);
    ul->setSpacing(2);
    ul->addLayout(bar);
    ul->addLayout(details, 1);

    dbgrid_Dolgi = new DBGrid(w);
    dbgrid_Dolgi->setObjectName(QStringLiteral("dbgrid_Dolgi"));

    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(upper);
    layout->addWidget(dbgrid_Dolgi, 1);
    return w;
}

void Tfrm_Main::buildPages()
{
    PageControl_Main = new QTabWidget(this);
    PageControl_Main->setObjectName(QStringLiteral("PageControl_Main"));
    PageControl_Main->setTabPosition(QTabWidget::South);
    PageControl_Main->setDocumentMode(false);
    for (int page = PageSverla; page <= PagePlastiny; ++page) {
        QWidget* w = buildCataloguePage(page);
        PageControl_Main->addTab(w, QString::fromUtf8(catalogueSpec(page).caption));
    }
    PageControl_Main->addTab(buildDolgiPage(), QStringLiteral("Долги"));
    PageControl_Main->setCurrentIndex(PageSverla);
    setCentralWidget(PageControl_Main);
    connect(PageControl_Main, &QTabWidget::currentChanged, this, &Tfrm_Main::PageControl_MainChange);

    dbgr_Sverlo->setDrawHandler([this](GridCell& c) { dbgr_SverloDrawColumnCell(c); });
    dbgr_Frezy->setDrawHandler([this](GridCell& c) { dbgr_FrezyDrawColumnCell(c); });
    dbgr_Derj_PL->setDrawHandler([this](GridCell& c) { dbgr_Derj_PLDrawColumnCell(c); });
    dbgr_Plastinyi->setDrawHandler([this](GridCell& c) { dbgr_PlastinyiDrawColumnCell(c); });
    dbgrid_Dolgi->setDrawHandler([this](GridCell& c) { DBGrid_DolgiDrawColumnCell(c); });
    connect(dbgr_Sverlo, &DBGrid::titleClicked, this, &Tfrm_Main::dbgr_SverloTitleClick);
    connect(dbgr_Frezy, &DBGrid::titleClicked, this, &Tfrm_Main::dbgr_FrezyTitleClick);
    connect(dbgr_Derj_PL, &DBGrid::titleClicked, this, &Tfrm_Main::dbgr_Derj_PLTitleClick);
    connect(dbgr_Plastinyi, &DBGrid::titleClicked, this, &Tfrm_Main::dbgr_PlastinyiTitleClick);
    connect(dbgrid_Dolgi, &DBGrid::titleClicked, this, &Tfrm_Main::DBGrid_DolgiTitleClick);
}

void Tfrm_Main::buildMenus()
{
    MainMenu1 = menuBar();
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = MainMenu1->addMenu(QStringLiteral("Файл"));
    file->setObjectName(QStringLiteral("mm_File"));
    mm_Pasw = menuItem(file, "mm_Pasw", "Изменить пароль", true);
    file->addSeparator();
    mm_Exit = menuItem(file, "mm_Exit", "Выход", true);

    QMenu* tables = MainMenu1->addMenu(QStringLiteral("Таблицы"));
    tables->setObjectName(QStringLiteral("mm_Tables"));
    mm_Tabl_People = menuItem(tables, "mm_Tabl_People", "Список операторов", true);
    mm_Tabl_Firm = menuItem(tables, "mm_Tabl_Firm", "Список фирм", true);
    tables->addSeparator();
    mm_History_Dolg = menuItem(tables, "mm_History_Dolg", "История долгов", false);
    mm_History_Prihod = menuItem(tables, "mm_History_Prihod", "История прихода инстр", false);
    mm_Spisanie_Hist = menuItem(tables, "mm_Spisanie_Hist", "История списания инстр", false);

    QMenu* tools = MainMenu1->addMenu(QStringLiteral("Инструменты"));
    tools->setObjectName(QStringLiteral("mm_Tools"));
    mm_Change_Pasw = tools->addMenu(QStringLiteral("Экспорт данных"));
    mm_Change_Pasw->setObjectName(QStringLiteral("mm_Change_Pasw"));
    mm_Export_ALL = menuItem(mm_Change_Pasw, "mm_Export_ALL", "Все в EXCELL", false);   // never enabled
    mm_Export_Activ_Page = menuItem(mm_Change_Pasw, "mm_Export_Activ_Page", "Текущая страница в EXCELL", false);

    QMenu* help = MainMenu1->addMenu(QStringLiteral("Справка"));
    help->setObjectName(QStringLiteral("mm_Help"));
    mm_About = menuItem(help, "mm_About", "О программе", true);

    connect(mm_Pasw, &QAction::triggered, this, &Tfrm_Main::mm_PaswClick);
    connect(mm_Exit, &QAction::triggered, this, &Tfrm_Main::mm_ExitClick);
    connect(mm_Tabl_People, &QAction::triggered, this, &Tfrm_Main::mm_Tabl_PeopleClick);
    connect(mm_Tabl_Firm, &QAction::triggered, this, &Tfrm_Main::mm_Tabl_FirmClick);
    connect(mm_About, &QAction::triggered, this, &Tfrm_Main::mm_AboutClick);

    // Context menus of the catalogue grids: the same commands in the same
    // places, the drills menu naming its tool.
    struct C {
        QMenu* Tfrm_Main::* member;
        const char* name;
        const char* prefix;
        bool drills;
    };
    const C menus[4] = {{&Tfrm_Main::pm_Sverla, "pm_Sverla", "SV", true},
                        {&Tfrm_Main::pm_Frezy, "pm_Frezy", "FR", false},
                        {&Tfrm_Main::pm_Derj, "pm_Derj", "DRJ", false},
                        {&Tfrm_Main::pm_Plastini, "pm_Plastini", "PL", false}};
    for (const C& c : menus) {
        auto* m = new QMenu(this);
        m->setObjectName(QString::fromLatin1(c.name));
        this->*c.member = m;
        const QString p = QStringLiteral("pm_%1_").arg(QString::fromLatin1(c.prefix));
        auto n = [&](const char* item) { return (p + QString::fromLatin1(item)).toLatin1(); };
        menuItem(m, n("Edit").constData(), "Редактировать запись", false);
        menuItem(m, n("Add").constData(), "Добавить запись", false);
        menuItem(m, n("Del").constData(), "Удалить запись", false);
        m->addSeparator();
        menuItem(m, n("Prihod").constData(), "Приход инструмента", false);
        menuItem(m, n("PerBU").constData(), "Перенос в БУ", false);
        menuItem(m, n("Spisat").constData(), "Списать инструмент", false);
        m->addSeparator();
        menuItem(m, n("GiveToWork").constData(), c.drills ? "Отдать сверло в работу" : "Отдать в работу", false);
        m->addSeparator();
        menuItem(m, n("WhoHas").constData(),
                 c.drills ? "Посмотреть кому выдан инструмент" : "Посмотреть кому выдан", false);
        m->addSeparator();
        QMenu* hist = m->addMenu(QStringLiteral("Посмотреть историю"));
        hist->setObjectName(p + QStringLiteral("History"));
        menuItem(hist, n("Hist_Prihod").constData(), "прихода инструмента", false);
        menuItem(hist, n("Hist_Spisanie").constData(), "списания инструмента", false);
        menuItem(hist, n("Hist_Dolgi").constData(), "долгов", false);
    }
    pm_Dolgi = new QMenu(this);
    pm_Dolgi->setObjectName(QStringLiteral("pm_Dolgi"));
    menuItem(pm_Dolgi, "pm_Dolgi_GetBack", "Вернуть инструмент в БД", false);
    pm_Dolgi->addSeparator();
    menuItem(pm_Dolgi, "pm_Dolgi_ShowInstr", "Посмотреть инструмент", false);

    const std::pair<DBGrid*, QMenu*> popups[] = {{dbgr_Sverlo, pm_Sverla},
                                                  {dbgr_Frezy, pm_Frezy},
                                                  {dbgr_Derj_PL, pm_Derj},
                                                  {dbgr_Plastinyi, pm_Plastini},
                                                  {dbgrid_Dolgi, pm_Dolgi}};
    for (const auto& [grid, menu] : popups) {
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QWidget::customContextMenuRequested, this,
                [this, grid = grid, menu = menu](const QPoint& pos) { showContextMenu(grid, menu, pos); });
    }
}

void Tfrm_Main::showContextMenu(DBGrid* grid, QMenu* menu, const QPoint& pos)
{
    menu->popup(grid->viewport()->mapToGlobal(pos));
}

void Tfrm_Main::buildStatusBar()
{
    StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(true);
    auto panel = [this](const char* name, int width) {
        auto* l = new QLabel(StatusBar1);
        l->setObjectName(QString::fromLatin1(name));
        l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (width > 0)
            l->setFixedWidth(width);
        StatusBar1->addWidget(l, width > 0 ? 0 : 1);
        return l;
    };
    StatusBar1_Panel0 = panel("StatusBar1_Panel0", 150);
    StatusBar1_Panel1 = panel("StatusBar1_Panel1", 200);
    StatusBar1_Panel2 = panel("StatusBar1_Panel2", 0);
    StatusBar1_Panel2->setText(QStringLiteral("  Версия программы 0.0.4   (Сборка 0025)  "));
}

// ---------------------------------------------------------------------------
// The data module

void Tfrm_Main::ConnectDataModule()
{
    if (!DM)
        return;
    for (const Binding& b : m_bindings) {
        RecordSet* rs = DM->recordSet(QString::fromLatin1(b.recordSet));
        if (auto* e = qobject_cast<DBEdit*>(b.control))
            e->bind(rs, QString::fromLatin1(b.field));
        else if (auto* m = qobject_cast<DBMemo*>(b.control))
            m->bind(rs, QString::fromLatin1(b.field));
    }
    dbgr_Sverlo->setRecordSet(&DM->dtSet_Sverla);
    dbgr_Frezy->setRecordSet(&DM->dtSet_Frezy);
    dbgr_Derj_PL->setRecordSet(&DM->dtSet_Derj_PL);
    dbgr_Plastinyi->setRecordSet(&DM->dtSet_Plastiny);
    dbgrid_Dolgi->setRecordSet(&DM->dtset_DolgiSQL);

    DM->registerPictureTarget(1, im_PicSv);
    DM->registerPictureTarget(2, im_PicFreza);
    DM->registerPictureTarget(3, im_Pic_Derj);
    DM->registerPictureTarget(4, im_Plastina);
    DM->registerPictureTarget(5, im_PicDolg_Instr);
    DM->registerPictureTarget(6, im_PicDolg_Operator);
    connect(DM, &TDM::stockAlert, this, &Tfrm_Main::DMStockAlert);
    connect(DM, &TDM::dolgTypeChanged, this, &Tfrm_Main::DMDolgTypeChanged);

    // The record sets were opened with the data module, before this window
    // could follow them: show what their current rows need.
    DM->FollowCurrentRows();
}

void Tfrm_Main::DisconnectDataModule()
{
    if (!DM)
        return;
    for (ImageBox* im : {im_PicSv, im_PicFreza, im_Pic_Derj, im_Plastina, im_PicDolg_Instr, im_PicDolg_Operator})
        DM->unregisterPictureTarget(im);
    disconnect(DM, nullptr, this, nullptr);
    for (DBGrid* g : {dbgr_Sverlo, dbgr_Frezy, dbgr_Derj_PL, dbgr_Plastinyi, dbgrid_Dolgi})
        g->setRecordSet(nullptr);
    for (const Binding& b : m_bindings) {
        if (auto* e = qobject_cast<DBEdit*>(b.control))
            e->bind(nullptr, QString());
        else if (auto* m = qobject_cast<DBMemo*>(b.control))
            m->bind(nullptr, QString());
    }
}

void Tfrm_Main::setCountBoxRed(DBEdit* box, bool red)
{
    QPalette p = box->palette();
    p.setColor(QPalette::Base, red ? QColor(255, 0, 0) : QApplication::palette(box).color(QPalette::Base));
    box->setPalette(p);
}

void Tfrm_Main::DMStockAlert(int page, bool newBelowOne, bool buBelowOne)
{
    DBEdit* const boxes[4][2] = {{dbed_SV_K_vo_NEW, dbed_SV_K_vo_BU},
                                 {dbed_FR_K_vo_NEW, dbed_FR_K_vo_BU},
                                 {dbed_DRJ_K_vo_NEW, dbed_DRJ_K_vo_BU},
                                 {dbed_PL_K_vo_NEW, dbed_PL_K_vo_BU}};
    if (page < 0 || page > 3)
        return;
    setCountBoxRed(boxes[page][0], newBelowOne);
    setCountBoxRed(boxes[page][1], buBelowOne);
}

void Tfrm_Main::DMDolgTypeChanged(const QString& text)
{
    ed_Dolg_Tp_Instr->setText(text);
}

// ---------------------------------------------------------------------------
// Showing, record count, menu commands

void Tfrm_Main::setVisible(bool visible)
{
    if (visible && !isVisible() && !m_inFormShow) {
        m_inFormShow = true;
        const bool go = FormShow();
        m_inFormShow = false;
        if (!go)
            return;   // the login failed: the window never shows
    }
    QMainWindow::setVisible(visible);
}

bool Tfrm_Main::FormShow()
{
    if (m_loginFailed)
        return false;
    if (FirstShow) {
        Dialogs::showModal(frm_Pasword);
        if (frm_Pasword->ResultWord != QLatin1String("OK")) {
            Dialogs::error(this, QStringLiteral("Неверный пароль!"));
            m_loginFailed = true;
            close();   // the program ends
            return false;
        }
        FirstShow = false;
    }
    UpdateRecordCount();
    return true;
}

RecordSet* Tfrm_Main::pageRecordSet(int page) const
{
    if (!DM)
        return nullptr;
    switch (page) {
    case PageSverla: return &DM->dtSet_Sverla;
    case PageFrezy: return &DM->dtSet_Frezy;
    case PageDerj: return &DM->dtSet_Derj_PL;
    case PagePlastiny: return &DM->dtSet_Plastiny;
    case PageDolgi: return &DM->dtset_DolgiSQL;
    }
    return nullptr;
}

DBGrid* Tfrm_Main::pageGrid(int page) const
{
    switch (page) {
    case PageSverla: return dbgr_Sverlo;
    case PageFrezy: return dbgr_Frezy;
    case PageDerj: return dbgr_Derj_PL;
    case PagePlastiny: return dbgr_Plastinyi;
    case PageDolgi: return dbgrid_Dolgi;
    }
    return nullptr;
}

void Tfrm_Main::UpdateRecordCount()
{
    const RecordSet* rs = pageRecordSet(PageControl_Main->currentIndex());
    if (!rs)
        return;
    StatusBar1_Panel0->setText(QStringLiteral(" Всего записей : ") + QString::number(rs->recordCount()));
}

QString Tfrm_Main::statusPanelText(int panel) const
{
    switch (panel) {
    case 0: return StatusBar1_Panel0->text();
    case 1: return StatusBar1_Panel1->text();
    case 2: return StatusBar1_Panel2->text();
    }
    return QString();
}

void Tfrm_Main::PageControl_MainChange()
{
    UpdateRecordCount();
}

void Tfrm_Main::mm_ExitClick()
{
    close();
}

void Tfrm_Main::mm_PaswClick()
{
    if (frm_Pasword->cmbx_LOGIN->currentText() != QString::fromUtf8(AdministratorLogin)) {
        Dialogs::error(this, QStringLiteral("Редактировать учетные записи может только \"Администратор\""));
        return;
    }
    Dialogs::showModal(frm_Pasw_List);
}

void Tfrm_Main::mm_Tabl_PeopleClick()
{
    HideWhileShown away(this);
    Dialogs::showModal(frm_People);
}

void Tfrm_Main::mm_Tabl_FirmClick()
{
    HideWhileShown away(this);
    Dialogs::showModal(frm_Firm_List);
}

void Tfrm_Main::mm_AboutClick()
{
    Dialogs::showModal(frm_About);
}

// ---------------------------------------------------------------------------
// Grids: ordering by a title click, painting

void Tfrm_Main::titleClick(DBGrid* grid, const QString& fieldName, const SortOrders& orders)
{
    RecordSet* rs = grid->recordSet();
    if (!rs || !rs->isOpen())
        return;
    const int id = rs->isEmpty() ? 0 : rs->fieldByName(QStringLiteral("ID")).asInteger();
    grid->clearTitleColors();
    const auto it = orders.find(fieldName.toLower());
    if (it != orders.end())
        rs->setSort(*it);
    grid->setTitleColor(fieldName, sortMarkColor());
    rs->locate(QStringLiteral("ID"), id);
}

void Tfrm_Main::dbgr_SverloTitleClick(const QString& f) { titleClick(dbgr_Sverlo, f, SverlaOrders); }
void Tfrm_Main::dbgr_FrezyTitleClick(const QString& f) { titleClick(dbgr_Frezy, f, FrezyOrders); }
void Tfrm_Main::dbgr_Derj_PLTitleClick(const QString& f) { titleClick(dbgr_Derj_PL, f, DerjOrders); }
void Tfrm_Main::dbgr_PlastinyiTitleClick(const QString& f) { titleClick(dbgr_Plastinyi, f, PlastinyOrders); }
void Tfrm_Main::DBGrid_DolgiTitleClick(const QString& f) { titleClick(dbgrid_Dolgi, f, DolgiOrders); }

void Tfrm_Main::paintCell(DBGrid* grid, GridCell& cell, const char* newField, bool catalogue)
{
    RecordSet* rs = grid->recordSet();
    if (!rs || cell.pos < 0)
        return;
    const bool plain = !cell.selected && !cell.focused;
    // 1. The sort column: silver and bold.
    if (plain && grid->titleColor(cell.fieldName) == sortMarkColor()) {
        cell.bold = true;
        cell.background = sortColumnColor();
    }
    // 2. A tool with no new and no used pieces: red text.
    if (catalogue && rs->intAt(cell.pos, rs->fieldIndex(QString::fromLatin1(newField))) == 0
        && rs->intAt(cell.pos, rs->fieldIndex(QStringLiteral("K_vo_BU"))) == 0)
        cell.textColor = noStockTextColor();
    // 3. Even rows of the current order: money green.
    if (plain && (cell.pos + 1) % 2 == 0)
        cell.background = evenRowColor();
    // 4. The current row: highlighted, white text.
    if (cell.selected) {
        cell.background = grid->palette().color(QPalette::Highlight);
        cell.textColor = QColor(255, 255, 255);
    }
}

void Tfrm_Main::dbgr_SverloDrawColumnCell(GridCell& cell) { paintCell(dbgr_Sverlo, cell, "K_vo_New", true); }
void Tfrm_Main::dbgr_FrezyDrawColumnCell(GridCell& cell) { paintCell(dbgr_Frezy, cell, "K_vo_New", true); }
void Tfrm_Main::dbgr_Derj_PLDrawColumnCell(GridCell& cell) { paintCell(dbgr_Derj_PL, cell, "K_vo_NEW", true); }
void Tfrm_Main::dbgr_PlastinyiDrawColumnCell(GridCell& cell) { paintCell(dbgr_Plastinyi, cell, "K_vo_NEW", true); }

void Tfrm_Main::DBGrid_DolgiDrawColumnCell(GridCell& cell)
{
    paintCell(dbgrid_Dolgi, cell, nullptr, false);
    if (cell.fieldName.compare(QLatin1String("Instr_is_BU"), Qt::CaseInsensitive) == 0 && cell.pos >= 0)
        cell.text = dbgrid_Dolgi->recordSet()->boolAt(cell.pos, cell.field) ? QStringLiteral("БУ")
                                                                            : QStringLiteral("Новый");
}
