#pragma once
// What the tool editors accept on OK, as functions of the texts their
// controls show. The editors colour their dimension boxes and run OK through
// these; whatever else writes tool rows (the sample writer) is held to the
// same rules, so that every row it writes can be edited and saved again.
#include "ToolKind.h"

#include <QHash>
#include <QList>
#include <QString>

class RecordSet;

namespace toolchecks {

// The numeric-text test: not empty, only digits, commas and points.
bool numericText(const QString& text);
// Numbers as the editors read them: a float is digits with at most one
// comma separating the decimals (a point makes it unreadable); an integer is
// digits only.
bool readFloat(const QString& text, double* out);
bool readInt(const QString& text, int* out);

// The valid values of a dimension box: a number of its kind within [lo, hi],
// lo excluded when loOpen.
struct Range {
    bool integer = false;
    double lo = 0;
    bool loOpen = false;
    double hi = 0;
};
// The text passes the numeric-text test and reads as a number of the
// range's kind (into *value); whether it lies within is inRange.
bool readNumber(const Range& range, const QString& text, double* value);
bool inRange(const Range& range, double value);
// Both: what a box painted white holds.
bool accepts(const Range& range, const QString& text);
// The range of an editor's dimension box, by the box's object name
// (ed_DiamSv, ed_LFR, ...); an empty range for a box without one.
const Range& rangeOf(ToolKind kind, const QString& box);

// One check of an editor's OK, in order; the first that fails ends OK with
// its message.
struct Check {
    enum Test {
        Filled,    // the text is not empty
        Valid,     // the text is within the box's range
        Below,     // its number is less than that of the box `other`
        Number,    // the text reads as a float, for writing ...
        Integer,   // ... or as an integer; with `optional` an empty text is not read
    };
    Test test;
    const char* box;       // the control whose text is tested
    const char* field;     // the catalogue field that control shows
    const char* message;   // Number, Integer: the field as the message names it
    bool focus;            // the control gets the focus when the check fails
    const char* other = nullptr;   // Below
    bool optional = false;         // Number, Integer
};
const QList<Check>& checksOf(ToolKind kind);

// The texts of an editor's controls by object name; a firm box holds the
// name of the firm it shows, empty for none.
using Texts = QHash<QString, QString>;
struct Refusal {
    QString message;   // empty: every check passed
    QString focus;     // the control to focus; empty for none
};
Refusal firstRefusal(ToolKind kind, const Texts& texts);

// The texts the kind's editor shows for row pos of the kind's catalogue
// record set: its fields as the edit command puts them into the boxes and as
// the bound controls show them.
Texts rowTexts(ToolKind kind, const RecordSet& catalogue, int pos);

} // namespace toolchecks
