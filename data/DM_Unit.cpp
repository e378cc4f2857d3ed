#include "DM_Unit.h"

#include "PictureFile.h"
#include "ToolKind.h"

#include "DbError.h"
#include "HistoryList.h"
#include "Operations.h"
#include "ProgramFolder.h"
#include "Schema.h"

#include <QFileInfo>

TDM* DM = nullptr;

namespace {

QString lines(std::initializer_list<const char*> ls)
{
    QStringList out;
    for (const char* l : ls)
        out << QString::fromUtf8(l);
    return out.join(QStringLiteral("\r\n"));
}

QList<FieldDef> sverlaFields()
{
    return {hidden(fInt("ID")),
            fText("Type", 200, "Тип сверла", 25),
            fText("Kod", 150, "КОД", 20),
            fFloat("Diam_Sverla", "Диам. св.", 10),
            fFloat("Diam_Hvost", "Диам. хвост.", 10),
            fInt("L_Instr", "Длина инстр.", 12),
            fInt("L_reza", "Длина реж.ч.", 12),
            fInt("K_vo_New", "К-во новый", 10),
            fInt("K_vo_BU", "К-во БУ", 10),
            fInt("K_vo_Dolg", "В долгу", 10),
            hidden(fInt("K_vo_Vozvrat")),
            hidden(fText("Pikcher", 250)),
            hidden(fMemo("Prim")),
            fText("Name", 250, "Фирма", 20),
            hidden(fInt("ID_Firma")),
            hidden(fInt("N_zub")),
            fText("Korob", 100, "№ короба", 25)};
}

QList<FieldDef> frezyFields()
{
    return {hidden(fInt("ID")),
            fText("Type", 200, "Тип инстр.", 35),
            fText("Kod", 250, "КОД", 30),
            fFloat("Diam_Frez", "Диам. фрез.", 10),
            fFloat("Diam_Hvost", "Диам. хвост."),
            fFloat("L_Reza", "Длина реза"),
            fFloat("L_Instr", "Длина инстр."),
            fFloat("L_Sheiki", "Длина шейки", 12),
            fFloat("N_zub", "Число зуб."),
            fText("R_FAS_instr", 50, "Радиус/Фаска", 10),
            fInt("K_vo_New", "К-во нов.", 10),
            fInt("K_vo_BU", "К-во БУ", 10),
            fInt("K_vo_DOLG", "К-во долг", 10),
            hidden(fInt("K_vo_Vozvrat")),
            hidden(fText("Pikcher", 250)),
            hidden(fMemo("Prim")),
            fText("Name", 250, "Фирма", 12),
            hidden(fInt("ID_Firma")),
            fText("Korob", 100, "№ Короба", 144)};
}

QList<FieldDef> derjFields()
{
    return {hidden(fInt("ID")),
            fText("Derj_Name", 250, "Наименование", 63),
            fText("Kod", 250, "КОД", 27),
            fInt("K_vo_NEW", "К-во нов.", 15),
            fInt("K_vo_BU", "К-во БУ", 12),
            fInt("K_vo_Dolg", "К-во долг", 12),
            hidden(fInt("K_vo_Vozvrat")),
            hidden(fInt("ID_Firma")),
            hidden(fText("Pikcher", 250)),
            hidden(fMemo("Prim")),
            fText("Name", 250, "Фирма", 20),
            fText("Korob", 100, "Короб", 120)};
}

QList<FieldDef> plastinyFields()
{
    return {hidden(fInt("ID")),
            fText("Naimenovanie", 250, "Наименование", 35),
            fText("Kod", 150, "КОД", 35),
            fInt("K_vo_NEW", "К-во нов.", 15),
            fInt("K_vo_BU", "К-во БУ", 13),
            fInt("K_vo_Dolg", "К-во в долгу", 24),
            hidden(fInt("K_vo_Vozvrat")),
            hidden(fInt("ID_Firma")),
            hidden(fText("Pikcher", 250)),
            hidden(fMemo("Prim")),
            fText("Name", 250, "Фирма", 23),
            fText("Korob", 100, "Короб", 33)};
}

QList<FieldDef> dolgiFields()
{
    return {hidden(fInt("ID")),
            fInt("Nomer_Zap", "№ п.п."),
            fText("Tabl_Name", 255, "Что брал", 20),
            fText("KoD", 250, "Код инструмента", 30),
            fDate("Date", "Дата (когда брал)"),
            fText("FIO", 250, "ФИО оператора", 30),
            fInt("K_vo", "К-во инстр."),
            fBool("Instr_is_BU", "Тип инстр."),
            hidden(fText("FIO_AdminBD", 150, "ФИО кто внес запись")),
            hidden(fText("Foto", 250)),
            hidden(fText("Pikcher", 250)),
            hidden(fInt("ID_Tabl")),
            hidden(fInt("ID_Instr")),
            hidden(fInt("ID_People"))};
}

QList<FieldDef> prihodHistFields()
{
    return {hidden(fInt("ID")),
            fText("Tabl_Name", 255, "Тип инстр.", 30),
            hidden(fInt("ID_Instr")),
            hidden(fInt("ID_Tabl")),
            fText("KOD", 250, "КОД инстр.", 36),
            fDate("Date", "Дата прихода", 22),
            fInt("K_vo", "К-во", 12),
            fBool("Instr_is_BU", "Этот инстр. БУ", 22),
            fText("FIO_AdminBD", 250, "ФИО кто внес запись", 30)};
}

QList<FieldDef> spisanieHistFields()
{
    return {hidden(fInt("ID")),
            fText("Tabl_Name", 255, "Тип инструмента", 30),
            hidden(fInt("ID_Instr")),
            hidden(fInt("ID_Tabl")),
            fText("KOD", 250, "КОД инстр.", 30),
            fDate("Date", "Дата"),
            fInt("K_vo", "К-во"),
            fBool("Instr_is_BU", "Этот инстр. БУ"),
            fText("FIO_AdminBD", 250, "ФИО Админ. БД", 30)};
}

QList<FieldDef> dolgiHistoryFields()
{
    return {hidden(fInt("ID")),
            fInt("Nomer_Zap", "№ Записи"),
            fText("KoD", 255, "Код инстр", 30),
            fText("Tabl_Name", 255, "Тип инстр", 30),
            fDate("Date_Start", "Дата взял"),
            fDate("Date_Fin", "Дата отдал"),
            fFloat("DayInWrk", "Дней работал"),
            fText("FIO", 255, "ФИО оператора", 50),
            fInt("K_vo_Instr_Bral", "Всего брал"),
            fInt("K_vo_Vernul_ALL", "Всего вернул"),
            fBool("Instr_BU", "Новый или нет"),
            fInt("K_vo_Instr_Vernul_New", "Вернул новый"),
            fInt("K_vo_Instr_Vernul_BU", "Вернул БУ"),
            hidden(fInt("K_vo_Instr_Spisano", "Списано")),
            fText("FIO_AdminBD_Add", 255, "ФИО внес запись", 50),
            fText("FIO_AdminBD_DEL", 255, "ФИО удалил запись", 50),
            fText("Type", 255, "Описание"),
            hidden(fInt("ID_Instr")),
            hidden(fInt("ID_Tabl"))};
}

QList<FieldDef> withLabels(QList<FieldDef> fields, const QHash<QString, FieldDef>& shown)
{
    for (FieldDef& f : fields) {
        const auto it = shown.find(f.name);
        if (it != shown.end()) {
            f.label = it->label;
            f.width = it->width;
            f.visible = it->visible;
        } else {
            f.visible = false;
        }
    }
    return fields;
}

QString lookupSql(const char* column, const char* table, const char* orderLine)
{
    return QStringLiteral("SELECT DISTINCT %1\r\nFROM %2\r\n%3")
        .arg(QString::fromLatin1(column), QString::fromLatin1(table), QString::fromUtf8(orderLine));
}

QList<FieldDef> lookupFields(const char* column, int size)
{
    return {fText(QString::fromLatin1(column), size)};
}

} // namespace

