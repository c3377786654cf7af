/*
 * The size texts of the space messages and the free-space measurement.
 */
#include "freespace.h"

#include "fakeplatform.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(SizeText, PicksTheUnitAndRoundsToTwoDecimals) {
    const struct {
        qint64 bytes;
        QString text;
    } cases[] = {
        {0, u"0  Byte\r\n"_s},
        {1024, u"1024  Byte\r\n"_s},
        {1025, u"1.00  KB\r\n"_s},
        {1152, u"1.13  KB\r\n"_s}, // 1.125: half rounds up
        {1535, u"1.50  KB\r\n"_s},
        {1048575, u"1024.00  KB\r\n"_s},
        {1048576, u"1024.00  KB\r\n"_s},
        {1048577, u"1.00  MB\r\n"_s},
        {3000000, u"2.86  MB\r\n"_s},
        {5000000000, u"4768.37  MB\r\n"_s},
        {Q_INT64_C(9223372036854775807), u"8796093022208.00  MB\r\n"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SizeText(c.bytes), c.text) << c.bytes;
}

TEST(MeasureFreeSpace, NamesTheVolumeAndItsFreeBytes) {
    FakePlatform platform;
    platform.root = u"/media/data"_s;
    platform.free = 3000000;
    const FreeSpace space = MeasureFreeSpace(platform, u"/media/data/a.txt"_s);
    EXPECT_EQ(space.WorkDrive, u"/media/data"_s);
    EXPECT_EQ(space.FreeBytes, 3000000);
    EXPECT_EQ(space.FreeSpaceText, u"Free Bytes on drive /media/data is    2.86  MB\r\n"_s);

    // Beyond 32 bits nothing overflows; a failed query reads as 0.
    platform.free = 6000000000000;
    EXPECT_EQ(MeasureFreeSpace(platform, u"/media/data"_s).FreeBytes, 6000000000000);
    platform.free = 0;
    EXPECT_EQ(MeasureFreeSpace(platform, u"/media/data"_s).FreeSpaceText,
              u"Free Bytes on drive /media/data is    0  Byte\r\n"_s);
}
