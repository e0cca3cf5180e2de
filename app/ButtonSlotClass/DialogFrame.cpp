#include "DialogFrame.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

#include <cstring>

#include "DialogTitleBar.h"
#include "MessageBoxSeam.h"

namespace DialogFrame {

namespace {

constexpr const char* kEscapeFilterName = "escapeCloses";

// Closes the window it watches on Esc, whichever of the window's widgets has the keyboard:
// a key that child leaves unused travels up to the window.
class EscapeCloses : public QObject {
 public:
  explicit EscapeCloses(QWidget* window) : QObject(window), mPanel(window) {
    setObjectName(QLatin1String(kEscapeFilterName));
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == mPanel && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      mPanel->close();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget* mPanel;
};

}  // namespace

Qt::WindowFlags constructionFlags(const char* dialogClass) {
  int flags = Qt::FramelessWindowHint;
  for (const WindowFlagRow& row : kWindowFlagTable)
    if (std::strcmp(row.dialogClass, dialogClass) == 0) flags = row.flags;
  return Qt::WindowFlags(QFlag(flags)) | Qt::Dialog;
}

void prepareWindow(QWidget* dialog) {
  // MyWidget names itself before setupUi runs, which then keeps that name.
  dialog->setObjectName(QString::fromLatin1(dialog->metaObject()->className()));
  dialog->setAttribute(Qt::WA_QuitOnClose, false);
  dialog->setWindowFlags(constructionFlags(dialog->metaObject()->className()));
  closeOnEscape(dialog);
}

void closeOnEscape(QWidget* window) {
  if (window->findChild<QObject*>(QLatin1String(kEscapeFilterName), Qt::FindDirectChildrenOnly)) return;
  window->installEventFilter(new EscapeCloses(window));
}

void applyButtonStyling(QWidget* dialog) {
  const QString buttonStyle = QString::fromLatin1(kButtonStyle);
  for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
    button->installEventFilter(dialog);
    button->setStyleSheet(buttonStyle);
  }
  if (auto* close = dialog->findChild<QPushButton*>(QStringLiteral("pushButtonClose")))
    close->setStyleSheet(QString::fromLatin1(kCloseButtonStyle));
  for (QComboBox* combo : dialog->findChildren<QComboBox*>()) combo->installEventFilter(dialog);
  addIndicatorStyle(dialog);
}

void addIndicatorStyle(QWidget* widget) {
  // Polished first: a new sheet on a polished widget repolishes every child, and some were
  // polished already (a table's cell widgets, the pages of a stack) with the old one.
  widget->ensurePolished();
  widget->setStyleSheet(withIndicatorStyle(widget->styleSheet()));
}

QString withIndicatorStyle(const QString& sheet) {
  if (sheet.contains(QLatin1String(kIndicatorStyle))) return sheet;
  // Declarations before the first rule are what Qt would wrap in "* { }" itself.
  const int brace = sheet.indexOf('{');
  const int declarationsEnd = brace < 0 ? sheet.size() : sheet.lastIndexOf(';', brace) + 1;
  const QString declarations = sheet.left(declarationsEnd).trimmed();
  QString result;
  if (!declarations.isEmpty()) result = QStringLiteral("* { ") + declarations + QStringLiteral(" }\n");
  const QString rules = sheet.mid(declarationsEnd).trimmed();
  if (!rules.isEmpty()) result += rules + '\n';
  return result + QLatin1String(kIndicatorStyle);
}

void adoptPanel(QWidget* panel) {
  if (auto* bar = panel->findChild<DialogTitleBar*>(QString(), Qt::FindDirectChildrenOnly)) {
    bar->setTitleText(panel->windowTitle());
    return;
  }
  auto* bar = new DialogTitleBar(panel);
  bar->setTitleText(panel->windowTitle());
  bar->setDragsWindow(true);
  bar->pushButtonClose->setStyleSheet(QString::fromLatin1(kCloseButtonStyle));
  QObject::connect(bar->pushButtonClose, &QPushButton::clicked, panel, &QWidget::close);
  auto* layout = qobject_cast<QBoxLayout*>(panel->layout());
  if (!layout && !panel->layout()) layout = new QVBoxLayout(panel);
  if (layout) {
    layout->insertWidget(0, bar);
  } else {
    bar->setGeometry(0, 0, panel->width(), DialogTitleBar::kHeight);  // a layout of another kind
  }
  panel->resize(panel->width(), panel->height() + DialogTitleBar::kHeight);
  closeOnEscape(panel);
}

void showPanel(QWidget* panel) {
  adoptPanel(panel);
  panel->setWindowFlags((panel->windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog | Qt::FramelessWindowHint);
  panel->show();
  panel->raise();
  panel->activateWindow();
}

void showFrameless(QWidget* dialog) {
  dialog->setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  dialog->show();
}

QString titleHtml(const QString& title, int pointSize) {
  return QStringLiteral(
             "<html><head/><body><p><span style=\" font-size:%1pt; color:#f0f0f0;\">%2</span></p>"
             "</body></html>")
      .arg(pointSize)
      .arg(title.toHtmlEscaped());
}

void showWarring(const QString& message) {
  messageBoxInformation(nullptr, QString::fromLatin1(kWarringTitle), message, QMessageBox::Ok);
}

}  // namespace DialogFrame
