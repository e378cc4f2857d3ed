#include "HistoryList.h"

#include "Connection.h"
#include "DbError.h"
#include "Engine.h"
#include "Query.h"
#include "StringPool.h"
#include "ToolKind.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <unordered_map>


namespace {

constexpr int32_t kNoTool = -2;

// A kind's tools: ID → index of the tool's code in the list's KOD pool
// (-1 for a null code). Read whole for a whole list (tool IDs are usually
// dense; scattered IDs fall back to a hash map), or looked up one by one
// for a filtered list, which names few tools.
class ToolCodes {
public:
    void build(std::vector<std::pair<int64_t, int32_t>>&& rows)
    {
        if (rows.empty())
            return;
        int64_t lo = rows[0].first, hi = rows[0].first;
        for (const auto& r : rows) {
            lo = std::min(lo, r.first);
            hi = std::max(hi, r.first);
        }
        if (lo >= 0 && hi < int64_t(rows.size()) * 4 + 65536) {
            m_dense.assign(size_t(hi) + 1, kNoTool);
            for (const auto& r : rows)
                m_dense[size_t(r.first)] = r.second;
        } else {
            m_map.reserve(rows.size());
            for (const auto& r : rows)
                m_map.emplace(r.first, r.second);
        }
    }
    void lookUpIn(Query* byId, StringPool* codes)
    {
        m_byId = byId;
        m_codes = codes;
    }
    int32_t find(int64_t id)
    {
        if (!m_dense.empty())
            return id >= 0 && uint64_t(id) < m_dense.size() ? m_dense[size_t(id)] : kNoTool;
        const auto it = m_map.find(id);
        if (it != m_map.end() || !m_byId)
            return it == m_map.end() ? kNoTool : it->second;
        int32_t code = kNoTool;
        m_byId->reset();
        m_byId->bindInt(0, id);
        if (m_byId->next()) {
            code = -1;
            if (!m_byId->isNull(0)) {
                const std::string_view v = m_byId->utf8(0);
                code = m_codes->intern(v.data() ? v.data() : "", uint32_t(v.size()));
            }
        }
        m_map.emplace(id, code);
        return code;
    }

private:
    std::vector<int32_t> m_dense;
    std::unordered_map<int64_t, int32_t> m_map;
    Query* m_byId = nullptr;
    StringPool* m_codes = nullptr;
};

// How the engine orders the values of a column: nulls first, then numbers
// by value, then texts byte by byte (the binary collation), then blobs.
enum DateClass : uint32_t { DNull = 0, DNumber = 1, DText = 2, DBlob = 3 };

uint64_t dateKey(DateClass cls, uint32_t idx) { return (uint64_t(cls) << 32) | idx; }

} // namespace

