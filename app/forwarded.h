#pragma once

#include <functional>
#include <utility>

namespace app {

// A value of the application's state that belongs to an object below the windows (the editor's
// document owns the modified flag and the file name): once bound, every read and write of the
// value goes to its owner, so there is one truth and no copy to fall out of step. Before it is
// bound (or after it is unbound) the value is held here.
template <class T> class Forwarded {
public:
    Forwarded() = default;
    Forwarded(const T& value) : m_value(value) {}
    // Copying copies the value, never the binding: resetting the state sets the owner's value.
    Forwarded(const Forwarded& other) : m_value(other.get()) {}
    Forwarded& operator=(const Forwarded& other) {
        set(other.get());
        return *this;
    }
    Forwarded& operator=(const T& value) {
        set(value);
        return *this;
    }

    operator T() const { return get(); }
    T get() const { return m_get ? m_get() : m_value; }
    void set(const T& value) {
        if (m_set)
            m_set(value);
        else
            m_value = value;
    }
    // For strings: whether the value is empty, and emptying it.
    bool isEmpty() const { return get().isEmpty(); }
    void clear() { set(T()); }

    void bind(std::function<T()> get, std::function<void(const T&)> set) {
        m_get = std::move(get);
        m_set = std::move(set);
    }
    // Keeps the owner's last value here.
    void unbind() {
        m_value = get();
        m_get = {};
        m_set = {};
    }

private:
    T m_value{};
    std::function<T()> m_get;
    std::function<void(const T&)> m_set;
};

} // namespace app
