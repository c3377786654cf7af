/*
 * What the process sets up before it opens any window.
 */
#pragma once

namespace ProcessSetup {

// A file-size limit (ulimit -f) would end the process with SIGXFSZ, without a word, the moment a
// pass writes past it. Ignored, the write fails with EFBIG and the pass reports it like any other
// write failure.
void ignoreFileSizeSignal();

// Raises the soft limit on open descriptors to the hard one, so that clients of the hand-over
// socket and open files do not run the program out of descriptors at the usual 1024.
void raiseDescriptorLimit();

// A core dump, or another process of the user reading this one's memory, would show the
// passwords it holds: no core is written (the soft limit is 0) and the process is not dumpable,
// which also keeps the user's other processes from attaching to it. The hard core limit stays,
// so a program started from here (the generator, a browser for a link) may raise its own.
void keepMemoryPrivate();

// Qt warns about an unusable runtime folder as it starts, in lines of its own; the program checks
// the folder itself and says once what that means for it, so those warnings are left out.
void leaveRuntimeFolderWarnings();

} // namespace ProcessSetup
