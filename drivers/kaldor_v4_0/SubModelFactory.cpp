#include "SubModelFactory.h"

#include <array>

#include "DataDispose_Brisal_v4_0.h"
#include "DataDispose_Drelka_v4_0.h"
#include "DataDispose_Fyrel_v4_0.h"
#include "DataDispose_Gorsk_v4_0.h"
#include "DataDispose_Hulvan_v4_0.h"
#include "DataDispose_Jarnis_v4_0.h"
#include "DataDispose_Lormet_v4_0.h"
#include "DataDispose_Nimbrel_N_v4_0.h"
#include "DataDispose_Nimbrel_v4_0.h"
#include "DataDispose_Ostrik.h"
#include "DataDispose_Quenry_40K_v4_0.h"
#include "DataDispose_Quenry_v4_0.h"

namespace kaldor {
namespace {

using Creator = std::unique_ptr<DataDispose> (*)();

template <typename T>
std::unique_ptr<DataDispose> make() {
  return std::make_unique<T>();
}

// Brisal, Fyrel, Drelka and Ostrik have no constructor of their own: their starting values are
// set here, after the DataDispose constructor.
std::unique_ptr<DataDispose> makeBrisal() {
  auto d = std::make_unique<DataDispose_Brisal_v4_0>();
  for (int c = 0; c < static_cast<int>(kBrisalAngles.size()); ++c) d->loadChannelTrig(c, kBrisalAngles[c]);
  return d;
}

std::unique_ptr<DataDispose> makeFyrel() {
  auto d = std::make_unique<DataDispose_Fyrel_v4_0>();
  d->loadChannelTrig(0, 0.0);
  return d;
}

std::unique_ptr<DataDispose> makeDrelka() {
  auto d = std::make_unique<DataDispose_Drelka_v4_0>();
  d->m_AdaptiveMinimumBlocks = 50;
  d->m_AdaptiveSplitWindow = 100;  // degrees
  d->loadChannelTrig(0, 0.0);
  return d;
}

std::unique_ptr<DataDispose> makeOstrik() {
  auto d = std::make_unique<DataDispose_Ostrik>();
  d->m_AdaptiveMinimumBlocks = 50;
  d->m_AdaptiveSplitWindow = 100;  // degrees
  d->loadChannelTrig(0, 0.0);
  return d;
}

struct FactoryEntry {
  int modelByte;
  Creator create;
};

constexpr std::array<FactoryEntry, 25> kFactory = {{
    {1, makeBrisal},
    {2, makeFyrel},
    {3, makeDrelka},
    {4, make<DataDispose_Gorsk_v4_0>},
    {5, makeOstrik},
    {6, makeOstrik},
    {7, make<DataDispose_Hulvan_v4_0>},
    {8, make<DataDispose_Hulvan_v4_0>},
    {9, make<DataDispose_Hulvan_v4_0>},
    {10, makeDrelka},
    {16, make<DataDispose_Jarnis_v4_0>},
    {17, make<DataDispose_Jarnis_v4_0>},
    {18, make<DataDispose_Jarnis_v4_0>},
    {32, make<DataDispose_Lormet_v4_0>},
    {33, make<DataDispose_Lormet_v4_0>},
    {34, make<DataDispose_Lormet_v4_0>},
    {35, make<DataDispose_Lormet_v4_0>},
    {69, make<DataDispose_Nimbrel_N_v4_0>},
    {70, make<DataDispose_Nimbrel_v4_0>},
    {71, make<DataDispose_Nimbrel_N_v4_0>},
    {72, make<DataDispose_Nimbrel_N_v4_0>},
    {90, make<DataDispose_Quenry_v4_0>},
    {91, make<DataDispose_Jarnis_v4_0>},
    {92, make<DataDispose_Quenry_40K_v4_0>},
    {93, make<DataDispose_Quenry_v4_0>},
}};

const FactoryEntry* find(int modelByte) {
  for (const FactoryEntry& e : kFactory)
    if (e.modelByte == modelByte) return &e;
  return nullptr;
}

}  // namespace

bool isAcceptedModelByte(int modelByte) { return find(modelByte) != nullptr; }

std::unique_ptr<DataDispose> createSubModel(int modelByte) {
  const FactoryEntry* e = find(modelByte);
  return e ? e->create() : nullptr;
}

}  // namespace kaldor
