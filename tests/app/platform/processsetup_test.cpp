/*
 * What the process sets up at start, done in a forked child so that this test process keeps its
 * own. The core limit is read from the running programs (tests/cli, tests/app/shell).
 */
#include "app/platform/processsetup.h"

#include "tests/support/passfiles.h"

#include <gtest/gtest.h>

#include <sys/prctl.h>

TEST(ProcessSetup, KeepingMemoryPrivateMakesTheProcessNotDumpable) {
    const QByteArray answer = inChild([](int) {
                                  ::prctl(PR_SET_DUMPABLE, 1, 0, 0, 0);
                                  ProcessSetup::keepMemoryPrivate();
                                  return QByteArray::number(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0));
                              }).first;
    EXPECT_EQ(answer, "0");
}
