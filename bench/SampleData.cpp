#include "SampleData.h"

#include "ToolKind.h"

#include "Connection.h"
#include "CopyDatabase.h"
#include "Engine.h"
#include "DbError.h"
#include "Schema.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include <sqlite3.h>

namespace {

// ---------------------------------------------------------------------------
// A small deterministic generator (splitmix64): the same seed gives the same
// database on every platform and with every standard library.

class Rng {
public:
    explicit Rng(quint32 seed) : m_s(0x2545F4914F6CDD1DULL ^ (uint64_t(seed) << 17) ^ seed) {}
    uint64_t next()
    {
        uint64_t z = (m_s += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // lo..hi inclusive
    int range(int lo, int hi) { return hi <= lo ? lo : lo + int(next() % uint64_t(hi - lo + 1)); }
    bool chance(int percent) { return int(next() % 100) < percent; }
    template <class T, size_t N>
    const T& pick(const T (&a)[N]) { return a[next() % N]; }
    template <class T>
    const T& pick(const std::vector<T>& v) { return v[size_t(next() % v.size())]; }

private:
    uint64_t m_s;
};

// ---------------------------------------------------------------------------
// Prepared insert with positional binding; every row is one step and reset.

class Insert {
public:
    Insert(sqlite3* db, const char* sql) : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_st, nullptr) != SQLITE_OK)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    ~Insert() { sqlite3_finalize(m_st); }
    Insert(const Insert&) = delete;
    Insert& operator=(const Insert&) = delete;

