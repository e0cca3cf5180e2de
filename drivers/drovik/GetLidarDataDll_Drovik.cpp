#include "GetLidarDataDll_Drovik.h"

#include "DriverModelClass.h"
#include "LIDAR_Drovik.h"

LUMIVAR_DRIVER_CLASS(GetLidarDataDll_Drovik, LIDAR_Drovik, "LidarType_Drovik", "v1.0.0", "2023/08/31")
