#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "PointColoring.h"

namespace {

struct RGB {
  int r, g, b;
  bool operator==(const RGB& o) const { return r == o.r && g == o.g && b == o.b; }
};
std::ostream& operator<<(std::ostream& os, const RGB& c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}
RGB colourOf(const PointInfo& p) { return {p.r, p.g, p.b}; }

// A point with a recognisable colour so that "unchanged" can be seen.
struct PointBuilder {
  PointInfo p{};
  PointBuilder() {
    p.r = 1;
    p.g = 2;
    p.b = 3;
    p.a = 0;
  }
  PointBuilder& intensity(int v) { p.Intensity = static_cast<std::uint8_t>(v); return *this; }
  PointBuilder& channel(int v) { p.Channel = static_cast<std::uint8_t>(v); return *this; }
  PointBuilder& z(float v) { p.z = v; return *this; }
  PointBuilder& hAngle(float v) { p.H_angle = v; return *this; }
  PointInfo build() const { return p; }
};

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const RGB kUnchanged{1, 2, 3};

TEST(PointColoring, IntensityRamp) {
  const struct {
    int intensity;
    RGB rgb;
  } cases[] = {
      {0, {0, 0, 255}},     {31, {0, 248, 255}},  {32, {0, 255, 255}}, {63, {0, 255, 7}},
      {64, {0, 255, 0}},    {100, {144, 255, 0}}, {127, {252, 255, 0}}, {128, {255, 255, 0}},
      {200, {255, 111, 0}}, {255, {255, 1, 0}},
  };
  for (const auto& c : cases) {
    PointInfo p = PointBuilder().intensity(c.intensity).build();
    applyIntensityRamp(&p, p.Intensity);
    EXPECT_EQ(colourOf(p), c.rgb) << "intensity " << c.intensity;
    EXPECT_EQ(p.a, 0) << "the ramp leaves alpha alone";
  }
}

TEST(PointColoring, ColourModes) {
  const struct {
    const char* name;
    int mode;
    PointInfo point;
    RGB rgb;
  } cases[] = {
      {"white", 1, PointBuilder().build(), {255, 255, 255}},
      {"z -2", 2, PointBuilder().z(-2.f).build(), {139, 69, 19}},
      {"z -1.99", 2, PointBuilder().z(-1.99f).build(), {255, 255, 0}},
      {"z 0", 2, PointBuilder().z(0.f).build(), {255, 255, 0}},
      {"z 1", 2, PointBuilder().z(1.f).build(), {255, 255, 255}},
      {"z 5", 2, PointBuilder().z(5.f).build(), {0, 128, 0}},
      {"z 5.01", 2, PointBuilder().z(5.01f).build(), {0, 0, 255}},
      {"z NaN", 2, PointBuilder().z(kNaN).build(), {0, 0, 255}},
      {"H 0", 3, PointBuilder().hAngle(0.f).build(), {0, 255, 255}},
      {"H 89.9", 3, PointBuilder().hAngle(89.9f).build(), {0, 255, 255}},
      {"H 90", 3, PointBuilder().hAngle(90.f).build(), {0, 125, 192}},
      {"H 180", 3, PointBuilder().hAngle(180.f).build(), {0, 255, 0}},
      {"H 270", 3, PointBuilder().hAngle(270.f).build(), {255, 255, 0}},
      {"channel 0", 4, PointBuilder().channel(0).build(), {0, 0, 255}},
      {"channel 4", 4, PointBuilder().channel(4).build(), {0, 255, 255}},
      {"channel 10", 4, PointBuilder().channel(10).build(), {64, 255, 0}},
      {"channel 16", 4, PointBuilder().channel(16).build(), {255, 255, 0}},
      {"channel 20", 4, PointBuilder().channel(20).build(), {255, 191, 0}},
      {"channel 255", 4, PointBuilder().channel(255).build(), {255, 15, 0}},  // 8 x 255 kept as 32-bit
      {"unknown mode", 7, PointBuilder().build(), kUnchanged},
      {"negative mode", -1, PointBuilder().build(), kUnchanged},
  };
  const std::vector<ColorBar> noBars;
  for (const auto& c : cases) {
    PointInfo p = c.point;
    EXPECT_TRUE(colourPointByMode(&p, static_cast<_SetRGB_Type>(c.mode), 0, noBars)) << c.name;
    EXPECT_EQ(colourOf(p), c.rgb) << c.name;
    EXPECT_EQ(p.a, 255) << c.name;
  }
  // Mode 0 is the decoder's own intensity colouring: left to the caller.
  PointInfo p = PointBuilder().intensity(100).build();
  EXPECT_FALSE(colourPointByMode(&p, RGB_Intensity, 0, noBars));
  EXPECT_EQ(colourOf(p), kUnchanged);
}

class ColorBarFile : public ::testing::Test {
protected:
  void SetUp() override { path = "colorbar_" + std::to_string(::getpid()) + ".bin"; }
  void TearDown() override { std::remove(path.c_str()); }
  void write(const std::vector<unsigned char>& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
  }
  std::string path;
};

TEST_F(ColorBarFile, BarCountIsSizeOver1024) {
  const struct {
    std::size_t size;
    std::size_t bars;
  } cases[] = {{0, 0}, {1023, 0}, {1024, 1}, {2500, 2}, {3000, 2}};
  for (const auto& c : cases) {
    write(std::vector<unsigned char>(c.size, 0x7F));
    EXPECT_EQ(loadColorBarFile(path).size(), c.bars) << c.size << " bytes";
  }
  EXPECT_TRUE(loadColorBarFile("no_such_dir/colorbar.bin").empty());
}

TEST_F(ColorBarFile, EntriesAreReorderedAndIndexedByIntensity) {
  std::vector<unsigned char> bytes(3000, 0);
  const std::size_t entry = 1024 * 1 + 4 * 200;  // bar 1, intensity 200
  bytes[entry + 0] = 0x00;
  bytes[entry + 1] = 0x10;
  bytes[entry + 2] = 0x20;
  bytes[entry + 3] = 0x30;
  bytes[4 * 9 + 0] = 0xAB;  // bar 0, intensity 9: byte 0 is kept last, not used as colour
  bytes[4 * 9 + 1] = 1;
  bytes[4 * 9 + 2] = 2;
  bytes[4 * 9 + 3] = 3;
  write(bytes);
  const std::vector<ColorBar> bars = loadColorBarFile(path);
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_EQ(bars[0][9].r, 1);
  EXPECT_EQ(bars[0][9].g, 2);
  EXPECT_EQ(bars[0][9].b, 3);
  EXPECT_EQ(bars[0][9].a, 0xAB);

  const struct {
    const char* name;
    int useColorBar;
    int type;
    PointInfo point;
    RGB rgb;
  } cases[] = {
      {"bar 1 at intensity 200", 1, 1, PointBuilder().intensity(200).build(), {16, 32, 48}},
      {"bar 0 at intensity 9", 1, 0, PointBuilder().intensity(9).build(), {1, 2, 3}},
      {"switch off: mode 1", 0, 1, PointBuilder().intensity(200).build(), {255, 255, 255}},
      {"index 2 past the bars: mode 2", 1, 2, PointBuilder().z(10.f).build(), {0, 0, 255}},
      {"index 1000 past the bars: unknown mode", 1, 1000, PointBuilder().build(), kUnchanged},
      {"negative index: unknown mode", 1, -5, PointBuilder().build(), kUnchanged},
  };
  for (const auto& c : cases) {
    PointInfo p = c.point;
    EXPECT_TRUE(colourPointByMode(&p, static_cast<_SetRGB_Type>(c.type), c.useColorBar, bars)) << c.name;
    EXPECT_EQ(colourOf(p), c.rgb) << c.name;
    EXPECT_EQ(p.a, 255) << c.name;
  }
  // No bars loaded: the switch is ignored.
  PointInfo p = PointBuilder().build();
  EXPECT_TRUE(colourPointByMode(&p, RGB_Solid, 1, {}));
  EXPECT_EQ(colourOf(p), (RGB{255, 255, 255}));
}

TEST(PointFiltering, PairsAreInclusiveAndNaNMinimumSwitchesOff) {
  PointInfo point{};
  point.H_angle = 100.f;
  point.V_angle = -3.f;
  point.Distance = 12.5f;
  point.Intensity = 200;
  point.x = 1.f;
  point.y = -2.f;
  point.z = 0.5f;

  enum Pair { H = 0, V, Dist, Int, X, Y, Z };
  const struct {
    const char* name;
    Pair pair;
    float min, max;
    bool passes;
  } cases[] = {
      {"intensity exactly on both bounds", Int, 200.f, 200.f, true},
      {"intensity above the maximum", Int, 0.f, 199.f, false},
      {"intensity below the minimum", Int, 201.f, 255.f, false},
      {"vertical angle inside", V, -3.f, 3.f, true},
      {"vertical angle outside", V, -2.f, 3.f, false},
      {"distance on the maximum", Dist, 0.f, 12.5f, true},
      {"distance outside", Dist, 13.f, 20.f, false},
      {"x outside", X, 2.f, 3.f, false},
      {"y outside", Y, -1.f, 1.f, false},
      {"z inside", Z, 0.5f, 0.5f, true},
      {"NaN minimum: pair off", Dist, kNaN, 1.f, true},
      {"horizontal angle is not tested here", H, 0.f, 1.f, true},
      {"NaN maximum on vertical angle", V, 5.f, kNaN, false},
      {"NaN maximum on distance", Dist, 5.f, kNaN, false},
      {"NaN maximum on intensity", Int, 5.f, kNaN, false},
      {"NaN maximum on x", X, 5.f, kNaN, false},
      {"NaN maximum on y", Y, 5.f, kNaN, false},
      {"NaN maximum on z", Z, 5.f, kNaN, false},
  };
  EXPECT_TRUE(passesFiltration(_FiltrationDataInitParam{}, point)) << "default record passes all";
  for (const auto& c : cases) {
    _FiltrationDataInitParam f;
    f.pairs()[2 * c.pair] = c.min;
    f.pairs()[2 * c.pair + 1] = c.max;
    EXPECT_EQ(passesFiltration(f, point), c.passes) << c.name;
  }
}

TEST(PointFiltering, SelectBoxBoundsAreInclusive) {
  SelectBox box;
  box.xMin = -1.f; box.yMin = -2.f; box.zMin = -3.f;
  box.xMax = 1.f;  box.yMax = 2.f;  box.zMax = 3.f;
  const struct {
    float x, y, z;
    bool inside;
  } cases[] = {
      {0.f, 0.f, 0.f, true},   {-1.f, -2.f, -3.f, true}, {1.f, 2.f, 3.f, true},
      {1.01f, 0.f, 0.f, false}, {0.f, -2.01f, 0.f, false}, {0.f, 0.f, 3.01f, false},
      {kNaN, 0.f, 0.f, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(box.contains(c.x, c.y, c.z), c.inside) << c.x << "," << c.y << "," << c.z;
}

}  // namespace

// Where the colour follows from the intensity alone, a table by intensity serves: points that
// differ in everything else get the same colour. Elsewhere they do not.
TEST(PointColoring, ColourFollowsIntensityExactlyWhereOtherFieldsDoNotMatter) {
  ColorBar bar{};
  for (int k = 0; k < 256; ++k) bar[k] = ColorBarEntry{std::uint8_t(k), std::uint8_t(255 - k), std::uint8_t(k / 2), 9};
  const std::vector<ColorBar> bars(2, bar);
  const struct {
    int type, useColorBar;
    bool follows;
  } cases[] = {{0, 0, true},  {1, 0, true},  {2, 0, false}, {3, 0, false}, {4, 0, false}, {7, 0, false},
               {0, 1, true},  {1, 1, true},  {2, 1, false}, {3, 1, false}, {-1, 1, false}};
  for (const auto& c : cases) {
    const auto type = static_cast<_SetRGB_Type>(c.type);
    SCOPED_TRACE("type " + std::to_string(c.type) + " bar " + std::to_string(c.useColorBar));
    EXPECT_EQ(colourFollowsIntensity(type, c.useColorBar, bars.size()), c.follows);
    if (!c.follows) continue;
    for (int k = 0; k < 256; k += 17) {
      PointInfo a = PointBuilder().intensity(std::uint8_t(k)).z(-3.f).hAngle(10.f).channel(2).build();
      PointInfo b = PointBuilder().intensity(std::uint8_t(k)).z(7.f).hAngle(300.f).channel(30).build();
      for (PointInfo* p : {&a, &b})
        if (!colourPointByMode(p, type, c.useColorBar, bars)) applyIntensityRamp(p, p->Intensity);
      EXPECT_EQ(a.rgba, b.rgba) << "intensity " << k;
    }
  }
  // Without bars the bar switch is ignored.
  EXPECT_FALSE(colourFollowsIntensity(RGB_Elevation, 1, 0));
}
