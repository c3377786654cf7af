/*
 * One file of a run: what a pass reads, what it writes and how. Made once when a command hands the
 * file over; the pass and the runner only read it.
 */
#pragma once

#include "app/crypt/engine/encryptedformat.h"
#include "app/crypt/engine/strongformat.h"
#include "app/fileio/descriptor.h"

#include <QtCore/QString>

#include <memory>
#include <optional>
#include <utility>

#include <sys/types.h>

class KeyDeriver;

struct FileTask {
    QString input;
    // Where the body starts in the input: 0 for a plain file, past the header for an encrypted one.
    qint64 inputOffset = 0;
    QString output;
    SecurityLevel level = SecurityLevel::High;
    // Given to the new file before it takes the output's name; none leaves it as created.
    std::optional<quint8> outputAttributes;
    // The input is deleted once the output is in place (and only while it is unchanged).
    bool deleteInput = false;
    // Encrypting: the password field the header stores. Decrypting: the one the header was checked
    // to hold; the pass decrypts only while it still holds it, at the level given.
    QString passwordField;
    // The folder of the input and the output (always the same one), opened when the file was
    // checked: every step of the pass looks names up in it, whatever its path leads to meanwhile.
    // None: the pass opens the input's folder once, as it starts.
    std::shared_ptr<const Descriptor> folder;
    // The existing output (device, inode) the user agreed to replace. None: no file of the
    // output's name is ever replaced.
    std::optional<std::pair<dev_t, ino_t>> replaces;
    // Given to the input when it stays once the output is in place; none gives it back the
    // attributes it had. Nothing is changed on an input whose pass puts no output in place.
    std::optional<quint8> keptInputAttributes;
    // The Strong level: the run's keys, shared by all its files (the pass phrase, and each key
    // derived once), and, encrypting, the run's salt and costs.
    std::shared_ptr<KeyDeriver> keys;
    DerivationParams derivation;

    bool encrypting() const { return inputOffset == 0; }

    // Encrypts plainPath into plainPath + ".vxp"; the low level marks the output encrypted.
    static FileTask encryption(SecurityLevel level, const QString& plainPath, const QString& passwordField,
                               bool deleteOriginal);
    // Decrypts encryptedPath, whose header holds passwordField (none at the Strong level), into
    // plainPath at the given level;
    // the low level gives the plain file the attribute value its header saved. A kept encrypted
    // file is left Archive alone.
    static FileTask decryption(SecurityLevel level, const QString& encryptedPath, const QString& plainPath,
                               std::optional<quint8> savedAttributes, bool deleteOriginal,
                               const QString& passwordField);
};
