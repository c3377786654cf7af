/*
 * Attributes on real Windows volumes: a small NTFS image mounted with ntfs-3g and a FAT image
 * mounted through a loop device, each in the test's folder. The program and Windows' own
 * attribute word must agree both ways, through the attribute calls, a folder lock and unlock,
 * and an encryption and decryption (outputs are written aside and renamed, and must arrive with
 * their bits). A machine that cannot make or mount such a volume skips the test with its reason.
 */
#include "app/crypt/engine/cipherpass.h"
#include "app/fileio/descriptor.h"
#include "app/folders/engine/folderlock.h"
#include "app/platform/attributes.h"
#include "app/platform/linuxplatform.h"
#include "app/platform/volumecalls.h"
#include "tests/support/passfiles.h"
#include "tests/support/tempenv.h"

#include <QtCore/QProcess>
#include <QtCore/QStandardPaths>
#include <QtCore/QtEndian>

#include <sys/xattr.h>

namespace {

enum class Kind { Ntfs, Fat };
constexpr const char* NtfsWord = "system.ntfs_attrib_be";

QString tool(const QString& name) {
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(name, {u"/usr/sbin"_s, u"/sbin"_s}) : found;
}

// Runs a program to its end; its error output (or why it did not run) when it fails.
std::optional<QString> run(const QString& program, const QStringList& arguments, QByteArray* output = nullptr) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return program + u" did not finish: "_s + process.errorString();
    }
    if (output)
        *output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return program + u": "_s + QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return std::nullopt;
}

// A FAT volume mounted as the desktop mounts removable disks: files private to their owner.
const QString FatOptions = u"loop,umask=0077,shortname=mixed,utf8=1,showexec,flush"_s;

bool isMountPoint(const QString& folder) {
    struct stat self {};
    struct stat parent {};
    return ::stat(encoded(folder).constData(), &self) == 0 &&
           ::stat(encoded(folder + u"/.."_s).constData(), &parent) == 0 && self.st_dev != parent.st_dev;
}

// Each case on an 8 MiB image in the test's folder, mounted on its folder "volume" and unmounted
// in every outcome: by the file system's own tool, then umount, then a lazy umount at last.
class WindowsVolumeTest : public TempEnvTest, public testing::WithParamInterface<Kind> {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        m_volume = makeDir(u"volume"_s);
        if (const std::optional<QString> reason = mount(path(u"volume.img"_s)))
            GTEST_SKIP() << "cannot mount a test volume: " << reason->toStdString();
    }
    void TearDown() override {
        if (isMountPoint(m_volume) &&
            (GetParam() != Kind::Ntfs || tool(u"fusermount"_s).isEmpty() ||
             run(tool(u"fusermount"_s), {u"-u"_s, m_volume})) &&
            run(tool(u"umount"_s), {m_volume}))
            run(tool(u"umount"_s), {u"-l"_s, m_volume});
        TempEnvTest::TearDown();
    }

    // Makes the image and mounts it; nullopt once mounted, else why not.
    std::optional<QString> mount(const QString& image) {
        const bool ntfs = GetParam() == Kind::Ntfs;
        const QStringList needed =
            ntfs ? QStringList{u"mkntfs"_s, u"ntfs-3g"_s} : QStringList{u"mkfs.vfat"_s, u"mount"_s, u"umount"_s};
        for (const QString& name : needed) {
            if (tool(name).isEmpty())
                return name + u" is not installed"_s;
        }
        if (ntfs && ::access("/dev/fuse", R_OK | W_OK) != 0)
            return u"/dev/fuse cannot be used: "_s + qt_error_string(errno);
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(8 << 20))
            return u"no image: "_s + file.errorString();
        file.close();
        if (const auto failure =
                ntfs ? run(tool(u"mkntfs"_s), {u"-F"_s, u"-q"_s, image}) : run(tool(u"mkfs.vfat"_s), {image}))
            return failure;
        if (const auto failure =
                ntfs ? run(tool(u"ntfs-3g"_s), {image, m_volume})
                     : run(tool(u"mount"_s), {u"-t"_s, u"vfat"_s, u"-o"_s, FatOptions, image, m_volume}))
            return failure;
        if (!isMountPoint(m_volume))
            return m_volume + u" is not a mount point after mounting"_s;
        return std::nullopt;
    }

    QString onVolume(const QString& name) const { return m_volume + u'/' + name; }

    // The attribute word as Windows sees it, read past the program: ntfs-3g's extended attribute
    // (NTFS's Normal, 0x80, reads as no bits) or the FAT ioctl; nullopt when unreadable.
    std::optional<quint32> word(const QString& path) const {
        quint32 big = 0;
        if (GetParam() == Kind::Ntfs)
            return ::getxattr(encoded(path).constData(), NtfsWord, &big, 4) == 4
                       ? std::optional(qFromBigEndian(big) & ~0x80u)
                       : std::nullopt;
        const Descriptor file(::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC));
        const Expected<quint32> value = VolumeCalls::system().fatAttributes(file.fd());
        return value ? std::optional(*value) : std::nullopt;
    }
    // Sets the word from outside, as Windows would.
    void setWord(const QString& path, quint32 value) const {
        const quint32 big = qToBigEndian(value);
        const Descriptor file(::open(encoded(path).constData(), O_RDONLY | O_CLOEXEC));
        EXPECT_TRUE(GetParam() == Kind::Ntfs ? ::setxattr(encoded(path).constData(), NtfsWord, &big, 4, 0) == 0
                                             : bool(VolumeCalls::system().setFatAttributes(file.fd(), value)));
    }

    LinuxPlatform m_platform;
    QString m_volume;
};

} // namespace

