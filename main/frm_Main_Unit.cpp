#include "frm_Main_Unit.h"

#include "DBGrid.h"
#include "Icons.h"
#include "DM_Unit.h"
#include "ToolKind.h"
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
#include <QTimer>
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
    Button buttons[6];
    QLabel* Tfrm_Main::* filter;
    const char* filterName;
    QList<Param> params;
    ImageBox* Tfrm_Main::* picture;
    const char* pictureName;
    const char* pictureCaption;
    DBMemo* Tfrm_Main::* notes;
    const char* notesName;
};

// A detail box's field; the counters ("@new", "@bu", "@dolg") are spelled per kind.
static const char* paramField(ToolKind kind, const char* field)
{
    const ToolKindInfo& k = toolKind(kind);
    if (qstrcmp(field, "@new") == 0)
        return k.newField;
    if (qstrcmp(field, "@bu") == 0)
        return k.buField;
    if (qstrcmp(field, "@dolg") == 0)
        return k.dolgField;
    return field;
}

static const CatalogueSpec& catalogueSpec(int page)
{
    using M = Tfrm_Main;
    static const CatalogueSpec pages[4] = {
        {&M::tbst_P1_Sverla, "tbst_P1_Sverla", "Сверла", &M::dbgr_Sverlo, "dbgr_Sverlo",
         {{&M::spbt_Sverlo_New, "spbt_Sverlo_New"}, {&M::spbt_Sverlo_Edit, "spbt_Sverlo_Edit"},
          {&M::spbt_Sverlo_Del, "spbt_Sverlo_Del"}, {&M::spbt_SV_GiveToWork, "spbt_SV_GiveToWork"},
          {&M::spbt_SVerlo_Search, "spbt_SVerlo_Search"}, {&M::spbt_Sverlo_Filtr, "spbt_Sverlo_Filtr"}},
         &M::sttx_Filter_Sverla, "sttx_Filter_Sverla",
         {{&M::dbed_SV_Diam, "dbed_SV_Diam", "Диаметр", "Diam_Sverla", 0, 0},
          {&M::dbed_SV_L_Instr, "dbed_SV_L_Instr", "Длина", "L_Instr", 1, 0},
          {&M::dbed_SV_K_vo_NEW, "dbed_SV_K_vo_NEW", "К-во новый", "@new", 0, 1},
          {&M::dbed_SV_K_vo_BU, "dbed_SV_K_vo_BU", "К-во БУ", "@bu", 1, 1},
          {&M::dbed_SV_K_vo_Dolg, "dbed_SV_K_vo_Dolg", "К-во долг", "@dolg", 2, 1},
          {&M::dbed_SV_Korob, "dbed_SV_Korob", "№ Короба", "Korob", 2, 0}},
         &M::im_PicSv, "im_PicSv", "Картинка инструмента", &M::dbm_SV_Prim, "dbm_SV_Prim"},
        {&M::tbst_P_Frezyi, "tbst_P_Frezyi", "Фрезы", &M::dbgr_Frezy, "dbgr_Frezy",
         {{&M::spbt_FR_NEW, "spbt_FR_NEW"}, {&M::spbt_FR_EDIT, "spbt_FR_EDIT"}, {&M::spbt_FR_DEL, "spbt_FR_DEL"},
          {&M::spbt_FR_GiveToWork, "spbt_FR_GiveToWork"}, {&M::spbt_FR_Search, "spbt_FR_Search"},
          {&M::spbt_FR_Filtr, "spbt_FR_Filtr"}},
         &M::StaticText1, "StaticText1",
         {{&M::dbed_FR_Diam, "dbed_FR_Diam", "Диаметр", "Diam_Frez", 0, 0},
          {&M::dbed_FR_L_Instr, "dbed_FR_L_Instr", "Длина", "L_Instr", 1, 0},
          {&M::dbed_FR_K_vo_NEW, "dbed_FR_K_vo_NEW", "К-во новый", "@new", 0, 1},
          {&M::dbed_FR_K_vo_BU, "dbed_FR_K_vo_BU", "К-во БУ", "@bu", 1, 1},
          {&M::dbed_FR_K_vo_Dolg, "dbed_FR_K_vo_Dolg", "К-во долг", "@dolg", 2, 1},
          {&M::dbed_FR_Korob, "dbed_FR_Korob", "№ Короба", "Korob", 2, 0}},
         &M::im_PicFreza, "im_PicFreza", "Картинка (фреза)", &M::dbm_FR_Prim, "dbm_FR_Prim"},
        {&M::tbst_P_Derj_Plast, "tbst_P_Derj_Plast", "Державки пластин", &M::dbgr_Derj_PL, "dbgr_Derj_PL",
         {{&M::spbt_Derj_NEW, "spbt_Derj_NEW"}, {&M::spbt_Derj_EDIT, "spbt_Derj_EDIT"},
          {&M::spbt_Derj_DEL, "spbt_Derj_DEL"}, {&M::spbt_Derj_GiveToWork, "spbt_Derj_GiveToWork"},
          {&M::spbt_Derj_Search, "spbt_Derj_Search"}, {&M::spbt_Derj_Filtr, "spbt_Derj_Filtr"}},
         &M::sttx_Filter_Derj, "sttx_Filter_Derj",
         {{&M::dbed_DRJ_K_vo_NEW, "dbed_DRJ_K_vo_NEW", "К-во новый", "@new", 0, 0},
          {&M::dbed_DRJ_K_vo_BU, "dbed_DRJ_K_vo_BU", "К-во БУ", "@bu", 1, 0},
          {&M::dbed_DRJ_K_vo_Dolg, "dbed_DRJ_K_vo_Dolg", "К-во долг", "@dolg", 2, 0},
          {&M::dbed_DRJ_Korob, "dbed_DRJ_Korob", "№ Короба", "Korob", 3, 0}},
         &M::im_Pic_Derj, "im_Pic_Derj", "Картинка (державка пластины)", &M::dbm_DRJ_Prim, "dbm_DRJ_Prim"},
        {&M::tbst_P_Plastinyi, "tbst_P_Plastinyi", "Пластины", &M::dbgr_Plastinyi, "dbgr_Plastinyi",
         {{&M::spbt_PL_New, "spbt_PL_New"}, {&M::spbt_PL_Edit, "spbt_PL_Edit"}, {&M::spbt_PL_DEL, "spbt_PL_DEL"},
          {&M::spbt_PL_GiveToWork, "spbt_PL_GiveToWork"}, {&M::spbt_PL_Search, "spbt_PL_Search"},
          {&M::spbt_PL_Filtr, "spbt_PL_Filtr"}},
         &M::StaticText3, "StaticText3",
         {{&M::dbed_PL_K_vo_NEW, "dbed_PL_K_vo_NEW", "К-во новый", "@new", 0, 0},
          {&M::dbed_PL_K_vo_BU, "dbed_PL_K_vo_BU", "К-во БУ", "@bu", 1, 0},
          {&M::dbed_PL_K_vo_Dolg, "dbed_PL_K_vo_Dolg", "К-во долг", "@dolg", 2, 0},
          {&M::dbed_PL_Korob, "dbed_PL_Korob", "№ Короба", "Korob", 3, 0}},
         &M::im_Plastina, "im_Plastina", "Картинка (пластина)", &M::dbm_PL_Prim, "dbm_PL_Prim"},
    };
    return pages[page];
}

