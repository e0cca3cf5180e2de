// Decoder of the family: packet time, frame synchronisation, the sub-model chosen by the
// model byte, echo dispatch and frame hand-over.
#pragma once

#include <cstddef>
#include <memory>

#include "DataDispose.h"
#include "LIDAR_Template.h"

class LIDAR_Kaldor_v4_0 : public LIDAR_Template {
public:
  LIDAR_Kaldor_v4_0();
  ~LIDAR_Kaldor_v4_0() override;  // the decode thread reads our members: end it first

  void dataProcessThread() override;
  // The intensity ramp; final, as the sub-models colour by a table made from it.
  void setIntensityColor(PointInfo* point) final;
  bool setLidarRotateState(int value) override;
  bool setLidarSoureSelection(int value) override;
  bool setLidarWorkState(int value) override;

  // Decodes one queued packet (length bytes; shorter ones are zero-filled to a full packet).
  // The decode loop calls it for every packet; tests call it directly.
  void processPacket(const unsigned char* buffer, std::size_t length);

  // The sub-model decoder, null until the first accepted data packet.
  DataDispose* subModel() const { return m_SubModel.get(); }

private:
  void handleDevicePacket(const unsigned char* packet);
  void decodePacketTime(const unsigned char* packet);
  void attachSubModel(int modelByte);

  std::unique_ptr<DataDispose> m_SubModel;
};
