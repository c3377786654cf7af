/*
 * The four passes that write and read encrypted files, their two dispatchers, the header reader
 * and the check a command makes before it deletes an encrypted file. A pass moves the data in
 * large buffers, stops at the first read or write failure, flushes its output to disk before it
 * reports success, removes the output of a pass that does not complete and never acts through a
 * symbolic link.
 */
#pragma once

#include "encryptedformat.h"
#include "passobserver.h"
#include "passresult.h"

#include <QtCore/QString>

#include <optional>

class Platform;

class CipherPass {
public:
    // Bytes a pass moves at a time, at most: 2 MiB. The first buffer of an encryption is shorter
    // by the header, so that every write of the output starts on a buffer (and page) boundary.
    static constexpr qint64 BufferSize = qint64(1) << 21;

    CipherPass(Platform& platform, PassObserver& observer);

    // Encrypts plainPath into plainPath + ".vxp" (replacing any file of that name). When the
    // output is complete and on disk and deleteOriginal is set, deletes the plain file.
    PassResult EncryptBySecurityLevel(SecurityLevel level, const QString& plainPath, const QString& passwordField,
                                      bool deleteOriginal);
    PassResult EncryptHighSecurity(const QString& plainPath, const QString& passwordField, bool deleteOriginal);
    PassResult EncryptLowSecurity(const QString& plainPath, const QString& passwordField, bool deleteOriginal);

    // Decrypts encryptedPath into plainPath at the level its header names; a header with any
    // other letter gives UnknownLevel and touches nothing. Never deletes anything.
    PassResult DecryptByStoredLevel(const EncryptedHeader& header, const QString& encryptedPath,
                                    const QString& plainPath);
    PassResult DecryptHighSecurity(const QString& encryptedPath, const QString& plainPath);
    // Also gives the plain file the attribute value the header saved.
    PassResult DecryptLowSecurity(const QString& encryptedPath, const QString& plainPath, quint8 savedAttributes);

    // The header of an encrypted file; nullopt with *error set when it cannot be read whole.
    static std::optional<EncryptedHeader> ReadHeader(const QString& encryptedPath, QString* error = nullptr);

    // Whether plainPath is a regular file exactly 10 bytes shorter than encryptedPath: the
    // check a command makes before it deletes the encrypted file after a decryption.
    static bool isDecryptionComplete(const QString& encryptedPath, const QString& plainPath);

    // The attribute bits the header keeps: read-only, hidden, system and archive, the bits the
    // program manages and restores. Other bits are left out so the value fits in one byte.
    static quint8 headerAttributes(quint32 attributes);

private:
    struct Transfer;

    PassResult encrypt(SecurityLevel level, const QString& plainPath, const QString& passwordField,
                       bool deleteOriginal);
    PassResult decrypt(SecurityLevel level, const QString& encryptedPath, const QString& plainPath);
    PassResult transfer(const Transfer& job);

    Platform& m_platform;
    PassObserver& m_observer;
};
