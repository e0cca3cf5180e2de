#include "GetLidarDataDll_Yorbek.h"

#include "DriverModelClass.h"
#include "LIDAR_Yorbek.h"

LUMIVAR_DRIVER_CLASS(GetLidarDataDll_Yorbek, LIDAR_Yorbek, "LidarType_Yorbek", "v1.0.0", "2023/11/18")
