#include "DialogTitleBar.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpacerItem>
#include <QVBoxLayout>

#include "DialogFrame.h"

DialogTitleBar::DialogTitleBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("widget_title"));
  setFixedHeight(kHeight);
  setStyleSheet(QString::fromLatin1(DialogFrame::kTitleBarStyle));
  setAttribute(Qt::WA_StyledBackground, true);  // a plain QWidget paints its sheet only so

  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 4, 0);
  row->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));

  labelTitleName = new QLabel(this);
  labelTitleName->setObjectName(QStringLiteral("labelTitleName"));
  QFont font(QString::fromUtf8("微软雅黑"));
  font.setPointSize(11);
  labelTitleName->setFont(font);
  labelTitleName->setAlignment(Qt::AlignCenter);
  labelTitleName->setTextFormat(Qt::RichText);
  row->addWidget(labelTitleName);

  row->addItem(new QSpacerItem(40, 20, QSizePolicy::Expanding, QSizePolicy::Minimum));

  auto* stack = new QVBoxLayout();
  stack->setSpacing(0);
  pushButtonClose = new QPushButton(this);
  pushButtonClose->setObjectName(QStringLiteral("pushButtonClose"));
  pushButtonClose->setFixedSize(28, 28);
  pushButtonClose->setIcon(QIcon(QString::fromUtf8(DialogFrame::kCloseIconPath)));
  pushButtonClose->setStyleSheet(QString::fromLatin1(DialogFrame::kCloseButtonFormStyle));
  stack->addWidget(pushButtonClose);
  label = new QLabel(this);
  label->setObjectName(QStringLiteral("label"));
  stack->addWidget(label);
  row->addLayout(stack);

  updateTitleLabel();
}

void DialogTitleBar::setTitleText(const QString& title) {
  mTitle = title;
  updateTitleLabel();
}

void DialogTitleBar::setTitlePointSize(int pointSize) {
  mPointSize = pointSize;
  updateTitleLabel();
}

void DialogTitleBar::updateTitleLabel() {
  labelTitleName->setText(DialogFrame::titleHtml(mTitle, mPointSize));
}

void DialogTitleBar::mousePressEvent(QMouseEvent* event) {
  if (!mDragsWindow || event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);  // ignored: a MyWidget window drags itself
    return;
  }
  mDragOffset = event->globalPos() - window()->frameGeometry().topLeft();
  event->accept();
}

void DialogTitleBar::mouseMoveEvent(QMouseEvent* event) {
  if (!mDragsWindow || !(event->buttons() & Qt::LeftButton)) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  window()->move(event->globalPos() - mDragOffset);
  event->accept();
}
