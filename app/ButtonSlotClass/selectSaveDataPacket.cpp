#include "selectSaveDataPacket.h"

#include <QCloseEvent>
#include <QDebug>

#include "DialogFrame.h"
#include "ProgramSettings.h"

namespace {

// Model keys compared exactly (with case) to choose the reading rules of a capture.
const QString kBlockAngleModel = QStringLiteral("LidarType_Gavrin");
const QString kReassembledModel = QStringLiteral("LidarType_Zentra");

constexpr int kKaldorFamily = 0;
constexpr int kVelkorFamily = 1;
constexpr int kRendalFamily = 3;
constexpr int kReassembledFamily = 4;
constexpr int kBlockAngleFamily = 5;

QStringList velkorModels() { return LidarType_Velkor + LidarType_oldVelkor; }

}  // namespace

selectSaveDataPacket::selectSaveDataPacket(QWidget* parent) : MyWidget(parent) {
  registerLidarInitParamMetaType();
  ui.setupUi(this);
  ui.widget_title->labelTitleName->setObjectName(QStringLiteral("labelTitleName_2"));
  ui.widget_title->pushButtonClose->setCheckable(true);
  DialogFrame::prepareWindow(this);
  DialogFrame::applyButtonStyling(this);
  connect(ui.pushButton_OK, SIGNAL(clicked()), this, SLOT(onOK_Clicked()));
  connect(ui.pushButton_Cencel, SIGNAL(clicked()), this, SLOT(onCancel_Clicked()));
  connect(ui.widget_title->pushButtonClose, SIGNAL(clicked()), this, SLOT(onCancel_Clicked()));
  connect(ui.radioButton_Pcap, SIGNAL(toggled(bool)), this, SLOT(onToggled(bool)));
  connect(ui.radioButton_PCD, SIGNAL(toggled(bool)), this, SLOT(onToggled(bool)));
  for (QRadioButton* series : {ui.radioButton_Velkor, ui.radioButton_Kaldor, ui.radioButton_Rendal})
    connect(series, SIGNAL(toggled(bool)), this, SLOT(onSeriesRadioToggled(bool)));
  connect(ui.checkBox_isUse, &QCheckBox::stateChanged, this,
          [this](int state) { onCheckBox_isUseChange(state != Qt::Unchecked); });
}

void selectSaveDataPacket::setOpenMode() {
  ui.label_SavePcap->hide();
  ui.label_SavePCD->hide();
  ui.label_OpenPCD->show();
  ui.label_OpenPcap->show();
  ui.gBx_PacketParam->show();
}

void selectSaveDataPacket::retranslateUi() { ui.retranslateUi(this); }

void selectSaveDataPacket::initLidarTypeList() {
  if (ui.comboBox_LidarType->count() > 0) return;
  ui.comboBox_LidarType->clear();
  struct Series {
    QRadioButton* button;
    QStringList models;
  };
  // The last series with models wins the check; one without models is hidden.
  const Series order[] = {{ui.radioButton_Kaldor, LidarType_Kaldor},
                          {ui.radioButton_Rendal, LidarType_Rendal},
                          {ui.radioButton_Velkor, velkorModels()}};
  for (const Series& series : order) {
    if (series.models.isEmpty()) {
      series.button->hide();
      continue;
    }
    ui.comboBox_LidarType->clear();
    ui.comboBox_LidarType->addItems(series.models);
    series.button->setChecked(true);
  }
}

void selectSaveDataPacket::onSeriesRadioToggled(bool checked) {
  if (!checked) return;
  const auto* button = qobject_cast<const QAbstractButton*>(sender());
  const QString text = button ? button->text() : QString();
  qDebug().noquote() << QStringLiteral("[selectSaveDataPacket:%1]").arg(__LINE__) << "Button" << text
                     << "is checked";
  ui.comboBox_LidarType->clear();
  if (text == QLatin1String("Velkor"))
    ui.comboBox_LidarType->addItems(velkorModels());
  else if (text == QLatin1String("Kaldor"))
    ui.comboBox_LidarType->addItems(LidarType_Kaldor);
  else if (text == QLatin1String("Rendal"))
    ui.comboBox_LidarType->addItems(LidarType_Rendal);
}

void selectSaveDataPacket::onToggled(bool) {
  if (ui.radioButton_Pcap->isChecked())
    ui.stackedWidget->setCurrentIndex(0);
  else if (ui.radioButton_PCD->isChecked())
    ui.stackedWidget->setCurrentIndex(1);
}

void selectSaveDataPacket::onCheckBox_isUseChange(bool checked) { ui.groupBox_2->setEnabled(checked); }

void selectSaveDataPacket::onOK_Clicked() {
  if (ui.radioButton_Pcap->isChecked()) {
    LidarInitParam& p = mLidarInitParam;
    p.lidarType = ui.comboBox_LidarType->currentText();
    p.isUse = ui.checkBox_isUse->isChecked();
    p.lidarIP = ui.lineEdit_LidarIP->text().toStdString();
    p.destIP = ui.lineEdit_DestIP->text().toStdString();
    p.dataPort = ui.lineEdit_DataPort->text().toInt();  // not a number: 0
    p.devPort = ui.lineEdit_DevPort->text().toInt();
    p.isUsePacketLen = ui.checkBox_isUsePacketLen->isChecked();
    p.headLength = ui.lineEdit_HeadLength->text().toInt();
    // The second and third rows' object names are swapped relative to their texts.
    p.dataLength = ui.lineEdit_DevLength->text().toInt();
    p.devLength = ui.lineEdit_DataLength->text().toInt();
    if (ui.radioButton_Velkor->isChecked())
      p.lidarFamily = kVelkorFamily;
    else if (ui.radioButton_Kaldor->isChecked())
      p.lidarFamily = kKaldorFamily;
    else
      p.lidarFamily = p.lidarType == kBlockAngleModel ? kBlockAngleFamily : kRendalFamily;
    if (p.lidarType == kReassembledModel) p.lidarFamily = kReassembledFamily;
    emit SendSelectType(kOpenCapture, 0);
  } else if (ui.radioButton_PCD->isChecked()) {
    emit SendSelectType(kOpenPcdDirectory, 0);
  }
  const bool wasBlocked = blockSignals(true);  // this close is not a cancel
  close();
  blockSignals(wasBlocked);
}

void selectSaveDataPacket::onCancel_Clicked() { close(); }

void selectSaveDataPacket::closeEvent(QCloseEvent* event) {
  emit sendCancel_Clicked();
  event->accept();
}
