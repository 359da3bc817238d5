#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/controls.h"

class QApplication;
class QEventLoop;
class TCustomForm;

// The program as a whole: the Qt application, the forms it owns and the
// event loop. Its one instance is Application.
class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  // Starts Qt's application object, given only the program's name (never
  // the process's arguments), unless one exists already, which is then used.
  void Initialize();

  // Initialize on the platform that shows no window on any screen, with
  // Qt's warnings about the missing desktop session kept quiet: for
  // windows nobody sees (tests, benchmarks, fuzzing).
  void InitializeOffscreen();

  // The program's name as the desktop shows it.
  std::string Title() const { return title_; }
  void Title(const std::string& title);

  // Creates a form of class T owned by the application and stores it in
  // reference; then, with all of the form's components in place, runs its
  // OnCreate. The first form created becomes the main form. No form is shown.
  template <typename T>
  void CreateForm(T*& reference) {
    T* form = new T(this);
    reference = form;
    FormCreated(form);
  }

  // Shows the main form and dispatches events until the main form has
  // closed. Returns at once when there is no main form. Meanwhile SIGTERM,
  // SIGINT and SIGHUP close any modal window and then the main form, as its
  // close box would, so that the program ends normally. When Initialize
  // started the Qt application, Run then destroys the forms and the Qt
  // application, since Qt must be gone before the program's static objects
  // go; the program ends after Run.
  void Run();

  // Runs handler from the event loop as an event handler, once the running
  // handler is done or, before Run, once Run has shown the main form: an
  // exception that leaves it is shown in a message box. Needs Initialize.
  void Queue(std::function<void()> handler);

  // Ends Run's event loop; it returns once the running handler is done.
  void Terminate();

  // Shows the exception's message in a modal message box (on standard error
  // when there is no Qt application to show it).
  void ShowException(const std::exception& e);

  TCustomForm* MainForm() const { return mainForm_; }

 protected:
  void RemoveComponent(TComponent* component) override;

 private:
  void FormCreated(TCustomForm* form);
  // Destroys the forms, then the Qt application that their widgets need, if
  // Initialize started it.
  void Release();

  std::vector<std::string> arguments_;
  std::vector<char*> argv_;
  int argc_ = 0;
  std::unique_ptr<QApplication> qtApplication_;
  std::string title_;
  TCustomForm* mainForm_ = nullptr;
  QEventLoop* runLoop_ = nullptr;
};

extern TApplication* Application;
