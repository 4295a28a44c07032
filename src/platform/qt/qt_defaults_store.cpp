#include "platform/qt/qt_defaults_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QSettings>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace pigmora::qt {

namespace {

namespace fs = std::filesystem;

// Names the files a save writes beside the settings file before it renames one over it.
constexpr char kStagingMark[] = ".saving-";

QString KeyOf(std::string_view key) {
  return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

std::u16string ToU16(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<std::size_t>(text.size()));
}

bool IsSignedWholeNumber(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UInt:
    case QMetaType::UShort:
      return true;
    default:
      return false;
  }
}

// Decimal text, strictly: an optional "-" and digits making up the whole value.
std::optional<int64_t> ParseWholeNumber(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  const char* first = bytes.constData();
  const char* last = first + bytes.size();
  if (first == last) return std::nullopt;
  int64_t number = 0;
  const auto [end, error] = std::from_chars(first, last, number, 10);
  if (error != std::errc() || end != last) return std::nullopt;
  return number;
}

// What a value is once it has been through the file: numbers come back as their decimal text.
QVariant AsOnDisk(const QVariant& value) {
  if (IsSignedWholeNumber(value)) return QString::number(value.toLongLong());
  if (value.typeId() == QMetaType::ULongLong || value.typeId() == QMetaType::ULong) {
    return QString::number(value.toULongLong());
  }
  return value;
}

std::map<QString, QVariant> ReadIniFile(const QString& path) {
  std::map<QString, QVariant> values;
  QSettings file(path, QSettings::IniFormat);
  for (const QString& key : file.allKeys()) values.emplace(key, file.value(key));
  return values;
}

// A key that a rewrite gives back as it is: one that QSettings cannot write again ("/Notes",
// "a//b") would make every later check of a written file fail, and no change would ever be saved.
bool SurvivesRewrite(const QString& key) {
  return !key.isEmpty() && !key.startsWith(u'/') && !key.endsWith(u'/') &&
         !key.contains(QStringLiteral("//"));
}

// The values of a settings file that a save can write back: those under keys that survive a
// rewrite.
std::map<QString, QVariant> ReadUsableValues(const QString& path) {
  std::map<QString, QVariant> values = ReadIniFile(path);
  std::erase_if(values, [](const auto& entry) { return !SurvivesRewrite(entry.first); });
  return values;
}

// Texts and numbers are what the program reads; values of other kinds (lists, byte arrays) are
// carried along as Qt writes them back, and a difference there must not stop every later save.
bool IsProgramValue(const QVariant& value) {
  return AsOnDisk(value).typeId() == QMetaType::QString;
}

// Removes the staging files (and their QSettings lock files) that a save cut short by a kill left
// beside the settings file: "<name>.saving-XXXXXX" and "<name>.saving-XXXXXX.lock". Only one
// Pigmora runs, so none of them can be in use; the mark keeps a user's own "<name>.backup" safe.
void RemoveLeftoverStagingFiles(const std::string& settingsPath) {
  std::error_code error;
  const fs::path settings(settingsPath);
  if (!settings.has_parent_path()) return;
  const std::string prefix = settings.filename().string() + kStagingMark;
  fs::directory_iterator entries(settings.parent_path(), error);
  if (error) return;
  for (const auto& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(prefix)) continue;
    std::string_view rest = std::string_view(name).substr(prefix.size());
    if (rest.ends_with(".lock")) rest.remove_suffix(5);
    const bool isStagingName =
        rest.size() == 6 && std::all_of(rest.begin(), rest.end(), [](char c) {
          return std::isalnum(static_cast<unsigned char>(c)) != 0;
        });
    if (isStagingName && entry.is_regular_file(error)) fs::remove(entry.path(), error);
  }
}

// A name beside `target` that nothing uses yet, created empty with `mode`; empty on failure.
std::string CreateUniqueFile(const std::string& target, mode_t mode) {
  std::string pattern = target + kStagingMark + "XXXXXX";
  const int fd = mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return {};
  fchmod(fd, mode);
  close(fd);
  return pattern;
}