QString TDM::sverlaSql()
{
    return lines({"SELECT S.ID, S.Kod, S.Diam_Sverla, S.Diam_Hvost, S.L_Instr, S.L_reza,  S.N_zub, S.K_vo_BU, "
                  "S.K_vo_New, S.K_vo_Dolg, S.K_vo_Vozvrat, S.Pikcher, S.Prim, F.Name, S.ID_Firma, S.Korob, S.Type",
                  "FROM Sverla S, Firma F", "WHERE S.ID_Firma=F.ID", "ORDER BY S.Diam_Sverla;"});
}

QString TDM::frezySql()
{
    return lines({"SELECT Fz.ID,   Fz.Kod,  Fz.Diam_Frez,   Fz.L_Reza,  Fz.Diam_Hvost,   Fz.L_Instr,Fz.L_Sheiki, "
                  "Fz.N_zub,  Fz.K_vo_New, Fz.K_vo_BU, Fz.K_vo_DOLG, Fz.K_vo_Vozvrat,  Fz.Pikcher, FZ.Prim, F.Name, "
                  "Fz.ID_Firma, Fz.Type, Fz.R_FAS_instr, Fz.Korob",
                  "FROM Frezy Fz, Firma F", "WHERE Fz.ID_Firma=F.ID", "ORDER BY Fz.Diam_Frez;"});
}

