#include "tests/modal_script.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

int RunWithModalSteps(const std::function<void()>& action, std::vector<std::function<void(QWidget*)>> steps) {
  size_t next = 0;
  QPointer<QWidget> handled;
  QElapsedTimer sinceStep;
  sinceStep.start();
  QTimer timer;
  timer.setInterval(10);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (modal != handled && next < steps.size()) {
      handled = modal;
      sinceStep.restart();
      steps[next++](modal);
    } else if (sinceStep.elapsed() > 5000) {
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
    }
  });
  timer.start();
  action();
  timer.stop();
  return static_cast<int>(next);
}

void ConfirmFileDialog(QWidget* modal, const std::string& path) {
  auto* dialog = qobject_cast<QFileDialog*>(modal);
  ASSERT_NE(dialog, nullptr);
  auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(name, nullptr);
  // Later, from the dialog's own event loop, so that a warning the dialog
  // raises can be handled by the next step; typed and confirmed at once, so
  // that the dialog's own selection updates cannot replace the text between.
  const QString text = QString::fromStdString(path);
  QTimer::singleShot(0, dialog, [dialog, name, text] {
    name->setText(text);
    static_cast<QDialog*>(dialog)->accept();
  });
}
