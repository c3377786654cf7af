/*
 * The checks, hand-over and reports of an encrypt or decrypt run.
 */
#include "cli/cryptrun.h"

#include "app/crypt/engine/cipherpass.h"
#include "app/crypt/engine/filechecks.h"
#include "app/crypt/engine/passobserver.h"
#include "app/crypt/engine/passrunner.h"
#include "app/crypt/engine/strongkeys.h"
#include "app/fileio/asidefile.h"
#include "app/fileio/fileio.h"
#include "app/platform/filenames.h"
#include "app/platform/interruptwatch.h"
#include "app/platform/platform.h"
#include "cli/console.h"
#include "common/secretwipe.h"

#include <QtCore/QDir>
#include <QtCore/QEventLoop>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QJsonObject>

#include <algorithm>
#include <cerrno>
#include <iterator>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using Outcome = PassResult::Outcome;

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
    case Outcome::WrongPassPhrase:
        return u"skipped"_s;
    default:
        return u"failed"_s;
    }
}

using WalkedFile = CryptRun::WalkedFile;

QByteArray joined(const QByteArray& folder, const char* name) {
    return folder + (folder.endsWith('/') ? "" : "/") + name;
}

QString folderProblem(const QString& what, int code) {
    return u"this folder cannot be "_s + what + u" ("_s + qt_error_string(code) +
           u"); the files in it are left as they were"_s;
}

