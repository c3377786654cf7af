/*
 * The encrypt and decrypt commands through the real main window, fired from its menu items: the
 * commands they run, the password and the delete-original option the window holds, and Exit,
 * a close or an end signal during a pass.
 */
#include "app/crypt/engine/cipherpass.h"
#include "app/crypt/engine/passrunner.h"
#include "app/crypt/progresswindow.h"
#include "app/platform/linuxplatform.h"
#include "tests/support/mainwindowtest.h"
#include "tests/support/passfiles.h"

#include <QtCore/QElapsedTimer>

#include <atomic>

class CryptCommandsTest : public MainWindowTest<LinuxPlatform> {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        setPassword(u"pw"_s);
    }

    ChosenFiles& list() { return chooser()->chosenFiles(); }

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
};

TEST_F(CryptCommandsTest, MenuItemsRunTheirCommandsWithThePasswordAndTheOptionTheWindowHolds) {
    const QString plain = makeFile(u"work/a.txt"_s, 100);
    const QByteArray content = readAll(plain);
    // The chosen list, the original deleted as the window starts.
    run(u"Enc1"_s, {plain});
    EXPECT_EQ(namesIn(m_work), QStringList{u"a.txt.vxp"_s});
    run(u"Dec1"_s, {vxp(plain)});
    EXPECT_EQ(namesIn(m_work), QStringList{u"a.txt"_s});
    // The shown files, the original kept.
    triggerAction(u"DELOLD"_s);
    run(u"Enc2"_s, {});
    EXPECT_EQ(namesIn(m_work), (QStringList{u"a.txt"_s, u"a.txt.vxp"_s}));
    ASSERT_TRUE(QFile::remove(plain));
    run(u"Dec2"_s, {});
    EXPECT_EQ(readAll(plain), content);
    EXPECT_TRUE(m_dialogs.boxes().isEmpty());
}

TEST_F(CryptCommandsTest, ExitDuringAPassStopsItAtOnceLikeCancel) {
    // A run makes the progress window and its runner.
    const auto makeRunner = [this](int i) { run(u"Enc1"_s, {makeFile(u"work/small%1.txt"_s.arg(i), 20)}); };
    makeRunner(0);
    enum class End { Closed, Signal, Exit };
    for (const End end : {End::Closed, End::Signal, End::Exit}) {
        SCOPED_TRACE(int(end));
        const QString plain = makeFile(u"work/big.bin"_s, 8 * CipherPass::BufferSize);
        const QByteArray content = readAll(plain);
        const QStringList names = namesIn(m_work);
        if (end == End::Signal) { // a new hot list, which a close asks to save; the chooser stays active
            triggerAction(u"NewList"_s);
            chooser()->setFocus();
        }
        // Once the first block is written the pass is held, as a click on Cancel holds it, and the
        // window is left.
        PassRunner& runner = *window().findChild<ProgressWindow*>(u"Progress"_s)->runner();
        QElapsedTimer sinceExit;
        std::atomic<bool> held = false;
        const QMetaObject::Connection holding = QObject::connect(
            &runner, &PassRunner::coverMoved, &runner,
            [&](double leftTwips) {
                if (leftTwips <= 0 || held.exchange(true))
                    return;
                runner.pause();
                QMetaObject::invokeMethod(&window(), [&] {
                    sinceExit.start();
                    end == End::Exit ? triggerAction(u"Ending"_s)
                                     : (end == End::Signal ? window().endOnSignal() : void(window().close()));
                });
            },
            Qt::DirectConnection);
        run(u"Enc1"_s, {plain}, QList<Dialogs::Answer>(int(end == End::Exit), Dialogs::Answer::Yes));
        QObject::disconnect(holding);
        ASSERT_TRUE(sinceExit.isValid());
        EXPECT_LT(sinceExit.elapsed(), 1000);
        EXPECT_EQ(m_processEnds, int(end) + 1);
        EXPECT_TRUE(readAll(plain) == content);
        EXPECT_EQ(namesIn(m_work), names) << "no output, nothing left behind";
        if (end != End::Exit) {
            openWindow(m_dialogs);
            setPassword(u"pw"_s);
            makeRunner(int(end) + 1);
        }
    }
}
