// The connection record: filled by the connection and packet-opening dialogs, started by the
// main window. Travels in queued signals under the name "LidarInitParam".
#pragma once

#include <QMetaType>
#include <QString>

#include <string>

struct LidarInitParam {
  QString lidarType = QStringLiteral("LidarType_Ulmeth");  // model key for initClassLidarType
  bool isUse = false;                  // playback: filter the capture by the addresses and ports
  std::string lidarIP = "192.168.1.200";
  std::string destIP = "192.168.1.102";  // host address the sensor sends to
  std::string multicastIP = "226.1.1.102";
  int dataPort = 2368;
  int devPort = 2369;
  // 0 Kaldor family, 1 Velkor family, 3 Rendal family, 4 "LidarType_Zentra", 5 "LidarType_Gavrin"
  int lidarFamily = 0;
  bool isUsePacketLen = false;  // playback: use the fixed lengths below
  int headLength = 42;          // bytes before the payload in a captured frame
  int dataLength = 1212;        // point-data packet bytes
  int devLength = 1206;         // device-information packet bytes
};
Q_DECLARE_METATYPE(LidarInitParam)

inline int registerLidarInitParamMetaType() {
  return qRegisterMetaType<LidarInitParam>("LidarInitParam");
}
