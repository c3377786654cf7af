/*
 * The master-password file and the scramble: any file content gives 8 stored bytes, any text
 * scrambles to the 8 bytes the rule gives (computed here the slow way, character by character),
 * and a saved password is checked as matching while the bytes after the eighth stay as they were.
 * A password with a character above code 255 is neither stored nor ever matched.
 */
#include "fuzz/fuzzcheck.h"

#include "app/crypt/engine/masterpasswordfile.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// The rule as users know it: the first character, then the last seven; a shorter text repeats
// its first character until there are eight; no text at all counts as "0". Each character
// becomes 255 - code ("?" above 255), and "0" becomes 0.
QByteArray slowScramble(const QString& text) {
    QList<QChar> chosen;
    if (text.isEmpty()) {
        chosen.fill(u'0', 8);
    } else {
        const qsizetype n = text.size();
        chosen.append(text.front());
        for (qsizetype i = 1; i < 8; ++i) {
            const qsizetype from = n >= 8 ? n - 8 + i : i - (8 - n);
            chosen.append(from <= 0 ? text.front() : text.at(from));
        }
    }
    QByteArray scrambled;
    for (QChar c : chosen) {
        const int code = c.unicode() > 255 ? '?' : c.unicode();
        scrambled.append(static_cast<char>(code == '0' ? 0 : 255 - code));
    }
    return scrambled;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir folder(fuzzFolderRoot() + u"/masterpassword-XXXXXX"_s);
    FUZZ_CHECK(folder.isValid());

    FuzzInput input(data, size);
    const quint8 choice = input.byte();
    const QByteArray typed = input.until('\n');
    const QByteArray content = input.rest();

    const QByteArray stored = MasterPasswordFile::storedForm(content);
    FUZZ_CHECK(stored.size() == MasterPasswordFile::Size);
    FUZZ_CHECK(content.startsWith(stored.left(std::min<qsizetype>(content.size(), MasterPasswordFile::Size))));

    const QString text = (choice & 1) ? QString::fromUtf8(typed) : QString::fromLatin1(typed);
    const QByteArray scrambled = MasterPasswordFile::ScrambleMasterPassword(text);
    FUZZ_CHECK(scrambled == slowScramble(text));
    const bool storable = MasterPasswordFile::canStore(text);

    // Through a file: an old content, the password saved over it, read and checked.
    const MasterPasswordFile file(folder.filePath(u"config/3DEvez.vxa"_s));
    QFile::remove(file.path());
    if (choice & 2) {
        QDir().mkpath(QFileInfo(file.path()).absolutePath());
        QFile old(file.path());
        FUZZ_CHECK(old.open(QIODevice::WriteOnly) && old.write(content) == content.size());
        old.close();
        FUZZ_CHECK(file.read() == stored);
        FUZZ_CHECK((file.check(text) == MasterPasswordFile::Check::Matches) == (storable && stored == scrambled));
    } else {
        FUZZ_CHECK(file.read() == QByteArray(MasterPasswordFile::Size, '\0'));
    }
    if (!storable) {
        FUZZ_CHECK(!file.write(text));
        FUZZ_CHECK(file.read() == ((choice & 2) ? stored : QByteArray(MasterPasswordFile::Size, '\0')));
        FUZZ_CHECK(QFileInfo::exists(file.path()) == bool(choice & 2));
        return 0;
    }
    FUZZ_CHECK(file.write(text));
    FUZZ_CHECK(file.read() == scrambled);
    FUZZ_CHECK(file.check(text) == MasterPasswordFile::Check::Matches);
    QFile saved(file.path());
    FUZZ_CHECK(saved.open(QIODevice::ReadOnly));
    FUZZ_CHECK(saved.readAll() == scrambled + ((choice & 2) ? content.mid(MasterPasswordFile::Size) : QByteArray()));
    return 0;
}
