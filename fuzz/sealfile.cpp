/*
 * The seal file of a locked folder: any content either reads as two lines whose name is a plain
 * folder name, or is refused as damaged; what the writer stores reads back the same, and what was
 * read and stored again reads the same. Passwords the writer cannot keep (see canStorePassword)
 * and names with line breaks are only read.
 */
#include "fuzz/fuzzcheck.h"

#include "app/crypt/engine/encryptedformat.h"
#include "app/folders/engine/folderpasswordfile.h"

#include <QtCore/QFile>

using namespace Qt::StringLiterals;

namespace {

// The checks that keep a name from moving the folder anywhere but beside itself.
bool isPlainName(const QString& name) {
    return !name.isEmpty() && name != u"."_s && name != u".."_s && !name.contains(u'/') && !name.contains(QChar());
}

void checkWrittenReadsBack(const QString& password, const QString& name) {
    const QByteArray content = FolderPasswordFile::content(password, name);
    const Expected<FolderPasswordFile::Lines> lines = FolderPasswordFile::parse(content);
    const bool storable =
        FolderPasswordFile::canStorePassword(password) && FolderPasswordFile::canStoreName(name) && isPlainName(name);
    if (!storable)
        return;
    FUZZ_CHECK(lines);
    FUZZ_CHECK(FolderPasswordFile::unscramble(lines->sealBuffer) == EncryptedFormat::passwordFieldOf(password));
    FUZZ_CHECK(lines->formerName == name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const Expected<FolderPasswordFile::Lines> lines = FolderPasswordFile::parse(bytes);
    if (!lines) {
        FUZZ_CHECK(lines.error().message == u"Damaged password information"_s);
    } else {
        FUZZ_CHECK(lines->sealBuffer.size() == FolderPasswordFile::SealSize);
        FUZZ_CHECK(isPlainName(lines->formerName));
        FUZZ_CHECK(FolderPasswordFile::unscramble(lines->sealBuffer).size() == FolderPasswordFile::SealSize);
        checkWrittenReadsBack(FolderPasswordFile::unscramble(lines->sealBuffer), lines->formerName);
    }

    // The input as a password and a name, split at the first zero byte.
    FuzzInput input(data, size);
    const QString password = QString::fromLatin1(input.until('\0'));
    const QString name = QFile::decodeName(input.rest());
    checkWrittenReadsBack(password, name);
    return 0;
}
