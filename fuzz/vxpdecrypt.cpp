/*
 * The whole decryption pass over a crafted ".vxp" file, and the encryption and decryption passes
 * in turn over crafted plain bytes, in a temporary folder under a small file-size limit that the
 * input chooses, so that writes also fail part way. Whatever the outcome, the input file stays
 * as it was; a pass that succeeds leaves exactly the transformed bytes, one that fails leaves no
 * output; decrypting what was encrypted gives the plain bytes back.
 */
#include "fuzz/fuzzcheck.h"

#include "app/crypt/engine/cipherpass.h"
#include "app/platform/attributes.h"
#include "app/platform/platform.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>
#include <QtCore/QTemporaryDir>

#include <cerrno>
#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using Outcome = PassResult::Outcome;

namespace {

// Keeps attribute values in memory by file (device and inode), so that a value given through the
// descriptor of a file written aside is found under its final name: the passes only need values
// kept and given back.
class MemoryPlatform : public Platform {
public:
    std::optional<quint32> attributes(const QString& path) const override {
        struct stat info;
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
            return std::nullopt;
        return m_values.value(key(info), Attr::Normal);
    }
    std::optional<quint32> openFileAttributes(int fd, const QString&) const override {
        struct stat info;
        if (::fstat(fd, &info) != 0)
            return std::nullopt;
        return m_values.value(key(info), Attr::Normal);
    }
    Expected<void> setAttributes(const QString& path, quint32 value) override {
        struct stat info;
        if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
            return unexpected(Error::fromCode(errno));
        m_values.insert(key(info), value);
        return {};
    }
    Expected<void> setOpenFileAttributes(int fd, quint32 value) override {
        struct stat info;
        if (::fstat(fd, &info) != 0)
            return unexpected(Error::fromCode(errno));
        m_values.insert(key(info), value);
        return {};
    }
    QList<Volume> volumes() const override { return {{u"/"_s, {}}}; }
    QString volumeRoot(const QString&) const override { return u"/"_s; }
    bool isVolumeRoot(const QString& path) const override { return path == u"/"_s; }
    qint64 freeSpace(const QString&) const override { return qint64(1) << 40; }
    QString programFolder() const override { return {}; }
    QString dataFolder() const override { return {}; }
    QString configFolder() const override { return {}; }
    QString homeFolder() const override { return {}; }
    void openWithApplication(const QString&) override {}
    bool startProgram(const QString&) override { return false; }

    void clear() { m_values.clear(); }

private:
    static QPair<quint64, quint64> key(const struct stat& info) { return {quint64(info.st_dev), quint64(info.st_ino)}; }

    QHash<QPair<quint64, quint64>, quint32> m_values;
};

struct NoObserver : PassObserver {
    void moveCover(double) override {}
    bool cancelRequested() override { return false; }
};

// While it lives, a write past limit bytes fails with EFBIG; SIGXFSZ is ignored so that it ends
// nothing. The fuzzer's own files are written outside its life.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit lowered = m_old;
        lowered.rlim_cur = std::min(limit, m_old.rlim_max);
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};

QByteArray contentOf(const QString& path) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

void store(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size());
}

QByteArray transformed(QByteArray body, SecurityLevel level) {
    EncryptedFormat::transformBody(body.data(), body.size(), 0, level);
    return body;
}

// Only these outcomes can end a pass that nobody cancels over an input that nobody changes.
void checkOutcome(const PassResult& result, const QString& output) {
    FUZZ_CHECK(result.outcome == Outcome::Succeeded || result.outcome == Outcome::Failed);
    if (result.outcome == Outcome::Failed) {
        FUZZ_CHECK(!result.error.isEmpty());
        FUZZ_CHECK(!QFileInfo::exists(output));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ignored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
    static QTemporaryDir folder(fuzzFolderRoot() + u"/vxpdecrypt-XXXXXX"_s);
    FUZZ_CHECK(ignored && folder.isValid());
    static MemoryPlatform platform;
    NoObserver observer;
    CipherPass pass(platform, observer);
    platform.clear();

    FuzzInput input(data, size);
    // High bit clear: a limit of up to 127 x 64 bytes, about as long as the files get (0: not a
    // byte may be written); set: no limit.
    const quint8 choice = input.byte();
    const rlim_t limit = (choice & 0x80) ? RLIM_INFINITY : rlim_t(choice & 0x7f) * 64;
    const QByteArray bytes = input.rest();

    // A crafted encrypted file.
    const QString encrypted = folder.filePath(u"crafted.txt.vxp"_s);
    const QString plain = EncryptedFormat::plainName(encrypted);
    QFile::remove(plain);
    store(encrypted, bytes);
    const Expected<EncryptedHeader> header = CipherPass::readHeader(encrypted);
    FUZZ_CHECK(header.has_value() == (bytes.size() >= EncryptedFormat::HeaderSize));
    if (!header) {
        FUZZ_CHECK(header.error().message == u"Unexpected end of file: "_s + encrypted);
    } else {
        const EncryptedHeader expected = EncryptedFormat::decodeHeader(bytes);
        FUZZ_CHECK(header->headerPassword == expected.headerPassword && header->headerLevel == expected.headerLevel &&
                   header->savedAttributes == expected.savedAttributes);
        PassResult result;
        {
            const FileSizeLimit sizeLimit(limit);
            result = pass.decryptAtStoredLevel(*header, encrypted, plain);
        }
        FUZZ_CHECK(contentOf(encrypted) == bytes);
        if (!header->level()) {
            FUZZ_CHECK(result.outcome == Outcome::UnknownLevel);
            FUZZ_CHECK(!QFileInfo::exists(plain));
        } else {
            checkOutcome(result, plain);
            if (result.outcome == Outcome::Succeeded) {
                FUZZ_CHECK(contentOf(plain) == transformed(bytes.mid(EncryptedFormat::HeaderSize), *header->level()));
                if (*header->level() == SecurityLevel::Low)
                    FUZZ_CHECK(platform.attributes(plain) == header->savedAttributes);
            }
        }
    }

    // The same bytes as a plain file: encrypted and decrypted again they come back.
    const QString original = folder.filePath(u"plain.bin"_s);
    const QString sealed = EncryptedFormat::encryptedName(original);
    QFile::remove(sealed);
    store(original, bytes);
    const SecurityLevel level = (choice & 1) ? SecurityLevel::Low : SecurityLevel::High;
    const QString password = QString::fromLatin1(bytes.left(EncryptedFormat::PasswordSize));
    PassResult encryption;
    {
        const FileSizeLimit sizeLimit(limit);
        encryption = pass.encryptAtLevel(level, original, password, true);
    }
    checkOutcome(encryption, sealed);
    if (encryption.outcome == Outcome::Failed) {
        FUZZ_CHECK(contentOf(original) == bytes);
        return 0;
    }
    FUZZ_CHECK(!QFileInfo::exists(original));
    const Expected<EncryptedHeader> written = CipherPass::readHeader(sealed);
    FUZZ_CHECK(written && written->level() == level &&
               written->headerPassword == EncryptedFormat::passwordFieldOf(password));
    const PassResult decryption = pass.decryptAtStoredLevel(*written, sealed, original);
    checkOutcome(decryption, original);
    FUZZ_CHECK(decryption.outcome == Outcome::Succeeded);
    FUZZ_CHECK(contentOf(original) == bytes);
    return 0;
}
