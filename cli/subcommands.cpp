/*
 * Parsing and running each subcommand: one parser per subcommand, so that its --help lists its
 * own options. Encrypt and decrypt hand their files to CryptRun; the others are short enough to
 * run here.
 */
#include "cli/subcommands.h"

#include "app/crypt/engine/cipherpass.h"
#include "app/crypt/engine/filechecks.h"
#include "app/crypt/engine/strongkeys.h"
#include "app/fileio/fileio.h"
#include "app/folders/engine/folderlock.h"
#include "app/platform/attributes.h"
#include "app/platform/filenames.h"
#include "app/platform/platform.h"
#include "cli/console.h"
#include "cli/cryptrun.h"
#include "cli/passwordinput.h"
#include "common/secretwipe.h"
#include "generate/passwordgenerator.h"
#include "generate/systemuniformsource.h"

#include <QtCore/QCommandLineParser>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QHash>
#include <QtCore/QSet>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iterator>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Subcommands {

namespace {

// The attribute letters, in the order they are shown, and their bits.
struct AttributeLetter {
    QChar letter;
    quint32 bit;
};
constexpr AttributeLetter AttributeLetters[] = {
    {u'R', Attr::ReadOnly}, {u'H', Attr::Hidden}, {u'S', Attr::System}, {u'A', Attr::Archive}};

// The arguments after the program's name as the system gave them. Qt reads each as UTF-8, with
// U+FFFD in place of bytes that are not, which then names another file or none.
QList<QByteArray> exactArguments() {
    QFile file(u"/proc/self/cmdline"_s);
    QList<QByteArray> arguments = file.open(QIODevice::ReadOnly) ? file.readAll().split('\0') : QList<QByteArray>();
    if (!arguments.isEmpty())
        arguments.removeLast(); // after the last argument's terminating zero
    return arguments.mid(1);
}

// One subcommand's parser with --help; the usage line names the subcommand. After the first
// path, every argument is a path.
class Parser {
public:
    Parser(const QString& description, const QString& positional, const QString& positionalHelp) {
        m_parser.setApplicationDescription(description);
        m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
        m_parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
        if (!positional.isEmpty())
            m_parser.addPositionalArgument(positional, positionalHelp, positional);
        m_help = QCommandLineOption({u"h"_s, u"help"_s}, u"Shows this help."_s);
        m_parser.addOption(m_help);
    }

    QCommandLineOption add(const QStringList& names, const QString& help, const QString& valueName = {}) {
        QCommandLineOption option(names, help, valueName);
        m_parser.addOption(option);
        if (!valueName.isEmpty())
            for (const QString& name : names)
                m_takingValues << QFile::encodeName((name.size() == 1 ? u"-"_s : u"--"_s) + name);
        return option;
    }

    // The password options every subcommand that takes a password has.
    void addPasswordOptions() {
        m_passwordFile = add({u"password-file"_s}, u"Reads the password from the first line of FILE."_s, u"FILE"_s);
        m_passwordFd = add({u"password-fd"_s}, u"Reads the password from a line on descriptor N."_s, u"N"_s);
    }
    // The pass phrase options of the commands that work on Strong files.
    void addPassPhraseOptions() {
        m_passPhraseFile = add({u"passphrase-file"_s},
                               u"Reads the pass phrase of strong files from the first line of FILE (without this "
                               u"option or --passphrase-fd, the password options serve strong files too)."_s,
                               u"FILE"_s);
        m_passPhraseFd =
            add({u"passphrase-fd"_s}, u"Reads the pass phrase of strong files from a line on descriptor N."_s, u"N"_s);
    }

    // nullopt to go on; else the exit status (--help answered, or a usage error reported).
    std::optional<int> parse(const QStringList& arguments) {
        m_name = arguments.value(0);
        m_exact = exactArguments();
        if (m_exact.size() != arguments.size()) {
            m_exact.clear();
            for (const QString& argument : arguments)
                m_exact << QFile::encodeName(argument);
        }
        if (!m_parser.parse(arguments))
            return usageError(m_parser.errorText());
        if (const std::optional<QByteArray> name = optionNamingAnEntry())
            return usageError(Console::nameText(*name) +
                              u" is an option and also a name in this folder; to give the file or folder, write ./"_s +
                              Console::nameText(*name) + u" or put -- before the paths"_s);
        if (m_parser.isSet(m_help)) {
            QString help = m_parser.helpText();
            // The usage line names the program and the subcommand as typed.
            const qsizetype lineEnd = help.indexOf(u'\n');
            const QString usage = help.left(lineEnd);
            help = u"Usage: "_s + m_name + usage.mid(usage.indexOf(u' ', 7)) + help.mid(lineEnd);
            std::fputs(help.toLocal8Bit().constData(), stdout);
            return Done;
        }
        return std::nullopt;
    }

