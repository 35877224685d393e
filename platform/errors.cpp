#include "platform/errors.h"

#include "platform/messagebox.h"

#include <cerrno>
#include <cstring>
#include <new>

namespace platform {

AppError::AppError(QString message) : message_(std::move(message)), utf8_(message_.toStdString()) {}

SettingsWriteError::SettingsWriteError(const QString& path)
    : AppError(QStringLiteral("nach %1 kann nicht geschrieben werden").arg(path)) {}

QString writeFailureReason(int error)
{
    switch (error) {
    case 0: return QString();
    case ENOSPC: return QStringLiteral("Auf dem Datenträger ist kein Platz mehr frei");
    case EDQUOT: return QStringLiteral("Das Speicherkontingent (Quota) ist ausgeschöpft");
    case EACCES:
    case EPERM: return QStringLiteral("Keine Berechtigung zum Schreiben");
    case EROFS: return QStringLiteral("Das Dateisystem ist schreibgeschützt");
    case EIO: return QStringLiteral("Ein-/Ausgabefehler des Datenträgers");
    case EFBIG: return QStringLiteral("Die Datei ist für das Dateisystem zu groß");
    case ENOENT: return QStringLiteral("Der Ordner existiert nicht");
    case ENOTDIR: return QStringLiteral("Ein Teil des Pfades ist kein Ordner");
    case EISDIR: return QStringLiteral("Unter diesem Namen gibt es einen Ordner");
    case ENAMETOOLONG: return QStringLiteral("Der Name ist zu lang");
    case ELOOP: return QStringLiteral("Zu viele symbolische Verknüpfungen hintereinander");
    case ETXTBSY: return QStringLiteral("Die Datei ist ein laufendes Programm");
    case ENXIO: return QStringLiteral("Die Datei ist keine gewöhnliche Datei");
    default: return QStringLiteral("Systemfehler %1 (%2)").arg(error).arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

QString errorReportText(const QString& message)
{
    if (!message.isEmpty() && message.back() <= QChar('.'))
        return message;
    return message + QLatin1Char('.');
}

void showErrorReport(const QString& message)
{
    MessageBoxService::current().show(QStringLiteral("VARNX"), errorReportText(message), MsgIcon::Error,
                                      MsgButtons::Ok);
}

QString exceptionText(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const AppError& e) {
        return e.message();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Zu wenig Arbeitsspeicher");
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unbekannter Fehler");
    }
}

std::exception_ptr runCatching(const std::function<void()>& handler)
{
    try {
        handler();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

void showErrorReport(const std::exception_ptr& error)
{
    if (error)
        showErrorReport(exceptionText(error));
}

void reportCurrentException() { showErrorReport(exceptionText(std::current_exception())); }

bool runGuarded(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (...) {
        reportCurrentException();
    }
    return false;
}

}  // namespace platform
