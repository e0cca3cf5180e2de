#include "GetLidarDataDll_Ulmeth.h"

#include "DriverModelClass.h"
#include "LIDAR_Ulmeth.h"

LUMIVAR_DRIVER_CLASS(GetLidarDataDll_Ulmeth, LIDAR_Ulmeth, "LidarType_Ulmeth", "v3.0.0", "2024/08/29")
