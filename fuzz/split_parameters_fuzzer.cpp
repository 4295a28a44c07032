// SplitParameters cuts the parameter text of a process start into arguments: blanks separate
// them, an argument that begins with a double quote runs to the next one and keeps its blanks,
// and there is no escape. Any text must give exactly the arguments those rules give, read here by
// a separate state machine.
#include <vector>

#include "fuzz_support.h"
#include "login/start_process.h"

using namespace pigmora;

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n';
}

std::vector<std::string> Expected(const std::string& text) {
  enum class State { Between, Word, Quoted } state = State::Between;
  std::vector<std::string> arguments;
  for (char c : text) {
    switch (state) {
      case State::Between:
        if (IsBlank(c)) break;
        arguments.emplace_back();
        if (c == '"') {
          state = State::Quoted;
        } else {
          arguments.back() += c;
          state = State::Word;
        }
        break;
      case State::Word:
        if (IsBlank(c)) {
          state = State::Between;
        } else {
          arguments.back() += c;  // a quote inside a word is an ordinary character
        }
        break;
      case State::Quoted:
        if (c == '"') {
          state = State::Between;  // what follows the closing quote starts a new argument
        } else {
          arguments.back() += c;
        }
        break;
    }
  }
  return arguments;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(fuzz::Bytes(data, size));
  const std::vector<std::string> arguments = SplitParameters(text);
  FUZZ_CHECK(arguments == Expected(text));
  return 0;
}