QString TDM::derjSql()
{
    return lines({"SELECT D.ID,  D.Name as Derj_Name, D.Kod, D.K_vo_NEW,  D.K_vo_BU,D.K_vo_Dolg,  D.K_vo_Vozvrat,  "
                  "D.ID_Firma, D.Pikcher, D.Prim,F.Name, D.Korob",
                  "FROM Derj_Plast D, Firma F", "WHERE D.ID_Firma=F.ID", "ORDER BY D.KOD;"});
}

QString TDM::plastinySql()
{
    return lines({"SELECT P.ID,  P.Naimenovanie, P.Kod, P.K_vo_NEW,  P.K_vo_BU, P.K_vo_Vozvrat,  P.ID_Firma, "
                  "P.Pikcher, P.Prim,F.Name, P.K_vo_Dolg, P.Korob",
                  "FROM Plastinyi  P, Firma F", "WHERE P.ID_Firma=F.ID", "ORDER BY P.KOD;"});
}

QString TDM::dolgiSql()
{
    QStringList out;
    for (int i = 0; i < ToolKindCount; ++i) {
        const ToolKindInfo& k = toolKind(toolKindsByCode()[size_t(i)]);
        const QString a = QString::fromLatin1(k.debtsAlias);
        out << QStringLiteral("SELECT D.ID, D.Nomer_Zap, %1.KoD, D.ID_Tabl,  LT.Tabl_Name,  D.Date, PL.FIO, D.K_vo, "
                              "D.Instr_is_BU, D.FIO_AdminBD, PL.Foto, %1.Pikcher,D.ID_Instr, D.ID_People")
                   .arg(a);
        out << QStringLiteral("FROM Dolgi AS D, %1 AS %2, People AS PL, List_Tabl AS LT")
                   .arg(QString::fromLatin1(k.table), a);
        QString where = QStringLiteral("WHERE (D.ID_Instr=%1.ID And D.ID_Tabl=%2 AND D.ID_People=PL.ID AND D.ID_Tabl=LT.ID )")
                            .arg(a)
                            .arg(k.code);
        // UNION ALL ordered by ID where the design says UNION: each branch
        // reads debts of its own kind, so there are no duplicates to remove,
        // and UNION's order was that of the first column, the debt's ID.
        if (i < 3)
            out << where << QStringLiteral("UNION ALL ");
        else
            out << where << QStringLiteral("ORDER BY 1;");
    }
    return out.join(QStringLiteral("\r\n"));
}