    Insert& i(qint64 v) { sqlite3_bind_int64(m_st, ++m_n, v); return *this; }
    Insert& d(double v) { sqlite3_bind_double(m_st, ++m_n, v); return *this; }
    Insert& null() { sqlite3_bind_null(m_st, ++m_n); return *this; }
    // Text copied by the engine.
    Insert& t(const QByteArray& utf8)
    {
        sqlite3_bind_text(m_st, ++m_n, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // Text that outlives the statement's step (dates, logins): not copied.
    Insert& ts(const QByteArray& utf8)
    {
        sqlite3_bind_text(m_st, ++m_n, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
        return *this;
    }
    Insert& tOrNull(const QByteArray& utf8) { return utf8.isEmpty() ? null() : t(utf8); }

    qint64 exec()
    {
        const int rc = sqlite3_step(m_st);
        sqlite3_reset(m_st);
        m_n = 0;
        if (rc != SQLITE_DONE)
            throw DbError(QString::fromUtf8(sqlite3_errmsg(m_db)));
        return sqlite3_last_insert_rowid(m_db);
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_st = nullptr;
    int m_n = 0;
};

void run(sqlite3* db, const char* sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : sqlite3_errmsg(db));
        sqlite3_free(err);
        throw DbError(msg);
    }
}

QByteArray u8(const char* s) { return QByteArray(s); }
QByteArray num(int v) { return QByteArray::number(v); }
// Fixed decimals, independent of the process's locale; comma as Russian
// catalogues write it when comma is true.
QByteArray dec(double v, int decimals, bool comma = false)
{
    QByteArray s = QByteArray::number(v, 'f', decimals);
    if (comma)
        s.replace('.', ',');
    return s;
}
QByteArray pad(int v, int width) { return QByteArray::number(v).rightJustified(width, '0'); }
// "5", "5.5", "0.75": the shortest form of a value.
QByteArray shortDec(double v, bool comma = false)
{
    QByteArray s = QByteArray::number(v, 'g', 6);
    if (comma)
        s.replace('.', ',');
    return s;
}

// ---------------------------------------------------------------------------
// Reference lists

struct FirmSpec {
    const char* name;
    int style;      // which family of designations its tools carry
    bool russian;   // makes drills and cutters only
};

const FirmSpec kFirms[] = {
    {"Sandvik Coromant", 0, false}, {"Iscar", 1, false},         {"Seco Tools", 2, false},
    {"Walter", 3, false},           {"Kennametal", 4, false},     {"Mitsubishi Materials", 5, false},
    {"Guhring", 6, false},          {"ВИЗ", 7, true},             {"\"Микрон\"", 7, true},
    {"Tungaloy", 5, false},         {"Kyocera", 5, false},        {"Sumitomo Electric", 5, false},
    {"TaeguTec", 1, false},         {"Korloy", 5, false},         {"Dormer Pramet", 2, false},
    {"Hoffmann Garant", 6, false},  {"Ceratizit", 3, false},      {"YG-1", 6, false},
    {"\"Томский инструмент\"", 7, true}, {"СКИФ-М", 7, true},
};

const char* const kSurnames[] = {
    "Иванов",   "Петров",   "Смирнов",  "Кузнецов",   "Попов",    "Соколов",  "Лебедев",  "Козлов",
    "Новиков",  "Морозов",  "Волков",   "Соловьёв",   "Васильев", "Зайцев",   "Павлов",   "Семёнов",
    "Голубев",  "Виноградов", "Богданов", "Воробьёв", "Фёдоров",  "Михайлов", "Беляев",   "Тарасов",
    "Белов",    "Комаров",  "Орлов",    "Киселёв",    "Макаров",  "Андреев",  "Ковалёв",  "Ильин",
    "Гусев",    "Титов",    "Кузьмин",  "Кудрявцев",  "Баранов",  "Куликов",  "Алексеев", "Степанов",
};
const char* const kMaleNames[] = {"Александр", "Сергей", "Андрей", "Дмитрий", "Алексей", "Николай", "Владимир",
                                  "Михаил",    "Игорь",  "Евгений", "Виктор", "Юрий",    "Олег",    "Павел",
                                  "Иван",      "Геннадий", "Василий", "Анатолий"};
const char* const kFemaleNames[] = {"Ольга", "Елена", "Наталья", "Татьяна", "Светлана", "Ирина", "Людмила", "Галина"};
const char* const kPatronymicStems[] = {"Александров", "Сергеев", "Иванов",    "Петров",   "Николаев",
                                        "Владимиров",  "Михайлов", "Викторов", "Анатольев", "Васильев",
                                        "Геннадьев",   "Юрьев",    "Борисов",  "Дмитриев"};
const char* const kOperatorNotes[] = {"Участок ЧПУ", "Цех №3, токарный участок", "Фрезерный участок, смена А",
                                      "Смена Б", "Инструментальный участок", "Сверловка, цех №1",
                                      "Ремонтно-механический цех", "Наладчик"};

struct Account {
    const char* login;
    const char* password;
};
const Account kMoreAccounts[] = {{"Кладовщик Петрова", "1111"}, {"Кладовщик Сидоров", "2222"}};

const char* const kToolNotes[] = {"Переточено", "Для нержавеющей стали", "Покрытие TiAlN", "Покрытие TiN",
                                  "Для алюминия", "Под заказ №", "Хранить в масле", "Проверить биение",
                                  "Из комплекта станка", "Только для участка ЧПУ"};

// ---------------------------------------------------------------------------
// Tools

// The kinds in kind-code order (1 drills, 2 inserts, 3 cutters, 4 holders).
int kKindCode(int i) { return toolKind(toolKindsByCode()[size_t(i)]).code; }

struct ToolStock {
    int newCount = 0;
    int buCount = 0;
    int dolg = 0;
};

QByteArray box(Rng& r)
{
    if (r.chance(85))
        return "К-" + num(r.range(1, 80));
    return "Шкаф " + num(r.range(1, 6)) + ", полка " + num(r.range(1, 5));
}

QByteArray note(Rng& r)
{
    if (!r.chance(15))
        return {};
    QByteArray n = r.pick(kToolNotes);
    if (n.endsWith("№"))
        n += num(r.range(100, 999));
    return n;
}

// Every dimension written is one the tool's editor accepts (data/ToolChecks):
// diameters and shanks 0,1 to 30 mm, lengths up to 300 mm, the cutting
// length below the tool's.
constexpr double kMaxDiameter = 30;
constexpr int kMaxLength = 300;

double drillDiameter(Rng& r)
{
    if (r.chance(55))
        return r.range(2, 60) * 0.5;            // whole and half millimetres, 1..30
    return (5 + r.range(0, 295)) / 10.0;         // 0,5 .. 30,0 in tenths
}

// The smallest standard cylindrical shank that holds the diameter; above
// 25 mm a reduced 25 mm shank.
double shankFor(double d)
{
    static const double shanks[] = {3, 4, 6, 8, 10, 12, 14, 16, 18, 20, 25};
    for (double s : shanks)
        if (s >= d - 1e-9)
            return s;
    return 25;
}

// A Morse taper shank by the drill's diameter, as the diameter at its gauge line.
double morseTaperFor(double d)
{
    if (d <= 14)
        return 12.065;   // MT1
    if (d <= 23)
        return 17.78;    // MT2
    return 23.825;       // MT3
}

QByteArray drillCode(Rng& r, int style, const QByteArray& type, double d, int lCut)
{
    const int d10 = int(std::lround(d * 10)), d100 = int(std::lround(d * 100));
    switch (style) {
    case 0:
        if (type.contains("СМП"))
            return "880-D" + pad(d100, 4) + "L20-03";
        return "R840-" + pad(d100, 4) + "-30-A0A " + u8(r.chance(70) ? "1220" : "1210");
    case 1: return "SCD " + pad(d10, 3) + "-" + pad(lCut, 3) + "-140 ACP " + u8(r.chance(50) ? "IC908" : "IC5500");
    case 2: return "SD203A-" + dec(d, 1) + "-" + num(lCut) + "-" + num(int(shankFor(d))) + "R1";
    case 3: return "DC150-05-" + dec(d, 3).rightJustified(6, '0') + "A1-WJ30EJ";
    case 4: return "B041A" + pad(int(std::lround(d * 1000)), 5) + "CPG KC7315";
    case 5: return "MWS" + pad(d100, 4) + "SB";
    case 6: return u8(r.chance(50) ? "RT 100 U " : "5510 ") + dec(d, 3, true);
    default: {
        const bool taper = type.contains("к/х");
        return (taper ? "2301-" : "2300-") + pad(7000 + d10, 4) + u8(r.chance(70) ? " Р6М5" : " Р6М5К5");
    }
    }
}

QByteArray millCode(Rng& r, int style, const QByteArray& type, double d, int z)
{
    const int di = int(std::lround(d));
    const int shank = int(shankFor(d));
    const bool inserts = type.contains("с СМП");
    switch (style) {
    case 0:
        return inserts ? "R390-0" + pad(di, 2) + "A" + pad(shank, 2) + "-11L"
                       : "R216.32-" + pad(int(std::lround(d * 100)), 5) + "-AC" + pad(di * 2, 2) + "P 1630";
    case 1: return inserts ? "E90A-D" + pad(di, 2) + "-" + num(z) + "-C" + num(shank)
                           : "EC-E" + num(z) + " " + pad(di * 10, 3) + "-" + pad(di * 3, 3) + "W" + num(di) + "C IC900";
    case 2: return inserts ? "R217.69-" + pad(shank, 2) + pad(di, 2) + ".0-09-" + num(z) + "A"
                           : "JS554" + pad(di * 100, 4) + "E2R050.0Z4-SIRA";
    case 3: return inserts ? "F4042.W" + pad(shank, 2) + "." + pad(di, 3) + ".Z0" + num(z) : "H3021718-" + shortDec(d);
    case 4: return inserts ? "M1D" + pad(di, 3) + "Z" + num(z) + "S" + num(shank) : "F3AA" + pad(di * 100, 4) + "AWL38";
    case 5: return inserts ? "BAP300R-" + pad(di, 3) + "-" + num(z) + "T" : "VQ" + num(z) + "MVD" + pad(di * 100, 4);
    case 6: return "RF 100 U " + dec(d, 3, true);
    default:
        if (inserts)
            return "2214-" + pad(400 + di, 4) + " ГОСТ 28719-90";
        return "2220-" + pad(7000 + di * 3, 4) + u8(r.chance(70) ? " Р6М5К5" : " Р18");
    }
}

QByteArray holderCode(Rng& r, const QByteArray& name)
{
    static const char* const sizes[] = {"1616H", "2020K", "2525M", "3225P", "3232P"};
    static const char* const clamps[] = {"P", "S", "M", "D", "C"};
    static const char* const shapes[] = {"C", "D", "T", "V", "W", "S"};
    static const char* const styles[] = {"L", "J", "B", "F", "N", "K"};
    const QByteArray hand = r.chance(60) ? "R" : "L";
    const QByteArray sz = r.pick(sizes);
    if (name.contains("Корпус"))
        return "R390-" + pad(r.range(16, 63), 3) + "C" + num(r.range(3, 5)) + "-11M";
    if (name.contains("расточная") || name.contains("Оправка"))
        return "A" + pad(r.range(8, 40), 2) + "R-S" + u8(r.pick(shapes)) + "L" + u8(r.pick(shapes)) + hand + pad(r.range(6, 12), 2);
    if (name.contains("отрезная"))
        return "SGTF" + hand + " " + sz.left(4) + "-" + num(r.range(2, 5));
    if (name.contains("резьбовая"))
        return (name.contains("внутренняя") ? "SIR " : "SER ") + sz + (r.chance(50) ? "16" : "22");
    if (name.contains("канавочная"))
        return "RF123F" + pad(r.range(10, 25), 2) + "-" + sz.left(4) + "B";
    return u8(r.pick(clamps)) + u8(r.pick(shapes)) + u8(r.pick(styles)) + "N" + hand + " " + sz + pad(r.range(9, 16), 2);
}

QByteArray insertCode(Rng& r, const QByteArray& name)
{
    static const char* const turnShapes[] = {"CNMG 12", "DNMG 15", "WNMG 08", "TNMG 16", "VBMT 16", "DCMT 11T3",
                                             "CCMT 09T3", "SNMG 12", "VNMG 16"};
    static const char* const breakers[] = {"PM", "MF", "MM", "PF", "MR", "SM", "PR"};
    static const char* const grades[] = {"4325", "2220", "1115", "IC907", "TP2501", "KC5010", "AC8025P", "T9125",
                                         "VP15TF", "1125", "IC908"};
    static const char* const millShapes[] = {"APMT 1135PDER-M2", "R390-11T308M-PM", "SEKN 1203AFTN",
                                             "ODMT 060508-M14",  "XOMX 120408TR-ME08", "LNMU 0303ZER-MJ",
                                             "R245-12T3M-PM",    "SPMT 120408-M"};
    const QByteArray grade = r.pick(grades);
    if (name.contains("фрезерная"))
        return u8(r.pick(millShapes)) + " " + grade;
    if (name.contains("резьбонарезная"))
        return num(r.chance(60) ? 16 : 22) + (r.chance(60) ? "ER " : "IR ") + dec(r.range(2, 6) * 0.5, 1)
            + (r.chance(70) ? "ISO " : "UN ") + grade;
    if (name.contains("отрезная"))
        return "N123G2-" + pad(r.range(2, 6) * 100, 4) + "-000" + num(r.range(2, 4)) + "-GF " + grade;
    if (name.contains("канавочная"))
        return "N123H2-" + pad(r.range(2, 8) * 100, 4) + "-0004-GM " + grade;
    if (name.contains("сверлильная"))
        return "880-0" + num(r.range(3, 9)) + "0" + num(r.range(3, 6)) + "W0" + num(r.range(5, 8)) + "H-P-GR "
            + grade;
    static const char* const radii[] = {"04", "08", "12"};
    return u8(r.pick(turnShapes)) + "04" + u8(r.pick(radii)) + "-" + u8(r.pick(breakers)) + " " + grade;
}

// ---------------------------------------------------------------------------
// Pictures

struct Pictures {
    std::array<std::vector<QByteArray>, 5> tool; // by kind code 1..4
    std::vector<QByteArray> people;
    bool any() const { return !people.empty(); }
};

bool canDrawText() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

const QSize kPictureSize(320, 240);

void backdrop(QPainter& p, const QColor& top, const QColor& bottom)
{
    QLinearGradient g(0, 0, 0, kPictureSize.height());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillRect(QRect(QPoint(0, 0), kPictureSize), g);
}

QLinearGradient metal(const QColor& c, qreal y0, qreal y1)
{
    QLinearGradient g(0, y0, 0, y1);
    g.setColorAt(0, c.darker(160));
    g.setColorAt(0.35, c.lighter(150));
    g.setColorAt(1, c.darker(200));
    return g;
}

// A drill lying left to right: shank, fluted body, conical point.
void drawDrill(QPainter& p, const QColor& c, bool longBody)
{
    const qreal y0 = 100, y1 = 140, left = 20, shankEnd = longBody ? 110 : 150, tip = 300;
    p.setPen(QPen(c.darker(250), 1.5));
    p.setBrush(metal(c, y0, y1));
    p.drawRect(QRectF(left, y0, shankEnd - left, y1 - y0));
    QPolygonF body;
    body << QPointF(shankEnd, y0) << QPointF(tip - 25, y0) << QPointF(tip, 120) << QPointF(tip - 25, y1)
         << QPointF(shankEnd, y1);
    p.drawPolygon(body);
    p.setPen(QPen(c.darker(300), 3));
    for (qreal x = shankEnd + 8; x < tip - 30; x += 22)
        p.drawLine(QPointF(x, y1), QPointF(x + 16, y0));
}

void drawEndMill(QPainter& p, const QColor& c, bool ball)
{
    const qreal y0 = 95, y1 = 145;
    p.setPen(QPen(c.darker(250), 1.5));
    p.setBrush(metal(c, y0, y1));
    p.drawRect(QRectF(20, y0, 150, y1 - y0));
    QPainterPath body;
    body.moveTo(170, y0);
    body.lineTo(270, y0);
    if (ball)
        body.arcTo(QRectF(245, y0, 50, y1 - y0), 90, -180);
    else
        body.lineTo(290, y0), body.lineTo(290, y1);
    body.lineTo(170, y1);
    body.closeSubpath();
    p.drawPath(body);
    p.setPen(QPen(c.darker(300), 4));
    for (qreal x = 178; x < 265; x += 18)
        p.drawLine(QPointF(x, y1), QPointF(x + 14, y0));
}

void drawFaceMill(QPainter& p, const QColor& c)
{
    const QPointF centre(160, 120);
    QRadialGradient g(centre, 100);
    g.setColorAt(0, c.lighter(150));
    g.setColorAt(1, c.darker(180));
    p.setPen(QPen(c.darker(250), 2));
    p.setBrush(g);
    p.drawEllipse(centre, 95, 95);
    p.setBrush(QColor(40, 40, 45));
    p.drawEllipse(centre, 22, 22);
    p.setBrush(QColor(200, 170, 60));
    for (int i = 0; i < 8; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(i * 45);
        p.drawRect(QRectF(72, -10, 20, 20));
        p.restore();
    }
}

void drawHolder(QPainter& p, const QColor& c, int variant)
{
    p.setPen(QPen(c.darker(250), 1.5));
    p.setBrush(metal(c, 100, 150));
    p.drawRect(QRectF(15, 100, 220, 50));
    QPolygonF head;
    head << QPointF(235, 85) << QPointF(295, 85) << QPointF(305, 120) << QPointF(280, 150) << QPointF(235, 150);
    p.drawPolygon(head);
    QPolygonF insert;
    if (variant == 1)
        insert << QPointF(272, 92) << QPointF(302, 96) << QPointF(286, 124);
    else
        insert << QPointF(270, 92) << QPointF(298, 92) << QPointF(304, 118) << QPointF(276, 118);
    p.setBrush(QColor(218, 185, 70));
    p.drawPolygon(insert);
    p.setBrush(QColor(70, 70, 75));
    p.drawEllipse(QPointF(255, 110), 7, 7);
}

void drawInsert(QPainter& p, const QColor& c, int variant)
{
    const QPointF o(160, 120);
    QPolygonF shape;
    if (variant == 0)          // rhombic, 80 degrees
        shape << o + QPointF(0, -95) << o + QPointF(80, 0) << o + QPointF(0, 95) << o + QPointF(-80, 0);
    else if (variant == 1)     // triangular
        shape << o + QPointF(0, -95) << o + QPointF(90, 70) << o + QPointF(-90, 70);
    else                       // square
        shape << o + QPointF(-75, -75) << o + QPointF(75, -75) << o + QPointF(75, 75) << o + QPointF(-75, 75);
    QRadialGradient g(o, 110);
    g.setColorAt(0, c.lighter(160));
    g.setColorAt(1, c.darker(170));
    p.setPen(QPen(c.darker(260), 2));
    p.setBrush(g);
    p.drawPolygon(shape);
    p.setBrush(QColor(35, 35, 40));
    p.drawEllipse(o + QPointF(0, variant == 1 ? 15 : 0), 22, 22);
}

QImage toolPicture(int kindCode, int variant)
{
    static const QColor colours[3] = {QColor(150, 155, 165), QColor(205, 170, 60), QColor(80, 85, 110)};
    QImage img(kPictureSize, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    backdrop(p, QColor(236, 240, 245), QColor(200, 208, 218));
    const QColor c = colours[variant % 3];
    switch (kindCode) {
    case 1: drawDrill(p, c, variant != 1); break;
    case 2: drawInsert(p, c, variant); break;
    case 3:
        if (variant == 2)
            drawFaceMill(p, c);
        else
            drawEndMill(p, c, variant == 1);
        break;
    default: drawHolder(p, c, variant); break;
    }
    return img;
}

// A head-and-shoulders silhouette on a coloured ground.
QImage personPhoto(int variant)
{
    static const QColor grounds[] = {QColor(180, 200, 225), QColor(205, 220, 190), QColor(225, 205, 185),
                                     QColor(200, 190, 220)};
    static const QColor clothes[] = {QColor(40, 60, 110), QColor(90, 90, 95), QColor(35, 90, 60), QColor(120, 40, 40)};
    static const QColor hair[] = {QColor(50, 35, 25), QColor(140, 110, 70), QColor(30, 30, 30), QColor(170, 170, 170)};
    QImage img(kPictureSize, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    backdrop(p, grounds[variant % 4].lighter(115), grounds[variant % 4]);
    p.setPen(Qt::NoPen);
    p.setBrush(clothes[(variant / 2) % 4]);
    p.drawEllipse(QRectF(70, 175, 180, 150));
    p.setBrush(QColor(230, 195, 170));
    p.drawRect(QRectF(145, 150, 30, 35));
    p.drawEllipse(QRectF(115, 60, 90, 110));
    p.setBrush(hair[(variant + 1) % 4]);
    p.drawChord(QRectF(112, 52, 96, 80), 0, 180 * 16);
    return img;
}

QImage placeholderPicture()
{
    QImage img(kPictureSize, QImage::Format_RGB32);
    img.fill(QColor(215, 215, 215));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 150, 150), 3));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(10, 10, kPictureSize.width() - 20, kPictureSize.height() - 20));
    if (canDrawText()) {
        QFont f = p.font();
        f.setPixelSize(30);
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(110, 110, 110));
        p.drawText(QRect(QPoint(0, 0), kPictureSize), Qt::AlignCenter, QStringLiteral("Нет картинки"));
    } else {
        p.drawLine(QPointF(10, 10), QPointF(kPictureSize.width() - 10, kPictureSize.height() - 10));
        p.drawLine(QPointF(kPictureSize.width() - 10, 10), QPointF(10, kPictureSize.height() - 10));
    }
    return img;
}

