// A small writer of the settings file for the fault tests (tests/gui/settings_faults_test.sh):
// it goes through the program's own store and its write-through calls, as a format cycle does,
// so that a test can kill it with SIGKILL hundreds of times in a few seconds, which restarting
// the whole desktop program would not allow.
//
//   pigmora_settings_writer <settings file> <number of writes>
//
// At start it reads the file as the program does and prints "loaded <Key>=<value>" for each of
// the keys it knows (an absent text key prints nothing after "="). Then write n (1, 2, ...) stores
// OutFormat = n % 6 and Mode = that format's name, synchronises, and prints "synced n". Each line
// goes out with one write(2), so what a killed writer printed is exactly what it had finished.
#include <unistd.h>

#include <QString>
#include <cstdlib>
#include <string>
#include <string_view>

#include "color/color_format.h"
#include "platform/qt/qt_defaults_store.h"
#include "settings/settings.h"

namespace {

void PrintLine(const std::string& line) {
  const std::string text = line + "\n";
  [[maybe_unused]] const ssize_t written = write(STDOUT_FILENO, text.data(), text.size());
}

std::string Utf8(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    PrintLine("usage: pigmora_settings_writer <settings file> <number of writes>");
    return 2;
  }
  char* end = nullptr;
  const long count = std::strtol(argv[2], &end, 10);
  if (*argv[2] == '\0' || *end != '\0' || count < 0) {
    PrintLine("the number of writes must be a whole number, 0 or more");
    return 2;
  }

  pigmora::qt::QtDefaultsStore store(argv[1]);
  for (const std::string_view key :
       {pigmora::kModeKey, pigmora::kShortKeyKey, pigmora::kShortKey1Key, pigmora::kShortKey2Key}) {
    PrintLine("loaded " + std::string(key) + "=" + Utf8(pigmora::ReadTextSetting(store, key)));
  }
  for (const std::string_view key :
       {pigmora::kLoginKey, pigmora::kMenuIconKey, pigmora::kOutFormatKey, pigmora::kColorValKey,
        pigmora::kTitleOnKey}) {
    PrintLine("loaded " + std::string(key) + "=" +
              std::to_string(pigmora::ReadIntegerSetting(store, key)));
  }

  for (long n = 1; n <= count; ++n) {
    const auto format = static_cast<pigmora::OutputFormat>(n % pigmora::kFormatCount);
    // The writes of one format cycle, in its order.
    pigmora::WriteIntegerSetting(store, pigmora::kOutFormatKey, format);
    pigmora::WriteTextSetting(store, pigmora::kModeKey, pigmora::FormatName(format));
    pigmora::SyncSettings(store);
    PrintLine("synced " + std::to_string(n));
  }
  return 0;
}
