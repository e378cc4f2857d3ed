#include "ToolChecks.h"

#include "RecordSet.h"

#include <cmath>

namespace toolchecks {

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

struct BoxRange {
    ToolKind kind;
    const char* box;
    Range range;
};

// The hints say 0,1 to 300 for every length; the checks are these.
const BoxRange kRanges[] = {
    {ToolKind::Sverla, "ed_DiamSv", {false, 0.1, false, 30}},
    {ToolKind::Sverla, "ed_DiamHvost", {false, 0.1, false, 30}},
    {ToolKind::Sverla, "ed_LSv", {true, 5, false, 300}},
    {ToolKind::Sverla, "ed_LHvost", {true, 2, false, 300}},
    {ToolKind::Frezy, "ed_DiamFR", {false, 0.1, false, 30}},
    {ToolKind::Frezy, "ed_DiamHvost", {false, 0.1, false, 30}},
    {ToolKind::Frezy, "ed_LFR", {false, 5, false, 300}},
    {ToolKind::Frezy, "ed_LHvost", {false, 0, true, 300}},
};

const char* const CodeMessage = "Поле \"Код сверла\" не может быть пустым!";
const char* const FirmMessage = "Поле \"Фирма изготовитель\" не может быть пустым!";
const char* const DiamMessage = "Поле \"Диаметр сверла\" не может быть пустым, быть меньше 0,1 или больше 30!";
const char* const ShankMessage = "Поле \"Диаметр хвостовика\" не может быть пустым, быть меньше 0,1 или больше 30!";
const char* const LengthMessage = "Поле \"Длина сверла\" не может быть пустым, быть меньше 0 или больше 300!";
const char* const CuttingMessage =
    "Поле \"Длина режущей части \" не может быть пустым, быть меньше 0 или больше 300!";
const char* const BelowMessage = "Поле \"Длина режущей части\" не может быть больше или равна \"Длине сверла\"";

using C = Check;

// The drill editor's seven checks, then the texts it writes (which always
// read once the seven have passed).
const QList<Check> kSverla = {
    {C::Filled, "dbed_Sverla_KOD", "Kod", CodeMessage, true},
    {C::Filled, "dbcmbx_Sverla_Firma", "Name", FirmMessage, true},
    {C::Valid, "ed_DiamSv", "Diam_Sverla", DiamMessage, false},
    {C::Valid, "ed_DiamHvost", "Diam_Hvost", ShankMessage, false},
    {C::Valid, "ed_LSv", "L_Instr", LengthMessage, true},
    {C::Valid, "ed_LHvost", "L_reza", CuttingMessage, true},
    {C::Below, "ed_LHvost", "L_reza", BelowMessage, true, "ed_LSv"},
    {C::Number, "ed_DiamSv", "Diam_Sverla", "Диаметр сверла", true},
    {C::Number, "ed_DiamHvost", "Diam_Hvost", "Диаметр хвостовика", true},
    {C::Integer, "ed_LSv", "L_Instr", "Длина сверла", true},
    {C::Integer, "ed_LHvost", "L_reza", "Длина режущей части", true},
};

// The cutter editor's: the same seven checks and texts (the drill wording
// included); the shank's moves the focus. Then the texts it writes: the neck
// length has no check of its own but must read as a number; the counts go
// back as they were shown.
const QList<Check> kFrezy = {
    {C::Filled, "dbed_Frezy_KOD", "Kod", CodeMessage, true},
    {C::Filled, "dbcmbx_Frezy_Firma", "Name", FirmMessage, true},
    {C::Valid, "ed_DiamFR", "Diam_Frez", DiamMessage, false},
    {C::Valid, "ed_DiamHvost", "Diam_Hvost", ShankMessage, true},
    {C::Valid, "ed_LFR", "L_Instr", LengthMessage, true},
    {C::Valid, "ed_LHvost", "L_Reza", CuttingMessage, true},
    {C::Below, "ed_LHvost", "L_Reza", BelowMessage, true, "ed_LFR"},
    {C::Number, "ed_DiamFR", "Diam_Frez", "Диаметр фрезы", true},
    {C::Number, "ed_DiamHvost", "Diam_Hvost", "Диаметр хвостовика", true},
    {C::Number, "ed_LFR", "L_Instr", "Длина фрезы", true},
    {C::Number, "ed_LHvost", "L_Reza", "Длина режущей части", true},
    {C::Number, "ed_L_Sheiki", "L_Sheiki", "Длина шейки", true},
    {C::Integer, "ed_kvo_new", "K_vo_New", "Новый инструмент на складе", true, nullptr, true},
    {C::Integer, "ed_kvo_BU", "K_vo_BU", "БУ инструмент на складе", true, nullptr, true},
};

// The holder and insert editors: name, code, firm (the box number carries
// "*" in its label but is not checked; a code of blanks passes).
const QList<Check> kDerj = {
    {C::Filled, "dbcmbx_Naim", "Derj_Name", "Поле \"Наименование державки пластины\" не может быть пустым!", true},
    {C::Filled, "dbed_Derj_KOD", "Kod", "Поле \"Код державки пластины\" не может быть пустым!", true},
    {C::Filled, "dbcmbx_Derj_Firma", "Name", FirmMessage, true},
};

const QList<Check> kPlast = {
    {C::Filled, "dbcmbx_Naim", "Naimenovanie", "Поле \"Наименование пластины\" не может быть пустым!", true},
    {C::Filled, "dbed_Plast_KOD", "Kod", "Поле \"Код пластины\" не может быть пустым!", true},
    {C::Filled, "dbcmbx_Plast_Firma", "Name", FirmMessage, true},
};

double floatOf(const QString& text)
{
    double v = 0;
    readFloat(text, &v);
    return v;
}

} // namespace

