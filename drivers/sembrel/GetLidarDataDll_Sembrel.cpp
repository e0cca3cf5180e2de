#include "GetLidarDataDll_Sembrel.h"

#include "DriverModelClass.h"
#include "LIDAR_Sembrel.h"

// Device-information packet bytes of the rotate state (46), GPS time (36) and GPS position (212).
LUMIVAR_DRIVER_CLASS_WITH_DEVICE_OFFSETS(GetLidarDataDll_Sembrel, LIDAR_Sembrel, "LidarType_Sembrel", "v3.1.0", "2023/08/31", 46, 36, 212)
