// The glue's own panels, shown frameless by the program from its tool buttons, which gives
// them its dialogs' title bar above their text.
#pragma once

#include <QWidget>

#include <functional>

class QLabel;

// Driver identity, the connection and the last device information.
class HalverdSettingPanel : public QWidget {
  Q_OBJECT
public:
  explicit HalverdSettingPanel(QWidget* parent = nullptr);

  // Sections to show, set by the program before showing: device information, network.
  int isShowDeviceInfo = 0;
  int isShowNetworkInfo = 0;

  void setSummaryProvider(std::function<QString()> provider) { m_Provider = std::move(provider); }
  QString shownText() const;
  // Asks the provider again (the glue calls it while the panel is shown).
  void refresh();

protected:
  void showEvent(QShowEvent* event) override;

private:
  std::function<QString()> m_Provider;
  QLabel* m_Text;
};

class HalverdAboutPanel : public QWidget {
  Q_OBJECT
public:
  explicit HalverdAboutPanel(QWidget* parent = nullptr);
  // Neutral branding leaves out the product name.
  virtual void setupAbout(bool neutralBranding);
  QString shownText() const;

private:
  QLabel* m_Text;
};

// Angle extent of the points of the last area selection; the program writes it.
struct SelectionAngleWindow {
  float hAngleMin = 9999.f;   // degrees
  float hAngleMax = -999.f;
  float vAngleMin = 9999.f;
  float vAngleMax = -9999.f;
  int pointCount = 0;
};

class HalverdAdvancedPanel : public QWidget {
  Q_OBJECT
public:
  explicit HalverdAdvancedPanel(QWidget* parent = nullptr);

  int isShowAdvanced = 0;  // set by the program before showing
  SelectionAngleWindow angleWindow;

  // True after an area selection (angleWindow filled), false when the box is dropped.
  virtual void setSelectionState(bool selected);
  QString shownText() const;

private:
  QLabel* m_Text;
};