    int usageError(const QString& text) const {
        Console::message(text);
        Console::message(u"try '"_s + m_name + u" --help'"_s);
        return UsageError;
    }

    bool isSet(const QCommandLineOption& option) const { return m_parser.isSet(option); }
    QString value(const QCommandLineOption& option) const { return m_parser.value(option); }
    QStringList positional() const { return m_parser.positionalArguments(); }
    // The paths given, each as its exact bytes.
    QList<QByteArray> exactPositional() const {
        const QStringList shown = positional();
        const QList<QByteArray> tail = m_exact.mid(m_exact.size() - shown.size());
        QList<QByteArray> exact;
        for (qsizetype i = 0; i < shown.size(); ++i)
            exact << (QFile::decodeName(tail.value(i)) == shown[i] ? tail[i] : QFile::encodeName(shown[i]));
        return exact;
    }

    // The password input the options name; when they are wrong, the exit status after the usage
    // error.
    Expected<PasswordInput, int> passwordInput() const { return inputOf(m_passwordFile, m_passwordFd, u"password"_s); }
    // The pass phrase's input: its own options, else the password's.
    Expected<PasswordInput, int> passPhraseInput() const {
        const bool own = isSet(m_passPhraseFile) || isSet(m_passPhraseFd);
        Expected<PasswordInput, int> input =
            own ? inputOf(m_passPhraseFile, m_passPhraseFd, u"passphrase"_s) : passwordInput();
        if (input)
            input->passPhrase = true;
        return input;
    }

private:
    Expected<PasswordInput, int> inputOf(const QCommandLineOption& fileOption, const QCommandLineOption& fdOption,
                                         const QString& name) const {
        PasswordInput input;
        if (isSet(fileOption) && isSet(fdOption))
            return Unexpected(usageError(u"give --"_s + name + u"-file or --"_s + name + u"-fd, not both"_s));
        input.file = value(fileOption);
        if (isSet(fdOption)) {
            bool number = false;
            input.fd = value(fdOption).toInt(&number);
            if (!number || input.fd < 0)
                return Unexpected(usageError(u"--"_s + name + u"-fd needs a descriptor number"_s));
        }
        return input;
    }

    // The first option before the paths that is also the name of an entry of the current folder:
    // most likely a pattern such as * gave it, and a file name must never act as an option.
    std::optional<QByteArray> optionNamingAnEntry() const {
        for (qsizetype i = 1; i < m_exact.size(); ++i) {
            const QByteArray& argument = m_exact[i];
            if (argument == "--" || argument.size() < 2 || !argument.startsWith('-'))
                break;
            struct stat info;
            if (::lstat(argument.constData(), &info) == 0)
                return argument;
            if (m_takingValues.contains(argument))
                ++i;
        }
        return std::nullopt;
    }

