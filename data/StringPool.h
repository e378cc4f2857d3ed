#pragma once
// Texts of one column, each distinct text stored once (UTF-8) and named by a
// small index: a million rows with a few thousand distinct codes cost four
// bytes a row, and equal texts compare as equal indexes.
#include <QString>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

class StringPool {
public:
    int32_t intern(const char* s, uint32_t n)
    {
        if ((m_off.size() + 1) * 2 > m_slots.size())
            grow();
        const uint32_t h = hash(s, n);
        const size_t mask = m_slots.size() - 1;
        size_t i = h & mask;
        for (;;) {
            const int32_t idx = m_slots[i];
            if (idx < 0)
                break;
            if (m_hash[size_t(idx)] == h && m_len[size_t(idx)] == n
                && std::memcmp(m_arena.data() + m_off[size_t(idx)], s, n) == 0)
                return idx;
            i = (i + 1) & mask;
        }
        const auto idx = int32_t(m_off.size());
        m_off.push_back(m_arena.size());
        m_len.push_back(n);
        m_hash.push_back(h);
        m_arena.append(s, n);
        m_slots[i] = idx;
        return idx;
    }
    int32_t intern(const QString& s)
    {
        const QByteArray u = s.toUtf8();
        return intern(u.constData(), uint32_t(u.size()));
    }
    int32_t find(const char* s, uint32_t n) const
    {
        if (m_slots.empty())
            return -1;
        const uint32_t h = hash(s, n);
        const size_t mask = m_slots.size() - 1;
        for (size_t i = h & mask;; i = (i + 1) & mask) {
            const int32_t idx = m_slots[i];
            if (idx < 0)
                return -1;
            if (m_hash[size_t(idx)] == h && m_len[size_t(idx)] == n
                && std::memcmp(m_arena.data() + m_off[size_t(idx)], s, n) == 0)
                return idx;
        }
    }
    std::string_view view(int32_t idx) const
    {
        return idx < 0 ? std::string_view() : std::string_view(m_arena.data() + m_off[size_t(idx)], m_len[size_t(idx)]);
    }
    QString string(int32_t idx) const
    {
        const std::string_view v = view(idx);
        return QString::fromUtf8(v.data(), qsizetype(v.size()));
    }
    int size() const { return int(m_off.size()); }
    void clear()
    {
        m_arena.clear();
        m_arena.shrink_to_fit();
        m_off.clear();
        m_off.shrink_to_fit();
        m_len.clear();
        m_len.shrink_to_fit();
        m_hash.clear();
        m_hash.shrink_to_fit();
        m_slots.clear();
        m_slots.shrink_to_fit();
    }
    size_t memoryBytes() const
    {
        return m_arena.capacity() + m_off.capacity() * 8 + m_len.capacity() * 4 + m_hash.capacity() * 4
            + m_slots.capacity() * 4;
    }

private:
    static uint32_t hash(const char* s, uint32_t n)
    {
        uint64_t h = 1469598103934665603ULL;
        for (uint32_t i = 0; i < n; ++i) {
            h ^= static_cast<unsigned char>(s[i]);
            h *= 1099511628211ULL;
        }
        return uint32_t(h ^ (h >> 32));
    }
    void grow()
    {
        const size_t cap = m_slots.empty() ? 64 : m_slots.size() * 2;
        m_slots.assign(cap, -1);
        const size_t mask = cap - 1;
        for (size_t idx = 0; idx < m_off.size(); ++idx) {
            size_t i = m_hash[idx] & mask;
            while (m_slots[i] >= 0)
                i = (i + 1) & mask;
            m_slots[i] = int32_t(idx);
        }
    }

    std::string m_arena;
    std::vector<uint64_t> m_off;
    std::vector<uint32_t> m_len;
    std::vector<uint32_t> m_hash;
    std::vector<int32_t> m_slots;
};
