// The decoder is all in its family base and its tables.
#include "LIDAR_Yorbek.h"
