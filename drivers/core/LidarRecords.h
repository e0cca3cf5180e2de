// Records that cross the driver interface; shared by the drivers and the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#ifndef PCL_NO_PRECOMPILE
#define PCL_NO_PRECOMPILE
#endif
#include <pcl/pcl_macros.h>
#include <pcl/point_cloud.h>
#include <pcl/point_types.h>
#include <pcl/register_point_struct.h>

#include "DriverExport.h"

struct EIGEN_ALIGN16 PointInfo {
  PCL_ADD_POINT4D;           // x, y, z in metres, sensor frame (PCL owns the fourth float)
  PCL_ADD_RGB;               // bytes b, g, r, a in memory order
  std::uint8_t Channel;      // laser channel, 0-based
  float H_angle;             // degrees
  float V_angle;             // degrees
  float Distance;            // first echo, metres
  std::uint8_t Intensity;    // first echo, 0-255
  float Distance2;           // second echo, metres
  std::uint8_t Intensity2;   // second echo
  double Mtimestamp_nsce;    // seconds since 1970 (UTC)
  PCL_MAKE_ALIGNED_OPERATOR_NEW
};

static_assert(sizeof(PointInfo) == 64, "PointInfo is 64 bytes on both sides of the interface");
static_assert(alignof(PointInfo) == 16, "PointInfo is 16-byte aligned");
static_assert(offsetof(PointInfo, rgba) == 16, "colour follows the position block");
static_assert(offsetof(PointInfo, Channel) == 20, "layout");
static_assert(offsetof(PointInfo, H_angle) == 24, "layout");
static_assert(offsetof(PointInfo, V_angle) == 28, "layout");
static_assert(offsetof(PointInfo, Distance) == 32, "layout");
static_assert(offsetof(PointInfo, Intensity) == 36, "layout");
static_assert(offsetof(PointInfo, Distance2) == 40, "layout");
static_assert(offsetof(PointInfo, Intensity2) == 44, "layout");
static_assert(offsetof(PointInfo, Mtimestamp_nsce) == 48, "layout");

POINT_CLOUD_REGISTER_POINT_STRUCT(PointInfo,
    (float, x, x)
    (float, y, y)
    (float, z, z)
    (float, rgb, rgb)
    (std::uint8_t, Channel, Channel)
    (float, H_angle, H_angle)
    (float, V_angle, V_angle)
    (float, Distance, Distance)
    (std::uint8_t, Intensity, Intensity)
    (float, Distance2, Distance2)
    (std::uint8_t, Intensity2, Intensity2)
    (double, Mtimestamp_nsce, Mtimestamp_nsce))

// Per-point record of the vector-form frame callbacks. No decoder of the suite fills it;
// the layout is ours and only its size is fixed.
struct _MuchLidarData {
  float X = 0.f, Y = 0.f, Z = 0.f;     // metres
  float H_angle = 0.f;                 // degrees
  float V_angle = 0.f;                 // degrees
  float Distance = 0.f;                // metres
  float Distance2 = 0.f;               // metres
  std::uint8_t Channel = 0;
  std::uint8_t Intensity = 0;
  std::uint8_t Intensity2 = 0;
  std::uint8_t Reserved0 = 0;
  std::uint32_t Rgba = 0;
  double Mtimestamp_nsce = 0.0;        // seconds since 1970
  std::uint8_t Reserved[16] = {};
};
static_assert(sizeof(_MuchLidarData) == 64, "_MuchLidarData is 64 bytes");

// Quiet NaN with the sign bit set (FFC00000): "pair off" in the filter record.
inline float filterOffValue() {
  const std::uint32_t bits = 0xFFC00000u;
  float f;
  static_assert(sizeof(f) == sizeof(bits), "float is 32-bit");
  __builtin_memcpy(&f, &bits, sizeof(f));
  return f;
}

// Seven inclusive (minimum, maximum) pairs; a NaN minimum switches a pair off.
struct _FiltrationDataInitParam {
  float HAngleMin, HAngleMax;        // degrees (carried; the window comes from SetHangleRange)
  float VAngleMin, VAngleMax;        // degrees
  float DistanceMin, DistanceMax;    // metres
  float IntensityMin, IntensityMax;  // 0-255, compared as float
  float XMin, XMax;                  // metres
  float YMin, YMax;                  // metres
  float ZMin, ZMax;                  // metres
  std::int32_t ChannelFlags[256];    // 1 keeps a channel, 0 drops it

  _FiltrationDataInitParam() {
    float* pairs = &HAngleMin;
    for (int i = 0; i < 14; ++i) pairs[i] = filterOffValue();
    for (auto& f : ChannelFlags) f = 1;
  }
  const float* pairs() const { return &HAngleMin; }
  float* pairs() { return &HAngleMin; }
};
static_assert(sizeof(_FiltrationDataInitParam) == 14 * 4 + 256 * 4, "filter record layout");

// Colour mode (switch 0) or colour-bar index (switch 1).
enum _SetRGB_Type : std::int32_t {
  RGB_Intensity = 0,
  RGB_Solid = 1,
  RGB_Elevation = 2,
  RGB_HAngle = 3,
  RGB_Channel = 4,
};

enum _LidarDataType : std::int32_t {
  LidarDataType_Point = 0,
  LidarDataType_Device = 1,
};
