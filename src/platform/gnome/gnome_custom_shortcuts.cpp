#include "platform/gnome/gnome_custom_shortcuts.h"

// GIO before anything of Qt's: GLib's headers use the word Qt reserves as "signals".
#include <gio/gio.h>

#include <algorithm>
#include <array>
#include <vector>

#include "platform/wayland/portal_trigger.h"

namespace pigmora::gnome {

namespace {

constexpr char kMediaKeysSchema[] = "org.gnome.settings-daemon.plugins.media-keys";
constexpr char kCustomSchema[] = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
constexpr char kListKey[] = "custom-keybindings";
constexpr char kCustomFolder[] =
    "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
constexpr char kOurPrefix[] = "pigmora-";

// Where GNOME keeps its own key bindings: the window manager's, the shell's, the compositor's and
// the settings daemon's fixed ones (volume, screenshots, ...).
constexpr std::array<const char*, 5> kBindingSchemas{
    "org.gnome.desktop.wm.keybindings", "org.gnome.shell.keybindings",
    "org.gnome.mutter.keybindings", "org.gnome.mutter.wayland.keybindings", kMediaKeysSchema};

std::string PathOf(const std::string& action) {
  return kCustomFolder + (kOurPrefix + action) + "/";
}

bool IsOurs(const std::string& path) {
  return path.starts_with(std::string(kCustomFolder) + kOurPrefix);
}

struct SchemaDeleter {
  void operator()(GSettingsSchema* schema) const { g_settings_schema_unref(schema); }
};
using Schema = std::unique_ptr<GSettingsSchema, SchemaDeleter>;

struct ObjectDeleter {
  void operator()(gpointer object) const { g_object_unref(object); }
};
using Settings = std::unique_ptr<GSettings, ObjectDeleter>;

Schema Lookup(const char* id) {
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();
  if (source == nullptr) return nullptr;
  return Schema(g_settings_schema_source_lookup(source, id, TRUE));
}

std::vector<std::string> Strings(GSettings* settings, const char* key) {
  gchar** values = g_settings_get_strv(settings, key);
  std::vector<std::string> out;
  for (gchar** value = values; value && *value; ++value) out.emplace_back(*value);
  g_strfreev(values);
  return out;
}

std::string Text(GSettings* settings, const char* key) {
  gchar* value = g_settings_get_string(settings, key);
  std::string out = value ? value : "";
  g_free(value);
  return out;
}

bool SetStrings(GSettings* settings, const char* key, const std::vector<std::string>& values) {
  std::vector<const gchar*> raw;
  for (const auto& value : values) raw.push_back(value.c_str());
  raw.push_back(nullptr);
  return g_settings_set_strv(settings, key, raw.data());
}

// The strings a binding key holds: one accelerator ("s") or several ("as").
std::vector<std::string> Accelerators(GSettings* settings, GSettingsSchema* schema,
                                      const char* key) {
  GSettingsSchemaKey* schemaKey = g_settings_schema_get_key(schema, key);
  const GVariantType* type = g_settings_schema_key_get_value_type(schemaKey);
  std::vector<std::string> out;
  if (g_variant_type_equal(type, G_VARIANT_TYPE_STRING_ARRAY)) {
    out = Strings(settings, key);
  } else if (g_variant_type_equal(type, G_VARIANT_TYPE_STRING)) {
    out.push_back(Text(settings, key));
  }
  g_settings_schema_key_unref(schemaKey);
  return out;
}

std::string Summary(GSettingsSchema* schema, const char* key) {
  GSettingsSchemaKey* schemaKey = g_settings_schema_get_key(schema, key);
  const gchar* summary = g_settings_schema_key_get_summary(schemaKey);
  std::string out = summary && *summary ? summary : key;
  g_settings_schema_key_unref(schemaKey);
  return out;
}

bool Matches(const std::string& trigger, const std::vector<std::string>& accelerators) {
  return std::any_of(accelerators.begin(), accelerators.end(), [&](const std::string& accel) {
    return wayland::DescribesTrigger(trigger, accel);
  });
}

}  // namespace

struct CustomShortcuts::Handles {
  Settings mediaKeys;
  Schema customSchema;

