#pragma once
// A whole storeroom copied from one database to another: a file to a server
// (moving in), a server to a file (a copy to take home), or file to file.
// The destination must hold no data: a new file (written beside its name and
// renamed when complete), or a server database that is empty or holds the
// program's tables without a row. Every table is copied with its keys in one
// transaction, then the copy is checked: the rows of every table counted on
// both sides, and the consistency check run on the copy.
#include <QString>
#include <QStringList>
#include <functional>

struct CopyOutcome {
    bool ok = false;
    QStringList lines;      // what was copied and what the checks found, one line each
    QString error;          // why nothing was copied (empty when ok)
};

// progress(done, total) after every table; rows counted.
CopyOutcome copyDatabase(const QString& source, const QString& destination,
                         const std::function<void(qint64, qint64)>& progress = {});
