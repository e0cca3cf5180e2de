// Costs of the view tools that run on each pick or on the wall-thickness worker.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "BoxSelection.h"
#include "MeasurementGrid.h"
#include "WallThickness.h"

namespace {

// A wall of two layers 2 cm apart, tilted, with a little noise.
WallThickness::CloudXYZ::Ptr wall(int points) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> along(-1, 1), noise(-0.001f, 0.001f);
  WallThickness::CloudXYZ::Ptr cloud(new WallThickness::CloudXYZ);
  for (int i = 0; i < points; ++i) {
    const float u = along(rng), v = along(rng), layer = i % 4 == 0 ? 0.02f : 0.0f;
    cloud->push_back(pcl::PointXYZ(5 + 0.2f * u + layer + noise(rng), u, v));
  }
  return cloud;
}

void BM_FitPlaneThickness(benchmark::State& state) {
  const auto cloud = wall(static_cast<int>(state.range(0)));
  pcl::ModelCoefficients out;
  for (auto _ : state) benchmark::DoNotOptimize(WallThickness::fitPlaneThickness(cloud, out));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FitPlaneThickness)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_CollectPicked(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  pcl::PointCloud<PointInfo> frame;
  std::vector<int> indices;
  for (int i = 0; i < n; ++i) {
    PointInfo p{};
    p.x = i * 0.001f, p.y = -i * 0.002f, p.z = 1;
    p.Distance = i % 10 == 0 ? 0 : 1;
    frame.push_back(p);
    indices.push_back(i);
  }
  for (auto _ : state) benchmark::DoNotOptimize(BoxSelection::collectPicked(frame, indices));
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_CollectPicked)->Arg(1000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_GridGeometry(benchmark::State& state) {
  GridParam p;
  p.gridNumber = 100;
  p.orientation = 2;
  for (auto _ : state) {
    benchmark::DoNotOptimize(MeasurementGrid::rotatedLines(p, 17));
    benchmark::DoNotOptimize(MeasurementGrid::labels(p));
  }
}
BENCHMARK(BM_GridGeometry)->Unit(benchmark::kMicrosecond);

}  // namespace
