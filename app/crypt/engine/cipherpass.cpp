/*
 * The passes. Every one runs the same way, in the folder its task was checked in: open the input
 * there (a regular file, never through a link, never blocking) and lock it; for a decryption,
 * compare the header it holds with the one checked; write the header and the transformed body to
 * a new file beside the output, buffer by buffer, asking the observer between buffers and at
 * least every 50 ms while the disk keeps up; keep the data on its way to disk as the pass goes
 * (write-behind); give the new file its permissions and attributes; check that it has exactly the
 * length the format gives. That is a prepared file. Committing a batch of them flushes them,
 * checks that each input is still the file read, unchanged, puts each output in place (replacing
 * only the file the user agreed to), flushes the folders, and only after that deletes the inputs
 * that were to go. POSIX calls are used directly so that every failure carries the system's own
 * description.
 */
#include "app/crypt/engine/cipherpass.h"

#include "app/crypt/engine/strongkeys.h"
#include "app/crypt/engine/strongstream.h"
#include "app/fileio/asidefile.h"
#include "app/fileio/fileio.h"
#include "app/fileio/passlock.h"
#include "app/platform/attributes.h"
#include "app/platform/platform.h"

#include <QtCore/QElapsedTimer>

#include <algorithm>
#include <cerrno>
#include <map>
#include <set>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The slack the cover's formula adds to the input length.
constexpr qint64 CoverSlack = 40;
constexpr qint64 ObserverIntervalMs = 50;

using Outcome = PassResult::Outcome;

PassResult failed(const QString& error) {
    return {Outcome::Failed, error, {}};
}
PassResult systemFailure() {
    return failed(FileIo::errorText(errno));
}

// The codes with which a file system says that it cannot do a flush operation at all.
bool unsupported(int code) {
    return code == EINVAL || code == ENOSYS || code == ESPIPE || code == EOPNOTSUPP;
}

// Starts the write-back of every buffer as soon as it is written and waits for the data written a
// window earlier. Dirty data stays bounded, so the progress follows the disk, Cancel is seen
// while the disk is still busy and the final fsync has little left to do; without it a pass could
// race through the page cache and then sit in fsync, deaf to Cancel, for as long as the disk needs.
// A file within the first window is left to the batch's one flush, which writes many small files
// together far faster than one write-back each.
class WriteBehind {
public:
    // Small enough that a stopped pass drops its file quickly (closing it waits for the write-back
    // under way), large enough to keep the disk busy.
    static constexpr qint64 Window = 8 * CipherPass::BufferSize;

    explicit WriteBehind(int fd)
        : m_fd(fd) {}

    // After [offset, offset + size) was written. False with errno set when the write-back failed:
    // the error is reported here, as a later fsync would no longer report it.
    bool written(qint64 offset, qint64 size) {
        if (!m_supported || offset + size <= Window)
            return true;
        const qint64 settled = offset + size - Window;
        if (::sync_file_range(m_fd, offset, size, SYNC_FILE_RANGE_WRITE) == 0 &&
            (settled <= m_waitedUpTo || ::sync_file_range(m_fd, m_waitedUpTo, settled - m_waitedUpTo,
                                                          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                                              SYNC_FILE_RANGE_WAIT_AFTER) == 0)) {
            m_waitedUpTo = std::max(m_waitedUpTo, settled);
            return true;
        }
        // A file system that cannot do this gets its data to disk through the final fsync.
        if (!unsupported(errno))
            return false;
        m_supported = false;
        return true;
    }

private:
    int m_fd;
    bool m_supported = true;
    qint64 m_waitedUpTo = 0;
};

// Who owns an output and what access it has. The user running the pass owns it, except that root
// working on another account's file gives it to that file's owner and group, so nothing changes
// hands. It has the input's read bits and, encrypting, its write bits; a decrypted file has the
// user's write bit instead, as a ".vxp" made read-only by its level keeps none. A new name limits
// them by the umask, a replaced file by its own bits; never execute, set-id or sticky bits.
struct OutputAccess {
    mode_t mode;
    // Root's output for another account: its owner.
    std::optional<uid_t> owner;

