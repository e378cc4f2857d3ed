#include "RuFormat.h"

#include <cmath>

namespace ru {

QLocale locale()
{
    static const QLocale loc(QLocale::Russian, QLocale::Russia);
    return loc;
}

QString formatFloat(double v)
{
    if (std::isnan(v) || std::isinf(v))
        return QString();
    QString s = QString::number(v, 'g', 15);
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

bool parseFloat(const QString& text, double* out)
{
    QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    for (QChar c : t) {
        if (!(c.isDigit() || c == QLatin1Char('.') || c == QLatin1Char('-') || c == QLatin1Char('+')
              || c == QLatin1Char('e') || c == QLatin1Char('E')))
            return false;
    }
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || std::isnan(v) || std::isinf(v))
        return false;
    if (out)
        *out = v;
    return true;
}

bool parseInt(const QString& text, int* out)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    const int v = t.toInt(&ok, 10);
    if (!ok)
        return false;
    if (out)
        *out = v;
    return true;
}

QString formatDate(const QDate& d)
{
    return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString();
}

QString formatDateTime(const QDateTime& dt)
{
    if (!dt.isValid())
        return QString();
    if (dt.time() == QTime(0, 0))
        return formatDate(dt.date());
    return formatDate(dt.date()) + QLatin1Char(' ') + dt.time().toString(QStringLiteral("H:mm:ss"));
}

bool parseDate(const QString& text, QDate* out)
{
    const QDate d = QDate::fromString(text.trimmed(), QStringLiteral("dd.MM.yyyy"));
    if (!d.isValid())
        return false;
    if (out)
        *out = d;
    return true;
}

} // namespace ru
