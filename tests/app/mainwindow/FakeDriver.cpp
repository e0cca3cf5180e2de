// A driver library that only writes down how it is called, one line per call, to the file
// named by $FAKE_DRIVER_LOG. With $FAKE_DRIVER_FAIL_START set, LidarStart reports a socket
// failure through the message callback, as a driver whose port is taken does. Tests reach
// FakeDriverEmitFrames by dlsym to send frames from a thread, as a decode thread does.
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "LidarDriverInterface.h"

namespace {

void record(const std::string& line) {
  const char* path = std::getenv("FAKE_DRIVER_LOG");
  if (!path) return;
  std::ofstream out(path, std::ios::app);
  out << line << '\n';
}

template <typename... Args>
std::string joined(const char* name, const Args&... args) {
  std::ostringstream s;
  s << name << '(';
  const char* sep = "";
  ((s << sep << args, sep = ","), ...);
  s << ')';
  return s.str();
}

class FakeDriver;
std::mutex gNewestMutex;
FakeDriver* gNewest = nullptr;

class FakeDriver final : public ILidarDriver {
public:
  FakeDriver() {
    std::lock_guard<std::mutex> lock(gNewestMutex);
    gNewest = this;
  }
  ~FakeDriver() override {
    std::lock_guard<std::mutex> lock(gNewestMutex);
    if (gNewest == this) gNewest = nullptr;
  }
  // Frame k (0-based) has firstPoints + k points on a line.
  void emitFrames(int count, int partialFrames, int firstPoints) {
    TwoCloudFn* fn = m_TwoClouds.load();
    if (!fn) return;
    for (int k = 0; k < count; ++k) {
      auto frame = std::make_shared<pcl::PointCloud<PointInfo>>();
      for (int i = 0; i < firstPoints + k; ++i) {
        PointInfo p{};
        p.x = 1.0f + 0.01f * static_cast<float>(i);
        p.y = 0.5f;
        p.Distance = p.x;
        p.r = p.g = p.b = p.a = 255;
        frame->push_back(p);
      }
      (*fn)(frame, inBox(*frame), partialFrames, 1, 0, 0);
    }
  }

