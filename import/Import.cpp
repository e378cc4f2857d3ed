#include "Import.h"

#include "Connection.h"
#include "Consistency.h"
#include "CopyDatabase.h"
#include "DbError.h"
#include "Engine.h"
#include "OldDatabase.h"
#include "Query.h"
#include "Schema.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cmath>
#include <optional>

namespace {

struct Stopped {};

// The account that alone manages the accounts.
const char* const kAdministrator = "Администратор";

// Where each of this program's columns is found in the old table (-1: not there).
struct ColumnMap {
    const TableShape* shape = nullptr;
    std::vector<int> from;
    QStringList missing;   // this program's columns the old table lacks
    QStringList extra;     // the old table's columns this program has no use for
};

ColumnMap mapColumns(const TableShape& shape, const OldTable& old)
{
    ColumnMap m;
    m.shape = &shape;
    std::vector<bool> used(old.columns.size(), false);
    for (const ColumnShape& c : shape.columns) {
        int found = -1;
        for (size_t i = 0; i < old.columns.size(); ++i)
            if (old.columns[i].name.compare(c.name, Qt::CaseInsensitive) == 0) {
                found = int(i);
                used[i] = true;
                break;
            }
        m.from.push_back(found);
        if (found < 0)
            m.missing << c.name;
    }
    for (size_t i = 0; i < old.columns.size(); ++i)
        if (!used[i])
            m.extra << old.columns[i].name;
    return m;
}

QString shownValue(const OldValue& v)
{
    switch (v.kind) {
    case OldValue::Kind::Null: return QStringLiteral("пусто");
    case OldValue::Kind::Bool: return v.i ? QStringLiteral("Да") : QStringLiteral("Нет");
    case OldValue::Kind::Int: return QString::number(v.i);
    case OldValue::Kind::Real: return QString::number(v.d, 'g', 17);
    case OldValue::Kind::Date: return QStringLiteral("дата %1").arg(v.d, 0, 'g', 17);
    case OldValue::Kind::Text: return QStringLiteral("\"%1\"").arg(QString::fromUtf8(v.text).left(40));
    case OldValue::Kind::Unsupported: return QStringLiteral("значение типа %1").arg(QString::fromUtf8(v.text));
    }
    return {};
}

// Binds one old value to a column of this program's type, unchanged; an
// error text when the type cannot hold it exactly.
std::optional<QString> bindValue(Query& q, int index, const OldValue& v, const ColumnShape& c)
{
    if (v.isNull()) {
        q.bindNull(index);
        return std::nullopt;
    }
    const QString bad = QStringLiteral("значение %1 не помещается в поле типа %2 без изменения");
    switch (c.type) {
    case FieldType::Integer:
        if (v.kind == OldValue::Kind::Int || v.kind == OldValue::Kind::Bool) {
            if (v.i < INT32_MIN || v.i > INT32_MAX)
                return bad.arg(shownValue(v), QStringLiteral("целое"));
            q.bindInt(index, v.i);
            return std::nullopt;
        }
        if (v.kind == OldValue::Kind::Real && std::isfinite(v.d) && v.d == std::trunc(v.d) && v.d >= INT32_MIN
            && v.d <= INT32_MAX) {
            q.bindInt(index, qint64(v.d));
            return std::nullopt;
        }
        return bad.arg(shownValue(v), QStringLiteral("целое"));
    case FieldType::Float:
        if (v.kind == OldValue::Kind::Real && std::isfinite(v.d)) {
            q.bindDouble(index, v.d);
            return std::nullopt;
        }
        if (v.kind == OldValue::Kind::Int) {
            q.bindDouble(index, double(v.i));
            return std::nullopt;
        }
        return bad.arg(shownValue(v), QStringLiteral("число"));
    case FieldType::Boolean:
        if (v.kind == OldValue::Kind::Bool) {
            q.bindInt(index, v.i ? 1 : 0);
            return std::nullopt;
        }
        // Yes/No kept in a number column: Access writes -1 for Yes.
        if (v.kind == OldValue::Kind::Int && (v.i == 0 || v.i == -1 || v.i == 1)) {
            q.bindInt(index, v.i ? 1 : 0);
            return std::nullopt;
        }
        return bad.arg(shownValue(v), QStringLiteral("Да/Нет"));
    case FieldType::DateTime:
        if (v.kind == OldValue::Kind::Date) {
            const QDateTime dt = oldDateTime(v.d);
            if (!dt.isValid())
                return QStringLiteral("дата вне 01.01.100 - 31.12.9999 (%1)").arg(v.d, 0, 'g', 17);
            q.bindDateTime(index, dt);
            return std::nullopt;
        }
        return bad.arg(shownValue(v), QStringLiteral("дата"));
    case FieldType::Text:
    case FieldType::Memo:
        if (v.kind == OldValue::Kind::Text) {
            const QString s = QString::fromUtf8(v.text);
            if (c.type == FieldType::Text && s.size() > c.size)
                return QStringLiteral("текст длиннее %1 знаков: %2").arg(c.size).arg(shownValue(v));
            q.bindText(index, s);
            return std::nullopt;
        }
        return bad.arg(shownValue(v), QStringLiteral("текст"));
    }
    return bad.arg(shownValue(v), QStringLiteral("?"));
}

QString rowsWord(qint64 n)
{
    const qint64 m10 = n % 10, m100 = n % 100;
    if (m10 == 1 && m100 != 11)
        return QStringLiteral("строка");
    if (m10 >= 2 && m10 <= 4 && (m100 < 12 || m100 > 14))
        return QStringLiteral("строки");
    return QStringLiteral("строк");
}

// A new file beside `target`, made exclusively under a hidden name.
QString createBeside(Connection& c, const QString& target)
{
    const QFileInfo fi(target);
    for (int attempt = 1;; ++attempt) {
        QString suffix;
        for (int k = 0; k < 6; ++k)
            suffix += QLatin1Char("abcdefghijklmnopqrstuvwxyz0123456789"[QRandomGenerator::system()->bounded(36)]);
        const QString temp = fi.absolutePath() + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".import-")
            + suffix;
        try {
            c.create(temp);
            return temp;
        } catch (const DbError&) {
            const QFileInfo taken(temp);
            if (attempt >= 20 || !(taken.exists() || taken.isSymLink()))
                throw;
        }
    }
}

