#include "Filter.h"

#include "DbError.h"
#include "RuFormat.h"
#include "TextCollate.h"

#include <QDateTime>
#include <cmath>

struct Filter::Node {
    enum Kind { And, Or, Not, Cmp } kind = Cmp;
    std::unique_ptr<Node> a, b;
    int field = -1;
    Op op = Op::Eq;
    bool numeric = true;  // compare as numbers; else as texts
    double num = 0;
    QByteArray str;       // UTF-8
    bool wholeNumber = false;
};

namespace {

enum class Tok { End, LParen, RParen, And, Or, Not, Op, Number, String, Ident, True, False };

struct Token {
    Tok t = Tok::End;
    QString text;
    Filter::Op op = Filter::Op::Eq;
    double num = 0;
    bool whole = false;
    int pos = 0;
};

class Lexer {
public:
    explicit Lexer(const QString& s) : m_s(s) {}

    Token next()
    {
        while (m_i < m_s.size() && m_s[m_i].isSpace())
            ++m_i;
        Token tk;
        tk.pos = int(m_i);
        if (m_i >= m_s.size())
            return tk;
        const QChar c = m_s[m_i];
        if (c == QLatin1Char('(')) { ++m_i; tk.t = Tok::LParen; return tk; }
        if (c == QLatin1Char(')')) { ++m_i; tk.t = Tok::RParen; return tk; }
        if (c == QLatin1Char('=')) { ++m_i; tk.t = Tok::Op; tk.op = Filter::Op::Eq; return tk; }
        if (c == QLatin1Char('<')) {
            ++m_i;
            tk.t = Tok::Op;
            if (m_i < m_s.size() && m_s[m_i] == QLatin1Char('>')) { ++m_i; tk.op = Filter::Op::Ne; }
            else if (m_i < m_s.size() && m_s[m_i] == QLatin1Char('=')) { ++m_i; tk.op = Filter::Op::Le; }
            else tk.op = Filter::Op::Lt;
            return tk;
        }
        if (c == QLatin1Char('>')) {
            ++m_i;
            tk.t = Tok::Op;
            if (m_i < m_s.size() && m_s[m_i] == QLatin1Char('=')) { ++m_i; tk.op = Filter::Op::Ge; }
            else tk.op = Filter::Op::Gt;
            return tk;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('#')) {
            const QChar quote = c;
            ++m_i;
            QString out;
            for (;;) {
                if (m_i >= m_s.size())
                    throw DbError(QStringLiteral("Ошибка в тексте фильтра: не закрыта кавычка."));
                if (m_s[m_i] == quote) {
                    if (quote != QLatin1Char('#') && m_i + 1 < m_s.size() && m_s[m_i + 1] == quote) {
                        out += quote;
                        m_i += 2;
                        continue;
                    }
                    ++m_i;
                    break;
                }
                out += m_s[m_i++];
            }
            tk.t = Tok::String;
            tk.text = out;
            return tk;
        }
        if (c.isDigit() || ((c == QLatin1Char('-') || c == QLatin1Char('+') || c == QLatin1Char('.'))
                            && m_i + 1 < m_s.size() && (m_s[m_i + 1].isDigit() || m_s[m_i + 1] == QLatin1Char('.')))) {
            const qsizetype start = m_i;
            ++m_i;
            while (m_i < m_s.size() && (m_s[m_i].isDigit() || m_s[m_i] == QLatin1Char('.')))
                ++m_i;
            const QString t = m_s.mid(start, m_i - start);
            bool ok = false;
            tk.num = t.toDouble(&ok);
            if (!ok)
                throw DbError(QStringLiteral("Ошибка в тексте фильтра: неверное число \"%1\".").arg(t));
            tk.whole = !t.contains(QLatin1Char('.')) && std::fabs(tk.num) < 2147483648.0;
            tk.t = Tok::Number;
            tk.text = t;
            return tk;
        }
        if (c == QLatin1Char('[')) {
            const qsizetype end = m_s.indexOf(QLatin1Char(']'), m_i);
            if (end < 0)
                throw DbError(QStringLiteral("Ошибка в тексте фильтра: не закрыта скобка \"[\"."));
            tk.t = Tok::Ident;
            tk.text = m_s.mid(m_i + 1, end - m_i - 1);
            m_i = end + 1;
            return tk;
        }
        if (c.isLetter() || c == QLatin1Char('_')) {
            const qsizetype start = m_i;
            while (m_i < m_s.size() && (m_s[m_i].isLetterOrNumber() || m_s[m_i] == QLatin1Char('_')
                                        || m_s[m_i] == QLatin1Char('.')))
                ++m_i;
            tk.text = m_s.mid(start, m_i - start);
            const QString up = tk.text.toUpper();
            if (up == QLatin1String("AND")) tk.t = Tok::And;
            else if (up == QLatin1String("OR")) tk.t = Tok::Or;
            else if (up == QLatin1String("NOT")) tk.t = Tok::Not;
            else if (up == QLatin1String("TRUE")) tk.t = Tok::True;
            else if (up == QLatin1String("FALSE")) tk.t = Tok::False;
            else tk.t = Tok::Ident;
            return tk;
        }
        throw DbError(QStringLiteral("Ошибка в тексте фильтра: неожиданный знак \"%1\".").arg(c));
    }

private:
    const QString& m_s;
    qsizetype m_i = 0;
};

Filter::Op flip(Filter::Op op)
{
    switch (op) {
    case Filter::Op::Lt: return Filter::Op::Gt;
    case Filter::Op::Gt: return Filter::Op::Lt;
    case Filter::Op::Le: return Filter::Op::Ge;
    case Filter::Op::Ge: return Filter::Op::Le;
    default: return op;
    }
}

bool isNumericType(FieldType t)
{
    return t == FieldType::Integer || t == FieldType::Float || t == FieldType::Boolean || t == FieldType::DateTime;
}

class Parser {
public:
    Parser(const QString& text, const QList<FieldDef>& fields) : m_lex(text), m_fields(fields) { advance(); }