    OutputAccess(const FileTask& task, const struct stat& input, const struct stat* replaced) {
        constexpr mode_t Read = S_IRUSR | S_IRGRP | S_IROTH;
        constexpr mode_t Write = S_IWUSR | S_IWGRP | S_IWOTH;
        // The program never changes its umask: read once.
        static const mode_t umask = FileIo::processUmask().value_or(S_IWGRP | S_IWOTH);
        const mode_t write = task.encrypting() ? input.st_mode & Write : S_IWUSR;
        mode = ((input.st_mode & Read) | write) & (replaced ? replaced->st_mode : ~umask);
        if (::geteuid() == 0 && input.st_uid != 0)
            owner = input.st_uid;
    }
    // Root does not give another account's output the name of a file a third account owns.
    bool mayReplace(const struct stat& replaced) const { return !owner || replaced.st_uid == *owner; }

    // Root's new file for another account is that account's from the moment it is made, so that
    // not even what a killed pass leaves behind changes hands. Errors ignored, as below.
    void claim(int fd, const struct stat& input) const {
        if (owner)
            ::fchown(fd, *owner, input.st_gid);
    }
    // Gives the new file, made as made says, this access and the input's group where the user
    // may set it; where it cannot, its group is not the input's and gets no access. Errors
    // ignored: a file system that keeps no permissions leaves the new file as it was made,
    // private to its owner.
    void give(int fd, const struct stat& made, const struct stat& input) const {
        mode_t given = mode;
        if (made.st_gid != input.st_gid && ::fchown(fd, uid_t(-1), input.st_gid) != 0)
            given &= ~S_IRWXG;
        if ((made.st_mode & 07777) != given)
            ::fchmod(fd, given);
    }
};

// The input's attributes around a pass. Before the pass reads, the input gets the Archive mark
// where that changes nothing else: never on a read-only file, whose permission bits stay as they
// are (a user attribute takes write permission). A pass that puts no output in place takes the
// mark off again, through the descriptor it read the input by.
class InputMarks {
public:
    InputMarks(Platform& platform, int fd, quint32 attributes)
        : m_platform(platform)
        , m_fd(fd)
        , m_attributes(attributes)
        , m_marked(!(attributes & (Attr::ReadOnly | Attr::Archive)) &&
                   platform.setOpenFileAttributes(fd, attributes | Attr::Archive)) {}
    ~InputMarks() {
        if (m_fd >= 0 && m_marked)
            m_platform.setOpenFileAttributes(m_fd, m_attributes);
    }
    InputMarks(const InputMarks&) = delete;
    InputMarks& operator=(const InputMarks&) = delete;
    // The output is in place and the input stays: it gets value, or without one what it had.
    void keep(std::optional<quint8> value) {
        if (value)
            m_platform.setOpenFileAttributes(m_fd, *value);
        else if (m_marked)
            m_platform.setOpenFileAttributes(m_fd, m_attributes);
        m_fd = -1;
    }
    // The input is gone.
    void dismiss() { m_fd = -1; }

private:
    Platform& m_platform;
    int m_fd;
    quint32 m_attributes;
    bool m_marked;
};

// A pass's report to its observer: the cover moved to the bytes done, and whether to stop.
class Progress {
public:
    Progress(PassObserver& observer, const FileTask& job, qint64 inputLength)
        : m_observer(observer)
        , m_offset(job.inputOffset)
        , m_track(static_cast<double>(inputLength + CoverSlack)) {}
    // Moves the cover to done bytes of the body; whether the pass is to stop.
    bool cancelled(qint64 done) {
        m_observer.moveCover(static_cast<double>(m_offset + done + 1) / m_track * PassObserver::CoverTrack);
        m_sinceObserver.start();
        return m_observer.cancelRequested();
    }
    // The same, once the observer was last asked ObserverIntervalMs ago; false before that.
    bool dueAndCancelled(qint64 done) { return m_sinceObserver.hasExpired(ObserverIntervalMs) && cancelled(done); }

private:
    PassObserver& m_observer;
    qint64 m_offset;
    double m_track;
    QElapsedTimer m_sinceObserver;
};

