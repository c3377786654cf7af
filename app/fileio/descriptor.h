/*
 * An open file descriptor that closes itself when it goes out of scope; it can be moved, not
 * copied.
 */
#pragma once

#include "common/expected.h"

#include <utility>

class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd)
        : m_fd(fd) {}
    Descriptor(Descriptor&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other)
            reset(std::exchange(other.m_fd, -1));
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { reset(); }

    int fd() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    // Gives up ownership without closing.
    int release() { return std::exchange(m_fd, -1); }
    // Closes the descriptor held (if any) and takes fd.
    void reset(int fd = -1);
    // Closes now and tells whether that worked: a write error the file system deferred can
    // surface only here.
    Expected<void> close();

private:
    int m_fd = -1;
};
