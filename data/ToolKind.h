#pragma once
// What a tool kind is, in one place. The enum's order is the main window's
// page index and the dialogs' Kind (0 drills, 1 milling cutters, 2 insert
// holders, 3 inserts); the kind code ID_Tabl stored in rows is another
// numbering (1 drills, 2 inserts, 3 milling cutters, 4 insert holders).
// Irregular texts (captions, messages) are not kept here: each window keeps
// its own table of them.
#include <QString>
#include <array>
#include <optional>

class RecordSet;
class TDM;

enum class ToolKind { Sverla = 0, Frezy = 1, Derj = 2, Plast = 3 };

struct ToolKindInfo {
    ToolKind kind;
    int code;                    // ID_Tabl
    const char* table;           // the tool table: "Sverla", "Frezy", "Derj_Plast", "Plastinyi"
    const char* catalogue;       // catalogue record set of the data module
    const char* dataSource;      // its data source (dtsr_...)
    const char* tableObject;     // plain table object (tbl_...)
    int pictureTarget;           // LoadPicture target of the page's picture
    // Counter spellings, in the catalogue record set and in the tool table.
    const char* newField;        // K_vo_New / K_vo_NEW
    const char* buField;         // K_vo_BU
    const char* dolgField;       // K_vo_Dolg / K_vo_DOLG
    const char* tableNewColumn;
    const char* tableDolgColumn;
    const char* prefix;          // of the names of the page's controls: SV, FR, DRJ, PL
    const char* debtsAlias;      // alias of the tool table in the debts query
    const char* historyAlias;    // alias of the tool table in the history queries
};

constexpr int ToolKindCount = 4;

// The four kinds in page order.
const std::array<ToolKind, ToolKindCount>& allToolKinds();
// The four kinds in kind-code order (1 drills, 2 inserts, 3 cutters, 4 holders),
// the order of the unions of the debts and history queries.
const std::array<ToolKind, ToolKindCount>& toolKindsByCode();

const ToolKindInfo& toolKind(ToolKind k);
inline int pageOf(ToolKind k) { return int(k); }
inline int dialogKindOf(ToolKind k) { return int(k); }
inline int kindCodeOf(ToolKind k) { return toolKind(k).code; }
// By the stored kind code; none for a code that names no kind.
std::optional<ToolKind> toolKindByCode(int code);
// By page index or dialog Kind (0..3); none for the debts page or beyond.
std::optional<ToolKind> toolKindByPage(int page);

// The data module's record sets of a kind.
RecordSet& catalogueOf(TDM& dm, ToolKind k);
RecordSet& tableObjectOf(TDM& dm, ToolKind k);
