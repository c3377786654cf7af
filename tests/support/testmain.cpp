/*
 * The main of every test program: an offscreen QApplication in the C locale, with the per-user
 * folders pointing into a temporary folder for the whole run. Programs started by wmrun.sh keep
 * the real display it made for them.
 */
#include <QtCore/QLocale>
#include <QtCore/QTemporaryDir>
#include <QtWidgets/QApplication>

#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("VEXA_TEST_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "C");
    std::setlocale(LC_ALL, "C");

    QTemporaryDir userFolders;
    qputenv("XDG_DATA_HOME", QFile::encodeName(userFolders.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(userFolders.filePath(QStringLiteral("config"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(userFolders.filePath(QStringLiteral("cache"))));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(userFolders.path()));

    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
