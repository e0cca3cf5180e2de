#include "GetLidarDataDll.h"

#include <cstdio>

#include "LIDAR_Template.h"

// Shared by every copy of one exported object.
struct GetLidarDataDllPrivate {
  int rotateStateOffset = 40;  // device-information packet byte offsets
  int gpsTimeOffset = 52;
  int gpsPositionOffset = 58;
  LIDAR_Template* decoder = nullptr;
};

namespace {

constexpr const char* kNoDecoder = "Failed to define a Lidar Class!!!";
constexpr int kNoDecoderCode = 0;

constexpr const char* kBaseType = "LidarType_XXX";
constexpr const char* kBaseVersion = "v2.1.1";
constexpr const char* kBaseDate = "2023/08/31";

// Stops both threads of the decoder before it is freed.
void destroyDecoder(GetLidarDataDllPrivate& record) {
  LIDAR_Template* decoder = record.decoder;
  if (decoder == nullptr) return;
  record.decoder = nullptr;
  decoder->stopAndWait();
  delete decoder;
}

}  // namespace

GetLidarDataDll::GetLidarDataDll() : m_Private(std::make_shared<GetLidarDataDllPrivate>()) {}

GetLidarDataDll::GetLidarDataDll(const GetLidarDataDll& other)
    : m_Private(other.m_Private), m_MessageCallback(other.m_MessageCallback), m_Flag(other.m_Flag) {
  for (int i = 0; i < 6; ++i) m_Reserved[i] = other.m_Reserved[i];
}

GetLidarDataDll& GetLidarDataDll::operator=(const GetLidarDataDll& other) {
  if (this == &other) return *this;
  // The last owner of a record with a decoder would otherwise leave its threads running.
  if (m_Private && m_Private != other.m_Private && m_Private.use_count() == 1) destroyDecoder(*m_Private);
  m_Private = other.m_Private;
  m_MessageCallback = other.m_MessageCallback;
  m_Flag = other.m_Flag;
  for (int i = 0; i < 6; ++i) m_Reserved[i] = other.m_Reserved[i];
  return *this;
}

GetLidarDataDll::~GetLidarDataDll() {
  // The first copy destroyed takes the decoder with it; the others then act as bare objects.
  if (m_Private) destroyDecoder(*m_Private);
}

void GetLidarDataDll::setDecoder(LIDAR_Template* decoder) {
  if (m_Private->decoder == decoder) return;
  destroyDecoder(*m_Private);
  m_Private->decoder = decoder;
  if (decoder != nullptr && m_MessageCallback != nullptr) decoder->setMessageCallback(m_MessageCallback);
}

LIDAR_Template* GetLidarDataDll::decoder() const {
  return m_Private->decoder;
}

void GetLidarDataDll::setDeviceOffsets(int rotateState, int gpsTime, int gpsPosition) {
  m_Private->rotateStateOffset = rotateState;
  m_Private->gpsTimeOffset = gpsTime;
  m_Private->gpsPositionOffset = gpsPosition;
}

LIDAR_Template* GetLidarDataDll::decoderOrReport() {
  LIDAR_Template* d = m_Private->decoder;
  if (d == nullptr) MessFunction(kNoDecoder, kNoDecoderCode);
  return d;
}

std::string GetLidarDataDll::GetDllCurrentTypeVersionDate() {
  return std::string(kBaseType) + "_" + kBaseVersion + "_" + kBaseDate;
}

void GetLidarDataDll::MessFunction(std::string text, int code) {
  text += "\n";
  std::fputs(text.c_str(), stdout);
  std::fflush(stdout);
  if (m_MessageCallback != nullptr && *m_MessageCallback) (*m_MessageCallback)(text, code);
}

// ---------------------------------------------------------------- device getters

std::string GetLidarDataDll::GetComputerIP() {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->GetComputerIP() : "-1";
}

int GetLidarDataDll::GetDataPort() {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->GetDataPort() : -1;
}

