#include "OldDatabase.h"

#include "DbError.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <mdbtools.h>
}

namespace {

constexpr int kOffsetMask = 0x1fff;
// A memo longer than this many bytes is not read (no storeroom writes one).
constexpr quint32 kMaxMemoBytes = 64u * 1024 * 1024;

QString typeName(int type)
{
    switch (type) {
    case MDB_BOOL: return QStringLiteral("Yes/No");
    case MDB_BYTE: return QStringLiteral("Byte");
    case MDB_INT: return QStringLiteral("Integer");
    case MDB_LONGINT: return QStringLiteral("Long Integer");
    case MDB_MONEY: return QStringLiteral("Currency");
    case MDB_FLOAT: return QStringLiteral("Single");
    case MDB_DOUBLE: return QStringLiteral("Double");
    case MDB_DATETIME: return QStringLiteral("Date/Time");
    case MDB_BINARY: return QStringLiteral("Binary");
    case MDB_TEXT: return QStringLiteral("Text");
    case MDB_OLE: return QStringLiteral("OLE Object");
    case MDB_MEMO: return QStringLiteral("Memo");
    case MDB_REPID: return QStringLiteral("Replication ID");
    case MDB_NUMERIC: return QStringLiteral("Decimal");
    case MDB_COMPLEX: return QStringLiteral("Complex");
    }
    return QStringLiteral("type %1").arg(type);
}

// A text field's bytes as UTF-8, through libmdb's own decoding (Jet 4's
// Unicode compression, the Jet 3 code page). The output buffer is sized for
// the longest UTF-8 the stored bytes can give, so nothing is cut.
QByteArray textOf(MdbHandle* mdb, int type, int start, int size)
{
    size_t bytes = size_t(size);
    if (type == MDB_MEMO && size >= MDB_MEMO_OVERHEAD) {
        const quint32 memoLen = quint32(mdb_get_int32(mdb->pg_buf, start)) & 0x3fffffffu;
        if (memoLen > kMaxMemoBytes)
            throw DbError(QStringLiteral("Слишком длинный текст в поле типа Memo (%1 байт).").arg(memoLen));
        bytes = std::max(bytes, size_t(memoLen));
    }
    mdb_set_bind_size(mdb, bytes * 3 + 16);
    char* s = mdb_col_to_string(mdb, mdb->pg_buf, start, type, size);
    if (!s)
        return {};
    QByteArray out(s, qsizetype(std::strlen(s)));
    g_free(s);
    return out;
}

} // namespace

QDateTime oldDateTime(double stored)
{
    // 01.01.100 and the last second of 31.12.9999, the bounds of Access's dates.
    if (!std::isfinite(stored) || stored < -657434.0 || stored >= 2958466.0)
        return {};
    const double day = std::trunc(stored);
    const qint64 secs = std::llround(std::fabs(stored - day) * 86400.0);
    const QDateTime midnight(QDate(1899, 12, 30).addDays(qint64(day)), QTime(0, 0), Qt::UTC);
    const QDateTime dt = midnight.addSecs(secs);
    if (dt.date().year() > 9999)
        return {};
    return dt;
}

struct OldDatabase::Impl {
    MdbHandle* mdb = nullptr;
    QString path;

    MdbCatalogEntry* entry(const QString& name, int objectType) const
    {
        for (unsigned i = 0; i < mdb->num_catalog; ++i) {
            auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
            if (e->object_type != objectType)
                continue;
            if (objectType == MDB_TABLE && !mdb_is_user_table(e))
                continue;
            if (QString::fromUtf8(e->object_name).compare(name, Qt::CaseInsensitive) == 0)
                return e;
        }
        return nullptr;
    }

    QStringList names(int objectType) const
    {
        QStringList out;
        for (unsigned i = 0; i < mdb->num_catalog; ++i) {
            auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
            if (e->object_type == objectType && (objectType != MDB_TABLE || mdb_is_user_table(e)))
                out << QString::fromUtf8(e->object_name);
        }
        return out;
    }
};

OldDatabase::OldDatabase(const QString& path) : d(new Impl)
{
    d->path = path;
    const QFileInfo fi(path);
    if (!fi.isFile()) {
        delete d;
        throw DbError(QStringLiteral("Файл \"%1\" не найден.").arg(path));
    }
    // Texts come out as UTF-8; a Jet 3 file's bytes are Windows-1251 unless
    // MDB_JET3_CHARSET names another code page.
    ::setenv("MDBICONV", "UTF-8", 1);
    ::setenv("MDB_JET3_CHARSET", "CP1251", 0);
    // MDB_NOFLAGS: the file is opened for reading only.
    d->mdb = mdb_open(QFile::encodeName(fi.absoluteFilePath()).constData(), MDB_NOFLAGS);
    if (!d->mdb) {
        delete d;
        throw DbError(QStringLiteral("Файл \"%1\" не читается как база данных Access.").arg(path));
    }
    if (!mdb_read_catalog(d->mdb, MDB_ANY)) {
        mdb_close(d->mdb);
        delete d;
        throw DbError(QStringLiteral("В файле \"%1\" не читается список таблиц.").arg(path));
    }
}

OldDatabase::~OldDatabase()
{
    mdb_close(d->mdb);
    delete d;
}

bool OldDatabase::isJet3() const
{
    return d->mdb->f->jet_version == MDB_VER_JET3;
}

