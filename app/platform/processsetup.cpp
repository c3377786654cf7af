/*
 * The process-wide settings made at start-up.
 */
#include "app/platform/processsetup.h"

#include <QtCore/QString>
#include <QtCore/QtGlobal>

#include <csignal>
#include <cstdio>

#include <sys/prctl.h>
#include <sys/resource.h>

void ProcessSetup::ignoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

namespace {

QtMessageHandler previousHandler = nullptr;

void withoutRuntimeFolderWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1StringView("QStandardPaths: ")) &&
        message.contains(QLatin1StringView("runtime"), Qt::CaseInsensitive))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

void ProcessSetup::leaveRuntimeFolderWarnings() {
    previousHandler = qInstallMessageHandler(withoutRuntimeFolderWarnings);
}

void ProcessSetup::raiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

void ProcessSetup::keepMemoryPrivate() {
    rlimit core{};
    if (::getrlimit(RLIMIT_CORE, &core) == 0) {
        core.rlim_cur = 0;
        ::setrlimit(RLIMIT_CORE, &core);
    }
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
}
