/*
 * The encrypted file (".vxp"): a 10-byte header (8 password bytes, the level letter and the
 * attribute byte of the plain file, each stored as 255 - value) followed by the plain file's
 * bytes, all of them complemented at high security and, at low security, the first 20000 of
 * every 85000 complemented and the other 65000 copied unchanged. Passwords are Latin-1.
 */
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QtGlobal>

#include <optional>

// High and Low are the ".vxp" of the header above; Strong is the authenticated file of
// strongformat.h, told apart by the same byte that holds the level letter here.
enum class SecurityLevel { High, Low, Strong };

// The values a header holds, decoded.
struct EncryptedHeader {
    // The 8-character password field.
    QString headerPassword;
    // The level letter, "H" or "L" in any file this program wrote; anything in a damaged one.
    QString headerLevel;
    // The plain file's attribute value before encryption.
    quint8 savedAttributes = 0;

    // The level the letter names; nullopt for a letter that is neither "H" nor "L".
    std::optional<SecurityLevel> level() const;
    // The letter is the Strong level's "S": the rest of the file is read by its own rules.
    bool isStrong() const;
};

namespace EncryptedFormat {

inline constexpr qint64 HeaderSize = 10;
inline constexpr qint64 PasswordSize = 8;
// Low security: every period of the body starts with a transformed run, the rest is copied.
inline constexpr qint64 TransformedRun = 20000;
inline constexpr qint64 CopiedRun = 65000;
inline constexpr qint64 Period = TransformedRun + CopiedRun;

// The file an encryption writes: the plain file's full name + ".vxp".
QString encryptedName(const QString& plainPath);
// The file a decryption writes: the encrypted file's name without its last 4 characters.
QString plainName(const QString& encryptedPath);

// The 8-character form of a password: cut to 8 characters or padded with spaces.
QString passwordFieldOf(const QString& password);
// Whether a password's 8-character form can be stored one byte per character: it is Latin-1.
// A pass refuses any other password rather than store a different one.
bool canStorePassword(const QString& password);

QChar levelLetter(SecurityLevel level);

// The 10 header bytes as stored, for a password canStorePassword accepts.
QByteArray header(const QString& passwordField, SecurityLevel level, quint8 attributes);
// Decodes the 10 stored header bytes. Of a shorter buffer it decodes what is there: the fields
// it lacks stay short or empty (no level letter, attribute value 0), never read past its end.
EncryptedHeader decodeHeader(const QByteArray& stored);

// Transforms size body bytes in place the way the level prescribes; bodyOffset is the offset
// of data[0] within the body, so a buffer may start anywhere in a period. Self-inverse.
void transformBody(char* data, qint64 size, qint64 bodyOffset, SecurityLevel level);

} // namespace EncryptedFormat