// Readies the input for its body at offset (a file just opened is read from its start) and for
// reading it in order.
bool startBody(int input, qint64 offset, qint64 bodyLength) {
    if (offset != 0 && ::lseek(input, offset, SEEK_SET) < 0)
        return false;
    if (bodyLength > CipherPass::BufferSize)
        ::posix_fadvise(input, 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
}

// The end of a body written: a last look before the flush and rename, as an exit or Cancel pressed
// during the last buffer still leaves the output's name as it was; then the new file, which must
// hold exactly expectedSize bytes. *written gets its status.
PassResult finishBody(Progress& progress, qint64 bodyLength, int output, qint64 expectedSize, struct stat* written) {
    if (progress.cancelled(bodyLength))
        return {Outcome::Cancelled, {}, {}};
    if (::fstat(output, written) != 0)
        return systemFailure();
    if (written->st_size != expectedSize)
        return {Outcome::Incomplete, {}, {}};
    return {};
}

QString busyError(const QString& path) {
    return path + u" is being encrypted or decrypted by another pass and was left untouched."_s;
}

// Why an existing output was not replaced: it is not the file the user agreed to replace, or the
// user agreed to none.
QString notReplacedError(const FileTask& task) {
    return task.output + (task.replaces ? u" is no longer the file agreed to be replaced and was left untouched."_s
                                        : u" appeared after the check and was left untouched."_s);
}

// A Strong file refused before anything was written: Cancelled while its key was derived, the
// wrong pass phrase, or why it cannot be decrypted.
PassResult refused(const FileTask& task, const StrongRefusal& refusal) {
    if (refusal.kind == StrongRefusal::Kind::Cancelled)
        return {Outcome::Cancelled, {}, {}};
    const Outcome outcome =
        refusal.kind == StrongRefusal::Kind::WrongPassPhrase ? Outcome::WrongPassPhrase : Outcome::Failed;
    return {outcome, task.input + u" was left untouched. "_s + refusal.message(), {}};
}

// A Strong file's header read through the pass's descriptor and opened with the run's key, in
// the order of the format: damage, a newer version, the memory asked, the pass phrase, the size.
Expected<FileSecrets, PassResult> openStrongHeader(const FileTask& task, int fd, qint64 size) {
    QByteArray stored(std::min(size, StrongFormat::HeaderSize), Qt::Uninitialized);
    if (::lseek(fd, 0, SEEK_SET) < 0)
        return Unexpected(systemFailure());
    if (Expected<void> read = FileIo::readFully(fd, stored.data(), stored.size(), task.input); !read)
        return Unexpected(failed(read.error().message));
    const Expected<StrongHeader, StrongRefusal> header = StrongFormat::readHeader(stored);
    if (!header)
        return Unexpected(refused(task, header.error()));
    const Expected<std::shared_ptr<const SecretBuffer>, StrongRefusal> kek = task.keys->kek(header->derivation);
    if (!kek)
        return Unexpected(refused(task, kek.error()));
    Expected<FileSecrets, StrongRefusal> secrets = StrongFormat::openKeyBlock(*header, **kek);
    if (!secrets)
        return Unexpected(refused(task, secrets.error()));
    if (const Expected<void, StrongRefusal> fits = StrongFormat::checkSize(secrets->plainLength, size); !fits)
        return Unexpected(refused(task, fits.error()));
    return std::move(*secrets);
}

QString otherNamesNotice(const QString& path) {
    return path + u" was deleted under this name only: its content remains under its other names."_s;
}

} // namespace

FileTask FileTask::encryption(SecurityLevel level, const QString& plainPath, const QString& passwordField,
                              bool deleteOriginal) {
    const std::optional<quint8> marked =
        level == SecurityLevel::Low ? std::optional<quint8>(Attr::Encrypted) : std::nullopt;
    return {plainPath,
            0,
            EncryptedFormat::encryptedName(plainPath),
            level,
            marked,
            deleteOriginal,
            passwordField,
            {},
            {},
            {},
            {},
            {}};
}

FileTask FileTask::decryption(SecurityLevel level, const QString& encryptedPath, const QString& plainPath,
                              std::optional<quint8> savedAttributes, bool deleteOriginal,
                              const QString& passwordField) {
    const std::optional<quint8> restored = level == SecurityLevel::Low ? savedAttributes : std::nullopt;
    const qint64 body = level == SecurityLevel::Strong ? StrongFormat::HeaderSize : EncryptedFormat::HeaderSize;
    return {encryptedPath, body, plainPath, level,         restored, deleteOriginal,
            passwordField, {},   {},        Attr::Archive, {},       {}};
}

// A complete output written aside and everything the pass holds until it is put in place: the
// input open, locked, and its attributes to settle.
class CipherPass::Prepared {
public:
    Prepared(Platform& platform, PassObserver& observer, const FileTask& task)
        : m_task(task)
        , m_platform(platform)
        , m_observer(observer) {}