    QCommandLineParser m_parser;
    QCommandLineOption m_help{u"help"_s};
    QCommandLineOption m_passwordFile{u"password-file"_s};
    QCommandLineOption m_passwordFd{u"password-fd"_s};
    QCommandLineOption m_passPhraseFile{u"passphrase-file"_s};
    QCommandLineOption m_passPhraseFd{u"passphrase-fd"_s};
    QString m_name;
    // The arguments as the system gave them, each at the index of its text in the parsed list.
    QList<QByteArray> m_exact;
    QSet<QByteArray> m_takingValues;
};

// Reads the password (or pass phrase) as the options say; when there is none to use, the exit status.
Expected<QString, int> readPassword(const Parser& parser, PasswordInput::Ask ask, bool passPhrase = false) {
    const Expected<PasswordInput, int> input = passPhrase ? parser.passPhraseInput() : parser.passwordInput();
    if (!input)
        return Unexpected(input.error());
    Expected<QString> password = input->read(ask);
    if (!password) {
        Console::message(password.error().message);
        return Unexpected(password.error().code == EINTR ? Stopped : UsageError);
    }
    return *std::move(password);
}

int cryptFiles(Platform& platform, InterruptWatch& interrupts, const QStringList& arguments, bool encrypting) {
    Parser parser(encrypting ? u"Encrypts each file into FILE.vxp beside it (high security unless --low or --strong)."_s
                             : u"Decrypts each FILE.vxp into FILE beside it, when the password (the pass phrase of a "
                               u"strong file) matches."_s,
                  u"PATH..."_s,
                  encrypting ? u"Files to encrypt (folders with -r)."_s : u"Files to decrypt (folders with -r)."_s);
    const QCommandLineOption low = encrypting ? parser.add({u"low"_s}, u"Low security: 20000 of every 85000 bytes."_s)
                                              : QCommandLineOption(u"low"_s);
    const QCommandLineOption high = encrypting ? parser.add({u"high"_s}, u"High security: every byte (the default)."_s)
                                               : QCommandLineOption(u"high"_s);
    const QCommandLineOption strong =
        encrypting ? parser.add({u"strong"_s}, u"Strong encryption: authenticated, with a key derived from a pass "
                                               u"phrase of 12 to 1024 characters."_s)
                   : QCommandLineOption(u"strong"_s);
    const QCommandLineOption level =
        encrypting ? parser.add({u"level"_s}, u"The level by name: high, low or strong."_s, u"LEVEL"_s)
                   : QCommandLineOption(u"level"_s);
    const QCommandLineOption deleteOriginal =
        parser.add({u"delete-original"_s}, u"Deletes each input once its output is in place."_s);
    const QCommandLineOption recursive =
        parser.add({u"r"_s, u"recursive"_s}, u"Works through folders, without following symbolic links."_s);
    const QCommandLineOption force = parser.add({u"f"_s, u"force"_s}, u"Replaces an existing output."_s);
    const QCommandLineOption json =
        parser.add({u"json"_s}, u"Prints one JSON object per file on standard output (a name that is not UTF-8 also as "
                                u"path_base64)."_s);
    const QCommandLineOption quiet = parser.add({u"q"_s, u"quiet"_s}, u"Draws no progress line."_s);
    const QCommandLineOption verbose = parser.add({u"v"_s, u"verbose"_s}, u"Names each file as its pass starts."_s);
    parser.addPasswordOptions();
    parser.addPassPhraseOptions();
    if (const std::optional<int> status = parser.parse(arguments))
        return *status;
    const QHash<QString, SecurityLevel> levels{
        {u"high"_s, SecurityLevel::High}, {u"low"_s, SecurityLevel::Low}, {u"strong"_s, SecurityLevel::Strong}};
    if (encrypting && parser.isSet(level) && !levels.contains(parser.value(level)))
        return parser.usageError(u"the level is high, low or strong"_s);
    if (encrypting && parser.isSet(low) && parser.isSet(high))
        return parser.usageError(u"give --low or --high, not both"_s);
    if (encrypting &&
        int(parser.isSet(low)) + int(parser.isSet(high)) + int(parser.isSet(strong)) + int(parser.isSet(level)) > 1)
        return parser.usageError(u"give one level: --low, --high, --strong or --level"_s);
    const QList<QByteArray> paths = parser.exactPositional();
    if (paths.isEmpty())
        return parser.usageError(u"no file given"_s);

    const PasswordInput::Ask ask = encrypting ? PasswordInput::Ask::Twice : PasswordInput::Ask::Once;
    CryptRun::Secrets secrets;
    secrets.password = [&parser, ask] { return readPassword(parser, ask); };
    secrets.passPhrase = [&parser, ask]() -> Expected<SecretBuffer, int> {
        Expected<QString, int> typed = readPassword(parser, ask, true);
        if (!typed)
            return Unexpected(typed.error());
        Expected<SecretBuffer> taken = StrongPassPhrase::take(*typed);
        if (taken)
            return *std::move(taken);
        // The rule as the terminal words it: "the pass phrase must have ...".
        QString rule = taken.error().message;
        rule[0] = rule[0].toLower();
        rule.chop(rule.endsWith(u'.') ? 1 : 0);
        Console::message(rule);
        return Unexpected(int(UsageError));
    };
    CryptRun::Options options;
    options.encrypting = encrypting;
    options.level = !encrypting            ? SecurityLevel::High
                    : parser.isSet(level)  ? levels.value(parser.value(level))
                    : parser.isSet(low)    ? SecurityLevel::Low
                    : parser.isSet(strong) ? SecurityLevel::Strong
                                           : SecurityLevel::High;
    options.deleteOriginal = parser.isSet(deleteOriginal);
    options.recursive = parser.isSet(recursive);
    options.force = parser.isSet(force);
    options.json = parser.isSet(json);
    options.quiet = parser.isSet(quiet);
    options.verbose = parser.isSet(verbose);
    CryptRun run(platform, options);
    return run.run(paths, secrets, interrupts);
}

// The terminal's words for the rules that refuse a lock or unlock.
QString refusalText(FolderLock::Result::Refusal refusal, const QString& engineText) {
    using Refusal = FolderLock::Result::Refusal;
    switch (refusal) {
    case Refusal::UnusableName:
        return Console::unusableNameText();
    case Refusal::SystemFolder:
        return u"a system folder, the home folder or a folder above it cannot be locked"_s;
    case Refusal::ProgramFolder:
        return u"/opt, the program's folder and the folders above it cannot be locked"_s;
    case Refusal::OwnFolder:
        return u"the program's own folders cannot be locked"_s;
    case Refusal::NoFolder:
        return u"not a folder, or a volume root"_s;
    case Refusal::AlreadyLocked:
        return u"already locked"_s;
    case Refusal::SymbolicLink:
        return u"a symbolic link, left untouched"_s;
    case Refusal::LineBreak:
        return u"the folder's name holds a line break; rename it first"_s;
    case Refusal::SealExists:
        return u"the folder already holds a file of the lock's password-file name; rename that file first"_s;
    case Refusal::UnstorablePassword:
        return u"this password cannot be stored in the folder's password file"_s;
    case Refusal::NameTooLong:
        return u"the folder's name is too long to be locked; rename it first"_s;
    case Refusal::NotLocked:
        return u"not a locked folder"_s;
    case Refusal::NoSeal:
        return u"the locked folder's password file is missing"_s;
    case Refusal::WrongPassword:
    case Refusal::WrongMasterPassword:
        return u"wrong password, left locked"_s;
    case Refusal::None:
        break;
    }
    return engineText;
}

int lockOrUnlock(Platform& platform, const QStringList& arguments, bool locking) {
    Parser parser(locking ? u"Locks a folder: renames it and keeps the password inside it."_s
                          : u"Unlocks a locked folder with the password it was locked with."_s,
                  u"FOLDER"_s, locking ? u"The folder to lock."_s : u"The locked folder."_s);
    parser.addPasswordOptions();
    if (const std::optional<int> status = parser.parse(arguments))
        return *status;
    if (parser.positional().size() != 1)
        return parser.usageError(u"give exactly one folder"_s);
    const QString shown = parser.positional().constFirst();
    const QString folder = QDir::cleanPath(QDir::current().absoluteFilePath(shown));
    // The rules that need no password are judged before it is asked.
    const QFileInfo info(folder);
    if (!info.exists() && !info.isSymLink()) {
        Console::message(shown + u": no such folder"_s);
        return SomeFailed;
    }
    if (!info.isDir() && !info.isSymLink()) {
        Console::message(shown + u": not a folder"_s);
        return SomeFailed;
    }
    FolderLock folders(platform);
    if (locking) {
        if (const Expected<void, FolderLock::Refused> allowed = folders.lockable(folder); !allowed) {
            Console::message(shown + u": "_s + refusalText(allowed.error().rule, allowed.error().message));
            return SomeFailed;
        }
    }
    Expected<QString, int> password =
        readPassword(parser, locking ? PasswordInput::Ask::Twice : PasswordInput::Ask::Once);
    if (!password)
        return password.error();
    const Secret::WipedOnExit wipePassword(*password);
    const FolderLock::Result result = locking ? folders.lock(folder, *password) : folders.unlock(folder, *password);
    switch (result.outcome) {
    case FolderLock::Result::Outcome::Done:
        break;
    case FolderLock::Result::Outcome::Refused:
        Console::message(shown + u": "_s + refusalText(result.refusal, result.messages.value(0)));
        return SomeFailed;
    case FolderLock::Result::Outcome::NoPassword:
    case FolderLock::Result::Outcome::Failed:
        for (const QString& message : result.messages)
            Console::message(shown + u": "_s + message);
        return SomeFailed;
    }
    const QString renamed =
        QDir::isRelativePath(shown) ? QDir::current().relativeFilePath(result.folderPath) : result.folderPath;
    Console::result(shown + u" -> "_s + renamed);
    // The messages past the success line tell of steps that failed after the rename.
    const QString success = locking ? u"The folder successfully Locked."_s : u"The folder successfully unlocked."_s;
    const qsizetype successAt = result.messages.indexOf(success);
    const QStringList later = result.messages.mid(successAt + 1);
    for (const QString& message : later)
        Console::message(shown + u": "_s + message);
    return later.isEmpty() ? Done : SomeFailed;
}

QString attributeText(quint32 value) {
    QString text;
    for (const AttributeLetter& each : AttributeLetters)
        text += (value & each.bit) ? each.letter : u'-';
    return text;
}

// The bits of letters such as "rh"; nullopt for a letter that names no attribute.
std::optional<quint32> attributeBits(const QString& letters) {
    quint32 bits = 0;
    for (QChar letter : letters) {
        const auto found =
            std::find_if(std::begin(AttributeLetters), std::end(AttributeLetters),
                         [letter](const AttributeLetter& each) { return each.letter == letter.toUpper(); });
        if (found == std::end(AttributeLetters))
            return std::nullopt;
        bits |= found->bit;
    }
    return bits;
}

} // namespace

