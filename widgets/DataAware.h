#pragma once
// Controls bound to a field of a record set: each shows the current row's
// value, follows every move of the current row, and writes into the pending
// row while its record set is in insert or edit state.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QObject>
#include <QPlainTextEdit>
#include <functional>

class RecordSet;
class Field;

// The link between one control and one field.
class DataLink : public QObject {
    Q_OBJECT
public:
    explicit DataLink(QObject* owner, std::function<void()> refresh);
    void bind(RecordSet* rs, const QString& fieldName);
    RecordSet* recordSet() const { return m_rs; }
    Field* field() const;
    QString fieldName() const { return m_fieldName; }
    bool editing() const;      // the record set holds a pending row
    bool writable() const;     // the field can be written now

private:
    void changed();
    RecordSet* m_rs = nullptr;
    QString m_fieldName;
    int m_field = -1;
    std::function<void()> m_refresh;
    QList<QMetaObject::Connection> m_conns;
};

class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DBEdit(QWidget* parent = nullptr);
    void bind(RecordSet* rs, const QString& fieldName);
    DataLink* link() { return &m_link; }
    // Read-only whatever the record set's state (detail panels, keys).
    void setAlwaysReadOnly(bool ro);

private:
    void refresh();
    void store();
    DataLink m_link;
    bool m_alwaysRO = false;
    bool m_updating = false;
};

class DBMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit DBMemo(QWidget* parent = nullptr);
    void bind(RecordSet* rs, const QString& fieldName);
    void setAlwaysReadOnly(bool ro);
    QString text() const { return toPlainText(); }

private:
    void refresh();
    DataLink m_link;
    bool m_alwaysRO = false;
    bool m_updating = false;
};

// Editable drop-down: the list offers values, the text stays free.
class DBComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit DBComboBox(QWidget* parent = nullptr);
    void bind(RecordSet* rs, const QString& fieldName);
    void setItems(const QStringList& items);  // keeps the shown text

private:
    void refresh();
    void store(const QString& text);
    DataLink m_link;
    bool m_updating = false;
};

// Lookup drop-down: the list comes from another record set (key field, shown
// field); choosing an entry writes its key into the bound field.
class DBLookupComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit DBLookupComboBox(QWidget* parent = nullptr);
    void bind(RecordSet* rs, const QString& fieldName);
    void setListSource(RecordSet* list, const QString& keyField, const QString& listField);
    bool hasValue() const { return currentIndex() >= 0 && !currentText().isEmpty(); }
    int currentKey() const;
    void reloadList();

signals:
    void picked();   // the user chose an entry

private:
    void refresh();
    DataLink m_link;
    RecordSet* m_list = nullptr;
    QString m_keyField, m_listField;
    QList<QMetaObject::Connection> m_listConns;
    bool m_updating = false;
};

class DBCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit DBCheckBox(const QString& text, QWidget* parent = nullptr);
    void bind(RecordSet* rs, const QString& fieldName);

private:
    void refresh();
    DataLink m_link;
    bool m_updating = false;
};
