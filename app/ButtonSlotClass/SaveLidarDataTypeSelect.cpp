#include "SaveLidarDataTypeSelect.h"

#include <QCloseEvent>
#include <QIntValidator>

#include "DialogFrame.h"

SaveLidarDataTypeSelect::SaveLidarDataTypeSelect(QWidget* parent) : MyWidget(parent) {
  ui.setupUi(this);
  DialogFrame::prepareWindow(this);
  ui.lineEdit_save_Number->setValidator(new QIntValidator(kMinFrames, kMaxFrames, this));
  ui.stackedWidget->setCurrentIndex(0);
  ui.label_saveNumber->hide();  // PCAP is checked at start
  ui.lineEdit_save_Number->hide();
  connect(ui.pushButton_OK, SIGNAL(clicked()), this, SLOT(onOK_Clicked()));
  connect(ui.pushButton_Cencel, SIGNAL(clicked()), this, SLOT(onCancel_Clicked()));
  connect(ui.widget_title->pushButtonClose, SIGNAL(clicked()), this, SLOT(onCancel_Clicked()));
  for (QRadioButton* type : {ui.radioButton_PCAP, ui.radioButton_CSV, ui.radioButton_PCD, ui.radioButton_LAS})
    connect(type, SIGNAL(toggled(bool)), this, SLOT(onToggled(bool)));
  DialogFrame::applyButtonStyling(this);
}

// Runs for the radio switched off as well; the checked one decides.
void SaveLidarDataTypeSelect::onToggled(bool) {
  struct Page {
    QRadioButton* type;
    int index;
    bool showsNumber;
  };
  const Page pages[] = {{ui.radioButton_PCAP, 0, false},
                        {ui.radioButton_CSV, 1, true},
                        {ui.radioButton_PCD, 2, true},
                        {ui.radioButton_LAS, 3, false}};
  for (const Page& page : pages) {
    if (!page.type->isChecked()) continue;
    ui.stackedWidget->setCurrentIndex(page.index);
    ui.label_saveNumber->setVisible(page.showsNumber);
    ui.lineEdit_save_Number->setVisible(page.showsNumber);
  }
}

void SaveLidarDataTypeSelect::onOK_Clicked() {
  // Read whatever page is shown: PCAP and LAS send the (hidden) count too.
  const int frames = ui.lineEdit_save_Number->text().toInt();
  int code = kLas;
  if (ui.radioButton_PCAP->isChecked())
    code = ui.radioButton_SaveAll->isChecked() ? kPcapAll : kPcapCurrentDisplay;
  else if (ui.radioButton_CSV->isChecked())
    code = ui.radioButton_Merger->isChecked() ? kCsvMerged : kCsvSeparate;
  else if (ui.radioButton_PCD->isChecked())
    code = kPcd;
  emit SendSelectSaveDataTypeSlot(code, frames);
  const bool wasBlocked = blockSignals(true);  // this close is not a cancel
  close();
  blockSignals(wasBlocked);
}

void SaveLidarDataTypeSelect::onCancel_Clicked() { close(); }

void SaveLidarDataTypeSelect::closeEvent(QCloseEvent* event) {
  emit sendCancel_Clicked();
  event->accept();
}