int encrypt(Platform& platform, InterruptWatch& interrupts, const QStringList& arguments) {
    return cryptFiles(platform, interrupts, arguments, true);
}

int decrypt(Platform& platform, InterruptWatch& interrupts, const QStringList& arguments) {
    return cryptFiles(platform, interrupts, arguments, false);
}

int lock(Platform& platform, InterruptWatch&, const QStringList& arguments) {
    return lockOrUnlock(platform, arguments, true);
}

int unlock(Platform& platform, InterruptWatch&, const QStringList& arguments) {
    return lockOrUnlock(platform, arguments, false);
}

int attrib(Platform& platform, InterruptWatch&, const QStringList& arguments) {
    Parser parser(u"Shows the attributes of each path (R read-only, H hidden, S system, A archive), or sets "
                  u"and clears them."_s,
                  u"PATH..."_s, u"Files or folders."_s);
    const QCommandLineOption set =
        parser.add({u"set"_s}, u"Sets these attributes (letters r, h, s, a)."_s, u"LETTERS"_s);
    const QCommandLineOption clear = parser.add({u"clear"_s}, u"Clears these attributes."_s, u"LETTERS"_s);
    if (const std::optional<int> status = parser.parse(arguments))
        return *status;
    const std::optional<quint32> setBits = attributeBits(parser.value(set));
    const std::optional<quint32> clearBits = attributeBits(parser.value(clear));
    if (!setBits || !clearBits)
        return parser.usageError(u"attributes are the letters r, h, s and a"_s);
    if (*setBits & *clearBits)
        return parser.usageError(u"an attribute cannot be both set and cleared"_s);
    if (parser.positional().isEmpty())
        return parser.usageError(u"no path given"_s);
    const bool changing = parser.isSet(set) || parser.isSet(clear);
    int status = Done;
    for (const QString& shown : parser.positional()) {
        const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(shown));
        if (!FileNames::usable(path)) {
            Console::message(shown + u": "_s + Console::unusableNameText());
            status = SomeFailed;
            continue;
        }
        std::optional<quint32> value = platform.attributes(path);
        if (!value) {
            Console::message(shown + u": no such file or folder"_s);
            status = SomeFailed;
            continue;
        }
        if (changing) {
            const quint32 wanted = (*value & ~*clearBits) | *setBits;
            if (const Expected<void> set = platform.setAttributes(path, wanted); !set) {
                const QString& error = set.error().message;
                Console::message(shown + u": "_s + (error.isEmpty() ? u"the attributes cannot be set"_s : error));
                status = SomeFailed;
                continue;
            }
            value = platform.attributes(path);
        }
        Console::result(attributeText(value.value_or(0)) + u"  "_s + shown);
    }
    return status;
}

