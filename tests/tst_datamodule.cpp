// The data module: which record sets it opens, that every one of them opens
// on a new database, what the grids are told about fields, the pictures that
// follow the current rows (with their fallbacks), the red-count and debt-type
// signals, and the catalogue refresh.
#include "Connection.h"
#include "DM_Unit.h"
#include "ToolKind.h"
#include "DbError.h"
#include "Picture.h"
#include "ProgramFolder.h"
#include "RecordSet.h"
#include "Schema.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QSignalSpy>
#include <QtTest>

namespace {

// An image control as a window lends it to the data module.
class TestTarget : public PictureTarget {
public:
    explicit TestTarget(QSize area = QSize(200, 150)) : m_area(area) {}
    QSize pictureArea() const override { return m_area; }
    void showPicture(const QImage& image) override
    {
        this->image = image;
        visible = true;
        ++shows;
    }
    void hidePicture() override
    {
        image = QImage();
        visible = false;
        ++hides;
    }
    QImage image;
    bool visible = false;
    int shows = 0;
    int hides = 0;

private:
    QSize m_area;
};

const char* const kInstrument = "Images/Instrument/";
const char* const kPeople = "Images/FotoPeoples/";
const char* const kNoFoto = "Images/NoFoto/";

// A program folder with the three picture folders, empty.
struct Folder {
    QTemporaryDir dir;
    Folder()
    {
        for (const char* f : {kInstrument, kPeople, kNoFoto})
            QDir(dir.path()).mkpath(QString::fromLatin1(f));
        setProgramFolder(dir.path());
    }
    QString path(const QString& rel) const { return dir.filePath(rel); }
};

bool writeImage(const QString& path, QSize size, QColor color, const char* format = nullptr, bool progressive = false)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(color);
    QImageWriter w(path, format);
    w.setQuality(90);
    if (progressive)
        w.setProgressiveScanWrite(true);
    return w.write(img);
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestDataModule : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { SKIP_WITHOUT_TEST_SERVER(); }
    void opensTheStartSetsOnly();
    void debtsListAsItsDesignedText();
    void everyRecordSetOpens_data();
    void everyRecordSetOpens();
    void gridFieldsOfDrillsAndDebts();
    void historiesListAsTheirDesignedText_data();
    void historiesListAsTheirDesignedText();
    void toolKindsMatchTheirRecordSets();

    void loadPictureFallbacks_data();
    void loadPictureFallbacks();
    void brokenPictureNeverCrashes_data();
    void brokenPictureNeverCrashes();
    void pictureNamesStayInTheirFolder_data();
    void pictureNamesStayInTheirFolder();
    void jpegDecodedNearShownSize_data();
    void jpegDecodedNearShownSize();

    void stockAlertFollowsRow_data();
    void stockAlertFollowsRow();
    void debtRowShowsTypeAndPictures();
    void operatorPhotoFollowsRow();

    void refreshKeepsRowAndFilterDropsSort();
    void refreshVanishedRowLeavesFirst();
    void refreshOnEmptySetDoesNothing_data();
    void refreshOnEmptySetDoesNothing();
};

// ---------------------------------------------------------------------------

void TestDataModule::opensTheStartSetsOnly()
{
    Folder folder;
    TempDb tmp;
    {
        TDM dm(tmp.path());
        QCOMPARE(DM, &dm);
        const QSet<QString> atStart = {"dtSet_Sverla", "dtSet_Frezy", "dtSet_Derj_PL", "dtSet_Plastiny",
                                       "dtset_DolgiSQL", "tbl_Firma",   "tbl_Support"};
        QSet<QString> open;
        for (RecordSet* rs : dm.recordSets())
            if (rs->isOpen())
                open << rs->name();
        QCOMPARE(open, atStart);
        QCOMPARE(dm.recordSets().size(), 30);
        QVERIFY(dm.ADOConnection1.isOpen());
        // The data sources name the record sets the windows show.
        QCOMPARE(dm.dataSource("dtsr_DolgiTBL"), &dm.tbl_Dolgi);
        QCOMPARE(dm.dataSource("dtsr_Dolgi_History"), &dm.stpr_SQL_Dolgi_History);
        QCOMPARE(dm.dataSource("dtsr_Pasw"), &dm.tbl_Pasw);
    }
    QVERIFY(DM == nullptr);
}

void TestDataModule::everyRecordSetOpens_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("withRows");
    const QStringList names = {
        "dtSet_Sverla", "dtSet_Frezy", "dtSet_Derj_PL", "dtSet_Plastiny", "dtset_DolgiSQL", "dtSet_Prihod_Hist",
        "dtSet_Spisanie_Hist", "tbl_Sverla", "tbl_Frezy", "tbl_Derj_PL", "tbl_Plastiny", "tbl_Firma", "tbl_People",
        "tbl_Dolgi", "tbl_Dolgi_History", "tbl_Prihod_Hist", "tbl_Spisanie_Hist", "tbl_Pasw", "tbl_Support",
        "tbl_Max_Namb_Of_Dolgi", "stpr_SQL_Dolgi_History", "qr_SV_Type", "qr_SV_Korob", "qr_FR_Type", "qr_FR_Korob",
        "qr_FR_RF_instr", "qr_PL_Naim", "qr_PL_Korob", "qr_DRJ_Naim", "qr_DRJ_Korob"};
    for (const QString& n : names) {
        QTest::addRow("%s, new database", qPrintable(n)) << n << false;
        QTest::addRow("%s, one row of each kind", qPrintable(n)) << n << true;
    }
}

void TestDataModule::historiesListAsTheirDesignedText_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("recordSet");
    QTest::newRow("receipts") << QStringLiteral("Prihod_History") << QStringLiteral("dtSet_Prihod_Hist");
    QTest::newRow("write-offs") << QStringLiteral("Spisanie_History") << QStringLiteral("dtSet_Spisanie_Hist");
}

