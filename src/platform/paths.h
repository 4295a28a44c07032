#pragma once
// Where the program's files are.
#include <string>

namespace pigmora::platform {

class Paths {
 public:
  virtual ~Paths() = default;
  // The user's home folder ending in "/", or empty when it cannot be found.
  virtual std::string HomeFolder() = 0;
  // The file the defaults store keeps; examined only to tell a first run.
  virtual std::string PreferencesFile() = 0;
  // The running program's absolute path (bundle or executable); empty when unknown.
  virtual std::string ApplicationPath() = 0;
  // The folder holding the program's pictures, ending in "/".
  virtual std::string ResourceDir() = 0;
  // The desktop's tool that opens a web address in the user's browser, looked up on PATH.
  virtual std::string OpenerProgram() = 0;
};

}  // namespace pigmora::platform
