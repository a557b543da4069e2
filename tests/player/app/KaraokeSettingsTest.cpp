// The karaoke settings: every stored value read as its setting takes it, and written back.
#include <QSettings>
#include <gtest/gtest.h>

#include "player/app/KaraokeSettings.h"
#include "tests/player/app/TestTracks.h"

namespace {

using testtracks::App;
using testtracks::CTestFolder;

struct StoredCase {
    const char* pszName;
    QVariant vocals;  // invalid: no value stored
    QVariant key;
    QVariant offset;
    SKaraokeSettings expected;
};

class KaraokeSettingsLoad : public ::testing::TestWithParam<StoredCase> {};

TEST_P(KaraokeSettingsLoad, ReadsUsableValuesAndWritesTheResultBack) {
    App();
    CTestFolder folder;
    const StoredCase& c = GetParam();
    {
        QSettings settings;
        const std::pair<const char*, const QVariant*> stored[] = {
            {"Settings/VocalRemoval", &c.vocals},
            {"Settings/KeySemitones", &c.key},
            {"Settings/SyncOffsetMs", &c.offset}};
        for (const auto& [pszKey, pValue] : stored) {
            if (pValue->isValid()) {
                settings.setValue(QLatin1String(pszKey), *pValue);
            }
        }
    }
    EXPECT_EQ(karaoke::LoadSettings(), c.expected);
    QSettings settings;
    EXPECT_EQ(settings.value(QStringLiteral("Settings/VocalRemoval")).toString(),
              c.expected.bVocalRemoval ? QStringLiteral("true") : QStringLiteral("false"));
    EXPECT_EQ(settings.value(QStringLiteral("Settings/KeySemitones")).toInt(),
              c.expected.nKeySemitones);
    EXPECT_EQ(settings.value(QStringLiteral("Settings/SyncOffsetMs")).toInt(),
              c.expected.nSyncOffsetMs);
}

INSTANTIATE_TEST_SUITE_P(
    Values, KaraokeSettingsLoad,
    ::testing::Values(StoredCase{"Absent", {}, {}, {}, {false, 0, 0}},
                      StoredCase{"Usable", true, 3, 40, {true, 3, 40}},
                      StoredCase{"AsText",
                                 QStringLiteral("true"),
                                 QStringLiteral("-2"),
                                 QStringLiteral(" -120 "),
                                 {true, -2, -120}},
                      StoredCase{"Ends", QStringLiteral("1"), 6, -1000, {true, 6, -1000}},
                      StoredCase{"OtherEnds", QStringLiteral("0"), -6, 1000, {false, -6, 1000}},
                      StoredCase{"TooHigh", false, 7, 1010, {false, 6, 1000}},
                      StoredCase{"TooLow", false, -100, -5000, {false, -6, -1000}},
                      StoredCase{"Huge",
                                 false,
                                 QStringLiteral("99999999999"),
                                 QStringLiteral("-99999999999"),
                                 {false, 6, -1000}},
                      StoredCase{"OffStep", false, 0, 44, {false, 0, 40}},
                      StoredCase{"OffStepUp", false, 0, 45, {false, 0, 50}},
                      StoredCase{"OffStepNegative", false, 0, -36, {false, 0, -40}},
                      StoredCase{"NotNumbers",
                                 QStringLiteral("yes"),
                                 QStringLiteral("two"),
                                 QStringLiteral("later"),
                                 {false, 0, 0}},
                      StoredCase{"Fractions",
                                 QStringLiteral("on"),
                                 QStringLiteral("2.5"),
                                 QStringLiteral("40.0"),
                                 {false, 0, 0}},
                      StoredCase{"Empty", QString(), QString(), QString(), {false, 0, 0}}),
    [](const auto& info) { return std::string(info.param.pszName); });

TEST(KaraokeSettings, ClampingKeepsRangeAndStep) {
    const std::pair<int, int> keys[] = {{0, 0}, {6, 6}, {7, 6}, {-6, -6}, {-7, -6}, {INT_MIN, -6}};
    for (const auto& [nIn, nOut] : keys) {
        EXPECT_EQ(karaoke::ClampKey(nIn), nOut) << nIn;
    }
    const std::pair<int, int> offsets[] = {{0, 0},       {10, 10},        {14, 10},
                                           {15, 20},     {-15, -20},      {999, 1000},
                                           {1004, 1000}, {INT_MAX, 1000}, {INT_MIN, -1000}};
    for (const auto& [nIn, nOut] : offsets) {
        EXPECT_EQ(karaoke::ClampSyncOffset(nIn), nOut) << nIn;
    }
}

}  // namespace