void TestDataModule::historiesListAsTheirDesignedText()
{
    // The history lists run UNION ALL ordered by date and ID; they must list
    // exactly the rows, in exactly the order, of the UNION ordered by date.
    QFETCH(QString, table);
    QFETCH(QString, recordSet);
    Folder folder;
    TempDb tmp;
    {
        Connection c;
        c.open(tmp.path());
        insertRow(c, "Firma", {{"Name", "F"}});
        for (const char* t : {"Sverla", "Plastinyi", "Frezy", "Derj_Plast"})
            for (int i = 0; i < 3; ++i)
                insertRow(c, t, {{"Kod", QString("%1-%2").arg(t).arg(i)}, {"ID_Firma", 1}});
        const QDate day(2026, 3, 1);
        int n = 0;
        for (int d = 0; d < 4; ++d)           // several rows per day, all kinds mixed
            for (int k : {3, 1, 4, 2, 1, 3})
                insertRow(c, table, {{"ID_Instr", 1 + (n++ % 3)}, {"ID_Tabl", k},
                                     {"Date", QDateTime(day.addDays(3 - d), QTime(0, 0))}, {"K_vo", n},
                                     {"Instr_is_BU", n % 2}, {"FIO_AdminBD", "Петрова"}});
        insertRow(c, table, {{"ID_Instr", 99}, {"ID_Tabl", 1}, {"Date", QDateTime(day, QTime(0, 0))}});   // tool gone
        insertRow(c, table, {{"ID_Instr", 1}, {"ID_Tabl", 7}, {"Date", QDateTime(day, QTime(0, 0))}});    // no kind
    }
    TDM dm(tmp.path());
    RecordSet* rs = dm.recordSet(recordSet);
    rs->open();
    QStringList designed;
    for (const char* k : {"S,Sverla,1", "Pls,Plastinyi,2", "F,Frezy,3", "DP,Derj_Plast,4"}) {
        const QStringList p = QString::fromLatin1(k).split(QLatin1Char(','));
        designed << QStringLiteral("SELECT  P.ID, LT.Tabl_Name, P.ID_Tabl, P.ID_Instr, %1.KOD, P.Date, P.K_vo, "
                                   "P.Instr_is_BU, P.FIO_AdminBD FROM %4 AS P, %2 AS %1, List_Tabl AS LT "
                                   "WHERE (P.ID_Instr=%1.ID And P.ID_Tabl=%3 And  P.ID_Tabl=LT.ID)")
                        .arg(p[0], p[1], p[2], table);
    }
    RecordSet reference(&dm.ADOConnection1, "reference", RecordSet::Kind::Query,
                        designed.join(QStringLiteral(" UNION ")) + QStringLiteral(" ORDER BY P.Date")
                            // A file's UNION gives its rows sorted whole (so by ID within
                            // a day); a server's, in any order: there that order is asked for.
                            + (tmp.onServer() ? QStringLiteral(", P.ID;") : QStringLiteral(";")),
                        rs->fieldDefs());
    reference.open();
    QCOMPARE(rs->recordCount(), 24);
    QCOMPARE(column(*rs, "ID"), column(reference, "ID"));
    for (const char* f : {"Tabl_Name", "KOD", "Date", "K_vo", "Instr_is_BU", "FIO_AdminBD"})
        QCOMPARE(column(*rs, f), column(reference, f));
}

void TestDataModule::debtsListAsItsDesignedText()
{
    // The debts list runs UNION ALL ordered by ID; it must list exactly the
    // rows, in exactly the order, of the designed UNION.
    Folder folder;
    TempDb tmp;
    {
        Connection c;
        c.open(tmp.path());
        insertRow(c, "Firma", {{"Name", "F"}});
        insertRow(c, "People", {{"FIO", "Иванов"}});
        for (const char* t : {"Sverla", "Plastinyi", "Frezy", "Derj_Plast"})
            for (int i = 0; i < 3; ++i)
                insertRow(c, t, {{"Kod", QString("%1-%2").arg(t).arg(i)}, {"ID_Firma", 1}});
        int n = 0;
        for (int k : {3, 1, 4, 2, 1, 3, 2, 4, 4, 1})   // kinds mixed, equal numbers, dates and counts
            insertRow(c, "Dolgi", {{"Nomer_Zap", 1 + n % 3}, {"ID_Instr", 1 + (n++ % 3)}, {"ID_Tabl", k},
                                   {"ID_People", 1}, {"Date", QDateTime(QDate(2026, 3, 1), QTime())}, {"K_vo", 1}});
        insertRow(c, "Dolgi", {{"Nomer_Zap", 9}, {"ID_Instr", 99}, {"ID_Tabl", 1}, {"ID_People", 1}});   // tool gone
        insertRow(c, "Dolgi", {{"Nomer_Zap", 9}, {"ID_Instr", 1}, {"ID_Tabl", 7}, {"ID_People", 1}});    // no kind
    }
    TDM dm(tmp.path());
    QString designed = TDM::dolgiSql();
    designed.replace(QStringLiteral("UNION ALL"), QStringLiteral("UNION"));
    // A file's UNION gives its rows sorted whole, so by ID; a server's, in
    // any order: there the designed order is asked for.
    if (!tmp.onServer())
        designed.remove(QStringLiteral("ORDER BY 1"));
    RecordSet reference(&dm.ADOConnection1, "reference", RecordSet::Kind::Query, designed,
                        dm.dtset_DolgiSQL.fieldDefs());
    reference.open();
    dm.dtset_DolgiSQL.reread();
    QCOMPARE(dm.dtset_DolgiSQL.recordCount(), 10);
    for (const char* f : {"ID", "Nomer_Zap", "KoD", "Tabl_Name", "FIO", "ID_Instr"})
        QCOMPARE(column(dm.dtset_DolgiSQL, f), column(reference, f));
}

