/*
 * The extended-attribute calls the attribute engine makes, behind a seam so that tests can
 * stand in a file system that keeps no extended attributes.
 */
#pragma once

#include "common/expected.h"

#include <QtCore/QByteArray>

class ExtendedAttributes {
public:
    virtual ~ExtendedAttributes() = default;

    // Reads the attribute name of the file or folder at the encoded path, never following a
    // symbolic link. Values longer than MaxSize read as failed (ERANGE). The error's code tells
    // nothing stored (ENODATA) from a file system that keeps none (ENOTSUP).
    virtual Expected<QByteArray> get(const QByteArray& path, const char* name) const;
    // Writes it, never following a symbolic link.
    virtual Expected<void> set(const QByteArray& path, const char* name, const QByteArray& value);
    // The same on an open file (one that may have no name yet).
    virtual Expected<QByteArray> getOnFile(int fd, const char* name) const;
    virtual Expected<void> setOnFile(int fd, const char* name, const QByteArray& value);

    // More than any attribute value this program reads needs.
    static constexpr int MaxSize = 256;
};
