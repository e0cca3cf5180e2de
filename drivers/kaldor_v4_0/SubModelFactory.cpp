#include "SubModelFactory.h"

#include <array>

#include "DataDispose_Gorsk_v4_0.h"
#include "DataDispose_Hulvan_v4_0.h"
#include "DataDispose_Lormet_v4_0.h"
#include "DataDispose_Nimbrel_N_v4_0.h"
#include "DataDispose_Quenry_v4_0.h"

namespace kaldor {
namespace {

using Creator = std::unique_ptr<DataDispose> (*)();

template <typename T>
std::unique_ptr<DataDispose> make() {
  return std::make_unique<T>();
}

struct FactoryEntry {
  int modelByte;
  Creator create;
};

constexpr std::array<FactoryEntry, 13> kFactory = {{
    {4, make<DataDispose_Gorsk_v4_0>},
    {7, make<DataDispose_Hulvan_v4_0>},
    {8, make<DataDispose_Hulvan_v4_0>},
    {9, make<DataDispose_Hulvan_v4_0>},
    {32, make<DataDispose_Lormet_v4_0>},
    {33, make<DataDispose_Lormet_v4_0>},
    {34, make<DataDispose_Lormet_v4_0>},
    {35, make<DataDispose_Lormet_v4_0>},
    {69, make<DataDispose_Nimbrel_N_v4_0>},
    {71, make<DataDispose_Nimbrel_N_v4_0>},
    {72, make<DataDispose_Nimbrel_N_v4_0>},
    {90, make<DataDispose_Quenry_v4_0>},
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
