#pragma once
// The numbers "0", "1", ... up to a last one as the items of a choice-only
// drop-down list, made when asked for: a list of any length costs nothing to
// fill, and finding an item (a number typed, findText) is arithmetic, not a
// walk over the items. Item i is the number i, with one exception: a list
// holds at most 2147483647 items, so for a last number of 2147483647 the
// number before it is left out and the last item is still the last number.
#include <QAbstractListModel>

class QComboBox;

class NumberListModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit NumberListModel(QObject* parent = nullptr);

    // The list's own number model, given to it on the first call; the list
    // is then as wide as its longest number.
    static NumberListModel* of(QComboBox* list);
    // The number chosen in the list (0 when nothing is chosen).
    static int chosen(const QComboBox* list);

    // The numbers 0 to last ("0" alone for a last number below 1).
    void setLast(int last);
    int last() const { return m_last; }
    int valueAt(int row) const;        // the number of an item
    int rowOf(qint64 value) const;     // the item of a number; -1 when it is not listed

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The exact number, or the numbers beginning with the digits given
    // (from start on, then from the top with Qt::MatchWrap), found without
    // reading the items; other kinds of match as the base class finds them.
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits = 1,
                          Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith | Qt::MatchWrap)) const override;

private:
    bool listed(qint64 value) const;
    // The smallest listed number from `from` on that the text matches; -1 when none.
    qint64 nextMatch(const QString& digits, bool startsWith, qint64 from) const;

    int m_last = 0;
};
