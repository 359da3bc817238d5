#include "toolkit/application.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <cstdio>

#include "toolkit/command_line.h"
#include "toolkit/forms.h"

// Never destroyed: at the time static objects are destroyed Qt's own statics
// may be gone already, and destroying a QApplication then crashes. Run
// releases the forms and the Qt application while the program still runs;
// a program that never runs the loop (the command-line companion) leaves
// them to the end of the process.
TApplication* Application = new TApplication;

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() { Release(); }

void TApplication::Release() {
  DestroyComponents();
  qtApplication_.reset();
}

void TApplication::Initialize() {
  if (QCoreApplication::instance()) return;
  arguments_ = ProcessArguments();
  for (std::string& argument : arguments_) argv_.push_back(argument.data());
  argv_.push_back(nullptr);
  argc_ = static_cast<int>(arguments_.size());
  qtApplication_ = std::make_unique<QApplication>(argc_, argv_.data());
  // The desktop entry is named after the program.
  QGuiApplication::setDesktopFileName(QCoreApplication::applicationName());
}

void TApplication::Title(const std::string& title) {
  title_ = title;
  QGuiApplication::setApplicationDisplayName(QString::fromStdString(title));
}

void TApplication::FormCreated(TCustomForm* form) {
  if (!mainForm_) {
    mainForm_ = form;
    // Dialogs and message boxes carry the main form's icon.
    QApplication::setWindowIcon(form->Widget()->windowIcon());
  }
  form->DoCreate();
}

void TApplication::Run() {
  if (!mainForm_) return;
  mainForm_->Show();
  QEventLoop loop;
  runLoop_ = &loop;
  loop.exec();
  runLoop_ = nullptr;
  if (qtApplication_) Release();
}

void TApplication::Terminate() {
  if (runLoop_) runLoop_->quit();
}

void TApplication::ShowException(const std::exception& e) {
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
    std::fprintf(stderr, "%s\n", e.what());
    return;
  }
  QWidget* parent = QApplication::activeWindow();
  if (!parent && mainForm_) parent = mainForm_->Widget();
  QMessageBox box(QMessageBox::Critical, QString::fromStdString(title_), QString::fromStdString(e.what()),
                  QMessageBox::Ok, parent);
  box.exec();
}

void TApplication::RemoveComponent(TComponent* component) {
  TComponent::RemoveComponent(component);
  if (component != mainForm_) return;
  mainForm_ = nullptr;
  Terminate();
}