    FileTask m_task;
    Platform& m_platform;
    PassObserver& m_observer;
    // The folder of the input and the output: the task's, or opened as the pass started.
    std::shared_ptr<const Descriptor> m_folder;
    Descriptor m_input;
    PassLock m_lock;
    std::optional<InputMarks> m_marks;
    FileIo::FileIdentity m_seen;
    std::unique_ptr<AsideFile> m_output;
    std::optional<quint32> m_finalAttributes;
    qint64 m_size = 0;
    // The file system the output is on.
    dev_t m_device = 0;

    // Errors ignored: a file system without attributes still gets its data. Given before the
    // rename and again once in place, as ntfs-3g marks a renamed file Archive.
    void giveAttributes(int fd) const {
        if (m_finalAttributes)
            m_platform.setOpenFileAttributes(fd, *m_finalAttributes);
    }
    // Succeeds while the input may still be replaced by the output or deleted after it; the
    // error says why it may not.
    Expected<void> inputUnchanged() const {
        if (Expected<void> unchanged = FileIo::unchangedSince(m_folder->fd(), m_task.input, m_seen); !unchanged)
            return unchanged;
        const Expected<FileIo::FileIdentity> now = FileIo::FileIdentity::of(m_input.fd());
        if (!now || !now->unchanged(m_seen))
            return unexpected({m_task.input + u" was changed while it was being worked on and was kept."_s});
        return {};
    }
};

CipherPass::CipherPass(Platform& platform, PassObserver& observer)
    : m_platform(platform)
    , m_observer(observer) {}

PassResult CipherPass::encryptAtLevel(SecurityLevel level, const QString& plainPath, const QString& passwordField,
                                      bool deleteOriginal) {
    return level == SecurityLevel::Low ? encryptLowSecurity(plainPath, passwordField, deleteOriginal)
                                       : encryptHighSecurity(plainPath, passwordField, deleteOriginal);
}

PassResult CipherPass::encryptHighSecurity(const QString& plainPath, const QString& passwordField,
                                           bool deleteOriginal) {
    return run(FileTask::encryption(SecurityLevel::High, plainPath, passwordField, deleteOriginal));
}

PassResult CipherPass::encryptLowSecurity(const QString& plainPath, const QString& passwordField, bool deleteOriginal) {
    return run(FileTask::encryption(SecurityLevel::Low, plainPath, passwordField, deleteOriginal));
}

PassResult CipherPass::decryptAtStoredLevel(const EncryptedHeader& header, const QString& encryptedPath,
                                            const QString& plainPath, bool deleteOriginal) {
    const std::optional<SecurityLevel> level = header.level();
    if (!level)
        return {Outcome::UnknownLevel, {}, {}};
    return run(FileTask::decryption(*level, encryptedPath, plainPath, header.savedAttributes, deleteOriginal,
                                    header.headerPassword));
}

Expected<EncryptedHeader> CipherPass::readHeader(const QString& encryptedPath, int folderFd) {
    const Expected<Descriptor> file =
        folderFd >= 0 ? FileIo::openInFolder(folderFd, encryptedPath) : FileIo::openForReading(encryptedPath);
    if (!file)
        return unexpected(file.error());
    return readHeader(file->fd(), encryptedPath);
}

Expected<EncryptedHeader> CipherPass::readHeader(int fd, const QString& encryptedPath) {
    QByteArray stored(EncryptedFormat::HeaderSize, Qt::Uninitialized);
    if (::lseek(fd, 0, SEEK_SET) < 0)
        return FileIo::failWithErrno();
    if (Expected<void> read = FileIo::readFully(fd, stored.data(), stored.size(), encryptedPath); !read)
        return unexpected(std::move(read).error());
    return EncryptedFormat::decodeHeader(stored);
}

quint8 CipherPass::headerAttributes(quint32 attributes) {
    return static_cast<quint8>(attributes & (Attr::ReadOnly | Attr::Hidden | Attr::System | Attr::Archive));
}

PassResult CipherPass::run(const FileTask& task) {
    PassResult failure;
    Batch batch;
    batch.push_back(prepare(task, &failure));
    if (!batch.front())
        return failure;
    return commit(batch).front();
}

void CipherPass::Drop::operator()(Prepared* file) const {
    delete file;
}