void saveJpeg(const QImage& img, const QString& file)
{
    if (!img.save(file, "JPG", 85))
        throw DbError(QStringLiteral("Не удается записать рисунок \"%1\".").arg(file));
}

QString makeFolder(const QString& base, const QString& sub)
{
    const QString path = QDir(base).filePath(sub);
    if (!QDir().mkpath(path))
        throw DbError(QStringLiteral("Не удается создать папку \"%1\".").arg(path));
    return path;
}

Pictures writePictures(const QString& base)
{
    Pictures out;
    const QString instr = makeFolder(base, QStringLiteral("Images/Instrument"));
    const QString people = makeFolder(base, QStringLiteral("Images/FotoPeoples"));
    const QString noFoto = makeFolder(base, QStringLiteral("Images/NoFoto"));
    const char* const stems[5] = {nullptr, "sverlo", "plastina", "freza", "derzhavka"};
    for (int kind = 1; kind <= 4; ++kind) {
        for (int v = 0; v < 3; ++v) {
            const QByteArray name = QByteArray(stems[kind]) + "_" + num(v + 1) + ".jpg";
            saveJpeg(toolPicture(kind, v), QDir(instr).filePath(QString::fromUtf8(name)));
            out.tool[size_t(kind)].push_back(name);
        }
    }
    for (int v = 0; v < 8; ++v) {
        const QByteArray name = "foto_" + pad(v + 1, 2) + ".jpg";
        saveJpeg(personPhoto(v), QDir(people).filePath(QString::fromUtf8(name)));
        out.people.push_back(name);
    }
    const QString ph = QDir(noFoto).filePath(QStringLiteral("null_img_1.jpg"));
    if (!QFileInfo::exists(ph))
        saveJpeg(placeholderPicture(), ph);
    return out;
}

