/*
 * The file and password rules of the encrypt and decrypt commands.
 */
#include "app/crypt/engine/filechecks.h"

#include "app/platform/attributes.h"
#include "app/platform/platform.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace FileChecks {

std::optional<PasswordProblem> passwordProblem(const QString& password) {
    if (password.isEmpty())
        return PasswordProblem::Empty;
    if (password.size() > LongestPassword)
        return PasswordProblem::TooLong;
    if (password.contains(u' '))
        return PasswordProblem::Space;
    if (!std::all_of(password.cbegin(), password.cend(), [](QChar c) { return c.unicode() <= 0xFF; }))
        return PasswordProblem::NotSingleByte;
    return std::nullopt;
}

bool hasEncryptedEnding(const QString& path) {
    return path.right(4) == u".vxp"_s;
}

bool isTooShort(qint64 length) {
    return length < ShortestFile;
}

bool isTooLong(const QString& pathOrName) {
    return pathOrName.size() > LongestName;
}

bool passwordMatches(const EncryptedHeader& header, const QString& passwordField) {
    return header.headerPassword == passwordField;
}

void giveCommandAttributes(FileTask& task, Command command, bool replacing, quint8 savedAttributes) {
    const bool shown = command == Command::ShownFiles;
    if (task.encrypting()) {
        if (!shown || replacing)
            task.outputAttributes = Attr::Encrypted;
        return;
    }
    if (shown || replacing)
        task.outputAttributes = savedAttributes;
    if (replacing)
        task.keptInputAttributes = Attr::Encrypted;
}

void markEncrypted(Platform& platform, const QString& path) {
    platform.setAttributes(path, Attr::Encrypted);
}

void restoreAttributes(Platform& platform, const QString& path, std::optional<quint8> value) {
    if (value)
        platform.setAttributes(path, *value);
}

} // namespace FileChecks
