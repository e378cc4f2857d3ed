#include "DM_Unit.h"
#include "DbError.h"
#include "TestSupport.h"

#include <QtTest>

class TestRecordSet : public QObject {
    Q_OBJECT
private slots:
    void smoke();
};

void TestRecordSet::smoke()
{
    TempDb db;
    {
        Connection c;
        c.open(db.path());
        const qint64 f = insertRow(c, "Firma", {{"Name", "Sandvik"}});
        for (int i = 0; i < 5; ++i)
            insertRow(c, "Sverla", {{"Kod", QString("K%1").arg(5 - i)}, {"Type", "Спиральное"}, {"Diam_Sverla", 1.5 + i},
                                    {"ID_Firma", f}, {"K_vo_New", i}, {"K_vo_BU", 0}, {"K_vo_Dolg", 0}});
        insertRow(c, "Prihod_History", {{"ID_Instr", 1}, {"ID_Tabl", 1}, {"Date", QDateTime::currentDateTime()}, {"K_vo", 3}});
    }
    TDM dm(db.path());
    QCOMPARE(dm.dtSet_Sverla.recordCount(), 5);
    QCOMPARE(dm.dtSet_Sverla.fieldByName("name").asString(), QString("Sandvik"));
    QVERIFY(!dm.dtSet_Sverla.isReadOnly());
    QCOMPARE(dm.dtSet_Sverla.baseTable().toLower(), QString("sverla"));
    dm.dtSet_Derj_PL.insert();
    dm.dtSet_Derj_PL.fieldByName("Derj_Name").setAsString("Держ");
    dm.dtSet_Derj_PL.fieldByName("ID_Firma").setAsInteger(1);
    dm.dtSet_Derj_PL.post();
    dm.dtSet_Derj_PL.close();
    dm.dtSet_Derj_PL.open();
    QCOMPARE(dm.dtSet_Derj_PL.fieldByName("Derj_Name").asString(), QString("Держ"));
    dm.dtSet_Prihod_Hist.open();
    QCOMPARE(dm.dtSet_Prihod_Hist.recordCount(), 1);
    dm.dtSet_Prihod_Hist.setFilter("(ID_Instr=1) AND (ID_Tabl=1)");
    dm.dtSet_Prihod_Hist.setFiltered(true);
    dm.dtSet_Prihod_Hist.close();
    dm.dtSet_Prihod_Hist.open();
    QCOMPARE(dm.dtSet_Prihod_Hist.recordCount(), 1);
    dm.stpr_SQL_Dolgi_History.open();
    dm.tbl_Max_Namb_Of_Dolgi.open();
    QCOMPARE(dm.tbl_Max_Namb_Of_Dolgi.fieldByName("Expr1000").asInteger(), 0);
    dm.dtSet_Sverla.setSort("Type,Diam_Sverla,KOD");
    QVERIFY(dm.dtSet_Sverla.locate("Kod", "K3"));
    dm.dtSet_Sverla.edit();
    dm.dtSet_Sverla.fieldByName("K_vo_BU").setAsInteger(7);
    dm.dtSet_Sverla.post();
    dm.RefreshSverla();
    QCOMPARE(dm.dtSet_Sverla.fieldByName("Kod").asString(), QString("K3"));
    QCOMPARE(dm.dtSet_Sverla.fieldByName("K_vo_BU").asInteger(), 7);
}

QTEST_MAIN(TestRecordSet)
#include "tst_recordset.moc"
