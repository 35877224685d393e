#pragma once

#include <QString>
#include <exception>
#include <string>
#include <functional>

namespace platform {

// The program's one error hierarchy. Handlers let these travel to the edge of the
// handler, where runGuarded() shows them with the general error report.
class AppError : public std::exception {
public:
    explicit AppError(QString message);
    const QString& message() const { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    QString message_;
    std::string utf8_;
};

// A file could not be opened or read.
class FileOpenError : public AppError {
public:
    using AppError::AppError;
};

// A file could not be created or written.
class FileCreateError : public AppError {
public:
    using AppError::AppError;
};

// Memory or another system resource ran out.
class OutOfResourcesError : public AppError {
public:
    using AppError::AppError;
};

// The settings file refused a write: "nach %s kann nicht geschrieben werden".
class SettingsWriteError : public AppError {
public:
    explicit SettingsWriteError(const QString& path);
};

// Why a file could not be created or written, in German, from the system's error number
// (errno); empty for 0.
QString writeFailureReason(int error);

// The text the general error report shows for a message: a full stop is added
// unless the message already ends with a character that sorts at or before ".".
QString errorReportText(const QString& message);

// The general error report: a message box captioned "VARNX" with the error icon and OK.
void showErrorReport(const QString& message);

// The text the general error report shows for an exception of any type: the message of
// the program's own errors, "Zu wenig Arbeitsspeicher" when memory ran out, the
// description of any other standard exception, "Unbekannter Fehler" for anything else.
QString exceptionText(const std::exception_ptr& error);

// Runs the handler and hands back what it threw (nothing when it ended normally), so that
// the caller can tidy up (a busy display, say) before the error is shown.
std::exception_ptr runCatching(const std::function<void()>& handler);

// Shows a caught exception with the general error report; nothing for an empty one.
void showErrorReport(const std::exception_ptr& error);

// Shows the exception being handled with the general error report; only inside a catch.
void reportCurrentException();

// Runs a handler and shows any error that leaves it with the general error report,
// so that no exception ever unwinds through the event loop. Returns false when an
// error was reported.
bool runGuarded(const std::function<void()>& handler);

}  // namespace platform