void TestDataModule::everyRecordSetOpens()
{
    QFETCH(QString, name);
    QFETCH(bool, withRows);
    Folder folder;
    TempDb tmp;
    if (withRows) {
        Connection c;
        c.open(tmp.path());
        insertRow(c, "Firma", {{"Name", "F"}});
        insertRow(c, "Support", {{"Name_OP", "склад"}, {"BD_in_Work", 0}});
        insertRow(c, "People", {{"FIO", "Петров"}, {"Foto", "p.jpg"}});
        for (const char* t : {"Sverla", "Plastinyi", "Frezy", "Derj_Plast"})
            insertRow(c, t, {{"Kod", "K"}, {"ID_Firma", 1}, {"Korob", "7"}, {"Pikcher", "t.jpg"}});
        insertRow(c, "Frezy", {{"Kod", "K2"}, {"ID_Firma", 1}, {"R_FAS_instr", "R0,5"}, {"Type", "Концевая"}});
        for (int k = 1; k <= 4; ++k) {
            const QVariantMap row{{"ID_Instr", 1}, {"ID_Tabl", k}, {"ID_People", 1}, {"Nomer_Zap", k}};
            insertRow(c, "Dolgi", row);
            insertRow(c, "Dolgi_History", row);
            insertRow(c, "Prihod_History", {{"ID_Instr", 1}, {"ID_Tabl", k}, {"Date", QDateTime::currentDateTime()}});
            insertRow(c, "Spisanie_History", {{"ID_Instr", 1}, {"ID_Tabl", k}});
        }
    }
    TDM dm(tmp.path());
    RecordSet* rs = dm.recordSet(name);
    QVERIFY(rs);
    rs->close();
    rs->open();
    QVERIFY(rs->isOpen());
    if (withRows)
        QVERIFY(rs->recordCount() >= 1);
    else if (name != "tbl_Max_Namb_Of_Dolgi" && name != "tbl_Pasw")
        QCOMPARE(rs->recordCount(), 0);
    // Every field is there and reads without an error.
    for (int f = 0; f < rs->fieldCount(); ++f)
        rs->field(f).asString();
    rs->close();
    QVERIFY(!rs->isOpen());
}

void TestDataModule::gridFieldsOfDrillsAndDebts()
{
    Folder folder;
    TempDb tmp;
    TDM dm(tmp.path());
    auto visible = [](RecordSet& rs) {
        QList<QStringList> out;
        for (const FieldDef& f : rs.fieldDefs())
            if (f.visible)
                out << QStringList{f.name, f.displayLabel(), QString::number(f.displayWidth())};
        return out;
    };
    const QList<QStringList> drills = {
        {"Type", "Тип сверла", "25"},    {"Kod", "КОД", "20"},           {"Diam_Sverla", "Диам. св.", "10"},
        {"Diam_Hvost", "Диам. хвост.", "10"}, {"L_Instr", "Длина инстр.", "12"}, {"L_reza", "Длина реж.ч.", "12"},
        {"K_vo_New", "К-во новый", "10"}, {"K_vo_BU", "К-во БУ", "10"},  {"K_vo_Dolg", "В долгу", "10"},
        {"Name", "Фирма", "20"},         {"Korob", "№ короба", "25"}};
    QCOMPARE(visible(dm.dtSet_Sverla), drills);
    QCOMPARE(dm.dtSet_Sverla.fieldCount(), 17);
    for (const char* hiddenField : {"ID", "K_vo_Vozvrat", "Pikcher", "Prim", "ID_Firma", "N_zub"})
        QVERIFY2(!dm.dtSet_Sverla.fieldByName(hiddenField).visible(), hiddenField);
    // Types and sizes the edit boxes go by.
    QCOMPARE(dm.dtSet_Sverla.fieldByName("Kod").size(), 150);
    QCOMPARE(dm.dtSet_Sverla.fieldByName("Korob").size(), 100);
    QCOMPARE(dm.dtSet_Sverla.fieldByName("Diam_Sverla").dataType(), FieldType::Float);
    QCOMPARE(dm.dtSet_Sverla.fieldByName("L_reza").dataType(), FieldType::Integer);
    QCOMPARE(dm.dtSet_Frezy.fieldByName("L_Reza").dataType(), FieldType::Float);

    // The debts grid: widths given as a dash take the type's default.
    const QList<QStringList> debts = {
        {"Nomer_Zap", "№ п.п.", "10"},         {"Tabl_Name", "Что брал", "20"},  {"KoD", "Код инструмента", "30"},
        {"Date", "Дата (когда брал)", "18"},   {"FIO", "ФИО оператора", "30"},   {"K_vo", "К-во инстр.", "10"},
        {"Instr_is_BU", "Тип инстр.", "5"}};
    QCOMPARE(visible(dm.dtset_DolgiSQL), debts);
    QCOMPARE(dm.dtset_DolgiSQL.fieldCount(), 14);
    QCOMPARE(dm.dtset_DolgiSQL.fieldByName("FIO_AdminBD").displayLabel(), QString("ФИО кто внес запись"));
    QVERIFY(!dm.dtset_DolgiSQL.fieldByName("FIO_AdminBD").visible());
    QCOMPARE(dm.dtset_DolgiSQL.fieldByName("Instr_is_BU").dataType(), FieldType::Boolean);
    QCOMPARE(dm.dtset_DolgiSQL.fieldByName("Date").dataType(), FieldType::DateTime);

    // The table objects leave out the columns written through the catalogues.
    QCOMPARE(dm.tbl_Frezy.fieldIndex("L_Sheiki"), -1);
    QCOMPARE(dm.tbl_Frezy.fieldIndex("N_zub"), -1);
    QCOMPARE(dm.tbl_Derj_PL.fieldIndex("Korob"), -1);
    QCOMPARE(dm.tbl_Plastiny.fieldIndex("Korob"), -1);
    QVERIFY(dm.tbl_Sverla.fieldIndex("Korob") >= 0);
}

