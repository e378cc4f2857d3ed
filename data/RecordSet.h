#pragma once
// A record set: an ordered list of rows with one current row, read into
// memory from an SQL text, a table or a stored query. Sort and filter work on
// an index over the rows in memory; Insert/Edit/Post/Cancel/Delete write
// through to the table the rows come from.
#include "Connection.h"
#include "FieldDef.h"
#include "Filter.h"
#include "StringPool.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class Connection;
class RecordSet;
namespace ops {
struct RecordWrite;
}
class Query;

// The rows of a record set as a row reader of its own fills them (see
// RecordSet::setRowReader): one column of values per field.
class RowBuffer {
public:
    int field(const QString& name) const;   // field index; DbError when missing
    // Appends the value of column col of the statement's current row to
    // field f, converted exactly as the record set converts what it reads.
    void appendColumn(int f, const Query& q, int col);
    // Appends a null, or a text of the field's pool by its index.
    void appendNull(int f);
    void appendPooled(int f, int32_t poolIndex);
    void appendStamp(int f, int64_t stamp);
    void appendInt(int f, int32_t v);
    StringPool& pool(int f);
    // A date/time text as the record set reads it ("yyyy-MM-dd[ HH:mm[:ss[.zzz]]]");
    // false when it is not one (the value then reads as null).
    static bool stampOfText(const char* s, int n, int64_t* stamp);
    // Puts the rows appended so far into the given order: row i becomes
    // the row that was order[i].
    void reorder(const std::vector<int32_t>& order);
    int rows() const;

private:
    friend class RecordSet;
    explicit RowBuffer(RecordSet& rs) : m_rs(rs) {}
    RecordSet& m_rs;
};

// One field of a record set, read and written on the current row (or on the
// pending row while the record set is in edit or insert state).
class Field {
public:
    Field(RecordSet* rs, int index) : m_rs(rs), m_index(index) {}
    const FieldDef& def() const;
    int index() const { return m_index; }
    QString fieldName() const { return def().name; }
    FieldType dataType() const { return def().type; }
    int size() const { return def().size; }
    QString displayLabel() const { return def().displayLabel(); }
    int displayWidth() const { return def().displayWidth(); }
    bool visible() const { return def().visible; }
    bool readOnly() const;

    bool isNull() const;
    int asInteger() const;
    double asFloat() const;
    bool asBoolean() const;
    QDateTime asDateTime() const;
    QString asString() const;       // plain text form: "2,5", "True", "31.12.2026"
    QString displayText() const { return asString(); }
    QVariant value() const;         // invalid for null

    void setAsInteger(int v);
    void setAsFloat(double v);
    void setAsBoolean(bool v);
    void setAsDateTime(const QDateTime& v);
    void setAsString(const QString& v); // converts to the field's type; DbError if it cannot
    void setValue(const QVariant& v);   // invalid/null clears
    void clear();

private:
    RecordSet* m_rs;
    int m_index;
};

class RecordSet : public QObject {
    Q_OBJECT
public:
    enum class Kind { Query, Table, StoredQuery };
    enum class State { Inactive, Browse, Edit, Insert };
    enum LocateOption { NoLocateOptions = 0, PartialKey = 1 };

    RecordSet(Connection* conn, const QString& name, Kind kind, const QString& source,
              const QList<FieldDef>& fields, QObject* parent = nullptr);
    ~RecordSet() override;

    QString name() const { return m_name; }
    Kind kind() const { return m_kind; }
    Connection* connection() const { return m_conn; }

    // The SQL text (queries), table name (tables) or stored query's name.
    QString commandText() const { return m_source; }
    void setCommandText(const QString& text); // only while closed

    void open();
    void close();
    // Opens again by a new command text (a closed record set simply opens
    // with it). The rows shown stay until the new ones are all read: when
    // reading them fails, the text, rows, order, filter and current row stay
    // as they were, and DbError says why.
    void openWithText(const QString& text);
    bool isOpen() const { return m_state != State::Inactive; }
    State state() const { return m_state; }

    // Navigation; moving from a pending row posts it first.
    int recordCount() const;          // rows passing the filter (and a pending new row)
    int recNo() const { return m_cur + 1; } // 1-based position in the current order; 0 when empty
    bool isEmpty() const { return recordCount() == 0; }
    // As walking the rows expects: First sets bof, Last sets eof, Next on the
    // last row sets eof without moving, Prior on the first row sets bof.
    bool bof() const { return m_bof || recordCount() == 0; }
    bool eof() const { return m_eof || recordCount() == 0; }
    void first();
    void last();
    void next();
    void prior();
    void setRecNo(int recNo);