// Adds the files below an open folder that the run works on (its own outputs and files written
// aside left out), and every entry that cannot be opened, listed or named. Each subfolder is
// opened from its parent's descriptor, never through a link: links, like named pipes and
// devices, are neither followed nor taken as files.
void walkFolder(Descriptor opened, const QByteArray& path, bool encrypting, std::vector<WalkedFile>* found) {
    const auto folder = std::make_shared<const Descriptor>(std::move(opened));
    const auto problem = [found](const QByteArray& entry, const QString& why) {
        found->push_back({entry, nullptr, why});
    };
    // The listing reads through a descriptor of its own, which closedir closes.
    Descriptor listing(::fcntl(folder->fd(), F_DUPFD_CLOEXEC, 0));
    DIR* dir = listing.isOpen() ? ::fdopendir(listing.fd()) : nullptr;
    if (!dir) {
        problem(path, folderProblem(u"listed"_s, errno));
        return;
    }
    listing.release();
    QList<QByteArray> subfolders;
    errno = 0;
    for (const dirent* entry; (entry = ::readdir(dir)) != nullptr; errno = 0) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        struct stat info;
        bool isFolder = entry->d_type == DT_DIR;
        bool isFile = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN) {
            if (::fstatat(folder->fd(), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                problem(joined(path, entry->d_name), u"cannot be read: "_s + qt_error_string(errno));
                continue;
            }
            isFolder = S_ISDIR(info.st_mode);
            isFile = S_ISREG(info.st_mode);
        }
        if (isFolder)
            subfolders << name;
        else if (!isFile || AsideFile::isTemporaryName(name) ||
                 FileChecks::hasEncryptedEnding(QFile::decodeName(name)) == encrypting)
            continue;
        else if (!FileNames::survivesDecoding(name))
            problem(joined(path, entry->d_name), Console::unusableNameText());
        else
            found->push_back({joined(path, entry->d_name), folder, {}});
    }
    const int listError = errno;
    ::closedir(dir);
    if (listError != 0)
        problem(path, folderProblem(u"listed"_s, listError));
    for (const QByteArray& name : std::as_const(subfolders)) {
        const QByteArray subpath = joined(path, name.constData());
        if (!FileNames::survivesDecoding(name)) {
            problem(subpath, Console::unusableNameText());
            continue;
        }
        Descriptor subfolder(::openat(folder->fd(), name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!subfolder.isOpen())
            problem(subpath, folderProblem(u"opened"_s, errno));
        else
            walkFolder(std::move(subfolder), subpath, encrypting, found);
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

CryptRun::~CryptRun() = default;

bool CryptRun::looksStrong(const WalkedFile& file) {
    const QString path = QFile::decodeName(file.path);
    const Expected<Descriptor> opened =
        file.folder ? FileIo::openInFolder(file.folder->fd(), path) : FileIo::openForReading(path);
    char first[9];
    return opened && ::pread(opened->fd(), first, sizeof first, 0) == qint64(sizeof first) &&
           StrongFormat::isStrong(QByteArrayView(first, sizeof first));
}

int CryptRun::run(const QList<QByteArray>& paths, const Secrets& secrets, InterruptWatch& interrupts) {
    connect(&interrupts, &InterruptWatch::interrupted, this, [this] {
        m_stopped = true;
        m_runner->stop();
    });
    std::vector<WalkedFile> files;
    for (const QByteArray& path : paths)
        std::ranges::move(filesOf(path), std::back_inserter(files));
    bool anyStrong = m_options.encrypting && m_options.level == SecurityLevel::Strong;
    bool anyOther = m_options.encrypting && !anyStrong;
    if (!m_options.encrypting) {
        for (const WalkedFile& file : files) {
            if (!file.problem.isEmpty() || !FileChecks::hasEncryptedEnding(QFile::decodeName(file.path)))
                continue;
            (looksStrong(file) ? anyStrong : anyOther) = true;
        }
        // As for any run without a Strong file, the password is asked even when no file needs it.
        anyOther = anyOther || !anyStrong;
    }
    QString password;
    // Wiped once the run is over, when the runner holds no task with it any more.
    const Secret::WipedOnExit wipePassword(password);
    if (anyOther) {
        Expected<QString, int> typed = secrets.password();
        if (!typed)
            return typed.error();
        password = *std::move(typed);
    }
    if (anyStrong) {
        Expected<SecretBuffer, int> phrase = secrets.passPhrase();
        if (!phrase)
            return phrase.error();
        m_keys = std::make_shared<KeyDeriver>(*std::move(phrase));
        m_derivation = StrongFormat::newRun();
    }
    QString passwordField = EncryptedFormat::passwordFieldOf(password);
    const Secret::WipedOnExit wipeField(passwordField);
    for (const WalkedFile& file : files) {
        if (InterruptWatch::hasFired())
            break;
        if (!file.problem.isEmpty()) {
            reportBytes(file.path, QString(), 0, u"skipped"_s, file.problem);
            continue;
        }
        handOver(QFile::decodeName(file.path), passwordField, file.folder);
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
        return 128 + InterruptWatch::firedSignal();
    }
    return m_anyNotDone ? 1 : 0;
}

std::vector<WalkedFile> CryptRun::filesOf(const QByteArray& path) const {
    // The bytes of a name that is not UTF-8 cannot be carried through the checks and the pass.
    if (!FileNames::survivesDecoding(path))
        return {{path, nullptr, Console::unusableNameText()}};
    if (!m_options.recursive)
        return {{path, nullptr, {}}};
    // The folder named is opened as the user named it but for a last link, which -r does not
    // follow: that, a file or a missing path is checked as a file, and refused there if need be.
    Descriptor folder(::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.isOpen()) {
        if (errno == ENOTDIR || errno == ELOOP || errno == ENOENT)
            return {{path, nullptr, {}}};
        return {{path, nullptr, folderProblem(u"opened"_s, errno)}};
    }
    std::vector<WalkedFile> files;
    walkFolder(std::move(folder), path, m_options.encrypting, &files);
    std::ranges::sort(files, {}, &WalkedFile::path);
    return files;
}

void CryptRun::handOver(const QString& shownPath, const QString& passwordField,
                        std::shared_ptr<const Descriptor> folder) {
    const QString file = QDir::cleanPath(QDir::current().absoluteFilePath(shownPath));
    if (m_seen.contains(file))
        return;
    m_seen.insert(file);
    Handed handed{
        shownPath,
        m_options.encrypting ? EncryptedFormat::encryptedName(shownPath) : EncryptedFormat::plainName(shownPath), 0};
    const Expected<FileTask> accepted = taskFor(file, passwordField, &handed, std::move(folder));
    if (!accepted) {
        report(shownPath, QString(), handed.bytes, u"skipped"_s, accepted.error().message);
        return;
    }
    const FileTask& task = *accepted;
    m_handed.insert(task.input, handed);
    m_bytesHanded += handed.bytes;
    m_runner->submit(task);
}

Expected<FileTask> CryptRun::taskFor(const QString& file, const QString& passwordField, Handed* handed,
                                     std::shared_ptr<const Descriptor> folder) {
    if (!FileNames::usable(file))
        return unexpected({Console::unusableNameText()});
    // The folder is opened once, following the links the path names; the checks below and the
    // pass look names up in it, so a folder swapped for a link meanwhile leads nowhere else.
    if (!folder) {
        std::weak_ptr<const Descriptor>& known = m_folders[QFileInfo(file).absolutePath()];
        folder = known.lock();
        if (!folder) {
            Expected<std::shared_ptr<const Descriptor>> opened = FileIo::sharedFolderOf(file);
            if (!opened)
                return unexpected(std::move(opened).error());
            folder = std::move(*opened);
            known = folder;
        }
    }
    const int folderFd = folder->fd();
    const auto lookUp = [folderFd](const QString& path, struct stat* info, int flags = AT_SYMLINK_NOFOLLOW) {
        return ::fstatat(folderFd, FileIo::nameOf(path).constData(), info, flags) == 0;
    };
    struct stat input;
    FileTask task;
    // Decrypting: the attribute value the header saved.
    quint8 saved = 0;
    if (!lookUp(file, &input))
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
        // Files of any length are encrypted at the Strong level.
        if (m_options.level != SecurityLevel::Strong && FileChecks::isTooShort(input.st_size))
            return unexpected({u"too short to encrypt (under 11 bytes)"_s});
        if (FileChecks::isTooLong(file))
            return unexpected({u"the path is longer than 240 characters; move or rename the file"_s});
        task = FileTask::encryption(m_options.level, file, passwordField, m_options.deleteOriginal);
        task.keys = m_keys;
        task.derivation = m_derivation;
    } else {
        if (!FileChecks::hasEncryptedEnding(file))
            return unexpected({u"not an encrypted file (its name does not end with .vxp)"_s});
        if (FileChecks::isTooShort(input.st_size))
            return unexpected({u"too short to be an encrypted file (under 11 bytes)"_s});
        const Expected<EncryptedHeader> header = CipherPass::readHeader(file, folderFd);
        if (!header)
            return unexpected(header.error());
        // The pass reads and checks a Strong header with the pass phrase.
        if (header->isStrong() && !m_keys)
            return unexpected({u"a strong file appeared after the pass phrase was asked, left untouched"_s});
        if (header->isStrong()) {
            task = FileTask::decryption(SecurityLevel::Strong, file, EncryptedFormat::plainName(file), std::nullopt,
                                        m_options.deleteOriginal, QString());
            task.keys = m_keys;
        } else if (!FileChecks::passwordMatches(*header, passwordField))
            return unexpected({u"wrong password, left untouched"_s});
        else if (!header->level())
            return unexpected({u"the header is damaged (unknown level), left untouched"_s});
        else {
            saved = header->savedAttributes;
            task = FileTask::decryption(*header->level(), file, EncryptedFormat::plainName(file), saved,
                                        m_options.deleteOriginal, passwordField);
        }
    }

    struct stat output;
    const bool replacing = lookUp(task.output, &output);
    if (replacing) {
        struct stat target;
        const bool leadsToInput =
            lookUp(task.output, &target, 0) && target.st_dev == input.st_dev && target.st_ino == input.st_ino;
        if ((output.st_dev == input.st_dev && output.st_ino == input.st_ino) || leadsToInput)
            return unexpected({u"the output "_s + handed->shownOutput + u" is the input itself"_s});
        if (!m_options.force)
            return unexpected({handed->shownOutput + u" already exists (give --force to replace it)"_s});
        if (!S_ISREG(output.st_mode))
            return unexpected({handed->shownOutput + u" exists and is not a regular file"_s});
        // --force replaces this very file, and nothing that takes its name meanwhile.
        task.replaces = std::pair(output.st_dev, output.st_ino);
    }
    FileChecks::giveCommandAttributes(task, FileChecks::Command::ChosenList, replacing, saved);
    task.folder = std::move(folder);
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
    case Outcome::WrongPassPhrase:
        message = u"wrong pass phrase, left untouched"_s;
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
    reportBytes(QFile::encodeName(path), output, bytes, outcome, message);
}

void CryptRun::reportBytes(const QByteArray& path, const QString& output, qint64 bytes, const QString& outcome,
                           const QString& message) {
    m_progress.clear();
    const bool done = outcome == u"done"_s;
    if (!done)
        m_anyNotDone = true;
    const QString shown = Console::nameText(path);
    if (m_options.json) {
        QJsonObject line{{u"path"_s, QString::fromUtf8(path)},
                         {u"output"_s, output},
                         {u"bytes"_s, bytes},
                         {u"outcome"_s, outcome},
                         {u"message"_s, message}};
        // A name that is not UTF-8 reads with U+FFFD in "path"; its exact bytes come beside it.
        if (!FileNames::survivesDecoding(path))
            line.insert(u"path_base64"_s, QString::fromLatin1(path.toBase64()));
        Console::result(Console::jsonLine(line));
    } else if (!output.isEmpty()) {
        Console::result(shown + u" -> "_s + output);
    }
    // Stopped files are summed up once at the end of the run.
    if (!message.isEmpty() && outcome != u"stopped"_s)
        Console::message(shown + u": "_s + message);
}

void CryptRun::showProgress(double coverTwips) {
    const double fraction = std::clamp(coverTwips / PassObserver::CoverTrack, 0.0, 1.0);
    m_progress.update(m_bytesEnded + qint64(fraction * double(m_bytesInWork)));
}