QString OldDatabase::versionName() const
{
    switch (d->mdb->f->jet_version) {
    case MDB_VER_JET3: return QStringLiteral("Jet 3 (Access 97)");
    case MDB_VER_JET4: return QStringLiteral("Jet 4 (Access 2000-2003)");
    case MDB_VER_ACCDB_2007: return QStringLiteral("Access 2007");
    case MDB_VER_ACCDB_2010: return QStringLiteral("Access 2010");
    case MDB_VER_ACCDB_2013: return QStringLiteral("Access 2013");
    case MDB_VER_ACCDB_2016: return QStringLiteral("Access 2016");
    case MDB_VER_ACCDB_2019: return QStringLiteral("Access 2019");
    }
    return QStringLiteral("Access");
}

QStringList OldDatabase::tables() const { return d->names(MDB_TABLE); }
QStringList OldDatabase::queries() const { return d->names(MDB_QUERY); }

QString OldDatabase::findTable(const QString& name) const
{
    MdbCatalogEntry* e = d->entry(name, MDB_TABLE);
    return e ? QString::fromUtf8(e->object_name) : QString();
}

qint64 OldDatabase::rowCountHint(const QString& table) const
{
    MdbCatalogEntry* e = d->entry(table, MDB_TABLE);
    if (!e)
        return 0;
    MdbTableDef* t = mdb_read_table(e);
    if (!t)
        return 0;
    const qint64 n = t->num_rows;
    mdb_free_tabledef(t);
    return n;
}

OldTable OldDatabase::readTable(const QString& table, const std::function<void()>& rowRead) const
{
    MdbCatalogEntry* e = d->entry(table, MDB_TABLE);
    if (!e)
        throw DbError(QStringLiteral("В файле \"%1\" нет таблицы \"%2\".").arg(d->path, table));
    MdbHandle* mdb = d->mdb;
    MdbTableDef* t = mdb_read_table(e);
    if (!t || !mdb_read_columns(t)) {
        if (t)
            mdb_free_tabledef(t);
        throw DbError(QStringLiteral("Таблица \"%1\" файла \"%2\" не читается.").arg(table, d->path));
    }
    OldTable out;
    out.name = QString::fromUtf8(t->name);
    const unsigned ncols = t->num_cols;
    for (unsigned c = 0; c < ncols; ++c) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, c));
        out.columns.push_back({QString::fromUtf8(col->name), col->col_type, typeName(col->col_type)});
    }
    std::vector<MdbField> fields(std::max(1u, ncols));
    try {
        mdb_rewind_table(t);
        while (mdb_fetch_row(t)) {
            // The row just read is still on the page: its fields again, with
            // their null flags (which libmdb's bound texts do not keep apart
            // from an empty text) and their stored bytes.
            int start = 0;
            size_t size = 0;
            if (mdb_find_row(mdb, int(t->cur_row) - 1, &start, &size) != 0)
                throw DbError(QStringLiteral("Строка таблицы \"%1\" не читается.").arg(out.name));
            const int n = mdb_crack_row(t, start & kOffsetMask, size, fields.data());
            if (n < 0)
                throw DbError(QStringLiteral("Строка таблицы \"%1\" не читается.").arg(out.name));
            std::vector<OldValue> row(ncols);
            for (unsigned i = 0; i < ncols; ++i) {
                const MdbField& f = fields[i];
                if (f.colnum < 0 || unsigned(f.colnum) >= ncols)
                    continue;
                auto* col = static_cast<MdbColumn*>(g_ptr_array_index(t->columns, f.colnum));
                OldValue& v = row[size_t(f.colnum)];
                if (col->col_type == MDB_BOOL) {
                    // A Yes/No value lives in the row's null mask: a set bit is Yes.
                    v.kind = OldValue::Kind::Bool;
                    v.i = f.is_null ? 0 : 1;
                    continue;
                }
                if (f.is_null)
                    continue;
                switch (col->col_type) {
                case MDB_BYTE:
                    v.kind = OldValue::Kind::Int;
                    v.i = mdb_get_byte(mdb->pg_buf, f.start);
                    break;
                case MDB_INT:
                    v.kind = OldValue::Kind::Int;
                    v.i = qint16(mdb_get_int16(mdb->pg_buf, f.start));
                    break;
                case MDB_LONGINT:
                    v.kind = OldValue::Kind::Int;
                    v.i = qint32(mdb_get_int32(mdb->pg_buf, f.start));
                    break;
                case MDB_FLOAT:
                    v.kind = OldValue::Kind::Real;
                    v.d = double(mdb_get_single(mdb->pg_buf, f.start));
                    break;
                case MDB_DOUBLE:
                    v.kind = OldValue::Kind::Real;
                    v.d = mdb_get_double(mdb->pg_buf, f.start);
                    break;
                case MDB_DATETIME:
                    v.kind = OldValue::Kind::Date;
                    v.d = mdb_get_double(mdb->pg_buf, f.start);
                    break;
                case MDB_TEXT:
                case MDB_MEMO:
                    v.kind = OldValue::Kind::Text;
                    v.text = f.siz > 0 ? textOf(mdb, col->col_type, f.start, f.siz) : QByteArray("");
                    break;
                default:
                    v.kind = OldValue::Kind::Unsupported;
                    v.text = typeName(col->col_type).toUtf8();
                    break;
                }
            }
            out.rows.push_back(std::move(row));
            if (rowRead)
                rowRead();
        }
    } catch (...) {
        mdb_free_tabledef(t);
        throw;
    }
    mdb_free_tabledef(t);
    return out;
}
