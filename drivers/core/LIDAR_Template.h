// Decoder base of every model decoder: packet queue, settings, frame hand-over, colouring,
// device-information and configuration packets.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "FramePool.h"
#include "LidarData.h"
#include "LidarRecords.h"
#include "Listener.h"
#include "PointColoring.h"

using LidarCloud = pcl::PointCloud<PointInfo>;
using LidarCloudPtr = pcl::PointCloud<PointInfo>::Ptr;
using VectorFrameCallback = std::function<void(std::vector<_MuchLidarData>, int)>;
using SharedVectorFrameCallback = std::function<void(std::shared_ptr<std::vector<_MuchLidarData>>, int)>;
using TwoCloudCallback = std::function<void(LidarCloudPtr, LidarCloudPtr, int, int, int, int)>;
using ThreeCloudCallback = std::function<void(LidarCloudPtr, LidarCloudPtr, LidarCloudPtr, int, int, int)>;
using DevicePacketCallback = std::function<void(unsigned char*, int)>;
using MessageCallback = std::function<void(std::string, int)>;

constexpr std::size_t kMinQueuedPacketBytes = 1206;   // shorter packets are not queued
// Bound of the packet queue: about four seconds of the fastest sensor of the suite (the
// 128-channel model at 10 Hz and 0.2 degree, near 13,500 packets/s or 16 MB/s); what does
// not fit is dropped and counted.
constexpr std::size_t kMaxQueuedBytes = 64u << 20;
constexpr std::size_t kDevicePacketBuffer = 1216;     // last device-information packet
constexpr std::size_t kDevicePacketBytes = 1206;
constexpr std::size_t kConfigPacketBytes = 1206;
constexpr std::size_t kOfflineBufferBytes = 56280;
constexpr int kTrigTableSize = 360000;                // 0.001-degree steps
constexpr double kDecoderPi = 3.1415926;              // the decoders' value of pi

// Messages of the model decoders.
constexpr int kFrameSyncCode = 10021;
constexpr const char* kFrameSyncText = "Frame synchronization failure!";
constexpr int kConfigNotReadyCode = 10023;
constexpr int kPacketsDroppedCode = 10027;   // queue full or short device packets, once per second
constexpr int kValuesIgnoredCode = 10028;    // unreadable colour table, device values out of range

// Driver configuration read from ./config.ini and ./colorbar/colorbar.bin at construction.
struct DriverConfig {
  std::vector<ColorBar> colorBars;
  int colorBarCount = 0;
  int OriginalAngleOutput = 0;
  int isUserOskel = 0;
  int isUser160_or_200 = 0;
  int isUserNewShowLidarParamStatus = 0;
  double offsetAngle_V_Xandril = -25.0;
  double offsetAngle_V_Zorvane = 6.37;
};

// Everything the caller's setters write and the decode thread reads per point. The caller
// edits it under a lock; the decode thread takes a snapshot once per packet.
struct DecoderSettings {
  int echo = 0;                         // 0 both, 1 first, 2 second, 3 none
  _SetRGB_Type rgbType = RGB_Intensity;
  int useColorBar = 0;
  bool filterDistanceZero = true;
  float hAngleStart = 0.f;              // degrees
  float hAngleEnd = 360.f;              // degrees
  _FiltrationDataInitParam filter;
  std::array<int, 256> channelSelection;
  SelectBox selectBox;
  int lineParam = 0;
  int setParam = 0;
  std::vector<float> setList;
  // Calibration selection (SetCalibrationParam).
  int calibChannel = 0;
  float calibDistance = 0.f;            // millimetres
  bool calibOpen = false;
  bool calibClose = false;
  std::vector<float> calibList;
  std::string calibPath;
  DecoderSettings() { channelSelection.fill(1); }
};

// Model decoders whose decode loop uses members of their own call stopAndWait() first in
// their destructor; the exported class does so before it deletes any decoder.
class LIDAR_Template : public Listener {
public:
  LIDAR_Template();
  ~LIDAR_Template() override;  // ends both threads before anything is released

  // slot 0: packet entry (receive thread, or caller's thread for offline packets)
  void onReceiveData(_LidarDataType kind, const unsigned char* bytes, unsigned short length) override;
  // slot 1: the model's decode loop
  virtual void dataProcessThread() = 0;
  // slot 2
  virtual void publishFrame();
  // slot 3
  virtual void setIntensityColor(PointInfo* point);
  // slots 4-7
  virtual bool setLidarRotateSpeed(int speed);
  virtual bool setLidarRotateState(int state);
  virtual bool setLidarSoureSelection(int selection);
  virtual bool setLidarWorkState(int state);