// Most rows name one of the pictures, some none, a few a file that is gone.
QByteArray pictureName(Rng& r, const std::vector<QByteArray>& names, const char* missingStem)
{
    if (names.empty())
        return {};
    const int x = r.range(0, 99);
    if (x < 65)
        return r.pick(names);
    if (x < 96)
        return {};
    return QByteArray(missingStem) + "_" + num(r.range(100, 999)) + ".jpg";
}

// ---------------------------------------------------------------------------
// Filling

constexpr int kIssueYears = 3, kMovementYears = 5;
constexpr int kMaxDaysAgo = kMovementYears * 365;

struct ToolRef {
    int kind;   // index 0..3 in kind-code order
    int index;  // 0-based row within the kind
};

struct Issue {
    ToolRef tool;
    int people;
    int daysAgo;
    int count;
    bool fromBu;
    bool open;
};

class Filler {
public:
    Filler(sqlite3* db, const SampleOptions& o, const Pictures& pics)
        : m_db(db), m_o(o), m_pics(pics), m_r(o.seed), m_today(QDate::currentDate())
    {
        m_logins = {QByteArray("Администратор"), QByteArray(kMoreAccounts[0].login), QByteArray(kMoreAccounts[1].login)};
        m_days.reserve(size_t(kMaxDaysAgo) + 1);
        for (int k = 0; k <= kMaxDaysAgo; ++k)
            m_days.push_back(m_today.addDays(-k).toString(QStringLiteral("yyyy-MM-dd")).toUtf8() + " 00:00:00");
    }

