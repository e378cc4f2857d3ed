#pragma once
// Shared pieces of the tests: a fresh database in a temporary folder per
// test, and small helpers to put rows into it.
#include "ToolKind.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>
#include <memory>

class Connection;
class RecordSet;

class TempDb {
public:
    explicit TempDb(const QString& password = QStringLiteral("123"));
    QString path() const { return m_path; }
    QString folder() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

// Inserts one row into a table through plain SQL; returns its ID.
qint64 insertRow(Connection& c, const QString& table, const QVariantMap& values);

// The whole content of a file (empty when it cannot be read).
QByteArray fileBytes(const QString& path);

// A drill row with the columns the tests care about; the rest stay null.
qint64 addDrill(Connection& c, const QString& kod, const QString& type, double diam, qint64 firm,
                int kNew = 0, int kBu = 0);

// The text of one field on every visible row, in the current order.
QStringList column(RecordSet& rs, const QString& field);

// A tool row of a kind with its counters and the dimensions its editor
// asks for (holders and inserts get a name); the rest stay null.
qint64 insertTool(Connection& c, ToolKind k, qint64 firm, const QString& kod, int kNew = 0, int kBu = 0,
                  int kDolg = 0);

// Every row of a query as text, its columns ended by "|", one row a line.
QString rowsText(Connection& c, const QString& sql);

// The stock commands of a catalogue page, and what each says when the
// tool row cannot be saved, or when one of its history rows (the new or the
// used stock's) cannot.
enum class StockMove { Prihod, Spisat, PerBU };
QString stockFailureText(StockMove m, ToolKind k);
QString stockRowFailureText(StockMove m, bool bu);
