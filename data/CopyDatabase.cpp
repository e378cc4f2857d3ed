#include "CopyDatabase.h"

#include "Connection.h"
#include "Consistency.h"
#include "DbError.h"
#include "Engine.h"
#include "Query.h"
#include "Schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

QStringList columnNames(const TableShape& t)
{
    QStringList out;
    for (const ColumnShape& c : t.columns)
        out << c.name;
    return out;
}

qint64 rowsOf(Connection& c, const QString& table)
{
    return queryInt(c, QStringLiteral("SELECT count(*) FROM %1").arg(c.dialect().quoted(table)));
}

// A server database holds no data when none of the program's tables has a row.
void requireEmpty(Connection& dst, bool* hasSchema)
{
    *hasSchema = false;
    for (const TableShape& t : schemaTables()) {
        bool exists = false;
        dst.engine().columnsOf(t.name, &exists);
        if (!exists)
            continue;
        *hasSchema = true;
        if (rowsOf(dst, t.name) > 0)
            throw DbError(QStringLiteral("В базе данных назначения уже есть данные (таблица \"%1\"): копия не "
                                         "сделана. Укажите пустую базу данных.")
                              .arg(t.name));
    }
}

} // namespace

CopyOutcome copyDatabase(const QString& source, const QString& destination,
                         const std::function<void(qint64, qint64)>& progress)
{
    CopyOutcome out;
    const bool toServer = isServerName(destination);
    QString target = destination;   // where the rows go: the server, or a new file beside the destination
    try {
        if (!toServer && QFileInfo::exists(destination))
            throw DbError(QStringLiteral("Файл \"%1\" уже существует: копия не сделана.")
                              .arg(QDir::toNativeSeparators(destination)));
        if (QFileInfo(source).absoluteFilePath() == QFileInfo(destination).absoluteFilePath())
            throw DbError(QStringLiteral("Источник и назначение совпадают."));
        Connection src;
        src.open(source);
        Connection dst;
        if (toServer) {
            dst.open(destination, false);   // an empty database gets the tables here
            bool hasSchema = false;
            requireEmpty(dst, &hasSchema);
            if (!hasSchema)
                createSchema(dst);
        } else {
            const QFileInfo fi(destination);
            target = fi.absoluteDir().filePath(QStringLiteral(".%1.copy-%2").arg(fi.fileName()).arg(QCoreApplication::applicationPid()));
            createEmptyDatabase(target);
            dst.open(target);
        }

        // A source made before a table was added has none of its rows.
        auto sourceRows = [&src](const TableShape& t) {
            return t.addedLater && !hasTable(src, t.name) ? 0 : rowsOf(src, t.name);
        };
        qint64 total = 0, done = 0;
        for (const TableShape& t : schemaTables())
            total += sourceRows(t);
        {
            WriteTransaction tr(dst);
            // The destination held no data: what its tables hold now are the
            // rows a new database starts with (kinds, settings, the
            // administrator), which the source's rows replace.
            for (const TableShape& t : schemaTables())
                dst.exec(QStringLiteral("DELETE FROM %1").arg(dst.dialect().quoted(t.name)));
            for (const TableShape& t : schemaTables()) {
                if (t.addedLater && !hasTable(src, t.name))
                    continue;
                const QStringList cols = columnNames(t);
                QStringList srcCols;
                for (const QString& c : cols)
                    srcCols << src.dialect().quoted(c);
                Query read(src, QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                                    .arg(srcCols.join(QStringLiteral(", ")), src.dialect().quoted(t.name),
                                         src.dialect().quoted(cols.first())));
                const std::unique_ptr<EngineBulkWriter> write = dst.engine().bulkWriter(t.name, cols);
                qint64 n = 0;
                while (read.next()) {
                    for (int i = 0; i < cols.size(); ++i) {
                        if (read.isNull(i)) {
                            write->addNull();
                            continue;
                        }
                        switch (t.columns[size_t(i)].type) {
                        case FieldType::Integer:
                        case FieldType::Boolean: write->addInt(read.int64(i)); break;
                        case FieldType::Float: write->addDouble(read.real(i)); break;
                        case FieldType::DateTime: write->addDateTime(read.dateTime(i)); break;
                        case FieldType::Text:
                        case FieldType::Memo: write->addText(read.text(i).toUtf8()); break;
                        }
                    }
                    write->endRow();
                    ++n;
                }
                write->finish();
                dst.engine().keysWritten(t.name);
                done += n;
                out.lines << QStringLiteral("%1: %2 строк").arg(t.name).arg(n);
                if (progress)
                    progress(done, total);
            }
            tr.commit();
        }

        // The check: every table's rows on both sides, and the copy's consistency.
        for (const TableShape& t : schemaTables()) {
            const qint64 a = sourceRows(t), b = rowsOf(dst, t.name);
            if (a != b)
                throw DbError(QStringLiteral("Копия не совпадает с источником: в таблице \"%1\" %2 строк, а в "
                                             "источнике %3.")
                                  .arg(t.name)
                                  .arg(b)
                                  .arg(a));
        }
        const QStringList findings = consistencyFindings(dst, !toServer);
        if (findings.isEmpty())
            out.lines << QStringLiteral("Проверка копии: нарушений нет.");
        else
            out.lines << QStringLiteral("Проверка копии нашла (как и в источнике):") << findings;
        if (toServer) {
            // Tables just filled: the server's statistics for its planner,
            // and the rows marked as seen by all, so that the first reads
            // neither plan blind nor write to every page they touch.
            QStringList tables;
            for (const TableShape& t : schemaTables())
                tables << dst.dialect().quoted(t.name);
            try {
                dst.exec(QStringLiteral("VACUUM (ANALYZE) %1").arg(tables.join(QStringLiteral(", "))));
            } catch (const DbError& e) {
                out.lines << QStringLiteral("Статистика сервера не обновлена (VACUUM ANALYZE): %1").arg(e.message());
            }
        }
        dst.close();
        if (!toServer && !QFile::rename(target, destination))
            throw DbError(QStringLiteral("Не удается переименовать \"%1\" в \"%2\".")
                              .arg(QDir::toNativeSeparators(target), QDir::toNativeSeparators(destination)));
        out.ok = true;
    } catch (const DbError& e) {
        out.error = e.message();
        if (!toServer && target != destination) {
            for (const char* suffix : {"", "-wal", "-shm", "-journal"})
                QFile::remove(target + QLatin1String(suffix));
        }
    }
    return out;
}
