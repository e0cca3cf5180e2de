#include "LIDAR_Drovik.h"

#include <cmath>

#include "PacketReaders.h"

LIDAR_Drovik::LIDAR_Drovik()
    : TailTimeDecoder({drovik::kBaseAngles.begin(), drovik::kBaseAngles.end()},
                      {drovik::kOffsetAngles.begin(), drovik::kOffsetAngles.end()}, drovik::kDualFrameLimit) {}

EchoPositions LIDAR_Drovik::computeXYZ(int channel, double hAngle, double& vAngle, double distance1,
                                       double distance2) {
  double k = 0.0, s = 0.0;
  if (!(distance1 > 0.0) || !verticalTerms(channel, hAngle, k, s)) return {};
  const std::size_t c = static_cast<std::size_t>(channel);
  const double cV = complementOf(s);
  vAngle = asinDegrees(s);
  const double halfCos = cosTable()[single_model::angleIndex(hAngle * 0.5)];
  // Direction inside the scan plane; the horizontal angle enters only through its half. A
  // vertical beam (cV = 0) has none and lies on the axis whatever u is.
  const double u = cV > 0.0 ? clampUnit((2.0 * k * m_cosVOffset[c] * halfCos - m_cosVBase[c]) / cV) : 0.0;
  const double w = complementOf(u);
  return fromVerticalTerms(cV, s, u, w, distance1, distance2);
}
