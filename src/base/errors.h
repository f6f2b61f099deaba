#pragma once
// The two kinds of failure that travel through the program as exceptions.

#include <QString>
#include <stdexcept>

// An error with a message for the operator.
class EError : public std::runtime_error
{
public:
    explicit EError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// The silent abort: cancels the operation in progress without any message.
class EAbort : public std::exception
{
public:
    const char *what() const noexcept override { return "Operation aborted"; }
};

// The message of any exception, for the error box.
QString ErrorMessage(const std::exception &e);
