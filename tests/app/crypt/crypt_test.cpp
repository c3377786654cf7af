/*
 * The encrypt and decrypt commands through the real main window with scripted answers, fired from
 * its menu items: their messages, the list entries afterwards, and what is on disk after success,
 * refusal, cancel and failure.
 */
#include "app/crypt/engine/cipherpass.h"
#include "app/crypt/engine/passrunner.h"
#include "app/crypt/progresswindow.h"
#include "app/platform/linuxplatform.h"
#include "tests/support/mainwindowtest.h"
#include "tests/support/passfiles.h"

#include <QtCore/QElapsedTimer>
#include <QtWidgets/QApplication>
#include <QtWidgets/QPushButton>

#include <atomic>
#include <optional>
#include <tuple>

#include <sys/resource.h>

using enum Dialogs::Answer;

namespace {

// The real platform, with the free space a test sets.
struct SpacePlatform : LinuxPlatform {
    std::optional<qint64> free;
    qint64 freeSpace(const QString& path) const override { return free ? *free : LinuxPlatform::freeSpace(path); }
};

// Lowers the largest file size the process may write while it lives, so that a write past it
// fails with EFBIG (a disk that fills up part way); SIGXFSZ is ignored so that it ends nothing.
struct FileSizeLimit {
    rlimit old{};
    explicit FileSizeLimit(rlim_t limit) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit lowered{limit, old.rlim_max};
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &old); }
};

// Acts once, the first time the progress window's cover leaves the start of its track, that is
// once the first block of a pass is written: the pass is held there (as a click on Cancel would
// hold it) until the action, on the window's thread, has decided.
struct OnFirstBlock : QObject {
    explicit OnFirstBlock(std::function<void(QWidget*)> act)
        : action(std::move(act)) {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* progress = qobject_cast<ProgressWindow*>(watched);
        if (!action || event->type() != QEvent::Show || !progress || !progress->runner() || following)
            return false;
        following = true;
        PassRunner* runner = progress->runner();
        connect(
            runner, &PassRunner::coverMoved, this,
            [this, runner, progress](double leftTwips) {
                if (leftTwips < 15 || held.exchange(true))
                    return;
                runner->pause();
                QMetaObject::invokeMethod(this, [this, progress] {
                    if (action)
                        std::exchange(action, nullptr)(progress->findChild<QWidget*>(u"Label2"_s));
                });
            },
            Qt::DirectConnection);
        return false;
    }
    std::function<void(QWidget*)> action;
    bool following = false;
    std::atomic<bool> held = false;
};

const QString ReplacePlain = u" already exist do you want to replace it "_s;
const QString ReplaceEncrypted = u" already exists. do you want to replace it "_s;
const QString Damaged = u" has a damaged header and was left untouched."_s;

} // namespace

class CryptCommandsTest : public MainWindowTest<SpacePlatform> {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        setPassword(u"pw"_s);
    }

    static QString vxp(const QString& path) { return path + u".vxp"_s; }
    ChosenFiles& list() { return chooser()->chosenFiles(); }
    QStringList entries(bool selectedOnly = false) { return selectedOnly ? list().selectedPaths() : list().paths(); }

    // Fires a command on these chosen files and the files "work" holds, with these answers, the
    // earlier boxes forgotten. However it ended, the run leaves no progress window, Busy or cancel.
    void run(const QString& command, const QStringList& chosen, const QList<Dialogs::Answer>& answers = {}) {
        list().clear();
        list().append(chosen);
        list().selectAll();
        chooser()->refreshFiles();
        m_dialogs.clear();
        for (const Dialogs::Answer answer : answers)
            m_dialogs.answer(answer);
        triggerAction(command);
        EXPECT_TRUE(QTest::qWaitFor([this] { return !window().state().busy; }, 20000));
        const ProgressWindow* progress = window().findChild<ProgressWindow*>(u"Progress"_s);
        EXPECT_FALSE(progress && progress->isVisible());
        EXPECT_FALSE(window().state().busy || window().state().cancelRequested);
    }

    // The bytes and attributes of files, to show that a command left them as they were.
    using Snapshot = QList<std::tuple<QString, QByteArray, std::optional<quint32>>>;
    Snapshot snapshot(const QStringList& paths) const {
        Snapshot files;
        for (const QString& path : paths)
            files.append({path, readAll(path), m_platform.attributes(path)});
        return files;
    }
    void expectUnchanged(const Snapshot& files) const {
        for (const auto& [path, bytes, attributes] : files) {
            EXPECT_TRUE(readAll(path) == bytes) << qPrintable(path);
            EXPECT_EQ(m_platform.attributes(path), attributes) << qPrintable(path);
        }
    }

    // An encrypted file exactly as a pass writes it, with attributes 7; level 'X' is a damaged header.
    QString makeEncrypted(const QString& relative, const QByteArray& plain, const QByteArray& password = "pw",
                          char level = 'L', char savedAttributes = 0) {
        const QString path = makeFile(relative, encryptedForm(plain, level, password, savedAttributes));
        m_platform.setAttributes(path, 7);
        return path;
    }
};

