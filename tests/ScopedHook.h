#pragma once
// A process-wide hook (a clock, a write function, a dialog handler ...) set for one scope.
// The hook is put back when the scope ends, also when a failed check leaves the test early:
// a hook left behind would point at the dead locals of a finished test, and every test
// after it in the same program would run against it.

#include <type_traits>
#include <utility>

template <typename Value> class ScopedHook {
public:
    using Setter = void (*)(Value);
    using Stored = std::remove_cvref_t<Value>;

    // restore: what the hook is set to afterwards; the setter's empty value (the real
    // service) unless said otherwise.
    ScopedHook(Setter set, Stored value, Stored restore = Stored{})
        : m_set(set), m_restore(std::move(restore)) {
        m_set(std::move(value));
    }
    ~ScopedHook() { m_set(std::move(m_restore)); }
    ScopedHook(const ScopedHook&) = delete;
    ScopedHook& operator=(const ScopedHook&) = delete;

private:
    Setter m_set;
    Stored m_restore;
};
