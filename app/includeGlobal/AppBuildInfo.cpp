#include "AppBuildInfo.h"
