#include "HalverdPanels.h"

#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

constexpr const char* kPanelStyle =
    "QWidget{background-color: rgb(1, 20, 45); color: rgb(240, 240, 240);}";

QLabel* addTextLabel(QWidget* panel) {
  // No margins on the panel: the program puts its title bar above the text, edge to edge.
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* label = new QLabel(panel);
  label->setContentsMargins(11, 11, 11, 11);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(label);
  panel->setStyleSheet(QString::fromLatin1(kPanelStyle));
  panel->setAttribute(Qt::WA_QuitOnClose, false);
  return label;
}

}  // namespace

HalverdSettingPanel::HalverdSettingPanel(QWidget* parent) : QWidget(parent), m_Text(addTextLabel(this)) {
  setWindowTitle(tr("Lidar settings"));
  resize(400, 300);
}

QString HalverdSettingPanel::shownText() const { return m_Text->text(); }

void HalverdSettingPanel::refresh() {
  QString text;
  if (isShowDeviceInfo == 1 || isShowNetworkInfo == 1)
    text = m_Provider ? m_Provider() : QString();
  m_Text->setText(text.isEmpty() ? tr("Nothing to show") : text);
}

void HalverdSettingPanel::showEvent(QShowEvent* event) {
  refresh();
  QWidget::showEvent(event);
}

HalverdAboutPanel::HalverdAboutPanel(QWidget* parent) : QWidget(parent), m_Text(addTextLabel(this)) {
  setWindowTitle(tr("About"));
  resize(360, 160);
  setupAbout(false);
}

void HalverdAboutPanel::setupAbout(bool neutralBranding) {
  m_Text->setText(neutralBranding ? tr("Lidar point cloud viewer") : tr("Lumivar Platform\nLidar point cloud viewer"));
}

QString HalverdAboutPanel::shownText() const { return m_Text->text(); }

HalverdAdvancedPanel::HalverdAdvancedPanel(QWidget* parent) : QWidget(parent), m_Text(addTextLabel(this)) {
  setWindowTitle(tr("Advanced settings"));
  resize(360, 160);
  setSelectionState(false);
}

void HalverdAdvancedPanel::setSelectionState(bool selected) {
  if (!selected) {
    m_Text->setText(tr("No selection"));
    return;
  }
  const SelectionAngleWindow& w = angleWindow;
  m_Text->setText(tr("Selected points: %1\nH angle: %2 to %3\nV angle: %4 to %5")
                      .arg(w.pointCount)
                      .arg(w.hAngleMin, 0, 'f', 3)
                      .arg(w.hAngleMax, 0, 'f', 3)
                      .arg(w.vAngleMin, 0, 'f', 3)
                      .arg(w.vAngleMax, 0, 'f', 3));
}

QString HalverdAdvancedPanel::shownText() const { return m_Text->text(); }