TEST_F(CryptCommandsTest, RefusalsLeaveEverythingAsItWas) {
    const QString file = makeFile(u"work/a.txt"_s, 200);
    const QString encrypted = makeEncrypted(u"work/b.txt.vxp"_s, QByteArray(2000, 'x'));
    const QString wrong = makeEncrypted(u"work/s.txt.vxp"_s, "the secret", "Right");
    const QString damaged = makeEncrypted(u"work/d.txt.vxp"_s, "d", "pw", 'X');
    // Nothing is asked about a plain file of the same name either.
    const QString twin = makeFile(u"work/d.txt"_s, QByteArray("another file"));
    m_platform.setAttributes(twin, 1);
    const Snapshot before = snapshot({file, encrypted, wrong, damaged, twin});
    list().append({file, encrypted});
    triggerAction(u"Enc1"_s);
    triggerAction(u"Dec1"_s);
    EXPECT_EQ(m_dialogs.texts(), QStringList(2, u"Choose file(s) in your list Please."_s));

    run(u"Dec1"_s, {wrong, damaged});
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{u"Invalid Password for "_s + wrong + u" Please check your password "_s, damaged + Damaged}));
    EXPECT_EQ(entries(true), (QStringList{wrong, damaged}));

    // Too little free space; a failed query counts as none.
    const QString free = u"Free Bytes on drive "_s + m_platform.volumeRoot(file) + u" is    "_s;
    m_platform.free = 100;
    run(u"Enc1"_s, {file});
    EXPECT_EQ(m_dialogs.texts(),
              QStringList{free + u"100  Byte\r\nFree disk Space needed to encrypt "_s + file + u" is 200  Byte\r\n"_s});
    m_platform.free = 0;
    run(u"Dec1"_s, {encrypted});
    EXPECT_EQ(m_dialogs.texts(), QStringList{free + u"0  Byte\r\nFree disk Space needed to decrypt "_s + encrypted +
                                             u" is 1.96  KB\r\n"_s});
    m_platform.free.reset();

    // The wrong kind: Yes takes it out of the selection, No cancels all.
    const QString convert =
        u"Vexa Password will convert this selection for you. \r\n\r\n Press Yes to accept    No to cancel all"_s;
    const QString encryptedAlready = encrypted + u" , Is a already encrypted file.\r\n"_s + convert;
    run(u"Enc1"_s, {encrypted}, {Yes});
    EXPECT_EQ(m_dialogs.texts(), (QStringList{encryptedAlready, u"Choose file(s) in your list again Please."_s}));
    EXPECT_TRUE(entries(true).isEmpty());
    run(u"Enc1"_s, {encrypted, file}, {No});
    EXPECT_EQ(m_dialogs.texts(), QStringList{encryptedAlready});

    // A character above 255 that reached the password is refused, never stored as "?".
    setPassword(u"p\u0100"_s);
    run(u"Enc1"_s, {file});
    EXPECT_EQ(m_dialogs.texts(),
              QStringList{file + u" was left untouched: the password holds a character that can't be stored."_s});

    // Without a password the dialog opens instead.
    setPassword(QString());
    run(u"Dec1"_s, {file, encrypted});
    EXPECT_TRUE(window().passwordDialog().isVisible());
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());
    EXPECT_EQ(entries(true), (QStringList{file, encrypted}));
    for (const QString& output : {vxp(file), encrypted.chopped(4), path(u"work/s.txt"_s)})
        EXPECT_FALSE(QFile::exists(output)) << qPrintable(output);
    expectUnchanged(before);
}

