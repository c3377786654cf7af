/*
 * The encrypt and decrypt commands on stand-ins for the main window's roles: a chosen-file list in
 * a plain host window, a chooser over a real folder, run options and a password the test sets.
 * Their checks and messages, replacing an existing output, a held pass and its Cancel, and links.
 */
#include "app/core/appstate.h"
#include "app/crypt/cryptcommands.h"
#include "app/crypt/engine/cipherpass.h"
#include "app/crypt/engine/passrunner.h"
#include "app/crypt/progresswindow.h"
#include "app/platform/attributes.h"
#include "app/platform/linuxplatform.h"
#include "tests/support/fakeroles.h"
#include "tests/support/passfiles.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempenv.h"

#include <QtCore/QMap>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QPushButton>

#include <atomic>
#include <optional>

using enum Dialogs::Answer;

namespace {

// The real platform, with the free space a test sets.
struct SpacePlatform : LinuxPlatform {
    std::optional<qint64> free;
    qint64 freeSpace(const QString& path) const override { return free ? *free : LinuxPlatform::freeSpace(path); }
};

const QString ReplacePlain = u" already exist do you want to replace it "_s;
const QString ReplaceEncrypted = u" already exists. do you want to replace it "_s;

} // namespace

class CryptCommandsRolesTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        chooser.folder = makeDir(u"work"_s);
        passwords.password = passwords.verify = u"pw"_s;
        options.deleteOriginalFile = true;
        host.host.show(listWindow);
    }

    // Chooses these files and scripts these answers, the earlier boxes forgotten.
    void choose(const QStringList& chosen, const QList<Dialogs::Answer>& answers = {}) {
        list.clear();
        list.append(chosen);
        list.selectAll();
        dialogs.clear();
        for (const Dialogs::Answer answer : answers)
            dialogs.answer(answer);
    }
    // Fires a command on these chosen files with these answers and waits for its end; the texts shown.
    QStringList run(void (CryptCommands::*command)(), const QStringList& chosen,
                    const QList<Dialogs::Answer>& answers = {}) {
        choose(chosen, answers);
        (commands.*command)();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !commands.isRunning(); }, 20000));
        EXPECT_FALSE(commands.progress().isVisible());
        EXPECT_FALSE(state.busy || state.cancelRequested);
        return dialogs.texts();
    }
    // The name and bytes of every file in the folder, to show that a command left them as they were.
    QMap<QString, QByteArray> folder() const {
        QMap<QString, QByteArray> files;
        for (const QString& name : namesIn(chooser.folder))
            files[name] = readAll(chooser.folder + u'/' + name);
        return files;
    }

    AppState state;
    ScriptedDialogs dialogs;
    SpacePlatform platform;
    RecordingBars bars;
    SetPassword passwords;
    SetRunOptions options;
    TestHostWindow host;
    ListWindow& listWindow = *new ListWindow;
    ChosenFiles& list = listWindow.files;
    FakeChooser chooser;
    CryptCommands commands{
        {state, dialogs, platform, bars, passwords, options, host.host, [this]() -> FileChooser* { return &chooser; }}};
};

TEST_F(CryptCommandsRolesTest, ThePasswordSourceDecidesWhetherACommandRuns) {
    const QString plain = makeFile(u"work/a.txt"_s, 100);
    // Without a password the command asks for one; Dec2 also wants the verify box to match. The
    // password, the verify box, the command, how often it asked.
    const std::tuple<QString, QString, void (CryptCommands::*)(), int> rows[] = {
        {{}, {}, &CryptCommands::decryptChosenList, 1},
        {u"pw"_s, u"other"_s, &CryptCommands::decryptShownFiles, 1},
        {u"pw"_s, u"other"_s, &CryptCommands::encryptShownFiles, 0},
    };
    for (const auto& [password, verify, command, asked] : rows) {
        passwords.password = password;
        passwords.verify = verify;
        passwords.asked = 0;
        run(command, {plain});
        EXPECT_EQ(std::pair(passwords.asked, QFile::exists(vxp(plain))), std::pair(asked, asked == 0));
        EXPECT_TRUE(dialogs.boxes().isEmpty());
    }
}

