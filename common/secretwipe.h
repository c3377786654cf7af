/*
 * Wiping memory that held a password once it is no longer needed, so that the password lingers
 * neither in freed memory nor in what the system pages out. explicit_bzero is a write the
 * compiler may not leave out.
 *
 * Only a buffer this code owns alone can be wiped: a QString or QByteArray still shared with
 * another copy is let go, and that copy's holder wipes it in turn. Qt's own copies (the text of a
 * line edit, its undo history, the clipboard) cannot be reached at all.
 */
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>

#include <cstring>

namespace Secret {

inline void wipe(void* data, std::size_t size) {
    if (size > 0)
        ::explicit_bzero(data, size);
}

inline void wipe(QByteArray& bytes) {
    if (bytes.isDetached())
        wipe(bytes.data(), std::size_t(bytes.size()));
    bytes = QByteArray();
}

inline void wipe(QString& text) {
    if (text.isDetached())
        wipe(text.data(), std::size_t(text.size()) * sizeof(QChar));
    text = QString();
}

// Wipes a value when its scope is left, whichever way.
template <typename Value> class WipedOnExit {
public:
    explicit WipedOnExit(Value& value)
        : m_value(value) {}
    WipedOnExit(const WipedOnExit&) = delete;
    WipedOnExit& operator=(const WipedOnExit&) = delete;
    ~WipedOnExit() { wipe(m_value); }

private:
    Value& m_value;
};

} // namespace Secret