TEST_F(CryptCommandsTest, TooShortFilesAndEncryptingPathsOver240CharactersLeaveTheList) {
    // A name in "work" that makes a full path of the given length.
    const auto named = [this](qsizetype length, QChar fill) -> QString {
        return u"work/"_s + QString(length - m_work.size() - 1, fill);
    };
    const QString ten = makeFile(u"work/ten.txt"_s, 10);
    const QString empty = makeFile(u"work/empty.txt"_s, 0);
    const QString eleven = makeFile(u"work/eleven.txt"_s, 11);
    const QString fits = makeFile(named(240, u'a'), 20);
    const QString tooLong = makeFile(named(241, u'b'), 20);
    run(u"Enc1"_s, {ten, empty, eleven, fits, tooLong});
    const QString tooShort = u" is too short File to be encrypted. Vexa Password will remove it from your list."_s;
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{ten + tooShort, empty + tooShort,
                           tooLong + u" Long file name.  Vexa Password will remove it from your list."_s}));
    EXPECT_EQ(entries(), (QStringList{vxp(eleven), vxp(fits)}));
    EXPECT_EQ(readAll(vxp(eleven)).size(), 21);

    const QString tenEncrypted = makeFile(u"work/ten.vxp"_s, 10);
    const QString emptyEncrypted = makeFile(u"work/empty.vxp"_s, 0);
    run(u"Dec1"_s, {tenEncrypted, emptyEncrypted, vxp(eleven)});
    const QString notEncrypted = u" isn't an encrypted file. Vexa Password will remove it from your list."_s;
    EXPECT_EQ(m_dialogs.texts(), (QStringList{tenEncrypted + notEncrypted, emptyEncrypted + notEncrypted}));
    EXPECT_EQ(entries(), QStringList{eleven});
}

TEST_F(CryptCommandsTest, KeepingOrReplacingAnExistingOutput) {
    const QString plain = makeFile(u"work/a.txt"_s, 100);
    m_platform.setAttributes(plain, 2);
    const QByteArray plainBytes = readAll(plain);
    const QString older = makeFile(u"work/a.txt.vxp"_s, QByteArray(300, 'o')); // longer: no tail may remain
    // High security: the pass itself leaves a new plain file's attributes alone.
    const QString encrypted = makeEncrypted(u"work/b.txt.vxp"_s, "the real content", "pw", 'H', 34);
    const QString stale = makeFile(u"work/b.txt"_s, QByteArray("stale"));
    const struct {
        QString command, input, output, question;
        QByteArray replaced;
        quint32 outputAttributes;
    } cases[] = {
        {u"Enc1"_s, plain, older, older + ReplaceEncrypted, encryptedForm(plainBytes, 'L', "pw", 2), 7},
        // The replaced file gets the attribute value the header saved, as on every other path.
        {u"Dec1"_s, encrypted, stale, stale + ReplacePlain, "the real content", 34},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(qPrintable(c.command));
        const Snapshot before = snapshot({c.input});
        const QByteArray outputBefore = readAll(c.output);
        run(c.command, {c.input}, {No});
        EXPECT_EQ(m_dialogs.texts(), QStringList{c.question});
        EXPECT_EQ(entries(true), QStringList{c.input});
        EXPECT_EQ(readAll(c.output), outputBefore);
        expectUnchanged(before);

        run(c.command, {c.input}, {Yes});
        EXPECT_EQ(m_dialogs.texts(), QStringList{c.question});
        EXPECT_EQ(readAll(c.output), c.replaced);
        EXPECT_EQ(m_platform.attributes(c.output), c.outputAttributes);
        EXPECT_FALSE(QFile::exists(c.input));
        EXPECT_EQ(entries(), QStringList{c.output});
        EXPECT_TRUE(entries(true).isEmpty());
    }
}

