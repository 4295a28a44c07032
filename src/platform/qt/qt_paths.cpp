#include "platform/qt/qt_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace pigmora::qt {

namespace {

std::string WithTrailingSlash(std::string path) {
  if (!path.empty() && path.back() != '/') path += '/';
  return path;
}

std::string PasswordDatabaseHome() {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  if (size <= 0) size = 16384;
  std::vector<char> buffer(static_cast<std::size_t>(size));
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
      !found->pw_dir) {
    return {};
  }
  return found->pw_dir;
}

}  // namespace

std::string UserHomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return WithTrailingSlash(home);
  return WithTrailingSlash(PasswordDatabaseHome());
}

std::string ConfigFolder() {
  // The XDG base directory rules ignore a relative value.
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome && configHome[0] == '/') return WithTrailingSlash(configHome);
  return UserHomeFolder() + ".config/";
}

std::string SettingsFilePath() {
  return ConfigFolder() + PIGMORA_APP_IDENTIFIER ".conf";
}

std::string ExecutablePath() {
  if (QCoreApplication::instance()) {
    const QString path = QCoreApplication::applicationFilePath();
    if (!path.isEmpty()) return QFileInfo(path).absoluteFilePath().toStdString();
  }
  std::error_code error;
  const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : path.string();
}

std::string QtPaths::ResourceDir() {
  const std::string executable = ExecutablePath();
  if (executable.empty()) return {};
  const QString folder = QFileInfo(QString::fromStdString(executable)).absolutePath();
  return WithTrailingSlash(QDir::cleanPath(folder + "/../share/pigmora").toStdString());
}

}  // namespace pigmora::qt
