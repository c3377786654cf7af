/*
 * The worker: one thread that takes the files in order, prepares each, and commits the prepared
 * ones in batches. The lock that guards what the window's thread and the worker share is never
 * held while the worker touches a file, so the window's calls never wait on the disk.
 */
#include "app/crypt/engine/passrunner.h"

#include "app/crypt/engine/cipherpass.h"
#include "app/crypt/engine/passobserver.h"
#include "app/crypt/engine/strongkeys.h"
#include "app/fileio/asidefile.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Outcome = PassResult::Outcome;

// One pixel of the cover bar's track, in twips.
constexpr double CoverStep = 15;

} // namespace

class PassRunner::Worker : private PassObserver {
public:
    Worker(PassRunner& runner, Platform& platform, BatchLimits limits)
        : m_runner(runner)
        , m_pass(platform, *this)
        , m_limits(limits)
        , m_thread([this] { run(); }) {}

    ~Worker() override {
        {
            const std::lock_guard lock(m_mutex);
            m_ending = m_stopping = true;
            m_paused = false;
            cancelDerivations();
        }
        m_wake.notify_all();
        m_thread.join();
    }

    void submit(const FileTask& task) {
        {
            const std::lock_guard lock(m_mutex);
            m_queue.push_back(task);
        }
        m_wake.notify_all();
    }
    void settle() {
        {
            const std::lock_guard lock(m_mutex);
            m_settleAsked = true;
        }
        m_wake.notify_all();
    }
    void setPaused(bool paused) {
        {
            const std::lock_guard lock(m_mutex);
            m_paused = paused;
        }
        m_wake.notify_all();
    }
    void stop() {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
            m_paused = false;
            cancelDerivations();
        }
        m_wake.notify_all();
    }