// ---------------------------------------------------------------------------
// Pictures

void TestDataModule::loadPictureFallbacks_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("files");     // written before the call; "NoFoto" = the placeholder
    QTest::addColumn<QString>("expected");      // file shown, relative; empty = hidden

    const QString ph = QString(kNoFoto) + "null_img_1.jpg";
    const QString tool = QString(kInstrument) + "d1.jpg";
    const QString photo = QString(kPeople) + "d1.jpg";
    QTest::newRow("tool picture") << 1 << "d1.jpg" << QStringList({tool, ph}) << tool;
    QTest::newRow("tool picture, no placeholder") << 4 << "d1.jpg" << QStringList({tool}) << tool;
    QTest::newRow("bitmap") << 2 << "d2.bmp" << QStringList({QString(kInstrument) + "d2.bmp"})
                            << QString(kInstrument) + "d2.bmp";
    QTest::newRow("icon") << 7 << "op.ico" << QStringList({QString(kPeople) + "op.ico", ph})
                          << QString(kPeople) + "op.ico";
    QTest::newRow("upper-case extension") << 3 << "D3.JPG" << QStringList({QString(kInstrument) + "D3.JPG"})
                                          << QString(kInstrument) + "D3.JPG";
    QTest::newRow("empty name: placeholder") << 1 << "" << QStringList({tool, ph}) << ph;
    QTest::newRow("missing file: placeholder") << 3 << "none.jpg" << QStringList({tool, ph}) << ph;
    QTest::newRow("missing file, no placeholder: hidden") << 2 << "none.jpg" << QStringList({tool}) << QString();
    QTest::newRow("empty name, no placeholder: hidden") << 5 << "" << QStringList() << QString();
    QTest::newRow("operator photo, target 6") << 6 << "d1.jpg" << QStringList({tool, photo, ph}) << photo;
    QTest::newRow("operator photo, target 7") << 7 << "d1.jpg" << QStringList({photo}) << photo;
    QTest::newRow("target 6 never looks in Instrument") << 6 << "d1.jpg" << QStringList({tool, ph}) << ph;
    QTest::newRow("target 7 never looks in Instrument") << 7 << "d1.jpg" << QStringList({tool}) << QString();
    QTest::newRow("target 5 never looks in FotoPeoples") << 5 << "d1.jpg" << QStringList({photo, ph}) << ph;
    QTest::newRow("operator without photo") << 7 << "" << QStringList({photo, ph}) << ph;
}

void TestDataModule::loadPictureFallbacks()
{
    QFETCH(int, target);
    QFETCH(QString, name);
    QFETCH(QStringList, files);
    QFETCH(QString, expected);
    Folder folder;
    TempDb tmp;
    for (const QString& f : files) {
        const QString suffix = QFileInfo(f).suffix().toLower();
        QVERIFY(writeImage(folder.path(f), QSize(64, 48), Qt::darkGreen,
                           suffix == "bmp" ? "bmp" : suffix == "ico" ? "ico" : "jpg"));
    }
    TDM dm(tmp.path());
    TestTarget controls[8];
    for (int t = 1; t <= 7; ++t)
        dm.registerPictureTarget(t, &controls[t]);
    TestTarget& control = controls[target];
    control.visible = expected.isEmpty();   // so that the call must change it either way
    dm.LoadPicture(name, target);
    QCOMPARE(control.visible, !expected.isEmpty());
    if (expected.isEmpty()) {
        QCOMPARE(dm.shownPicture(target), QString());
        QCOMPARE(control.hides, 1);
        QCOMPARE(control.shows, 0);
    } else {
        QCOMPARE(QFileInfo(dm.shownPicture(target)).canonicalFilePath(),
                 QFileInfo(folder.path(expected)).canonicalFilePath());
        QCOMPARE(control.shows, 1);
        QCOMPARE(control.image.size(), QSize(64, 48));
    }
    // The other controls are not touched.
    for (int t = 1; t <= 7; ++t)
        if (t != target)
            QCOMPARE(controls[t].shows + controls[t].hides, 0);
    // With its control gone, the target is still looked up without a crash.
    dm.unregisterPictureTarget(&control);
    dm.LoadPicture(name, target);
    QCOMPARE(control.shows + control.hides, 1);
    QCOMPARE(dm.shownPicture(target).isEmpty(), expected.isEmpty());
}

