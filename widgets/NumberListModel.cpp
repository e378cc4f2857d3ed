#include "NumberListModel.h"

#include "UniformListView.h"

#include <QApplication>
#include <QComboBox>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyleFactory>
#include <algorithm>
#include <climits>

namespace {

// The application's style, except that the list drops down below the box,
// as many rows as the box allows at a time, instead of opening as a menu
// around the current item (which measures every row to place itself).
class DropDownStyle : public QProxyStyle {
public:
    DropDownStyle() : QProxyStyle(QStyleFactory::create(QApplication::style()->name())) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

NumberListModel::NumberListModel(QObject* parent) : QAbstractListModel(parent) {}

NumberListModel* NumberListModel::of(QComboBox* list)
{
    if (auto* m = qobject_cast<NumberListModel*>(list->model()))
        return m;
    auto* m = new NumberListModel(list);
    auto* style = new DropDownStyle;
    style->setParent(list);
    list->setStyle(style);
    list->setModel(m);
    list->setView(new UniformListView);
    // The box and its drop-down sized by the longest number, not by
    // measuring every item.
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto fit = [list, m] {
        const QString longest = QString::number(m->last());
        list->setMinimumContentsLength(int(longest.size()));
        QAbstractItemView* view = list->view();
        const QFontMetrics fm = view->fontMetrics();
        view->setMinimumWidth(fm.horizontalAdvance(longest) + 2 * fm.averageCharWidth()
                              + view->verticalScrollBar()->sizeHint().width());
    };
    fit();
    connect(m, &QAbstractItemModel::modelReset, list, fit);
    return m;
}

int NumberListModel::chosen(const QComboBox* list)
{
    const int row = list->currentIndex();
    if (row < 0)
        return 0;
    if (const auto* m = qobject_cast<const NumberListModel*>(list->model()))
        return m->valueAt(row);
    return list->currentText().toInt();
}

void NumberListModel::setLast(int last)
{
    beginResetModel();
    m_last = std::max(last, 0);
    endResetModel();
}

int NumberListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return m_last < INT_MAX ? m_last + 1 : INT_MAX;
}

int NumberListModel::valueAt(int row) const
{
    return row == rowCount() - 1 ? m_last : row;
}

int NumberListModel::rowOf(qint64 value) const
{
    if (!listed(value))
        return -1;
    return value == m_last ? rowCount() - 1 : int(value);
}

bool NumberListModel::listed(qint64 value) const
{
    if (value < 0 || value > m_last)
        return false;
    return !(m_last == INT_MAX && value == qint64(INT_MAX) - 1);
}

QVariant NumberListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    return QString::number(valueAt(index.row()));
}

qint64 NumberListModel::nextMatch(const QString& digits, bool startsWith, qint64 from) const
{
    from = std::max<qint64>(from, 0);
    for (const QChar ch : digits)
        if (ch < u'0' || ch > u'9')
            return -1;
    if (digits.size() > 10)
        return -1;
    // An exact number is written as QString::number writes it: no leading zeros.
    if (digits.size() > 1 && digits.front() == u'0')
        return -1;
    auto firstListed = [&](qint64 lo, qint64 hi) -> qint64 {
        lo = std::max(lo, from);
        hi = std::min<qint64>(hi, m_last);
        for (qint64 v = lo; v <= hi; ++v)   // at most one number is not listed
            if (listed(v))
                return v;
        return -1;
    };
    if (digits.isEmpty())
        return startsWith ? firstListed(0, m_last) : -1;
    const qint64 n = digits.toLongLong();
    if (!startsWith || n == 0)
        return firstListed(n, n);
    // The numbers beginning with n: n, then n0 .. n9, n00 .. n99, ...
    for (qint64 span = 1; n * span <= m_last; span *= 10) {
        const qint64 v = firstListed(n * span, (n + 1) * span - 1);
        if (v >= 0)
            return v;
    }
    return -1;
}

QModelIndexList NumberListModel::match(const QModelIndex& start, int role, const QVariant& value, int hits,
                                       Qt::MatchFlags flags) const
{
    const int how = int(flags & Qt::MatchTypeMask);
    const bool known = how == Qt::MatchExactly || how == Qt::MatchFixedString || how == Qt::MatchStartsWith;
    if ((role != Qt::DisplayRole && role != Qt::EditRole) || !known || hits < 0 || start.model() != this)
        return QAbstractListModel::match(start, role, value, hits, flags);
    const QString text = value.toString();
    const bool startsWith = how == Qt::MatchStartsWith;
    const qint64 first = valueAt(start.row());
    QModelIndexList found;
    auto collect = [&](qint64 from, qint64 to) {
        while (found.size() < hits) {
            const qint64 v = nextMatch(text, startsWith, from);
            if (v < 0 || v > to)
                return;
            found << index(rowOf(v));
            from = v + 1;
        }
    };
    collect(first, m_last);
    if (flags & Qt::MatchWrap)
        collect(0, first - 1);
    return found;
}