bool SyncToDisk(const std::string& path, int flags) {
  const int fd = open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  return close(fd) == 0 && ok;
}

class RemoveOnExit {
 public:
  explicit RemoveOnExit(std::string path) : path_(std::move(path)) {}
  ~RemoveOnExit() {
    if (!path_.empty()) unlink(path_.c_str());
  }
  void Keep() { path_.clear(); }

 private:
  std::string path_;
};

}  // namespace

QtDefaultsStore::QtDefaultsStore(std::string filePath)
    : filePath_(std::move(filePath)), values_(ReadUsableValues(QString::fromStdString(filePath_))) {
  RemoveLeftoverStagingFiles(filePath_);
}

std::optional<std::u16string> QtDefaultsStore::ReadText(std::string_view key) {
  const auto found = values_.find(KeyOf(key));
  if (found == values_.end()) return std::nullopt;
  // An integer written in this run reads as the decimal text it is on disk, and so will read
  // after the next start.
  const QVariant value = AsOnDisk(found->second);
  if (value.typeId() == QMetaType::QString) return ToU16(value.toString());
  return std::nullopt;
}

int64_t QtDefaultsStore::ReadInteger(std::string_view key) {
  const auto found = values_.find(KeyOf(key));
  if (found == values_.end()) return 0;
  const QVariant value = AsOnDisk(found->second);
  if (value.typeId() == QMetaType::QString) return ParseWholeNumber(value.toString()).value_or(0);
  return 0;
}

void QtDefaultsStore::WriteText(std::string_view key, const std::u16string& text) {
  values_.insert_or_assign(KeyOf(key),
                           QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
  changed_ = true;
}

void QtDefaultsStore::WriteInteger(std::string_view key, int64_t value) {
  values_.insert_or_assign(KeyOf(key), QVariant(static_cast<qlonglong>(value)));
  changed_ = true;
}

void QtDefaultsStore::Synchronize() {
  if (!changed_) return;
  std::error_code error;
  // A settings file that is a link to elsewhere (a dotfiles folder) stays a link: its target is
  // replaced.
  fs::path target(filePath_);
  if (fs::is_symlink(fs::symlink_status(target, error))) {
    target = fs::weakly_canonical(target, error);
    if (error) return;
  }
  if (target.has_parent_path()) {
    fs::create_directories(target.parent_path(), error);
    if (error) return;
  }
  const std::string targetPath = target.string();

  struct stat existing {};
  const mode_t mode = stat(targetPath.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0600;
  const std::string stagePath = CreateUniqueFile(targetPath, mode);
  if (stagePath.empty()) return;
  RemoveOnExit stageCleanup(stagePath);
  {
    QSettings stage(QString::fromStdString(stagePath), QSettings::IniFormat);
    for (const auto& [key, value] : values_) stage.setValue(key, value);
    stage.sync();
    if (stage.status() != QSettings::NoError) return;
  }

  // Read back what reached the disk, under a name that QSettings has not cached.
  const std::string checkPath = CreateUniqueFile(targetPath, 0600);
  if (checkPath.empty()) return;
  RemoveOnExit checkCleanup(checkPath);
  if (unlink(checkPath.c_str()) != 0 || link(stagePath.c_str(), checkPath.c_str()) != 0) return;
  const std::map<QString, QVariant> written = ReadIniFile(QString::fromStdString(checkPath));
  for (const auto& [key, value] : values_) {
    const auto found = written.find(key);
    if (found == written.end()) return;
    if (IsProgramValue(value) && AsOnDisk(found->second) != AsOnDisk(value)) return;
  }

  if (!SyncToDisk(stagePath, O_RDONLY)) return;
  if (rename(stagePath.c_str(), targetPath.c_str()) != 0) return;
  stageCleanup.Keep();
  // The rename itself is on disk once the folder is.
  SyncToDisk(target.has_parent_path() ? target.parent_path().string() : ".",
             O_RDONLY | O_DIRECTORY);
  changed_ = false;
}

}  // namespace pigmora::qt
