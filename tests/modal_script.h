#pragma once

#include <functional>
#include <string>
#include <vector>

class QWidget;

// Runs action, during which modal windows are expected to open one after the
// other; each step is given the next one (the active modal widget) to
// inspect and close. Returns the number of steps that ran. A modal window
// still open some seconds after the last step ran is rejected, so that a
// test whose expectations fail ends instead of hanging.
int RunWithModalSteps(const std::function<void()>& action, std::vector<std::function<void(QWidget*)>> steps);

// Types path into the file name box of the open file dialog modal, as a user
// would, and confirms it once the step has returned.
void ConfirmFileDialog(QWidget* modal, const std::string& path);
