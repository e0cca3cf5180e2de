#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "LidarRecords.h"

#include <pcl/for_each_type.h>

namespace {

std::uint32_t bitsOf(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

struct FieldNames {
  std::vector<std::string>* names;
  template <typename Tag>
  void operator()() {
    names->push_back(pcl::traits::name<PointInfo, Tag>::value);
  }
};

TEST(DriverRecords, PointInfoFieldsRegisteredUnderTheirNames) {
  std::vector<std::string> names;
  pcl::for_each_type<pcl::traits::fieldList<PointInfo>::type>(FieldNames{&names});
  const std::vector<std::string> expected = {"x", "y", "z", "rgb", "Channel", "H_angle", "V_angle",
                                             "Distance", "Intensity", "Distance2", "Intensity2",
                                             "Mtimestamp_nsce"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(sizeof(PointInfo), 64u);
}

TEST(DriverRecords, ColourBytesSitInMemoryOrderBGRA) {
  PointInfo p{};
  p.r = 1;
  p.g = 2;
  p.b = 3;
  p.a = 4;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&p.rgba);
  EXPECT_EQ(bytes[0], 3);
  EXPECT_EQ(bytes[1], 2);
  EXPECT_EQ(bytes[2], 1);
  EXPECT_EQ(bytes[3], 4);
}

TEST(DriverRecords, DefaultFilterIsAllNegativeQuietNaNAndAllChannels) {
  _FiltrationDataInitParam f;
  for (int i = 0; i < 14; ++i) {
    EXPECT_TRUE(std::isnan(f.pairs()[i]));
    EXPECT_EQ(bitsOf(f.pairs()[i]), 0xFFC00000u) << "pair value " << i;
  }
  for (int c = 0; c < 256; ++c) EXPECT_EQ(f.ChannelFlags[c], 1);
  EXPECT_EQ(sizeof(_MuchLidarData), 64u);
}

}  // namespace
