/*
 * The main of every test program: an application object in the C locale (offscreen widgets for
 * the window tests, Qt Core alone for the engine tests), with the per-user folders pointing into a
 * temporary folder for the whole run. Programs started by wmrun.sh keep the real display it made
 * for them.
 */
#include <QtCore/QLocale>
#include <QtCore/QTemporaryDir>
#ifdef VEXA_TEST_WIDGETS
#include <QtWidgets/QApplication>
using TestApplication = QApplication;
#else
#include <QtCore/QCoreApplication>
using TestApplication = QCoreApplication;
#endif

#include <gtest/gtest.h>

#include <sodium.h>

#include <clocale>

int main(int argc, char** argv) {
    // Before any thread: the Strong level's library picks its functions and its random source.
    if (sodium_init() < 0)
        return 1;
    if (!qEnvironmentVariableIsSet("VEXA_TEST_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C");
    std::setlocale(LC_ALL, "C");

    QTemporaryDir userFolders;
    qputenv("XDG_DATA_HOME", QFile::encodeName(userFolders.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(userFolders.filePath(QStringLiteral("config"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(userFolders.filePath(QStringLiteral("cache"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(userFolders.path()));

    TestApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
