#include "DataAware.h"

#include "DbError.h"
#include "Dialogs.h"
#include "RecordSet.h"
#include "TextCollate.h"

#include <QTextBoundaryFinder>
#include <QValidator>

// ---------------------------------------------------------------------------

DataLink::DataLink(QObject* owner, std::function<void()> refresh) : QObject(owner), m_refresh(std::move(refresh)) {}

void DataLink::bind(RecordSet* rs, const QString& fieldName)
{
    for (const auto& c : m_conns)
        disconnect(c);
    m_conns.clear();
    m_rs = rs;
    m_fieldName = fieldName;
    m_field = rs ? rs->fieldIndex(fieldName) : -1;
    if (rs) {
        m_conns << connect(rs, &RecordSet::afterScroll, this, &DataLink::changed)
                << connect(rs, &RecordSet::layoutReset, this, &DataLink::changed)
                << connect(rs, &RecordSet::stateChanged, this, &DataLink::changed)
                << connect(rs, &RecordSet::rowChanged, this, [this](int pos) {
                       if (m_rs && pos == m_rs->recNo() - 1)
                           changed();
                   })
                << connect(rs, &RecordSet::fieldChanged, this, [this](int f) {
                       if (f == m_field)
                           changed();
                   });
    }
    changed();
}

Field* DataLink::field() const
{
    return (m_rs && m_field >= 0) ? &m_rs->field(m_field) : nullptr;
}

bool DataLink::editing() const
{
    return m_rs && (m_rs->state() == RecordSet::State::Edit || m_rs->state() == RecordSet::State::Insert);
}

bool DataLink::writable() const
{
    return editing() && m_rs->isFieldWritable(m_field);
}

void DataLink::changed()
{
    if (m_refresh)
        m_refresh();
}

namespace {

// Shown text of the bound field on the current row (empty when closed or empty).
QString linkText(const DataLink& link)
{
    Field* f = link.field();
    if (!f || !link.recordSet()->isOpen() || link.recordSet()->recNo() == 0)
        return QString();
    return f->asString();
}

void writeText(DataLink& link, const QString& text, QWidget* owner)
{
    if (!link.writable())
        return;
    try {
        link.field()->setAsString(text);
    } catch (const DbError& e) {
        Dialogs::error(owner, e.message());
    }
}

// What a one-line box of a text column may hold. Line breaks and tabs
// (typed, pasted or dropped) become blanks; a text beyond the column's size
// is cut in what was just typed or pasted, never in what was there, and at a
// character boundary, so that no character outside the basic plane, and no
// letter with its accents, is split. (QLineEdit's own maximum length cuts
// UTF-16 units.)
class OneLineText : public QValidator {
public:
    OneLineText(QLineEdit* edit, int maxLength) : QValidator(edit), m_max(maxLength)
    {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& t) { m_before = t; });
        m_before = edit->text();
    }

    State validate(QString& input, int& pos) const override
    {
        for (QChar& c : input)
            if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t') ||
                c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
                c = QLatin1Char(' ');
        if (m_max <= 0 || input.size() <= m_max)
            return Acceptable;
        // The part that is new: what lies between the text's unchanged start and end.
        const QString& old = m_before;
        qsizetype pre = 0;
        while (pre < old.size() && pre < input.size() && old[pre] == input[pre])
            ++pre;
        if (pre > 0 && input[pre - 1].isHighSurrogate())
            --pre;
        qsizetype suf = 0;
        while (suf < old.size() - pre && suf < input.size() - pre &&
               old[old.size() - 1 - suf] == input[input.size() - 1 - suf])
            ++suf;
        if (suf > 0 && input[input.size() - suf].isLowSurrogate())
            --suf;
        const QString inserted = input.mid(pre, input.size() - pre - suf);
        const qsizetype room = qMax<qsizetype>(0, m_max - pre - suf);
        qsizetype cut = 0;
        if (room >= inserted.size()) {
            cut = inserted.size();
        } else if (room > 0) {
            QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, inserted);
            graphemes.setPosition(room);
            if (!graphemes.isAtBoundary())
                graphemes.toPreviousBoundary();
            cut = qMax<qsizetype>(0, graphemes.position());
        }
        input = input.left(pre) + inserted.left(cut) + input.right(suf);
        pos = int(pre + cut);
        return Acceptable;
    }

private:
    int m_max;
    QString m_before;   // the box's text before this change
};

void makeOneLine(QLineEdit* edit, Field* f)
{
    if (!edit || !f || f->dataType() != FieldType::Text)
        return;
    edit->setMaxLength(32767);
    edit->setValidator(new OneLineText(edit, f->size()));
}

} // namespace

// ---------------------------------------------------------------------------

DBEdit::DBEdit(QWidget* parent) : QLineEdit(parent), m_link(this, [this] { refresh(); })
{
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (Field* f = m_link.field(); f && (f->dataType() == FieldType::Text || f->dataType() == FieldType::Memo))
            store();
    });
    connect(this, &QLineEdit::editingFinished, this, [this] {
        if (Field* f = m_link.field(); f && f->dataType() != FieldType::Text && f->dataType() != FieldType::Memo
            && isModified())
            store();
    });
}

void DBEdit::bind(RecordSet* rs, const QString& fieldName)
{
    m_link.bind(rs, fieldName);
    makeOneLine(this, m_link.field());
}

void DBEdit::setAlwaysReadOnly(bool ro)
{
    m_alwaysRO = ro;
    refresh();
}

void DBEdit::store()
{
    if (m_updating)
        return;
    m_updating = true;
    writeText(m_link, text(), this);
    m_updating = false;
}