TEST_P(WindowsVolumeTest, TheProgramAndWindowsReadTheSameBitsBothWays) {
    const QString file = makeFile(u"volume/.file.txt"_s, 100);
    const QString folder = makeDir(u"volume/folder"_s);
    const mode_t fileMode = QFileInfo(file).permissions();
    const std::pair<QString, quint32> given[] = {
        {file, Attr::Hidden},   {file, Attr::ReadOnly | Attr::Archive},  {file, Attr::Encrypted}, {file, Attr::Normal},
        {folder, Attr::System}, {folder, Attr::Hidden | Attr::ReadOnly}, {folder, Attr::Normal},
    };
    for (const auto& [target, value] : given) {
        SCOPED_TRACE(testing::Message() << target.toStdString() << " " << value);
        const quint32 directory = target == folder ? Attr::Directory : 0;
        ASSERT_TRUE(m_platform.setAttributes(target, value));
        EXPECT_EQ(word(target), value | directory);
        EXPECT_EQ(m_platform.attributes(target), value | directory);
    }
    const std::pair<QString, quint32> fromOutside[] = {
        {file, Attr::Hidden | Attr::System | Attr::Archive},
        {file, Attr::ReadOnly},
        {file, Attr::Normal},
        {folder, Attr::Directory | Attr::Hidden},
    };
    for (const auto& [target, value] : fromOutside) {
        SCOPED_TRACE(testing::Message() << target.toStdString() << " outside " << value);
        setWord(target, value);
        EXPECT_EQ(m_platform.attributes(target), value);
    }
    if (GetParam() == Kind::Ntfs) {
        // Bits Windows keeps for itself (not content-indexed, 0x2000) stay in the word.
        setWord(file, 0x2000 | Attr::Hidden);
        ASSERT_TRUE(m_platform.setAttributes(file, Attr::System));
        EXPECT_EQ(word(file), 0x2000 | Attr::System);
        EXPECT_EQ(m_platform.attributes(file), Attr::System);
        // The permission bits stay as the mount presents them, and no other store is written.
        EXPECT_EQ(mode_t(QFileInfo(file).permissions()), fileMode);
        EXPECT_LT(::getxattr(encoded(file).constData(), "user.DOSATTRIB", nullptr, 0), 0);
    }
}

