// The three ways a settings dialog is closed: its title bar's close button, its own cancel
// button and close(). Each must hide the dialog and emit the watched signal exactly once.
#pragma once

#include <QAbstractButton>
#include <QSignalSpy>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include <functional>

template <class Dialog>
void expectEachCloseSignalsOnce(Dialog& dialog, QAbstractButton* cancel, const QSignalSpy& signal,
                                const std::function<void()>& open) {
  const std::function<void()> ways[] = {
      [&] { QTest::mouseClick(dialog.ui.widget_title->pushButtonClose, Qt::LeftButton); },
      [&] { QTest::mouseClick(cancel, Qt::LeftButton); },
      [&] { dialog.close(); },
  };
  int expected = signal.count();
  for (const auto& closeIt : ways) {
    open();
    closeIt();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(signal.count(), ++expected);
  }
}