  Settings Entry(const std::string& path) const {
    return Settings(g_settings_new_full(customSchema.get(), nullptr, path.c_str()));
  }
};

std::unique_ptr<CustomShortcuts> CustomShortcuts::Open() {
  Schema mediaKeys = Lookup(kMediaKeysSchema);
  Schema custom = Lookup(kCustomSchema);
  if (!mediaKeys || !custom) return nullptr;
  auto handles = std::make_unique<Handles>();
  handles->mediaKeys = Settings(g_settings_new_full(mediaKeys.get(), nullptr, nullptr));
  handles->customSchema = std::move(custom);
  return std::unique_ptr<CustomShortcuts>(new CustomShortcuts(std::move(handles)));
}

CustomShortcuts::CustomShortcuts(std::unique_ptr<Handles> handles) : handles_(std::move(handles)) {}

CustomShortcuts::~CustomShortcuts() = default;

bool CustomShortcuts::HasOurs() const {
  const auto paths = Strings(handles_->mediaKeys.get(), kListKey);
  return std::any_of(paths.begin(), paths.end(), IsOurs);
}

bool CustomShortcuts::Put(const CustomShortcut& shortcut) {
  const std::string path = PathOf(shortcut.action);
  const Settings entry = handles_->Entry(path);
  const std::array<std::pair<const char*, const std::string*>, 3> fields{
      {{"name", &shortcut.name}, {"command", &shortcut.command}, {"binding", &shortcut.binding}}};
  for (const auto& [key, value] : fields) {
    if (!g_settings_set_string(entry.get(), key, value->c_str())) {
      lastError_ = "the setting " + path + key + " may not be changed";
      return false;
    }
  }
  auto paths = Strings(handles_->mediaKeys.get(), kListKey);
  if (std::find(paths.begin(), paths.end(), path) == paths.end()) {
    paths.push_back(path);
    if (!SetStrings(handles_->mediaKeys.get(), kListKey, paths)) {
      lastError_ =
          std::string("the setting ") + kMediaKeysSchema + " " + kListKey + " may not be changed";
      return false;
    }
  }
  // The settings service writes in the background, and one that cannot gives the old values
  // back: what is read after the writes went out is what GNOME has.
  g_settings_sync();
  const auto listed = Strings(handles_->mediaKeys.get(), kListKey);
  for (const auto& [key, value] : fields) {
    if (Text(entry.get(), key) != *value ||
        std::find(listed.begin(), listed.end(), path) == listed.end()) {
      lastError_ = "GNOME's settings service did not keep the change";
      return false;
    }
  }
  return true;
}

bool CustomShortcuts::Remove(const std::string& action) {
  const std::string path = PathOf(action);
  auto paths = Strings(handles_->mediaKeys.get(), kListKey);
  const auto listed = std::find(paths.begin(), paths.end(), path);
  if (listed != paths.end()) {
    paths.erase(listed);
    if (!SetStrings(handles_->mediaKeys.get(), kListKey, paths)) {
      lastError_ =
          std::string("the setting ") + kMediaKeysSchema + " " + kListKey + " may not be changed";
      return false;
    }
  }
  const Settings entry = handles_->Entry(path);
  for (const char* key : {"name", "command", "binding"}) g_settings_reset(entry.get(), key);
  g_settings_sync();
  const auto now = Strings(handles_->mediaKeys.get(), kListKey);
  if (std::find(now.begin(), now.end(), path) != now.end()) {
    lastError_ = "GNOME's settings service did not keep the change";
    return false;
  }
  return true;
}

std::optional<std::string> CustomShortcuts::TakenBy(const std::string& trigger) const {
  for (const char* id : kBindingSchemas) {
    const Schema schema = Lookup(id);
    if (!schema) continue;
    const Settings settings(g_settings_new_full(schema.get(), nullptr, nullptr));
    gchar** keys = g_settings_schema_list_keys(schema.get());
    std::optional<std::string> taken;
    for (gchar** key = keys; key && *key && !taken; ++key) {
      if (Matches(trigger, Accelerators(settings.get(), schema.get(), *key))) {
        taken = Summary(schema.get(), *key);
      }
    }
    g_strfreev(keys);
    if (taken) return taken;
  }
  // The user's own custom shortcuts (not ours).
  for (const auto& path : Strings(handles_->mediaKeys.get(), kListKey)) {
    if (IsOurs(path)) continue;
    const Settings entry = handles_->Entry(path);
    if (Matches(trigger, {Text(entry.get(), "binding")})) return Text(entry.get(), "name");
  }
  return std::nullopt;
}

std::string GnomeAccelerator(const std::string& trigger) {
  std::string accelerator;
  size_t start = 0;
  for (size_t plus; (plus = trigger.find('+', start)) != std::string::npos; start = plus + 1) {
    const std::string modifier = trigger.substr(start, plus - start);
    if (modifier == "CTRL") accelerator += "<Control>";
    if (modifier == "ALT") accelerator += "<Alt>";
    if (modifier == "SHIFT") accelerator += "<Shift>";
    if (modifier == "LOGO") accelerator += "<Super>";
  }
  return accelerator + trigger.substr(start);
}

}  // namespace pigmora::gnome
