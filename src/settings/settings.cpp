#include "settings/settings.h"

#include <sys/stat.h>

namespace pigmora {

std::u16string ReadTextSetting(platform::DefaultsStore& defaults, std::string_view key) {
  return defaults.ReadText(key).value_or(std::u16string());
}

int64_t ReadIntegerSetting(platform::DefaultsStore& defaults, std::string_view key) {
  return defaults.ReadInteger(key);
}

void WriteTextSetting(platform::DefaultsStore& defaults, std::string_view key,
                      const std::u16string& text) {
  defaults.WriteText(key, text);
}

void WriteIntegerSetting(platform::DefaultsStore& defaults, std::string_view key, int64_t value) {
  defaults.WriteInteger(key, value);
}

void SyncSettings(platform::DefaultsStore& defaults) {
  defaults.Synchronize();
}

int64_t PathSize(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return -1;
  if (S_ISDIR(info.st_mode)) return -2;
  return static_cast<int64_t>(info.st_size);
}

bool IsFirstRun(const std::string& preferencesFile) {
  return PathSize(preferencesFile) == -1;
}

void InitFirstRun(platform::DefaultsStore& defaults, Settings& settings) {
  settings = Settings{.ShortKey = u"",
                      .ShortKey1 = u"",
                      .ShortKey2 = u"",
                      .Login = 0,
                      .MenuIcon = 4,
                      .OutFormat = 2,
                      .TitleOn = 1};
  WriteTextSetting(defaults, kModeKey, u"RGB Hex");
  WriteTextSetting(defaults, kShortKeyKey, u"");
  WriteTextSetting(defaults, kShortKey1Key, u"");
  WriteTextSetting(defaults, kShortKey2Key, u"");
  WriteIntegerSetting(defaults, kLoginKey, 0);
  WriteIntegerSetting(defaults, kMenuIconKey, 4);
  WriteIntegerSetting(defaults, kOutFormatKey, 2);
  WriteIntegerSetting(defaults, kColorValKey, 0);
  WriteIntegerSetting(defaults, kTitleOnKey, 1);
  SyncSettings(defaults);
}

namespace {
// Settings keep the low byte of what is stored, two's complement: 258 reads as 2, -1 stays -1.
int8_t LowByte(int64_t value) {
  return static_cast<int8_t>(static_cast<uint8_t>(value & 0xFF));
}
}  // namespace

void LoadSettings(platform::DefaultsStore& defaults, Settings& settings) {
  settings.ShortKey = ReadTextSetting(defaults, kShortKeyKey);
  settings.ShortKey1 = ReadTextSetting(defaults, kShortKey1Key);
  settings.ShortKey2 = ReadTextSetting(defaults, kShortKey2Key);
  settings.Login = LowByte(ReadIntegerSetting(defaults, kLoginKey));
  settings.MenuIcon = LowByte(ReadIntegerSetting(defaults, kMenuIconKey));
  settings.OutFormat = LowByte(ReadIntegerSetting(defaults, kOutFormatKey));
  settings.TitleOn = LowByte(ReadIntegerSetting(defaults, kTitleOnKey));
}

}  // namespace pigmora
