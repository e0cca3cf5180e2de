// The frame every settings dialog shares: a frameless MyWidget with a dark scheme, the
// DialogTitleBar at the top, dark push buttons with a 3-pixel border and an OK/Close line.
//
// A dialog class Foo derives from MyWidget, holds Ui_Foo (form object name "Foo", the
// background sheet kDialogBackgroundStyle, a promoted DialogTitleBar "widget_title", its
// own content, then pushButton_OK "OK" and pushButton_Cencel "Close") and constructs in this
// order:
//     ui.setupUi(this);
//     DialogFrame::prepareWindow(this);   // quit-on-close off, flags from kWindowFlagTable
//     connect(ui.pushButton_OK, SIGNAL(clicked()), this, SLOT(onOK_Clicked()));
//     connect(ui.pushButton_Cencel, SIGNAL(clicked()), this, SLOT(onCancel_Clicked()));
//     connect(ui.widget_title->pushButtonClose, SIGNAL(clicked()), this, SLOT(onCancel_Clicked()));
//     DialogFrame::applyButtonStyling(this);
// and shows it with DialogFrame::showFrameless(dialog). Input it refuses is reported with
// DialogFrame::showWarring(text); the dialog stays open.
#pragma once

#include <QString>
#include <Qt>

#include <array>

class QWidget;

namespace DialogFrame {

constexpr const char* kDialogBackgroundStyle =
    "background-color: rgb(1, 20, 45);\ncolor: rgb(240, 240, 240);";
constexpr const char* kBoxSelectBackgroundStyle =
    "background-color: rgb(1, 20, 60);\ncolor: rgb(255, 255, 255);";
constexpr const char* kTitleBarStyle = "background-color: rgb(6, 30, 80);\ncolor: rgb(240, 240, 240);";
// What the forms give the close button; applyButtonStyling replaces it.
constexpr const char* kCloseButtonFormStyle = "background-color: rgb(1, 100, 200); color: rgb(240, 240, 240);";
constexpr const char* kButtonStyle =
    "QPushButton { border-color: rgb(255, 255, 255);background-color: rgb(0, 10, 40); "
    "color: rgb(240, 240, 240);border-style: solid;  border-width: 3px; border-color: #002060; "
    "padding: 5px;}";
constexpr const char* kCloseButtonStyle =
    "QPushButton { border-color: rgb(255, 255, 255);background-color: rgb(0, 100, 200); "
    "color: rgb(240, 240, 240);border-style: solid;  border-width: 3px; border-color: #002060; "
    "padding: 5px;}";
// Check-box and radio indicators: a light frame on the dark ground, filled when checked, so
// both states read at a glance.
constexpr const char* kIndicatorStyle =
    "QCheckBox::indicator, QRadioButton::indicator { width: 12px; height: 12px; "
    "border: 2px solid rgb(190, 205, 230); background-color: rgb(1, 20, 45); }"
    "QRadioButton::indicator { border-radius: 8px; }"
    "QCheckBox::indicator:hover, QRadioButton::indicator:hover { border-color: rgb(255, 255, 255); }"
    "QCheckBox::indicator:checked { background-color: rgb(40, 170, 255); "
    "image: url(:/image2/Resources/images2/indicator_check.png); }"
    "QCheckBox::indicator:indeterminate { background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, "
    "stop: 0 rgb(1, 20, 45), stop: 0.35 rgb(1, 20, 45), stop: 0.36 rgb(40, 170, 255), "
    "stop: 0.64 rgb(40, 170, 255), stop: 0.65 rgb(1, 20, 45)); }"
    "QRadioButton::indicator:checked { background-color: qradialgradient(cx: 0.5, cy: 0.5, radius: 0.5, "
    "fx: 0.5, fy: 0.5, stop: 0 rgb(40, 170, 255), stop: 0.55 rgb(40, 170, 255), stop: 0.7 rgb(1, 20, 45)); }"
    "QCheckBox::indicator:disabled, QRadioButton::indicator:disabled { border-color: rgb(90, 100, 125); }";
constexpr const char* kCloseIconPath = ":/image2/Resources/images2/icon-关闭.png";  // UTF-8
constexpr const char* kWarringTitle = "warring";

// Window flags each dialog sets in its constructor. The dialog window type is always added on
// top: the dialog is a window of its own even with a parent, and on X11 only a dialog-type
// window tells the window manager which window it belongs to (kept above it, not behind).
struct WindowFlagRow {
  const char* dialogClass;
  int flags;  // Qt::WindowType bits
};
constexpr std::array<WindowFlagRow, 6> kWindowFlagTable{{
    {"FiltrationData", Qt::WindowStaysOnTopHint},
    {"BoxSelectChangeValue", Qt::FramelessWindowHint},  // stay-on-top, then replaced by frameless
    {"SaveLidarDataTypeSelect", Qt::FramelessWindowHint},
    {"selectSaveDataPacket", Qt::FramelessWindowHint},
    {"SetMeasurementGrid", Qt::FramelessWindowHint},
    {"SetWidgetAndFontColor", int(Qt::WindowStaysOnTopHint) | int(Qt::FramelessWindowHint)},
}};

// Flags for a dialog class from the table; frameless for a class not in it.
Qt::WindowFlags constructionFlags(const char* dialogClass);

// Names the dialog after its class, clears Qt::WA_QuitOnClose (closing a dialog never ends
// the program), sets the construction flags of the dialog's class and lets Esc close it.
void prepareWindow(QWidget* dialog);

// Esc closes the window (through close(), as its Close button does), whichever of its widgets
// has the keyboard: a key the child leaves unused travels up to the window. Done once.
void closeOnEscape(QWidget* window);

// Every QPushButton below the dialog gets the dialog as event filter (no drag starts on a
// button) and kButtonStyle; pushButtonClose gets kCloseButtonStyle; every QComboBox gets the
// event filter. The dialog must be a MyWidget for the filter to have its effect. The dialog's
// own sheet gets kIndicatorStyle, so boxes added later (the filter's channel table) have it too.
void applyButtonStyling(QWidget* dialog);

// Adds kIndicatorStyle to the widget's own sheet, so every box below it, and boxes added
// later, have the rule.
void addIndicatorStyle(QWidget* widget);

// A sheet with kIndicatorStyle after it. A sheet of bare declarations (which Qt reads as
// "* { ... }") is written out as such first, so that rules may follow it.
QString withIndicatorStyle(const QString& sheet);

// Gives a plain panel (the glue's) the dialogs' title bar, titled with the panel's window
// title, whose close button and Esc close the panel; the bar also drags the panel. The panel's
// layout must be a QBoxLayout or none. Done once; later calls only refresh the title.
void adoptPanel(QWidget* panel);

// Adopts the panel, shows it frameless as a dialog-type window and gives it the keyboard.
// Where it opens is MyWidget::openOver's business.
void showPanel(QWidget* panel);

// Shows the dialog frameless as a dialog-type window (as the main window does before showing
// a settings dialog).
void showFrameless(QWidget* dialog);

// Rich text of the title label: the title in a span of pointSize, colour #f0f0f0.
QString titleHtml(const QString& title, int pointSize);

// The refusal box: no parent, title "warring", one OK button.
void showWarring(const QString& message);

}  // namespace DialogFrame