TEST_F(CryptCommandsTest, APassStoppedPartWayLeavesTheInputAndAnyReplacedFileAsTheyWere) {
    const QString plain = makeFile(u"work/big.bin"_s, 3 * CipherPass::BufferSize);
    m_platform.setAttributes(plain, 2);
    const QString encrypted = makeEncrypted(u"work/other.bin.vxp"_s, readAll(plain));
    const Snapshot before = snapshot({plain, encrypted});
    const QStringList names = QDir(m_work).entryList(QDir::Files | QDir::Hidden);
    // Cancel after the first block, or a write that fails part way (a full disk); with or without
    // an older file of the output's name, which the user agreed to replace.
    for (const bool cancel : {true, false}) {
        for (const bool replacing : {false, true}) {
            for (const QString& input : {plain, encrypted}) {
                const bool encrypting = input == plain;
                const QString output = encrypting ? vxp(plain) : encrypted.chopped(4);
                SCOPED_TRACE(testing::Message() << encrypting << cancel << replacing);
                if (replacing)
                    makeFile(QDir(root()).relativeFilePath(output), QByteArray("the older output"));
                std::optional<OnFirstBlock> pressing;
                std::optional<FileSizeLimit> limit;
                if (cancel)
                    pressing.emplace(
                        [](QWidget* cover) { cover->window()->findChild<QPushButton*>(u"Command1"_s)->click(); });
                else
                    limit.emplace(CipherPass::BufferSize);
                run(encrypting ? u"Enc1"_s : u"Dec1"_s, {input},
                    QList<Dialogs::Answer>(int(replacing) + int(cancel), Yes));
                limit.reset();
                QStringList texts{cancel ? u" Do you really want to cancel? \r\n"_s : qt_error_string(EFBIG)};
                if (replacing)
                    texts.prepend(output + (encrypting ? ReplaceEncrypted : ReplacePlain));
                EXPECT_EQ(m_dialogs.texts(), texts);
                EXPECT_EQ(readAll(output), replacing ? QByteArray("the older output") : QByteArray());
                EXPECT_EQ(QFile::exists(output), replacing);
                EXPECT_EQ(entries(true), QStringList{input});
                expectUnchanged(before);
                QFile::remove(output);
                EXPECT_EQ(QDir(m_work).entryList(QDir::Files | QDir::Hidden), names) << "nothing left behind";
            }
        }
    }
}

TEST_F(CryptCommandsTest, HardLinkedFilesKeepTheirOtherNames) {
    // Decrypting over a plain file with another name leaves that name its own content.
    const QString encrypted = makeEncrypted(u"work/a.txt.vxp"_s, "decrypted content");
    const QString plain = makeFile(u"work/a.txt"_s, QByteArray("older plain content"));
    const QString other = path(u"work/other-name.txt"_s);
    ASSERT_TRUE(::link(QFile::encodeName(plain).constData(), QFile::encodeName(other).constData()) == 0);
    run(u"Dec1"_s, {encrypted}, {Yes});
    EXPECT_EQ(m_dialogs.texts(), QStringList{plain + ReplacePlain});
    EXPECT_EQ(readAll(plain), QByteArray("decrypted content"));
    EXPECT_EQ(readAll(other), QByteArray("older plain content"));

    // Deleting the original after encryption removes this name only, and says so.
    m_platform.setAttributes(plain, 0);
    ASSERT_TRUE(QFile::remove(other));
    ASSERT_TRUE(::link(QFile::encodeName(plain).constData(), QFile::encodeName(other).constData()) == 0);
    run(u"Enc1"_s, {plain});
    EXPECT_EQ(m_dialogs.texts(),
              QStringList{plain + u" was deleted under this name only: its content remains under its other names."_s});
    EXPECT_FALSE(QFile::exists(plain));
    EXPECT_EQ(readAll(other), QByteArray("decrypted content"));
    EXPECT_EQ(entries(), QStringList{vxp(plain)});
}

TEST_F(CryptCommandsTest, ExitDuringAPassStopsItAtOnceLikeCancel) {
    for (const bool fromMenu : {false, true}) {
        SCOPED_TRACE(fromMenu ? "E&xit" : "closed");
        const QString plain = makeFile(u"work/big.bin"_s, 8 * CipherPass::BufferSize);
        const QByteArray content = readAll(plain);
        const QStringList names = QDir(m_work).entryList(QDir::Files | QDir::Hidden);
        QElapsedTimer sinceExit;
        {
            const OnFirstBlock exiting([&](QWidget*) {
                sinceExit.start();
                fromMenu ? triggerAction(u"Ending"_s) : void(window().close());
            });
            run(u"Enc1"_s, {plain}, QList<Dialogs::Answer>(int(fromMenu), Yes));
        }
        ASSERT_TRUE(sinceExit.isValid());
        EXPECT_LT(sinceExit.elapsed(), 1000);
        EXPECT_EQ(m_processEnds, fromMenu ? 2 : 1);
        EXPECT_TRUE(readAll(plain) == content);
        EXPECT_EQ(QDir(m_work).entryList(QDir::Files | QDir::Hidden), names) << "no output, nothing left behind";
        openWindow(m_dialogs);
        setPassword(u"pw"_s);
    }
}