int readHistoryList(Connection& c, const QString& historyTable, const QString& where, RowBuffer& out)
{
    if (!c.isOpen())
        throw DbError(QStringLiteral("нет соединения с базой данных."));
    const int fId = out.field(QStringLiteral("ID")), fTablName = out.field(QStringLiteral("Tabl_Name")),
              fIdInstr = out.field(QStringLiteral("ID_Instr")), fIdTabl = out.field(QStringLiteral("ID_Tabl")),
              fKod = out.field(QStringLiteral("KOD")), fDate = out.field(QStringLiteral("Date")),
              fKvo = out.field(QStringLiteral("K_vo")), fBu = out.field(QStringLiteral("Instr_is_BU")),
              fFio = out.field(QStringLiteral("FIO_AdminBD"));

    // Kind names: the join on List_Tabl keeps only the kinds that have a row.
    bool kindListed[5] = {};
    int32_t kindName[5] = {-1, -1, -1, -1, -1};
    {
        Query st(c, QStringLiteral("SELECT ID, Tabl_Name FROM List_Tabl"));
        while (st.next()) {
            if (st.type(0) != ValueType::Integer)
                continue;
            const qint64 code = st.int64(0);
            if (code < 1 || code > 4)
                continue;
            kindListed[code] = true;
            if (!st.isNull(1)) {
                const std::string_view v = st.utf8(1);
                kindName[code] = out.pool(fTablName).intern(v.data() ? v.data() : "", uint32_t(v.size()));
            }
        }
    }

    // The tools of every listed kind, with their codes.
    ToolCodes tools[5];
    std::unique_ptr<Query> byId[5];
    StringPool& kodPool = out.pool(fKod);
    for (ToolKind kind : toolKindsByCode()) {
        const ToolKindInfo& k = toolKind(kind);
        if (!kindListed[k.code])
            continue;
        const QString table = c.dialect().quoted(QString::fromLatin1(k.table));
        if (!where.isEmpty()) {
            byId[k.code] = std::make_unique<Query>(c, QStringLiteral("SELECT KOD FROM %1 WHERE ID = ?").arg(table));
            tools[k.code].lookUpIn(byId[k.code].get(), &kodPool);
            continue;
        }
        Query st(c, QStringLiteral("SELECT ID, KOD FROM %1").arg(table));
        std::vector<std::pair<int64_t, int32_t>> rows;
        while (st.next()) {
            if (st.type(0) != ValueType::Integer)
                continue;
            int32_t code = -1;
            if (!st.isNull(1)) {
                const std::string_view v = st.utf8(1);
                code = kodPool.intern(v.data() ? v.data() : "", uint32_t(v.size()));
            }
            rows.emplace_back(st.int64(0), code);
        }
        tools[k.code].build(std::move(rows));
    }

    // One pass over the history in ID order: the rows whose kind is listed
    // and whose tool exists, each with the key its date sorts by.
    std::vector<uint64_t> keys;
    StringPool dateTexts, dateBlobs;
    std::vector<int64_t> textStamps;    // parsed once per distinct text; INT64_MIN: not a date
    std::vector<double> numbers;
    int32_t lastText = -1;   // rows of one day follow each other: their date is looked up once
    // The tools' codes are looked up a batch of rows at a time, after the
    // rows are read: in one short loop the lookups (each a cache miss in a
    // large catalogue) overlap. Rows whose tool does not exist are dropped.
    constexpr size_t Batch = 1024;
    std::vector<std::pair<int32_t, int64_t>> pending;   // (kind, tool ID) of rows not yet looked up
    pending.reserve(Batch);
    std::vector<int32_t> dropped;   // rows whose tool does not exist
    int32_t rowsRead = 0;
    auto lookUpPending = [&] {
        const int32_t first = rowsRead - int32_t(pending.size());
        for (size_t i = 0; i < pending.size(); ++i) {
            const int32_t code = tools[pending[i].first].find(pending[i].second);
            if (code == kNoTool)
                dropped.push_back(first + int32_t(i));
            out.appendPooled(fKod, code == kNoTool ? -1 : code);
        }
        pending.clear();
    };
    {
        Query st(c, QStringLiteral("SELECT ID, ID_Tabl, ID_Instr, \"Date\", K_vo, Instr_is_BU, FIO_AdminBD FROM %1%2 "
                                   "ORDER BY ID")
                        .arg(c.dialect().quoted(historyTable), where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where));
        while (st.next()) {
            if (st.type(1) != ValueType::Integer || st.type(2) != ValueType::Integer)
                continue;
            const qint64 kind = st.int64(1);
            if (kind < 1 || kind > 4 || !kindListed[kind])
                continue;
            const qint64 tool = st.int64(2);
            pending.emplace_back(int32_t(kind), tool);
            ++rowsRead;
            // The key and the tool reference are integers (checked above):
            // stored without asking the engine their types again.
            if (st.type(0) == ValueType::Integer)
                out.appendInt(fId, int32_t(st.int64(0)));
            else
                out.appendColumn(fId, st, 0);
            out.appendPooled(fTablName, kindName[kind]);
            out.appendInt(fIdInstr, int32_t(tool));
            out.appendInt(fIdTabl, int32_t(kind));
            switch (st.type(3)) {
            case ValueType::Null:
                keys.push_back(dateKey(DNull, 0));
                out.appendNull(fDate);
                break;
            case ValueType::Text: {
                const std::string_view v = st.utf8(3);
                const auto* p = v.data();
                const int n = int(v.size());
                int32_t idx = lastText;
                if (idx < 0 || dateTexts.view(idx) != std::string_view(p ? p : "", size_t(n)))
                    idx = lastText = dateTexts.intern(p ? p : "", uint32_t(n));
                if (size_t(idx) == textStamps.size()) {
                    int64_t s = 0;
                    textStamps.push_back(RowBuffer::stampOfText(p, n, &s) ? s : INT64_MIN);
                }
                keys.push_back(dateKey(DText, uint32_t(idx)));
                if (textStamps[size_t(idx)] == INT64_MIN)
                    out.appendNull(fDate);
                else
                    out.appendStamp(fDate, textStamps[size_t(idx)]);
                break;
            }
            case ValueType::Blob: {
                const std::string_view v = st.utf8(3);
                const int32_t idx = dateBlobs.intern(v.data() ? v.data() : "", uint32_t(v.size()));
                keys.push_back(dateKey(DBlob, uint32_t(idx)));
                out.appendColumn(fDate, st, 3);
                break;
            }
            default:
                keys.push_back(dateKey(DNumber, uint32_t(numbers.size())));
                numbers.push_back(st.real(3));
                out.appendColumn(fDate, st, 3);
                break;
            }
            out.appendColumn(fKvo, st, 4);
            out.appendColumn(fBu, st, 5);
            out.appendColumn(fFio, st, 6);
            if (pending.size() == Batch)
                lookUpPending();
        }
        lookUpPending();
    }
    if (!dropped.empty()) {
        std::vector<int32_t> kept;
        kept.reserve(keys.size() - dropped.size());
        size_t d = 0;
        for (int32_t r = 0; r < int32_t(keys.size()); ++r) {
            if (d < dropped.size() && dropped[d] == r) {
                ++d;
                continue;
            }
            keys[kept.size()] = keys[size_t(r)];
            kept.push_back(r);
        }
        keys.resize(kept.size());
        out.reorder(kept);
    }

    // Rank the distinct dates in the engine's order; equal dates share a rank.
    uint32_t nextRank = 1;   // rank 0: null
    std::vector<uint32_t> numberRank(numbers.size()), textRank(size_t(dateTexts.size())),
        blobRank(size_t(dateBlobs.size()));
    {
        std::vector<uint32_t> idx(numbers.size());
        std::iota(idx.begin(), idx.end(), 0u);
        std::sort(idx.begin(), idx.end(), [&](uint32_t a, uint32_t b) { return numbers[a] < numbers[b]; });
        for (size_t i = 0; i < idx.size(); ++i) {
            if (i > 0 && numbers[idx[i]] != numbers[idx[i - 1]])
                ++nextRank;
            numberRank[idx[i]] = nextRank;
        }
        if (!idx.empty())
            ++nextRank;
    }
    for (auto [pool, rank] : {std::pair{&dateTexts, &textRank}, std::pair{&dateBlobs, &blobRank}}) {
        std::vector<uint32_t> idx(size_t(pool->size()));
        std::iota(idx.begin(), idx.end(), 0u);
        std::sort(idx.begin(), idx.end(),
                  [&](uint32_t a, uint32_t b) { return pool->view(int32_t(a)) < pool->view(int32_t(b)); });
        for (uint32_t i : idx)
            (*rank)[i] = nextRank++;
    }

    // A stable counting sort by rank: rows of one date stay in ID order.
    const size_t n = keys.size();
    std::vector<uint32_t> rowRank(n);
    for (size_t r = 0; r < n; ++r) {
        const auto cls = uint32_t(keys[r] >> 32);
        const auto i = uint32_t(keys[r]);
        rowRank[r] = cls == DNull ? 0 : cls == DNumber ? numberRank[i] : cls == DText ? textRank[i] : blobRank[i];
    }
    keys.clear();
    keys.shrink_to_fit();
    std::vector<int32_t> start(size_t(nextRank) + 1, 0);
    for (uint32_t rk : rowRank)
        ++start[rk + 1];
    for (size_t i = 1; i < start.size(); ++i)
        start[i] += start[i - 1];
    std::vector<int32_t> order(n);
    bool inOrder = true;
    for (size_t r = 0; r < n; ++r) {
        const int32_t at = start[rowRank[r]]++;
        order[size_t(at)] = int32_t(r);
        inOrder = inOrder && size_t(at) == r;
    }
    if (!inOrder)
        out.reorder(order);
    return int(n);
}
