#include "SverlaFilterQuery.h"

#include "Connection.h"
#include "DbError.h"
#include "RecordSet.h"

#include <limits>
#include "Query.h"

namespace SverlaFilter {

namespace {

const QChar CR(u'\r');

const char* const Base = "SELECT S.ID, S.Kod, S.Diam_Sverla, S.Diam_Hvost, S.L_Instr, S.L_reza,  S.N_zub, S.K_vo_BU, "
                         "S.K_vo_New, S.K_vo_Dolg, S.K_vo_Vozvrat, S.Pikcher, S.Prim, F.Name, S.ID_Firma, S.Korob, "
                         "S.Type\rFROM Sverla S, Firma F\rWHERE S.ID_Firma=F.ID\r";
const char* const OrderBy = "ORDER BY S.Diam_Sverla ;\r";

// The clause forms, row for row. Each text is followed by the value and ")";
// the range is the lower-bound text, V, ")", the upper-bound text, V2, "))".
struct Forms {
    const char* equal;
    const char* greater;
    const char* rangeLower;
    const char* rangeUpper;
    const char* less;
};
const Forms ClauseForms[5] = {
    {" AND (S.Diam_Sverla=", " AND (S.Diam_Sverla>=", " AND  ((S.Diam_Sverla>=", " AND (S.Diam_Sverla<=",
     " AND (S.Diam_Sverla<="},
    {" AND (S.Diam_Hvost=", " AND (S.Diam_Hvost>", " AND ((S.Diam_Hvost>", " AND (S.Diam_Hvost<",
     " AND (S.Diam_Hvost<"},
    {" AND (S.L_Instr=", "AND (S.L_Instr>", " AND ((S.L_Instr>", " AND (S.L_Instr<", " AND (S.L_Instr<"},
    {" AND (S.L_reza=", " AND (S.L_reza>", " AND ((S.L_reza>", " AND (S.L_reza<", " AND (S.L_reza<"},
    {" AND (S.N_zub=", " AND (S.N_zub>", nullptr, nullptr, " AND (S.N_zub<"},
};

const char* const Labels[5] = {"Диаметр сверла", "Диаметр хвостовика", "Длина сверла", "Длина режущей части",
                               "Число зубьев"};

// Integer columns compare with a value the engine keeps within 32 bits.
const bool IntegerColumn[4] = {false, false, true, true};

QString clause(int criterion, int compare, const QString& v, bool upper, const QString& v2)
{
    const Forms& f = ClauseForms[criterion];
    const QString close = QStringLiteral(")");
    switch (compare) {
    case Equal: return QString::fromUtf8(f.equal) + v + close;
    case Greater:
        if (upper && f.rangeLower)
            return QString::fromUtf8(f.rangeLower) + v + close + QString::fromUtf8(f.rangeUpper) + v2 + close + close;
        return QString::fromUtf8(f.greater) + v + close;
    case Less: return QString::fromUtf8(f.less) + v + close;
    }
    return QString();
}

std::optional<QString> valueProblem(int row, bool upper, const QString& text)
{
    const QString which = upper ? QStringLiteral("Критерий \"%1\", второе значение (меньше)").arg(criterionLabel(row))
                                : QStringLiteral("Критерий \"%1\"").arg(criterionLabel(row));
    if (!readsAsNumber(text))
        return which + QStringLiteral(": введите число (цифры и не более одной запятой).");
    if (IntegerColumn[row]) {
        QString dotted = text;
        dotted.replace(QLatin1Char(','), QLatin1Char('.'));
        if (dotted.toDouble() > double(std::numeric_limits<qint32>::max()))
            return which + QStringLiteral(": число вне допустимого диапазона (не более 2147483647).");
    }
    return std::nullopt;
}

} // namespace

QString criterionLabel(int criterion)
{
    return criterion >= 0 && criterion < 5 ? QString::fromUtf8(Labels[criterion]) : QString();
}

bool readsAsNumber(const QString& text)
{
    int digits = 0, commas = 0;
    for (const QChar ch : text) {
        if (ch >= u'0' && ch <= u'9')
            ++digits;
        else if (ch == u',')
            ++commas;
        else
            return false;
    }
    return digits > 0 && commas <= 1;
}

std::optional<Problem> check(const Criteria& c)
{
    for (int r = 0; r < 4; ++r) {
        const Row& row = c.rows[r];
        if (row.compare == None)
            continue;
        if (auto m = valueProblem(r, false, row.value))
            return Problem{r, false, *m};
        if (row.compare == Greater && row.upper)
            if (auto m = valueProblem(r, true, row.upperValue))
                return Problem{r, true, *m};
    }
    return std::nullopt;
}

QString queryText(const Criteria& c)
{
    QString clauses;
    for (int r = 0; r < 4; ++r) {
        const Row& row = c.rows[r];
        clauses += clause(r, row.compare, row.value, row.upper, row.upperValue);
    }
    clauses += clause(N_Zub, c.teethCompare, QString::number(c.teeth), false, QString());
    if (c.firmId)
        clauses += QStringLiteral(" AND (S.ID_Firma=") + QString::number(*c.firmId) + QStringLiteral(")");
    if (c.inStock)
        clauses += c.newOnly ? QStringLiteral(" AND (S.K_vo_New>0)") : QStringLiteral(" AND ((S.K_vo_BU+S.K_vo_New)>0)");
    clauses.replace(QLatin1Char(','), QLatin1Char('.'));
    return QString::fromUtf8(Base) + clauses + CR + QString::fromUtf8(OrderBy);
}

QString fullListText()
{
    return QString::fromUtf8(Base) + QString::fromUtf8(OrderBy);
}

namespace {

// The engine's objection to a text, found without running it; empty when it
// would run.
QString compileError(RecordSet& rs, const QString& text)
{
    Connection* c = rs.connection();
    if (!c || !c->isOpen())
        return QString();   // opening says why
    // The text as a condition that holds for no row: the engine reads its
    // words and names, nothing more.
    QString body = text.trimmed();
    while (body.endsWith(QLatin1Char(';')))
        body.chop(1);
    try {
        Query q(*c, QStringLiteral("SELECT * FROM (%1) AS q WHERE 1 = 0").arg(body));
        q.exec();
    } catch (const DbError& e) {
        return QStringLiteral("%1: %2").arg(rs.name(), e.message());
    }
    return QString();
}

} // namespace

bool applyQuery(RecordSet& rs, const QString& text, QString* error)
{
    // A text the engine refuses leaves the list untouched.
    const QString refused = compileError(rs, text);
    if (!refused.isEmpty()) {
        if (error)
            *error = refused;
        return false;
    }
    // The rows shown stay until the new ones are all read: a list that
    // cannot be read leaves the previous one, its order and current row.
    try {
        rs.openWithText(text);
        return true;
    } catch (const DbError& e) {
        if (error)
            *error = e.message();
    }
    return false;
}

} // namespace SverlaFilter
