/*
 * Scrambling, reading and writing the master password.
 */
#include "masterpasswordfile.h"

#include "platform.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSaveFile>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Hands the error text to the caller and gives the failure value.
template <typename Result> Result failWith(QString* error, const QString& text) {
    if (error)
        *error = text;
    return Result{};
}

} // namespace

QByteArray MasterPasswordFile::ScrambleMasterPassword(const QString& text) {
    QByteArray rest = text.toLatin1();
    QByteArray scrambled;
    for (qsizetype i = 1; i <= Size; ++i) {
        const int code = rest.isEmpty() ? '0' : static_cast<unsigned char>(rest.front());
        const int key = 255 - code;
        scrambled.append(static_cast<char>(key == 255 - '0' ? 0 : key));
        // The rest is the last 8 - i characters; a text no longer than that stays as it is, which
        // is what repeats the first character of a short text.
        if (rest.size() > Size - i)
            rest = rest.right(Size - i);
    }
    return scrambled;
}

QByteArray MasterPasswordFile::storedForm(const QByteArray& content) {
    return content.left(Size).leftJustified(Size, '\0');
}

QString MasterPasswordFile::defaultPath(const Platform& platform) {
    return platform.configFolder() + u"/3DEvez.vxa"_s;
}

MasterPasswordFile::MasterPasswordFile(QString path)
    : m_path(std::move(path)) {}

std::optional<QByteArray> MasterPasswordFile::read(QString* error) const {
    QFile file(m_path);
    if (!file.exists())
        return QByteArray(Size, '\0');
    QByteArray stored;
    if (file.open(QIODevice::ReadOnly))
        stored = file.read(Size);
    if (file.error() != QFileDevice::NoError)
        return failWith<std::optional<QByteArray>>(error, file.errorString());
    return storedForm(stored);
}

MasterPasswordFile::Check MasterPasswordFile::check(const QString& text, QString* error) const {
    const std::optional<QByteArray> stored = read(error);
    if (!stored)
        return Check::Unreadable;
    return *stored == ScrambleMasterPassword(text) ? Check::Matches : Check::Differs;
}

bool MasterPasswordFile::write(const QString& masterPassword, QString* error) const {
    const auto fail = [error](const QString& text) { return failWith<bool>(error, text); };
    QByteArray content = ScrambleMasterPassword(masterPassword);
    QFile old(m_path);
    if (old.exists()) {
        if (!old.open(QIODevice::ReadOnly))
            return fail(old.errorString());
        const QByteArray oldContent = old.readAll();
        if (old.error() != QFileDevice::NoError)
            return fail(old.errorString());
        content += oldContent.mid(Size);
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(content) != content.size() || !file.commit())
        return fail(file.errorString());
    return true;
}