CipherPass::PreparedFile CipherPass::prepare(const FileTask& task, PassResult* failure,
                                             std::unique_ptr<AsideFile>* unfinished) {
    const auto fail = [failure](PassResult result) {
        *failure = std::move(result);
        return nullptr;
    };
    const bool strong = task.level == SecurityLevel::Strong;
    if (strong && !task.keys)
        return fail(failed(task.input + u" was left untouched: no pass phrase was given."_s));
    // The header keeps one byte per character: another password would be stored as a different one.
    if (task.encrypting() && !strong && !EncryptedFormat::canStorePassword(task.passwordField))
        return fail(
            failed(task.input + u" was left untouched: the password holds a character that can't be stored."_s));
    m_observer.reached(PassObserver::Step::Opening);
    PreparedFile file(new Prepared(m_platform, m_observer, task));
    // Every name from here on is looked up in the folder that was checked.
    file->m_folder = task.folder;
    if (!file->m_folder) {
        Expected<std::shared_ptr<const Descriptor>> folder = FileIo::sharedFolderOf(task.input);
        if (!folder)
            return fail(failed(task.input + u" was left untouched. "_s + folder.error().message));
        file->m_folder = std::move(*folder);
    }
    const int folder = file->m_folder->fd();
    // The output's name takes nothing but a regular file; a link there is never replaced either,
    // so what the user sees under that name is what gets replaced.
    struct stat existing;
    const bool replacing =
        ::fstatat(folder, FileIo::nameOf(task.output).constData(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (replacing && !S_ISREG(existing.st_mode))
        return fail(failed(FileIo::notRegularError(task.output, existing.st_mode)));

    // The input as the user left it: its access bounds the output's, and a pass that puts no
    // output in place gives it back its attributes.
    struct stat original;
    Expected<Descriptor> opened = FileIo::openInFolder(folder, task.input, 0, &original);
    if (!opened)
        return fail(failed(opened.error().message));
    file->m_input = std::move(*opened);
    const int input = file->m_input.fd();
    const Expected<PassLock::Result> lock = file->m_lock.acquire(original.st_dev, original.st_ino);
    if (!lock)
        return fail(failed(task.input + u" was left untouched. "_s + lock.error().message));
    if (*lock == PassLock::Result::Busy)
        return fail({Outcome::Busy, busyError(task.input), {}});
    if (replacing && original.st_dev == existing.st_dev && original.st_ino == existing.st_ino)
        return fail(failed(task.input + u" and "_s + task.output + u" are the same file."_s));
    // Only the very file the user agreed to replace is replaced.
    if (replacing && task.replaces != std::pair(existing.st_dev, existing.st_ino))
        return fail(failed(notReplacedError(task)));
    const OutputAccess access(task, original, replacing ? &existing : nullptr);
    if (replacing && !access.mayReplace(existing))
        return fail(failed(task.input + u" was left untouched: "_s + task.output + u" belongs to another account."_s));
    // The bytes decrypted are those whose header was checked: its password and level, read here
    // through the descriptor the body is read from.
    if (!task.encrypting() && !strong && original.st_size < task.inputOffset)
        return fail({Outcome::Incomplete, {}, {}});
    // A Strong file is refused here, before anything is written, for anything but a damaged chunk.
    FileSecrets secrets;
    if (!task.encrypting() && strong) {
        Expected<FileSecrets, PassResult> opened = openStrongHeader(task, input, original.st_size);
        if (!opened)
            return fail(std::move(opened).error());
        secrets = std::move(*opened);
    }
    if (!task.encrypting() && !strong) {
        const Expected<EncryptedHeader> stored = readHeader(input, task.input);
        if (!stored)
            return fail(failed(stored.error().message));
        if (stored->headerPassword != task.passwordField || stored->level() != task.level)
            return fail(failed(task.input + u" was changed after it was checked and was left untouched."_s));
    }

    const std::optional<quint32> attributes = m_platform.openFileAttributes(input, task.input);
    if (!attributes)
        return fail(failed(FileIo::errorText(ENOENT)));
    QByteArray header = task.encrypting() && !strong
                            ? EncryptedFormat::header(task.passwordField, task.level, headerAttributes(*attributes))
                            : QByteArray();
    // Reading needs no mark, so a file system that keeps no attributes does not stop the pass.
    file->m_marks.emplace(m_platform, input, *attributes);
    // What was read, as it stands from here on: every later change is someone else's, and the
    // commit looks again before anything is put in place.
    const Expected<FileIo::FileIdentity> seen = FileIo::FileIdentity::of(input);
    if (!seen)
        return fail(failed(seen.error().message));
    file->m_seen = *seen;
    if (task.encrypting() && strong) {
        // The run's key, derived once; a new file key and wrap nonce for each file.
        const Expected<std::shared_ptr<const SecretBuffer>, StrongRefusal> kek = task.keys->kek(task.derivation);
        if (!kek)
            return fail(refused(task, kek.error()));
        secrets = {StrongFormat::newFileKey(), headerAttributes(*attributes), quint64(seen->size)};
        header = StrongFormat::header(task.derivation, StrongFormat::newWrapNonce(), **kek, secrets);
    }

    file->m_output = std::make_unique<AsideFile>(folder, task.output);
    AsideFile& output = *file->m_output;
    if (task.replaces)
        output.replaceOnly(task.replaces->first, task.replaces->second);
    if (const Expected<void> made = output.open(access.mode); !made)
        return fail(failed(made.error().message));
    access.claim(output.fd(), original);
    // A file written aside under a name is hidden where Windows looks too, until it is complete.
    const std::optional<quint32> asCreated = hideWhileUnfinished(output);

    struct stat written;
    const PassResult moved = strong ? transferStrong(task, header, secrets.fileKey, input, seen->size, output, &written)
                                    : transfer(task, header, input, seen->size, output, &written);
    if (moved.outcome != Outcome::Succeeded) {
        if (unfinished)
            *unfinished = std::move(file->m_output);
        return fail(moved);
    }
    access.give(output.fd(), written, original);
    file->m_device = written.st_dev;
    m_observer.moveCover(0);
    file->m_finalAttributes = task.outputAttributes ? std::optional<quint32>(*task.outputAttributes) : asCreated;
    // A Strong file keeps its attributes in the key block, read only with the pass phrase.
    if (strong && !task.encrypting())
        file->m_finalAttributes = secrets.attributes;
    file->giveAttributes(output.fd());
    file->m_size = written.st_size;
    return file;
}

qint64 CipherPass::outputSize(const Prepared& file) {
    return file.m_size;
}

QList<PassResult> CipherPass::commit(Batch& batch, std::vector<Descriptor>* deletedInputs) {
    QList<PassResult> results(qsizetype(batch.size()));
    const auto drop = [&](size_t i, PassResult result) {
        results[qsizetype(i)] = std::move(result);
        batch[i].reset();
    };
    // The data on disk: one flush of each file system that is known to take every file along,
    // each file by itself elsewhere. A failed flush puts nothing it covered in place.
    std::vector<bool> together(batch.size());
    std::map<dev_t, bool> flushesTogether;
    std::set<dev_t> flushed;
    for (size_t i = 0; i < batch.size(); ++i) {
        // Dropped already when an earlier flush of its file system failed.
        if (!batch[i])
            continue;
        const int fd = batch[i]->m_output->fd();
        const dev_t device = batch[i]->m_device;
        const auto [kind, isNew] = flushesTogether.try_emplace(device, false);
        if (isNew)
            kind->second = FileIo::flushesTogether(fd);
        together[i] = kind->second;
        if (!together[i] || !flushed.insert(device).second || ::syncfs(fd) == 0)
            continue;
        const int code = errno;
        for (size_t j = i; j < batch.size(); ++j) {
            if (batch[j] && batch[j]->m_device == device)
                drop(j, failed(batch[j]->m_task.input + u" was kept: its new file "_s + batch[j]->m_task.output +
                               u" could not be written to disk. "_s + FileIo::errorText(code)));
        }
    }
    // Each output in place over its name, in order; each folder flushed once afterwards, by the
    // descriptor its files were put in place through (device and inode of the folder).
    std::map<std::pair<dev_t, ino_t>, int> toFlush;
    const auto folderKey = [](const Prepared& file) {
        struct stat info {};
        ::fstat(file.m_folder->fd(), &info);
        return std::pair(info.st_dev, info.st_ino);
    };
    for (size_t i = 0; i < batch.size(); ++i) {
        Prepared* file = batch[i].get();
        if (!file)
            continue;
        file->m_observer.reached(PassObserver::Step::Committing);
        // The output holds the input as it was read: only a file that is still there, unchanged,
        // may be replaced by it or deleted after it.
        if (const Expected<void> unchanged = file->inputUnchanged(); !unchanged) {
            drop(i, failed(unchanged.error().message));
            continue;
        }
        const AsideFile::Flush flush = together[i] ? AsideFile::Flush::ByCaller : AsideFile::Flush::Here;
        const Expected<void> committed = file->m_output->commit(
            file->m_task.replaces ? AsideFile::Replace::Agreed : AsideFile::Replace::No,
            [file](int fd) { file->giveAttributes(fd); }, flush);
        if (!committed) {
            // A failure after the rename leaves the output in place: the input is kept all the same.
            const bool taken = committed.error().code == EEXIST && !file->m_output->isInPlace();
            drop(i, failed(taken ? notReplacedError(file->m_task) : committed.error().message));
            continue;
        }
        if (together[i])
            toFlush.emplace(folderKey(*file), file->m_folder->fd());
    }
    for (const auto& [key, folder] : toFlush) {
        const Expected<void> synced = FileIo::syncFolder(folder);
        if (synced)
            continue;
        // The new names may not survive a crash: nothing that depends on them is deleted.
        for (size_t i = 0; i < batch.size(); ++i) {
            if (batch[i] && folderKey(*batch[i]) == key)
                drop(i, failed(synced.error().message));
        }
    }
    // Only now, with every new name on disk, the originals that were to go.
    for (size_t i = 0; i < batch.size(); ++i) {
        Prepared* file = batch[i].get();
        if (!file)
            continue;
        const FileTask& task = file->m_task;
        if (task.deleteInput)
            file->m_observer.reached(PassObserver::Step::Deleting);
        // Deleted, not emptied first, so a failed delete loses nothing. An input that stays gets
        // its attributes only now, with its output in place.
        if (!task.deleteInput) {
            results[qsizetype(i)] = {};
            file->m_marks->keep(task.keptInputAttributes);
        } else if (const Expected<void> deleted =
                       FileIo::deleteIfUnchanged(task.input, file->m_seen, file->m_folder->fd());
                   !deleted) {
            results[qsizetype(i)] = {Outcome::OriginalKept, deleted.error().message, {}};
            file->m_marks->keep(task.keptInputAttributes);
        } else {
            results[qsizetype(i)] = {
                Outcome::Succeeded, {}, file->m_seen.links > 1 ? otherNamesNotice(task.input) : QString()};
            file->m_marks->dismiss();
            if (deletedInputs)
                deletedInputs->push_back(std::move(file->m_input));
        }
        batch[i].reset();
    }
    batch.clear();
    return results;
}

std::optional<quint32> CipherPass::hideWhileUnfinished(const AsideFile& output) {
    if (output.temporaryPath().isEmpty())
        return std::nullopt;
    // A store that already calls the dot-name hidden needs no mark (and keeps nothing stored).
    const std::optional<quint32> asCreated = m_platform.openFileAttributes(output.fd(), output.temporaryPath());
    if (!asCreated || (*asCreated & Attr::Hidden))
        return std::nullopt;
    if (!m_platform.setOpenFileAttributes(output.fd(), *asCreated | Attr::Hidden))
        return std::nullopt;
    return asCreated;
}

PassResult CipherPass::transfer(const FileTask& job, const QByteArray& header, int input, qint64 inputLength,
                                AsideFile& output, struct stat* written) {
    // An encrypted file shorter than its header can never be decrypted completely.
    if (inputLength < job.inputOffset)
        return {Outcome::Incomplete, {}, {}};
    const qint64 bodyLength = inputLength - job.inputOffset;

    if (!startBody(input, job.inputOffset, bodyLength))
        return systemFailure();

    Progress progress(m_observer, job, inputLength);
    const PassResult cancelled{Outcome::Cancelled, {}, {}};

    // The header goes out with the first buffer of the body: one write for a small file.
    QByteArray buffer(std::min(BufferSize, header.size() + bodyLength), Qt::Uninitialized);
    std::copy(header.begin(), header.end(), buffer.begin());
    qint64 prefix = header.size();
    if (bodyLength == 0) {
        if (const Expected<void> wrote = FileIo::writeFully(output.fd(), header.constData(), header.size()); !wrote)
            return failed(wrote.error().message);
    }
    WriteBehind writeBehind(output.fd());
    for (qint64 done = 0; done < bodyLength;) {
        if (progress.cancelled(done))
            return cancelled;
        const qint64 offset = header.size() + done - prefix;
        const qint64 size = std::min(BufferSize - prefix, bodyLength - done);
        char* const body = buffer.data() + prefix;
        if (const Expected<void> read = FileIo::readFully(input, body, size, job.input); !read)
            return failed(read.error().message);
        if (progress.dueAndCancelled(done))
            return cancelled;
        EncryptedFormat::transformBody(body, size, done, job.level);
        if (progress.dueAndCancelled(done))
            return cancelled;
        if (const Expected<void> wrote = FileIo::writeFully(output.fd(), buffer.constData(), prefix + size); !wrote)
            return failed(wrote.error().message);
        if (!writeBehind.written(offset, prefix + size))
            return systemFailure();
        done += size;
        prefix = 0;
    }
    // Complete: the new file holds the header and every body byte of the input.
    return finishBody(progress, bodyLength, output.fd(), header.size() + bodyLength, written);
}

PassResult CipherPass::transferStrong(const FileTask& job, const QByteArray& header, const SecretBuffer& fileKey,
                                      int input, qint64 inputLength, AsideFile& output, struct stat* written) {
    using namespace StrongFormat;
    const bool sealing = job.encrypting();
    const qint64 bodyLength = inputLength - job.inputOffset;
    // The body as the input holds it: plain chunks to seal, or sealed ones to open. The last
    // holds what is left, and an empty body is one empty last chunk.
    const qint64 inChunk = sealing ? ChunkSize : SealedChunkSize;
    const qint64 chunks = std::max<qint64>(1, (bodyLength + inChunk - 1) / inChunk);
    constexpr qint64 ChunksPerBuffer = BufferSize / ChunkSize;

    if (!startBody(input, job.inputOffset, bodyLength))
        return systemFailure();

    Progress progress(m_observer, job, inputLength);
    const PassResult cancelled{Outcome::Cancelled, {}, {}};

    const qint64 perBuffer = std::min(ChunksPerBuffer, chunks);
    QByteArray in(std::min(perBuffer * inChunk, bodyLength), Qt::Uninitialized);
    // The header goes out with the first buffer: one write for a small file.
    QByteArray out(header.size() + perBuffer * SealedChunkSize, Qt::Uninitialized);
    std::copy(header.begin(), header.end(), out.begin());
    qint64 prefix = header.size();
    qint64 offset = 0;
    WriteBehind writeBehind(output.fd());
    for (qint64 chunk = 0, done = 0; chunk < chunks;) {
        if (progress.cancelled(done))
            return cancelled;
        const qint64 count = std::min(perBuffer, chunks - chunk);
        const qint64 size = std::min(count * inChunk, bodyLength - done);
        if (const Expected<void> read = FileIo::readFully(input, in.data(), size, job.input); !read)
            return failed(read.error().message);
        if (progress.dueAndCancelled(done))
            return cancelled;
        char* to = out.data() + prefix;
        for (qint64 i = 0; i < count; ++i, ++chunk) {
            const QByteArrayView piece = QByteArrayView(in).sliced(i * inChunk, std::min(inChunk, size - i * inChunk));
            const bool last = chunk == chunks - 1;
            if (sealing) {
                StrongStream::seal(fileKey, quint64(chunk), last, piece, to);
                to += piece.size() + TagSize;
            } else if (StrongStream::open(fileKey, quint64(chunk), last, piece, to)) {
                to += piece.size() - TagSize;
            } else {
                // Damaged from this chunk's first byte; the output written so far is dropped with the pass.
                return refused(job, {StrongRefusal::Kind::DamagedAt, HeaderSize + chunk * SealedChunkSize});
            }
        }
        const qint64 length = to - out.constData();
        if (const Expected<void> wrote = FileIo::writeFully(output.fd(), out.constData(), length); !wrote)
            return failed(wrote.error().message);
        if (!writeBehind.written(offset, length))
            return systemFailure();
        offset += length;
        done += size;
        prefix = 0;
    }
    // Complete: every chunk of the input sealed or opened.
    const qint64 expected = sealing ? header.size() + bodyLength + TagSize * chunks : bodyLength - TagSize * chunks;
    return finishBody(progress, bodyLength, output.fd(), expected, written);
}