QString TDM::historySql(const QString& historyTable)
{
    QStringList out;
    for (int i = 0; i < ToolKindCount; ++i) {
        const ToolKindInfo& k = toolKind(toolKindsByCode()[size_t(i)]);
        const QString a = QString::fromLatin1(k.historyAlias);
        // UNION ALL where the design says UNION: every row carries its own
        // history ID, so there is nothing to remove as a duplicate, and the
        // engine is spared comparing whole rows. Ordering ties by ID keeps
        // the order UNION gave (rows of one day in the order they were written).
        out << (i == 0 ? QStringLiteral("SELECT  ") : QStringLiteral("UNION ALL SELECT  "))
                + QStringLiteral("P.ID, LT.Tabl_Name, P.ID_Tabl, P.ID_Instr, %1.KOD, P.Date, P.K_vo, P.Instr_is_BU, "
                                 "P.FIO_AdminBD")
                      .arg(a);
        out << QStringLiteral("FROM %1 AS P, %2 AS %3, List_Tabl AS LT")
                   .arg(historyTable, QString::fromLatin1(k.table), a);
        out << QStringLiteral("WHERE (P.ID_Instr=%1.ID And P.ID_Tabl=%2 And  P.ID_Tabl=LT.ID)").arg(a).arg(k.code);
    }
    out << QStringLiteral("ORDER BY P.Date, P.ID;");
    return out.join(QStringLiteral("\r\n"));
}

