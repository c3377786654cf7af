/*
 * The passes against everything else that may happen to their files meanwhile: a second pass on
 * the same file from a thread or another process, the input replaced or edited part way, files
 * swapped after their check, named pipes at either end, a pass cancelled or killed; and who may
 * read what a pass writes. What must hold each time: no file that was there is lost or changed,
 * and no partial file appears under a final name.
 */
#include "app/crypt/engine/cipherpass.h"
#include "app/fileio/descriptor.h"
#include "app/fileio/fileio.h"
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
const QString Password = u"pw      "_s;
using Step = PassObserver::Step;

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
    // at the level its header names, else an encryption at the given level; the user agrees to
    // replace a file of the output's name.
    static PassResult pass(const QString& input, PassObserver* observer = nullptr,
                           SecurityLevel level = SecurityLevel::High) {
        const Expected<EncryptedHeader> header = CipherPass::readHeader(input);
        FileTask task = input.endsWith(u".vxp"_s)
                            ? FileTask::decryption(header->level().value_or(level), input, input.chopped(4),
                                                   header->savedAttributes, true, header->headerPassword)
                            : FileTask::encryption(level, input, Password, true);
        struct stat existing;
        if (::lstat(encoded(task.output).constData(), &existing) == 0)
            task.replaces = std::pair(existing.st_dev, existing.st_ino);
        return run(task, observer);
    }
    static PassResult run(const FileTask& task, PassObserver* observer = nullptr) {
        LinuxPlatform platform;
        TestObserver quiet;
        return CipherPass(platform, observer ? *observer : quiet).run(task);
    }
    // A pass started while another runs on the same file: its outcome and message.
    static QByteArray refusedPass(const QString& plain) {
        const PassResult result = pass(plain);
        return QByteArray::number(int(result.outcome)) + ' ' + result.error.toUtf8();
    }

    QString m_folder;
};

} // namespace

TEST_F(CipherPassSafetyTest, ASecondPassOnTheSameFileIsRefusedAndChangesNothingAReaderHoldsNoneUp) {
    const QByteArray content = sampleBytes(3 * Buffer);
    const QByteArray refused = QByteArray::number(int(Outcome::Busy)) + ' ' + path(u"work/file.bin"_s).toUtf8() +
                               " is being encrypted or decrypted by another pass and was left untouched.";
    for (const bool otherProcess : {false, true}) {
        SCOPED_TRACE(otherProcess ? "process" : "thread");
        const QString plain = plainFile(content);
        // Anyone who may read a file may take a shared lock on it: that holds no pass up.
        const Descriptor reader(::open(encoded(plain).constData(), O_RDONLY));
        ASSERT_EQ(::flock(reader.fd(), LOCK_SH | LOCK_NB), 0);
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
        EXPECT_EQ(names().size(), 1) << names().join(u' ').toStdString();
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

TEST_F(CipherPassSafetyTest, APassActsOnlyOnWhatWasCheckedAndReplacesOnlyWhatWasAgreed) {
    const QByteArray content = sampleBytes(100), encrypted = encryptedForm(content);
    const QString input = path(u"work/in/f.vxp"_s), output = path(u"work/in/f"_s);
    const QString appeared = output + u" appeared after the check and was left untouched."_s;
    const QString notAgreed = output + u" is no longer the file agreed to be replaced and was left untouched."_s;
    const QString changed = input + u" was changed after it was checked and was left untouched."_s;
    const QString same = input + u" and "_s + output + u" are the same file."_s;
    const QString linked = input + u" was changed while it was being worked on and was kept."_s;
    enum Change { SwappedFolder, NewOutput, LinkToInput, OtherPassword, OtherLevel };
    // The file that takes the output's or the input's name.
    const QByteArray theirs[] = {{}, "theirs", {}, encryptedForm("theirs", 'H', "ow"), encryptedForm("theirs", 'L')};
    // Whether the user agreed to replace an existing output, what changes before which step, the
    // refusal. Another account swaps the checked folder for a link to its own, which holds a file of
    // the input's name: the pass goes on in the folder it checked, and the file it replaces keeps its
    // content under its other name. A new name of the input changes the input's change time.
    const std::tuple<bool, Change, Step, QString> rows[] = {
        {true, SwappedFolder, Step::Opening, {}},       {true, SwappedFolder, Step::Committing, {}},
        {true, SwappedFolder, Step::Deleting, {}},      {false, NewOutput, Step::Opening, appeared},
        {false, NewOutput, Step::Committing, appeared}, {true, NewOutput, Step::Opening, notAgreed},
        {true, NewOutput, Step::Committing, notAgreed}, {false, LinkToInput, Step::Opening, same},
        {true, LinkToInput, Step::Committing, linked},  {false, OtherPassword, Step::Opening, changed},
        {false, OtherLevel, Step::Opening, changed}};
    for (const auto& row : rows) {
        const auto& [agreed, change, step, refusal] = row;
        SCOPED_TRACE(&row - rows);
        makeFile(u"work/in/f.vxp"_s, encrypted);
        makeFile(u"work/other/f.vxp"_s, encryptedForm("theirs"));
        FileTask task = FileTask::decryption(SecurityLevel::High, input, output, std::nullopt, true, Password);
        task.folder = *FileIo::sharedFolderOf(input);
        struct stat existing;
        if (agreed && ::lstat(encoded(makeFile(u"work/in/f"_s, "agreed")).constData(), &existing) == 0)
            task.replaces = std::pair(existing.st_dev, existing.st_ino);
        if (change == SwappedFolder)
            ::link(encoded(output).constData(), encoded(path(u"work/in/g"_s)).constData());
        QByteArray inputNow = encrypted, outputNow = readAll(output);
        TestObserver observer;
        observer.at = [&](Step now) {
            if (now != step)
                return;
            ::usleep(20000); // file times are kept in clock ticks
            if (change == SwappedFolder) {
                QDir(m_folder).rename(u"in"_s, u"checked"_s);
                ::symlink("other", encoded(path(u"work/in"_s)).constData());
            } else if (change == LinkToInput) {
                QFile::remove(output);
                ::link(encoded(input).constData(), encoded(output).constData());
                outputNow = encrypted;
            } else {
                const bool toOutput = change == NewOutput;
                ::rename(encoded(makeFile(u"work/.new"_s, theirs[change])).constData(),
                         encoded(toOutput ? output : input).constData());
                (toOutput ? outputNow : inputNow) = theirs[change];
            }
        };
        const PassResult result = run(task, &observer);
        if (change == SwappedFolder) {
            EXPECT_EQ(result, PassResult{});
            EXPECT_EQ(namesIn(path(u"work/other"_s)), QStringList{u"f.vxp"_s});
            EXPECT_EQ(namesIn(path(u"work/checked"_s)), (QStringList{u"f"_s, u"g"_s}));
            EXPECT_TRUE(readAll(path(u"work/checked/f"_s)) == content &&
                        readAll(path(u"work/checked/g"_s)) == "agreed");
        } else {
            EXPECT_EQ(result, (PassResult{Outcome::Failed, refusal, {}}));
            EXPECT_TRUE(readAll(input) == inputNow && readAll(output) == outputNow);
            EXPECT_EQ(namesIn(path(u"work/in"_s)).size(), outputNow.isEmpty() ? 1 : 2);
        }
        QDir(m_folder).removeRecursively();
    }
}

// Who runs a pass in the access cases: the program's user, switched to in a forked child.
struct Account {
    uid_t uid;
    gid_t gid;
    std::vector<gid_t> groups;
};
constexpr uid_t Carol = 40001, Mallory = 40002;
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
                pass(plain, &observer, level);
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
