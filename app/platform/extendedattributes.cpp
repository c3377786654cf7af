/*
 * Extended attributes through the calls on paths that act on a symbolic link itself, or on an
 * open file.
 */
#include "app/platform/extendedattributes.h"

#include <sys/xattr.h>

#include <cerrno>

namespace {

template <typename Read> ExtendedAttributes::Value readValue(Read read) {
    ExtendedAttributes::Value result;
    result.bytes.resize(ExtendedAttributes::MaxSize);
    const ssize_t size = read(result.bytes.data(), size_t(result.bytes.size()));
    if (size < 0) {
        result.error = errno;
        result.bytes.clear();
    } else {
        result.bytes.truncate(size);
    }
    return result;
}

} // namespace

ExtendedAttributes::Value ExtendedAttributes::get(const QByteArray& path, const char* name) const {
    return readValue([&](char* data, size_t size) { return ::lgetxattr(path.constData(), name, data, size); });
}

int ExtendedAttributes::set(const QByteArray& path, const char* name, const QByteArray& value) {
    return ::lsetxattr(path.constData(), name, value.constData(), value.size(), 0) == 0 ? 0 : errno;
}

ExtendedAttributes::Value ExtendedAttributes::getOnFile(int fd, const char* name) const {
    return readValue([&](char* data, size_t size) { return ::fgetxattr(fd, name, data, size); });
}

int ExtendedAttributes::setOnFile(int fd, const char* name, const QByteArray& value) {
    return ::fsetxattr(fd, name, value.constData(), value.size(), 0) == 0 ? 0 : errno;
}
