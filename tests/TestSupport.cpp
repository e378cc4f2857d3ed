#include "TestSupport.h"

#include "Connection.h"
#include "DbError.h"
#include "Engine.h"
#include "RecordSet.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <QUrl>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStringList>
#include "Query.h"
#include "Operations.h"

QString testServer()
{
    if (qEnvironmentVariable("TOOLDB_TEST_ENGINE") != QLatin1String("postgres"))
        return {};
    return qEnvironmentVariable("TOOLDB_TEST_PG");
}

bool testServerMissing()
{
    return qEnvironmentVariable("TOOLDB_TEST_ENGINE") == QLatin1String("postgres")
        && qEnvironmentVariable("TOOLDB_TEST_PG").isEmpty();
}

TempDb::TempDb(const QString& password)
{
    const QString server = testServer();
    if (server.isEmpty()) {
        m_path = m_dir.filePath(QStringLiteral("db_instr.db"));
        createDatabase(m_path, password);
        return;
    }
    // A schema of its own in the test server's database, dropped at the end:
    // the program's tables are found through the connection's search path.
    static int counter = 0;
    m_server = server;
    m_name = QStringLiteral("t%1_%2_%3").arg(QCoreApplication::applicationPid()).arg(++counter).arg(QRandomGenerator::global()->bounded(100000));
    Connection admin;
    admin.open(server, false);
    admin.exec(QStringLiteral("CREATE SCHEMA %1").arg(m_name));
    m_path = server + (server.contains(QLatin1Char('?')) ? QStringLiteral("&") : QStringLiteral("?"))
        + QStringLiteral("options=-csearch_path%3D") + m_name;
    createDatabase(m_path, password);
}

TempDb::~TempDb()
{
    if (m_server.isEmpty())
        return;
    try {
        Connection admin;
        admin.open(m_server, false);
        admin.exec(QStringLiteral("DROP SCHEMA IF EXISTS %1 CASCADE").arg(m_name));
    } catch (const DbError&) {
    }
}

QString sampleTarget(TempDb& db, const QString& fileName)
{
    if (!db.onServer())
        return db.folder() + QLatin1Char('/') + fileName;
    Connection c;
    c.open(db.path());
    WriteTransaction t(c);
    for (const TableShape& shape : schemaTables())
        c.exec(QStringLiteral("DELETE FROM %1").arg(c.dialect().quoted(shape.name)));
    t.commit();
    return db.path();
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
    Query q(c, sql);
    int i = 0;
    for (auto it = values.begin(); it != values.end(); ++it, ++i) {
        const QVariant& v = it.value();
        if (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate)
            q.bindDateTime(i, v.toDateTime());
        else
            q.bind(i, v);
    }
    q.exec();
    return q.insertedId();
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool writeImage(const QString& path, const QColor& color, int width, int height)
{
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(color);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && img.save(path);
}

qint64 addDrill(Connection& c, const QString& kod, const QString& type, double diam, qint64 firm, int kNew, int kBu)
{
    return insertRow(c, QStringLiteral("Sverla"),
                     {{"Kod", kod}, {"Type", type}, {"Diam_Sverla", diam}, {"ID_Firma", firm}, {"K_vo_New", kNew},
                      {"K_vo_BU", kBu}, {"K_vo_Dolg", 0}, {"K_vo_Vozvrat", 0}});
}

QStringList column(RecordSet& rs, const QString& field)
{
    QStringList out;
    const int f = rs.fieldIndex(field);
    for (int p = 0; p < rs.recordCount(); ++p)
        out << rs.textAt(p, f);
    return out;
}

qint64 insertTool(Connection& c, ToolKind k, qint64 firm, const QString& kod, int kNew, int kBu, int kDolg,
                  const QVariantMap& more)
{
    const ToolKindInfo& i = toolKind(k);
    QVariantMap v{{"Kod", kod}, {"ID_Firma", firm}, {i.tableNewColumn, kNew}, {"K_vo_BU", kBu},
                  {i.tableDolgColumn, kDolg}, {"K_vo_Vozvrat", 0}, {"Korob", "K-1"}};
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
    v.insert(more);
    return insertRow(c, QString::fromLatin1(i.table), v);
}

QString toolCounts(Connection& c, ToolKind k, qint64 id)
{
    const QString row = rowsText(c, kindSql(QStringLiteral("SELECT {N}, K_vo_BU, {D} FROM {T} WHERE ID={ID}"), k, id));
    return row.isEmpty() ? row : row.chopped(2);
}

QString kindSql(QString sql, ToolKind k, qint64 id)
{
    const ToolKindInfo& i = toolKind(k);
    return sql.replace(QLatin1String("{T}"), QLatin1String(i.table))
        .replace(QLatin1String("{N}"), QLatin1String(i.tableNewColumn))
        .replace(QLatin1String("{D}"), QLatin1String(i.tableDolgColumn))
        .replace(QLatin1String("{C}"), QString::number(i.code))
        .replace(QLatin1String("{ID}"), QString::number(id));
}

QString wholeFileText(Connection& c)
{
    QString out;
    for (const QString& t : rowsText(c, QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"))
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString name = t.chopped(1);
        // The keys' counters: one row a table, in the order the tables were first written.
        const QString order = name == QLatin1String("sqlite_sequence") ? QStringLiteral("name") : QStringLiteral("rowid");
        out += name + QStringLiteral(":\n")
            + rowsText(c, QStringLiteral("SELECT * FROM \"%1\" ORDER BY %2").arg(name, order));
    }
    return out;
}

QString rowsText(Connection& c, const QString& sql)
{
    QString out;
    try {
        Query q(c, sql);
        while (q.next()) {
            for (int i = 0; i < q.columnCount(); ++i)
                out += q.text(i) + QLatin1Char('|');
            out += QLatin1Char('\n');
        }
    } catch (const DbError& e) {
        return QStringLiteral("error: ") + e.message();
    }
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

namespace {

void raiseUnlessStored(const ops::Result& r)
{
    if (r.stored())
        return;
    DbError::Reason reason = r.reason;
    if (r.status == ops::Status::Refused)
        reason = r.refusal == ops::Refusal::RowChanged || r.refusal == ops::Refusal::RowGone
                     ? DbError::Reason::Conflict
                     : DbError::Reason::General;
    throw DbError(r.message, reason);
}

} // namespace

qint64 storePending(RecordSet& rs)
{
    const ops::Result r = ops::saveRow(*rs.connection(), rs.pendingWrite());
    raiseUnlessStored(r);
    rs.cancel();
    rs.reread();
    rs.locate(QStringLiteral("ID"), r.id);
    return r.id;
}

void deleteCurrent(RecordSet& rs)
{
    raiseUnlessStored(ops::deleteRow(*rs.connection(), rs.currentRecord()));
    rs.reread();
}
