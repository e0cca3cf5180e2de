// The "Select Widget And Font Color" dialog: a background and a text colour picked with the
// colour picker, previewed, and sent on OK as one style-sheet text. The dialog stays open.
#pragma once

#include <QColor>
#include <QString>

#include <functional>

#include "MyWidget.h"
#include "ui_SetWidgetAndFontColor.h"

class SetWidgetAndFontColor : public MyWidget {
  Q_OBJECT

 public:
  explicit SetWidgetAndFontColor(QWidget* parent = nullptr);
  ~SetWidgetAndFontColor() override = default;

  static constexpr const char* kDefaultWidgetColor = "#000050";
  static constexpr const char* kDefaultFontColor = "#FFFFFF";

  // "background-color: <widget>; border: none; color: <font> " (the trailing blank is kept).
  static QString styleText(const QString& widgetColor, const QString& fontColor);

  // The picker the colour buttons open; an invalid colour means cancelled. Tests replace it.
  using ColorPicker = std::function<QColor(const QColor& initial, QWidget* parent, const QString& title)>;
  ColorPicker colorPicker;

  QString widgetColor() const { return mWidgetColor; }
  QString fontColor() const { return mFontColor; }

  Ui_SetWidgetAndFontColor ui;

 signals:
  void sendWidgetAndFontColorSignal(QString style);

 public slots:
  void onOK_Clicked();
  void onRestore_Clicked();
  void onCancel_Clicked();
  void pBn_WidgetColorSlot();
  void Pbn_FontColorSlot();

 private:
  QString currentStyle() const { return styleText(mWidgetColor, mFontColor); }
  void applyStyle(const QString& style);

  QString mWidgetColor = QString::fromLatin1(kDefaultWidgetColor);
  QString mFontColor = QString::fromLatin1(kDefaultFontColor);
};
