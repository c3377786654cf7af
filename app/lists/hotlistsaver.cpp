/*
 * The saving of hot lists.
 */
#include "hotlistsaver.h"

#include "dialogs.h"
#include "hotlistfile.h"
#include "platform.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

using namespace Qt::StringLiterals;

QString HotListSaver::listFolder() const {
    return HotListFile::Folder(m_platform.dataFolder());
}

HotListSaver::SaveResult HotListSaver::save(const QString& caption, const QStringList& entries) {
    QString unstorable;
    const std::optional<QByteArray> content = HotListFile::Format(entries, &unstorable);
    if (!content) {
        m_dialogs.message(unstorable + u"\r\ncannot be stored in a hot list. The list is not saved."_s);
        return SaveResult::Failed;
    }
    const QString path = HotListFile::PathOf(listFolder(), caption);
    if (QFileInfo(path).exists()) {
        if (m_dialogs.askYesNo(u"This list is already existed do you want replace it"_s) != Dialogs::Answer::Yes)
            return SaveResult::NotReplaced;
        // A read-only list file could not be replaced. Cleared only once the user said Yes: a file
        // kept stays as it was. A failure shows in the write that follows.
        m_platform.setAttributes(path, 0);
    }
    QDir().mkpath(listFolder());
    QString error;
    if (!HotListFile::Write(path, *content, &error)) {
        reportFailure(path, error);
        return SaveResult::Failed;
    }
    return SaveResult::Saved;
}

void HotListSaver::reportFailure(const QString& path, const QString& error) {
    m_dialogs.message(path + u"\r\n"_s + error);
}