  // --- run control (caller's thread) ---
  void LidarTypeInit(unsigned int dataPort, unsigned int devPort, std::string address);
  bool LidarStart();                     // receiver then decode thread
  void LidarStop();                      // flags only
  void stopAndWait();                    // flags, wake, wait for both threads
  void startDataProcessThread();         // waits for a previous decode thread first
  void setOffLineData(const unsigned char* data, unsigned short length, _LidarDataType kind,
                      bool end, int step);

  // --- settings (caller's thread) ---
  void setEcho(int echo);
  void setRGBType(_SetRGB_Type type, int useColorBar);
  void setChannelSelection(const int* flags);
  void setHangleRange(float start, float end);
  void setFiltrationData(const _FiltrationDataInitParam& filter);
  void setFilterDistanceZero(bool on);
  void setLineParam(int value);
  void setSetParam(int value, const std::vector<float>* list);
  void setSelectRange(bool enable, float a, float b, float c, float d, float e, float f);
  DecoderSettings settingsCopy() const;

  // --- callbacks (caller's thread); the caller owns the functions ---
  void setVectorCallback(VectorFrameCallback* cb) { m_VectorCallback.store(cb); }
  void setSharedVectorCallback(SharedVectorFrameCallback* cb) { m_SharedVectorCallback.store(cb); }
  void setTwoCloudCallback(TwoCloudCallback* cb) { m_TwoCloudCallback.store(cb); }
  void setThreeCloudCallback(ThreeCloudCallback* cb) { m_ThreeCloudCallback.store(cb); }
  void setDevicePacketCallback(DevicePacketCallback* cb) { m_DevicePacketCallback.store(cb); }
  void setMessageCallback(MessageCallback* cb);  // decoder and receiver

  // --- polling getters ---
  bool frameReady() const { return m_FrameReady.load(); }
  std::vector<_MuchLidarData> takePolledVector();
  std::shared_ptr<std::vector<_MuchLidarData>> takePolledSharedVector();

  // --- device information and configuration packets ---
  int GetLidarRotateSpeed();
  std::string GetLidarIP();
  std::string GetComputerIP();
  std::string GetMacAddress();
  int GetDataPort();
  int GetDevPort();
  int GetLidarRotateState(int offset);
  int GetLidarSoureSelection();
  std::string GetFPGA_Verdion();
  std::string GetGPS_Time(int offset);
  std::string GetGPS_Latitude(int offset);
  std::string GetGPS_Longitude(int offset);
  bool prepareConfigPacket();
  bool setLidarIP(std::string ip);
  bool setComputerIP(std::string ip);
  bool setDataPort(int port);
  bool setDevPort(int port);
  bool SendLidarData_UDP();
  bool writeCalibrationData(int channel, float distance, bool open, std::vector<float> list,
                            std::string path, bool close);
  // Destination port of configuration packets (the sensor listens on 2368); tests move it.
  void setConfigDestinationPort(std::uint16_t port) { m_ConfigDestPort = port; }
  // Bytes the packet queue may hold (kMaxQueuedBytes); tests make it small.
  void setQueueByteLimit(std::size_t bytes);
  // Clock the drop reports are paced by (the steady clock); tests set their own before a run.
  using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;
  void setClock(SteadyClock now) { m_Now = std::move(now); }

  // Copy of the calibration-bounds records (8 x {4 floats}).
  std::array<std::array<float, 4>, 8> calibrationBounds() const;

  // --- services for the model decoders (decode thread) ---
  void setPointColor(PointInfo* point, _SetRGB_Type type);
  bool checkFiltrationData(const PointInfo* point) const;
  void sendMessage(std::string text, int code);
  void sendTimeMessage();
  // Pops the front packet; false when the queue is empty.
  bool popPacket(std::unique_ptr<unsigned char[]>& data, std::size_t& length);
  bool queueEmpty();
  void clearQueue();
  // Takes a settings snapshot when the caller changed them since the last one.
  void refreshSettings();
  const DecoderSettings& activeSettings() const { return m_Active; }

  LidarData* receiver() { return m_Receiver.get(); }
  const DriverConfig& config() const { return *m_Config; }
  std::size_t queuedPackets();

