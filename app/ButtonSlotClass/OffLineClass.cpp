#include "OffLineClass.h"

OffLineClass::OffLineClass(QWidget* parent) : QWidget(parent) {}

OffLineClass::~OffLineClass() = default;
