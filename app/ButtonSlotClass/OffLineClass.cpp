#include "OffLineClass.h"

OffLineClass::OffLineClass(QWidget* parent) : QWidget(parent) {}

OffLineClass::~OffLineClass() = default;

void OffLineClass::OpenOffLine() {}

void OffLineClass::setOfflineControlsEnabled(bool) {}

void OffLineClass::stopPlayback() { isOfflineMode = false; }

void OffLineClass::onOpenPacket() {}

// Outside an offline run, Play only freezes or releases the display.
void OffLineClass::onPlay() {
  if (!isOfflineMode) iconShowsStop = !iconShowsStop;
}
