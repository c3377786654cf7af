/*
 * Extended attributes through the calls on paths that act on a symbolic link itself, or on an
 * open file.
 */
#include "app/platform/extendedattributes.h"

#include <sys/xattr.h>

#include <cerrno>

namespace {

template <typename Read> Expected<QByteArray> readValue(Read read) {
    QByteArray bytes(ExtendedAttributes::MaxSize, Qt::Uninitialized);
    const ssize_t size = read(bytes.data(), size_t(bytes.size()));
    if (size < 0)
        return unexpected(Error::fromCode(errno));
    bytes.truncate(size);
    return bytes;
}

Expected<void> written(int result) {
    if (result != 0)
        return unexpected(Error::fromCode(errno));
    return {};
}

} // namespace

Expected<QByteArray> ExtendedAttributes::get(const QByteArray& path, const char* name) const {
    return readValue([&](char* data, size_t size) { return ::lgetxattr(path.constData(), name, data, size); });
}

Expected<void> ExtendedAttributes::set(const QByteArray& path, const char* name, const QByteArray& value) {
    return written(::lsetxattr(path.constData(), name, value.constData(), value.size(), 0));
}

Expected<QByteArray> ExtendedAttributes::getOnFile(int fd, const char* name) const {
    return readValue([&](char* data, size_t size) { return ::fgetxattr(fd, name, data, size); });
}

Expected<void> ExtendedAttributes::setOnFile(int fd, const char* name, const QByteArray& value) {
    return written(::fsetxattr(fd, name, value.constData(), value.size(), 0));
}
