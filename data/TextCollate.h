#pragma once
// Ordering of texts as a storekeeper expects for Russian: letter case does not
// decide (а = А, ё = е), digits come before Latin letters, Latin before
// Cyrillic; texts equal under that rule are ordered by their exact characters
// so that the order is total and stable.
#include <QString>
#include <string_view>

int collateCompare(std::string_view a, std::string_view b); // UTF-8
int collateCompare(const QString& a, const QString& b);

// Equality and order at the first level only: letter case and ё/е do not count.
int collatePrimary(std::string_view a, std::string_view b);
