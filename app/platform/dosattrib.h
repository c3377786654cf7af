/*
 * The stored form of attribute values: the extended attribute "user.DOSATTRIB", kept as Samba
 * and Wine keep it so that a folder shared with Windows machines shows the same attributes.
 */
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QByteArrayView>

#include <optional>

namespace DosAttrib {

// The name of the extended attribute that holds the value.
inline constexpr char Name[] = "user.DOSATTRIB";

// The value a stored attribute holds, or nullopt when it is in no form we know. Reads the text
// form ("0x" and hexadecimal digits, optionally ended by a zero byte, as older writers leave it)
// and the binary form of current Samba servers (versions 1 and 3 to 5).
std::optional<quint32> decode(QByteArrayView stored);

// The text form every reader understands: "0x" and lower-case hexadecimal, no leading zeros,
// no terminating zero byte ("0x22").
QByteArray encode(quint32 value);

} // namespace DosAttrib
