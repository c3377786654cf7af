/*
 * The passes against everything else that may happen to their files meanwhile: a second pass on
 * the same file from a thread or another process, the input replaced or edited part way, named
 * pipes at either end, a pass cancelled or killed; and who may read what a pass writes. What must
 * hold each time: no file that was there is lost or changed, and no partial file appears under a
 * final name.
 */
#include "app/crypt/engine/cipherpass.h"
#include "app/fileio/descriptor.h"
#include "app/fileio/passlock.h"
#include "app/platform/attributes.h"
#include "app/platform/linuxplatform.h"
#include "tests/support/passfiles.h"
#include "tests/support/tempenv.h"

#include <future>
#include <thread>
#include <vector>

#include <grp.h>
#include <sys/file.h>

using Outcome = PassResult::Outcome;

namespace {

constexpr qint64 Buffer = CipherPass::BufferSize;

// An observer that runs act at its nth look: the first comes before the first buffer is read, the
// second after it is written.
TestObserver actingAt(int look, std::function<void()> act) {
    TestObserver observer;
    observer.stop = [look, act = std::move(act), looks = 0]() mutable {
        if (++looks == look)
            act();
        return false;
    };
    return observer;
}

class CipherPassSafetyTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        m_folder = makeDir(u"work"_s);
    }
    QStringList names() const { return namesIn(m_folder); }
    QString plainFile(const QByteArray& bytes, const QString& name = u"file.bin"_s) {
        return makeFile(u"work/"_s + name, bytes);
    }
    // A pass, on its own platform as another thread would run it: a decryption for a ".vxp" input
    // at the level its header names, else an encryption at the given level.
    static PassResult pass(const QString& input, PassObserver* observer = nullptr, bool deleteOriginal = true,
                           SecurityLevel level = SecurityLevel::High) {
        LinuxPlatform platform;
        TestObserver quiet;
        CipherPass pass(platform, observer ? *observer : quiet);
        return input.endsWith(u".vxp"_s)
                   ? pass.decryptAtStoredLevel(*CipherPass::readHeader(input), input, input.chopped(4), deleteOriginal)
                   : pass.encryptAtLevel(level, input, u"pw      "_s, deleteOriginal);
    }
    // A pass started while another runs on the same file: its outcome and message.
    static QByteArray refusedPass(const QString& plain) {
        const PassResult result = pass(plain);
        return QByteArray::number(int(result.outcome)) + ' ' + result.error.toUtf8();
    }

    QString m_folder;
};

} // namespace

TEST_F(CipherPassSafetyTest, ASecondPassOnTheSameFileIsRefusedAndChangesNothing) {
    const QByteArray content = sampleBytes(3 * Buffer);
    const QByteArray refused = QByteArray::number(int(Outcome::Busy)) + ' ' + path(u"work/file.bin"_s).toUtf8() +
                               " is being encrypted or decrypted by another pass and was left untouched.";
    for (const bool otherProcess : {false, true}) {
        SCOPED_TRACE(otherProcess ? "process" : "thread");
        const QString plain = plainFile(content);
        QByteArray second;
        TestObserver observer = actingAt(2, [&] {
            if (otherProcess)
                second = inChild([&](int) { return refusedPass(plain); }).first;
            else
                std::thread([&] { second = refusedPass(plain); }).join();
            // The second pass neither wrote an output nor touched the input the first one reads.
            EXPECT_EQ(names(), QStringList{u"file.bin"_s});
            EXPECT_TRUE(readAll(plain) == content);
        });
        EXPECT_EQ(pass(plain, &observer), PassResult{});
        EXPECT_EQ(second, refused);
        EXPECT_TRUE(readAll(plain + u".vxp"_s) == encryptedForm(content));
        QFile::remove(plain + u".vxp"_s);
    }
}

