#pragma once
// The program's two failure kinds: an error whose message the message loop shows in a box
// titled with the application title, and the silent abort of a command the user cancelled.

#include <QString>
#include <stdexcept>

class EScrivelleError : public std::runtime_error {
public:
    explicit EScrivelleError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

// Ends the running command without a word (Cancel in the save-changes prompt).
class EAbort : public std::exception {
public:
    const char *what() const noexcept override { return "Operation aborted"; }
};

// The message of any exception, as the error box shows it.
inline QString exceptionMessage(const std::exception &e)
{
    if (auto *s = dynamic_cast<const EScrivelleError *>(&e))
        return s->message();
    return QString::fromUtf8(e.what());
}
