#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

namespace td {

// The error that the framework's standard error box shows: an operation that cannot go on
// throws one, and the application's event loop boundary shows its text in a critical box.
class Error : public std::exception {
  public:
    explicit Error(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

  private:
    QString m_message;
    QByteArray m_utf8;
};

}  // namespace td