    void fill()
    {
        firms();
        people();
        accounts();
        for (int k = 0; k < 4; ++k)
            m_count[size_t(k)] = m_o.tools / 4 + (k < m_o.tools % 4 ? 1 : 0);
        for (int k = 0; k < 4; ++k)
            m_stock[size_t(k)].resize(size_t(m_count[size_t(k)]));
        planStock();
        planIssues();       // before the tools: the debts decide K_vo_Dolg
        drills();
        inserts();
        mills();
        holders();
        issues();
        movements("Prihod_History", m_o.receipts, true);
        movements("Spisanie_History", m_o.writeoffs, false);
    }

private:
    // Texts of the days back from today, bound without copying.
    const QByteArray& day(int daysAgo) const { return m_days[size_t(std::clamp(daysAgo, 0, kMaxDaysAgo))]; }

    // Who recorded a row: mostly the administrator.
    const QByteArray& login()
    {
        const int x = m_r.range(0, 99);
        return m_logins[x < 50 ? 0 : (x < 85 ? 1 : 2)];
    }

    void firms()
    {
        Insert ins(m_db, "INSERT INTO Firma (Name, Backgr_Color, Font_Color, Font_Style) VALUES (?, ?, ?, NULL)");
        for (const FirmSpec& f : kFirms) {
            const qint64 id = ins.t(u8(f.name)).i(16777215).i(0).exec();
            (f.russian ? m_firmsRussian : m_firmsForeign).push_back({int(id), f.style});
        }
        m_firmsAll = m_firmsRussian;
        m_firmsAll.insert(m_firmsAll.end(), m_firmsForeign.begin(), m_firmsForeign.end());
    }

    void people()
    {
        Insert ins(m_db, "INSERT INTO People (FIO, Foto, Prim, Backgr_Color, Font_Color, Font_Style) "
                         "VALUES (?, ?, ?, 16777215, 0, NULL)");
        QSet<QByteArray> seen;
        int photo = 0;
        const int wanted = 40;
        for (int n = 0; int(m_people.size()) < wanted && n < 10000; ++n) {
            const bool female = m_r.chance(25);
            QByteArray fio = u8(m_r.pick(kSurnames)) + (female ? "а " : " ")
                + u8(female ? m_r.pick(kFemaleNames) : m_r.pick(kMaleNames)) + " "
                + u8(m_r.pick(kPatronymicStems)) + (female ? "на" : "ич");
            if (seen.contains(fio))
                continue;
            seen.insert(fio);
            QByteArray foto;
            if (m_pics.any()) {
                const int x = m_r.range(0, 99);
                if (x < 70)
                    foto = m_pics.people[size_t(photo++ % int(m_pics.people.size()))];
                else if (x < 92)
                    foto.clear();
                else
                    foto = "foto_uvolen_" + num(m_r.range(10, 99)) + ".jpg";
            }
            ins.t(fio).t(foto);
            if (m_r.chance(40))
                ins.t(u8(m_r.pick(kOperatorNotes)));
            else
                ins.null();
            m_people.push_back(int(ins.exec()));
        }
    }

    void accounts()
    {
        Insert ins(m_db, "INSERT INTO Pasw_TBL (Login, Pasword, \"Default\") VALUES (?, ?, 0)");
        for (const Account& a : kMoreAccounts)
            ins.t(u8(a.login)).t(u8(a.password)).exec();
    }