    std::unique_ptr<Filter::Node> parseAll()
    {
        auto n = parseOr();
        if (m_tok.t != Tok::End)
            fail(QStringLiteral("лишний текст"));
        return n;
    }

private:
    [[noreturn]] void fail(const QString& what)
    {
        throw DbError(QStringLiteral("Ошибка в тексте фильтра (позиция %1): %2.").arg(m_tok.pos + 1).arg(what));
    }
    void advance() { m_tok = m_lex.next(); }

    std::unique_ptr<Filter::Node> parseOr()
    {
        auto left = parseAnd();
        while (m_tok.t == Tok::Or) {
            advance();
            auto n = std::make_unique<Filter::Node>();
            n->kind = Filter::Node::Or;
            n->a = std::move(left);
            n->b = parseAnd();
            left = std::move(n);
        }
        return left;
    }
    std::unique_ptr<Filter::Node> parseAnd()
    {
        auto left = parseFactor();
        while (m_tok.t == Tok::And) {
            advance();
            auto n = std::make_unique<Filter::Node>();
            n->kind = Filter::Node::And;
            n->a = std::move(left);
            n->b = parseFactor();
            left = std::move(n);
        }
        return left;
    }
    std::unique_ptr<Filter::Node> parseFactor()
    {
        if (m_tok.t == Tok::Not) {
            advance();
            auto n = std::make_unique<Filter::Node>();
            n->kind = Filter::Node::Not;
            n->a = parseFactor();
            return n;
        }
        if (m_tok.t == Tok::LParen) {
            advance();
            auto n = parseOr();
            if (m_tok.t != Tok::RParen)
                fail(QStringLiteral("ожидается \")\""));
            advance();
            return n;
        }
        return parseComparison();
    }

