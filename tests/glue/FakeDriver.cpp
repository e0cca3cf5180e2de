// A driver library for the glue's tests: records every call and emits frames and messages
// from a thread of its own, like a real driver's decode thread.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "FakeDriverControl.h"
#include "LidarDriverInterface.h"

#define FAKE_EXPORT __attribute__((visibility("default")))

namespace {

class FakeDriver;

struct Registry {
  std::mutex mutex;
  std::vector<std::string> calls;
  std::set<FakeDriver*> live;
  FakeDriver* newest = nullptr;
  std::atomic<bool> streaming{false};
  std::atomic<long> framesEmitted{0};
  bool failNextStart = false;
  std::atomic<int> offlineDelayMs{0};
};

Registry& registry() {
  static Registry r;
  return r;
}

void record(std::string text) {
  std::lock_guard<std::mutex> lock(registry().mutex);
  registry().calls.push_back(std::move(text));
}

std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

class FakeDriver final : public ILidarDriver {
public:
  FakeDriver() {
    record("create");
    m_Thread = std::thread([this] { run(); });
  }
  ~FakeDriver() override {
    {
      std::lock_guard<std::mutex> lock(m_Mutex);
      m_Quit = true;
    }
    m_Wake.notify_all();
    m_Thread.join();
    record("destroy");
  }

  struct Job {
    int frames = 0, status = 1, points = 0;
    std::string text;
    int code = -1;
    bool devicePacket = false;
  };
  void post(Job job) {
    {
      std::lock_guard<std::mutex> lock(m_Mutex);
      m_Jobs.push_back(std::move(job));
    }
    m_Wake.notify_all();
  }

  std::string GetDllCurrentTypeVersionDate() override { return "LidarType_Fake_v0.0.1_2024/01/01"; }
  std::string GetComputerIP() override { return "192.168.1.102"; }
  int GetDataPort() override { return 2368; }
  int GetDevPort() override { return 2369; }
  std::string GetFPGA_Verdion() override { return "1.0"; }
  std::string GetGPS_Latitude() override { return ""; }
  std::string GetGPS_Longitude() override { return ""; }
  std::string GetGPS_Time() override { return ""; }
  std::string GetLidarIP() override { return "192.168.1.200"; }
  std::vector<_MuchLidarData> GetLidarPerFrameDate() override { return {}; }
  std::shared_ptr<std::vector<_MuchLidarData>> GetLidarPerFrameDatePrt() override { return nullptr; }
  bool GetLidarPerFrameIsOK() override { return false; }
  int GetLidarRotateSpeed() override { return 600; }
  int GetLidarRotateState() override { return 0; }
  int GetLidarSoureSelection() override { return 0; }
  std::string GetMacAddress() override { return "00-00-00-00-00-00"; }

  void LidarStart() override {
    record("LidarStart");
    bool fail;
    {
      std::lock_guard<std::mutex> lock(registry().mutex);
      fail = registry().failNextStart;
      registry().failNextStart = false;
    }
    // A real receiver reports a failed bind on the caller's thread.
    if (fail) message("Bind mDataPort failed\n", 10001);
  }
  void LidarStop() override { record("LidarStop"); }
  void LidarTypeInit(unsigned int dataPort, unsigned int devPort, std::string address) override {
    record("LidarTypeInit " + std::to_string(dataPort) + " " + std::to_string(devPort) + " " + address);
  }
  void MessFunction(std::string text, int code) override { message(text, code); }
  bool SendLidarData_UDP() override { return true; }
  bool SetCalibrationParam(int, float, bool, std::vector<float>, std::string, bool) override { return false; }
  void SetCallbackMessage(MessageFn* callback) override {
    record(std::string("SetCallbackMessage") + (callback ? "" : " null"));
    m_Message.store(callback);
  }
  bool SetChannelSelection(const int* flags) override {
    int kept = 0;
    for (int i = 0; i < 256; ++i) kept += flags[i] != 0;
    record("SetChannelSelection " + std::to_string(kept) + " first " + std::to_string(flags[0]));
    return true;
  }
  bool SetComputerIP(std::string) override { return true; }
  void SetThreeCloudCallback(ThreeCloudFn* callback) override {
    record(std::string("SetThreeCloudCallback") + (callback ? "" : " null"));
    m_Three.store(callback);
  }
  void SetTwoCloudCallback(TwoCloudFn* callback) override {
    record(std::string("SetTwoCloudCallback") + (callback ? "" : " null"));
    m_Two.store(callback);
  }
  void SetSharedVectorCallback(SharedVectorFn*) override { record("SetSharedVectorCallback"); }
  void SetVectorCallback(VectorFn*) override { record("SetVectorCallback"); }
  bool SetDataPort(int) override { return true; }
  void SetDecCallBackFun(DeviceFn* callback) override {
    record(std::string("SetDecCallBackFun") + (callback ? "" : " null"));
    m_Device.store(callback);
  }
  bool SetDevPort(int) override { return true; }
  bool SetEcho_SingleOrDouble(int echo) override {
    record("SetEcho_SingleOrDouble " + std::to_string(echo));
    return true;
  }
  bool SetFilteDistanceZero(bool on) override {
    record("SetFilteDistanceZero " + std::to_string(on));
    return true;
  }
  bool SetFiltrationDataParam(_FiltrationDataInitParam f) override {
    record("SetFiltrationDataParam " + num(f.DistanceMin) + " " + num(f.DistanceMax));
    return true;
  }
  bool SetGroupIp(std::string group) override {
    record("SetGroupIp " + group);
    return true;
  }
  bool SetHangleRange(float start, float end) override {
    record("SetHangleRange " + num(start) + " " + num(end));
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
    record("SetRGB_TypeSelection " + std::to_string(type) + " " + std::to_string(useColorBar));
    return true;
  }
  void setOffLineData(unsigned char* data, unsigned short length, _LidarDataType kind, bool end,
                      int step) override {
    const int delay = registry().offlineDelayMs.load();
    if (delay > 0) {
      record("setOffLineData begins");
      std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    }
    // Read the bytes as a real driver copies them, so a dangling buffer shows under ASan, and
    // touch the driver itself, so a driver destroyed meanwhile shows too.
    unsigned sum = 0;
    if (!end)
      for (unsigned i = 0; i < length; ++i) sum += data[i];
    ++m_OfflinePackets;
    record("setOffLineData " + std::to_string(length) + " " + std::to_string(kind) + " " +
           std::to_string(end) + " " + std::to_string(step) + (sum == 0 ? "" : " data"));
  }
  void setSelectRange(bool enable, float a, float b, float c, float d, float e, float f) override {
    record("setSelectRange " + std::to_string(enable) + " " + num(a) + " " + num(b) + " " + num(c) + " " +
           num(d) + " " + num(e) + " " + num(f));
  }

private:
  void message(const std::string& text, int code) {
    if (MessageFn* fn = m_Message.load()) (*fn)(text, code);
  }

