#include "app/fileio/descriptor.h"

#include <unistd.h>

void Descriptor::reset(int fd) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

bool Descriptor::close() {
    // Linux releases the descriptor even when close reports an error; never retry it.
    return ::close(std::exchange(m_fd, -1)) == 0;
}
