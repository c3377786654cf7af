#include "tests/support/tempenv.h"

#include <QtCore/QRandomGenerator>

QByteArray sampleBytes(qint64 size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char& byte : bytes)
        byte = static_cast<char>(generator.generate());
    return bytes;
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(encoded(path).constData(), &info), 0) << path.toStdString();
    return info.st_mode & 07777;
}

void TempEnvTest::SetUp() {
    ASSERT_TRUE(m_dir.isValid());
    m_oldData = qgetenv("XDG_DATA_HOME");
    m_oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", encoded(makeDir(QStringLiteral("xdg-data"))));
    qputenv("XDG_CONFIG_HOME", encoded(makeDir(QStringLiteral("xdg-config"))));
}

void TempEnvTest::TearDown() {
    qputenv("XDG_DATA_HOME", m_oldData);
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
    for (auto raw = m_raw.crbegin(); raw != m_raw.crend(); ++raw)
        raw->endsWith('/') ? ::rmdir(raw->constData()) : ::unlink(raw->constData());
}

QString TempEnvTest::makeDir(const QString& relative) {
    const QString full = path(relative);
    EXPECT_TRUE(QDir().mkpath(full)) << full.toStdString();
    return full;
}

QString TempEnvTest::makeFile(const QString& relative, qint64 size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return makeFile(relative, bytes);
}

QString TempEnvTest::makeFile(const QString& relative, const QByteArray& bytes) {
    const QString full = path(relative);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << full.toStdString();
    EXPECT_EQ(file.write(bytes), bytes.size());
    return full;
}

QString TempEnvTest::makeRawFile(const QByteArray& relative, const QByteArray& bytes) {
    const QByteArray raw = encoded(root()) + '/' + relative;
    if (raw.endsWith('/')) {
        EXPECT_EQ(::mkdir(raw.constData(), 0700), 0) << raw.constData();
    } else {
        const int fd = ::open(raw.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        EXPECT_TRUE(fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size()) << raw.constData();
        ::close(fd);
    }
    m_raw.append(raw);
    return QFile::decodeName(raw.endsWith('/') ? raw.chopped(1) : raw);
}

QByteArray TempEnvTest::readAll(const QString& filePath) {
    QFile file(filePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList TempEnvTest::namesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