// Rows of every old table read, converted and written into `c` (a new
// database holding the schema), in one transaction.
void writeTables(Connection& c, const OldDatabase& old, ImportOutcome& out, QStringList& notes,
                 const ImportOptions& o)
{
    const QStringList names = oldTableNames();
    qint64 total = 0, done = 0;
    for (const QString& n : names)
        total += 2 * old.rowCountHint(n);
    auto step = [&] {
        ++done;
        if (o.progress && (done % 256 == 0) && !o.progress(done, std::max(total, done)))
            throw Stopped{};
    };

    WriteTransaction tr(c);
    QStringList errors;
    for (const QString& name : names) {
        const TableShape* shape = findTable(name);
        ImportedTable it;
        it.table = shape->name;
        it.oldName = old.findTable(name);
        // The new database's own rows of this table (the kinds' names) give
        // way to the old file's: nothing is added that the old file lacks.
        c.exec(QStringLiteral("DELETE FROM %1").arg(c.dialect().quoted(shape->name)));
        if (it.oldName.isEmpty()) {
            out.tables.push_back(it);
            continue;
        }
        const OldTable t = old.readTable(it.oldName, step);
        const ColumnMap map = mapColumns(*shape, t);
        if (map.from.empty() || map.from.front() < 0)
            throw DbError(QStringLiteral("В таблице \"%1\" старой базы нет поля ID: строки нельзя перенести с их "
                                         "ключами.")
                              .arg(it.oldName));
        for (const QString& m : map.missing)
            notes << QStringLiteral("В таблице \"%1\" старой базы нет поля \"%2\": оно оставлено пустым.")
                         .arg(it.oldName, m);
        for (const QString& e : map.extra)
            notes << QStringLiteral("Поле \"%1\" таблицы \"%2\" не перенесено (программе оно не нужно).")
                         .arg(e, it.oldName);

        QStringList cols, marks;
        for (const ColumnShape& col : shape->columns) {
            cols << c.dialect().quoted(col.name);
            marks << QStringLiteral("?");
        }
        Query ins(c, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                         .arg(c.dialect().quoted(shape->name), cols.join(QStringLiteral(", ")),
                              marks.join(QStringLiteral(", "))));
        for (const std::vector<OldValue>& row : t.rows) {
            const OldValue& id = row[size_t(map.from.front())];
            const QString idShown = id.isNull() ? QStringLiteral("без ID") : QStringLiteral("ID %1").arg(shownValue(id));
            if (id.isNull()) {
                errors << QStringLiteral("%1, строка без ID").arg(it.oldName);
                continue;
            }
            ins.reset();
            bool rowOk = true;
            for (size_t k = 0; k < shape->columns.size(); ++k) {
                const int from = map.from[k];
                const OldValue none;
                if (auto err = bindValue(ins, int(k), from < 0 ? none : row[size_t(from)], shape->columns[k])) {
                    errors << QStringLiteral("%1, %2, поле \"%3\": %4")
                                  .arg(it.oldName, idShown, t.columns[size_t(from)].name, *err);
                    rowOk = false;
                }
            }
            if (!rowOk)
                continue;
            try {
                ins.exec();
            } catch (const DbError& e) {
                if (e.reason() == DbError::Reason::DiskFull || e.reason() == DbError::Reason::ServerLost)
                    throw;
                errors << QStringLiteral("%1, %2: %3").arg(it.oldName, idShown, e.message());
                continue;
            }
            ++it.rows;
            step();
        }
        c.engine().keysWritten(shape->name);
        out.tables.push_back(it);
        if (errors.size() > 20)
            break;
    }
    if (!errors.isEmpty()) {
        QStringList shown = errors.mid(0, 20);
        if (errors.size() > 20)
            shown << QStringLiteral("…");
        throw DbError(QStringLiteral("Данные старой базы нельзя перенести без изменений; ничего не записано:\n%1")
                          .arg(shown.join(QLatin1Char('\n'))));
    }
    tr.commit();
    if (o.progress && !o.progress(total, total))
        throw Stopped{};
}

