#include "GetLidarDataDll_Kaldor_v4_0.h"

#include "DriverModelClass.h"
#include "LIDAR_Kaldor_v4_0.h"

LUMIVAR_DRIVER_CLASS(GetLidarDataDll_Kaldor_v4_0, LIDAR_Kaldor_v4_0, "LidarType_Kaldor_v4_0", "v4.1.2", "2024/09/05")
