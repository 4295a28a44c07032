#pragma once
// The persisted preferences: keys, first-run values, the first-run test and loading.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/defaults_store.h"

namespace pigmora {

// Settings keys.
inline constexpr std::string_view kModeKey = "Mode";
inline constexpr std::string_view kShortKeyKey = "ShortKey";
inline constexpr std::string_view kShortKey1Key = "ShortKey1";
inline constexpr std::string_view kShortKey2Key = "ShortKey2";
inline constexpr std::string_view kLoginKey = "Login";
inline constexpr std::string_view kMenuIconKey = "MenuIcon";
inline constexpr std::string_view kOutFormatKey = "OutFormat";
inline constexpr std::string_view kColorValKey = "ColorVal";
inline constexpr std::string_view kTitleOnKey = "TitleOn";
inline constexpr std::string_view kSavedColorKey = "SavedColor";

// The in-memory copy; each field bears its key's name. Integers keep the stored low byte.
struct Settings {
  std::u16string ShortKey;
  std::u16string ShortKey1;
  std::u16string ShortKey2;
  int8_t Login = 0;
  int8_t MenuIcon = 0;
  int8_t OutFormat = 0;
  int8_t TitleOn = 0;
};

std::u16string ReadTextSetting(platform::DefaultsStore& defaults, std::string_view key);
int64_t ReadIntegerSetting(platform::DefaultsStore& defaults, std::string_view key);
void WriteTextSetting(platform::DefaultsStore& defaults, std::string_view key,
                      const std::u16string& text);
void WriteIntegerSetting(platform::DefaultsStore& defaults, std::string_view key, int64_t value);
void SyncSettings(platform::DefaultsStore& defaults);

// -1 when the path cannot be examined, -2 for a directory, else the file's size in bytes.
int64_t PathSize(const std::string& path);
// True exactly when nothing at all is at the preferences file's path.
bool IsFirstRun(const std::string& preferencesFile);
void InitFirstRun(platform::DefaultsStore& defaults, Settings& settings);
void LoadSettings(platform::DefaultsStore& defaults, Settings& settings);

}  // namespace pigmora
