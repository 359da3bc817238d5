// The program's entry function, as a real process and in this one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QMessageBox>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "app/program.h"
#include "tests/modal_script.h"
#include "toolkit/exceptions.h"
#include "toolkit/forms.h"

namespace {

// Whether the process has a handler for signal installed, as its status
// file in /proc shows.
bool CatchesSignal(pid_t pid, int signal) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1;
  }
  return false;
}

// A main form whose creation fails.
class FailingForm : public TForm {
 public:
  explicit FailingForm(TComponent* owner) : TForm(owner) { throw Exception("the window cannot be created"); }
};

}  // namespace

// Arguments are the program's to ignore, not Qt's: before, -platform
// nonsense aborted with exit code 134. Ended the way a desktop session ends
// it, the program closes its window and exits with 0.
TEST(EntryFunction, IgnoresItsArgumentsAndExitsWithZero) {
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_LOGGING_RULES", "*.warning=false", 1);
    execl(RUVEL_EXE, RUVEL_EXE, "-platform", "nonsense", "-reverse", "-qwindowtitle", "X", "Mtown.mif",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  // The event loop runs once the window's handler of SIGTERM is in place.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  int status = 0;
  bool ended = false;
  while (!CatchesSignal(pid, SIGTERM) && std::chrono::steady_clock::now() < deadline) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      ended = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!ended) {
    kill(pid, SIGTERM);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
  }
  EXPECT_FALSE(ended) << "the program ended by itself";
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// An exception that escapes the creation of the main window is shown, and
// the entry function still returns 0.
TEST(EntryFunction, ShowsAnExceptionFromWindowCreationAndReturnsZero) {
  FailingForm* form = nullptr;
  QString shown;
  int result = -1;
  const int steps = RunWithModalSteps([&] { result = RunProgram(form); }, {[&shown](QWidget* modal) {
                                        auto* box = qobject_cast<QMessageBox*>(modal);
                                        ASSERT_NE(box, nullptr);
                                        shown = box->text();
                                        box->accept();
                                      }});
  EXPECT_EQ(steps, 1);
  EXPECT_EQ(shown.toStdString(), "the window cannot be created");
  EXPECT_EQ(result, 0);
  EXPECT_EQ(form, nullptr);
}
