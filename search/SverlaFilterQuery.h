#pragma once
// The query text of the drills list narrowed by the drill filter: the
// criteria as the filter dialog holds them, the check of their values, the
// text built from them, and the swap of the text on the drills record set.
// Links no widgets, so that the benchmark measures what the dialog runs.
#include <QString>
#include <optional>

class RecordSet;

namespace SverlaFilter {

// Items of a comparison list, by index.
enum Compare { None = 0, Equal = 1, Greater = 2, Less = 3 };

// The geometric criteria, in the order their clauses are joined.
enum Criterion { DiamSverla = 0, DiamHvost = 1, L_Instr = 2, L_Reza = 3, N_Zub = 4 };

// One row of criteria: its comparison, its value box (V) and, with
// "больше", the second bound at "меньше (<)" with its value box (V2).
struct Row {
    int compare = None;
    QString value;
    bool upper = false;
    QString upperValue;
};

struct Criteria {
    Row rows[4];                 // DiamSverla, DiamHvost, L_Instr, L_Reza
    int teethCompare = None;
    int teeth = 2;               // the chosen item of the teeth list
    std::optional<int> firmId;   // none: "Любая фирма"
    bool inStock = false;        // only tools with pieces in the storeroom
    bool newOnly = false;        // ... of them only new pieces (with inStock)
};

// The row label of a criterion ("Диаметр сверла", ...).
QString criterionLabel(int criterion);

// Whether a value box's text reads as a number: digits with at most one
// decimal comma, at least one digit.
bool readsAsNumber(const QString& text);

// The first value box, of the boxes the criteria use, that does not hold a
// number in its column's range; the message names the criterion.
struct Problem {
    int row;       // 0..3
    bool upper;    // the second-bound box
    QString message;
};
std::optional<Problem> check(const Criteria& c);

// The query text for the criteria: base, the joined clauses with every ","
// made ".", CR, "ORDER BY S.Diam_Sverla ;" CR.
QString queryText(const Criteria& c);
// The text that lists every drill again.
QString fullListText();

// Puts text on the record set and opens it again. A text the engine refuses
// leaves the record set as it is, and so do rows that cannot be read: the
// previous text, rows, order and current row stay. Both return false with
// the engine's error.
bool applyQuery(RecordSet& rs, const QString& text, QString* error);

} // namespace SverlaFilter
