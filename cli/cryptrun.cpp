/*
 * The checks, hand-over and reports of an encrypt or decrypt run.
 */
#include "cli/cryptrun.h"

#include "app/crypt/engine/cipherpass.h"
#include "app/crypt/engine/filechecks.h"
#include "app/crypt/engine/passobserver.h"
#include "app/crypt/engine/passrunner.h"
#include "app/fileio/asidefile.h"
#include "app/fileio/fileio.h"
#include "app/platform/filenames.h"
#include "app/platform/platform.h"
#include "cli/console.h"
#include "cli/interruptwatch.h"

#include <QtCore/QDir>
#include <QtCore/QDirIterator>
#include <QtCore/QEventLoop>
#include <QtCore/QFile>
#include <QtCore/QJsonDocument>
#include <QtCore/QJsonObject>

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

using Outcome = PassResult::Outcome;

bool lstatOf(const QString& path, struct stat* info) {
    return ::lstat(QFile::encodeName(path).constData(), info) == 0;
}

QString sizeInBytes(qint64 bytes) {
    return QString::number(bytes) + u" bytes"_s;
}

QString outcomeName(Outcome outcome) {
    switch (outcome) {
    case Outcome::Succeeded:
        return u"done"_s;
    case Outcome::OriginalKept:
        return u"original-kept"_s;
    case Outcome::Cancelled:
        return u"stopped"_s;
    default:
        return u"failed"_s;
    }
}

} // namespace

CryptRun::CryptRun(Platform& platform, const Options& options, QObject* parent)
    : QObject(parent)
    , m_platform(platform)
    , m_options(options)
    , m_runner(new PassRunner(platform, this))
    , m_progress(Console::errorIsTerminal() && !options.quiet) {
    connect(m_runner, &PassRunner::fileFinished, this, &CryptRun::passEnded);
    connect(m_runner, &PassRunner::fileStarted, this, [this](const QString& input) {
        m_bytesInWork = m_handed.value(input).bytes;
        if (m_options.verbose) {
            m_progress.clear();
            Console::message((m_options.encrypting ? u"encrypting "_s : u"decrypting "_s) +
                             m_handed.value(input).shownPath);
        }
    });
    connect(m_runner, &PassRunner::coverMoved, this, &CryptRun::showProgress);
}

int CryptRun::run(const QStringList& paths, const QString& password, InterruptWatch& interrupts) {
    connect(&interrupts, &InterruptWatch::interrupted, this, [this] {
        m_stopped = true;
        m_runner->stop();
    });
    const QString passwordField = EncryptedFormat::passwordFieldOf(password);
    for (const QString& path : paths) {
        for (const QString& file : filesOf(path)) {
            if (InterruptWatch::hasFired())
                break;
            handOver(file, passwordField);
        }
    }
    m_progress.setTotal(m_bytesHanded);
    if (InterruptWatch::hasFired()) {
        m_stopped = true;
        m_runner->stop();
    }
    if (!m_runner->isSettled()) {
        QEventLoop loop;
        connect(m_runner, &PassRunner::settled, &loop, &QEventLoop::quit);
        m_runner->settle();
        loop.exec();
    }
    m_progress.clear();
    if (m_stopped) {
        Console::message(u"stopped: the file in work and those after it were left as they were"_s);
        return 130;
    }
    return m_anyNotDone ? 1 : 0;
}