TEST_F(CipherPassSafetyTest, AnInputReplacedOrEditedDuringAPassIsKeptAndNothingReplaced) {
    const QString changed = u" was changed while it was being worked on and was kept."_s;
    const QString replaced = u" was replaced by another file while it was being worked on and was kept."_s;
    // An editor's save (the new version renamed over the old) or a change of a few bytes in place.
    for (const bool renamed : {true, false}) {
        SCOPED_TRACE(renamed);
        const QString input = plainFile(sampleBytes(3 * Buffer));
        // The output's name holds an older file that must survive too.
        const QString output = plainFile("older output", u"file.bin.vxp"_s);
        QByteArray newVersion = readAll(input);
        newVersion.replace(Buffer / 2, 4, "EDIT");
        TestObserver observer = actingAt(2, [&] {
            if (renamed)
                ::rename(encoded(makeFile(u"work/.saving"_s, newVersion)).constData(), encoded(input).constData());
            // The clock moves on first: file times may be kept in steps of a few milliseconds.
            ::usleep(20000);
            QFile edit(input);
            if (!renamed && edit.open(QIODevice::ReadWrite) && edit.seek(Buffer / 2))
                edit.write("EDIT");
        });
        EXPECT_EQ(pass(input, &observer), (PassResult{Outcome::Failed, input + (renamed ? replaced : changed), {}}));
        EXPECT_TRUE(readAll(input) == newVersion);
        EXPECT_EQ(readAll(output), QByteArray("older output"));
        EXPECT_EQ(names().size(), 2) << names().join(u' ').toStdString();
        QFile::remove(input);
    }
}

TEST_F(CipherPassSafetyTest, NamedPipesAtEitherEndAreRefusedWithoutBlocking) {
    const QString plain = plainFile(sampleBytes(100), u"a.bin"_s);
    const QString pipeIn = path(u"work/pipe"_s), pipeOut = plain + u".vxp"_s;
    for (const QString& fifo : {pipeIn, pipeOut})
        ASSERT_EQ(::mkfifo(encoded(fifo).constData(), 0600), 0);
    // The input a pass is given, and the pipe it must refuse there or at its output's name.
    const std::pair<QString, QString> rows[] = {{pipeIn, pipeIn}, {plain, pipeOut}};
    for (const auto& [input, refused] : rows) {
        std::future<QString> running = std::async(std::launch::async, [input = input] { return pass(input).error; });
        if (running.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
            ADD_FAILURE() << "blocked on a named pipe";
            // Opening both ends at once releases whoever waits for the other end.
            for (const QString& fifo : {pipeIn, pipeOut})
                ::close(::open(encoded(fifo).constData(), O_RDWR | O_NONBLOCK));
        }
        EXPECT_EQ(running.get(), refused + u" is a named pipe, not a file, and was left untouched."_s);
    }
    EXPECT_EQ(names(), (QStringList{u"a.bin"_s, u"a.bin.vxp"_s, u"pipe"_s}));
}

// Who runs a pass in the access cases: the program's user, switched to in a forked child.
struct Account {
    uid_t uid;
    gid_t gid;
    std::vector<gid_t> groups;
};
constexpr uid_t Carol = 40001, Mallory = 40002, Dave = 40004;
constexpr gid_t Users = 40100, Team = 40010, Staff = 40020, Shared = 40030;
const Account AsRoot{0, 0, {0}}, AsCarol{Carol, Users, {Users, Team}};

struct FileAccess {
    mode_t mode; // 0: no such file
    uid_t uid;
    gid_t gid;
    bool operator==(const FileAccess&) const = default;
};

// Makes the process that account, with the umask most desktops have unless told otherwise.
bool become(const Account& account, mode_t mask = 022) {
    ::umask(mask);
    return ::setgroups(account.groups.size(), account.groups.data()) == 0 &&
           ::setresgid(account.gid, account.gid, account.gid) == 0 &&
           ::setresuid(account.uid, account.uid, account.uid) == 0;
}

// A file's mode and attribute value, as "644:32 ".
QByteArray statusOf(const QString& file) {
    return QByteArray::number(modeOf(file), 8) + ':' + QByteArray::number(*LinuxPlatform().attributes(file)) + ' ';
}

