#pragma once

#include <QByteArray>
#include <QDir>
#include <QLocale>
#include <QString>

#include <ctime>
#include <optional>
#include <vector>

// Global state a test changes and gets back whatever happens: environment variables, the
// working directory, the default locale and the local time zone.

// Sets (or, with a null value, removes) environment variables; the destructor puts every
// one back as it was, in reverse order.
class EnvGuard {
public:
    EnvGuard() = default;
    EnvGuard(const char* name, const QByteArray& value) { set(name, value); }
    ~EnvGuard()
    {
        for (auto it = old_.rbegin(); it != old_.rend(); ++it) {
            if (it->value)
                qputenv(it->name.constData(), *it->value);
            else
                qunsetenv(it->name.constData());
        }
    }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

    void set(const char* name, const QByteArray& value)
    {
        Old old{name, std::nullopt};
        if (qEnvironmentVariableIsSet(name))
            old.value = qgetenv(name);
        old_.push_back(old);
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    void unset(const char* name) { set(name, QByteArray()); }

private:
    struct Old {
        QByteArray name;
        std::optional<QByteArray> value;
    };
    std::vector<Old> old_;
};

// Makes a folder the working directory for the guard's lifetime.
class CwdGuard {
public:
    explicit CwdGuard(const QString& path) : old_(QDir::currentPath()) { ok_ = QDir::setCurrent(path); }
    ~CwdGuard() { QDir::setCurrent(old_); }
    CwdGuard(const CwdGuard&) = delete;
    CwdGuard& operator=(const CwdGuard&) = delete;
    bool ok() const { return ok_; }

private:
    QString old_;
    bool ok_ = false;
};

// Sets the default locale (what QLocale() gives) for the guard's lifetime.
class LocaleGuard {
public:
    explicit LocaleGuard(const QLocale& locale) : old_(QLocale()) { QLocale::setDefault(locale); }
    ~LocaleGuard() { QLocale::setDefault(old_); }
    LocaleGuard(const LocaleGuard&) = delete;
    LocaleGuard& operator=(const LocaleGuard&) = delete;
    void set(const QLocale& locale) { QLocale::setDefault(locale); }

private:
    QLocale old_;
};

// Sets the local time zone (TZ) for the guard's lifetime.
class TimeZoneGuard {
public:
    explicit TimeZoneGuard(const QByteArray& zone)
    {
        if (qEnvironmentVariableIsSet("TZ"))
            old_ = qgetenv("TZ");
        qputenv("TZ", zone);
        tzset();
    }
    ~TimeZoneGuard()
    {
        if (old_)
            qputenv("TZ", *old_);
        else
            qunsetenv("TZ");
        tzset();
    }
    TimeZoneGuard(const TimeZoneGuard&) = delete;
    TimeZoneGuard& operator=(const TimeZoneGuard&) = delete;

private:
    std::optional<QByteArray> old_;
};