Tfrm_Main::Tfrm_Main(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frm_Main"));
    setWindowTitle(QStringLiteral("БД инструмента (Производство Ольмар)     ОТЛАДКА ПРОГРАММЫ"));
    resize(1248, 741);
    // Centred, and never larger than the screen (a 1024x768 one included).
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        QRect r(QPoint(0, 0), QSize(1248, 741).boundedTo(avail.size()));
        r.moveCenter(avail.center());
        resize(r.size());
        move(r.topLeft());
    }
    buildPages();
    buildMenus();
    buildStatusBar();
    ConnectSearchCommands();
    ConnectHistoryCommands();
    ConnectReportCommands();
    ConnectGiveToWork();
    ConnectStockCommands();
    ConnectRecordCommands();
    ConnectDebtsCommands();
    buildLimits();
    ConnectBackupCommands();
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
    const ToolKind kind = ToolKind(page);
    const ToolKindInfo& info = toolKind(kind);
    const QString prefix = QString::fromLatin1(info.prefix);

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
        m_bindings.append({e, info.catalogue, paramField(kind, p.field)});
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
    m_bindings.append({memo, info.catalogue, "Prim"});
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

    QGroupBox* params = group(w, "GroupBox15", "Параметры");
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
    const P ps[] = {{&Tfrm_Main::DBEdit17, "DBEdit17", "№ п.п.", "Nomer_Zap", 0, 0, 90},
                    {&Tfrm_Main::DBEdit21, "DBEdit21", "Что брал", "Tabl_Name", 1, 0, 230},
                    {&Tfrm_Main::DBEdit22, "DBEdit22", "Код инструмента", "KoD", 2, 0, 230},
                    {&Tfrm_Main::DBEdit20, "DBEdit20", "ФИО оператора (кто брал)", "FIO", 3, 0, 230},
                    {&Tfrm_Main::DBEdit19, "DBEdit19", "Дата когда брал", "Date", 0, 1, 130},
                    {&Tfrm_Main::DBEdit18, "DBEdit18", "К-во инструмента", "K_vo", 1, 1, 90}};
    for (const P& p : ps) {
        DBEdit* e = detailBox(params, p.name);
        // The long texts give way on a small screen (1024 pixels wide).
        if (p.width > 200) {
            e->setMinimumWidth(150);
            e->setMaximumWidth(p.width);
            e->setSizePolicy(QSizePolicy::Expanding, e->sizePolicy().verticalPolicy());
        } else {
            e->setFixedWidth(p.width);
        }
        this->*p.member = e;
        m_bindings.append({e, "dtset_DolgiSQL", p.field});
        auto* label = new QLabel(QString::fromUtf8(p.label), params);
        label->setBuddy(e);
        pl->addWidget(label, p.row, p.col * 2, Qt::AlignRight);
        pl->addWidget(e, p.row, p.col * 2 + 1, p.width > 200 ? Qt::Alignment() : Qt::AlignLeft);
    }
    pl->setColumnStretch(1, 1);
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

    QGroupBox* instr = group(w, "gb_Dolg_Picture", "Картинка (сверло)");
    auto* il = new QVBoxLayout(instr);
    il->setContentsMargins(4, 4, 4, 4);
    im_PicDolg_Instr = new ImageBox(instr);
    im_PicDolg_Instr->setObjectName(QStringLiteral("im_PicDolg_Instr"));
    il->addWidget(im_PicDolg_Instr);
    // The pictures give way too: the whole page fits a 1024x768 screen.
    instr->setMinimumWidth(170);
    instr->setMaximumWidth(280);

    QGroupBox* foto = group(w, "gb_Dolg_Foto", "Фото оператора");
    auto* fl = new QVBoxLayout(foto);
    fl->setContentsMargins(4, 4, 4, 4);
    im_PicDolg_Operator = new ImageBox(foto);
    im_PicDolg_Operator->setObjectName(QStringLiteral("im_PicDolg_Operator"));
    fl->addWidget(im_PicDolg_Operator);
    foto->setMinimumWidth(140);
    foto->setMaximumWidth(220);

    auto* details = new QHBoxLayout;
    details->addWidget(params, 1);
    details->addWidget(instr, 1);
    details->addWidget(foto, 1);

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
    mm_Export_ALL = menuItem(mm_Change_Pasw, "mm_Export_ALL", "Все в EXCELL", true);
    mm_Export_Activ_Page = menuItem(mm_Change_Pasw, "mm_Export_Activ_Page", "Текущая страница в EXCELL", true);

    QMenu* help = MainMenu1->addMenu(QStringLiteral("Справка"));
    help->setObjectName(QStringLiteral("mm_Help"));
    mm_About = menuItem(help, "mm_About", "О программе", true);

    connect(mm_Pasw, &QAction::triggered, this, &Tfrm_Main::mm_PaswClick);
    connect(mm_Exit, &QAction::triggered, this, &Tfrm_Main::mm_ExitClick);
    connect(mm_Tabl_People, &QAction::triggered, this, &Tfrm_Main::mm_Tabl_PeopleClick);
    connect(mm_Tabl_Firm, &QAction::triggered, this, &Tfrm_Main::mm_Tabl_FirmClick);
    connect(mm_About, &QAction::triggered, this, &Tfrm_Main::mm_AboutClick);
    connect(mm_Export_ALL, &QAction::triggered, this, &Tfrm_Main::mm_Export_ALLClick);
    connect(mm_Export_Activ_Page, &QAction::triggered, this, &Tfrm_Main::mm_Export_Activ_PageClick);

    // Context menus of the catalogue grids: the same commands in the same
    // places, the drills menu naming its tool; the item names as each page has them.
    struct C {
        QMenu* Tfrm_Main::* member;
        const char* name;
        const char* items[11];   // in the order of CatalogueMenu
    };
    static const C menus[ToolKindCount] = {
        {&Tfrm_Main::pm_Sverla, "pm_Sverla",
         {"pmSV_Edit", "pmSV_Add", "pmSV_Del", "pmSV_Prihod", "mmSV_per_BU", "pm_SV_Spisat", "pmSV_Give_to_Work",
          "pmSV_ViewDolgi", "pm_SV_View_Prih_Hist", "pm_SV_View_Spisanie_Hist", "pm_SV_View_Dolg_Hist"}},
        {&Tfrm_Main::pm_Frezy, "pm_Frezy",
         {"pm_FR_Edit", "pm_FR_Add", "pm_FR_Del", "pm_FR_Prihod", "mmFR_per_BU", "pm_FR_Spisat", "pm_FR_GiveToWork",
          "pm_FR_Posm_Komu_Vidan", "pm_FR_View_Prih_Hist", "pm_FR_View_Spisanie_Hist", "N20"}},
        {&Tfrm_Main::pm_Derj, "pm_Derj",
         {"pm_DRJ_Edit", "pm_DRJ_Add", "pm_DRJ_Del", "pm_DRJ_Prihod", "mmDRJ_per_BU", "pm_DRJ_Spisat",
          "pm_DRJ_GiveToWork", "pm_DRJ_Posm_Komu_Vidan", "pm_DRJ_Posm_Prih_Hist", "pm_DRJ_Posm_Spis_Hist", "N26"}},
        {&Tfrm_Main::pm_Plastini, "pm_Plastini",
         {"pm_PL_Edit", "pm_PL_Add", "pm_PL_Del", "pm_PL_Prihod", "mmPL_per_BU", "pm_PL_Spisat", "pm_PL_GiveToWork",
          "pm_PL_Posm_Komu_Vidan", "pm_PL_Posm_Prih_Hist", "pm_PL_Posm_Spis_Hist", "N28"}},
    };
    for (ToolKind kind : allToolKinds()) {
        const C& c = menus[pageOf(kind)];
        const bool drills = kind == ToolKind::Sverla;
        auto* m = new QMenu(this);
        m->setObjectName(QString::fromLatin1(c.name));
        this->*c.member = m;
        CatalogueMenu& a = m_catalogueMenus[size_t(pageOf(kind))];
        a.edit = menuItem(m, c.items[0], "Редактировать запись", false);
        a.add = menuItem(m, c.items[1], "Добавить запись", false);
        a.del = menuItem(m, c.items[2], "Удалить запись", false);
        m->addSeparator();
        a.prihod = menuItem(m, c.items[3], "Приход инструмента", false);
        a.perBU = menuItem(m, c.items[4], "Перенос в БУ", false);
        a.spisat = menuItem(m, c.items[5], "Списать инструмент", false);
        m->addSeparator();
        a.giveToWork = menuItem(m, c.items[6], drills ? "Отдать сверло в работу" : "Отдать в работу", false);
        m->addSeparator();
        a.viewDolgi = menuItem(m, c.items[7], drills ? "Посмотреть кому выдан инструмент" : "Посмотреть кому выдан", false);
        m->addSeparator();
        QMenu* hist = m->addMenu(QStringLiteral("Посмотреть историю"));
        hist->setObjectName(QStringLiteral("pm_%1_History").arg(QString::fromLatin1(toolKind(kind).prefix)));
        a.histPrihod = menuItem(hist, c.items[8], "прихода инструмента", false);
        a.histSpisanie = menuItem(hist, c.items[9], "списания инструмента", false);
        a.histDolgi = menuItem(hist, c.items[10], "долгов", false);
    }
    pm_Dolgi = new QMenu(this);
    pm_Dolgi->setObjectName(QStringLiteral("pm_Dolgi"));
    pm_Dolgi_Return = menuItem(pm_Dolgi, "pm_Dolgi_Return", "Вернуть инструмент в БД", false);
    pm_Dolgi->addSeparator();
    pm_ViewInstr = menuItem(pm_Dolgi, "pm_ViewInstr", "Посмотреть инструмент", false);

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
    for (ToolKind k : allToolKinds()) {
        pageGrid(pageOf(k))->setRecordSet(&catalogueOf(*DM, k));
        DM->registerPictureTarget(toolKind(k).pictureTarget, pagePicture(k));
    }
    dbgrid_Dolgi->setRecordSet(&DM->dtset_DolgiSQL);

    DM->registerPictureTarget(TDM::TargetDolgInstr, im_PicDolg_Instr);
    DM->registerPictureTarget(TDM::TargetDolgOperator, im_PicDolg_Operator);
    connect(DM, &TDM::stockAlert, this, &Tfrm_Main::DMStockAlert);
    connect(DM, &TDM::dolgTypeChanged, this, &Tfrm_Main::DMDolgTypeChanged);

    // The record sets were opened with the data module, before this window
    // could follow them: show what their current rows need.
    DM->FollowCurrentRows();
    ConnectLimits();

    auto* follow = new QTimer(this);
    follow->setObjectName(QStringLiteral("tmr_FollowOtherCopies"));
    connect(follow, &QTimer::timeout, this, &Tfrm_Main::FollowOtherCopies);
    follow->start(followIntervalMs);
}