TEST_F(CryptCommandsTest, WithoutDeleteOriginalThePlainFileStays) {
    const QString plain = makeFile(u"work/a.txt"_s, 300);
    triggerAction(u"DELOLD"_s);
    m_platform.free = 300; // free space of exactly the file's size is enough
    run(u"Enc1"_s, {plain});
    EXPECT_EQ(entries(), QStringList{vxp(plain)});
    EXPECT_EQ(readAll(plain).size(), 300);
}

TEST_F(CryptCommandsTest, LinksAreNeverWrittenThrough) {
    const QString target = makeFile(u"work/target.txt"_s, QByteArray("not to be touched"));
    const QString plain = makeFile(u"work/b.txt"_s, 100);
    ASSERT_TRUE(QFile::link(target, vxp(plain)));
    const QString encrypted = makeEncrypted(u"work/c.txt.vxp"_s, "content c");
    ASSERT_TRUE(QFile::link(target, encrypted.chopped(4)));
    const Snapshot before = snapshot({target, plain, encrypted});
    const QString symlink = u" is a symbolic link and was left untouched."_s;
    run(u"Enc1"_s, {plain}, {Yes});
    EXPECT_EQ(m_dialogs.texts(), (QStringList{vxp(plain) + ReplaceEncrypted, vxp(plain) + symlink}));
    run(u"Dec1"_s, {encrypted}, {Yes});
    EXPECT_EQ(m_dialogs.texts(), (QStringList{encrypted.chopped(4) + ReplacePlain, encrypted.chopped(4) + symlink}));
    EXPECT_TRUE(QFileInfo(vxp(plain)).isSymLink());
    expectUnchanged(before);
}

TEST_F(CryptCommandsTest, ShownFilesAnEmptyFolderHasNothingToDoAndAMixIsDecryptedSafely) {
    for (const QString& command : {u"Enc2"_s, u"Dec2"_s}) {
        run(command, {});
        EXPECT_EQ(m_dialogs.texts(), QStringList{u"There're no shown in the directory"_s});
    }
    // Below 11 bytes a shown file is told about and left; from 11 on it is encrypted.
    const QString ten = makeFile(u"work/ten.txt"_s, 10);
    const QByteArray eleven = readAll(makeFile(u"work/eleven.txt"_s, 11));
    run(u"Enc2"_s, {});
    EXPECT_EQ(m_dialogs.texts(), QStringList{ten + u"Too short File to be secret."_s});
    EXPECT_EQ(readAll(path(u"work/eleven.txt.vxp"_s)), encryptedForm(eleven, 'L'));
    EXPECT_EQ(namesIn(m_work), (QStringList{u"eleven.txt.vxp"_s, u"ten.txt"_s}));
    ASSERT_TRUE(QFile::remove(ten) && QFile::remove(path(u"work/eleven.txt.vxp"_s)));
    makeEncrypted(u"work/a.txt.vxp"_s, "plain a", "pw", 'H', 2);
    const QString plain = makeFile(u"work/b.txt"_s, 50);
    const QString wrong = makeEncrypted(u"work/e.txt.vxp"_s, "plain e", "other");
    const QString damaged = makeEncrypted(u"work/f.txt.vxp"_s, "f", "pw", 'X');
    const Snapshot before = snapshot({plain, wrong, damaged});
    run(u"Dec2"_s, {}, {Yes});
    const QString notSecret =
        u" , Isn't a Secret file.\r\nPress yes to ignore this file and continue.   No to cancel for all. "_s;
    EXPECT_EQ(m_dialogs.texts(),
              (QStringList{plain + notSecret, u"Invalid Password for "_s + wrong + u" Please check your password "_s,
                           damaged + Damaged}));
    EXPECT_EQ(readAll(path(u"work/a.txt"_s)), QByteArray("plain a"));
    EXPECT_EQ(m_platform.attributes(path(u"work/a.txt"_s)), 2u);
    EXPECT_FALSE(QFile::exists(path(u"work/a.txt.vxp"_s)));
    EXPECT_FALSE(QFile::exists(path(u"work/e.txt"_s)) || QFile::exists(path(u"work/f.txt"_s)));
    expectUnchanged(before);
}