int info(Platform&, InterruptWatch&, const QStringList& arguments) {
    Parser parser(u"Shows the security level and the saved attributes of encrypted files (never the password)."_s,
                  u"FILE.vxp..."_s, u"Encrypted files."_s);
    if (const std::optional<int> status = parser.parse(arguments))
        return *status;
    if (parser.positional().isEmpty())
        return parser.usageError(u"no file given"_s);
    int status = Done;
    for (const QString& shown : parser.positional()) {
        const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(shown));
        QString error;
        std::optional<EncryptedHeader> header;
        Expected<Descriptor> file = unexpected({});
        if (!FileNames::usable(path))
            error = Console::unusableNameText();
        else if (!FileChecks::hasEncryptedEnding(path))
            error = u"not an encrypted file (its name does not end with .vxp)"_s;
        else if (QFileInfo(path).isSymLink())
            error = u"a symbolic link"_s;
        else if (FileChecks::isTooShort(QFileInfo(path).size()))
            error = u"too short to be an encrypted file (under 11 bytes)"_s;
        else if (file = FileIo::openForReading(path); !file)
            error = file.error().message;
        else if (Expected<EncryptedHeader> read = CipherPass::readHeader(file->fd(), path))
            header = *read;
        else
            error = read.error().message;
        // A Strong header's costs are shown once it holds together; nothing under its key is read.
        if (header && header->isStrong()) {
            QByteArray stored(StrongFormat::HeaderSize, Qt::Uninitialized);
            stored.truncate(std::max<qsizetype>(0, ::pread(file->fd(), stored.data(), stored.size(), 0)));
            const Expected<StrongHeader, StrongRefusal> read = StrongFormat::readHeader(stored);
            if (read) {
                Console::result(shown + u": level strong, key derivation Argon2id, "_s +
                                QString::number(read->derivation.passes) + u" passes, "_s +
                                QString::number(read->derivation.memoryKiB / 1024) + u" MiB"_s);
                continue;
            }
            header.reset();
            error = read.error().message();
        }
        if (!header) {
            Console::message(shown + u": "_s + error);
            status = SomeFailed;
            continue;
        }
        const std::optional<SecurityLevel> level = header->level();
        const QString levelText = !level                          ? u"unknown (damaged header)"_s
                                  : *level == SecurityLevel::High ? u"high"_s
                                                                  : u"low"_s;
        Console::result(shown + u": level "_s + levelText + u", saved attributes "_s +
                        attributeText(header->savedAttributes));
    }
    return status;
}