TDM::TDM(const QString& databasePath, QObject* parent)
    : QObject(parent),
      dtSet_Sverla(&ADOConnection1, "dtSet_Sverla", RecordSet::Kind::Query, sverlaSql(), sverlaFields(), this),
      dtSet_Frezy(&ADOConnection1, "dtSet_Frezy", RecordSet::Kind::Query, frezySql(), frezyFields(), this),
      dtSet_Derj_PL(&ADOConnection1, "dtSet_Derj_PL", RecordSet::Kind::Query, derjSql(), derjFields(), this),
      dtSet_Plastiny(&ADOConnection1, "dtSet_Plastiny", RecordSet::Kind::Query, plastinySql(), plastinyFields(), this),
      dtset_DolgiSQL(&ADOConnection1, "dtset_DolgiSQL", RecordSet::Kind::Query, dolgiSql(), dolgiFields(), this),
      dtSet_Prihod_Hist(&ADOConnection1, "dtSet_Prihod_Hist", RecordSet::Kind::Query,
                        historySql(QStringLiteral("Prihod_History")), prihodHistFields(), this),
      dtSet_Spisanie_Hist(&ADOConnection1, "dtSet_Spisanie_Hist", RecordSet::Kind::Query,
                          historySql(QStringLiteral("Spisanie_History")), spisanieHistFields(), this),
      tbl_Sverla(&ADOConnection1, "tbl_Sverla", RecordSet::Kind::Table, "Sverla", tableFields("Sverla"), this),
      tbl_Frezy(&ADOConnection1, "tbl_Frezy", RecordSet::Kind::Table, "Frezy",
                tableFields("Frezy", {"L_Sheiki", "N_zub"}), this),
      tbl_Derj_PL(&ADOConnection1, "tbl_Derj_PL", RecordSet::Kind::Table, "Derj_Plast",
                  tableFields("Derj_Plast", {"Korob"}), this),
      tbl_Plastiny(&ADOConnection1, "tbl_Plastiny", RecordSet::Kind::Table, "Plastinyi",
                   tableFields("Plastinyi", {"Korob"}), this),
      tbl_Firma(&ADOConnection1, "tbl_Firma", RecordSet::Kind::Table, "Firma",
                withLabels(tableFields("Firma"), {{"Name", fText("Name", 250, "Название фирмы", 50)}}), this),
      tbl_People(&ADOConnection1, "tbl_People", RecordSet::Kind::Table, "People",
                 withLabels(tableFields("People"), {{"FIO", fText("FIO", 250, "ФИО оператора", 60)}}), this),
      tbl_Dolgi(&ADOConnection1, "tbl_Dolgi", RecordSet::Kind::Table, "Dolgi", tableFields("Dolgi"), this),
      tbl_Dolgi_History(&ADOConnection1, "tbl_Dolgi_History", RecordSet::Kind::Table, "Dolgi_History",
                        tableFields("Dolgi_History"), this),
      tbl_Prihod_Hist(&ADOConnection1, "tbl_Prihod_Hist", RecordSet::Kind::Table, "Prihod_History",
                      tableFields("Prihod_History"), this),
      tbl_Spisanie_Hist(&ADOConnection1, "tbl_Spisanie_Hist", RecordSet::Kind::Table, "Spisanie_History",
                        tableFields("Spisanie_History"), this),
      tbl_Pasw(&ADOConnection1, "tbl_Pasw", RecordSet::Kind::Table, "Pasw_TBL",
               withLabels(tableFields("Pasw_TBL"),
                          {{"Login", fText("Login", 50, "Логин", 20)},
                           {"Pasword", fText("Pasword", 50, "Пароль", 12)},
                           {"Default", fBool("Default", "Уст. по умолчанию")}}),
               this),
      tbl_Support(&ADOConnection1, "tbl_Support", RecordSet::Kind::Table, "Support", tableFields("Support"), this),
      tbl_Max_Namb_Of_Dolgi(&ADOConnection1, "tbl_Max_Namb_Of_Dolgi", RecordSet::Kind::Table, "MaxNOfDolgi",
                            {fInt("Expr1000")}, this),
      stpr_SQL_Dolgi_History(&ADOConnection1, "stpr_SQL_Dolgi_History", RecordSet::Kind::StoredQuery,
                             "SQL_Dolgi_History", dolgiHistoryFields(), this),
      qr_SV_Type(&ADOConnection1, "qr_SV_Type", RecordSet::Kind::Query, lookupSql("Type", "Sverla", "ORDER BY ( Type);"),
                 lookupFields("Type", 200), this),
      qr_SV_Korob(&ADOConnection1, "qr_SV_Korob", RecordSet::Kind::Query,
                  lookupSql("Korob", "Sverla", "ORDER BY ( Korob);"), lookupFields("Korob", 100), this),
      qr_FR_Type(&ADOConnection1, "qr_FR_Type", RecordSet::Kind::Query, lookupSql("Type", "Frezy", "ORDER BY ( Type);"),
                 lookupFields("Type", 200), this),
      qr_FR_Korob(&ADOConnection1, "qr_FR_Korob", RecordSet::Kind::Query,
                  lookupSql("Korob", "Frezy", "ORDER BY ( Korob);"), lookupFields("Korob", 100), this),
      qr_FR_RF_instr(&ADOConnection1, "qr_FR_RF_instr", RecordSet::Kind::Query,
                     lookupSql("R_FAS_instr", "Frezy", "ORDER BY ( R_FAS_instr);"), lookupFields("R_FAS_instr", 50),
                     this),
      qr_PL_Naim(&ADOConnection1, "qr_PL_Naim", RecordSet::Kind::Query,
                 lookupSql("Naimenovanie", "Plastinyi", "ORDER BY ( Naimenovanie);"),
                 lookupFields("Naimenovanie", 250), this),
      qr_PL_Korob(&ADOConnection1, "qr_PL_Korob", RecordSet::Kind::Query,
                  lookupSql("Korob", "Plastinyi", "ORDER BY ( Korob);"), lookupFields("Korob", 100), this),
      qr_DRJ_Naim(&ADOConnection1, "qr_DRJ_Naim", RecordSet::Kind::Query,
                  lookupSql("Name", "Derj_Plast", "ORDER BY ( Name);"), lookupFields("Name", 250), this),
      qr_DRJ_Korob(&ADOConnection1, "qr_DRJ_Korob", RecordSet::Kind::Query,
                   lookupSql("Korob", "Derj_Plast", "ORDER BY (Korob);"), lookupFields("Korob", 100), this)
{
    setObjectName(QStringLiteral("DM"));
    connect(&dtSet_Sverla, &RecordSet::afterScroll, this, &TDM::dtSet_SverlaAfterScroll);
    connect(&dtSet_Frezy, &RecordSet::afterScroll, this, &TDM::dtSet_FrezyAfterScroll);
    connect(&dtSet_Derj_PL, &RecordSet::afterScroll, this, &TDM::dtSet_Derj_PLAfterScroll);
    connect(&dtSet_Plastiny, &RecordSet::afterScroll, this, &TDM::dtSet_PlastinyAfterScroll);
    connect(&dtset_DolgiSQL, &RecordSet::afterScroll, this, &TDM::dtset_DolgiSQLAfterScroll);
    connect(&tbl_People, &RecordSet::afterScroll, this, &TDM::tbl_PeopleAfterScroll);
    // The counts shown in red change with a posted row, not only with a move.
    connect(&dtSet_Sverla, &RecordSet::rowChanged, this, &TDM::dtSet_SverlaAfterScroll);
    connect(&dtSet_Frezy, &RecordSet::rowChanged, this, &TDM::dtSet_FrezyAfterScroll);
    connect(&dtSet_Derj_PL, &RecordSet::rowChanged, this, &TDM::dtSet_Derj_PLAfterScroll);
    connect(&dtSet_Plastiny, &RecordSet::rowChanged, this, &TDM::dtSet_PlastinyAfterScroll);

    // The receipts and write-offs lists are read by one pass over their
    // history table, joined in memory: the same rows in the same order.
    for (auto [rs, table] :
         {std::pair{&dtSet_Prihod_Hist, "Prihod_History"}, std::pair{&dtSet_Spisanie_Hist, "Spisanie_History"}}) {
        const QString t = QString::fromLatin1(table);
        rs->setRowReader(rs->commandText(), [t](Connection& c, const QString& where, RowBuffer& out) {
            return readHistoryList(c, t, where, out);
        });
    }

    // The tables each record set reads: what an operation wrote tells which
    // lists must show the file again.
    QStringList tools;
    for (ToolKind k : allToolKinds())
        tools << QString::fromLatin1(toolKind(k).table);
    for (ToolKind k : allToolKinds())
        catalogueOf(*this, k).setSourceTables({QString::fromLatin1(toolKind(k).table), QStringLiteral("Firma")});
    dtset_DolgiSQL.setSourceTables(tools + QStringList{"Dolgi", "People", "List_Tabl"});
    dtSet_Prihod_Hist.setSourceTables(tools + QStringList{"Prihod_History", "List_Tabl"});
    dtSet_Spisanie_Hist.setSourceTables(tools + QStringList{"Spisanie_History", "List_Tabl"});
    stpr_SQL_Dolgi_History.setSourceTables(tools + QStringList{"Dolgi_History", "People", "List_Tabl"});
    tbl_Max_Namb_Of_Dolgi.setSourceTables({"Dolgi", "Dolgi_History"});
    for (RecordSet* rs : recordSets())
        if (rs->sourceTables().isEmpty() && rs->kind() == RecordSet::Kind::Table)
            rs->setSourceTables({rs->commandText()});
    for (auto [rs, table] : {std::pair{&qr_SV_Type, "Sverla"}, {&qr_SV_Korob, "Sverla"}, {&qr_FR_Type, "Frezy"},
                             {&qr_FR_Korob, "Frezy"}, {&qr_FR_RF_instr, "Frezy"}, {&qr_PL_Naim, "Plastinyi"},
                             {&qr_PL_Korob, "Plastinyi"}, {&qr_DRJ_Naim, "Derj_Plast"}, {&qr_DRJ_Korob, "Derj_Plast"}})
        rs->setSourceTables({QString::fromLatin1(table)});

    ADOConnection1.open(databasePath);
    DM = this;
    try {
        // A database made by an older version gets the tables added since,
        // before anything else is written.
        addMissingTables(ADOConnection1);
        for (RecordSet* rs : {&dtSet_Sverla, &dtSet_Frezy, &dtSet_Derj_PL, &dtSet_Plastiny, &dtset_DolgiSQL,
                              &tbl_Firma, &tbl_Support})
            rs->open();
    } catch (...) {
        DM = nullptr;
        ADOConnection1.close();
        throw;
    }
}

