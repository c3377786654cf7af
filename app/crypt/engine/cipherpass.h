/*
 * The passes that write and read encrypted files and the header reader. A pass moves the data in
 * large buffers and stops at the first read or write failure. It holds the user's lock on its
 * input for its whole length (passlock.h), so a second pass on the same file (from this or another
 * of the user's running copies) is refused, and no other account can hold it up. Its output is
 * written aside and renamed into place only when it is complete, on disk and made from the input
 * as it still is, so a file it replaces stays untouched until then. It never changes its input's
 * permission bits or read-only, hidden and system marks before the output is in place (at most it
 * adds Archive, and takes it off again when it puts no output in place); an input that stays then
 * gets the attributes its task names. The output is never open to more people than the input: it
 * takes the input's read bits and (encrypting) its write bits, or (decrypting) the user's, limited
 * by the umask or by the file it replaces; the input's group only where the user may give it; and
 * the user running the pass as owner, or, when root works on another account's file, that file's
 * owner. It deletes an input only while the input's name still leads to the very file that was
 * read, unchanged. Every step works in the folder that was checked (the task's descriptor): no
 * path is looked up again, so a folder swapped for a link meanwhile changes nothing. An existing
 * output is replaced only when the user agreed to replace that very file, and a decryption reads
 * the header it checks through the descriptor it decrypts from. Nothing but regular files is read
 * or replaced, and nothing is done through a symbolic link.
 */
#pragma once

#include "app/crypt/engine/encryptedformat.h"
#include "app/crypt/engine/filetask.h"
#include "app/crypt/engine/passobserver.h"
#include "app/crypt/engine/passresult.h"
#include "app/fileio/descriptor.h"
#include "common/expected.h"

#include <QtCore/QList>
#include <QtCore/QString>

#include <memory>
#include <optional>
#include <vector>

#include <sys/stat.h>

class AsideFile;
class Platform;
class SecretBuffer;

class CipherPass {
public:
    // Bytes a pass moves at a time, at most: 2 MiB. The first buffer of an encryption is shorter
    // by the header, so that every write of the output starts on a buffer (and page) boundary.
    static constexpr qint64 BufferSize = qint64(1) << 21;

    CipherPass(Platform& platform, PassObserver& observer);

    // Encrypts plainPath into plainPath + ".vxp" (never replacing a file of that name). When the
    // output is in place and deleteOriginal is set, deletes the plain file.
    PassResult encryptAtLevel(SecurityLevel level, const QString& plainPath, const QString& passwordField,
                              bool deleteOriginal);
    PassResult encryptHighSecurity(const QString& plainPath, const QString& passwordField, bool deleteOriginal);
    PassResult encryptLowSecurity(const QString& plainPath, const QString& passwordField, bool deleteOriginal);

    // Decrypts encryptedPath into plainPath at the level its header names, as long as the file
    // still holds that header; a header with any other letter gives UnknownLevel and touches
    // nothing. When the output is in place and deleteOriginal is set, deletes the encrypted file.
    PassResult decryptAtStoredLevel(const EncryptedHeader& header, const QString& encryptedPath,
                                    const QString& plainPath, bool deleteOriginal = false);

    // One file's whole pass: prepare() and commit() of it alone.
    PassResult run(const FileTask& task);

    // One file's pass, in two halves, so that the outputs of many files reach the disk together.
    // prepare() does everything up to the flush: the input open, locked and (where that changes
    // nothing else) marked Archive, its complete output written aside with its permissions and
    // attributes. commit() then puts a batch of prepared outputs in place, in order: the data
    // flushed (one syncfs per file system where that is known to suffice, else each file), each
    // output put in place (over the file the user agreed to replace, if any, and over nothing
    // else), each folder flushed once (by device and inode), and only then each input deleted that
    // was to go, and each input that stays given its attributes. The observer hears each step
    // (PassObserver::Step) just before it is taken. A prepared file that is dropped instead
    // leaves its output's name as it was and gives its input back its
    // attributes; its input stays locked until then.
    class Prepared;
    // Dropping a prepared file, where its definition is known.
    struct Drop {
        void operator()(Prepared* file) const;
    };
    using PreparedFile = std::unique_ptr<Prepared, Drop>;
    using Batch = std::vector<PreparedFile>;
    // nullptr with *failure set when the pass ends here (cancelled, failed, busy, incomplete); the
    // input is then as it was. A partial output goes to *unfinished when that is given, for the
    // caller to drop when it suits (freeing a large file takes a while); else it is dropped here.
    PreparedFile prepare(const FileTask& task, PassResult* failure, std::unique_ptr<AsideFile>* unfinished = nullptr);
    // One result for each file of the batch, in its order. The batch is empty afterwards. The
    // descriptors of the inputs deleted go to *deletedInputs when that is given, for the caller
    // to close when it suits: closing the last one frees the file's blocks, which takes a while.
    static QList<PassResult> commit(Batch& batch, std::vector<Descriptor>* deletedInputs = nullptr);
    // The bytes a prepared file puts on disk.
    static qint64 outputSize(const Prepared& file);

    // The header of an encrypted file; fails when it cannot be read whole. folderFd, when given,
    // is the file's folder, open: the file's name is looked up there.
    static Expected<EncryptedHeader> readHeader(const QString& encryptedPath, int folderFd = -1);
    // The same from an open file (read from its start), named encryptedPath in messages.
    static Expected<EncryptedHeader> readHeader(int fd, const QString& encryptedPath);

    // The attribute bits the header keeps: read-only, hidden, system and archive, the bits the
    // program manages and restores. Other bits are left out so the value fits in one byte.
    static quint8 headerAttributes(quint32 attributes);

private:
    // Writes the output; *written gets its status once it is complete.
    PassResult transfer(const FileTask& task, const QByteArray& header, int input, qint64 inputLength,
                        AsideFile& output, struct stat* written);
    // The same at the Strong level: seals the plain file's chunks after the header, or opens the
    // chunks of a Strong file; a chunk that does not open ends the pass, refused.
    PassResult transferStrong(const FileTask& task, const QByteArray& header, const SecretBuffer& fileKey, int input,
                              qint64 inputLength, AsideFile& output, struct stat* written);
    // Marks a file written aside under a name Hidden; its attributes before that, to give back
    // once it is complete, or nullopt when it needed no mark.
    std::optional<quint32> hideWhileUnfinished(const AsideFile& output);

    Platform& m_platform;
    PassObserver& m_observer;
};