  // Trigonometry tables indexed by the angle in thousandths of a degree.
  const double* cosTable() const { return m_Cos.get(); }
  const double* sinTable() const { return m_Sin.get(); }

  // The next packet that computes a time step is the first of a run: its points get its
  // own time. The decode loop marks the start of each run.
  void markRunStart() { m_FirstPacketOfRun = true; }

protected:
  // The models' decode loop: every queued packet goes to `decode`. Offline data ends once
  // the queue is drained, so the last packets still count; a stop clears the queue.
  void runDecodeLoop(const std::function<void(const unsigned char*, std::size_t)>& decode);

  // New empty frame and selected-points clouds from the pools, with room for a frame like
  // the recent ones; the clouds they replace go back once nobody else holds them.
  void renewWorkingClouds();

  // Seconds between two points of this packet; a run's first packet steps from itself.
  double pointStep(int pointTimes);
  void finishPacket();  // the packet time becomes the previous one

  // Time record <-> seconds since 1970. A failed conversion prints "parse error" and
  // gives -1.
  double timeRecordAsUtc();
  double timeRecordAsLocal();
  void timeRecordFromUtc(std::uint64_t seconds, bool gpsYearOffset);
  // Six bytes: year - 2000, month, day, hour, minute, second.
  void timeRecordFromBytes(const unsigned char* bytes);

  struct ConfigByte {
    std::size_t offset;
    int value;  // its low byte is written
  };
  // Edits the configuration packet; without a device-information packet: code 10023.
  bool editConfigPacket(std::initializer_list<ConfigByte> bytes);

  // Copies the stored device packet under its lock (kDevicePacketBuffer bytes).
  std::array<unsigned char, kDevicePacketBuffer> devicePacketCopy() const;
  // The stored device packet when one is valid, else the 10023 message and false.
  bool validDevicePacket(std::array<unsigned char, kDevicePacketBuffer>& out);

private:
  // Frame, shared-vector and cloud callbacks with the end-of-data status, each only while
  // no new packet is queued.
  void endOfDataCallbacks();
  void storeDevicePacket(const unsigned char* bytes, std::size_t length);
  // Drops counted by the packet entry, reported from the decode loop at most once a second.
  void reportDrops();
  // Ends the previous decode thread (caller holds m_ThreadMutex).
  void joinDecodeThreadLocked();
  struct AddressRule;
  bool writeAddress(const std::string& text, const AddressRule& rule);
  bool checkLidarIP(int first, int fourth);
  bool checkDestIP(int first);
  bool writeConfigWord(std::size_t offset, int value, int minimum, const char* refusal, int code);
  // Opens the calibration file(s) for a path (caller holds m_CalibMutex); the decoders' path.
  std::string openCalibrationFiles(const std::string& path, float lastBound);
  template <typename Edit>
  void editSettings(Edit edit);

protected:

  std::unique_ptr<double[]> m_Cos;
  std::unique_ptr<double[]> m_Sin;

public:
  // Frame bookkeeping, written by the model decoders on the decode thread.
  int m_FrameSyncFailure = 0;
  int m_DistanceIsNotZero = 0;
  int m_OfflineStep = 1;
  int m_FrameStatus = 1;
  int m_ReturnMode = -1;
  int m_ModelValue = -1;

  // Run flags shared between threads.
  std::atomic<bool> m_Running{false};
  std::atomic<bool> m_Offline{false};
  std::atomic<bool> m_EndOfData{false};
  std::atomic<bool> m_Stop{false};

  unsigned int m_DataPort = 2368;
  unsigned int m_DevPort = 2369;
  std::string m_Address = "192.168.1.102";

  // Frame clouds: filled by the model decoder, renewed at each hand-over.
  LidarCloudPtr m_FrameCloud;
  LidarCloudPtr m_SelectedCloud;
  LidarCloudPtr m_ThirdCloud;
  LidarCloudPtr m_LastFrameCloud;
  LidarCloudPtr m_LastSelectedCloud;
  LidarCloudPtr m_LastThirdCloud;

  // Working frame vectors (no decoder of the suite fills them).
  std::vector<_MuchLidarData> m_WorkVector;
  std::shared_ptr<std::vector<_MuchLidarData>> m_WorkSharedVector;

