/*
 * The file chooser's rules.
 */
#include "app/lists/engine/chooserrules.h"

#include "app/platform/attributes.h"

#include <QtCore/QLocale>
#include <QtCore/QSet>

#include <cmath>

using namespace Qt::StringLiterals;

namespace ChooserRules {

QString fileSizeText(qint64 bytes) {
    if (bytes <= 1024)
        return u"File Size : "_s + QString::number(bytes) + u" Byte"_s;
    double size = bytes / 1024.0;
    QString unit = u" K"_s;
    if (size > 1024) {
        size /= 1024;
        unit = u" MB"_s;
    }
    // "0.00": rounded half up, no grouping, the user's decimal separator.
    const QString number = QString::number(std::floor(size * 100 + 0.5) / 100, 'f', 2);
    return u"File Size : "_s + QString(number).replace(u'.', QLocale().decimalPoint()) + unit;
}

QString filterPattern(const QString& filterText) {
    return filterText.startsWith(u"All"_s) ? filterText.mid(10) : filterText;
}

AttributeButtons ButtonsFor(quint8 attributes) {
    const bool known = (attributes >= 1 && attributes <= 7) || (attributes >= 32 && attributes <= 39);
    if (!known)
        return {};
    return {(attributes & Attr::Archive) != 0, (attributes & Attr::Hidden) != 0, (attributes & Attr::ReadOnly) != 0,
            (attributes & Attr::System) != 0};
}

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(u'/'))
        return folder + name;
    return folder + u'/' + name;
}

bool isLockedFolder(const QString& path) {
    return path.endsWith(LockExtension);
}

PathAddition AddPaths(const QStringList& present, const QStringList& incoming) {
    PathAddition result;
    QSet<QString> known(present.begin(), present.end());
    for (const QString& path : incoming) {
        if (known.contains(path)) {
            result.duplicates.append(path);
        } else {
            known.insert(path);
            result.appended.append(path);
        }
    }
    return result;
}

} // namespace ChooserRules
