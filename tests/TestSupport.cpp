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

qint64 insertTool(Connection& c, ToolKind k, qint64 firm, const QString& kod, int kNew, int kBu, int kDolg)
{
    const ToolKindInfo& i = toolKind(k);
    QVariantMap v{{QStringLiteral("Kod"), kod},       {QStringLiteral("ID_Firma"), firm},
                  {QString::fromLatin1(i.tableNewColumn), kNew}, {QStringLiteral("K_vo_BU"), kBu},
                  {QString::fromLatin1(i.tableDolgColumn), kDolg}, {QStringLiteral("K_vo_Vozvrat"), 0},
                  {QStringLiteral("Korob"), QStringLiteral("K-1")}};
    switch (k) {
    case ToolKind::Sverla:
        v.insert({{"Diam_Sverla", 5.0}, {"Diam_Hvost", 5.0}, {"L_Instr", 55}, {"L_reza", 25}});
        break;
    case ToolKind::Frezy:
        v.insert({{"Diam_Frez", 6.5}, {"Diam_Hvost", 6.0}, {"L_Instr", 60.5}, {"L_Reza", 20.0}, {"L_Sheiki", 4.0}});
        break;
    case ToolKind::Derj: v.insert(QStringLiteral("Name"), QStringLiteral("Державка ") + kod); break;
    case ToolKind::Plast: v.insert(QStringLiteral("Naimenovanie"), QStringLiteral("Пластина ") + kod); break;
    }
    return insertRow(c, QString::fromLatin1(i.table), v);
}

QString rowsText(Connection& c, const QString& sql)
{
    sqlite3_stmt* st = nullptr;
    const QByteArray u = sql.toUtf8();
    if (sqlite3_prepare_v2(c.handle(), u.constData(), -1, &st, nullptr) != SQLITE_OK)
        return QStringLiteral("error: ") + c.lastEngineError();
    QString out;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            out += QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i))) + QLatin1Char('|');
        out += QLatin1Char('\n');
    }
    sqlite3_finalize(st);
    return out;
}

QString stockFailureText(StockMove m, ToolKind k)
{
    // By Kind, as each command has always named the table.
    static const char* const tables[3][4] = {{"Sverla", "Frezy", "Derj_PL", "Plastiny"},
                                             {"Sverla", "FREZY", "Derj_PL", "dtSet_Plastiny"},
                                             {"Sverla", "dtSet_Frezy", "Derj_PL", "Plastiny"}};
    return QStringLiteral("Возникла ошибка при попытке редактирования данных в таблице \"%1\". Данные не сохранены!!!")
        .arg(QString::fromLatin1(tables[int(m)][int(k)]));
}

QString stockRowFailureText(StockMove m, bool bu)
{
    return QStringLiteral("Возникла ошибка при попытке редактирования данных в таблице \"%1  %2\". "
                          "Данные не сохранены!!!")
        .arg(m == StockMove::Prihod ? QStringLiteral("Prihod_Hist") : QStringLiteral("tbl_Spisanie_Hist"),
             bu ? QStringLiteral("BU") : QStringLiteral("NEW"));
}
