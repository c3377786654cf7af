/*
 * File attribute values. They keep the values the stored files and the program's rules use:
 * a combination is the sum of the bits.
 */
#pragma once

#include <QtCore/QtGlobal>

namespace Attr {
inline constexpr quint32 Normal = 0;
inline constexpr quint32 ReadOnly = 1;
inline constexpr quint32 Hidden = 2;
inline constexpr quint32 System = 4;
inline constexpr quint32 Directory = 16;
inline constexpr quint32 Archive = 32;
// Read-only, hidden and system: the mark of an encrypted file.
inline constexpr quint32 Encrypted = ReadOnly | Hidden | System;
} // namespace Attr
