/*
 * The saving of hot lists.
 */
#include "app/lists/hotlistsaver.h"

#include "app/core/dialogs.h"
#include "app/lists/engine/hotlistfile.h"
#include "app/platform/platform.h"

#include <QtCore/QDir>
#include <QtCore/QFileInfo>

using namespace Qt::StringLiterals;

namespace {

QString refusalText(const QString& caption, const HotListFile::Refusal& refusal) {
    const HotListFile::Limits limits;
    switch (refusal.reason) {
    case HotListFile::Refusal::TooManyEntries:
        return caption + u"\r\nholds more than %1 entries; a hot list holds at most %1."_s.arg(limits.entries);
    case HotListFile::Refusal::LineTooLong:
        return refusal.entry +
               u"\r\nis too long for a hot list: its line would be longer than %1 bytes."_s.arg(limits.lineBytes);
    case HotListFile::Refusal::UnstorableEntry:
        break;
    }
    return refusal.entry + u"\r\ncannot be stored in a hot list."_s;
}

} // namespace

QString HotListSaver::listFolder() const {
    return HotListFile::folder(m_platform.dataFolder());
}

HotListSaver::SaveResult HotListSaver::save(const QString& caption, const QStringList& entries) {
    // Refused before the replace question: a list that would not open again is never written.
    const Expected<QByteArray, HotListFile::Refusal> content = HotListFile::format(entries);
    if (!content) {
        m_dialogs.message(refusalText(caption, content.error()) + u" The list is not saved."_s);
        return SaveResult::Failed;
    }
    const QString path = HotListFile::listPath(listFolder(), caption);
    if (QFileInfo(path).exists()) {
        if (m_dialogs.askYesNo(u"This list is already existed do you want replace it"_s) != Dialogs::Answer::Yes)
            return SaveResult::NotReplaced;
        // A read-only list file could not be replaced. Cleared only once the user said Yes: a file
        // kept stays as it was. A failure shows in the write that follows.
        m_platform.setAttributes(path, 0);
    }
    QDir().mkpath(listFolder());
    if (const Expected<void> written = HotListFile::write(path, *content); !written) {
        reportFailure(path, written.error().message);
        return SaveResult::Failed;
    }
    return SaveResult::Saved;
}

void HotListSaver::reportFailure(const QString& path, const QString& error) {
    m_dialogs.message(path + u"\r\n"_s + error);
}
