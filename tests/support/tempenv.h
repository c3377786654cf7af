/*
 * A test fixture that gives each test its own temporary folder, with the per-user data and
 * configuration folders redirected into it, so no test touches real user files; and the file
 * helpers the tests share. It brings the headers nearly every test needs.
 */
#pragma once

#include "common/expected.h"

#include <QtCore/QByteArray>
#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QFileInfo>
#include <QtCore/QList>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Texts read as text when a comparison fails.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Bytes that look random, the same for the same seed.
QByteArray sampleBytes(qint64 size, quint32 seed = 1);

// What a failed result tells the user; empty for one that succeeded.
template <typename T, typename E> QString errorOf(const Expected<T, E>& result) {
    return result ? QString() : result.error().message;
}

// A path as the system takes it.
inline QByteArray encoded(const QString& path) {
    return QFile::encodeName(path);
}
// The permission bits of a file, of a link itself rather than its target.
mode_t modeOf(const QString& path);

class TempEnvTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The test's own folder; every path a test makes lies below it.
    QString root() const { return m_dir.path(); }
    QString path(const QString& relative) const { return m_dir.filePath(relative); }

    // Creates a file (and its folders) of the given size, filled with a repeating byte pattern.
    QString makeFile(const QString& relative, qint64 size);
    // Creates a file (and its folders) holding exactly these bytes.
    QString makeFile(const QString& relative, const QByteArray& bytes);
    QString makeDir(const QString& relative);
    // Creates a file (a folder for a name ending in '/') whose name is not UTF-8 and returns its
    // path as the program is given it, U+FFFD in place of each stray byte. Removed when the test
    // ends, which the temporary folder cannot do for a name no text names.
    QString makeRawFile(const QByteArray& relative, const QByteArray& bytes = "x");
    static QByteArray readAll(const QString& filePath);
    // Every name in a folder, hidden ones included, in order.
    static QStringList namesIn(const QString& folder);

private:
    QTemporaryDir m_dir;
    QByteArray m_oldData;
    QByteArray m_oldConfig;
    QList<QByteArray> m_raw;
};
