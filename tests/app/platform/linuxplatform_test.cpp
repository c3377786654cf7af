/*
 * The Linux platform on the real system: volumes and free space, the per-user folders,
 * starting programs and opening files.
 */
#include "linuxplatform.h"
#include "tempenv.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QUrl>
#include <QtGui/QDesktopServices>

using namespace Qt::StringLiterals;

namespace {

// Records the addresses the desktop is asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class LinuxPlatformTest : public TempEnvTest {
protected:
    LinuxPlatform m_platform;
};

} // namespace

TEST_F(LinuxPlatformTest, VolumesRootsAndFreeSpace) {
    const QList<Volume> volumes = m_platform.volumes();
    ASSERT_FALSE(volumes.isEmpty());
    EXPECT_EQ(volumes.first().rootPath, u"/"_s);
    for (const Volume& volume : volumes) {
        EXPECT_FALSE(volume.rootPath.startsWith(u"/proc"_s) || volume.rootPath.startsWith(u"/sys"_s));
        EXPECT_TRUE(m_platform.isVolumeRoot(volume.rootPath)) << volume.rootPath.toStdString();
    }
    EXPECT_TRUE(m_platform.isVolumeRoot(u"//"_s));
    EXPECT_FALSE(m_platform.isVolumeRoot(root()));
    EXPECT_FALSE(m_platform.isVolumeRoot(QString()));
    // A file about to be written lies on the volume of its nearest existing folder.
    const QString notYet = path(u"new/folder/file.vxp"_s);
    EXPECT_EQ(m_platform.volumeRoot(notYet), m_platform.volumeRoot(root()));
    EXPECT_TRUE(root().startsWith(m_platform.volumeRoot(root())));
    EXPECT_GT(m_platform.freeSpace(notYet), 0);
}

TEST_F(LinuxPlatformTest, PerUserFoldersFollowTheEnvironmentAndTheApplicationName) {
    const QString oldName = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(u"vexapad"_s);
    EXPECT_EQ(m_platform.dataFolder(), path(u"xdg-data/vexapad"_s));
    EXPECT_EQ(m_platform.configFolder(), path(u"xdg-config/vexapad"_s));
    QCoreApplication::setApplicationName(oldName);
    EXPECT_EQ(m_platform.programFolder(), QFileInfo(QFile::symLinkTarget(u"/proc/self/exe"_s)).absolutePath());
}

TEST_F(LinuxPlatformTest, ProgramsStartDetachedAndFilesOpenAsLocalAddresses) {
    EXPECT_TRUE(m_platform.startProgram(u"/bin/true"_s));
    EXPECT_FALSE(m_platform.startProgram(path(u"generate"_s)));
    EXPECT_FALSE(m_platform.startProgram(makeFile(u"not-a-program"_s, 4)));

    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(u"file"_s, &recorder, "open");
    const QString file = path(u"list #1 100%.vexa"_s);
    m_platform.openWithApplication(file);
    QDesktopServices::unsetUrlHandler(u"file"_s);
    ASSERT_EQ(recorder.urls.size(), 1);
    EXPECT_EQ(recorder.urls.first().toLocalFile(), file);
}

#include "linuxplatform_test.moc"
