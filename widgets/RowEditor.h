#pragma once
// What the windows share around the operations of the data layer: how a
// command ended, and the failure message as shown.
#include <QString>

class DbError;
namespace ops {
struct Result;
}

enum class RowEditorResult { Refused, Cancelled, Stored, Failed };

// The failure message as shown: the command's sentence, and for a busy file,
// a row changed elsewhere or a full disk the reason after it.
QString failureText(const QString& message, const DbError& e);
QString failureText(const QString& message, const ops::Result& r);