private:
    // Under m_mutex: a pass waiting on a Strong key, and those handed over after it, return at once.
    void cancelDerivations() {
        if (m_keysInWork)
            m_keysInWork->cancel();
        for (const FileTask& task : m_queue)
            if (task.keys)
                task.keys->cancel();
    }

    // A file handed over, in order, with its prepared output until its batch is committed, or
    // the result it already has.
    struct Entry {
        FileTask task;
        CipherPass::PreparedFile prepared;
        PassResult result;
        // The partial output of a pass that stopped, dropped only once its end is reported: a stop
        // answers at once however large the file was.
        std::unique_ptr<AsideFile> unfinished;
    };

    void run() {
        std::unique_lock lock(m_mutex);
        while (true) {
            const bool holding = m_heldFiles > 0;
            const auto due = [&] { return m_ending || m_stopping || m_settleAsked || !m_queue.empty(); };
            if (holding)
                m_wake.wait_until(lock, m_batchStart + std::chrono::milliseconds(m_limits.workMs), due);
            else
                m_wake.wait(lock, due);

            if (m_stopping) {
                // Files not started yet are left as they are.
                for (FileTask& task : m_queue)
                    m_pending.push_back({std::move(task), nullptr, {Outcome::Cancelled, {}, {}}, nullptr});
                m_queue.clear();
            }
            if (!m_queue.empty()) {
                FileTask task = std::move(m_queue.front());
                m_queue.pop_front();
                m_keysInWork = task.keys;
                lock.unlock();
                prepare(std::move(task));
                lock.lock();
                m_keysInWork.reset();
                if (!batchFull())
                    continue;
            }
            if (!m_pending.empty() || m_settleAsked) {
                // Held outputs wait for more files until the batch is full, due or asked for.
                if (m_heldFiles > 0 && !batchFull() && !m_stopping && !m_settleAsked)
                    continue;
                std::deque<Entry> entries = std::exchange(m_pending, {});
                m_heldFiles = 0;
                m_heldBytes = 0;
                // A settle covers every file handed over before it, not just the batch that filled.
                if (m_queue.empty())
                    m_settleAsked = false;
                // A stop covers the files handed over before it, all of them in this batch once the
                // queue is empty: a file handed over after their ends belongs to the next run.
                if (m_stopping && m_queue.empty() && !m_ending)
                    m_stopping = false;
                lock.unlock();
                commit(entries);
                // Unfinished outputs go now, after their ends were reported, and without the lock.
                entries.clear();
                lock.lock();
            }
            if (m_ending && m_queue.empty() && m_pending.empty())
                return;
            // A stop with nothing left to end.
            if (m_stopping && m_queue.empty() && m_pending.empty())
                m_stopping = false;
        }
    }

    bool batchFull() const {
        return m_heldFiles >= m_limits.files || m_heldBytes >= m_limits.bytes ||
               (m_heldFiles > 0 && Clock::now() >= m_batchStart + std::chrono::milliseconds(m_limits.workMs));
    }

    // Called without the lock.
    void prepare(FileTask task) {
        emit m_runner.fileStarted(task.input);
        m_lastCover = 0;
        PassResult failure;
        std::unique_ptr<AsideFile> unfinished;
        const Clock::time_point started = Clock::now();
        CipherPass::PreparedFile prepared = m_pass.prepare(task, &failure, &unfinished);
        const std::lock_guard lock(m_mutex);
        if (prepared) {
            if (m_heldFiles++ == 0)
                m_batchStart = started;
            m_heldBytes += CipherPass::outputSize(*prepared);
        }
        m_pending.push_back({std::move(task), std::move(prepared), std::move(failure), std::move(unfinished)});
    }

    // Called without the lock: puts the prepared outputs in place and reports every entry in order.
    void commit(std::deque<Entry>& entries) {
        CipherPass::Batch batch;
        std::vector<Entry*> held;
        for (Entry& entry : entries) {
            if (!entry.prepared)
                continue;
            batch.push_back(std::move(entry.prepared));
            held.push_back(&entry);
        }
        std::vector<Descriptor> deletedInputs;
        const QList<PassResult> results = CipherPass::commit(batch, &deletedInputs);
        // The deleted files' blocks are freed as their last descriptors close, on another thread
        // while this one goes on with the next files; one batch of them at a time.
        if (m_closing.valid())
            m_closing.wait();
        m_closing = std::async(std::launch::async, [inputs = std::move(deletedInputs)]() mutable { inputs.clear(); });
        for (size_t i = 0; i < held.size(); ++i)
            held[i]->result = results.at(qsizetype(i));
        for (const Entry& entry : entries)
            emit m_runner.fileFinished(entry.task, entry.result);
        // Queued behind those ends to every receiver: settled must reach each one after them.
        QMetaObject::invokeMethod(
            &m_runner, [&runner = m_runner] { runner.settleIfDone(); }, Qt::QueuedConnection);
    }

    // PassObserver, on the worker's thread.
    void moveCover(double leftTwips) override {
        // Reported when the bar moves by a pixel or more, not once a buffer.
        if (leftTwips != 0 && std::abs(leftTwips - m_lastCover) < CoverStep)
            return;
        m_lastCover = leftTwips;
        emit m_runner.coverMoved(leftTwips);
    }
    bool cancelRequested() override {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return !m_paused || m_stopping; });
        return m_stopping;
    }

    PassRunner& m_runner;
    CipherPass m_pass;
    const BatchLimits m_limits;
    double m_lastCover = 0;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    // Shared with the window's thread, under m_mutex.
    std::deque<FileTask> m_queue;
    // The keys of the file in work, when it is at the Strong level.
    std::shared_ptr<KeyDeriver> m_keysInWork;
    bool m_settleAsked = false;
    bool m_paused = false;
    bool m_stopping = false;
    bool m_ending = false;
    // The worker's own, under m_mutex too so that run() reads them with the rest.
    std::deque<Entry> m_pending;
    int m_heldFiles = 0;
    qint64 m_heldBytes = 0;
    Clock::time_point m_batchStart;

    std::future<void> m_closing;
    std::thread m_thread;
};

PassRunner::PassRunner(Platform& platform, QObject* parent)
    : PassRunner(platform, BatchLimits{}, parent) {}

PassRunner::PassRunner(Platform& platform, BatchLimits limits, QObject* parent)
    : QObject(parent) {
    qRegisterMetaType<FileTask>();
    qRegisterMetaType<PassResult>();
    // Connected first, so every other receiver of a file's end finds it counted.
    connect(this, &PassRunner::fileFinished, this, &PassRunner::count);
    m_worker = std::make_unique<Worker>(*this, platform, limits);
}

PassRunner::~PassRunner() {
    m_worker.reset();
}

void PassRunner::submit(const FileTask& task) {
    ++m_submitted;
    m_worker->submit(task);
}

void PassRunner::settle() {
    if (!isSettled())
        m_worker->settle();
}

void PassRunner::pause() {
    m_worker->setPaused(true);
}

void PassRunner::resume() {
    m_worker->setPaused(false);
}

void PassRunner::stop() {
    m_worker->stop();
}

void PassRunner::count() {
    ++m_finished;
}

void PassRunner::settleIfDone() {
    if (!isSettled() || m_settledAt == m_finished)
        return;
    m_settledAt = m_finished;
    emit settled();
}
