// The program's filter record: the driver's record itself, so it crosses to the glue
// unchanged. Ranges switched off hold the negative quiet NaN (FFC00000); channel i is kept
// when channel[i] is 1.
#pragma once

#include <QMetaType>

#include "LidarRecords.h"

using FiltrationDataInitParam = _FiltrationDataInitParam;

Q_DECLARE_METATYPE(FiltrationDataInitParam)

// Registers the type name "FiltrationDataInitParam" for queued signals; safe to call often.
inline void registerFiltrationDataInitParam() {
  qRegisterMetaType<FiltrationDataInitParam>("FiltrationDataInitParam");
}
