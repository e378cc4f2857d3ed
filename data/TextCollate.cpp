#include "TextCollate.h"

#include <QChar>

namespace {

inline char32_t decode(std::string_view s, size_t& i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) { ++i; return c; }
    auto cont = [&](size_t k) -> char32_t {
        return (i + k < s.size()) ? (static_cast<unsigned char>(s[i + k]) & 0x3F) : 0;
    };
    if ((c & 0xE0) == 0xC0) { char32_t cp = ((c & 0x1F) << 6) | cont(1); i += 2; return cp; }
    if ((c & 0xF0) == 0xE0) { char32_t cp = ((c & 0x0F) << 12) | (cont(1) << 6) | cont(2); i += 3; return cp; }
    if ((c & 0xF8) == 0xF0) {
        char32_t cp = ((c & 0x07) << 18) | (cont(1) << 12) | (cont(2) << 6) | cont(3);
        i += 4;
        return cp;
    }
    ++i;
    return c;
}

inline char32_t fold(char32_t c)
{
    if (c < 0x80)
        return (c >= 'A' && c <= 'Z') ? c + 32 : c;
    if (c >= 0x0430 && c <= 0x044F) return c;          // а..я as they are
    if (c >= 0x0410 && c <= 0x042F) return c + 0x20;   // А..Я -> а..я
    if (c == 0x0401 || c == 0x0451) return 0x0435;     // Ё, ё -> е
    if (c >= 0x0400 && c <= 0x040F) return c + 0x50;   // other capitals of the block
    if (c < 0x10000) return QChar(static_cast<char16_t>(c)).toLower().unicode();
    return c;
}

} // namespace

namespace {
int primaryCompare(std::string_view a, std::string_view b, size_t& i, size_t& j)
{
    while (i < a.size() && j < b.size()) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[j]);
        if (ca < 0x80 && cb < 0x80) {       // fast path for plain ASCII
            const char32_t fa = fold(ca), fb = fold(cb);
            if (fa != fb) return fa < fb ? -1 : 1;
            ++i; ++j;
            continue;
        }
        const char32_t fa = fold(decode(a, i));
        const char32_t fb = fold(decode(b, j));
        if (fa != fb) return fa < fb ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}
} // namespace

int collatePrimary(std::string_view a, std::string_view b)
{
    size_t i = 0, j = 0;
    return primaryCompare(a, b, i, j);
}

int collateCompare(std::string_view a, std::string_view b)
{
    size_t i = 0, j = 0;
    if (const int p = primaryCompare(a, b, i, j))
        return p;
    const int raw = a.compare(b);
    return raw < 0 ? -1 : (raw > 0 ? 1 : 0);
}

int collateCompare(const QString& a, const QString& b)
{
    const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
    return collateCompare(std::string_view(ua.constData(), size_t(ua.size())),
                          std::string_view(ub.constData(), size_t(ub.size())));
}
