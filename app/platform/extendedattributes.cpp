/*
 * Extended attributes through the calls on paths that act on a symbolic link itself.
 */
#include "extendedattributes.h"

#include <sys/xattr.h>

#include <cerrno>

ExtendedAttributes::Value ExtendedAttributes::get(const QByteArray& path, const char* name) const {
    Value result;
    result.bytes.resize(MaxSize);
    const ssize_t size = ::lgetxattr(path.constData(), name, result.bytes.data(), result.bytes.size());
    if (size < 0) {
        result.error = errno;
        result.bytes.clear();
    } else {
        result.bytes.truncate(size);
    }
    return result;
}

int ExtendedAttributes::set(const QByteArray& path, const char* name, const QByteArray& value) {
    return ::lsetxattr(path.constData(), name, value.constData(), value.size(), 0) == 0 ? 0 : errno;
}
