#pragma once
// Writing the small files that make the desktop start the program at login.
#include <string>
#include <string_view>

namespace pigmora {

// True when `text` is well-formed UTF-8 (no stray bytes, no overlong forms, no surrogates).
bool IsWellFormedUtf8(std::string_view text);

// Makes the directory `path` with mode 0700 when nothing is there; with `parents`, every missing
// folder above it too. true when a directory is at `path` afterwards.
bool MakeDirectory(const std::string& path, bool parents);

// Replaces the file at `path` with `contents` in one step: a new file is written beside it and
// renamed over it, so readers see the old file or the new one, never a part. Whatever is at
// `path`, a symbolic link included, is replaced itself and never written through. false when
// nothing was replaced; no temporary file is left behind then.
bool ReplaceFile(const std::string& path, std::string_view contents);

}  // namespace pigmora