// What the import says of the accounts, the kinds and Support.
void noteRows(Connection& c, QStringList& notes)
{
    QStringList missingKinds;
    for (int k = 1; k <= 4; ++k)
        if (queryInt(c, QStringLiteral("SELECT count(*) FROM List_Tabl WHERE ID = ?"), {k}) == 0)
            missingKinds << QStringLiteral("%1 (%2)").arg(k).arg(kindName(k));
    if (!missingKinds.isEmpty())
        notes << QStringLiteral("В List_Tabl нет строки для вида %1: строка не добавлена.")
                     .arg(missingKinds.join(QStringLiteral(", ")));
    if (queryInt(c, QStringLiteral("SELECT count(*) FROM Support")) == 0)
        notes << QStringLiteral("В таблице Support нет ни одной строки: строка не добавлена.");
    if (queryInt(c, QStringLiteral("SELECT count(*) FROM Pasw_TBL")) == 0)
        notes << QStringLiteral("В Pasw_TBL нет ни одной учетной записи: войти в программу будет нельзя.");
    else if (queryInt(c, QStringLiteral("SELECT count(*) FROM Pasw_TBL WHERE Login = ?"),
                      {QString::fromUtf8(kAdministrator)}) == 0)
        notes << QStringLiteral("В Pasw_TBL нет учетной записи \"%1\": учетными записями управлять будет некому.")
                     .arg(QString::fromUtf8(kAdministrator));
}

QString sha(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return QString::fromLatin1(h.result().toHex());
}

