#pragma once
// The one error type of the data layer: every failed open, exec, post or
// commit raises it, carrying a message fit for the user's error box. Some
// reasons get a text of their own that the windows add to their message:
// the file is busy in another copy of the program, the row was changed
// there since it was read, the disk is full, the file is damaged, or the
// database server cannot be reached.
#include <QString>
#include <stdexcept>

class DbError : public std::runtime_error {
public:
    enum class Reason { General, Busy, Conflict, DiskFull, Damaged, ServerLost };

    explicit DbError(const QString& message, Reason reason = Reason::General)
        : std::runtime_error(message.toStdString()), m_message(message), m_reason(reason) {}
    QString message() const { return m_message; }
    Reason reason() const { return m_reason; }

    static QString busyText()
    {
        return QStringLiteral("База данных занята другой копией программы (или другой программой). "
                              "Ничего не сохранено, повторите операцию позже.");
    }
    static QString diskFullText()
    {
        return QStringLiteral("На диске нет места: база данных не может вырасти. Ничего не сохранено, освободите "
                              "место на диске и повторите операцию.");
    }
    static QString serverLostText()
    {
        return QStringLiteral("Нет связи с сервером базы данных. Ничего не сохранено; программа подключится снова "
                              "при следующей команде.");
    }
    static QString conflictText()
    {
        return QStringLiteral("Запись была изменена другим пользователем. Данные обновлены, повторите операцию.");
    }

private:
    QString m_message;
    Reason m_reason;
};
