/*
 * Attributes on real Windows volumes: a small NTFS image mounted with ntfs-3g and a FAT image
 * mounted through a loop device, each in the test's folder. The program and Windows' own
 * attribute word must agree both ways, through the attribute calls and an encryption (written
 * aside under a hidden name and renamed). A machine that cannot make or mount such a volume skips
 * the test with its reason.
 */
#include "app/crypt/engine/cipherpass.h"
#include "app/fileio/descriptor.h"
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

// Runs a system tool to its end; its error output, or why it did not run, when it fails.
std::optional<QString> run(const QString& name, const QStringList& arguments) {
    QString program = QStandardPaths::findExecutable(name);
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(name, {u"/usr/sbin"_s, u"/sbin"_s});
    if (program.isEmpty())
        return name + u" is not installed"_s;
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000)) // killed as it goes
        return name + u" did not finish: "_s + process.errorString();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return name + u": "_s + QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return std::nullopt;
}

// A FAT volume mounted as the desktop mounts removable disks: files private to their owner.
const QString FatOptions = u"loop,umask=0077,shortname=mixed,utf8=1,showexec,flush"_s;

// Each case on an 8 MiB image in the test's folder, mounted on its folder "volume" and unmounted
// in every outcome: by the file system's own tool, then umount, then a lazy umount at last.
class WindowsVolumeTest : public TempEnvTest, public testing::WithParamInterface<Kind> {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        m_volume = makeDir(u"volume"_s);
        const std::optional<QString> reason = mount(path(u"volume.img"_s));
        m_mounted = !reason;
        if (reason)
            GTEST_SKIP() << "cannot mount a test volume: " << reason->toStdString();
    }
    void TearDown() override {
        if (m_mounted && (GetParam() != Kind::Ntfs || run(u"fusermount"_s, {u"-u"_s, m_volume})) &&
            run(u"umount"_s, {m_volume}))
            run(u"umount"_s, {u"-l"_s, m_volume});
        TempEnvTest::TearDown();
    }

    // Makes the image and mounts it; nullopt once mounted, else why not.
    std::optional<QString> mount(const QString& image) {
        const bool ntfs = GetParam() == Kind::Ntfs;
        if (ntfs && ::access("/dev/fuse", R_OK | W_OK) != 0)
            return u"/dev/fuse cannot be used: "_s + qt_error_string(errno);
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(8 << 20))
            return u"no image: "_s + file.errorString();
        file.close();
        const QList<QStringList> steps =
            ntfs ? QList<QStringList>{{u"mkntfs"_s, u"-F"_s, u"-q"_s, image}, {u"ntfs-3g"_s, image, m_volume}}
                 : QList<QStringList>{{u"mkfs.vfat"_s, image},
                                      {u"mount"_s, u"-t"_s, u"vfat"_s, u"-o"_s, FatOptions, image, m_volume}};
        for (const QStringList& step : steps) {
            if (const std::optional<QString> failure = run(step.front(), step.mid(1)))
                return failure;
        }
        return std::nullopt;
    }

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
    bool m_mounted = false;
};

} // namespace

TEST_P(WindowsVolumeTest, TheProgramAndWindowsReadTheSameBitsBothWays) {
    const QString file = makeFile(u"volume/.file.txt"_s, 100);
    const QString folder = makeDir(u"volume/folder"_s);
    const mode_t fileMode = QFileInfo(file).permissions();
    // Given by the program, or set from outside as Windows would.
    const std::tuple<QString, quint32, bool> cases[] = {
        {file, Attr::Hidden, false},
        {file, Attr::ReadOnly | Attr::Archive, false},
        {folder, Attr::System, false},
        {file, Attr::Hidden | Attr::System | Attr::Archive, true},
        {folder, Attr::Directory | Attr::Hidden, true},
    };
    for (const auto& [target, value, fromOutside] : cases) {
        SCOPED_TRACE(testing::Message() << target.toStdString() << " " << value << " " << fromOutside);
        const quint32 directory = target == folder ? Attr::Directory : 0;
        if (fromOutside)
            setWord(target, value);
        else
            ASSERT_TRUE(m_platform.setAttributes(target, value));
        EXPECT_EQ(word(target), value | directory);
        EXPECT_EQ(m_platform.attributes(target), value | directory);
    }
    if (GetParam() == Kind::Ntfs) {
        // Bits Windows keeps for itself (not content-indexed, 0x2000) stay in the word.
        setWord(file, 0x2000 | Attr::Hidden);
        ASSERT_TRUE(m_platform.setAttributes(file, Attr::System));
        EXPECT_EQ(word(file), 0x2000 | Attr::System);
        // The permission bits stay as the mount presents them, and no other store is written.
        EXPECT_EQ(mode_t(QFileInfo(file).permissions()), fileMode);
        EXPECT_LT(::getxattr(encoded(file).constData(), "user.DOSATTRIB", nullptr, 0), 0);
    }
}

// An output is written aside under a hidden name and renamed; the bits it had go into its header.
TEST_P(WindowsVolumeTest, APassWritesAsideUnderAHiddenNameAndSavesTheBits) {
    // What a pass killed part way leaves on a volume without unnamed files, marked as the program's.
    const QString leftover = makeFile(u"volume/.plain.bin.vxp.unfinished-Ab12Cd"_s, 1000);
    GetParam() == Kind::Ntfs
        ? void(::setxattr(encoded(leftover).constData(), "user.vexa-password.unfinished", "", 0, 0))
        : setWord(leftover, Attr::Hidden | Attr::System);
    const QString file = makeFile(u"volume/plain.bin"_s, 100000);
    setWord(file, Attr::Hidden | Attr::Archive);
    TestObserver watcher;
    std::optional<quint32> unfinishedWord;
    watcher.stop = [&] {
        for (const QString& name : QDir(m_volume).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            if (name.startsWith(u".plain.bin.vxp.unfinished-"_s))
                unfinishedWord = word(m_volume + u'/' + name);
        }
        return false;
    };
    CipherPass pass(m_platform, watcher);
    ASSERT_EQ(pass.encryptHighSecurity(file, u"pw      "_s, false), PassResult{});
    EXPECT_FALSE(QFile::exists(leftover));
    EXPECT_EQ(unfinishedWord.value_or(0) & Attr::Hidden, Attr::Hidden);
    EXPECT_EQ(word(file + u".vxp"_s), std::optional<quint32>(Attr::Archive));
    const Expected<EncryptedHeader> header = CipherPass::readHeader(file + u".vxp"_s);
    EXPECT_EQ(header ? header->savedAttributes : 0, Attr::Hidden | Attr::Archive);
}

INSTANTIATE_TEST_SUITE_P(Volumes, WindowsVolumeTest, testing::Values(Kind::Ntfs, Kind::Fat),
                         [](const testing::TestParamInfo<Kind>& info) {
                             return info.param == Kind::Ntfs ? "Ntfs" : "Fat";
                         });
