#pragma once
// Filter texts of record sets: "ID=5", "(ID_Instr=17) AND (ID_Tabl=1)",
// comparisons (= <> < > <= >=) of a field with a number, a quoted string or
// TRUE/FALSE, joined by AND, OR, NOT and parentheses. A text that does not
// parse is an error, never "show everything".
#include "FieldDef.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <string_view>

class FilterRow {
public:
    virtual ~FilterRow() = default;
    virtual bool isNull(int field, int row) const = 0;
    virtual double number(int field, int row) const = 0;       // numeric, boolean and date fields
    virtual std::string_view text(int field, int row) const = 0; // text fields, UTF-8
};

class Filter {
public:
    enum class Op { Eq, Ne, Lt, Gt, Le, Ge };
    struct Node;

    // Parses the text against the record set's fields; DbError when it fails.
    // An empty text (blanks only) gives a filter that passes every row.
    Filter(const QString& text, const QList<FieldDef>& fields);
    ~Filter();
    Filter(Filter&&) noexcept;
    Filter& operator=(Filter&&) noexcept;

    bool passesAll() const { return !m_root; }
    bool test(const FilterRow& row, int r) const;
    // The same condition as an SQL WHERE text, when it compares only integer
    // fields with whole numbers (so the engine can use its indexes); empty otherwise.
    QString sqlWhere() const;

private:
    std::unique_ptr<Node> m_root;
    QList<FieldDef> m_fields;
};
