// The PCD frame reader of the directory replay on malformed files: each is refused with a
// reason, nothing crashes or reads past its buffers (this runs under ASan too), and the
// files PCL itself writes still read back whole.
#include "PcdFrameFile.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <pcl/io/pcd_io.h>

#include <fstream>
#include <functional>
#include <string>

#include "CaptureFixtures.h"

namespace {

std::string header(const std::string& widthHeight, const std::string& points, const std::string& data,
                   const std::string& fields = "FIELDS x y z\nSIZE 4 4 4\nTYPE F F F\nCOUNT 1 1 1\n") {
  return "# .PCD v0.7 - Point Cloud Data file format\nVERSION 0.7\n" + fields + widthHeight +
         "VIEWPOINT 0 0 0 1 0 0 0\n" + points + "DATA " + data + "\n";
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

pcl::PointCloud<PointInfo> cloudOf(int points) {
  pcl::PointCloud<PointInfo> cloud;
  for (int i = 0; i < points; ++i) {
    PointInfo p{};
    p.x = float(i);
    p.Distance = 1.5f * float(i);
    p.Channel = std::uint8_t(i);
    cloud.push_back(p);
  }
  return cloud;
}

TEST(PcdFrameFile, MalformedFilesAreRefusedWithAReason) {
  const std::string twelveZeros(12, '\0');
  const auto padded = [](std::string text, std::size_t size) {
    text.resize(size, 'a');
    return text;
  };
  struct Case {
    const char* name;
    std::string bytes;
    std::string reason;  // part of the text
  };
  const Case cases[] = {
      {"DATA and a few bytes", std::string("DATA\x01\x02\x03\x04\x05", 9), "which PCL reads as DATA"},
      {"no header at all", std::string(300, '\x7f'), "no DATA line"},
      {"65536 x 65536 (0 in 32 bits)", header("WIDTH 65536\nHEIGHT 65536\n", "POINTS 0\n", "binary") + twelveZeros,
       "too large"},
      {"65536 x 65536 without POINTS", header("WIDTH 65536\nHEIGHT 65536\n", "", "binary") + twelveZeros, "too large"},
      {"WIDTH 4294967295", header("WIDTH 4294967295\nHEIGHT 1\n", "POINTS 4294967295\n", "binary") + twelveZeros,
       "too large"},
      {"POINTS that is not WIDTH x HEIGHT", header("WIDTH 2\nHEIGHT 2\n", "POINTS 3\n", "binary") + std::string(48, 'c'),
       "POINTS 3 is not WIDTH x HEIGHT (4)"},
      {"a width of 20 digits", header("WIDTH 18446744073709551617\nHEIGHT 1\n", "", "binary"), "not a number"},
      {"negative width", header("WIDTH -1\nHEIGHT 1\n", "", "binary"), "not a number"},
      {"small binary_compressed", header("WIDTH 8\nHEIGHT 1\n", "POINTS 8\n", "binary_compressed") + "\x10\0\0\0",
       "cut short before its compressed data"},
      {"binary_compressed sizes that lie",
       header("WIDTH 8\nHEIGHT 1\n", "POINTS 8\n", "binary_compressed") + std::string("\xff\xff\0\0\x60\0\0\0", 8) +
           std::string(20, 'z'),
       "compressed sizes"},
      {"binary data cut short (88 bytes)", padded("FIELDS x\nSIZE 4\nTYPE F\nWIDTH 20\nPOINTS 20\nDATA binary\n", 88),
       "cut short"},
      {"binary data cut short (441 bytes)", header("WIDTH 100\nHEIGHT 1\n", "POINTS 100\n", "binary") + std::string(200, 'b'),
       "cut short"},
      {"ascii with fewer lines than points", header("WIDTH 5\nHEIGHT 1\n", "POINTS 5\n", "ascii") + "1 2 3\n4 5 6\n",
       "2 data lines for 5 points"},
      {"no fields", header("WIDTH 1\nHEIGHT 1\n", "POINTS 1\n", "binary", "") + twelveZeros, "names no FIELDS"},
      {"fields and sizes disagree",
       header("WIDTH 1\nHEIGHT 1\n", "POINTS 1\n", "binary", "FIELDS x y z\nSIZE 4 4\nTYPE F F F\n") + twelveZeros,
       "same number of fields"},
      {"a size of 3", header("WIDTH 1\nHEIGHT 1\n", "POINTS 1\n", "binary", "FIELDS x\nSIZE 3\nTYPE F\n") + "abc",
       "bad SIZE"},
      {"a huge count",
       header("WIDTH 1\nHEIGHT 1\n", "POINTS 1\n", "binary", "FIELDS x\nSIZE 8\nTYPE F\nCOUNT 4000000000\n"),
       "bad SIZE"},
      {"a count of 130 digits and control bytes",
       header("WIDTH 1\nHEIGHT 1\n", "POINTS 1\n", "binary",
              "FIELDS x\nSIZE 4\nTYPE F\nCOUNT " + std::string(60, '7') + "\x01\x1b" + std::string(70, '9') + "\n"),
       "COUNT holds \"" + std::string(32, '7') + "\", not a number"},
      {"unknown data format", header("WIDTH 1\nHEIGHT 1\n", "POINTS 1\n", "packed") + twelveZeros, "unknown"},
      {"empty file", "", "no DATA line"},
      // PCL reads keys by prefix, the last one winning, goes on reading keys after DATA and
      // stops at a line it does not know; the prefixed keys and the keys after DATA would
      // have it read 65536 x 65536 (0 in 32 bits) points.
      {"prefixed keys after good ones",
       header("WIDTH 1\nHEIGHT 1\n", "POINTS 1\nWIDTHX 65536\nHEIGHTX 65536\nPOINTSX 0\n", "binary") + twelveZeros,
       "\"WIDTHX\", which PCL reads as WIDTH"},
      {"keys given twice", header("WIDTH 65536\nHEIGHT 65536\nWIDTH 1\nHEIGHT 1\n", "POINTS 1\n", "binary") + twelveZeros,
       "gives WIDTH twice"},
      {"keys after DATA", header("WIDTH 1\nHEIGHT 1\n", "POINTS 1\n", "ascii") + "\n# c\nWIDTH 65536\nHEIGHT 65536\nPOINTS 0\n1 2 3\n",
       "\"WIDTH\" after DATA"},
      {"a line of spaces, where PCL's header ends", header("WIDTH 1\n   \nHEIGHT 1\n", "POINTS 1\n", "binary") + twelveZeros,
       "no DATA line where PCL reads its header: it stops at line 8"},
  };
  capfix::ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("frame.pcd");
    writeFile(path, c.bytes);
    pcl::PointCloud<PointInfo> cloud = cloudOf(3);
    std::string why;
    EXPECT_FALSE(pcdframe::readPcdFrame(path, cloud, why));
    EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    // The reason goes into the log and a message: short and printable whatever the file holds.
    EXPECT_LT(why.size(), 160u);
    EXPECT_TRUE(std::all_of(why.begin(), why.end(), [](char ch) { return ch >= ' ' && ch <= '~'; })) << why;
    EXPECT_TRUE(cloud.empty());
  }
  std::string why;
  pcl::PointCloud<PointInfo> cloud;
  EXPECT_FALSE(pcdframe::readPcdFrame(dir.file("missing.pcd"), cloud, why));
  EXPECT_EQ(why, "cannot be opened");
}

TEST(PcdFrameFile, FilesWrittenByPclReadBackWhole) {
  capfix::ScratchDir dir;
  const pcl::PointCloud<PointInfo> cloud = cloudOf(10);
  pcl::PCDWriter writer;
  struct Case {
    const char* name;
    std::function<int(const std::string&)> write;
  };
  const Case cases[] = {
      {"binary", [&](const std::string& p) { return writer.writeBinary(p, cloud); }},
      {"binary_compressed", [&](const std::string& p) { return writer.writeBinaryCompressed(p, cloud); }},
      {"ascii", [&](const std::string& p) { return writer.writeASCII(p, cloud); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file(std::string(c.name) + ".pcd");
    ASSERT_EQ(c.write(path), 0);
    pcl::PointCloud<PointInfo> read;
    std::string why;
    ASSERT_TRUE(pcdframe::readPcdFrame(path, read, why)) << why;
    ASSERT_EQ(read.size(), 10u);
    EXPECT_FLOAT_EQ(read[9].x, 9.f);
    EXPECT_FLOAT_EQ(read[9].Distance, 13.5f);
    EXPECT_EQ(read[9].Channel, 9);
  }
  // No points: an empty frame.
  writeFile(dir.file("empty.pcd"), header("WIDTH 0\nHEIGHT 1\n", "POINTS 0\n", "binary"));
  pcl::PointCloud<PointInfo> read = cloudOf(2);
  std::string why;
  EXPECT_TRUE(pcdframe::readPcdFrame(dir.file("empty.pcd"), read, why)) << why;
  EXPECT_TRUE(read.empty());
}

}  // namespace