void TestDataModule::brokenPictureNeverCrashes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("placeholder");
    QTest::addColumn<QString>("expected");     // "file", "placeholder" or "hidden"

    const QByteArray text = "это не картинка";
    // A real JPEG, cut in half, and with a second start-of-image marker in
    // the middle of its picture data (the decoder fails only after it began).
    QByteArray real;
    {
        QImage img(240, 180, QImage::Format_RGB32);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                img.setPixel(x, y, qRgb(x, y, (x * y) & 0xFF));
        QBuffer buf(&real);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "jpg", 90);
    }
    const QByteArray truncated = real.left(real.size() / 2);
    const qsizetype sos = real.indexOf(QByteArray("\xFF\xDA", 2));
    QByteArray lateError = real;
    lateError.insert(sos + (real.size() - sos) / 2, QByteArray("\xFF\xD8\xFF\xD8", 4));
    QByteArray soiGarbage("\xFF\xD8\xFF\xE0", 4);
    for (int i = 0; i < 600; ++i)
        soiGarbage += char((i * 37) & 0xFF);
    QTest::newRow("text named .jpg") << "bad.jpg" << text << true << "placeholder";
    QTest::newRow("text named .jpg, no placeholder") << "bad.jpg" << text << false << "hidden";
    QTest::newRow("truncated JPEG: the part there is") << "half.jpg" << truncated << true << "file";
    QTest::newRow("JPEG failing after it began") << "late.jpg" << lateError << true << "placeholder";
    QTest::newRow("zero-length .jpg") << "bad.jpg" << QByteArray("") << true << "placeholder";
    QTest::newRow("JPEG start, garbage after") << "bad.jpeg" << soiGarbage << true << "placeholder";
    QTest::newRow("text named .bmp") << "bad.bmp" << text << true << "placeholder";
    QTest::newRow("JPEG start named .bmp") << "bad.bmp" << soiGarbage << true << "placeholder";
    QTest::newRow("broken placeholder") << "missing.jpg" << text << false << "hidden";
    // Beyond the limits: refused before any decoding, shown as undecodable.
    auto claiming = [&](QSize size, bool progressive) {
        QImage img(64, 48, QImage::Format_RGB32);
        img.fill(Qt::red);
        QByteArray out;
        QBuffer buf(&out);
        buf.open(QIODevice::WriteOnly);
        QImageWriter w(&buf, "jpg");
        w.setProgressiveScanWrite(progressive);
        w.write(img);
        const qsizetype sof = out.indexOf(QByteArray(progressive ? "\xFF\xC2" : "\xFF\xC0", 2));
        out[sof + 5] = char(size.height() >> 8);
        out[sof + 6] = char(size.height() & 0xFF);
        out[sof + 7] = char(size.width() >> 8);
        out[sof + 8] = char(size.width() & 0xFF);
        return out;
    };
    QTest::newRow("header claims 30000 x 30000") << "huge.jpg" << claiming(QSize(30000, 30000), false) << true
                                                 << "placeholder";
    QTest::newRow("header claims 110 megapixels") << "huge.jpg" << claiming(QSize(11000, 10000), false) << true
                                                  << "placeholder";
    QTest::newRow("header claims 90 megapixels: decoded") << "big.jpg" << claiming(QSize(9000, 10000), false)
                                                          << true << "file";
    QTest::newRow("progressive, header claims 49 megapixels")
        << "huge.jpg" << claiming(QSize(7000, 7000), true) << true << "placeholder";
    QTest::newRow("a good JPEG in a file over 64 MB")
        << "padded.jpg" << (real + QByteArray((64 << 20) + 1 - real.size(), '\0')) << true << "placeholder";
}

void TestDataModule::brokenPictureNeverCrashes()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, placeholder);
    QFETCH(QString, expected);
    Folder folder;
    TempDb tmp;
    const QString ph = folder.path(QString(kNoFoto) + "null_img_1.jpg");
    if (placeholder)
        QVERIFY(writeImage(ph, QSize(32, 32), Qt::gray, "jpg"));
    if (QString(QTest::currentDataTag()) == "broken placeholder")
        QVERIFY(writeBytes(ph, bytes));
    else
        QVERIFY(writeBytes(folder.path(QString(kInstrument) + name), bytes));
    TDM dm(tmp.path());
    TestTarget control;
    dm.registerPictureTarget(1, &control);
    dm.LoadPicture(name, 1);
    if (expected == "hidden") {
        QVERIFY(!control.visible);
        QCOMPARE(control.hides, 1);
    } else {
        QVERIFY(control.visible);
        QVERIFY(!control.image.isNull());
        QCOMPARE(QFileInfo(dm.shownPicture(1)).fileName(),
                 expected == "file" ? name : QString("null_img_1.jpg"));
    }
    // The next good picture shows again.
    QVERIFY(writeImage(folder.path(QString(kInstrument) + "good.jpg"), QSize(40, 30), Qt::blue, "jpg"));
    dm.LoadPicture("good.jpg", 1);
    QVERIFY(control.visible);
    QCOMPARE(control.image.size(), QSize(40, 30));
}

void TestDataModule::pictureNamesStayInTheirFolder_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("shown");   // the named file; else the placeholder
    QTest::newRow("bare name") << 1 << "d1.jpg" << true;
    QTest::newRow("parent folder") << 1 << "../outside.jpg" << false;
    QTest::newRow("two folders up") << 2 << "../../outside.jpg" << false;
    QTest::newRow("deep climb") << 3 << "../../../../../../../etc/passwd" << false;
    QTest::newRow("absolute name") << 4 << "@/outside.jpg" << false;
    QTest::newRow("subfolder") << 1 << "sub/s.jpg" << false;
    QTest::newRow("backslash") << 1 << "..\\outside.jpg" << false;
    QTest::newRow("dot dot alone") << 5 << ".." << false;
    QTest::newRow("link out of the folder") << 1 << "out.jpg" << false;
    QTest::newRow("link within the folder") << 1 << "in.jpg" << true;
    QTest::newRow("photo climbing to the tools") << 7 << "../Instrument/d1.jpg" << false;
    QTest::newRow("photo, bare name") << 6 << "p1.jpg" << true;
}

