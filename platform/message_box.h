#pragma once
// Failures are reported in modal boxes with one OK button. A box blocks only the thread that
// shows it. Text and caption are UTF-8; callers convert story bytes with cp932ToUtf8.

#include <functional>
#include <string>

using MessageBoxFunction = std::function<void(const std::string& text, const std::string& caption)>;

// Without a window: the box is one line on standard error, and OK is pressed at once.
void printMessageBox(const std::string& text, const std::string& caption);
