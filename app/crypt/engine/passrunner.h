/*
 * Runs the passes of a command on a worker thread, so the window's thread never waits on the disk.
 * The command hands over one file at a time (submit) and goes on; the worker prepares each file's
 * output and puts complete outputs in place in batches (CipherPass::prepare and commit), so that
 * many small files reach the disk with one flush. A batch is committed when it holds 256 files,
 * 64 MiB or a quarter of a second of work, when no further file comes within that quarter second,
 * when the command asks (settle, before every question or message it shows) and when the run
 * stops. An original is deleted only after its batch is on disk, so a crash loses at most the
 * unfinished outputs of one batch and never an original.
 *
 * Every file handed over gets exactly one fileFinished, in the order handed over, once its batch
 * is committed; settled follows whenever every file handed over has had its fileFinished. While
 * the user is asked whether to cancel, pause() holds the worker at its next look (at least every
 * buffer); stop() ends the file in work as Cancelled (its partial output dropped, or at once while
 * it waits for its Strong key: the run's key derivation is cancelled), commits the complete
 * outputs held and ends the files not yet started as Cancelled without touching them.
 * The runner and its signals belong to the thread that made it; only the worker touches files.
 */
#pragma once

#include "app/crypt/engine/filetask.h"
#include "app/crypt/engine/passresult.h"

#include <QtCore/QObject>
#include <QtCore/QString>

#include <memory>

class Platform;

class PassRunner : public QObject {
    Q_OBJECT

public:
    // When the worker commits what it holds without being asked.
    struct BatchLimits {
        int files = 256;
        qint64 bytes = qint64(64) << 20;
        int workMs = 250;
    };

    explicit PassRunner(Platform& platform, QObject* parent = nullptr);
    PassRunner(Platform& platform, BatchLimits limits, QObject* parent = nullptr);
    // Stops what runs and waits for the worker: complete outputs are put in place first.
    ~PassRunner() override;

    void submit(const FileTask& task);
    // Every file handed over has had its fileFinished.
    bool isSettled() const { return m_finished == m_submitted; }
    // Asks the worker to commit what it holds once the files handed over are done; settled is
    // emitted when every one has its outcome. Nothing happens when every one has it already.
    void settle();

    void pause();
    void resume();
    void stop();

signals:
    // The worker starts on a file.
    void fileStarted(const QString& input);
    // The cover bar's position in twips for the file in work (see PassObserver).
    void coverMoved(double leftTwips);
    void fileFinished(const FileTask& task, const PassResult& result);
    void settled();

private:
    void count();
    // Posted by the worker after the fileFinished of each batch, so it comes after every receiver's.
    void settleIfDone();

    class Worker;
    std::unique_ptr<Worker> m_worker;
    qint64 m_submitted = 0;
    qint64 m_finished = 0;
    // m_finished when settled was last emitted.
    qint64 m_settledAt = 0;
};