void TestDataModule::pictureNamesStayInTheirFolder()
{
    QFETCH(int, target);
    QFETCH(QString, name);
    QFETCH(bool, shown);
    Folder folder;
    TempDb tmp;
    for (const char* f : {"Images/Instrument/d1.jpg", "Images/Instrument/sub/s.jpg", "Images/FotoPeoples/p1.jpg",
                          "Images/outside.jpg", "outside.jpg", "Images/NoFoto/null_img_1.jpg"}) {
        QDir().mkpath(QFileInfo(folder.path(f)).absolutePath());
        QVERIFY(writeImage(folder.path(f), QSize(64, 48), Qt::darkGreen, "jpg"));
    }
    QVERIFY(QFile::link(folder.path("outside.jpg"), folder.path("Images/Instrument/out.jpg")));
    QVERIFY(QFile::link(folder.path("Images/Instrument/d1.jpg"), folder.path("Images/Instrument/in.jpg")));
    name.replace("@", folder.path(""));
    TDM dm(tmp.path());
    TestTarget control;
    dm.registerPictureTarget(target, &control);
    dm.LoadPicture(name, target);
    QVERIFY(control.visible);
    QCOMPARE(QFileInfo(dm.shownPicture(target)).fileName(),
             shown ? QFileInfo(name).fileName() : QStringLiteral("null_img_1.jpg"));
}

void TestDataModule::jpegDecodedNearShownSize_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("area");
    QTest::addColumn<bool>("progressive");
    QTest::addColumn<QSize>("minSize");
    QTest::addColumn<QSize>("maxSize");
    QTest::newRow("large photo, small area") << QSize(1600, 1200) << QSize(100, 80) << false << QSize(100, 80)
                                             << QSize(400, 300);
    QTest::newRow("progressive photo") << QSize(1600, 1200) << QSize(100, 80) << true << QSize(100, 80)
                                       << QSize(400, 300);
    QTest::newRow("tall photo, wide area") << QSize(600, 2400) << QSize(300, 100) << false << QSize(300, 100)
                                           << QSize(600, 2400);
    QTest::newRow("area larger than photo") << QSize(320, 240) << QSize(800, 600) << false << QSize(320, 240)
                                            << QSize(320, 240);
    QTest::newRow("no area: full size") << QSize(640, 480) << QSize() << false << QSize(640, 480) << QSize(640, 480);
    QTest::newRow("no area, large photo: the default area") << QSize(3200, 2400) << QSize() << false
                                                             << QSize(1024, 768) << QSize(1024, 768);
    QTest::newRow("reduced in the decoder, then to the area") << QSize(4000, 3000) << QSize(400, 300) << false
                                                              << QSize(400, 300) << QSize(400, 300);
}

void TestDataModule::jpegDecodedNearShownSize()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, area);
    QFETCH(bool, progressive);
    QFETCH(QSize, minSize);
    QFETCH(QSize, maxSize);
    Folder folder;
    TempDb tmp;
    const QString file = folder.path(QString(kInstrument) + "big.jpg");
    QVERIFY(writeImage(file, picture, QColor(220, 20, 30), "jpg", progressive));
    TDM dm(tmp.path());
    TestTarget control(area);
    dm.registerPictureTarget(2, &control);
    dm.LoadPicture("big.jpg", 2);
    QVERIFY(control.visible);
    const QSize got = control.image.size();
    QVERIFY2(got.width() >= minSize.width() && got.height() >= minSize.height(), qPrintable(QString("%1x%2").arg(got.width()).arg(got.height())));
    QVERIFY2(got.width() <= maxSize.width() && got.height() <= maxSize.height(), qPrintable(QString("%1x%2").arg(got.width()).arg(got.height())));
    // Proportions are kept, and the colours come through the right way round.
    QVERIFY(qAbs(double(got.width()) / got.height() - double(picture.width()) / picture.height()) < 0.05);
    const QRgb px = control.image.pixel(got.width() / 2, got.height() / 2);
    QVERIFY2(qRed(px) > 180 && qGreen(px) < 70 && qBlue(px) < 80,
             qPrintable(QString("%1 %2 %3").arg(qRed(px)).arg(qGreen(px)).arg(qBlue(px))));
}

// ---------------------------------------------------------------------------
// Follow-the-row handlers

void TestDataModule::stockAlertFollowsRow_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("recordSet");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("kNew");
    QTest::addColumn<int>("kBu");
    QTest::addColumn<bool>("newRed");
    QTest::addColumn<bool>("buRed");
    struct K { const char* table; const char* rs; int page; };
    const K kinds[] = {{"Sverla", "dtSet_Sverla", 0}, {"Frezy", "dtSet_Frezy", 1},
                       {"Derj_Plast", "dtSet_Derj_PL", 2}, {"Plastinyi", "dtSet_Plastiny", 3}};
    for (const K& k : kinds) {
        QTest::addRow("%s new 0 used 5", k.rs) << k.table << k.rs << k.page << 0 << 5 << true << false;
        QTest::addRow("%s new 3 used 0", k.rs) << k.table << k.rs << k.page << 3 << 0 << false << true;
        QTest::addRow("%s new 1 used 1", k.rs) << k.table << k.rs << k.page << 1 << 1 << false << false;
    }
    QTest::newRow("dtSet_Sverla no counts at all") << "Sverla" << "dtSet_Sverla" << 0 << -1 << -1 << true << true;
}

void TestDataModule::stockAlertFollowsRow()
{
    QFETCH(QString, table);
    QFETCH(QString, recordSet);
    QFETCH(int, page);
    QFETCH(int, kNew);
    QFETCH(int, kBu);
    QFETCH(bool, newRed);
    QFETCH(bool, buRed);
    Folder folder;
    TempDb tmp;
    {
        Connection c;
        c.open(tmp.path());
        insertRow(c, "Firma", {{"Name", "F"}});
        insertRow(c, table, {{"Kod", "A-other"}, {"ID_Firma", 1}, {"K_vo_New", 9}, {"K_vo_BU", 9}});
        QVariantMap row{{"Kod", "B-this"}, {"ID_Firma", 1}};
        if (kNew >= 0)
            row["K_vo_New"] = kNew;
        if (kBu >= 0)
            row["K_vo_BU"] = kBu;
        insertRow(c, table, row);
    }
    TDM dm(tmp.path());
    RecordSet* rs = dm.recordSet(recordSet);
    QSignalSpy alerts(&dm, &TDM::stockAlert);
    QVERIFY(rs->locate("Kod", "B-this"));
    QVERIFY(alerts.count() >= 1);
    const QList<QVariant> last = alerts.last();
    QCOMPARE(last.at(0).toInt(), page);
    QCOMPARE(last.at(1).toBool(), newRed);
    QCOMPARE(last.at(2).toBool(), buRed);

    // A posted change of the counts is shown without a move.
    rs->edit();
    rs->fieldByName("K_vo_New").setAsInteger(newRed ? 4 : 0);
    storePending(*rs);
    QCOMPARE(alerts.last().at(0).toInt(), page);
    QCOMPARE(alerts.last().at(1).toBool(), !newRed);
    QCOMPARE(alerts.last().at(2).toBool(), buRed);
}

