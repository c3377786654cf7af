/*
 * A test fixture that gives each test its own temporary folder, with the per-user data and
 * configuration folders redirected into it, so no test touches real user files.
 */
#pragma once

#include <QtCore/QByteArray>
#include <QtCore/QString>
#include <QtCore/QStringList>
#include <QtCore/QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Texts read as text when a comparison fails.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Bytes that look random, the same for the same seed.
QByteArray sampleBytes(qint64 size, quint32 seed = 1);

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
    static QByteArray readAll(const QString& filePath);
    // Every name in a folder, hidden ones included, in order.
    static QStringList namesIn(const QString& folder);

private:
    QTemporaryDir m_dir;
    QByteArray m_oldData;
    QByteArray m_oldConfig;
};