    void planStock()
    {
        for (int k = 0; k < 4; ++k) {
            const bool inserts = toolKindsByCode()[size_t(k)] == ToolKind::Plast;
            for (ToolStock& s : m_stock[size_t(k)]) {
                const int x = m_r.range(0, 99);
                if (x < 8)
                    continue;                                   // nothing in the storeroom
                s.newCount = x < 30 ? 0 : (inserts ? m_r.range(1, 20) * 10 : m_r.range(1, 40));
                s.buCount = m_r.chance(55) ? 0 : m_r.range(1, inserts ? 30 : 15);
            }
        }
    }

    ToolRef randomTool()
    {
        int g = m_r.range(0, m_o.tools - 1);
        for (int k = 0; k < 4; ++k) {
            if (g < m_count[size_t(k)])
                return {k, g};
            g -= m_count[size_t(k)];
        }
        return {0, 0};
    }

    int issueCount(int kindCode)
    {
        static const int insertCounts[] = {1, 2, 2, 3, 4, 5, 10};
        if (kindCode == 2)
            return m_r.pick(insertCounts);
        if (kindCode == 4)
            return 1;
        return m_r.chance(75) ? 1 : m_r.range(2, 4);
    }

    // Every issue, oldest first, numbered in that order; the open ones are
    // drawn from the most recent.
    void planIssues()
    {
        const int n = m_o.closed + m_o.debts;
        if (n == 0)
            return;
        const int span = kIssueYears * 365;
        m_issues.resize(size_t(n));
        for (int i = 0; i < n; ++i) {
            Issue& is = m_issues[size_t(i)];
            is.tool = randomTool();
            is.people = m_r.pick(m_people);
            is.daysAgo = n > 1 ? span - int(qint64(i) * span / (n - 1)) : 0;
            is.count = issueCount(kKindCode(is.tool.kind));
            is.fromBu = m_r.chance(30);
            is.open = false;
        }
        // The open ones: a random choice among the latest 2 x debts issues.
        const int window = std::min(n, std::max(m_o.debts * 2, m_o.debts));
        std::vector<int> cand(static_cast<size_t>(window));
        for (int i = 0; i < window; ++i)
            cand[size_t(i)] = n - window + i;
        for (int i = 0; i < m_o.debts; ++i) {
            std::swap(cand[size_t(i)], cand[size_t(m_r.range(i, window - 1))]);
            Issue& is = m_issues[size_t(cand[size_t(i)])];
            is.open = true;
            m_stock[size_t(is.tool.kind)][size_t(is.tool.index)].dolg += is.count;
        }
    }

    const std::pair<int, int>& firmFor(int kindCode)
    {
        // Inserts and holders come from the foreign makers only.
        if (kindCode == 2 || kindCode == 4 || m_firmsRussian.empty())
            return m_r.pick(m_firmsForeign);
        return m_r.pick(m_firmsAll);
    }

    void drills()
    {
        static const char* const types[] = {
            "Сверло спиральное ц/х",          "Сверло спиральное ц/х",         "Сверло спиральное ц/х удлиненное",
            "Сверло спиральное к/х",          "Сверло твердосплавное монолитное", "Сверло с внутренним подводом СОЖ",
            "Сверло центровочное",            "Сверло ступенчатое",            "Сверло с СМП",
            "Сверло под развертку"};
        static const double centreDiams[] = {1, 1.6, 2, 2.5, 3.15, 4, 5, 6.3};
        Insert ins(m_db, "INSERT INTO Sverla (Kod, Type, Diam_Sverla, Diam_Hvost, L_Instr, L_reza, N_zub, K_vo_New, "
                         "K_vo_BU, K_vo_Dolg, K_vo_Vozvrat, ID_Firma, Pikcher, Prim, Korob) "
                         "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?)");
        const int k = 0;
        for (const ToolStock& s : m_stock[size_t(k)]) {
            const QByteArray type = m_r.pick(types);
            double d = drillDiameter(m_r);
            if (type.contains("центровочное"))
                d = m_r.pick(centreDiams);
            else if (type.contains("СМП"))
                d = m_r.range(12, 30);
            const bool longBody = type.contains("удлиненное");
            const int lCut = std::min(200, int(std::lround(d * (longBody ? 10 : 6) + 4 + m_r.range(0, 6))));
            const int lAll = std::min(kMaxLength, lCut + int(std::lround(d * 3 + 25 + m_r.range(0, 10))));
            const auto& firm = firmFor(1);
            ins.t(drillCode(m_r, firm.second, type, d, lCut)).t(type).d(d);
            if (type.contains("к/х"))
                ins.d(morseTaperFor(d));
            else if (type.contains("твердосплавное") || type.contains("СОЖ") || type.contains("СМП"))
                ins.d(shankFor(d));
            else
                ins.d(d);
            ins.i(lAll).i(lCut).i(type.contains("ступенчатое") ? 3 : 2);
            ins.i(s.newCount).i(s.buCount).i(s.dolg).i(firm.first);
            ins.t(pictureName(m_r, m_pics.tool[1], "sverlo_staroe")).tOrNull(note(m_r)).t(box(m_r));
            m_ids[size_t(k)].push_back(ins.exec());
        }
    }