FileAccess accessOf(const QString& file) {
    struct stat info {};
    ::lstat(encoded(file).constData(), &info);
    return {info.st_mode & 07777, info.st_uid, info.st_gid};
}

bool give(const QString& file, const FileAccess& access) {
    return ::chown(encoded(file).constData(), access.uid, access.gid) == 0 &&
           ::chmod(encoded(file).constData(), access.mode) == 0;
}

TEST_F(CipherPassSafetyTest, AnOutputIsNeverOpenToMorePeopleThanItsInputAndARoundTripGivesItsModeBack) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving files to other accounts needs root";
    // Other accounts must reach the work folder to use it.
    ASSERT_EQ(::chmod(encoded(root()).constData(), 0711), 0);
    // Who runs the pass, the folder, the input, the file its output replaces, the output.
    const std::tuple<Account, FileAccess, FileAccess, FileAccess, FileAccess> rows[] = {
        // A new name is limited by the umask; no execute, set-id or sticky bits.
        {AsCarol, {0755, Carol, Users}, {07777, Carol, Users}, {}, {0644, Carol, Users}},
        // A replaced file keeps the input's group, not the replacer's, and is no wider than the
        // input or than itself.
        {AsCarol, {0775, 0, Team}, {0660, Carol, Team}, {0660, Mallory, Team}, {0660, Carol, Team}},
        {AsCarol, {0777, 0, 0}, {0600, Carol, Users}, {0666, Mallory, Users}, {0600, Carol, Users}},
        // A group the user is not in gets no access, nor does a set-group-id folder's group.
        {AsCarol, {0777, 0, 0}, {0664, 0, Staff}, {}, {0604, Carol, Users}},
        {AsCarol, {02777, 0, Shared}, {0664, 0, Staff}, {}, {0604, Carol, Shared}},
        // Root gives nothing away to the owner of the replaced file; working on another account's
        // file it gives the output to that file's owner and group, and never the name of a file
        // a third account owns (refused).
        {AsRoot, {01777, 0, 0}, {0600, 0, 0}, {04777, Mallory, Mallory}, {0600, 0, 0}},
        {AsRoot, {0700, 0, 0}, {0640, Carol, Team}, {0666, Carol, Users}, {0640, Carol, Team}},
        {AsRoot, {01777, 0, 0}, {0644, Carol, Users}, {0644, Mallory, Users}, {0644, Mallory, Users}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        const auto& [runner, folderAccess, input, replaced, expected] = row;
        const QString folder = makeDir(u"case"_s);
        const QString plain = makeFile(u"case/r.txt"_s, sampleBytes(100));
        ASSERT_TRUE(give(folder, folderAccess) && give(plain, input));
        ASSERT_TRUE(replaced.mode == 0 || give(makeFile(u"case/r.txt.vxp"_s, QByteArray("old")), replaced));
        const QString answer = QString::fromUtf8(
            inChild([&](int) { return become(runner) ? pass(plain).error.toUtf8() : "no such account"; }).first);
        // An output never belongs to a third account: that one was not replaced.
        const bool refused = expected.uid != runner.uid && expected.uid != input.uid;
        EXPECT_EQ(answer, refused ? plain + u" was left untouched: "_s + vxp(plain) + u" belongs to another account."_s
                                  : QString());
        EXPECT_EQ(accessOf(plain + u".vxp"_s), expected) << std::oct << accessOf(plain + u".vxp"_s).mode;
        EXPECT_EQ(QFile::exists(plain), refused) << "the original is deleted once the output is in place";
        QDir(folder).removeRecursively();
    }

    // A round trip by the file's owner at both levels, under the umask most desktops have and a
    // strict one (each in a child of its own, as a process reads its umask once): the mode and
    // attributes of the input while the pass runs, of the ".vxp" (marked encrypted, as the
    // commands mark it) and of the file decrypted from it. The input keeps its bits and marks;
    // only one that is not read-only gets Archive (a read-only one would need write permission).
    // The decrypted file has the ".vxp"'s read bits and the user's write bit, unless the low
    // level gives its read-only mark back; a private file stays private.
    ASSERT_TRUE(give(makeDir(u"trip"_s), {0755, Carol, Users}));
    const auto roundTrips = [&](mode_t mask) {
        QByteArray seen;
        become(AsCarol, mask);
        const QString plain = makeFile(u"trip/"_s + QString::number(mask), sampleBytes(100));
        for (const SecurityLevel level : {SecurityLevel::High, SecurityLevel::Low}) {
            for (const mode_t mode : {0644, 0640, 0600, 0440}) {
                ::chmod(encoded(plain).constData(), mode);
                TestObserver observer = actingAt(2, [&] { seen += statusOf(plain); });
                pass(plain, &observer, true, level);
                LinuxPlatform().setAttributes(vxp(plain), Attr::Encrypted);
                seen += statusOf(vxp(plain));
                pass(vxp(plain));
                seen += statusOf(plain);
            }
        }
        return seen;
    };
    for (const mode_t mask : {022, 077})
        EXPECT_EQ(inChild([&](int) { return roundTrips(mask); }).first.toStdString(),
                  mask == 022 ? "644:32 444:7 644:0 640:32 440:7 640:0 600:32 400:7 600:0 440:1 440:7 640:0 "
                                "644:32 444:7 644:0 640:32 440:7 640:0 600:32 400:7 600:0 440:1 440:7 440:1 "
                              : "644:32 400:7 600:0 640:32 400:7 600:0 600:32 400:7 600:0 440:1 400:7 600:0 "
                                "644:32 400:7 600:0 640:32 400:7 600:0 600:32 400:7 600:0 440:1 400:7 400:1 ");
    QDir(PassLock::folderPathFor(Carol)).removeRecursively();
}

