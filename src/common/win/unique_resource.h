#pragma once
// One owner template for every Win32 resource, parameterised by traits that name the value
// type, the value meaning "none" and the function that gives it back. A new kind of resource
// costs a three-line traits struct and one alias, not a class.

#include <utility>

namespace mv {

template <typename Traits>
class unique_resource {
public:
    using value_type = typename Traits::type;

    unique_resource() noexcept = default;
    explicit unique_resource(value_type value) noexcept : m_value(value) {}
    ~unique_resource() { reset(); }

    unique_resource(unique_resource&& other) noexcept : m_value(other.release()) {}
    unique_resource& operator=(unique_resource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    unique_resource(const unique_resource&) = delete;
    unique_resource& operator=(const unique_resource&) = delete;

    value_type get() const noexcept { return m_value; }
    bool is_valid() const noexcept { return m_value != Traits::invalid(); }
    explicit operator bool() const noexcept { return is_valid(); }

    // Closes what is held and takes ownership of `value`.
    void reset(value_type value = Traits::invalid()) noexcept {
        value_type old = std::exchange(m_value, value);
        if (old != Traits::invalid()) Traits::close(old);
    }
    // Gives up ownership without closing.
    value_type release() noexcept { return std::exchange(m_value, Traits::invalid()); }
    // Closes what is held and returns the address for an API that fills in a new value.
    value_type* put() noexcept {
        reset();
        return &m_value;
    }

private:
    value_type m_value = Traits::invalid();
};

}  // namespace mv