    int fieldIndex(const QString& name) const
    {
        QString n = name;
        const qsizetype dot = n.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0)
            n = n.mid(dot + 1);
        for (int i = 0; i < m_fields.size(); ++i)
            if (m_fields[i].name.compare(n, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }

    std::unique_ptr<Filter::Node> parseComparison()
    {
        Token left = m_tok;
        if (left.t == Tok::End)
            fail(QStringLiteral("ожидается условие"));
        advance();
        if (m_tok.t != Tok::Op)
            fail(QStringLiteral("ожидается знак сравнения"));
        Filter::Op op = m_tok.op;
        advance();
        Token right = m_tok;
        if (right.t == Tok::End)
            fail(QStringLiteral("ожидается значение"));
        advance();

        if (left.t != Tok::Ident && right.t == Tok::Ident) {
            std::swap(left, right);
            op = flip(op);
        }
        if (left.t != Tok::Ident)
            fail(QStringLiteral("ожидается имя поля"));
        const int f = fieldIndex(left.text);
        if (f < 0)
            throw DbError(QStringLiteral("Ошибка в тексте фильтра: нет поля \"%1\".").arg(left.text));
        auto n = std::make_unique<Filter::Node>();
        n->kind = Filter::Node::Cmp;
        n->field = f;
        n->op = op;
        const FieldType ft = m_fields[f].type;
        switch (right.t) {
        case Tok::Number:
            n->numeric = true;
            n->num = right.num;
            n->wholeNumber = right.whole;
            if (!isNumericType(ft)) {      // a text field compared with a number: compare as text
                n->numeric = false;
                n->str = right.text.toUtf8();
            }
            break;
        case Tok::True:
        case Tok::False:
            n->numeric = true;
            n->num = right.t == Tok::True ? 1 : 0;
            n->wholeNumber = true;
            if (!isNumericType(ft))
                fail(QStringLiteral("поле \"%1\" не логическое").arg(left.text));
            break;
        case Tok::String:
            if (ft == FieldType::DateTime) {
                QDate d;
                QDateTime dt = QDateTime::fromString(right.text, QStringLiteral("dd.MM.yyyy H:mm:ss"));
                if (!dt.isValid() && ru::parseDate(right.text, &d))
                    dt = QDateTime(d, QTime(0, 0));
                if (!dt.isValid())
                    dt = QDateTime::fromString(right.text, Qt::ISODate);
                if (!dt.isValid())
                    fail(QStringLiteral("неверная дата \"%1\"").arg(right.text));
                n->numeric = true;
                n->num = double(dt.date().toJulianDay()) * 86400000.0 + dt.time().msecsSinceStartOfDay();
            } else if (isNumericType(ft)) {
                double v = 0;
                if (!ru::parseFloat(right.text, &v))
                    fail(QStringLiteral("\"%1\" не число").arg(right.text));
                n->numeric = true;
                n->num = v;
            } else {
                n->numeric = false;
                n->str = right.text.toUtf8();
            }
            break;
        default:
            fail(QStringLiteral("ожидается значение"));
        }
        return n;
    }

    Lexer m_lex;
    const QList<FieldDef>& m_fields;
    Token m_tok;
};

bool compare(int c, Filter::Op op)
{
    switch (op) {
    case Filter::Op::Eq: return c == 0;
    case Filter::Op::Ne: return c != 0;
    case Filter::Op::Lt: return c < 0;
    case Filter::Op::Gt: return c > 0;
    case Filter::Op::Le: return c <= 0;
    case Filter::Op::Ge: return c >= 0;
    }
    return false;
}

bool evalNode(const Filter::Node& n, const FilterRow& row, int r)
{
    switch (n.kind) {
    case Filter::Node::And: return evalNode(*n.a, row, r) && evalNode(*n.b, row, r);
    case Filter::Node::Or: return evalNode(*n.a, row, r) || evalNode(*n.b, row, r);
    case Filter::Node::Not: return !evalNode(*n.a, row, r);
    case Filter::Node::Cmp: break;
    }
    if (row.isNull(n.field, r))
        return false;
    if (n.numeric) {
        const double v = row.number(n.field, r);
        return compare(v < n.num ? -1 : (v > n.num ? 1 : 0), n.op);
    }
    const std::string_view t = row.text(n.field, r);
    return compare(collatePrimary(t, std::string_view(n.str.constData(), size_t(n.str.size()))), n.op);
}

const char* opSql(Filter::Op op)
{
    switch (op) {
    case Filter::Op::Eq: return "=";
    case Filter::Op::Ne: return "<>";
    case Filter::Op::Lt: return "<";
    case Filter::Op::Gt: return ">";
    case Filter::Op::Le: return "<=";
    case Filter::Op::Ge: return ">=";
    }
    return "=";
}

QString nodeSql(const Filter::Node& n, const QList<FieldDef>& fields)
{
    switch (n.kind) {
    case Filter::Node::And:
    case Filter::Node::Or: {
        const QString a = nodeSql(*n.a, fields), b = nodeSql(*n.b, fields);
        if (a.isEmpty() || b.isEmpty())
            return {};
        return QStringLiteral("(%1 %2 %3)").arg(a, n.kind == Filter::Node::And ? QStringLiteral("AND")
                                                                               : QStringLiteral("OR"), b);
    }
    case Filter::Node::Not:
        return {};   // NULL handling differs; evaluated in memory
    case Filter::Node::Cmp:
        break;
    }
    if (!n.numeric || !n.wholeNumber || fields[n.field].type != FieldType::Integer)
        return {};
    return QStringLiteral("(\"%1\" %2 %3)").arg(fields[n.field].name, QString::fromLatin1(opSql(n.op)))
        .arg(qint64(n.num));
}

} // namespace

Filter::Filter(const QString& text, const QList<FieldDef>& fields) : m_fields(fields)
{
    if (text.trimmed().isEmpty())
        return;
    Parser p(text, m_fields);
    m_root = p.parseAll();
}

Filter::~Filter() = default;
Filter::Filter(Filter&&) noexcept = default;
Filter& Filter::operator=(Filter&&) noexcept = default;

bool Filter::test(const FilterRow& row, int r) const
{
    return !m_root || evalNode(*m_root, row, r);
}

QString Filter::sqlWhere() const
{
    if (!m_root)
        return {};
    return nodeSql(*m_root, m_fields);
}
