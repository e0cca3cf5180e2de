#pragma once
#include <QWidget>

// Offline playback bar under the 3D view. Only the widget itself so far: the main window
// form places it; the playback controls and the replay worker come with the panel's own form.
class OffLineClass : public QWidget {
  Q_OBJECT

 public:
  explicit OffLineClass(QWidget* parent = nullptr);
  ~OffLineClass() override;
};
