// The C entry of a driver library, compiled into each one for its model class
// (LUMIVAR_DRIVER_CLASS from LUMIVAR_DRIVER_HEADER): an ILidarDriver that forwards every
// call to one object of the model class.
#include <new>
#include <utility>

#include "DriverExport.h"
#include "LidarDriverInterface.h"
#include LUMIVAR_DRIVER_HEADER

namespace {

class DriverAdapter final : public ILidarDriver {
public:
  std::string GetDllCurrentTypeVersionDate() override { return m_Driver.GetDllCurrentTypeVersionDate(); }
  std::string GetComputerIP() override { return m_Driver.GetComputerIP(); }
  int GetDataPort() override { return m_Driver.GetDataPort(); }
  int GetDevPort() override { return m_Driver.GetDevPort(); }
  std::string GetFPGA_Verdion() override { return m_Driver.GetFPGA_Verdion(); }
  std::string GetGPS_Latitude() override { return m_Driver.GetGPS_Latitude(); }
  std::string GetGPS_Longitude() override { return m_Driver.GetGPS_Longitude(); }
  std::string GetGPS_Time() override { return m_Driver.GetGPS_Time(); }
  std::string GetLidarIP() override { return m_Driver.GetLidarIP(); }
  std::vector<_MuchLidarData> GetLidarPerFrameDate() override { return m_Driver.GetLidarPerFrameDate(); }
  std::shared_ptr<std::vector<_MuchLidarData>> GetLidarPerFrameDatePrt() override {
    return m_Driver.GetLidarPerFrameDatePrt();
  }
  bool GetLidarPerFrameIsOK() override { return m_Driver.GetLidarPerFrameIsOK(); }
  int GetLidarRotateSpeed() override { return m_Driver.GetLidarRotateSpeed(); }
  int GetLidarRotateState() override { return m_Driver.GetLidarRotateState(); }
  int GetLidarSoureSelection() override { return m_Driver.GetLidarSoureSelection(); }
  std::string GetMacAddress() override { return m_Driver.GetMacAddress(); }
  void LidarStart() override { m_Driver.LidarStart(); }
  void LidarStop() override { m_Driver.LidarStop(); }
  void LidarTypeInit(unsigned int dataPort, unsigned int devPort, std::string address) override {
    m_Driver.LidarTypeInit(dataPort, devPort, std::move(address));
  }
  void MessFunction(std::string text, int code) override { m_Driver.MessFunction(std::move(text), code); }
  bool SendLidarData_UDP() override { return m_Driver.SendLidarData_UDP(); }
  bool SetCalibrationParam(int channel, float distance, bool open, std::vector<float> list, std::string path,
                           bool close) override {
    return m_Driver.SetCalibrationParam(channel, distance, open, std::move(list), std::move(path), close);
  }
  void SetCallbackMessage(MessageFn* callback) override { m_Driver.SetCallbackMessage(callback); }
  bool SetChannelSelection(const int* flags) override { return m_Driver.SetChannelSelection(flags); }
  bool SetComputerIP(std::string ip) override { return m_Driver.SetComputerIP(std::move(ip)); }
  void SetThreeCloudCallback(ThreeCloudFn* callback) override { m_Driver.SetControllerCallBackFun(callback); }
  void SetTwoCloudCallback(TwoCloudFn* callback) override { m_Driver.SetControllerCallBackFun(callback); }
  void SetSharedVectorCallback(SharedVectorFn* callback) override {
    m_Driver.SetControllerCallBackFun(callback);
  }
  void SetVectorCallback(VectorFn* callback) override { m_Driver.SetControllerCallBackFun(callback); }
  bool SetDataPort(int port) override { return m_Driver.SetDataPort(port); }
  void SetDecCallBackFun(DeviceFn* callback) override { m_Driver.SetDecCallBackFun(callback); }
  bool SetDevPort(int port) override { return m_Driver.SetDevPort(port); }
  bool SetEcho_SingleOrDouble(int echo) override { return m_Driver.SetEcho_SingleOrDouble(echo); }
  bool SetFilteDistanceZero(bool on) override { return m_Driver.SetFilteDistanceZero(on); }
  bool SetFiltrationDataParam(_FiltrationDataInitParam filter) override {
    return m_Driver.SetFiltrationDataParam(filter);
  }
  bool SetGroupIp(std::string group) override { return m_Driver.SetGroupIp(std::move(group)); }
  bool SetHangleRange(float start, float end) override { return m_Driver.SetHangleRange(start, end); }
  bool SetXandrilLineSetParam(int value) override { return m_Driver.SetXandrilLineSetParam(value); }
  bool SetLidarIP(std::string ip) override { return m_Driver.SetLidarIP(std::move(ip)); }
  bool SetLidarRotateSpeed(int speed) override { return m_Driver.SetLidarRotateSpeed(speed); }
  bool SetLidarRotateState(int state) override { return m_Driver.SetLidarRotateState(state); }
  bool SetLidarSetParam(int value, std::vector<float>* list) override {
    return m_Driver.SetLidarSetParam(value, list);
  }
  bool SetLidarSoureSelection(int selection) override { return m_Driver.SetLidarSoureSelection(selection); }
  bool SetLidarWorkState(int state) override { return m_Driver.SetLidarWorkState(state); }
  bool SetRGB_TypeSelection(_SetRGB_Type type, int useColorBar) override {
    return m_Driver.SetRGB_TypeSelection(type, useColorBar);
  }
  void setOffLineData(unsigned char* data, unsigned short length, _LidarDataType kind, bool end,
                      int step) override {
    m_Driver.setOffLineData(data, length, kind, end, step);
  }
  void setSelectRange(bool enable, float a, float b, float c, float d, float e, float f) override {
    m_Driver.setSelectRange(enable, a, b, c, d, e, f);
  }

private:
  LUMIVAR_DRIVER_CLASS m_Driver;
};

}  // namespace

extern "C" LUMIVAR_DRIVER_EXPORT ILidarDriver* LumivarCreateDriver() {
  // Nothing may leave a C entry as an exception.
  try {
    return new DriverAdapter();
  } catch (...) {
    return nullptr;
  }
}

extern "C" LUMIVAR_DRIVER_EXPORT void LumivarDestroyDriver(ILidarDriver* driver) {
  delete driver;
}
