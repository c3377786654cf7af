#include "app/fileio/descriptor.h"

#include <cerrno>

#include <unistd.h>

void Descriptor::reset(int fd) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

Expected<void> Descriptor::close() {
    // Linux releases the descriptor even when close reports an error; never retry it.
    if (::close(std::exchange(m_fd, -1)) == 0)
        return {};
    return unexpected(Error::fromCode(errno));
}