  // Packet time, written and read by the model decoders.
  int m_Year = 2000, m_Month = 0, m_Day = 0, m_Hour = 0, m_Minute = 0, m_Second = 0;
  int m_LastSecondSent = -1;
  double m_SubSecond = 0.0;
  double m_PacketTime = 0.0;
  double m_PreviousPacketTime = 0.0;
  double m_TimeStep = 0.0;

  bool m_DeviceLayoutFlag = true;  // a model decoder may clear it

protected:
  std::unique_ptr<DriverConfig> m_Config;
  std::unique_ptr<LidarData> m_Receiver;

  std::atomic<VectorFrameCallback*> m_VectorCallback{nullptr};
  std::atomic<SharedVectorFrameCallback*> m_SharedVectorCallback{nullptr};
  std::atomic<TwoCloudCallback*> m_TwoCloudCallback{nullptr};
  std::atomic<ThreeCloudCallback*> m_ThreeCloudCallback{nullptr};
  std::atomic<DevicePacketCallback*> m_DevicePacketCallback{nullptr};
  std::atomic<MessageCallback*> m_MessageCallback{nullptr};

  // Settings: m_Settings under m_SettingsMutex (caller), m_Active on the decode thread.
  mutable std::mutex m_SettingsMutex;
  DecoderSettings m_Settings;
  std::atomic<unsigned> m_SettingsVersion{1};
  unsigned m_ActiveVersion = 0;
  DecoderSettings m_Active;

  // Packet queue.
  struct QueuedPacket {
    std::unique_ptr<unsigned char[]> data;
    std::size_t length = 0;
  };
  std::mutex m_QueueMutex;
  std::deque<QueuedPacket> m_Queue;
  std::size_t m_QueuedBytes = 0;                  // under m_QueueMutex
  std::size_t m_QueueByteLimit = kMaxQueuedBytes; // under m_QueueMutex
  std::atomic<unsigned long> m_DroppedPackets{0};       // queue full
  std::atomic<unsigned long> m_ShortDevicePackets{0};   // device packets under 1206 bytes
  std::chrono::steady_clock::time_point m_NextDropReport{};  // decode thread
  SteadyClock m_Now = std::chrono::steady_clock::now;

  // Offline buffer.
  std::vector<unsigned char> m_OfflineBuffer;

  // Last device-information packet and the configuration packet.
  mutable std::mutex m_DeviceMutex;
  std::array<unsigned char, kDevicePacketBuffer> m_DevicePacket{};
  std::atomic<bool> m_DevicePacketFlag{false};
  // What the device-packet callback reads; rewritten only under its own mutex.
  std::mutex m_DeviceCallbackMutex;
  std::array<unsigned char, kDevicePacketBuffer> m_DeviceCallbackPacket{};
  bool m_AfterSendFlag = true;
  std::string m_LidarIpText;
  std::array<unsigned char, kConfigPacketBytes> m_ConfigPacket{};
  std::uint16_t m_ConfigDestPort = 2368;

  // Frame memory: clouds come from here and return when their last holder lets go.
  FramePool m_FramePool;
  FramePool m_SelectedPool;
  std::size_t m_ExpectedFramePoints = 0;     // a recent frame's size, decode thread
  std::size_t m_ExpectedSelectedPoints = 0;

  // Polling copies.
  std::mutex m_PollMutex;
  std::vector<_MuchLidarData> m_PollVector;
  std::shared_ptr<std::vector<_MuchLidarData>> m_PollSharedVector;
  std::atomic<bool> m_FrameReady{false};

  // Calibration recording.
  mutable std::mutex m_CalibMutex;
  std::ofstream m_CalibFile1;
  std::ofstream m_CalibFile2;
  std::array<std::array<float, 4>, 8> m_CalibBounds;
  bool m_CalibSecondInFirst = false;  // no "_10%_"/"_70%_" marker: one file takes both ranges

  // Decode thread.
  std::mutex m_ThreadMutex;
  std::thread m_DecodeThread;

private:
  bool m_FirstPacketOfRun = true;  // decode thread
  // Messages of the construction (no callback yet), sent once a message callback is set.
  std::vector<std::pair<std::string, int>> m_PendingMessages;
};

template <typename Edit>
void LIDAR_Template::editSettings(Edit edit) {
  std::lock_guard<std::mutex> lock(m_SettingsMutex);
  edit(m_Settings);
  m_SettingsVersion.fetch_add(1);
}
