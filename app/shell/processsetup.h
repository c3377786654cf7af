/*
 * What the process sets up before it opens any window.
 */
#pragma once

namespace ProcessSetup {

// A file-size limit (ulimit -f) would end the process with SIGXFSZ, without a word, the moment a
// pass writes past it. Ignored, the write fails with EFBIG and the pass reports it like any other
// write failure.
void ignoreFileSizeSignal();

} // namespace ProcessSetup
