#include "TestSupport.h"

#include "Connection.h"
#include "DbError.h"
#include "RecordSet.h"
#include "Schema.h"

#include <QDateTime>
#include <QFile>
#include <QStringList>
#include <sqlite3.h>

TempDb::TempDb(const QString& password)
{
    m_path = m_dir.filePath(QStringLiteral("db_instr.db"));
    createDatabase(m_path, password);
}

qint64 insertRow(Connection& c, const QString& table, const QVariantMap& values)
{
    QStringList cols, marks;
    for (auto it = values.begin(); it != values.end(); ++it) {
        cols << QLatin1Char('"') + it.key() + QLatin1Char('"');
        marks << QStringLiteral("?");
    }
    const QString sql = QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
                            .arg(table, cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    sqlite3_stmt* st = nullptr;
    const QByteArray u = sql.toUtf8();
    if (sqlite3_prepare_v2(c.handle(), u.constData(), -1, &st, nullptr) != SQLITE_OK)
        throw DbError(c.lastEngineError());
    int i = 1;
    for (auto it = values.begin(); it != values.end(); ++it, ++i) {
        const QVariant& v = it.value();
        if (!v.isValid() || v.isNull())
            sqlite3_bind_null(st, i);
        else if (v.typeId() == QMetaType::Double)
            sqlite3_bind_double(st, i, v.toDouble());
        else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Bool)
            sqlite3_bind_int64(st, i, v.toLongLong());
        else if (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate) {
            const QByteArray t = v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
            sqlite3_bind_text(st, i, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        } else {
            const QByteArray t = v.toString().toUtf8();
            sqlite3_bind_text(st, i, t.constData(), int(t.size()), SQLITE_TRANSIENT);
        }
    }
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throw DbError(c.lastEngineError());
    return sqlite3_last_insert_rowid(c.handle());
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

qint64 addDrill(Connection& c, const QString& kod, const QString& type, double diam, qint64 firm, int kNew, int kBu)
{
    return insertRow(c, QStringLiteral("Sverla"),
                     {{QStringLiteral("Kod"), kod},
                      {QStringLiteral("Type"), type},
                      {QStringLiteral("Diam_Sverla"), diam},
                      {QStringLiteral("ID_Firma"), firm},
                      {QStringLiteral("K_vo_New"), kNew},
                      {QStringLiteral("K_vo_BU"), kBu},
                      {QStringLiteral("K_vo_Dolg"), 0},
                      {QStringLiteral("K_vo_Vozvrat"), 0}});
}

QStringList column(RecordSet& rs, const QString& field)
{
    QStringList out;
    const int f = rs.fieldIndex(field);
    for (int p = 0; p < rs.recordCount(); ++p)
        out << rs.textAt(p, f);
    return out;
}
