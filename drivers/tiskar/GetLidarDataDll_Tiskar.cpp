#include "GetLidarDataDll_Tiskar.h"

#include "DriverModelClass.h"
#include "LIDAR_Tiskar.h"

LUMIVAR_DRIVER_CLASS(GetLidarDataDll_Tiskar, LIDAR_Tiskar, "LidarType_Tiskar", "v3.0.0", "2024/09/05")
