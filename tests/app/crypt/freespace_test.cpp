/*
 * The size texts of the space messages and the free-space measurement.
 */
#include "freespace.h"

#include "fakeplatform.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(SizeText, PicksTheUnitAndRoundsToTwoDecimals) {
    const std::pair<qint64, QString> cases[] = {
        {0, u"0  Byte\r\n"_s},        {1024, u"1024  Byte\r\n"_s},
        {1152, u"1.13  KB\r\n"_s}, // 1.125: half rounds up
        {1536, u"1.50  KB\r\n"_s},    {1048576, u"1024.00  KB\r\n"_s},
        {1048577, u"1.00  MB\r\n"_s}, {5000000000, u"4768.37  MB\r\n"_s},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(SizeText(bytes), text) << bytes;
}

TEST(MeasureFreeSpace, NamesTheVolumeAndItsFreeBytes) {
    FakePlatform platform;
    platform.root = u"/media/data"_s;
    platform.free = 6000000000000;
    const FreeSpace space = MeasureFreeSpace(platform, u"/media/data/a.txt"_s);
    EXPECT_EQ(space.WorkDrive, u"/media/data"_s);
    EXPECT_EQ(space.FreeBytes, 6000000000000);
    EXPECT_EQ(space.FreeSpaceText, u"Free Bytes on drive /media/data is    5722045.90  MB\r\n"_s);
}