void DBEdit::refresh()
{
    setReadOnly(m_alwaysRO || !m_link.writable());
    if (m_updating)
        return;
    m_updating = true;
    const QString t = linkText(m_link);
    if (t != text())
        setText(t);
    setModified(false);
    setCursorPosition(0);
    m_updating = false;
}

// ---------------------------------------------------------------------------

DBMemo::DBMemo(QWidget* parent) : QPlainTextEdit(parent), m_link(this, [this] { refresh(); })
{
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (m_updating)
            return;
        m_updating = true;
        writeText(m_link, toPlainText(), this);
        m_updating = false;
    });
}

void DBMemo::bind(RecordSet* rs, const QString& fieldName) { m_link.bind(rs, fieldName); }

void DBMemo::setAlwaysReadOnly(bool ro)
{
    m_alwaysRO = ro;
    refresh();
}

void DBMemo::refresh()
{
    setReadOnly(m_alwaysRO || !m_link.writable());
    if (m_updating)
        return;
    m_updating = true;
    const QString t = linkText(m_link);
    if (t != toPlainText())
        setPlainText(t);
    m_updating = false;
}

// ---------------------------------------------------------------------------

DBComboBox::DBComboBox(QWidget* parent) : QComboBox(parent), m_link(this, [this] { refresh(); })
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    connect(this, &QComboBox::currentTextChanged, this, &DBComboBox::store);
}

void DBComboBox::bind(RecordSet* rs, const QString& fieldName)
{
    m_link.bind(rs, fieldName);
    makeOneLine(lineEdit(), m_link.field());
}

void DBComboBox::setItems(const QStringList& items)
{
    m_updating = true;
    const QString t = currentText();
    clear();
    addItems(items);
    setCurrentIndex(-1);
    setEditText(t);
    m_updating = false;
}

void DBComboBox::store(const QString& text)
{
    if (m_updating)
        return;
    m_updating = true;
    writeText(m_link, text, this);
    m_updating = false;
}

void DBComboBox::refresh()
{
    if (lineEdit())
        lineEdit()->setReadOnly(!m_link.writable());
    if (m_updating)
        return;
    m_updating = true;
    const QString t = linkText(m_link);
    if (t != currentText())
        setEditText(t);
    m_updating = false;
}

// ---------------------------------------------------------------------------

DBLookupComboBox::DBLookupComboBox(QWidget* parent) : QComboBox(parent), m_link(this, [this] { refresh(); })
{
    setEditable(false);
    connect(this, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        if (m_updating || index < 0)
            return;
        if (m_link.writable()) {
            try {
                m_link.field()->setAsInteger(itemData(index).toInt());
            } catch (const DbError& e) {
                Dialogs::error(this, e.message());
            }
        }
        emit picked();
    });
}

void DBLookupComboBox::bind(RecordSet* rs, const QString& fieldName) { m_link.bind(rs, fieldName); }

void DBLookupComboBox::setListSource(RecordSet* list, const QString& keyField, const QString& listField)
{
    for (const auto& c : m_listConns)
        disconnect(c);
    m_listConns.clear();
    m_list = list;
    m_keyField = keyField;
    m_listField = listField;
    if (list) {
        m_listConns << connect(list, &RecordSet::layoutReset, this, &DBLookupComboBox::reloadList)
                    << connect(list, &RecordSet::rowChanged, this, &DBLookupComboBox::reloadList)
                    << connect(list, &RecordSet::rowInserted, this, &DBLookupComboBox::reloadList)
                    << connect(list, &RecordSet::rowRemoved, this, &DBLookupComboBox::reloadList);
    }
    reloadList();
}

int DBLookupComboBox::currentKey() const
{
    return currentIndex() >= 0 ? itemData(currentIndex()).toInt() : 0;
}

void DBLookupComboBox::reloadList()
{
    m_updating = true;
    clear();
    if (m_list && m_list->isOpen()) {
        const int k = m_list->fieldIndex(m_keyField), n = m_list->fieldIndex(m_listField);
        if (k >= 0 && n >= 0) {
            // The list is shown in name order, whatever order the source has.
            QList<QPair<QString, int>> items;
            const int count = m_list->recordCount();
            for (int pos = 0; pos < count; ++pos)
                if (!m_list->isNullAt(pos, k))
                    items.append({m_list->textAt(pos, n), m_list->intAt(pos, k)});
            std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
                return collateCompare(a.first, b.first) < 0;
            });
            for (const auto& it : items)
                addItem(it.first, it.second);
        }
    }
    m_updating = false;
    refresh();
}

void DBLookupComboBox::refresh()
{
    setEnabled(m_link.writable() || !m_link.editing());
    if (m_updating)
        return;
    m_updating = true;
    Field* f = m_link.field();
    int index = -1;
    if (f && m_link.recordSet()->isOpen() && m_link.recordSet()->recNo() > 0 && !f->isNull())
        index = findData(f->asInteger());
    setCurrentIndex(index);
    m_updating = false;
}

// ---------------------------------------------------------------------------

DBCheckBox::DBCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent), m_link(this, [this] { refresh(); })
{
    connect(this, &QCheckBox::toggled, this, [this](bool on) {
        if (m_updating || !m_link.writable())
            return;
        m_updating = true;
        try {
            m_link.field()->setAsBoolean(on);
        } catch (const DbError& e) {
            Dialogs::error(this, e.message());
        }
        m_updating = false;
    });
}

void DBCheckBox::bind(RecordSet* rs, const QString& fieldName) { m_link.bind(rs, fieldName); }

void DBCheckBox::refresh()
{
    setEnabled(m_link.writable());
    if (m_updating)
        return;
    m_updating = true;
    Field* f = m_link.field();
    setChecked(f && m_link.recordSet()->isOpen() && m_link.recordSet()->recNo() > 0 && f->asBoolean());
    m_updating = false;
}