int GetLidarDataDll::GetDevPort() {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->GetDevPort() : -1;
}

std::string GetLidarDataDll::GetFPGA_Verdion() {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->GetFPGA_Verdion() : "-1";
}

std::string GetLidarDataDll::GetGPS_Latitude() {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->GetGPS_Latitude(m_Private->gpsPositionOffset) : "-1";
}

std::string GetLidarDataDll::GetGPS_Longitude() {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->GetGPS_Longitude(m_Private->gpsPositionOffset) : "-1";
}

std::string GetLidarDataDll::GetGPS_Time() {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->GetGPS_Time(m_Private->gpsTimeOffset) : "-1";
}

std::string GetLidarDataDll::GetLidarIP() {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->GetLidarIP() : "-1";
}

int GetLidarDataDll::GetLidarRotateSpeed() {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->GetLidarRotateSpeed() : -1;
}

int GetLidarDataDll::GetLidarRotateState() {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->GetLidarRotateState(m_Private->rotateStateOffset) : -1;
}

int GetLidarDataDll::GetLidarSoureSelection() {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->GetLidarSoureSelection() : -1;
}

std::string GetLidarDataDll::GetMacAddress() {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->GetMacAddress() : "-1";
}

// ---------------------------------------------------------------- polling (silent when bare)

std::vector<_MuchLidarData> GetLidarDataDll::GetLidarPerFrameDate() {
  LIDAR_Template* d = decoder();
  return d ? d->takePolledVector() : std::vector<_MuchLidarData>();
}

std::shared_ptr<std::vector<_MuchLidarData>> GetLidarDataDll::GetLidarPerFrameDatePrt() {
  LIDAR_Template* d = decoder();
  return d ? d->takePolledSharedVector() : nullptr;
}

bool GetLidarDataDll::GetLidarPerFrameIsOK() {
  LIDAR_Template* d = decoder();
  return d ? d->frameReady() : false;
}

// ---------------------------------------------------------------- run control

void GetLidarDataDll::LidarStart() {
  if (LIDAR_Template* d = decoderOrReport()) d->LidarStart();
}

void GetLidarDataDll::LidarStop() {
  if (LIDAR_Template* d = decoder()) d->LidarStop();
}

void GetLidarDataDll::LidarTypeInit(unsigned int dataPort, unsigned int devPort, std::string address) {
  if (LIDAR_Template* d = decoderOrReport()) d->LidarTypeInit(dataPort, devPort, std::move(address));
}

void GetLidarDataDll::setOffLineData(unsigned char* data, unsigned short length, _LidarDataType kind,
                                     bool end, int step) {
  if (LIDAR_Template* d = decoder()) d->setOffLineData(data, length, kind, end, step);
}

// ---------------------------------------------------------------- callbacks

void GetLidarDataDll::SetCallbackMessage(std::function<void(std::string, int)>* callback) {
  m_MessageCallback = callback;
  if (LIDAR_Template* d = decoderOrReport()) d->setMessageCallback(callback);
}

void GetLidarDataDll::SetControllerCallBackFun(
    std::function<void(CloudPtr, CloudPtr, CloudPtr, int, int, int)>* callback) {
  if (LIDAR_Template* d = decoderOrReport()) d->setThreeCloudCallback(callback);
}

void GetLidarDataDll::SetControllerCallBackFun(
    std::function<void(CloudPtr, CloudPtr, int, int, int, int)>* callback) {
  if (LIDAR_Template* d = decoderOrReport()) d->setTwoCloudCallback(callback);
}

void GetLidarDataDll::SetControllerCallBackFun(
    std::function<void(std::shared_ptr<std::vector<_MuchLidarData>>, int)>* callback) {
  if (LIDAR_Template* d = decoderOrReport()) d->setSharedVectorCallback(callback);
}

void GetLidarDataDll::SetControllerCallBackFun(
    std::function<void(std::vector<_MuchLidarData>, int)>* callback) {
  if (LIDAR_Template* d = decoderOrReport()) d->setVectorCallback(callback);
}