    void mills()
    {
        // Shank cutters only: the editor asks for a shank and takes no diameter above 30 mm.
        static const char* const types[] = {
            "Фреза концевая",               "Фреза концевая",            "Фреза концевая твердосплавная",
            "Фреза концевая сферическая",   "Фреза концевая черновая",   "Фреза шпоночная",
            "Фреза угловая",                "Фреза концевая с СМП",      "Фреза Т-образная"};
        static const double small[] = {1, 1.5, 2, 2.5, 3, 4, 5, 6, 8, 10, 12, 14, 16, 18, 20, 25};
        static const double inserted[] = {16, 20, 25, 28, 30};
        static const char* const edges[] = {"R0,2", "R0,5", "R1", "0,2x45°", "0,5x45°"};
        Insert ins(m_db, "INSERT INTO Frezy (Kod, Type, Diam_Frez, Diam_Hvost, L_Reza, L_Instr, L_Sheiki, N_zub, "
                         "R_FAS_instr, K_vo_NEW, K_vo_BU, K_vo_DOLG, K_vo_Vozvrat, ID_Firma, Pikcher, Prim, Korob) "
                         "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, ?, ?, ?, ?)");
        const int k = 2;
        for (const ToolStock& s : m_stock[size_t(k)]) {
            const QByteArray type = m_r.pick(types);
            const bool withInserts = type.contains("с СМП");
            const double d = withInserts ? m_r.pick(inserted) : m_r.pick(small);
            const int z = withInserts ? m_r.range(2, 4) : (type.contains("черновая") ? m_r.range(3, 5) : m_r.range(2, 4));
            const auto& firm = firmFor(3);
            ins.t(millCode(m_r, firm.second, type, d, z)).t(type).d(d).d(shankFor(d));
            const double lCut = std::round(d * m_r.range(2, 4));
            const double lAll = lCut + m_r.range(35, 80);
            ins.d(lCut).d(lAll);
            // The neck: a relieved one behind the cutting part, else as long as the cutting part.
            if (type.contains("сферическая") || type.contains("Т-образная") || m_r.chance(10))
                ins.d(lCut + std::round((lAll - lCut) * 0.4));
            else
                ins.d(lCut);
            ins.d(z);
            if (type.contains("сферическая"))
                ins.t("R" + shortDec(d / 2, true));
            else if (m_r.chance(45))
                ins.t(u8(m_r.pick(edges)));
            else
                ins.null();
            ins.i(s.newCount).i(s.buCount).i(s.dolg).i(firm.first);
            ins.t(pictureName(m_r, m_pics.tool[3], "freza_staraya")).tOrNull(note(m_r)).t(box(m_r));
            m_ids[size_t(k)].push_back(ins.exec());
        }
    }

    void holders()
    {
        static const char* const names[] = {
            "Державка токарная проходная",   "Державка токарная проходная", "Державка токарная подрезная",
            "Державка расточная",            "Державка отрезная",           "Державка резьбовая наружная",
            "Державка резьбовая внутренняя", "Державка канавочная",         "Корпус фрезы под пластины",
            "Оправка расточная"};
        Insert ins(m_db, "INSERT INTO Derj_Plast (Name, KOD, K_vo_NEW, K_vo_BU, K_vo_Dolg, K_vo_Vozvrat, ID_Firma, "
                         "Pikcher, Prim, Korob) VALUES (?, ?, ?, ?, ?, 0, ?, ?, ?, ?)");
        const int k = 3;
        for (const ToolStock& s : m_stock[size_t(k)]) {
            const QByteArray name = m_r.pick(names);
            ins.t(name).t(holderCode(m_r, name)).i(s.newCount).i(s.buCount).i(s.dolg).i(firmFor(4).first);
            ins.t(pictureName(m_r, m_pics.tool[4], "derzhavka_staraya")).tOrNull(note(m_r)).t(box(m_r));
            m_ids[size_t(k)].push_back(ins.exec());
        }
    }

    void inserts()
    {
        static const char* const names[] = {"Пластина токарная",   "Пластина токарная",     "Пластина токарная",
                                            "Пластина фрезерная",  "Пластина фрезерная",    "Пластина резьбонарезная",
                                            "Пластина отрезная",   "Пластина канавочная",   "Пластина сверлильная"};
        Insert ins(m_db, "INSERT INTO Plastinyi (Naimenovanie, Kod, K_vo_new, K_vo_BU, K_vo_Dolg, K_vo_Vozvrat, "
                         "ID_Firma, pikcher, Prim, Korob) VALUES (?, ?, ?, ?, ?, 0, ?, ?, ?, ?)");
        const int k = 1;
        for (const ToolStock& s : m_stock[size_t(k)]) {
            const QByteArray name = m_r.pick(names);
            ins.t(name).t(insertCode(m_r, name)).i(s.newCount).i(s.buCount).i(s.dolg).i(firmFor(2).first);
            ins.t(pictureName(m_r, m_pics.tool[2], "plastina_staraya")).tOrNull(note(m_r)).t(box(m_r));
            m_ids[size_t(k)].push_back(ins.exec());
        }
    }

    qint64 toolId(const ToolRef& t) const { return m_ids[size_t(t.kind)][size_t(t.index)]; }