// Holds the pass at each block it writes, as a click on Cancel holds it, until it is resumed.
TEST_F(CryptCommandsRolesTest, AHeldPassRefusesOtherCommandsAndCancelsOnlyWhenConfirmed) {
    ProgressWindow& progress = commands.progress();
    host.window.activateWindow();
    listWindow.view.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == &listWindow.view; }));
    auto* cancel = progress.findChild<QPushButton*>(u"Command1"_s);
    ASSERT_NE(cancel, nullptr);
    PassRunner& runner = *progress.runner();
    std::atomic<bool> held = false;
    const QMetaObject::Connection holding = QObject::connect(
        &runner, &PassRunner::coverMoved, &runner,
        [&](double leftTwips) {
            if (leftTwips > 0 && !held.exchange(true))
                runner.pause();
        },
        Qt::DirectConnection);
    const QString plain = makeFile(u"work/big.bin"_s, 3 * CipherPass::BufferSize);
    const QString older = makeFile(u"work/big.bin.vxp"_s, QByteArray("the older output"));
    const auto before = folder();
    choose({plain}, {Yes, No, Yes});
    commands.encryptChosenList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return held.load(); }, 5000));
    // Another command (a pop-up menu's, which looks at nothing else) starts nothing and asks nothing.
    for (const auto command : {&CryptCommands::encryptChosenList, &CryptCommands::decryptChosenList,
                               &CryptCommands::encryptShownFiles, &CryptCommands::decryptShownFiles})
        (commands.*command)();
    EXPECT_EQ(dialogs.boxes().size(), 1);
    EXPECT_TRUE(commands.isRunning() && state.busy);
    // Both clicks land mid-pass: No lets it go on, Yes stops it with the file as it was.
    for (const Dialogs::Answer answer : {No, Yes}) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return held.exchange(false); }, 5000));
        cancel->click();
        EXPECT_EQ(progress.isVisible(), answer == No);
        EXPECT_EQ(state.cancelRequested, answer == Yes);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return !commands.isRunning(); }, 20000));
    QObject::disconnect(holding);
    const QString cancelQuestion = u" Do you really want to cancel? \r\n"_s;
    EXPECT_EQ(dialogs.texts(), (QStringList{older + ReplaceEncrypted, cancelQuestion, cancelQuestion}));
    EXPECT_FALSE(state.busy || state.cancelRequested);
    EXPECT_EQ(folder(), before) << "nothing changed, nothing left behind";
    // The keyboard is back where it was; the hidden window's button asks nothing.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == &listWindow.view; }));
    cancel->click();
    EXPECT_EQ(dialogs.texts().size(), 3);
    // The stop is not carried into the next run.
    EXPECT_EQ(run(&CryptCommands::encryptChosenList, {plain}, {Yes}), QStringList{older + ReplaceEncrypted});
    EXPECT_EQ(std::pair(list.paths(), QFile::exists(plain)), std::pair(QStringList{older}, false));
}

TEST_F(CryptCommandsRolesTest, RefusalsLeaveEveryFileAsItWas) {
    using C = CryptCommands;
    const QString file = makeFile(u"work/a.txt"_s, 200);
    const QString encrypted = makeFile(u"work/b.txt.vxp"_s, encryptedForm(QByteArray(2000, 'x'), 'L'));
    const auto before = folder();
    list.append({file, encrypted});
    commands.encryptChosenList();
    commands.decryptChosenList();
    EXPECT_EQ(dialogs.texts(), QStringList(2, u"Choose file(s) in your list Please."_s));

    // Too little free space; a failed query counts as none.
    const QString free = u"Free Bytes on drive "_s + platform.volumeRoot(file) + u" is    "_s;
    platform.free = 199;
    EXPECT_EQ(run(&C::encryptChosenList, {file}),
              QStringList{free + u"199  Byte\r\nFree disk Space needed to encrypt "_s + file + u" is 200  Byte\r\n"_s});
    platform.free = 0;
    EXPECT_EQ(
        run(&C::decryptChosenList, {encrypted}),
        QStringList{free + u"0  Byte\r\nFree disk Space needed to decrypt "_s + encrypted + u" is 1.96  KB\r\n"_s});

    platform.free.reset();

    // The wrong kind: Yes takes it out of the selection, No cancels all.
    const QString encryptedAlready =
        encrypted + u" , Is a already encrypted file.\r\nVexa Password will convert this selection for you. "
                    u"\r\n\r\n Press Yes to accept    No to cancel all"_s;
    EXPECT_EQ(run(&C::encryptChosenList, {encrypted}, {Yes}),
              (QStringList{encryptedAlready, u"Choose file(s) in your list again Please."_s}));
    EXPECT_TRUE(list.selectedPaths().isEmpty());
    EXPECT_EQ(run(&C::encryptChosenList, {encrypted, file}, {No}), QStringList{encryptedAlready});

    // A character above 255 that reached the password is refused, never stored as "?".
    passwords.password = u"p\u0100"_s;
    EXPECT_EQ(run(&C::encryptChosenList, {file}),
              QStringList{file + u" was left untouched: the password holds a character that can't be stored."_s});
    EXPECT_EQ(folder(), before);

    // Free space of exactly the file's size is enough. Deleting the original after encryption
    // removes this name only, and says so.
    passwords.password = u"pw"_s;
    platform.free = 200;
    const QString other = path(u"work/other-name.txt"_s);
    ASSERT_EQ(::link(encoded(file).constData(), encoded(other).constData()), 0);
    EXPECT_EQ(run(&C::encryptChosenList, {file}),
              QStringList{file + u" was deleted under this name only: its content remains under its other names."_s});
    EXPECT_EQ(std::pair(list.paths(), readAll(other)), std::pair(QStringList{vxp(file)}, before[u"a.txt"_s]));
}