TEST_P(WindowsVolumeTest, ALockedFolderCarriesTheSystemBitUntilUnlocked) {
    makeFile(u"volume/Docs/note.txt"_s, QByteArray("note"));
    FolderLock lock(m_platform);
    const FolderLock::Result locked = lock.lock(onVolume(u"Docs"_s), u"abc"_s);
    ASSERT_EQ(locked.outcome, FolderLock::Result::Outcome::Done) << locked.messages.join(u' ').toStdString();
    EXPECT_EQ(word(locked.folderPath), Attr::System | Attr::Directory);
    const FolderLock::Result unlocked = lock.unlock(locked.folderPath, u"abc"_s);
    ASSERT_EQ(unlocked.outcome, FolderLock::Result::Outcome::Done) << unlocked.messages.join(u' ').toStdString();
    EXPECT_EQ(word(onVolume(u"Docs"_s)), Attr::Directory);
    EXPECT_EQ(readAll(onVolume(u"Docs/note.txt"_s)), QByteArray("note"));
}

TEST_P(WindowsVolumeTest, EncryptionAndDecryptionCarryTheSavedBits) {
    TestObserver observer;
    CipherPass pass(m_platform, observer);
    const struct {
        SecurityLevel level;
        quint32 before;
        std::optional<quint32> encrypted; // the ".vxp" file's bits; nullopt: as the volume makes it
        quint32 restored;
    } cases[] = {
        {SecurityLevel::Low, Attr::Hidden | Attr::Archive, Attr::Encrypted, Attr::Hidden | Attr::Archive},
        {SecurityLevel::Low, Attr::ReadOnly | Attr::System, Attr::Encrypted, Attr::ReadOnly | Attr::System},
        {SecurityLevel::High, Attr::Hidden | Attr::System, std::nullopt, Attr::Archive},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before);
        const QByteArray plain(70000, 'p');
        const QString file = makeFile(u"volume/plain.bin"_s, plain);
        const QString encrypted = file + u".vxp"_s;
        setWord(file, c.before);
        ASSERT_EQ(pass.encryptAtLevel(c.level, file, u"pw      "_s, true), PassResult{});
        EXPECT_FALSE(QFile::exists(file));
        if (c.encrypted) {
            EXPECT_EQ(word(encrypted), *c.encrypted);
        }
        const Expected<EncryptedHeader> header = CipherPass::readHeader(encrypted);
        ASSERT_TRUE(header);
        EXPECT_EQ(header->savedAttributes, c.before);

        ASSERT_EQ(pass.decryptAtStoredLevel(*header, encrypted, file, true), PassResult{});
        EXPECT_FALSE(QFile::exists(encrypted));
        EXPECT_TRUE(readAll(file) == plain);
        EXPECT_EQ(word(file), c.restored);
        ASSERT_TRUE(m_platform.setAttributes(file, Attr::Normal));
        ASSERT_TRUE(QFile::remove(file));
    }
}

TEST_P(WindowsVolumeTest, AnUnfinishedOutputIsHiddenFromWindowsAndLeftoversOfStoppedPassesGo) {
    // What a pass killed part way leaves on a volume without unnamed files.
    const QString leftover = makeFile(u"volume/.old.bin.vxp.unfinished-Ab12Cd"_s, 1000);
    const QString file = makeFile(u"volume/plain.bin"_s, 100000);
    TestObserver watcher;
    QStringList seen;
    std::optional<quint32> unfinishedWord;
    watcher.stop = [&] {
        seen = QDir(m_volume).entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& name : seen) {
            if (name.startsWith(u".plain.bin.vxp.unfinished-"_s))
                unfinishedWord = word(onVolume(name));
        }
        return false;
    };
    CipherPass pass(m_platform, watcher);
    ASSERT_EQ(pass.encryptHighSecurity(file, u"pw      "_s, false), PassResult{});
    EXPECT_FALSE(QFile::exists(leftover));
    EXPECT_EQ(seen.size(), 2) << seen.join(u' ').toStdString();
    ASSERT_TRUE(unfinishedWord);
    EXPECT_TRUE(*unfinishedWord & Attr::Hidden);
    EXPECT_EQ(word(file + u".vxp"_s), std::optional<quint32>(Attr::Archive));
}

INSTANTIATE_TEST_SUITE_P(Volumes, WindowsVolumeTest, testing::Values(Kind::Ntfs, Kind::Fat),
                         [](const testing::TestParamInfo<Kind>& info) {
                             return info.param == Kind::Ntfs ? "Ntfs" : "Fat";
                         });
