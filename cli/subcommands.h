/*
 * The subcommands of the command line. Each parses its own arguments (the first one names the
 * program and the subcommand, for its usage line), answers --help, and returns the exit status:
 * 0 when everything was done, 1 when some files or folders were refused or failed (each named
 * on standard error), 2 for a usage error (nothing touched), Stopped when a signal ended the
 * password prompt. main gives 128 + the signal's number whenever a stop signal came.
 */
#pragma once

#include <QtCore/QStringList>

class InterruptWatch;
class Platform;

namespace Subcommands {

inline constexpr int Done = 0;
inline constexpr int SomeFailed = 1;
inline constexpr int UsageError = 2;
inline constexpr int Stopped = 130;

int encrypt(Platform& platform, InterruptWatch& interrupts, const QStringList& arguments);
int decrypt(Platform& platform, InterruptWatch& interrupts, const QStringList& arguments);
int lock(Platform& platform, InterruptWatch& interrupts, const QStringList& arguments);
int unlock(Platform& platform, InterruptWatch& interrupts, const QStringList& arguments);
int attrib(Platform& platform, InterruptWatch& interrupts, const QStringList& arguments);
int info(Platform& platform, InterruptWatch& interrupts, const QStringList& arguments);
int generate(Platform& platform, InterruptWatch& interrupts, const QStringList& arguments);

} // namespace Subcommands
