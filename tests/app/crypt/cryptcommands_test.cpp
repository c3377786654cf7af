/*
 * The encrypt and decrypt commands on stand-ins for the main window's roles: a chosen-file list in
 * a plain host window, a chooser over a real folder, run options and a password the test sets.
 * What each file keeps of its own when several run in one command, what the options and the
 * password source decide, what the bars and the chooser are told, and the progress window's
 * Cancel.
 */
#include "app/core/appstate.h"
#include "app/crypt/cryptcommands.h"
#include "app/crypt/engine/cipherpass.h"
#include "app/crypt/engine/passrunner.h"
#include "app/crypt/progresswindow.h"
#include "app/platform/attributes.h"
#include "app/platform/linuxplatform.h"
#include "tests/support/fakeroles.h"
#include "tests/support/scripteddialogs.h"
#include "tests/support/tempenv.h"

#include <QtCore/QTimer>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QPushButton>

#include <atomic>

using enum Dialogs::Answer;

class CryptCommandsRolesTest : public TempEnvTest {
protected:
    void SetUp() override {
        TempEnvTest::SetUp();
        chooser.folder = makeDir(u"work"_s);
        passwords.password = passwords.verify = u"pw"_s;
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
    // Fires a command on these chosen files with these answers and waits for its end.
    void run(void (CryptCommands::*command)(), const QStringList& chosen, const QList<Dialogs::Answer>& answers = {}) {
        choose(chosen, answers);
        (commands.*command)();
        EXPECT_TRUE(QTest::qWaitFor([this] { return !commands.isRunning(); }, 20000));
        EXPECT_FALSE(commands.progress().isVisible());
        EXPECT_FALSE(state.busy || state.cancelRequested);
    }

    AppState state;
    ScriptedDialogs dialogs;
    LinuxPlatform platform;
    RecordingBars bars;
    SetPassword passwords;
    SetRunOptions options;
    TestHostWindow host;
    ListWindow& listWindow = *new ListWindow;
    ChosenFiles& list = listWindow.files;
    FakeChooser chooser;
    bool chooserOpen = true;
    CryptCommands commands{{state, dialogs, platform, bars, passwords, options, host.host,
                            [this]() -> FileChooser* { return chooserOpen ? &chooser : nullptr; }}};
};

TEST_F(CryptCommandsRolesTest, EachFileKeepsItsOwnAttributesWhenSeveralRunInOneCommand) {
    const QList<quint32> attributes{2, 33, 4}; // hidden; read-only and archive; system
    QStringList plain;
    for (const QString& name : {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s})
        plain << makeFile(u"work/"_s + name, 100);
    const QStringList encrypted{plain[0] + u".vxp"_s, plain[1] + u".vxp"_s, plain[2] + u".vxp"_s};
    const struct {
        const char* name;
        void (CryptCommands::*encrypt)();
        void (CryptCommands::*decrypt)();
        // Dec2 is also asked about each plain file it shows: Yes passes it over.
        int decryptAnswers;
    } cases[] = {
        {"chosen list", &CryptCommands::encryptChosenList, &CryptCommands::decryptChosenList, 3},
        {"shown files", &CryptCommands::encryptShownFiles, &CryptCommands::decryptShownFiles, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (qsizetype i = 0; i < plain.size(); ++i)
            ASSERT_TRUE(platform.setAttributes(plain[i], attributes[i]));
        // Without delete-original each plain file gets its own value back, and each header saves it.
        run(c.encrypt, plain);
        EXPECT_TRUE(dialogs.boxes().isEmpty()) << qPrintable(dialogs.texts().join(u'\n'));
        for (qsizetype i = 0; i < plain.size(); ++i) {
            EXPECT_EQ(platform.attributes(plain[i]), attributes[i]) << qPrintable(plain[i]);
            EXPECT_EQ(quint8(~readAll(encrypted[i]).at(9)), attributes[i]) << qPrintable(plain[i]); // complemented
            ASSERT_TRUE(platform.setAttributes(plain[i], Attr::Normal));
        }
        // Each plain file replaced by a decryption gets the value its own header saved.
        run(c.decrypt, encrypted, QList<Dialogs::Answer>(c.decryptAnswers, Yes));
        EXPECT_EQ(dialogs.boxes().size(), c.decryptAnswers);
        for (qsizetype i = 0; i < plain.size(); ++i)
            EXPECT_EQ(platform.attributes(plain[i]), attributes[i]) << qPrintable(plain[i]);
        for (const QString& file : encrypted)
            ASSERT_TRUE(platform.setAttributes(file, Attr::Normal) && QFile::remove(file));
    }
}

TEST_F(CryptCommandsRolesTest, RunOptionsAndThePasswordSourceDecideEachPass) {
    const QString plain = makeFile(u"work/a.txt"_s, 100);
    const QString encrypted = plain + u".vxp"_s;
    // The options are read for each pass: the level written and whether the input stays. Each
    // option changes between the passes, and never to the other's value.
    for (const auto& [high, deleteOriginal] : {std::pair(false, true), {true, false}}) {
        SCOPED_TRACE(testing::Message() << "high " << high << ", delete " << deleteOriginal);
        options.high = high;
        options.deleteOriginalFile = deleteOriginal;
        run(&CryptCommands::encryptChosenList, {plain});
        EXPECT_EQ(~readAll(encrypted).at(8), high ? 'H' : 'L'); // the level letter, complemented
        EXPECT_EQ(QFile::exists(plain), !deleteOriginal);
        EXPECT_EQ(list.paths(), QStringList{encrypted});
        run(&CryptCommands::decryptChosenList, {encrypted}, QList<Dialogs::Answer>(int(!deleteOriginal), Yes));
        EXPECT_EQ(QFile::exists(encrypted), !deleteOriginal);
        EXPECT_EQ(readAll(plain).size(), 100);
        platform.setAttributes(encrypted, Attr::Normal);
        QFile::remove(encrypted);
    }

    // Without a password every command asks for one; only Dec2 also wants the verify box to match.
    const auto asked = [&](void (CryptCommands::*command)()) {
        passwords.asked = 0;
        run(command, {plain});
        EXPECT_TRUE(dialogs.boxes().isEmpty());
        return passwords.asked;
    };
    passwords.password = passwords.verify = QString();
    for (const auto command : {&CryptCommands::encryptChosenList, &CryptCommands::decryptChosenList,
                               &CryptCommands::encryptShownFiles, &CryptCommands::decryptShownFiles})
        EXPECT_EQ(asked(command), 1);
    passwords.password = u"pw"_s;
    passwords.verify = u"other"_s;
    EXPECT_EQ(asked(&CryptCommands::decryptShownFiles), 1);
    EXPECT_FALSE(QFile::exists(encrypted));
    options.deleteOriginalFile = false;
    EXPECT_EQ(asked(&CryptCommands::encryptShownFiles), 0);
    EXPECT_TRUE(QFile::exists(encrypted));
}

TEST_F(CryptCommandsRolesTest, TheBarsAndTheChooserFollowARun) {
    options.deleteOriginalFile = true;
    const QString shortFile = makeFile(u"work/short.txt"_s, 5);
    const QString plain = makeFile(u"work/a.txt"_s, 100);
    run(&CryptCommands::encryptChosenList, {shortFile, plain});
    EXPECT_EQ(list.paths(), QStringList{plain + u".vxp"_s});
    EXPECT_EQ(bars.shownListCount, 1); // the count after the short file left the list
    EXPECT_EQ(bars.fileCount, 2);      // what the chooser shows after the run
    EXPECT_EQ(chooser.refreshed, 1);
    run(&CryptCommands::decryptChosenList, {plain + u".vxp"_s});
    EXPECT_EQ(list.paths(), QStringList{plain});

    // With the chooser closed the shown-files commands have nothing to work on, and the chosen
    // list is worked on without a count for the chooser's pane.
    chooserOpen = false;
    bars.fileCount = -1;
    run(&CryptCommands::encryptShownFiles, {});
    run(&CryptCommands::decryptShownFiles, {});
    EXPECT_TRUE(dialogs.boxes().isEmpty());
    run(&CryptCommands::encryptChosenList, {plain});
    EXPECT_EQ(list.paths(), QStringList{plain + u".vxp"_s});
    EXPECT_EQ(bars.fileCount, -1);
    EXPECT_EQ(chooser.refreshed, 2);
}

// Holds the pass at each block it writes, as a click on Cancel holds it, until it is resumed.
TEST_F(CryptCommandsRolesTest, AHeldPassLetsEventsTurnRefusesOtherCommandsAndCancelsOnlyWhenConfirmed) {
    ProgressWindow& progress = commands.progress();
    EXPECT_EQ(progress.parentWidget(), &host.window);
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
    options.deleteOriginalFile = true;
    const QString plain = makeFile(u"work/big.bin"_s, 3 * CipherPass::BufferSize);
    choose({plain}, {No, Yes});
    commands.encryptChosenList();
    ASSERT_TRUE(QTest::qWaitFor([&] { return held.load(); }, 5000));
    // The pass stands part way: the window's events go on all the same.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 10; }, 5000));
    // Another command (a pop-up menu's, which looks at nothing else) starts nothing and asks nothing.
    for (const auto command : {&CryptCommands::encryptChosenList, &CryptCommands::decryptChosenList,
                               &CryptCommands::encryptShownFiles, &CryptCommands::decryptShownFiles})
        (commands.*command)();
    EXPECT_TRUE(dialogs.boxes().isEmpty());
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
    EXPECT_EQ(dialogs.texts(), QStringList(2, u" Do you really want to cancel? \r\n"_s));
    EXPECT_FALSE(state.busy || state.cancelRequested);
    EXPECT_EQ(QFileInfo(plain).size(), 3 * CipherPass::BufferSize);
    EXPECT_FALSE(QFile::exists(plain + u".vxp"_s));
    // The keyboard is back where it was; the hidden window's button asks nothing.
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == &listWindow.view; }));
    cancel->click();
    EXPECT_EQ(dialogs.texts().size(), 2);
}