void Tfrm_Main::FollowOtherCopies()
{
    // Never under a person's hands: a dialog open, a row being edited, the
    // window hidden behind a list window; nor in the middle of a command's
    // own transaction (its wait for another's lock keeps the windows painted,
    // and so lets this timer run).
    if (!followOthers || !DM || !isVisible() || Dialogs::anyOpen() || QApplication::activeModalWidget()
        || QApplication::activePopupWidget() || DM->ADOConnection1.inTransaction())
        return;
    RecordSet* rs = pageRecordSet(PageControl_Main->currentIndex());
    if (!rs || !rs->isOpen() || rs->state() != RecordSet::State::Browse)
        return;
    try {
        if (!DM->ADOConnection1.othersWroteSince(rs->readState()))
            return;
        rs->reread();
    } catch (const DbError&) {
        // A busy or unreachable database is told when the person acts; the
        // next look tries again.
        return;
    }
    UpdateRecordCount();
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
    const std::optional<ToolKind> kind = toolKindByPage(page);
    if (!kind)
        return;
    const CatalogueSpec& s = catalogueSpec(page);
    for (const CatalogueSpec::Param& p : s.params) {
        const char* f = paramField(*kind, p.field);
        if (f == toolKind(*kind).newField)
            setCountBoxRed(this->*p.member, newBelowOne);
        else if (f == toolKind(*kind).buField)
            setCountBoxRed(this->*p.member, buBelowOne);
    }
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
    if (const std::optional<ToolKind> k = toolKindByPage(page))
        return &catalogueOf(*DM, *k);
    return page == PageDolgi ? &DM->dtset_DolgiSQL : nullptr;
}

ImageBox* Tfrm_Main::pagePicture(ToolKind kind) const
{
    return this->*catalogueSpec(pageOf(kind)).picture;
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
    UpdateBelowMinimum();
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
    FollowOtherCopies();
}

void Tfrm_Main::mm_ExitClick()
{
    close();
}
