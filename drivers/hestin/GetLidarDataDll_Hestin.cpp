#include "GetLidarDataDll_Hestin.h"

#include "DriverModelClass.h"
#include "LIDAR_Hestin.h"

LUMIVAR_DRIVER_CLASS(GetLidarDataDll_Hestin, LIDAR_Hestin, "LidarType_Hestin", "v1.1.0", "2023/08/31")
