#include "ToolKind.h"

#include "DM_Unit.h"

namespace {

const std::array<ToolKindInfo, ToolKindCount> kKinds = {{
    {ToolKind::Sverla, 1, "Sverla", "dtSet_Sverla", "dtsr_Sverla", "tbl_Sverla", 1, "K_vo_New", "K_vo_BU",
     "K_vo_Dolg", "K_vo_New", "K_vo_Dolg", "SV", "S", "S"},
    {ToolKind::Frezy, 3, "Frezy", "dtSet_Frezy", "dtsr_Frezy", "tbl_Frezy", 2, "K_vo_New", "K_vo_BU", "K_vo_DOLG",
     "K_vo_NEW", "K_vo_DOLG", "FR", "F", "F"},
    {ToolKind::Derj, 4, "Derj_Plast", "dtSet_Derj_PL", "dtsr_Derj_PL", "tbl_Derj_PL", 3, "K_vo_NEW", "K_vo_BU",
     "K_vo_Dolg", "K_vo_NEW", "K_vo_Dolg", "DRJ", "Dp", "DP"},
    {ToolKind::Plast, 2, "Plastinyi", "dtSet_Plastiny", "dtsr_Plastiny", "tbl_Plastiny", 4, "K_vo_NEW", "K_vo_BU",
     "K_vo_Dolg", "K_vo_new", "K_vo_Dolg", "PL", "P", "Pls"},
}};

} // namespace

const std::array<ToolKind, ToolKindCount>& allToolKinds()
{
    static const std::array<ToolKind, ToolKindCount> a = {ToolKind::Sverla, ToolKind::Frezy, ToolKind::Derj,
                                                          ToolKind::Plast};
    return a;
}

const std::array<ToolKind, ToolKindCount>& toolKindsByCode()
{
    static const std::array<ToolKind, ToolKindCount> a = {ToolKind::Sverla, ToolKind::Plast, ToolKind::Frezy,
                                                          ToolKind::Derj};
    return a;
}

const ToolKindInfo& toolKind(ToolKind k)
{
    return kKinds[size_t(k)];
}

std::optional<ToolKind> toolKindByCode(int code)
{
    for (const ToolKindInfo& i : kKinds)
        if (i.code == code)
            return i.kind;
    return std::nullopt;
}

std::optional<ToolKind> toolKindByPage(int page)
{
    if (page < 0 || page >= ToolKindCount)
        return std::nullopt;
    return ToolKind(page);
}

RecordSet& catalogueOf(TDM& dm, ToolKind k)
{
    switch (k) {
    case ToolKind::Sverla: return dm.dtSet_Sverla;
    case ToolKind::Frezy: return dm.dtSet_Frezy;
    case ToolKind::Derj: return dm.dtSet_Derj_PL;
    case ToolKind::Plast: return dm.dtSet_Plastiny;
    }
    return dm.dtSet_Sverla;
}

RecordSet& tableObjectOf(TDM& dm, ToolKind k)
{
    switch (k) {
    case ToolKind::Sverla: return dm.tbl_Sverla;
    case ToolKind::Frezy: return dm.tbl_Frezy;
    case ToolKind::Derj: return dm.tbl_Derj_PL;
    case ToolKind::Plast: return dm.tbl_Plastiny;
    }
    return dm.tbl_Sverla;
}
