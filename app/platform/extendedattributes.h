/*
 * The extended-attribute calls the attribute engine makes, behind a seam so that tests can
 * stand in a file system that keeps no extended attributes.
 */
#pragma once

#include <QtCore/QByteArray>

class ExtendedAttributes {
public:
    struct Value {
        QByteArray bytes;
        int error = 0; // errno of a failed read (ENODATA: nothing stored; ENOTSUP: not kept here)
    };

    virtual ~ExtendedAttributes() = default;

    // Reads the attribute name of the file or folder at the encoded path, never following a
    // symbolic link. Values longer than MaxSize read as failed (ERANGE).
    virtual Value get(const QByteArray& path, const char* name) const;
    // Writes it, never following a symbolic link; returns 0 or the errno of the failure.
    virtual int set(const QByteArray& path, const char* name, const QByteArray& value);
    // The same on an open file (one that may have no name yet).
    virtual Value getOnFile(int fd, const char* name) const;
    virtual int setOnFile(int fd, const char* name, const QByteArray& value);

    // More than any attribute value this program reads needs.
    static constexpr int MaxSize = 256;
};
