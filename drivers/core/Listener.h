#pragma once
#include "LidarRecords.h"

class Listener {
public:
  virtual ~Listener() = default;
  // The packet entry; called by the receive thread with the receiver's listener mutex held.
  virtual void onReceiveData(_LidarDataType kind, const unsigned char* bytes, unsigned short length) = 0;
};