TEST_F(CipherPassSafetyTest, NoOtherAccountCanHoldAPassUp) {
    // Anyone who may read a file may take a shared lock on it: the pass goes on all the same.
    const QString plain = plainFile(sampleBytes(100));
    const Descriptor reader(::open(encoded(plain).constData(), O_RDONLY));
    ASSERT_EQ(::flock(reader.fd(), LOCK_SH | LOCK_NB), 0);
    EXPECT_EQ(pass(plain, nullptr, false), PassResult{});
    QFile::remove(plain + u".vxp"_s);

    if (::geteuid() != 0)
        return;
    // The user's lock folder is used only while it is the user's own, private folder.
    const QString locks = PassLock::folderPathFor(Dave);
    ASSERT_EQ(::chmod(encoded(root()).constData(), 0711), 0);
    ASSERT_TRUE(give(m_folder, {0777, Dave, Dave}) && give(plain, {0644, Dave, Dave}));
    const QString refused = plain + u" was left untouched. The lock folder "_s + locks + u" can't be used: "_s;
    const QString reason = u" Files are locked there so that no two passes work on the same file."_s;
    const std::pair<FileAccess, QString> rows[] = {
        {{0700, Mallory, Mallory}, refused + u"it belongs to another account."_s + reason},
        {{0755, Dave, Dave}, refused + u"other accounts may use it (its permissions are not 0700)."_s + reason},
        {{0700, Dave, Dave}, QString()},
    };
    for (const auto& [lockAccess, expected] : rows) {
        ::mkdir(encoded(locks).constData(), 0700);
        ASSERT_TRUE(give(locks, lockAccess));
        const QByteArray answer = inChild([&](int) {
                                      become({Dave, Dave, {Dave}});
                                      return pass(plain, nullptr, false).error.toUtf8();
                                  }).first;
        EXPECT_EQ(QString::fromUtf8(answer), expected);
        EXPECT_EQ(QFile::exists(plain + u".vxp"_s), expected.isEmpty());
    }
    QDir(locks).removeRecursively();
}
