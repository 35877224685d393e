#pragma once

#include "platform/service.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

// The system's file-type registrations, read only, in the shape of a tree of keys whose
// parts are separated by "\" (".HTML", "htmlfile\shell\open\command"). Key names compare
// without regard to case.
class RegistryService : public Service<RegistryService> {
public:
    // The default value of the key, up to its first NUL character; nothing when the key
    // cannot be opened or has no default value.
    virtual std::optional<QString> defaultValue(const QString& key) = 0;
};

// The registrations of a Linux desktop, from the XDG MIME data:
//  - an extension key (".HTM", ".HTML", ".SHTML", ".SHTM", or any other extension the
//    MIME database knows) has the MIME type as its value ("text/html");
//  - "<MIME type>\shell\open\command", and "<extension>\shell\open\command" for the
//    extension's MIME type, has the Exec= line of the type's default
//    application: the .desktop file named by mimeapps.list (desktop-specific ones first)
//    in $XDG_CONFIG_HOME, $XDG_CONFIG_DIRS, $XDG_DATA_HOME/applications and
//    $XDG_DATA_DIRS/applications, then by defaults.list, then by the added associations
//    and mimeinfo.cache; applications listed as removed or hidden are left out.
// The environment is read anew at every call.
class XdgRegistryService : public RegistryService {
public:
    std::optional<QString> defaultValue(const QString& key) override;

    // The parts, for tests.
    static std::optional<QString> mimeTypeForExtension(const QString& extension);
    static QString defaultApplicationFile(const QString& mimeType);  // path of the .desktop file, or empty
    static std::optional<QString> execLine(const QString& desktopFile);
};

// The words to start for a desktop entry's Exec= value (its escapes already resolved) and
// one link: words split by the Desktop Entry quoting rules (blanks separate, double quotes
// group, and inside them a backslash keeps a following quote, backquote, dollar sign or
// backslash), "%%" as a percent sign, every other field code dropped, and the link as one
// word where the first %u, %U, %f or %F stood, or as the last word when none did. Empty
// when the value holds no program or an unclosed quote.
QStringList desktopExecWords(const QString& exec, const QString& link);

// A registry held in memory; keys compare without regard to case.
class MapRegistry : public RegistryService {
public:
    void set(const QString& key, const QString& value) { values_.insert(key.toLower(), value); }
    void remove(const QString& key) { values_.remove(key.toLower()); }
    QStringList asked;  // every key asked for, in order

    std::optional<QString> defaultValue(const QString& key) override;

private:
    QHash<QString, QString> values_;
};

}  // namespace platform
