#include "platform/qt/qt_defaults_store.h"

#include <QString>
#include <QVariant>
#include <charconv>

namespace pigmora::qt {

namespace {

QString KeyOf(std::string_view key) {
  return QString::fromUtf8(key.data(), static_cast<qsizetype>(key.size()));
}

std::u16string ToU16(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<std::size_t>(text.size()));
}

bool IsWholeNumberType(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
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

}  // namespace

QtDefaultsStore::QtDefaultsStore(const std::string& filePath)
    : settings_(QString::fromStdString(filePath), QSettings::IniFormat) {
  // A half-written file must never replace a whole one.
  settings_.setAtomicSyncRequired(true);
}

std::optional<std::u16string> QtDefaultsStore::ReadText(std::string_view key) {
  const QVariant value = settings_.value(KeyOf(key));
  if (value.typeId() == QMetaType::QString) return ToU16(value.toString());
  // An integer written in this run is still a number in memory; on disk, and so after the next
  // start, it is its decimal text. Both read as that text.
  if (IsWholeNumberType(value)) return ToU16(QString::number(value.toLongLong()));
  return std::nullopt;
}

int64_t QtDefaultsStore::ReadInteger(std::string_view key) {
  const QVariant value = settings_.value(KeyOf(key));
  if (value.typeId() == QMetaType::ULongLong || value.typeId() == QMetaType::ULong) {
    const qulonglong number = value.toULongLong();
    return number > static_cast<qulonglong>(INT64_MAX) ? 0 : static_cast<int64_t>(number);
  }
  if (IsWholeNumberType(value)) return value.toLongLong();
  if (value.typeId() == QMetaType::QString) return ParseWholeNumber(value.toString()).value_or(0);
  return 0;
}

void QtDefaultsStore::WriteText(std::string_view key, const std::u16string& text) {
  settings_.setValue(KeyOf(key),
                     QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
}

void QtDefaultsStore::WriteInteger(std::string_view key, int64_t value) {
  settings_.setValue(KeyOf(key), static_cast<qlonglong>(value));
}

void QtDefaultsStore::Synchronize() {
  settings_.sync();
}

}  // namespace pigmora::qt