QStringList CryptRun::filesOf(const QString& path) {
    struct stat info;
    if (!m_options.recursive || !lstatOf(path, &info) || !S_ISDIR(info.st_mode))
        return {path};
    // Links are neither followed into folders nor taken as files; named pipes and devices are
    // left out with them.
    QDirIterator walk(path, QDir::Files | QDir::Hidden | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    QStringList files;
    while (walk.hasNext()) {
        const QString file = walk.next();
        const QString name = walk.fileName();
        if (AsideFile::isTemporaryName(QFile::encodeName(name)))
            continue;
        if (FileChecks::hasEncryptedEnding(name) == m_options.encrypting)
            continue;
        files << file;
    }
    std::sort(files.begin(), files.end());
    return files;
}

void CryptRun::handOver(const QString& shownPath, const QString& passwordField) {
    const QString file = QDir::cleanPath(QDir::current().absoluteFilePath(shownPath));
    if (m_seen.contains(file))
        return;
    m_seen.insert(file);
    Handed handed{
        shownPath,
        m_options.encrypting ? EncryptedFormat::encryptedName(shownPath) : EncryptedFormat::plainName(shownPath), 0};
    const Expected<FileTask> accepted = taskFor(file, passwordField, &handed);
    if (!accepted) {
        report(shownPath, QString(), handed.bytes, u"skipped"_s, accepted.error().message);
        return;
    }
    const FileTask& task = *accepted;
    m_handed.insert(task.input, handed);
    m_bytesHanded += handed.bytes;
    m_runner->submit(task);
}

Expected<FileTask> CryptRun::taskFor(const QString& file, const QString& passwordField, Handed* handed) {
    if (!FileNames::usable(file))
        return unexpected({Console::unusableNameText()});
    struct stat input;
    FileTask task;
    // Decrypting: the attribute value the header saved.
    quint8 saved = 0;
    if (!lstatOf(file, &input))
        return FileIo::failWithErrno();
    if (S_ISLNK(input.st_mode))
        return unexpected({u"a symbolic link, left untouched"_s});
    if (S_ISDIR(input.st_mode))
        return unexpected({u"a folder (give -r to work through it)"_s});
    if (!S_ISREG(input.st_mode))
        return unexpected({u"not a regular file"_s});
    handed->bytes = input.st_size;

    if (m_options.encrypting) {
        if (FileChecks::hasEncryptedEnding(file))
            return unexpected({u"already encrypted (its name ends with .vxp)"_s});
        if (FileChecks::isTooShort(input.st_size))
            return unexpected({u"too short to encrypt (under 11 bytes)"_s});
        if (FileChecks::isTooLong(file))
            return unexpected({u"the path is longer than 240 characters; move or rename the file"_s});
        task = FileTask::encryption(m_options.level, file, passwordField, m_options.deleteOriginal);
    } else {
        if (!FileChecks::hasEncryptedEnding(file))
            return unexpected({u"not an encrypted file (its name does not end with .vxp)"_s});
        if (FileChecks::isTooShort(input.st_size))
            return unexpected({u"too short to be an encrypted file (under 11 bytes)"_s});
        const Expected<EncryptedHeader> header = CipherPass::readHeader(file);
        if (!header)
            return unexpected(header.error());
        if (!FileChecks::passwordMatches(*header, passwordField))
            return unexpected({u"wrong password, left untouched"_s});
        if (!header->level())
            return unexpected({u"the header is damaged (unknown level), left untouched"_s});
        saved = header->savedAttributes;
        task = FileTask::decryption(*header->level(), file, EncryptedFormat::plainName(file), saved,
                                    m_options.deleteOriginal);
    }

    struct stat output;
    const bool replacing = lstatOf(task.output, &output);
    if (replacing) {
        struct stat target;
        const bool leadsToInput = ::stat(QFile::encodeName(task.output).constData(), &target) == 0 &&
                                  target.st_dev == input.st_dev && target.st_ino == input.st_ino;
        if ((output.st_dev == input.st_dev && output.st_ino == input.st_ino) || leadsToInput)
            return unexpected({u"the output "_s + handed->shownOutput + u" is the input itself"_s});
        if (!m_options.force)
            return unexpected({handed->shownOutput + u" already exists (give --force to replace it)"_s});
        if (!S_ISREG(output.st_mode))
            return unexpected({handed->shownOutput + u" exists and is not a regular file"_s});
    }
    FileChecks::giveCommandAttributes(task, FileChecks::Command::ChosenList, replacing, saved);
    const qint64 free = m_platform.freeSpace(file);
    if (input.st_size > free)
        return unexpected({u"not enough free space: "_s + sizeInBytes(input.st_size) + u" needed, "_s +
                           sizeInBytes(free) + u" available"_s});
    return task;
}

void CryptRun::passEnded(const FileTask& task, const PassResult& result) {
    const Handed handed = m_handed.take(task.input);
    m_bytesEnded += handed.bytes;
    m_bytesInWork = 0;
    const bool inPlace = result.outcome == Outcome::Succeeded || result.outcome == Outcome::OriginalKept;

    QString message;
    switch (result.outcome) {
    case Outcome::Succeeded:
        message = result.notice;
        break;
    case Outcome::Incomplete:
        message = u"could not be processed completely, left untouched"_s;
        break;
    case Outcome::UnknownLevel:
        message = u"the header is damaged (unknown level), left untouched"_s;
        break;
    case Outcome::Cancelled:
        message = u"stopped, left as it was"_s;
        break;
    default:
        message = result.error;
        break;
    }
    report(handed.shownPath, inPlace ? handed.shownOutput : QString(), handed.bytes, outcomeName(result.outcome),
           message);
}

void CryptRun::report(const QString& path, const QString& output, qint64 bytes, const QString& outcome,
                      const QString& message) {
    m_progress.clear();
    const bool done = outcome == u"done"_s;
    if (!done)
        m_anyNotDone = true;
    if (m_options.json) {
        const QJsonObject line{{u"path"_s, path},
                               {u"output"_s, output},
                               {u"bytes"_s, bytes},
                               {u"outcome"_s, outcome},
                               {u"message"_s, message}};
        Console::result(QString::fromUtf8(QJsonDocument(line).toJson(QJsonDocument::Compact)));
    } else if (!output.isEmpty()) {
        Console::result(path + u" -> "_s + output);
    }
    // Stopped files are summed up once at the end of the run.
    if (!message.isEmpty() && outcome != u"stopped"_s)
        Console::message(path + u": "_s + message);
}

void CryptRun::showProgress(double coverTwips) {
    const double fraction = std::clamp(coverTwips / PassObserver::CoverTrack, 0.0, 1.0);
    m_progress.update(m_bytesEnded + qint64(fraction * double(m_bytesInWork)));
}
