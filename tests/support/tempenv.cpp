#include "tests/support/tempenv.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QRandomGenerator>

QByteArray sampleBytes(qint64 size, quint32 seed) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    for (char& byte : bytes)
        byte = static_cast<char>(generator.generate());
    return bytes;
}

void TempEnvTest::SetUp() {
    ASSERT_TRUE(m_dir.isValid());
    m_oldData = qgetenv("XDG_DATA_HOME");
    m_oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(makeDir(QStringLiteral("xdg-data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(makeDir(QStringLiteral("xdg-config"))));
}

void TempEnvTest::TearDown() {
    qputenv("XDG_DATA_HOME", m_oldData);
    qputenv("XDG_CONFIG_HOME", m_oldConfig);
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

QByteArray TempEnvTest::readAll(const QString& filePath) {
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QStringList TempEnvTest::namesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}
