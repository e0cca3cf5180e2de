#include "GetLidarDataDll_Coravel.h"

#include "DriverModelClass.h"
#include "LIDAR_Coravel.h"

// The sensor reports itself under the key of its sibling model.
LUMIVAR_DRIVER_CLASS(GetLidarDataDll_Coravel, LIDAR_Coravel, "LidarType_Yarrel", "v3.0.0", "2024/08/29")
