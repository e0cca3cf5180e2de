#include "GetLidarDataDll_Fenwyr.h"

#include "DriverModelClass.h"
#include "LIDAR_Fenwyr.h"

LUMIVAR_DRIVER_CLASS(GetLidarDataDll_Fenwyr, LIDAR_Fenwyr, "LidarType_Fenwyr", "v3.0.0", "2024/08/29")