  std::string GetDllCurrentTypeVersionDate() override { return "LidarType_Fake_v0_2024/01/01"; }
  std::string GetComputerIP() override { return "127.0.0.1"; }
  int GetDataPort() override { return 0; }
  int GetDevPort() override { return 0; }
  std::string GetFPGA_Verdion() override { return {}; }
  std::string GetGPS_Latitude() override { return {}; }
  std::string GetGPS_Longitude() override { return {}; }
  std::string GetGPS_Time() override { return {}; }
  std::string GetLidarIP() override { return {}; }
  std::vector<_MuchLidarData> GetLidarPerFrameDate() override { return {}; }
  std::shared_ptr<std::vector<_MuchLidarData>> GetLidarPerFrameDatePrt() override { return nullptr; }
  bool GetLidarPerFrameIsOK() override { return false; }
  int GetLidarRotateSpeed() override { return 0; }
  int GetLidarRotateState() override { return 0; }
  int GetLidarSoureSelection() override { return 0; }
  std::string GetMacAddress() override { return {}; }
  void LidarStart() override {
    record("LidarStart()");
    if (std::getenv("FAKE_DRIVER_FAIL_START") && m_Message) (*m_Message)("Failed to bind the data socket!", 10002);
  }
  void LidarStop() override { record("LidarStop()"); }
  void LidarTypeInit(unsigned int dataPort, unsigned int devPort, std::string address) override {
    record(joined("LidarTypeInit", dataPort, devPort, address));
  }
  void MessFunction(std::string, int) override {}
  bool SendLidarData_UDP() override { return true; }
  bool SetCalibrationParam(int, float, bool, std::vector<float>, std::string, bool) override { return true; }
  void SetCallbackMessage(MessageFn* callback) override { m_Message = callback; }
  bool SetChannelSelection(const int* flags) override {
    int kept = 0;
    for (int i = 0; i < 256; ++i) kept += flags[i] != 0;
    record(joined("SetChannelSelection", kept));
    return true;
  }
  bool SetComputerIP(std::string) override { return true; }
  void SetThreeCloudCallback(ThreeCloudFn*) override {}
  void SetTwoCloudCallback(TwoCloudFn* callback) override { m_TwoClouds = callback; }
  void SetSharedVectorCallback(SharedVectorFn*) override {}
  void SetVectorCallback(VectorFn*) override {}
  bool SetDataPort(int) override { return true; }
  void SetDecCallBackFun(DeviceFn*) override {}
  bool SetDevPort(int) override { return true; }
  bool SetEcho_SingleOrDouble(int echo) override {
    record(joined("SetEcho_SingleOrDouble", echo));
    return true;
  }
  bool SetFilteDistanceZero(bool on) override {
    record(joined("SetFilteDistanceZero", on));
    return true;
  }
  bool SetFiltrationDataParam(_FiltrationDataInitParam filter) override {
    record(joined("SetFiltrationDataParam", filter.DistanceMin, filter.DistanceMax));
    return true;
  }
  bool SetGroupIp(std::string group) override {
    record(joined("SetGroupIp", group));
    return true;
  }
  bool SetHangleRange(float start, float end) override {
    record(joined("SetHangleRange", start, end));
    return true;
  }
  bool SetXandrilLineSetParam(int) override { return true; }
  bool SetLidarIP(std::string) override { return true; }
  bool SetLidarRotateSpeed(int) override { return true; }
  bool SetLidarRotateState(int) override { return true; }
  bool SetLidarSetParam(int, std::vector<float>*) override { return true; }
  bool SetLidarSoureSelection(int) override { return true; }
  bool SetLidarWorkState(int) override { return true; }
  bool SetRGB_TypeSelection(_SetRGB_Type type, int useColorBar) override {
    record(joined("SetRGB_TypeSelection", static_cast<int>(type), useColorBar));
    return true;
  }
  void setOffLineData(unsigned char*, unsigned short length, _LidarDataType kind, bool end, int) override {
    record(joined("setOffLineData", length, static_cast<int>(kind), end));
  }
  void setSelectRange(bool enable, float a, float b, float c, float d, float e, float f) override {
    record(joined("setSelectRange", enable, a, b, c, d, e, f));
    std::lock_guard<std::mutex> lock(m_BoxMutex);
    m_Box = {enable, a, b, c, d, e, f};
  }

private:
  // As a real driver does: the second cloud holds the frame's points inside the box in force.
  std::shared_ptr<pcl::PointCloud<PointInfo>> inBox(const pcl::PointCloud<PointInfo>& frame) {
    auto selected = std::make_shared<pcl::PointCloud<PointInfo>>();
    std::lock_guard<std::mutex> lock(m_BoxMutex);
    if (!m_Box.on) return selected;
    for (const PointInfo& p : frame.points)
      if (m_Box.xMin <= p.x && p.x <= m_Box.xMax && m_Box.yMin <= p.y && p.y <= m_Box.yMax && m_Box.zMin <= p.z &&
          p.z <= m_Box.zMax)
        selected->push_back(p);
    return selected;
  }

  struct Box {
    bool on = false;
    float xMin = 0, yMin = 0, zMin = 0, xMax = 0, yMax = 0, zMax = 0;
  };
  std::mutex m_BoxMutex;  // set on the caller's thread, read on the sending thread
  Box m_Box;
  MessageFn* m_Message = nullptr;
  std::atomic<TwoCloudFn*> m_TwoClouds{nullptr};
};

}  // namespace

extern "C" __attribute__((visibility("default"))) ILidarDriver* LumivarCreateDriver() {
  record("create");
  return new FakeDriver;
}

extern "C" __attribute__((visibility("default"))) void LumivarDestroyDriver(ILidarDriver* driver) {
  record("destroy");
  delete driver;
}

// Sends frames through the newest driver's frame callback from a thread of its own and
// returns once they are all handed over.
extern "C" __attribute__((visibility("default"))) void FakeDriverEmitFrames(int count, int partialFrames,
                                                                           int firstPoints) {
  std::lock_guard<std::mutex> lock(gNewestMutex);
  if (!gNewest) return;
  FakeDriver* driver = gNewest;
  std::thread([=] { driver->emitFrames(count, partialFrames, firstPoints); }).join();
}