void TestDataModule::debtRowShowsTypeAndPictures()
{
    Folder folder;
    TempDb tmp;
    QVERIFY(writeImage(folder.path(QString(kInstrument) + "drill.jpg"), QSize(20, 20), Qt::red, "jpg"));
    QVERIFY(writeImage(folder.path(QString(kPeople) + "ivanov.jpg"), QSize(30, 40), Qt::blue, "jpg"));
    QVERIFY(writeImage(folder.path(QString(kNoFoto) + "null_img_1.jpg"), QSize(10, 10), Qt::gray, "jpg"));
    {
        Connection c;
        c.open(tmp.path());
        insertRow(c, "Firma", {{"Name", "F"}});
        insertRow(c, "People", {{"FIO", "Иванов"}, {"Foto", "ivanov.jpg"}});
        insertRow(c, "People", {{"FIO", "Сидоров"}});
        insertRow(c, "Sverla", {{"Kod", "SV"}, {"ID_Firma", 1}, {"Pikcher", "drill.jpg"}});
        insertRow(c, "Dolgi", {{"Nomer_Zap", 1}, {"ID_Instr", 1}, {"ID_Tabl", 1}, {"ID_People", 1}, {"Instr_is_BU", 1}});
        insertRow(c, "Dolgi", {{"Nomer_Zap", 2}, {"ID_Instr", 1}, {"ID_Tabl", 1}, {"ID_People", 2}, {"Instr_is_BU", 0}});
        insertRow(c, "Dolgi", {{"Nomer_Zap", 3}, {"ID_Instr", 1}, {"ID_Tabl", 1}, {"ID_People", 2}});
    }
    TDM dm(tmp.path());
    TestTarget tool, person;
    dm.registerPictureTarget(5, &tool);
    dm.registerPictureTarget(6, &person);
    QSignalSpy types(&dm, &TDM::dolgTypeChanged);

    QVERIFY(dm.dtset_DolgiSQL.locate("Nomer_Zap", 1));
    QCOMPARE(types.last().at(0).toString(), QString("БУ"));
    QCOMPARE(QFileInfo(dm.shownPicture(5)).fileName(), QString("drill.jpg"));
    QCOMPARE(QFileInfo(dm.shownPicture(6)).fileName(), QString("ivanov.jpg"));
    QCOMPARE(person.image.size(), QSize(30, 40));

    QVERIFY(dm.dtset_DolgiSQL.locate("Nomer_Zap", 2));
    QCOMPARE(types.last().at(0).toString(), QString("НОВЫЙ"));
    QCOMPARE(QFileInfo(dm.shownPicture(6)).fileName(), QString("null_img_1.jpg"));
    QVERIFY(person.visible);

    QVERIFY(dm.dtset_DolgiSQL.locate("Nomer_Zap", 3));   // no stock recorded: not used
    QCOMPARE(types.last().at(0).toString(), QString("НОВЫЙ"));
}

void TestDataModule::operatorPhotoFollowsRow()
{
    Folder folder;
    TempDb tmp;
    QVERIFY(writeImage(folder.path(QString(kPeople) + "a.jpg"), QSize(30, 40), Qt::blue, "jpg"));
    {
        Connection c;
        c.open(tmp.path());
        insertRow(c, "People", {{"FIO", "А"}, {"Foto", "a.jpg"}});
        insertRow(c, "People", {{"FIO", "Б"}, {"Foto", "b.jpg"}});
    }
    TDM dm(tmp.path());
    TestTarget img;
    dm.registerPictureTarget(7, &img);
    dm.tbl_People.open();
    QVERIFY(img.visible);
    QCOMPARE(QFileInfo(dm.shownPicture(7)).fileName(), QString("a.jpg"));
    dm.tbl_People.next();
    QVERIFY(!img.visible);   // b.jpg missing, no placeholder
    QCOMPARE(dm.shownPicture(7), QString());
}

// ---------------------------------------------------------------------------
// Catalogue refresh