TDM::~TDM()
{
    if (DM == this)
        DM = nullptr;
    for (RecordSet* rs : recordSets())
        rs->blockSignals(true);
    ADOConnection1.close();
}

QList<RecordSet*> TDM::recordSets()
{
    return {&dtSet_Sverla,      &dtSet_Frezy,         &dtSet_Derj_PL,          &dtSet_Plastiny,    &dtset_DolgiSQL,
            &dtSet_Prihod_Hist, &dtSet_Spisanie_Hist, &tbl_Sverla,             &tbl_Frezy,         &tbl_Derj_PL,
            &tbl_Plastiny,      &tbl_Firma,           &tbl_People,             &tbl_Dolgi,         &tbl_Dolgi_History,
            &tbl_Prihod_Hist,   &tbl_Spisanie_Hist,   &tbl_Pasw,               &tbl_Support,       &tbl_Max_Namb_Of_Dolgi,
            &stpr_SQL_Dolgi_History, &qr_SV_Type,     &qr_SV_Korob,            &qr_FR_Type,        &qr_FR_Korob,
            &qr_FR_RF_instr,    &qr_PL_Naim,          &qr_PL_Korob,            &qr_DRJ_Naim,       &qr_DRJ_Korob};
}

RecordSet* TDM::recordSet(const QString& name)
{
    for (RecordSet* rs : recordSets())
        if (rs->name().compare(name, Qt::CaseInsensitive) == 0)
            return rs;
    return nullptr;
}