int generate(Platform&, InterruptWatch&, const QStringList& arguments) {
    Parser parser(u"Prints random passwords drawn from the system's random source."_s, {}, {});
    const QCommandLineOption kind =
        parser.add({u"kind"_s}, u"numbers, small, capital, mixed or alnum (default numbers)."_s, u"KIND"_s);
    const QCommandLineOption length =
        parser.add({u"length"_s}, u"Characters a password, 1 to 255 (default 8)."_s, u"N"_s);
    const QCommandLineOption count = parser.add({u"count"_s}, u"Passwords to print, 1 to 10000 (default 1)."_s, u"N"_s);
    if (const std::optional<int> status = parser.parse(arguments))
        return *status;
    if (!parser.positional().isEmpty())
        return parser.usageError(u"generate takes no paths"_s);
    using Kind = PasswordGenerator::Kind;
    const QHash<QString, Kind> kinds{{u"numbers"_s, Kind::Numbers},
                                     {u"small"_s, Kind::Small},
                                     {u"capital"_s, Kind::Capital},
                                     {u"mixed"_s, Kind::SmallCapital},
                                     {u"alnum"_s, Kind::NumbersLetter}};
    const QString kindName = parser.isSet(kind) ? parser.value(kind) : u"numbers"_s;
    if (!kinds.contains(kindName))
        return parser.usageError(u"unknown kind "_s + kindName);
    bool lengthIsNumber = true;
    bool countIsNumber = true;
    const int characters = parser.isSet(length) ? parser.value(length).toInt(&lengthIsNumber) : 8;
    const int passwords = parser.isSet(count) ? parser.value(count).toInt(&countIsNumber) : 1;
    if (!lengthIsNumber || characters < 1 || characters > 255)
        return parser.usageError(u"the length is a number from 1 to 255"_s);
    if (!countIsNumber || passwords < 1 || passwords > 10000)
        return parser.usageError(u"the count is a number from 1 to 10000"_s);
    SystemUniformSource source;
    PasswordGenerator generator(source);
    for (int i = 0; i < passwords; ++i)
        Console::result(generator.password(kinds.value(kindName), characters));
    return Done;
}

} // namespace Subcommands