    void issues()
    {
        Insert open(m_db, "INSERT INTO Dolgi (Nomer_Zap, ID_Instr, ID_Tabl, ID_People, Date, K_vo, Instr_is_BU, "
                          "FIO_AdminBD) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        Insert closed(m_db, "INSERT INTO Dolgi_History (Nomer_Zap, ID_Instr, ID_Tabl, ID_People, Date_Start, "
                            "Date_Fin, K_vo_Instr_Bral, Instr_BU, K_vo_Instr_Vernul_New, K_vo_Instr_Vernul_BU, "
                            "K_vo_Instr_Spisano, ID_Del_Type, FIO_AdminBD_Add, FIO_AdminBD_DEL) "
                            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, NULL, ?, ?, ?)");
        for (size_t i = 0; i < m_issues.size(); ++i) {
            const Issue& is = m_issues[i];
            const int number = int(i) + 1;
            const int kindCode = kKindCode(is.tool.kind);
            if (is.open) {
                open.i(number).i(toolId(is.tool)).i(kindCode).i(is.people).ts(day(is.daysAgo)).i(is.count)
                    .i(is.fromBu ? 1 : 0).ts(login()).exec();
                continue;
            }
            // Pieces taken from the used stock come back used; new ones come
            // back new (unused), used, or some of each.
            int backNew = 0;
            if (!is.fromBu) {
                const int x = m_r.range(0, 99);
                if (x < 20)
                    backNew = is.count;
                else if (x >= 80 && is.count >= 2)
                    backNew = m_r.range(1, is.count - 1);
            }
            const int backBu = is.count - backNew;
            const int delType = backNew > 0 && backBu > 0 ? 4 : (backNew > 0 ? 2 : (backBu > 0 ? 3 : 1));
            const int finAgo = std::max(0, is.daysAgo - (m_r.chance(30) ? 0 : m_r.range(1, 40)));
            closed.i(number).i(toolId(is.tool)).i(kindCode).i(is.people).ts(day(is.daysAgo)).ts(day(finAgo));
            closed.i(is.count).i(is.fromBu ? 1 : 0).i(backNew).i(backBu).i(delType).ts(login()).ts(login()).exec();
        }
    }

    // Receipts or write-offs, oldest first, over the last five years.
    void movements(const char* table, int n, bool receipts)
    {
        if (n <= 0)
            return;
        const QByteArray sql = QByteArray("INSERT INTO ") + table
            + " (ID_Instr, ID_Tabl, Date, K_vo, Instr_is_BU, FIO_AdminBD) VALUES (?, ?, ?, ?, ?, ?)";
        Insert ins(m_db, sql.constData());
        const int span = kMovementYears * 365;
        for (int i = 0; i < n; ++i) {
            const ToolRef t = randomTool();
            const int kindCode = kKindCode(t.kind);
            const int daysAgo = n > 1 ? span - int(qint64(i) * span / (n - 1)) : 0;
            int count;
            bool bu;
            if (receipts) {
                count = kindCode == 2 ? m_r.range(1, 10) * 10 : (m_r.chance(70) ? m_r.range(1, 10) : m_r.range(11, 50));
                bu = m_r.chance(15);
            } else {
                count = m_r.chance(80) ? 1 : m_r.range(2, 5);
                bu = m_r.chance(65);
            }
            ins.i(toolId(t)).i(kindCode).ts(day(daysAgo)).i(count).i(bu ? 1 : 0).ts(login()).exec();
        }
    }

    sqlite3* m_db;
    const SampleOptions& m_o;
    const Pictures& m_pics;
    Rng m_r;
    QDate m_today;
    std::vector<QByteArray> m_days;
    std::vector<QByteArray> m_logins;
    std::vector<std::pair<int, int>> m_firmsRussian, m_firmsForeign, m_firmsAll;   // (ID, style)
    std::vector<int> m_people;
    std::array<int, 4> m_count{};
    std::array<std::vector<ToolStock>, 4> m_stock;
    std::array<std::vector<qint64>, 4> m_ids;
    std::vector<Issue> m_issues;
};

} // namespace

void writeSampleDatabase(const QString& path, const SampleOptions& o)
{
    if (isServerName(path)) {
        // A server database: the sample is written into a file of its own
        // first (at the file's speed), then copied onto the server whole,
        // in one transaction and checked (an empty database only).
        QTemporaryDir tmp;
        if (!tmp.isValid())
            throw DbError(QStringLiteral("Не удалось создать временную папку: %1").arg(tmp.errorString()));
        writeSampleDatabase(tmp.filePath(QStringLiteral("sample.db")), o);
        const CopyOutcome r = copyDatabase(tmp.filePath(QStringLiteral("sample.db")), path);
        if (!r.ok)
            throw DbError(r.error);
        return;
    }
    if (o.tools < 0 || o.debts < 0 || o.closed < 0 || o.receipts < 0 || o.writeoffs < 0)
        throw DbError(QStringLiteral("Количество записей не может быть отрицательным."));
    if (o.tools > MaxSampleTools || o.debts > MaxSampleDebts || o.closed > MaxSampleHistoryRows ||
        o.receipts > MaxSampleHistoryRows || o.writeoffs > MaxSampleHistoryRows)
        throw DbError(QStringLiteral("Слишком много записей: не больше %1 инструментов, %2 открытых долгов и %3 "
                                     "записей каждой истории.")
                          .arg(MaxSampleTools)
                          .arg(MaxSampleDebts)
                          .arg(MaxSampleHistoryRows));
    if (o.tools == 0 && (o.debts > 0 || o.closed > 0 || o.receipts > 0 || o.writeoffs > 0))
        throw DbError(QStringLiteral("Без инструмента нельзя записать долги и историю движения."));
    if (o.password.isEmpty())
        throw DbError(QStringLiteral("Пароль учетной записи \"Администратор\" не может быть пустым."));
    const QFileInfo target(path);
    if (target.exists() || target.isSymLink())
        throw DbError(QStringLiteral("Файл \"%1\" уже существует: он не будет перезаписан.").arg(path));
    if (!target.absoluteDir().exists())
        throw DbError(QStringLiteral("Папки \"%1\" нет.").arg(target.absolutePath()));

    // A file of our own beside the target, on the same file system, made
    // exclusively and written through one connection until it takes the
    // target's name: nothing put under its name meanwhile is followed or
    // removed. A name taken already is left to its owner, another is tried.
    Connection c;
    QString temp;
    for (int attempt = 1;; ++attempt) {
        QString suffix;
        for (int k = 0; k < 6; ++k)
            suffix += QLatin1Char("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                                  [QRandomGenerator::system()->bounded(62)]);
        temp = target.absolutePath() + QStringLiteral("/.") + target.fileName() + QLatin1Char('.') + suffix;
        try {
            c.create(temp);
            break;
        } catch (const DbError&) {
            const QFileInfo taken(temp);
            if (attempt >= 20 || !(taken.exists() || taken.isSymLink()))
                throw;
        }
    }
    auto tempGone = [&] {
        if (o.tempFileChanged)
            o.tempFileChanged(QString());
    };
    if (o.tempFileChanged)
        o.tempFileChanged(temp);

    try {
        createSchema(c, o.password);
        const Pictures pics = o.imagesFolder.isEmpty() ? Pictures() : writePictures(o.imagesFolder);
        sqlite3* db = c.handle();
        // The file is new and is removed on any failure: no journal, no
        // syncing while it fills; the usual journal comes back at the end,
        // and the whole file is on disk before it takes the target's name.
        run(db, "PRAGMA journal_mode=OFF");
        run(db, "PRAGMA synchronous=OFF");
        run(db, "PRAGMA cache_size=-131072");
        run(db, "BEGIN");
        Filler(db, o, pics).fill();
        run(db, "COMMIT");
        run(db, "PRAGMA synchronous=FULL");
        run(db, "PRAGMA journal_mode=WAL");
        // A link, which never replaces a file that appeared at the target meanwhile.
        c.publishCreated(path);
        tempGone();
    } catch (...) {
        c.discardCreated();
        tempGone();
        throw;
    }
}
