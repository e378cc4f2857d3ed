#pragma once
// The old program's database: an Access (Jet 3 or Jet 4) file, read with
// libmdb (mdbtools). The file is opened for reading only and never written.
// Values come as the file stores them: integers, doubles and the date's
// double itself (not a formatted text), texts as UTF-8 (Jet 4 stores
// Unicode; a Jet 3 file's texts are read as Windows-1251), NULL kept apart
// from an empty text.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

struct OldValue {
    enum class Kind : unsigned char { Null, Bool, Int, Real, Date, Text, Unsupported };
    Kind kind = Kind::Null;
    qint64 i = 0;      // Bool (0/1), Int
    double d = 0;      // Real, Date (days since 30.12.1899, the time of day as the fraction)
    QByteArray text;   // Text (UTF-8); for Unsupported, the column type's name
    bool isNull() const { return kind == Kind::Null; }
};

struct OldColumn {
    QString name;
    int type = 0;          // libmdb's column type
    QString typeName;      // as Access names it ("Long Integer", "Text", ...)
};

struct OldTable {
    QString name;                  // as the file spells it
    std::vector<OldColumn> columns;
    std::vector<std::vector<OldValue>> rows;
};

// Jet's date/time value: whole days since 30.12.1899 (negative before it),
// and, whatever the sign, the time of day after that day's midnight as the
// fraction. Rounded to the second, as Access shows and writes it. Invalid
// for a value outside 01.01.100 .. 31.12.9999 23:59:59 or not a number.
QDateTime oldDateTime(double stored);

class OldDatabase {
public:
    // Opens the file read-only; DbError when it cannot be read as an Access file.
    explicit OldDatabase(const QString& path);
    ~OldDatabase();
    OldDatabase(const OldDatabase&) = delete;
    OldDatabase& operator=(const OldDatabase&) = delete;

    bool isJet3() const;
    QString versionName() const;      // "Jet 3", "Jet 4", "Access 2007", ...
    QStringList tables() const;       // the user's tables, as the file spells them
    QStringList queries() const;      // the stored queries
    // The name under which a table is stored, matched whatever its letter
    // case; empty when there is none.
    QString findTable(const QString& name) const;
    // How many rows the file says the table holds (before reading it).
    qint64 rowCountHint(const QString& table) const;
    // Every row of a table (DbError when it cannot be read); `rowRead` is
    // told after every row.
    OldTable readTable(const QString& table, const std::function<void()>& rowRead = {}) const;

private:
    struct Impl;
    Impl* d;
};
