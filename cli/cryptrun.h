/*
 * One encrypt or decrypt run of the command line. It gathers the files (walking folders with
 * -r), checks each as the window's commands do (the rules of FileChecks), hands the files that
 * pass to the pass runner and reports every file once, in the order given: on standard output
 * the files done, on standard error those skipped or failed and why. Ctrl-C stops the pass in
 * work at once through the runner, which leaves that file's input as it was and no output.
 */
#pragma once

#include "app/crypt/engine/encryptedformat.h"
#include "app/crypt/engine/filetask.h"
#include "app/crypt/engine/passresult.h"
#include "cli/progressline.h"
#include "common/expected.h"

#include <QtCore/QHash>
#include <QtCore/QObject>
#include <QtCore/QSet>
#include <QtCore/QStringList>

#include <optional>

class InterruptWatch;
class PassRunner;
class Platform;

class CryptRun : public QObject {
    Q_OBJECT

public:
    struct Options {
        bool encrypting = true;
        SecurityLevel level = SecurityLevel::High;
        bool deleteOriginal = false;
        bool recursive = false;
        bool force = false;
        bool json = false;
        bool quiet = false;
        // Names each file on standard error as its pass starts.
        bool verbose = false;
    };

    CryptRun(Platform& platform, const Options& options, QObject* parent = nullptr);

    // Runs over the paths with the password as typed; returns the exit status: 0 when every
    // file was done, 1 when some were skipped or failed, 130 when stopped by a signal.
    int run(const QStringList& paths, const QString& password, InterruptWatch& interrupts);

private:
    // One file handed to the runner, and what follows its pass.
    struct Handed {
        // The input and the output as the user named them.
        QString shownPath;
        QString shownOutput;
        qint64 bytes = 0;
    };

    // The files a path stands for: itself, or with -r the files below a folder.
    QStringList filesOf(const QString& path);
    // Checks one file and hands it to the runner, or reports why not.
    void handOver(const QString& shownPath, const QString& passwordField);
    // The pass for the file; fails with why it cannot be encrypted or decrypted.
    Expected<FileTask> taskFor(const QString& file, const QString& passwordField, Handed* handed);
    void passEnded(const FileTask& task, const PassResult& result);
    void report(const QString& path, const QString& output, qint64 bytes, const QString& outcome,
                const QString& message);
    void showProgress(double coverTwips);

    Platform& m_platform;
    Options m_options;
    PassRunner* m_runner;
    ProgressLine m_progress;
    QHash<QString, Handed> m_handed;
    // Absolute paths already met, so a file named twice is done once.
    QSet<QString> m_seen;
    qint64 m_bytesHanded = 0;
    qint64 m_bytesEnded = 0;
    qint64 m_bytesInWork = 0;
    bool m_anyNotDone = false;
    bool m_stopped = false;
};