// `name` in `folder` whatever its letter case (the exact spelling first);
// empty when there is none. Each folder is listed once per `listed`.
using FolderNames = QHash<QString, QHash<QString, QString>>;   // folder -> folded name -> name
QString findIgnoringCase(const QString& folder, const QString& name, FolderNames* listedBefore = nullptr)
{
    if (folder.isEmpty())
        return {};
    const QDir dir(folder);
    const QString exact = dir.filePath(name);
    if (QFileInfo::exists(exact) || QFileInfo(exact).isSymLink())
        return exact;
    FolderNames here;
    FolderNames& listed = listedBefore ? *listedBefore : here;
    auto it = listed.find(dir.absolutePath());
    if (it == listed.end()) {
        QHash<QString, QString> names;
        // In name order: of two names that differ only in case, the first.
        for (const QString& e :
             dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name))
            if (!names.contains(e.toCaseFolded()))
                names.insert(e.toCaseFolded(), e);
        it = listed.insert(dir.absolutePath(), names);
    }
    const auto found = it->constFind(name.toCaseFolded());
    return found == it->constEnd() ? QString() : dir.filePath(*found);
}

QString subFolderIgnoringCase(const QString& root, const QStringList& parts)
{
    QString at = root;
    for (const QString& p : parts) {
        at = findIgnoringCase(at, p);
        if (at.isEmpty() || !QFileInfo(at).isDir())
            return {};
    }
    return at;
}

bool bareName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

// Copies `from` to `to` through a hidden temporary file; never replaces a file.
bool copyFile(const QString& from, const QString& to, QString* error)
{
    const QString temp = QFileInfo(to).absolutePath() + QStringLiteral("/.") + QFileInfo(to).fileName()
        + QStringLiteral(".import");
    QFile::remove(temp);
    if (!QFile::copy(from, temp)) {
        *error = QStringLiteral("не удается скопировать");
        return false;
    }
    if (!QFile::rename(temp, to)) {
        QFile::remove(temp);
        *error = QStringLiteral("не удается записать");
        return false;
    }
    return true;
}

} // namespace

QStringList oldTableNames()
{
    return {QStringLiteral("Firma"),         QStringLiteral("People"),           QStringLiteral("Sverla"),
            QStringLiteral("Frezy"),         QStringLiteral("Derj_Plast"),       QStringLiteral("Plastinyi"),
            QStringLiteral("Dolgi"),         QStringLiteral("Dolgi_History"),    QStringLiteral("Prihod_History"),
            QStringLiteral("Spisanie_History"), QStringLiteral("Pasw_TBL"),      QStringLiteral("List_Tabl"),
            QStringLiteral("Support")};
}

QString oldDatabaseBeside(const QString& databaseFile)
{
    if (isServerName(databaseFile))
        return {};
    const QString found = findIgnoringCase(QFileInfo(databaseFile).absolutePath(), QStringLiteral("db_instr.mdb"));
    return !found.isEmpty() && QFileInfo(found).isFile() ? found : QString();
}

