#pragma once
// The rehearsal's transcript: where it goes, and how the updater's texts, answers and ends read
// on a terminal.
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/machine/ui.hpp"
#include "updater/main_window.hpp"
#include "updater/update_command.hpp"

namespace qz::demo {

// printf to the transcript's stream, or nowhere when it has none.
class Transcript {
 public:
  explicit Transcript(std::FILE* out) : out_(out) {}
  __attribute__((format(printf, 2, 3))) void operator()(const char* format, ...) {
    if (out_ == nullptr) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(out_, format, args);
    va_end(args);
  }

 private:
  std::FILE* out_;
};

// A box's or a control's text for the terminal: Big5 texts converted to UTF-8, control
// characters escaped.
std::string Printable(const UiText& text);

const char* AnswerName(int answer);
const char* EndName(UpdateEnd end);
const char* StartupEndName(StartupEnd end);

void PrintBootExecute(Transcript& out, const std::vector<std::string>& entries);
// Each line of `text` indented and marked as the program's own output.
void PrintConsole(Transcript& out, const std::string& text);

}  // namespace qz::demo
