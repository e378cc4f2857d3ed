#pragma once
// The one error type of the data layer: every failed open, exec, post or
// commit raises it, carrying a message fit for the user's error box.
#include <QString>
#include <stdexcept>

class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};
