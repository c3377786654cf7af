/*
 * One encrypt or decrypt run of the command line. It gathers the files (walking folders with
 * -r), checks each as the window's commands do (the rules of FileChecks), hands the files that
 * pass to the pass runner and reports every file once, in the order given: on standard output
 * the files done, on standard error those skipped or failed and why. A stop signal (Ctrl-C,
 * SIGTERM, SIGHUP, ...) stops the pass in work at once through the runner, which puts the complete
 * outputs in place and leaves that file's input as it was and no output.
 */
#pragma once

#include "app/crypt/engine/encryptedformat.h"
#include "app/crypt/engine/filetask.h"
#include "app/crypt/engine/passresult.h"
#include "app/crypt/engine/secretbuffer.h"
#include "app/crypt/engine/strongformat.h"
#include "app/fileio/descriptor.h"
#include "cli/progressline.h"
#include "common/expected.h"

#include <QtCore/QHash>
#include <QtCore/QObject>
#include <QtCore/QSet>
#include <QtCore/QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class InterruptWatch;
class KeyDeriver;
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
    ~CryptRun() override;

    // Where the run takes its secrets from, asked only for the files that need them, once: the
    // password as typed, and a Strong file's pass phrase taken by its rules. Each fails with the
    // exit status to end the run with.
    struct Secrets {
        std::function<Expected<QString, int>()> password;
        std::function<Expected<SecretBuffer, int>()> passPhrase;
    };

    // Runs over the paths (their exact bytes, as given); returns the exit status: 0 when every
    // file was done, 1 when some were skipped or failed, 128 + the signal's number when stopped
    // by one. Encrypting asks for the secret of its level; decrypting asks for the pass phrase
    // when a Strong file is among the files, and for the password unless all are Strong.
    int run(const QList<QByteArray>& paths, const Secrets& secrets, InterruptWatch& interrupts);

    // A path the run meets: a file to check and hand over, with the folder a -r walk found it in
    // (opened from its parent's descriptor and held open: the folder its pass works in), or an
    // entry that cannot be opened, listed or named, with why.
    struct WalkedFile {
        QByteArray path;
        std::shared_ptr<const Descriptor> folder;
        QString problem;
    };

private:
    // One file handed to the runner, and what follows its pass.
    struct Handed {
        // The input and the output as the user named them.
        QString shownPath;
        QString shownOutput;
        qint64 bytes = 0;
    };

    // The files a path stands for, sorted: itself, or with -r the files below a folder and every
    // entry there that cannot be opened, listed or named.
    std::vector<WalkedFile> filesOf(const QByteArray& path) const;
    // Checks one file and hands it to the runner, or reports why not. folder, when given, is the
    // file's folder already open (a walk opens each from its parent).
    void handOver(const QString& shownPath, const QString& passwordField,
                  std::shared_ptr<const Descriptor> folder = {});
    // The pass for the file, checked in its folder (opened here unless given) and bound to it;
    // fails with why it cannot be encrypted or decrypted.
    Expected<FileTask> taskFor(const QString& file, const QString& passwordField, Handed* handed,
                               std::shared_ptr<const Descriptor> folder = {});
    void passEnded(const FileTask& task, const PassResult& result);
    void report(const QString& path, const QString& output, qint64 bytes, const QString& outcome,
                const QString& message);
    // Reports a path by its exact bytes, which need not be UTF-8.
    void reportBytes(const QByteArray& path, const QString& output, qint64 bytes, const QString& outcome,
                     const QString& message);
    void showProgress(double coverTwips);
    // Whether a file to decrypt is a Strong one (a glance at its level byte; the pass checks it).
    static bool looksStrong(const WalkedFile& file);

    Platform& m_platform;
    Options m_options;
    PassRunner* m_runner;
    ProgressLine m_progress;
    QHash<QString, Handed> m_handed;
    // Absolute paths already met, so a file named twice is done once.
    QSet<QString> m_seen;
    // The folders of the files named, each opened once by its path while tasks in it are held.
    QHash<QString, std::weak_ptr<const Descriptor>> m_folders;
    qint64 m_bytesHanded = 0;
    qint64 m_bytesEnded = 0;
    qint64 m_bytesInWork = 0;
    // The run's Strong keys and, encrypting, its salt and costs (one derivation for the run).
    std::shared_ptr<KeyDeriver> m_keys;
    DerivationParams m_derivation;
    bool m_anyNotDone = false;
    bool m_stopped = false;
};