bool numericText(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (!isDigit(c) && c != QLatin1Char(',') && c != QLatin1Char('.'))
            return false;
    return true;
}

bool readFloat(const QString& text, double* out)
{
    int digits = 0, commas = 0;
    for (QChar c : text) {
        if (isDigit(c))
            ++digits;
        else if (c == QLatin1Char(','))
            ++commas;
        else
            return false;
    }
    if (digits == 0 || commas > 1)
        return false;
    bool ok = false;
    const double v = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    *out = v;
    return true;
}

bool readInt(const QString& text, int* out)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (!isDigit(c))
            return false;
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok)
        return false;
    *out = v;
    return true;
}

bool readNumber(const Range& range, const QString& text, double* value)
{
    if (!numericText(text))
        return false;
    if (range.integer) {
        int i = 0;
        if (!readInt(text, &i))
            return false;
        *value = i;
        return true;
    }
    return readFloat(text, value);
}

bool inRange(const Range& range, double value)
{
    return !((range.loOpen ? value <= range.lo : value < range.lo) || value > range.hi);
}

bool accepts(const Range& range, const QString& text)
{
    double v = 0;
    return readNumber(range, text, &v) && inRange(range, v);
}

const Range& rangeOf(ToolKind kind, const QString& box)
{
    for (const BoxRange& r : kRanges)
        if (r.kind == kind && box == QLatin1String(r.box))
            return r.range;
    static const Range none;
    return none;
}

const QList<Check>& checksOf(ToolKind kind)
{
    switch (kind) {
    case ToolKind::Sverla: return kSverla;
    case ToolKind::Frezy: return kFrezy;
    case ToolKind::Derj: return kDerj;
    case ToolKind::Plast: return kPlast;
    }
    return kPlast;
}

Refusal firstRefusal(ToolKind kind, const Texts& texts)
{
    for (const Check& c : checksOf(kind)) {
        const QString box = QString::fromLatin1(c.box);
        const QString text = texts.value(box);
        bool fails = false;
        QString message = QString::fromUtf8(c.message);
        switch (c.test) {
        case Check::Filled: fails = text.isEmpty(); break;
        case Check::Valid: fails = !accepts(rangeOf(kind, box), text); break;
        case Check::Below: fails = floatOf(text) >= floatOf(texts.value(QString::fromLatin1(c.other))); break;
        case Check::Number:
        case Check::Integer: {
            if (c.optional && text.isEmpty())
                break;
            double d = 0;
            int i = 0;
            const bool integer = c.test == Check::Integer;
            fails = integer ? !readInt(text, &i) : !readFloat(text, &d);
            message = integer ? QStringLiteral("Поле \"%1\" должно содержать целое число!").arg(message)
                              : QStringLiteral("Поле \"%1\" должно содержать число (например 12,5)!").arg(message);
            break;
        }
        }
        if (fails)
            return {message, c.focus ? box : QString()};
    }
    return {};
}

Texts rowTexts(ToolKind kind, const RecordSet& catalogue, int pos)
{
    Texts out;
    for (const Check& c : checksOf(kind)) {
        const int f = catalogue.fieldIndex(QString::fromLatin1(c.field));
        out.insert(QString::fromLatin1(c.box), f < 0 ? QString() : catalogue.textAt(pos, f));
    }
    return out;
}

} // namespace toolchecks
