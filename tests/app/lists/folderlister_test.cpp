/*
 * Reading a folder for the file list.
 */
#include "folderlister.h"

#include "linuxplatform.h"
#include "qstringprinter.h"
#include "tempenv.h"

#include <QtCore/QFile>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

class FolderListerTest : public TempEnvTest {};

TEST_F(FolderListerTest, ListsFilesAndLinksToFilesSortedIgnoringCase) {
    LinuxPlatform platform;
    const QString folder = makeDir(u"f"_s);
    for (const QString& name : {u"b.txt"_s, u"A.txt"_s, u"c.TXT"_s, u".hidden"_s})
        makeFile(u"f/"_s + name, 10);
    makeDir(u"f/sub"_s);
    ASSERT_TRUE(QFile::link(folder + u"/b.txt"_s, folder + u"/link.txt"_s));
    ASSERT_TRUE(QFile::link(folder + u"/missing"_s, folder + u"/dead"_s));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + u"/pipe"_s).constData(), 0600), 0);
    ASSERT_TRUE(platform.setAttributes(folder + u"/b.txt"_s, 35));

    QStringList names;
    QList<quint32> values;
    for (const FolderEntry& entry : FolderLister(platform).read(folder)) {
        names.append(entry.name);
        values.append(entry.attributes);
    }
    EXPECT_EQ(names, (QStringList{u".hidden"_s, u"A.txt"_s, u"b.txt"_s, u"c.TXT"_s, u"link.txt"_s}));
    // The link is read as itself, not as the file it points to.
    EXPECT_EQ(values, (QList<quint32>{2, 0, 35, 0, 0}));

    EXPECT_TRUE(FolderLister(platform).read(path(u"nowhere"_s)).isEmpty());
}
