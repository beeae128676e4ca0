// The station's JSON vocabulary, the payloads and the discovery configs.
#include <gtest/gtest.h>

#include "mqtt/MqttPayloads.h"
#include "mqtt/MqttTopics.h"

namespace tevra {
namespace {

// 2026-12-09 02:53:26.1239 UTC
constexpr std::int64_t kTime = 1796784806123900;

TEST(StationJson, TimesClassesStatesAndEscaping) {
  EXPECT_EQ(IsoUtcMillis(kTime), "2026-12-09T02:53:26.123Z");
  EXPECT_EQ(IsoUtcMillis(0), "1970-01-01T00:00:00.000Z");
  // Each class's upper bound and the first value above it.
  const struct {
    double Intensity;
    const char* Code;
    int Rank;
  } classes[] = {{-1.0, "0", 0}, {0.4, "0", 0},  {0.41, "1", 1}, {3.4, "3", 3},  {4.45, "5-", 5},
                 {4.9, "5-", 5}, {5.0, "5+", 6}, {5.5, "6-", 7}, {6.4, "6+", 8}, {6.5, "7", 9}};
  for (const auto& c : classes) {
    EXPECT_STREQ(IntensityClassCode(c.Intensity), c.Code) << c.Intensity;
    EXPECT_EQ(IntensityClassRank(c.Intensity), c.Rank) << c.Intensity;
  }
  EXPECT_STREQ(StationStateName(TStationState::Measuring), "measuring");
  EXPECT_STREQ(StationStateName(TStationState::Reconnecting), "reconnecting");
  EXPECT_STREQ(StationStateName(TStationState::Stopped), "stopped");
  EXPECT_EQ(JsonString("a\"b\\c\n\x01震度"), "\"a\\\"b\\\\c\\n\\u0001震度\"");
  EXPECT_EQ(TJsonObject().Number("x", -0.001, 2).Number("y", 1.0 / 0.0, 1).Json(), "{\"x\":0.00,\"y\":null}");
}

TEST(MqttPayloads, IntensityAlarmAndState) {
  TIntensityReading r{kTime, 4.46, 123.456, std::nullopt, std::nullopt};
  EXPECT_EQ(IntensityPayload(r),
            "{\"time\":\"2026-12-09T02:53:26.123Z\",\"intensity\":4.46,\"class\":\"5-\",\"class_rank\":5,"
            "\"acceleration_gal\":123.46}");
  r.LongPeriodClass.emplace(1, '2');
  r.SvaCmS = 17.25;
  EXPECT_NE(IntensityPayload(r).find(",\"long_period_class\":\"2\",\"sva_cm_s\":17.25}"), std::string::npos);

  const TAlarmEvent start{true, {kTime, 3.5, 40.0, std::nullopt, std::nullopt}, "intensity", ""};
  EXPECT_EQ(AlarmPayload(start),
            "{\"event\":\"start\",\"time\":\"2026-12-09T02:53:26.123Z\",\"intensity\":3.50,\"class\":\"4\","
            "\"class_rank\":4,\"acceleration_gal\":40.00,\"criterion\":\"intensity\"}");
  const TAlarmEvent end{false, {kTime, 4.0, 80.0, std::nullopt, std::nullopt}, "", "D20261209.csv"};
  const std::string late = AlarmPayload(end, 21.25);
  EXPECT_EQ(late.substr(0, 16), "{\"event\":\"end\",\"");
  EXPECT_NE(late.find("\"detail_file\":\"D20261209.csv\",\"late\":true,\"age_s\":21.2"), std::string::npos);
  EXPECT_EQ(late.find("criterion"), std::string::npos);

  TStationStatus s;
  s.State = TStationState::Reconnecting;
  s.FrozenSensor = true;
  s.FramesPerSecond = 99.96;
  s.Version = "0.1.0";
  EXPECT_EQ(StatePayload(s),
            "{\"state\":\"reconnecting\",\"alarm\":false,\"health\":{\"rate_out_of_bounds\":false,"
            "\"frozen_sensor\":true,\"clock_unsynchronised\":false,\"low_disk\":false},"
            "\"frames_per_second\":100.0,\"version\":\"0.1.0\"}");
  TStationStatus other = s;
  other.FramesPerSecond = 50;
  EXPECT_FALSE(s.Differs(other));
  other.LowDisk = true;
  EXPECT_TRUE(s.Differs(other));
}

TEST(MqttTopics, PrefixesNodeIdsAndDiscovery) {
  EXPECT_EQ(DefaultTopicPrefix("XX", "TEVRA"), "tevra/XX.TEVRA");
  for (const char* good : {"tevra/XX.TEVRA", "a", "site/b-1/c"}) EXPECT_TRUE(IsTopicPrefix(good)) << good;
  for (const char* bad : {"", "/a", "a/", "a//b", "a/+/b", "a/#", "a\tb"})
    EXPECT_FALSE(IsTopicPrefix(bad)) << bad;
  EXPECT_EQ(DiscoveryNodeId("XX", "TEVRA"), "tevra_XX_TEVRA");
  EXPECT_EQ(DiscoveryNodeId("X.", "A B/c"), "tevra_X__A_B_c");

  TDiscoveryDevice d{"XX", "TEVRA", "tevra_panel", "0.1.0", "ha", true};
  const auto configs = DiscoveryConfigs(d, TMqttStationTopics{"p"});
  ASSERT_EQ(configs.size(), 6u);
  EXPECT_EQ(configs[0].Topic, "ha/sensor/tevra_XX_TEVRA/intensity/config");
  EXPECT_EQ(configs[5].Topic, "ha/binary_sensor/tevra_XX_TEVRA/alarm/config");
  for (const auto& c : configs) {
    for (const char* key : {"\"unique_id\":\"tevra_XX_TEVRA_", "\"availability_topic\":\"p/availability\"",
                            "\"identifiers\":[\"tevra_XX_TEVRA\"]", "\"name\":\"tevra XX.TEVRA\"",
                            "\"sw_version\":\"0.1.0\"", "\"state_topic\":\"p/"}) {
      EXPECT_NE(c.Payload.find(key), std::string::npos) << c.Topic << " " << key;
    }
  }
  EXPECT_NE(configs[2].Payload.find("\"unit_of_measurement\":\"gal\""), std::string::npos);
  EXPECT_NE(configs[5].Payload.find("\"device_class\":\"vibration\""), std::string::npos);
  d.Alarms = false;
  EXPECT_EQ(DiscoveryConfigs(d, TMqttStationTopics{"p"}).size(), 5u);
  const auto removals = DiscoveryRemovals(d);
  ASSERT_EQ(removals.size(), 6u);
  for (const auto& r : removals) EXPECT_TRUE(r.Payload.empty());
}

}  // namespace
}  // namespace tevra