PictureReport copyPictures(const QString& databaseFile, const QString& oldProgramFolder, const QString& programFolder)
{
    PictureReport r;
    struct Source {
        const char* table;
        const char* column;
        const char* folder;
        const char* kind;
    };
    const Source sources[] = {{"Sverla", "Pikcher", "Instrument", "Сверла"},
                              {"Frezy", "Pikcher", "Instrument", "Фрезы"},
                              {"Derj_Plast", "Pikcher", "Instrument", "Державки пластин"},
                              {"Plastinyi", "pikcher", "Instrument", "Пластины"},
                              {"People", "Foto", "FotoPeoples", "Операторы"}};
    Connection c;
    c.openReadOnly(databaseFile);
    QSet<QString> done;   // folder/name already handled
    QSet<QString> used;   // the old files some row names
    FolderNames listed;
    for (const Source& s : sources) {
        const QString folder = QString::fromLatin1(s.folder);
        const QString oldFolder = subFolderIgnoringCase(oldProgramFolder, {QStringLiteral("Images"), folder});
        const QString newFolder = QDir(programFolder).filePath(QStringLiteral("Images/") + folder);
        Query q(c, QStringLiteral("SELECT ID, %1 FROM %2 WHERE %1 IS NOT NULL AND %1 <> '' ORDER BY ID")
                       .arg(QString::fromLatin1(s.column), QString::fromLatin1(s.table)));
        while (q.next()) {
            const QString name = q.text(1);
            const QString where = QStringLiteral("%1 (%2, ID %3)").arg(name, QString::fromUtf8(s.kind)).arg(q.int64(0));
            if (done.contains(folder + QLatin1Char('/') + name))
                continue;
            const QString from = bareName(name) ? findIgnoringCase(oldFolder, name, &listed) : QString();
            if (from.isEmpty() || !QFileInfo(from).isFile()) {
                r.missing << where;
                continue;
            }
            done.insert(folder + QLatin1Char('/') + name);
            used.insert(QFileInfo(from).absoluteFilePath());
            QDir().mkpath(newFolder);
            const QString to = QDir(newFolder).filePath(name);
            if (QFileInfo::exists(to) || QFileInfo(to).isSymLink()) {
                if (sha(to) == sha(from))
                    ++r.alreadyThere;
                else
                    r.kept << where;
                continue;
            }
            QString err;
            if (copyFile(from, to, &err))
                ++r.copied;
            else
                r.failed << QStringLiteral("%1: %2").arg(where, err);
        }
    }
    // Files no row names: not copied, counted.
    for (const char* folder : {"Instrument", "FotoPeoples"}) {
        const QString oldFolder =
            subFolderIgnoringCase(oldProgramFolder, {QStringLiteral("Images"), QString::fromLatin1(folder)});
        if (!oldFolder.isEmpty())
            for (const QFileInfo& f : QDir(oldFolder).entryInfoList(QDir::Files | QDir::Hidden))
                if (!used.contains(f.absoluteFilePath()))
                    ++r.unused;
    }
    // The placeholder and whatever else the old NoFoto folder holds.
    const QString oldNoFoto = subFolderIgnoringCase(oldProgramFolder, {QStringLiteral("Images"), QStringLiteral("NoFoto")});
    if (!oldNoFoto.isEmpty()) {
        const QString newNoFoto = QDir(programFolder).filePath(QStringLiteral("Images/NoFoto"));
        for (const QFileInfo& f : QDir(oldNoFoto).entryInfoList(QDir::Files, QDir::Name)) {
            QDir().mkpath(newNoFoto);
            // The program looks for its placeholder in lower case.
            const QString name = f.fileName().compare(QLatin1String("null_img_1.jpg"), Qt::CaseInsensitive) == 0
                ? QStringLiteral("null_img_1.jpg")
                : f.fileName();
            const QString to = QDir(newNoFoto).filePath(name);
            if (QFileInfo::exists(to)) {
                if (sha(to) == sha(f.filePath()))
                    ++r.alreadyThere;
                else
                    r.kept << QStringLiteral("%1 (NoFoto)").arg(name);
                continue;
            }
            QString err;
            if (copyFile(f.filePath(), to, &err))
                ++r.copied;
            else
                r.failed << QStringLiteral("%1 (NoFoto): %2").arg(name, err);
        }
    }
    return r;
}

