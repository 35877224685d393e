#pragma once

namespace platform {

// Base for every replaceable platform service. The program always reaches a service
// through Iface::current(); a test installs its fake with Iface::install(&fake) and
// removes it again with Iface::install(nullptr).
template <class Iface>
class Service {
public:
    virtual ~Service() = default;
    static Iface& current() { return override_ ? *override_ : defaultInstance(); }
    static void install(Iface* service) { override_ = service; }
    static bool isOverridden() { return override_ != nullptr; }

private:
    static Iface& defaultInstance();  // the Qt/POSIX implementation, defined beside it
    static inline Iface* override_ = nullptr;
};

// Installs a service for the lifetime of the object.
template <class Iface>
class ScopedService {
public:
    explicit ScopedService(Iface* service) : previous_(Iface::isOverridden() ? &Iface::current() : nullptr) { Iface::install(service); }
    ~ScopedService() { Iface::install(previous_); }
    ScopedService(const ScopedService&) = delete;
    ScopedService& operator=(const ScopedService&) = delete;

private:
    Iface* previous_;
};

}  // namespace platform
