#include "processsetup.h"

#include <csignal>

void ProcessSetup::ignoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}
