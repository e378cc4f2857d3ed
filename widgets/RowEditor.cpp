#include "RowEditor.h"

#include "DbError.h"
#include "Operations.h"

QString failureText(const QString& message, const DbError& e)
{
    if (e.reason() == DbError::Reason::General)
        return message;
    return message + QStringLiteral("\n\n") + e.message();
}

QString failureText(const QString& message, const ops::Result& r)
{
    if (r.reason == DbError::Reason::General)
        return message;
    return message + QStringLiteral("\n\n") + r.message;
}