TEST_F(CryptCommandsRolesTest, TooShortFilesAndEncryptingPathsOver240CharactersLeaveTheList) {
    // A name in "work" that makes a full path of the given length.
    const auto named = [this](qsizetype length, QChar fill) -> QString {
        return u"work/"_s + QString(length - chooser.folder.size() - 1, fill);
    };
    const QString ten = makeFile(u"work/ten.txt"_s, 10);
    const QString empty = makeFile(u"work/empty.txt"_s, 0);
    const QString eleven = makeFile(u"work/eleven.txt"_s, 11);
    const QString fits = makeFile(named(240, u'a'), 20);
    const QString tooLong = makeFile(named(241, u'b'), 20);
    const QString tooShort = u" is too short File to be encrypted. Vexa Password will remove it from your list."_s;
    EXPECT_EQ(run(&CryptCommands::encryptChosenList, {ten, empty, eleven, fits, tooLong}),
              (QStringList{ten + tooShort, empty + tooShort,
                           tooLong + u" Long file name.  Vexa Password will remove it from your list."_s}));
    EXPECT_EQ(list.paths(), (QStringList{vxp(eleven), vxp(fits)}));
    EXPECT_EQ(readAll(vxp(eleven)).size(), 21);

    const QString tenEncrypted = makeFile(u"work/ten.vxp"_s, 10);
    const QString emptyEncrypted = makeFile(u"work/empty.vxp"_s, 0);
    const QString notEncrypted = u" isn't an encrypted file. Vexa Password will remove it from your list."_s;
    EXPECT_EQ(run(&CryptCommands::decryptChosenList, {tenEncrypted, emptyEncrypted, vxp(eleven)}),
              (QStringList{tenEncrypted + notEncrypted, emptyEncrypted + notEncrypted}));
    EXPECT_EQ(list.paths(), QStringList{eleven});
}

