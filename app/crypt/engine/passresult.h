/*
 * How a pass ended. Only Succeeded and OriginalKept leave a complete output behind.
 */
#pragma once

#include <QtCore/QString>

struct PassResult {
    enum class Outcome {
        // The output is complete and on disk; an encryption asked to delete the plain file did.
        Succeeded,
        // The user cancelled: the partial output is removed.
        Cancelled,
        // A file-system failure (or a refused symbolic link); error holds the description. The
        // pass stopped there and removed any output it had written; the input is untouched.
        Failed,
        // The output's length does not match the input's: the input changed during the pass, or
        // an encrypted file is shorter than a header. The output is removed; the input stays.
        Incomplete,
        // The header's level letter is neither "H" nor "L": nothing was written or deleted.
        UnknownLevel,
        // The encryption is complete, but the plain file could not be deleted; error says why.
        OriginalKept,
    };

    Outcome outcome = Outcome::Succeeded;
    QString error;

    bool operator==(const PassResult&) const = default;
};