    // Filter: only rows passing the text are visible, counted and reachable
    // while filtering is on. A text that does not parse raises DbError.
    void setFilter(const QString& text);
    QString filter() const { return m_filterText; }
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }

    // Sort: comma-separated field names, each with optional ASC/DESC;
    // stable; the current row stays current. Empty: the source's own order.
    void setSort(const QString& text);
    QString sort() const { return m_sortText; }

    // A reader that fills the rows in place of running the SQL text, for a
    // source whose result the program builds faster itself. It is used only
    // while the command text is still `forText`; it is given the filter the
    // rows are read with (an SQL condition on integer fields, or empty),
    // must give exactly the rows, values and order the text gives under it,
    // and returns the number of rows.
    using RowReader = std::function<int(Connection&, const QString& where, RowBuffer&)>;
    void setRowReader(const QString& forText, RowReader reader);
    bool usesRowReader() const { return m_rowReader && m_source == m_rowReaderText; }

    // Makes the first matching visible row current; exact (whole value equal,
    // letter case counting) or partial (the field begins with the value).
    bool locate(const QString& fieldName, const QVariant& value, int options = NoLocateOptions);

    // A pending row, in memory only: the data-aware controls bound to the
    // record set edit it. Nothing is written here: the operations of the
    // data layer write (see pendingWrite), and the rows are then read again.
    void insert();   // a new pending row, shown after the last row
    void append() { insert(); }
    void edit();
    void cancel();
    // What the pending row would write to the table the rows come from: for
    // a new row every field set, for an edited row the fields changed, with
    // the values they had when read. DbError when nothing is pending.
    ops::RecordWrite pendingWrite() const;
    // The current row as read: its key and every column of its table, for a
    // delete that must find the row unchanged.
    ops::RecordWrite currentRecord() const;
    // Reads the rows again keeping the filter, the sort and the current row
    // (by ID).
    void reread();
    // Reads again only the rows with these IDs (by the source's own text with
    // the condition ID IN (...)): a row still there gets the values read, one
    // gone leaves the list, a new one (appendNew) is put after the last row,
    // as a source ordered by ID places it. The order, filter and current row
    // are kept as a full re-read would give them. Only for a source that
    // lists each ID once.
    void refreshRows(const QList<int>& ids, bool appendNew = false);
    // The file's state when the rows were last read (see Connection::fileState),
    // and the tables they come from.
    FileState readState() const { return m_readState; }
    void setReadState(const FileState& s) { m_readState = s; }
    void setSourceTables(const QStringList& tables) { m_sourceTables = tables; }
    QStringList sourceTables() const { return m_sourceTables; }
    // How many times the rows were read (each Open counts one).
    quint64 readCount() const { return m_reads; }

    int fieldCount() const { return int(m_fields.size()); }
    const QList<FieldDef>& fieldDefs() const { return m_fields; }
    const FieldDef& fieldDef(int i) const { return m_fields[i]; }
    int fieldIndex(const QString& name) const;     // -1 when missing; letter case ignored
    Field& field(int i) { return m_fieldObjs[size_t(i)]; }
    Field& fieldByName(const QString& name);       // DbError when missing
    bool isFieldWritable(int i) const;
    bool isReadOnly() const { return m_baseTable.isEmpty(); }
    QString baseTable() const { return m_baseTable; }

    // Any visible row read by position, without moving the current row.
    bool isNullAt(int pos, int f) const;
    QVariant valueAt(int pos, int f) const;
    QString textAt(int pos, int f) const;
    int intAt(int pos, int f) const;
    double floatAt(int pos, int f) const;
    bool boolAt(int pos, int f) const;

    // Bytes held for the rows in memory (for the benchmark).
    size_t memoryBytes() const;

signals:
    void afterScroll();              // the current row changed (also open, locate, filter, sort)
    void layoutReset();              // the rows shown were replaced (open, close, sort, filter)
    void rowChanged(int pos);        // values of one row changed
    void rowInserted(int pos);
    void rowRemoved(int pos);
    void stateChanged();
    void fieldChanged(int field);    // a value of the pending row was set

private:
    friend class Field;
    friend class RowBuffer;
    struct Column;
    class RowAccess;

    void load(const QString& where);
    void showRowsRead();   // the rows just read, in the source's order, the first current
    void repositionRow(int row);
    void loadFromReader(const QString& where);
    static void appendCell(Column& c, const Query& q, int col);
    // Whether row a comes before row b under the sort keys (ties: source order).
    bool sortsBefore(int32_t a, int32_t b) const;
    void applySortKeys();
    void rebuildView();
    void checkBrowse();
    void requireCurrent() const;
    int physical(int pos) const { return m_view[size_t(pos)]; }
    bool isPendingPos(int pos) const { return m_state == State::Insert && pos == int(m_view.size()); }

    // Current row or pending buffer.
    bool curIsNull(int f) const;
    QVariant curValue(int f) const;
    void setBuffer(int f, const QVariant& v);
    QVariant storedValue(int row, int f) const;
    bool storedNull(int row, int f) const;
    void storeValue(int row, int f, const QVariant& v);
    void appendPhysicalRow();

    Connection* m_conn;
    QString m_name;
    Kind m_kind;
    QString m_source;
    QList<FieldDef> m_fields;
    std::vector<Field> m_fieldObjs;
    std::vector<Column> m_cols;
    std::vector<uint8_t> m_writable;
    std::vector<QString> m_originColumn;
    QString m_baseTable;
    int m_idField = -1;
    int m_rows = 0;

    std::vector<int32_t> m_order;    // every row, in the current order
    std::vector<int32_t> m_view;     // rows of m_order passing the filter
    int m_cur = -1;
    int m_curBeforeInsert = -1;
    bool m_bof = false;
    bool m_eof = false;
    State m_state = State::Inactive;

    QString m_filterText;
    Filter m_filter{QString(), {}};
    bool m_filtered = false;
    QString m_pushedWhere;           // the filter the rows were read with, if any

    RowReader m_rowReader;
    QString m_rowReaderText;

    QString m_sortText;
    struct SortKey { int field; bool desc; };
    std::vector<SortKey> m_sortKeys;

    quint64 m_reads = 0;
    FileState m_readState;
    QStringList m_sourceTables;
    std::vector<QVariant> m_buf;
    std::vector<uint8_t> m_bufChanged;
};