  void emitFrame(int status, int points) {
    auto frame = std::make_shared<pcl::PointCloud<PointInfo>>();
    auto third = std::make_shared<pcl::PointCloud<PointInfo>>();
    auto selected = std::make_shared<pcl::PointCloud<PointInfo>>();
    for (int i = 0; i < points; ++i) {
      PointInfo p{};
      p.x = static_cast<float>(i);
      p.Distance = 1.0f + static_cast<float>(i);
      frame->push_back(p);
    }
    if (points > 0) selected->push_back(frame->front());
    if (TwoCloudFn* fn = m_Two.load()) (*fn)(frame, selected, status, 1, 0, 0);
    if (ThreeCloudFn* fn = m_Three.load()) (*fn)(frame, third, selected, status, 1, 0);
    ++registry().framesEmitted;
  }

  void run() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    while (!m_Quit) {
      if (!m_Jobs.empty()) {
        Job job = std::move(m_Jobs.front());
        m_Jobs.pop_front();
        lock.unlock();
        for (int i = 0; i < job.frames; ++i) emitFrame(job.status, job.points);
        if (job.code >= 0) message(job.text, job.code);
        if (job.devicePacket) {
          std::vector<unsigned char> packet(1216, 0);  // the callback gets the driver's buffer
          if (DeviceFn* fn = m_Device.load()) (*fn)(packet.data(), 0);
          record("device packet");
        }
        lock.lock();
      } else if (registry().streaming.load()) {
        lock.unlock();
        emitFrame(1, 100);
        lock.lock();
      } else {
        m_Wake.wait_for(lock, std::chrono::milliseconds(5));
      }
    }
  }

  std::atomic<MessageFn*> m_Message{nullptr};
  std::atomic<TwoCloudFn*> m_Two{nullptr};
  std::atomic<ThreeCloudFn*> m_Three{nullptr};
  std::atomic<DeviceFn*> m_Device{nullptr};
  std::mutex m_Mutex;
  std::condition_variable m_Wake;
  std::deque<Job> m_Jobs;
  bool m_Quit = false;
  long m_OfflinePackets = 0;
  std::thread m_Thread;
};

void postToNewest(FakeDriver::Job job) {
  std::lock_guard<std::mutex> lock(registry().mutex);
  if (registry().newest) registry().newest->post(std::move(job));
}

const FakeDriverControl kControl{
    [] {
      std::lock_guard<std::mutex> lock(registry().mutex);
      return registry().calls;
    },
    [] {
      std::lock_guard<std::mutex> lock(registry().mutex);
      registry().calls.clear();
    },
    [] {
      std::lock_guard<std::mutex> lock(registry().mutex);
      return static_cast<int>(registry().live.size());
    },
    [](int count, int status, int points) { postToNewest({count, status, points, {}, -1}); },
    [](const std::string& text, int code) { postToNewest({0, 1, 0, text, code}); },
    [](bool on) { registry().streaming.store(on); },
    [] { return registry().framesEmitted.load(); },
    [] {
      std::lock_guard<std::mutex> lock(registry().mutex);
      registry().failNextStart = true;
    },
    [](int milliseconds) { registry().offlineDelayMs.store(milliseconds); },
    [] { postToNewest({0, 1, 0, {}, -1, true}); },
};

}  // namespace

extern "C" {

FAKE_EXPORT ILidarDriver* LumivarCreateDriver() {
  auto* driver = new FakeDriver;
  std::lock_guard<std::mutex> lock(registry().mutex);
  registry().live.insert(driver);
  registry().newest = driver;
  return driver;
}

FAKE_EXPORT void LumivarDestroyDriver(ILidarDriver* driver) {
  auto* fake = static_cast<FakeDriver*>(driver);
  {
    std::lock_guard<std::mutex> lock(registry().mutex);
    registry().live.erase(fake);
    if (registry().newest == fake) registry().newest = nullptr;
  }
  delete fake;
}

FAKE_EXPORT const FakeDriverControl* FakeDriverGetControl() { return &kControl; }

}
