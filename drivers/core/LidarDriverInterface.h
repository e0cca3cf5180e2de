// The C entry of a driver library: a plain abstract interface that the glue loads with
// dlopen, so ten libraries exporting the same class name can live in one process.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "LidarRecords.h"

class ILidarDriver {
public:
  using CloudPtr = pcl::PointCloud<PointInfo>::Ptr;
  using TwoCloudFn = std::function<void(CloudPtr, CloudPtr, int, int, int, int)>;
  using ThreeCloudFn = std::function<void(CloudPtr, CloudPtr, CloudPtr, int, int, int)>;
  using SharedVectorFn = std::function<void(std::shared_ptr<std::vector<_MuchLidarData>>, int)>;
  using VectorFn = std::function<void(std::vector<_MuchLidarData>, int)>;
  using DeviceFn = std::function<void(unsigned char*, int)>;
  using MessageFn = std::function<void(std::string, int)>;

  virtual ~ILidarDriver() = default;

  virtual std::string GetDllCurrentTypeVersionDate() = 0;
  virtual std::string GetComputerIP() = 0;
  virtual int GetDataPort() = 0;
  virtual int GetDevPort() = 0;
  virtual std::string GetFPGA_Verdion() = 0;
  virtual std::string GetGPS_Latitude() = 0;
  virtual std::string GetGPS_Longitude() = 0;
  virtual std::string GetGPS_Time() = 0;
  virtual std::string GetLidarIP() = 0;
  virtual std::vector<_MuchLidarData> GetLidarPerFrameDate() = 0;
  virtual std::shared_ptr<std::vector<_MuchLidarData>> GetLidarPerFrameDatePrt() = 0;
  virtual bool GetLidarPerFrameIsOK() = 0;
  virtual int GetLidarRotateSpeed() = 0;
  virtual int GetLidarRotateState() = 0;
  virtual int GetLidarSoureSelection() = 0;
  virtual std::string GetMacAddress() = 0;
  virtual void LidarStart() = 0;
  virtual void LidarStop() = 0;
  virtual void LidarTypeInit(unsigned int dataPort, unsigned int devPort, std::string address) = 0;
  virtual void MessFunction(std::string text, int code) = 0;
  virtual bool SendLidarData_UDP() = 0;
  virtual bool SetCalibrationParam(int channel, float distance, bool open, std::vector<float> list,
                                   std::string path, bool close) = 0;
  virtual void SetCallbackMessage(MessageFn* callback) = 0;
  virtual bool SetChannelSelection(const int* flags) = 0;
  virtual bool SetComputerIP(std::string ip) = 0;
  virtual void SetThreeCloudCallback(ThreeCloudFn* callback) = 0;
  virtual void SetTwoCloudCallback(TwoCloudFn* callback) = 0;
  virtual void SetSharedVectorCallback(SharedVectorFn* callback) = 0;
  virtual void SetVectorCallback(VectorFn* callback) = 0;
  virtual bool SetDataPort(int port) = 0;
  virtual void SetDecCallBackFun(DeviceFn* callback) = 0;
  virtual bool SetDevPort(int port) = 0;
  virtual bool SetEcho_SingleOrDouble(int echo) = 0;
  virtual bool SetFilteDistanceZero(bool on) = 0;
  virtual bool SetFiltrationDataParam(_FiltrationDataInitParam filter) = 0;
  virtual bool SetGroupIp(std::string group) = 0;
  virtual bool SetHangleRange(float start, float end) = 0;
  virtual bool SetXandrilLineSetParam(int value) = 0;
  virtual bool SetLidarIP(std::string ip) = 0;
  virtual bool SetLidarRotateSpeed(int speed) = 0;
  virtual bool SetLidarRotateState(int state) = 0;
  virtual bool SetLidarSetParam(int value, std::vector<float>* list) = 0;
  virtual bool SetLidarSoureSelection(int selection) = 0;
  virtual bool SetLidarWorkState(int state) = 0;
  virtual bool SetRGB_TypeSelection(_SetRGB_Type type, int useColorBar) = 0;
  virtual void setOffLineData(unsigned char* data, unsigned short length, _LidarDataType kind,
                              bool end, int step) = 0;
  virtual void setSelectRange(bool enable, float a, float b, float c, float d, float e, float f) = 0;
};

// Every driver library exports these two C functions (one shared source builds them).
extern "C" {
typedef ILidarDriver* (*LumivarCreateDriverFn)();
typedef void (*LumivarDestroyDriverFn)(ILidarDriver*);
}
#define LUMIVAR_CREATE_DRIVER_SYMBOL "LumivarCreateDriver"
#define LUMIVAR_DESTROY_DRIVER_SYMBOL "LumivarDestroyDriver"
