#include "SetWidgetAndFontColor.h"

#include <QColorDialog>

#include "DialogFrame.h"

SetWidgetAndFontColor::SetWidgetAndFontColor(QWidget* parent) : MyWidget(parent) {
  colorPicker = [](const QColor& initial, QWidget* owner, const QString& title) {
    return QColorDialog::getColor(initial, owner, title);
  };
  ui.setupUi(this);
  DialogFrame::prepareWindow(this);
  connect(ui.pushButton_OK, SIGNAL(clicked()), this, SLOT(onOK_Clicked()));
  connect(ui.pushButton_Restore, SIGNAL(clicked()), this, SLOT(onRestore_Clicked()));
  connect(ui.pushButton_Cencel, SIGNAL(clicked()), this, SLOT(onCancel_Clicked()));
  connect(ui.widget_title->pushButtonClose, SIGNAL(clicked()), this, SLOT(onCancel_Clicked()));
  connect(ui.pBn_WidgetColor, SIGNAL(clicked()), this, SLOT(pBn_WidgetColorSlot()));
  connect(ui.pBn_FontColor, SIGNAL(clicked()), this, SLOT(Pbn_FontColorSlot()));
  DialogFrame::applyButtonStyling(this);
}

QString SetWidgetAndFontColor::styleText(const QString& widgetColor, const QString& fontColor) {
  return QStringLiteral("background-color: %1; border: none; color: %2 ").arg(widgetColor, fontColor);
}

void SetWidgetAndFontColor::pBn_WidgetColorSlot() {
  const QColor picked = colorPicker(QColor(mWidgetColor), this, tr("Choose a color"));
  if (!picked.isValid()) return;
  mWidgetColor = picked.name();
  ui.lineEdit_WidgetColor->setText(mWidgetColor);
  ui.widget_ColorShow->setStyleSheet(currentStyle());
}

void SetWidgetAndFontColor::Pbn_FontColorSlot() {
  const QColor picked = colorPicker(QColor(mFontColor), this, tr("Choose a color"));
  if (!picked.isValid()) return;
  mFontColor = picked.name();
  ui.lineEdit_FontColor->setText(mFontColor);
  ui.labelFont_ColorShow->setStyleSheet(currentStyle());
}

void SetWidgetAndFontColor::applyStyle(const QString& style) {
  QWidget* const targets[] = {this,
                              ui.widget_title,
                              ui.widget_title->labelTitleName,
                              ui.pushButton_OK,
                              ui.pushButton_Restore,
                              ui.pushButton_Cencel,
                              ui.widget_ColorShow,
                              ui.labelFont_ColorShow};
  for (QWidget* target : targets) target->setStyleSheet(style);
}

void SetWidgetAndFontColor::onOK_Clicked() {
  const QString style = currentStyle();
  applyStyle(style);
  emit sendWidgetAndFontColorSignal(style);
}

void SetWidgetAndFontColor::onRestore_Clicked() {
  mWidgetColor = QString::fromLatin1(kDefaultWidgetColor);
  mFontColor = QString::fromLatin1(kDefaultFontColor);
  ui.lineEdit_WidgetColor->setText(mWidgetColor);
  ui.lineEdit_FontColor->setText(mFontColor);
  applyStyle(currentStyle());
}

void SetWidgetAndFontColor::onCancel_Clicked() { close(); }