RecordSet* TDM::dataSource(const QString& dtsrName)
{
    static const QHash<QString, QString> map = {
        {"dtsr_sverla", "dtSet_Sverla"},     {"dtsr_frezy", "dtSet_Frezy"},
        {"dtsr_derj_pl", "dtSet_Derj_PL"},   {"dtsr_plastiny", "dtSet_Plastiny"},
        {"dtsr_dolgisql", "dtset_DolgiSQL"}, {"dtsr_dolgitbl", "tbl_Dolgi"},
        {"dtsr_dolgi_history", "stpr_SQL_Dolgi_History"}, {"dtsr_prihod_hist", "dtSet_Prihod_Hist"},
        {"dtsr_spisanie_hist", "dtSet_Spisanie_Hist"},    {"dtsr_firma", "tbl_Firma"},
        {"dtsr_people", "tbl_People"},       {"dtsr_pasw", "tbl_Pasw"}};
    const auto it = map.find(dtsrName.toLower());
    return it == map.end() ? nullptr : recordSet(*it);
}

void TDM::registerPictureTarget(int target, PictureTarget* control)
{
    if (target >= 1 && target <= 7)
        m_targets[size_t(target)] = control;
}

void TDM::unregisterPictureTarget(PictureTarget* control)
{
    for (auto& t : m_targets)
        if (t == control)
            t = nullptr;
}

void TDM::LoadPicture(const QString& name, int target)
{
    if (target < 1 || target > 7)
        return;
    // Only a bare file name inside the picture folder is ever opened.
    const QString candidate = pictureFileIn(target > 5 ? peopleFolder() : instrumentFolder(), name);
    const QString placeholder = QFileInfo(noFotoFile()).isFile() ? noFotoFile() : QString();
    PictureTarget* control = m_targets[size_t(target)];
    // With no control to show it on, nothing is decoded: the header tells
    // whether the file would be shown. With one, it is decoded for its size.
    QImage img;
    auto usable = [&](const QString& path) {
        if (path.isEmpty())
            return false;
        if (!control)
            return readPictureHeader(path);
        img = decodePicture(path, control->pictureArea());
        return !img.isNull();
    };
    // A file that cannot be decoded is shown as a missing one would be.
    QString chosen;
    if (usable(candidate))
        chosen = candidate;
    else if (usable(placeholder))
        chosen = placeholder;
    m_shown[size_t(target)] = chosen;
    if (!control)
        return;
    if (chosen.isEmpty()) {
        control->setPictureSource(QString());
        control->hidePicture();
    } else {
        control->setPictureSource(chosen);
        control->showPicture(img);
    }
}

void TDM::catalogueAfterScroll(ToolKind kind)
{
    const ToolKindInfo& k = toolKind(kind);
    RecordSet& rs = catalogueOf(*this, kind);
    if (!rs.isOpen())
        return;
    LoadPicture(rs.fieldByName(QStringLiteral("Pikcher")).asString(), k.pictureTarget);
    emit stockAlert(pageOf(kind), rs.fieldByName(QString::fromLatin1(k.newField)).asInteger() < 1,
                    rs.fieldByName(QString::fromLatin1(k.buField)).asInteger() < 1);
}

