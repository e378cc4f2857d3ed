#pragma once
// One SQL statement on the connection, its parameters bound by position
// ("?", numbered from 0 in the order they stand), its rows stepped one by
// one. Everything above the data layer's engine code reads and writes rows
// through this class, so that it does not depend on the engine.
//
//     Query q(conn, "SELECT K_vo_BU FROM Sverla WHERE ID = ?");
//     q.bind(0, id);
//     if (q.next()) n = q.int64(0);
//
// Every failure (a statement the engine refuses, a write that fails) raises
// DbError, with its reason (busy, changed elsewhere, disk full, ...).
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <memory>
#include <string_view>

class Connection;
enum class ValueType;

class Query {
public:
    Query(Connection& c, const QString& sql);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // Values by their type: an invalid or null QVariant binds NULL; a
    // QDateTime or QDate binds a date; a bool binds 1 or 0.
    Query& bind(int index, const QVariant& value);
    Query& bindNull(int index);
    Query& bindInt(int index, qint64 value);
    Query& bindDouble(int index, double value);
    Query& bindText(int index, const QString& value);
    Query& bindDateTime(int index, const QDateTime& value);

    // Runs a statement that returns no rows to its end.
    void exec();
    // The next row; false when there is none left. The first call runs the
    // statement.
    bool next();
    // Runs the statement again from its start with the same bindings (or
    // new ones bound after this call).
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    ValueType type(int column) const;      // as the engine gives the value back
    bool isNull(int column) const;
    qint64 int64(int column) const;        // 0 for null
    double real(int column) const;         // 0 for null
    QString text(int column) const;        // empty for null
    std::string_view utf8(int column) const;
    QDateTime dateTime(int column) const;  // invalid for null or not a date
    QVariant value(int column) const;      // by the stored type; invalid for null

    // The table and column a result column is read from (empty for an expression).
    QString originTable(int column) const;
    QString originColumn(int column) const;

    // Rows written by the last exec (INSERT, UPDATE, DELETE).
    qint64 changes() const;
    // The key the engine gave the row the last exec inserted.
    qint64 insertedId() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The first column of the first row of a query with its parameters, as an
// integer (0 when there is no row or it is null).
qint64 queryInt(Connection& c, const QString& sql, std::initializer_list<QVariant> params = {});
