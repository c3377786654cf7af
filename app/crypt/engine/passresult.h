/*
 * How a pass ended. Only Succeeded and OriginalKept put an output in place; every other outcome
 * leaves the output's name as it was before the pass.
 */
#pragma once

#include <QtCore/QString>

struct PassResult {
    enum class Outcome {
        // The output is complete and on disk; an encryption asked to delete the plain file did.
        Succeeded,
        // The user cancelled: the partial output is removed.
        Cancelled,
        // A file-system failure, a refused file (a link, a named pipe, an input changed during the
        // pass); error holds the description. The pass stopped there and removed what it had
        // written; the input is untouched.
        Failed,
        // Another pass holds the input; error names it. Nothing was touched at all.
        Busy,
        // The output's length does not match the input's, or an encrypted file is shorter than a
        // header. The output is removed; the input stays.
        Incomplete,
        // The header's level letter is neither "H" nor "L": nothing was written or deleted.
        UnknownLevel,
        // The output is in place, but the input could not be deleted; error says why.
        OriginalKept,
        // A Strong file's key does not open with the pass phrase given: nothing was written or
        // deleted; error says so.
        WrongPassPhrase,
    };

    Outcome outcome = Outcome::Succeeded;
    QString error;
    // Something the user should know about a pass that succeeded (an input deleted under this
    // name only, its content still under others).
    QString notice;

    bool operator==(const PassResult&) const = default;
};