TEST_F(CryptCommandsRolesTest, KeepingOrReplacingAnOutputAndTheAttributesEachFileEndsWith) {
    using C = CryptCommands;
    // A plain file is hidden (2); an encrypted one is marked (7) and saves hidden and archive (34).
    // An existing output is longer, so no tail may remain, and read-only (1). The run options
    // change from pass to pass. Each row: the command, its level, the answers (an existing output
    // is asked about; the shown files hold the other file too, which is passed over on Yes); the
    // attributes of the input when it is kept and of the output.
    const std::tuple<void (C::*)(), bool, QList<Dialogs::Answer>, quint32, quint32> rows[] = {
        {&C::encryptChosenList, true, {}, 2, 7},           {&C::encryptChosenList, false, {Yes}, 2, 7},
        {&C::encryptChosenList, true, {No}, 2, 7},         {&C::encryptShownFiles, true, {}, 2, 0},
        {&C::encryptShownFiles, false, {}, 2, 7},          {&C::encryptShownFiles, true, {Yes, Yes}, 2, 7},
        {&C::encryptShownFiles, true, {No, Yes}, 2, 1},    {&C::decryptChosenList, true, {}, 32, 0},
        {&C::decryptChosenList, false, {}, 32, 34},        {&C::decryptChosenList, true, {Yes}, 7, 34},
        {&C::decryptChosenList, false, {No}, 7, 1},        {&C::decryptShownFiles, true, {}, 32, 34},
        {&C::decryptShownFiles, false, {Yes, Yes}, 7, 34}, {&C::decryptShownFiles, true, {Yes, No}, 7, 34},
    };
    const QByteArray plainBytes(100, 'p'), old(300, 'o');
    for (const auto& row : rows) {
        const auto& [command, high, answers, inputAttributes, outputAttributes] = row;
        for (const bool deleteOriginal : {false, true}) {
            SCOPED_TRACE(testing::Message() << "row " << (&row - rows) << (deleteOriginal ? ", delete" : ", keep"));
            const bool encrypting = command == &C::encryptChosenList || command == &C::encryptShownFiles;
            const bool shown = command == &C::encryptShownFiles || command == &C::decryptShownFiles;
            const bool kept = answers.contains(No) || !deleteOriginal;
            const QString input =
                makeFile(encrypting ? u"work/a.txt"_s : u"work/a.txt.vxp"_s,
                         encrypting ? plainBytes : encryptedForm("plain", high ? 'H' : 'L', "pw", 34));
            const QString output = encrypting ? vxp(input) : input.chopped(4);
            platform.setAttributes(input, encrypting ? 2 : 7);
            if (!answers.isEmpty())
                platform.setAttributes(makeFile(output.mid(root().size() + 1), old), Attr::ReadOnly);
            options.high = high;
            options.deleteOriginalFile = deleteOriginal;
            run(command, {input}, answers);
            EXPECT_EQ(platform.attributes(input), kept ? std::optional<quint32>(inputAttributes) : std::nullopt);
            EXPECT_EQ(platform.attributes(output), outputAttributes);
            const QByteArray written = encrypting ? encryptedForm(plainBytes, high ? 'H' : 'L', "pw", 2) : "plain";
            EXPECT_EQ(readAll(output), answers.contains(No) ? old : written);
            EXPECT_EQ(list.selectedPaths(), answers.contains(No) || shown ? QStringList{input} : QStringList());
            QDir(chooser.folder).removeRecursively();
        }
    }
}

TEST_F(CryptCommandsRolesTest, ShownFilesAnEmptyFolderHasNothingToDoAndAMixIsDecryptedSafely) {
    for (const auto command : {&CryptCommands::encryptShownFiles, &CryptCommands::decryptShownFiles})
        EXPECT_EQ(run(command, {}), QStringList{u"There're no shown in the directory"_s});
    // Below 11 bytes a shown file is told about and left; from 11 on it is encrypted.
    const QString ten = makeFile(u"work/ten.txt"_s, 10);
    const QByteArray eleven = readAll(makeFile(u"work/eleven.txt"_s, 11));
    EXPECT_EQ(run(&CryptCommands::encryptShownFiles, {}), QStringList{ten + u"Too short File to be secret."_s});
    EXPECT_EQ(readAll(path(u"work/eleven.txt.vxp"_s)), encryptedForm(eleven, 'L'));
    EXPECT_EQ(namesIn(chooser.folder), (QStringList{u"eleven.txt.vxp"_s, u"ten.txt"_s}));
    ASSERT_TRUE(QFile::remove(ten) && QFile::remove(path(u"work/eleven.txt.vxp"_s)));

    makeFile(u"work/a.txt.vxp"_s, encryptedForm("plain a", 'H', "pw", 2));
    const QString plain = makeFile(u"work/b.txt"_s, 50);
    const QString wrong = makeFile(u"work/e.txt.vxp"_s, encryptedForm("plain e", 'L', "other"));
    const QString damaged = makeFile(u"work/f.txt.vxp"_s, encryptedForm("f", 'X'));
    auto expected = folder();
    const QString notSecret =
        u" , Isn't a Secret file.\r\nPress yes to ignore this file and continue.   No to cancel for all. "_s;
    EXPECT_EQ(run(&CryptCommands::decryptShownFiles, {}, {Yes}),
              (QStringList{plain + notSecret, u"Invalid Password for "_s + wrong + u" Please check your password "_s,
                           damaged + u" has a damaged header and was left untouched."_s}));
    expected.remove(u"a.txt.vxp"_s);
    expected[u"a.txt"_s] = "plain a";
    EXPECT_EQ(folder(), expected);
}