void TDM::dtSet_SverlaAfterScroll() { catalogueAfterScroll(ToolKind::Sverla); }
void TDM::dtSet_FrezyAfterScroll() { catalogueAfterScroll(ToolKind::Frezy); }
void TDM::dtSet_Derj_PLAfterScroll() { catalogueAfterScroll(ToolKind::Derj); }
void TDM::dtSet_PlastinyAfterScroll() { catalogueAfterScroll(ToolKind::Plast); }

void TDM::dtset_DolgiSQLAfterScroll()
{
    if (!dtset_DolgiSQL.isOpen())
        return;
    LoadPicture(dtset_DolgiSQL.fieldByName(QStringLiteral("Pikcher")).asString(), TargetDolgInstr);
    LoadPicture(dtset_DolgiSQL.fieldByName(QStringLiteral("Foto")).asString(), TargetDolgOperator);
    emit dolgTypeChanged(dtset_DolgiSQL.fieldByName(QStringLiteral("Instr_is_BU")).asBoolean() ? QStringLiteral("БУ")
                                                                                               : QStringLiteral("НОВЫЙ"));
}

void TDM::tbl_PeopleAfterScroll()
{
    if (!tbl_People.isOpen())
        return;
    LoadPicture(tbl_People.fieldByName(QStringLiteral("Foto")).asString(), TargetPeople);
}

void TDM::FollowCurrentRows()
{
    dtSet_SverlaAfterScroll();
    dtSet_FrezyAfterScroll();
    dtSet_Derj_PLAfterScroll();
    dtSet_PlastinyAfterScroll();
    dtset_DolgiSQLAfterScroll();
    tbl_PeopleAfterScroll();
}

void TDM::Refresh(RecordSet& rs)
{
    const int id = rs.isOpen() && !rs.isEmpty() ? rs.fieldByName(QStringLiteral("ID")).asInteger() : 0;
    if (id <= 0)
        return;
    rs.close();
    rs.open();
    rs.locate(QStringLiteral("ID"), id);
}

void TDM::ShowChanges(const ops::Result& r, const QList<RecordSet*>& readByCaller)
{
    if (!r.stored())
        return;
    QString error;
    for (RecordSet* rs : recordSets()) {
        if (!rs->isOpen() || readByCaller.contains(rs))
            continue;
        const bool inStep = rs->readState() == r.before;
        QStringList reads = rs->sourceTables();
        if (r.changes.countsOnly && r.changes.kind && rs != &catalogueOf(*this, *r.changes.kind)
            && rs != &tableObjectOf(*this, *r.changes.kind))
            reads.removeAll(QString::fromLatin1(toolKind(*r.changes.kind).table));
        if (!r.changes.touches(reads)) {
            if (inStep)
                rs->setReadState(r.after);
            continue;
        }
        QList<int> ids;
        bool added = false;
        if (r.changes.kind && rs == &catalogueOf(*this, *r.changes.kind) && r.changes.toolId > 0) {
            ids << r.changes.toolId;
        } else if (rs == &dtset_DolgiSQL) {
            for (int id : {r.changes.debtAdded, r.changes.debtRemoved})
                if (id > 0)
                    ids << id;
            added = r.changes.debtAdded > 0;
            // Every row of the changed tool names it: its debts are read again too.
            if (r.changes.debtAdded == 0 && r.changes.debtRemoved == 0)
                ids.clear();
        }
        try {
            if (inStep && !ids.isEmpty()) {
                rs->refreshRows(ids, added);
                if (rs->readState() == r.after)
                    continue;   // nothing else wrote meanwhile
            }
            rs->reread();
        } catch (const DbError& e) {
            if (error.isEmpty())
                error = e.message();
        }
    }
    if (!error.isEmpty())
        throw DbError(error);
}

void TDM::ShowFile(ToolKind kind)
{
    QString error;
    for (RecordSet* rs : {&catalogueOf(*this, kind), &dtset_DolgiSQL}) {
        try {
            rs->reread();
        } catch (const DbError& e) {
            if (error.isEmpty())
                error = e.message();
        }
    }
    if (!error.isEmpty())
        throw DbError(error);
}
