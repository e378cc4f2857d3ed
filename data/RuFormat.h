#pragma once
// Numbers and dates are read and shown the Russian way (comma as the decimal
// separator, 31.12.2026) whatever the machine's own locale says.
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

namespace ru {

QLocale locale();

// General format, up to 15 significant digits, comma separator: 2,5  12  0,1
QString formatFloat(double v);
// Reads "2,5" or "2.5" (blanks around are allowed); false on anything else.
bool parseFloat(const QString& text, double* out);
// Whole number, optional sign; false on anything else.
bool parseInt(const QString& text, int* out);

QString formatDate(const QDate& d);          // 31.12.2026
QString formatDateTime(const QDateTime& dt); // 31.12.2026, or 31.12.2026 9:05:00 when not midnight
bool parseDate(const QString& text, QDate* out);

} // namespace ru
