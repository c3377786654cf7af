#include "attributes.h"
#include "linuxplatform.h"
#include "tempenv.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QSet>
#include <QtCore/QUrl>
#include <QtGui/QDesktopServices>

#include <sys/xattr.h>

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

class ApplicationNamed {
public:
    explicit ApplicationNamed(const QString& name)
        : m_old(QCoreApplication::applicationName()) {
        QCoreApplication::setApplicationName(name);
    }
    ~ApplicationNamed() { QCoreApplication::setApplicationName(m_old); }

private:
    QString m_old;
};

class LinuxPlatformTest : public TempEnvTest {
protected:
    LinuxPlatform m_platform;
};

} // namespace

TEST_F(LinuxPlatformTest, AttributesAreKeptInTheExtendedAttribute) {
    const QString file = makeFile(u"secret.vxp"_s, 10);
    ASSERT_TRUE(m_platform.setAttributes(file, Attr::Encrypted));
    EXPECT_EQ(m_platform.attributes(file), Attr::Encrypted);
    char stored[16] = {};
    EXPECT_EQ(::lgetxattr(QFile::encodeName(file).constData(), "user.DOSATTRIB", stored, sizeof stored), 3);
    EXPECT_STREQ(stored, "0x7");
    EXPECT_EQ(m_platform.attributes(path(u"missing"_s)), std::nullopt);
}

TEST_F(LinuxPlatformTest, VolumesStartWithTheRootAndHoldOnlyBrowsableFolders) {
    const QList<Volume> volumes = m_platform.volumes();
    ASSERT_FALSE(volumes.isEmpty());
    EXPECT_EQ(volumes.first().rootPath, u"/"_s);
    QSet<QString> roots;
    for (const Volume& volume : volumes) {
        SCOPED_TRACE(volume.rootPath.toStdString());
        EXPECT_TRUE(QFileInfo(volume.rootPath).isDir());
        EXPECT_FALSE(volume.rootPath.startsWith(u"/proc"_s) || volume.rootPath.startsWith(u"/sys"_s) ||
                     volume.rootPath.startsWith(u"/dev"_s));
        EXPECT_TRUE(m_platform.isVolumeRoot(volume.rootPath));
        roots.insert(volume.rootPath);
    }
    EXPECT_EQ(roots.size(), volumes.size());
}

TEST_F(LinuxPlatformTest, VolumeRootsAndFreeSpace) {
    EXPECT_EQ(m_platform.volumeRoot(u"/"_s), u"/"_s);
    EXPECT_TRUE(m_platform.isVolumeRoot(u"/"_s));
    EXPECT_TRUE(m_platform.isVolumeRoot(u"//"_s));

    const QString tempRoot = m_platform.volumeRoot(root());
    EXPECT_TRUE(m_platform.isVolumeRoot(tempRoot));
    EXPECT_FALSE(m_platform.isVolumeRoot(root()));
    EXPECT_TRUE(root().startsWith(tempRoot));
    // A file about to be written lies on the volume of its nearest existing folder.
    const QString notYet = path(u"new/folder/file.vxp"_s);
    EXPECT_EQ(m_platform.volumeRoot(notYet), tempRoot);
    EXPECT_FALSE(m_platform.isVolumeRoot(notYet));
    EXPECT_FALSE(m_platform.isVolumeRoot(QString()));

    EXPECT_GT(m_platform.freeSpace(root()), 0);
    EXPECT_GT(m_platform.freeSpace(notYet), 0);
}

TEST_F(LinuxPlatformTest, PerUserFoldersFollowTheEnvironmentAndTheApplicationName) {
    const ApplicationNamed name(u"vexapad"_s);
    EXPECT_EQ(m_platform.dataFolder(), path(u"xdg-data/vexapad"_s));
    EXPECT_EQ(m_platform.configFolder(), path(u"xdg-config/vexapad"_s));
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
    EXPECT_TRUE(recorder.urls.first().isLocalFile());
    EXPECT_EQ(recorder.urls.first().toLocalFile(), file);
}

#include "linuxplatform_test.moc"
