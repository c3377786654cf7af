/*
 * The one way an operation of the program fails: it returns Expected<T> (or Expected<void>),
 * holding either its value or an Error with the text the user is shown and, where a caller
 * branches on the cause, a code (an errno value). A reader of a format whose callers need more
 * than a text (which entry, which rule) names its own error type: Expected<T, Refusal>.
 *
 * The members are those of C++23's std::expected<T, E>, with the same names and meaning, so
 * that once every compiler we build with (the fuzz build's clang among them) compiles <expected>
 * this header can shrink to Error and
 *     template <class T, class E = Error> using Expected = std::expected<T, E>;
 *     template <class E> using Unexpected = std::unexpected<E>;
 *     template <class E> using BadExpectedAccess = std::bad_expected_access<E>;
 *     inline Unexpected<Error> unexpected(Error error) { return Unexpected<Error>(std::move(error)); }
 * (that function stays: std::unexpected cannot deduce its type from `unexpected({text, code})`).
 * Only the subset the program uses is here.
 */
#pragma once

#include <QtCore/QString>

#include <exception>
#include <type_traits>
#include <utility>
#include <variant>

// Why an operation failed: the message shown to the user and, when it came from the system, the
// errno value (0 otherwise).
struct Error {
    QString message;
    int code = 0;

    // The system's description of an errno value, with that value as the code.
    static Error fromCode(int code) { return {qt_error_string(code), code}; }
};

// The error a failing operation returns, as std::unexpected: `return unexpected(error);`.
template <class E> class Unexpected {
public:
    explicit Unexpected(E error)
        : m_error(std::move(error)) {}

    const E& error() const& { return m_error; }
    E& error() & { return m_error; }
    E&& error() && { return std::move(m_error); }

private:
    E m_error;
};

template <class E> Unexpected(E) -> Unexpected<E>;

inline Unexpected<Error> unexpected(Error error) {
    return Unexpected<Error>(std::move(error));
}

// Thrown by value() of a result holding an error, as std::bad_expected_access.
template <class E> class BadExpectedAccess : public std::exception {
public:
    explicit BadExpectedAccess(E error)
        : m_error(std::move(error)) {}
    const char* what() const noexcept override { return "bad Expected access"; }
    const E& error() const { return m_error; }

private:
    E m_error;
};

// A value an Expected<T> can be made from: one that makes a T, and is neither the result itself
// nor an error.
template <class U, class T, class Result>
concept ValueFor = std::is_constructible_v<T, U> && !std::is_same_v<std::remove_cvref_t<U>, Result> &&
                   !std::is_same_v<std::remove_cvref_t<U>, Unexpected<typename Result::error_type>>;

template <class T, class E = Error> class Expected {
    static_assert(!std::is_reference_v<T> && !std::is_same_v<std::remove_cv_t<T>, E>);

public:
    using value_type = T;
    using error_type = E;

    Expected()
        : m_state(std::in_place_index<0>) {}
    template <ValueFor<T, Expected> U = T>
    explicit(!std::is_convertible_v<U, T>) Expected(U&& value)
        : m_state(std::in_place_index<0>, std::forward<U>(value)) {}
    template <class G>
    Expected(const Unexpected<G>& failure)
        : m_state(std::in_place_index<1>, failure.error()) {}
    template <class G>
    Expected(Unexpected<G>&& failure)
        : m_state(std::in_place_index<1>, std::move(failure).error()) {}

    bool has_value() const noexcept { return m_state.index() == 0; }
    explicit operator bool() const noexcept { return has_value(); }

    const T& value() const& {
        throwIfError();
        return *std::get_if<0>(&m_state);
    }
    T& value() & {
        throwIfError();
        return *std::get_if<0>(&m_state);
    }
    T&& value() && {
        throwIfError();
        return std::move(*std::get_if<0>(&m_state));
    }

    // As std::expected, only for a result that holds a value.
    const T& operator*() const& noexcept { return *std::get_if<0>(&m_state); }
    T& operator*() & noexcept { return *std::get_if<0>(&m_state); }
    T&& operator*() && noexcept { return std::move(*std::get_if<0>(&m_state)); }
    const T* operator->() const noexcept { return std::get_if<0>(&m_state); }
    T* operator->() noexcept { return std::get_if<0>(&m_state); }

    // As std::expected, only for a result that holds an error.
    const E& error() const& noexcept { return *std::get_if<1>(&m_state); }
    E& error() & noexcept { return *std::get_if<1>(&m_state); }
    E&& error() && noexcept { return std::move(*std::get_if<1>(&m_state)); }

    // Whether it holds a value equal to other, as std::expected's comparison with a value.
    template <class U>
    requires(!std::is_same_v<std::remove_cvref_t<U>, Expected>) friend bool operator==(const Expected& result,
                                                                                       const U& other) {
        return result.has_value() && *result == other;
    }

    template <class U> T value_or(U&& fallback) const& {
        return has_value() ? **this : static_cast<T>(std::forward<U>(fallback));
    }
    template <class U> T value_or(U&& fallback) && {
        return has_value() ? std::move(**this) : static_cast<T>(std::forward<U>(fallback));
    }

private:
    void throwIfError() const {
        if (!has_value())
            throw BadExpectedAccess<E>(error());
    }

    std::variant<T, E> m_state;
};

template <class E> class Expected<void, E> {
public:
    using value_type = void;
    using error_type = E;

    Expected() = default;
    template <class G>
    Expected(const Unexpected<G>& failure)
        : m_error(failure.error())
        , m_failed(true) {}
    template <class G>
    Expected(Unexpected<G>&& failure)
        : m_error(std::move(failure).error())
        , m_failed(true) {}

    bool has_value() const noexcept { return !m_failed; }
    explicit operator bool() const noexcept { return has_value(); }

    void value() const {
        if (m_failed)
            throw BadExpectedAccess<E>(m_error);
    }
    void operator*() const noexcept {}

    const E& error() const& noexcept { return m_error; }
    E& error() & noexcept { return m_error; }
    E&& error() && noexcept { return std::move(m_error); }

private:
    E m_error;
    bool m_failed = false;
};