void GetLidarDataDll::SetDecCallBackFun(std::function<void(unsigned char*, int)>* callback) {
  if (LIDAR_Template* d = decoderOrReport()) d->setDevicePacketCallback(callback);
}

// ---------------------------------------------------------------- settings

bool GetLidarDataDll::SetChannelSelection(const int* flags) {
  LIDAR_Template* d = decoderOrReport();
  if (d == nullptr || flags == nullptr) return false;
  d->setChannelSelection(flags);
  return true;
}

bool GetLidarDataDll::SetEcho_SingleOrDouble(int echo) {
  LIDAR_Template* d = decoderOrReport();
  if (d == nullptr) return false;
  d->setEcho(echo);
  return true;
}

bool GetLidarDataDll::SetFilteDistanceZero(bool on) {
  LIDAR_Template* d = decoderOrReport();
  if (d == nullptr) return false;
  d->setFilterDistanceZero(on);
  return true;
}

bool GetLidarDataDll::SetFiltrationDataParam(_FiltrationDataInitParam filter) {
  LIDAR_Template* d = decoderOrReport();
  if (d == nullptr) return false;
  d->setFiltrationData(filter);
  return true;
}

bool GetLidarDataDll::SetGroupIp(std::string group) {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->receiver()->SetGroupIp(std::move(group)) : false;
}

bool GetLidarDataDll::SetHangleRange(float start, float end) {
  LIDAR_Template* d = decoderOrReport();
  if (d == nullptr) return false;
  d->setHangleRange(start, end);
  return true;
}

bool GetLidarDataDll::SetXandrilLineSetParam(int value) {
  LIDAR_Template* d = decoderOrReport();
  if (d == nullptr) return false;
  d->setLineParam(value);
  return true;
}

bool GetLidarDataDll::SetLidarSetParam(int value, std::vector<float>* list) {
  LIDAR_Template* d = decoderOrReport();
  if (d == nullptr) return false;
  d->setSetParam(value, list);
  return true;
}

bool GetLidarDataDll::SetRGB_TypeSelection(_SetRGB_Type type, int useColorBar) {
  LIDAR_Template* d = decoderOrReport();
  if (d == nullptr) return false;
  d->setRGBType(type, useColorBar);
  return true;
}

void GetLidarDataDll::setSelectRange(bool enable, float a, float b, float c, float d, float e, float f) {
  if (LIDAR_Template* dec = decoder()) dec->setSelectRange(enable, a, b, c, d, e, f);
}

// ---------------------------------------------------------------- device setters

bool GetLidarDataDll::SendLidarData_UDP() {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->SendLidarData_UDP() : false;
}

bool GetLidarDataDll::SetCalibrationParam(int channel, float distance, bool open, std::vector<float> list,
                                          std::string path, bool close) {
  LIDAR_Template* d = decoderOrReport();
  if (d != nullptr) d->writeCalibrationData(channel, distance, open, std::move(list), std::move(path), close);
  return false;
}

bool GetLidarDataDll::SetComputerIP(std::string ip) {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->setComputerIP(std::move(ip)) : false;
}

bool GetLidarDataDll::SetDataPort(int port) {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->setDataPort(port) : false;
}

bool GetLidarDataDll::SetDevPort(int port) {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->setDevPort(port) : false;
}

bool GetLidarDataDll::SetLidarIP(std::string ip) {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->setLidarIP(std::move(ip)) : false;
}

bool GetLidarDataDll::SetLidarRotateSpeed(int speed) {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->setLidarRotateSpeed(speed) : false;
}

bool GetLidarDataDll::SetLidarRotateState(int state) {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->setLidarRotateState(state) : false;
}

bool GetLidarDataDll::SetLidarSoureSelection(int selection) {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->setLidarSoureSelection(selection) : false;
}

bool GetLidarDataDll::SetLidarWorkState(int state) {
  LIDAR_Template* d = decoderOrReport();
  return d ? d->setLidarWorkState(state) : false;
}
