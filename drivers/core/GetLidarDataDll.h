// The exported class of every driver library.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DriverExport.h"
#include "LidarRecords.h"

class LIDAR_Template;

struct GetLidarDataDllPrivate;  // shared by copies: device-packet offsets and the decoder

class LUMIVAR_DRIVER_EXPORT GetLidarDataDll {
public:
  using CloudPtr = pcl::PointCloud<PointInfo>::Ptr;

  GetLidarDataDll();
  GetLidarDataDll(const GetLidarDataDll& other);
  GetLidarDataDll& operator=(const GetLidarDataDll& other);
  ~GetLidarDataDll();

  virtual std::string GetDllCurrentTypeVersionDate();

  std::string GetComputerIP();
  int GetDataPort();
  int GetDevPort();
  std::string GetFPGA_Verdion();
  std::string GetGPS_Latitude();
  std::string GetGPS_Longitude();
  std::string GetGPS_Time();
  std::string GetLidarIP();
  std::vector<_MuchLidarData> GetLidarPerFrameDate();
  std::shared_ptr<std::vector<_MuchLidarData>> GetLidarPerFrameDatePrt();
  bool GetLidarPerFrameIsOK();
  int GetLidarRotateSpeed();
  int GetLidarRotateState();
  int GetLidarSoureSelection();
  std::string GetMacAddress();
  void LidarStart();
  void LidarStop();
  void LidarTypeInit(unsigned int dataPort, unsigned int devPort, std::string address);
  void MessFunction(std::string text, int code);
  bool SendLidarData_UDP();
  bool SetCalibrationParam(int channel, float distance, bool open, std::vector<float> list,
                           std::string path, bool close);
  void SetCallbackMessage(std::function<void(std::string, int)>* callback);
  bool SetChannelSelection(const int* flags);
  bool SetComputerIP(std::string ip);
  void SetControllerCallBackFun(std::function<void(CloudPtr, CloudPtr, CloudPtr, int, int, int)>* callback);
  void SetControllerCallBackFun(std::function<void(CloudPtr, CloudPtr, int, int, int, int)>* callback);
  void SetControllerCallBackFun(std::function<void(std::shared_ptr<std::vector<_MuchLidarData>>, int)>* callback);
  void SetControllerCallBackFun(std::function<void(std::vector<_MuchLidarData>, int)>* callback);
  bool SetDataPort(int port);
  void SetDecCallBackFun(std::function<void(unsigned char*, int)>* callback);
  bool SetDevPort(int port);
  bool SetEcho_SingleOrDouble(int echo);
  bool SetFilteDistanceZero(bool on);
  bool SetFiltrationDataParam(_FiltrationDataInitParam filter);
  bool SetGroupIp(std::string group);
  bool SetHangleRange(float start, float end);
  bool SetXandrilLineSetParam(int value);
  bool SetLidarIP(std::string ip);
  bool SetLidarRotateSpeed(int speed);
  bool SetLidarRotateState(int state);
  bool SetLidarSetParam(int value, std::vector<float>* list);
  bool SetLidarSoureSelection(int selection);
  bool SetLidarWorkState(int state);
  bool SetRGB_TypeSelection(_SetRGB_Type type, int useColorBar);
  void setOffLineData(unsigned char* data, unsigned short length, _LidarDataType kind, bool end, int step);
  void setSelectRange(bool enable, float a, float b, float c, float d, float e, float f);

protected:
  // The model subclass's constructor hands its new decoder over here.
  LUMIVAR_DRIVER_LOCAL void setDecoder(LIDAR_Template* decoder);
  LUMIVAR_DRIVER_LOCAL LIDAR_Template* decoder() const;
  // Device-information offsets of rotate state, GPS time and GPS position (40, 52, 58).
  LUMIVAR_DRIVER_LOCAL void setDeviceOffsets(int rotateState, int gpsTime, int gpsPosition);

private:
  // The decoder, or the "no decoder" message and null.
  LUMIVAR_DRIVER_LOCAL LIDAR_Template* decoderOrReport();

  std::shared_ptr<GetLidarDataDllPrivate> m_Private;
  std::function<void(std::string, int)>* m_MessageCallback = nullptr;
  bool m_Flag = false;
  int m_Reserved[6] = {0, 0, 0, 0, 0, 0};
};