ImportOutcome importOldDatabase(const QString& oldFile, const QString& destination, const ImportOptions& o)
{
    ImportOutcome out;
    QElapsedTimer clock;
    clock.start();
    const bool toServer = isServerName(destination);
    Connection c;
    QString temp;
    std::unique_ptr<QTemporaryDir> serverTemp;
    auto tempGone = [&] {
        if (o.tempFileChanged)
            o.tempFileChanged(QString());
    };
    QStringList notes;
    try {
        if (!toServer && (QFileInfo::exists(destination) || QFileInfo(destination).isSymLink()))
            throw DbError(QStringLiteral("Файл \"%1\" уже существует: он не будет перезаписан.")
                              .arg(QDir::toNativeSeparators(destination)));
        const OldDatabase old(oldFile);

        QString target = destination;   // the file that takes the rows
        if (toServer) {
            serverTemp = std::make_unique<QTemporaryDir>();
            if (!serverTemp->isValid())
                throw DbError(QStringLiteral("Не удается создать временную папку."));
            target = serverTemp->filePath(QStringLiteral("db_instr.db"));
        }
        temp = createBeside(c, target);
        if (o.tempFileChanged)
            o.tempFileChanged(temp);
        createSchema(c);
        writeTables(c, old, out, notes, o);
        noteRows(c, notes);
        out.findings = consistencyFindings(c, true);
        c.publishCreated(target);
        tempGone();
        temp.clear();

        // What was brought in, table by table.
        out.lines << QStringLiteral("Перенесено из \"%1\" (%2):")
                         .arg(QDir::toNativeSeparators(QFileInfo(oldFile).absoluteFilePath()), old.versionName());
        for (const ImportedTable& t : out.tables)
            out.lines << (t.oldName.isEmpty() ? QStringLiteral("  %1: таблицы нет, создана пустая").arg(t.table)
                                              : QStringLiteral("  %1: %2 %3").arg(t.table).arg(t.rows).arg(rowsWord(t.rows)));
        QStringList extra;
        for (const QString& t : old.tables()) {
            bool known = false;
            for (const QString& n : oldTableNames())
                known = known || n.compare(t, Qt::CaseInsensitive) == 0;
            if (!known)
                extra << t;
        }
        if (!extra.isEmpty())
            notes << QStringLiteral("Не перенесены таблицы, которые программе не нужны: %1.")
                         .arg(extra.join(QStringLiteral(", ")));
        if (const QStringList q = old.queries(); !q.isEmpty())
            notes << QStringLiteral("Сохраненные запросы старой базы не перенесены (у программы свои): %1.")
                         .arg(q.join(QStringLiteral(", ")));
        out.lines << notes;

        if (toServer) {
            const CopyOutcome copy = copyDatabase(target, destination);
            if (!copy.ok)
                throw DbError(copy.error);
            out.lines << QStringLiteral("Скопировано на сервер: %1.").arg(destination);
        }

        out.lines << QStringLiteral("Проверка перенесенной базы (как tooldb-check):");
        if (out.findings.isEmpty())
            out.lines << QStringLiteral("  нарушений нет.");
        for (const QString& f : out.findings)
            out.lines << QStringLiteral("  ") + f;
        if (!o.oldProgramFolder.isEmpty()) {
            try {
                out.pictures = copyPictures(target, o.oldProgramFolder, o.programFolder);
            } catch (const DbError& e) {
                out.pictures.failed << e.message();
            }
            const PictureReport& p = out.pictures;
            out.lines << QStringLiteral("Рисунки: скопировано %1, уже были %2, нет файла: %3.")
                             .arg(p.copied)
                             .arg(p.alreadyThere)
                             .arg(p.missing.size());
            for (const QString& m : p.missing)
                out.lines << QStringLiteral("  нет файла рисунка: %1").arg(m);
            for (const QString& k : p.kept)
                out.lines << QStringLiteral("  другой файл с этим именем уже есть, оставлен: %1").arg(k);
            for (const QString& f : p.failed)
                out.lines << QStringLiteral("  не скопирован: %1").arg(f);
            if (p.unused > 0)
                out.lines << QStringLiteral("  файлов, которые ни одна строка не называет (не скопированы): %1")
                                 .arg(p.unused);
        }

        out.lines << QStringLiteral("Значения перенесены без изменений; что исправить, решает кладовщик.");
        out.ok = true;
    } catch (const Stopped&) {
        out.stopped = true;
        out.error = QStringLiteral("Перенос данных прерван: новая база данных не записана.");
    } catch (const DbError& e) {
        out.error = e.message();
    }
    if (!out.ok) {
        c.discardCreated();
        if (!temp.isEmpty())
            tempGone();
        out.tables.clear();
    }
    out.seconds = clock.nsecsElapsed() / 1e9;
    return out;
}