void TestDataModule::refreshKeepsRowAndFilterDropsSort()
{
    Folder folder;
    TempDb tmp;
    {
        Connection c;
        c.open(tmp.path());
        insertRow(c, "Firma", {{"Name", "Sandvik"}});
        insertRow(c, "Firma", {{"Name", "Iscar"}});
        addDrill(c, "K3", "T", 3.0, 1);
        addDrill(c, "K1", "T", 1.0, 1);
        addDrill(c, "K2", "T", 2.0, 2);
        addDrill(c, "K4", "T", 4.0, 1);
    }
    TDM dm(tmp.path());
    RecordSet& s = dm.dtSet_Sverla;
    QCOMPARE(column(s, "Kod"), QStringList({"K1", "K2", "K3", "K4"}));   // by diameter
    s.setFilter("ID_Firma=1");
    s.setFiltered(true);
    s.setSort("Kod DESC");
    QVERIFY(s.locate("Kod", "K3"));
    QCOMPARE(s.recNo(), 2);
    // Another part writes rows shown by the catalogue.
    dm.ADOConnection1.exec("UPDATE Sverla SET K_vo_New = 12 WHERE Kod='K3'; UPDATE Firma SET Name='Sandvik AB' WHERE ID=1");
    insertRow(dm.ADOConnection1, "Sverla", {{"Kod", "K0"}, {"Diam_Sverla", 0.5}, {"ID_Firma", 1}});
    QSignalSpy scroll(&s, &RecordSet::afterScroll);
    dm.RefreshSverla();
    QVERIFY(scroll.count() >= 1);
    QCOMPARE(s.fieldByName("Kod").asString(), QString("K3"));
    QCOMPARE(s.fieldByName("K_vo_New").asInteger(), 12);
    QCOMPARE(s.fieldByName("Name").asString(), QString("Sandvik AB"));
    QCOMPARE(s.sort(), QString());
    QCOMPARE(s.filter(), QString("ID_Firma=1"));
    QVERIFY(s.filtered());
    QCOMPARE(column(s, "Kod"), QStringList({"K0", "K1", "K3", "K4"}));
    QCOMPARE(s.recNo(), 3);
}

void TestDataModule::refreshVanishedRowLeavesFirst()
{
    Folder folder;
    TempDb tmp;
    {
        Connection c;
        c.open(tmp.path());
        insertRow(c, "People", {{"FIO", "А"}});
        insertRow(c, "People", {{"FIO", "Б"}});
        insertRow(c, "People", {{"FIO", "В"}});
    }
    TDM dm(tmp.path());
    RecordSet& p = dm.tbl_People;
    p.open();
    p.last();
    QCOMPARE(p.fieldByName("FIO").asString(), QString("В"));
    dm.ADOConnection1.exec("DELETE FROM People WHERE FIO='В'");
    dm.RefreshPeople();
    QCOMPARE(p.recordCount(), 2);
    QCOMPARE(p.recNo(), 1);
    QCOMPARE(p.fieldByName("FIO").asString(), QString("А"));
}

void TestDataModule::refreshOnEmptySetDoesNothing_data()
{
    QTest::addColumn<QString>("recordSet");
    for (const char* n : {"dtSet_Sverla", "dtSet_Frezy", "dtSet_Derj_PL", "dtSet_Plastiny", "dtset_DolgiSQL",
                          "tbl_People"})
        QTest::newRow(n) << QString(n);
}

void TestDataModule::refreshOnEmptySetDoesNothing()
{
    QFETCH(QString, recordSet);
    Folder folder;
    TempDb tmp;
    TDM dm(tmp.path());
    RecordSet* rs = dm.recordSet(recordSet);
    if (!rs->isOpen())
        rs->open();
    QVERIFY(rs->isEmpty());
    // Rows appear in the file meanwhile.
    Connection& c = dm.ADOConnection1;
    insertRow(c, "Firma", {{"Name", "F"}});
    insertRow(c, "People", {{"FIO", "П"}});
    for (const char* t : {"Sverla", "Plastinyi", "Frezy", "Derj_Plast"})
        insertRow(c, t, {{"Kod", "K"}, {"ID_Firma", 1}});
    for (int k = 1; k <= 4; ++k)
        insertRow(c, "Dolgi", {{"ID_Instr", 1}, {"ID_Tabl", k}, {"ID_People", 1}});
    QSignalSpy scroll(rs, &RecordSet::afterScroll);
    QSignalSpy reset(rs, &RecordSet::layoutReset);
    dm.Refresh(*rs);
    QVERIFY(rs->isOpen());
    QVERIFY(rs->isEmpty());
    QCOMPARE(scroll.count(), 0);
    QCOMPARE(reset.count(), 0);
}

// The tool-kind descriptor names what the data module holds: its record
// sets, tables, counter spellings (letter case as the record sets spell
// them) and kind codes as the debts rows carry them.
void TestDataModule::toolKindsMatchTheirRecordSets()
{
    TempDb tmp;
    TDM dm(tmp.path());
    QSet<int> codes;
    for (ToolKind k : allToolKinds()) {
        const ToolKindInfo& i = toolKind(k);
        QCOMPARE(toolKindByCode(i.code), std::optional<ToolKind>(k));
        QCOMPARE(toolKindByPage(pageOf(k)), std::optional<ToolKind>(k));
        codes << i.code;
        RecordSet& cat = catalogueOf(dm, k);
        RecordSet& tbl = tableObjectOf(dm, k);
        QCOMPARE(dm.recordSet(i.catalogue), &cat);
        QCOMPARE(dm.dataSource(i.dataSource), &cat);
        QCOMPARE(dm.recordSet(i.tableObject), &tbl);
        QCOMPARE(tbl.commandText(), QString(i.table));
        for (const char* f : {i.newField, i.buField, i.dolgField}) {
            const int n = cat.fieldIndex(f);
            QVERIFY2(n >= 0 && cat.fieldDef(n).name == QLatin1String(f), f);
        }
        tbl.open();
        for (const char* f : {i.tableNewColumn, i.tableDolgColumn})
            QVERIFY2(tbl.fieldIndex(f) >= 0, f);
        tbl.close();
        QCOMPARE(dm.recordSet(i.catalogue)->isOpen(), true);
    }
    QCOMPARE(codes, (QSet<int>{1, 2, 3, 4}));
    QCOMPARE(toolKindByCode(5), std::nullopt);
    QCOMPARE(toolKindByPage(4), std::nullopt);
    // The unions of the debts and history queries run in kind-code order.
    int code = 0;
    for (ToolKind k : toolKindsByCode()) {
        QVERIFY(toolKind(k).code > code);
        code = toolKind(k).code;
    }
}

QTEST_MAIN(TestDataModule)
#include "tst_datamodule.moc"
