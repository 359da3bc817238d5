#include "toolkit/application.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "toolkit/command_line.h"
#include "toolkit/event_dispatch.h"
#include "toolkit/forms.h"

// Never destroyed: at the time static objects are destroyed Qt's own statics
// may be gone already, and destroying a QApplication then crashes. Run
// releases the forms and the Qt application while the program still runs;
// a program that never runs the loop (the benchmarks, the fuzz target) leaves
// them to the end of the process.
TApplication* Application = new TApplication;

namespace {

// The signals by which the desktop session or a terminal ends a program.
constexpr int kTerminationSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The write end of the pipe through which a termination signal reaches the
// event loop; a signal handler may do no more than write to it.
int signalWriteEnd = -1;

void NoteTerminationSignal(int) {
  const char byte = 0;
  [[maybe_unused]] const ssize_t written = ::write(signalWriteEnd, &byte, 1);
}

}  // namespace

// While the event loop runs, a termination signal closes the main form as
// its close box does: any modal window first, then the form (its
// OnCloseQuery runs), so the program ends through its normal path.
class TerminationSignals {
 public:
  explicit TerminationSignals(TApplication& application) {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    signalWriteEnd = fds_[1];
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this, &application] {
      char bytes[16];
      while (::read(fds_[0], bytes, sizeof bytes) > 0) {
      }
      while (QWidget* modal = QApplication::activeModalWidget()) modal->close();
      if (application.MainForm()) application.MainForm()->Close();
    });
    struct sigaction action = {};
    action.sa_handler = NoteTerminationSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : kTerminationSignals) ::sigaction(signal, &action, nullptr);
  }

  ~TerminationSignals() {
    if (!notifier_) return;
    for (int signal : kTerminationSignals) std::signal(signal, SIG_DFL);
    notifier_.reset();
    signalWriteEnd = -1;
    ::close(fds_[0]);
    ::close(fds_[1]);
  }

  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

 private:
  int fds_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};

TApplication::TApplication() : TComponent(nullptr) {}

TApplication::~TApplication() { Release(); }

void TApplication::Release() {
  DestroyComponents();
  qtApplication_.reset();
}

void TApplication::InitializeOffscreen() {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  setenv("QT_LOGGING_RULES", "*.warning=false", 0);
  Initialize();
}

void TApplication::Initialize() {
  if (QCoreApplication::instance()) return;
  // Qt is given the program's name alone: the program ignores its arguments,
  // and Qt would otherwise act on its own (-reverse, -qwindowtitle, or an
  // unknown -platform that aborts). QT_QPA_PLATFORM still chooses the
  // platform.
  arguments_ = {ProcessArguments().front()};
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
  {
    const TerminationSignals closeOnSignal(*this);
    QEventLoop loop;
    runLoop_ = &loop;
    loop.exec();
    runLoop_ = nullptr;
  }
  if (qtApplication_) Release();
}

void TApplication::Queue(std::function<void()> handler) {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [handler = std::move(handler)] { DispatchEvent(handler); },
      Qt::QueuedConnection);
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
