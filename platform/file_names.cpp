#include "platform/file_names.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>

namespace kestrel::platform {

namespace {

bool Forbidden(char c) {
  static constexpr std::string_view kForbidden = "<>:\"/\\|?*";
  return static_cast<unsigned char>(c) < 0x20 || c == '\x7f' ||
         kForbidden.find(c) != std::string_view::npos;
}

// CON, PRN, AUX, NUL, COM1-COM9 and LPT1-LPT9, in any case, before any extension.
bool ReservedForDevice(std::string_view name) {
  std::string stem(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static constexpr std::array<std::string_view, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
  if (std::find(kDevices.begin(), kDevices.end(), stem) != kDevices.end()) return true;
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
         stem[3] >= '1' && stem[3] <= '9';
}

char Separator(PathStyle style) { return style == PathStyle::kWindows ? '\\' : '/'; }

bool IsSeparator(PathStyle style, char c) {
  return c == '/' || (style == PathStyle::kWindows && c == '\\');
}

}  // namespace

std::string FileSafe(std::string_view name) {
  std::string safe(name);
  std::replace_if(safe.begin(), safe.end(), Forbidden, '_');
  for (auto it = safe.rbegin(); it != safe.rend() && (*it == '.' || *it == ' '); ++it) *it = '_';
  if (safe.empty() || ReservedForDevice(safe)) safe = "_" + safe;
  // "." and ".." have become "_" and "__" above.
  return safe;
}

std::string JoinPath(PathStyle style, std::string_view root, std::string_view path) {
  const char separator = Separator(style);
  std::string joined(root);
  if (style == PathStyle::kWindows) std::replace(joined.begin(), joined.end(), '/', '\\');
  // The root's own leading separators ("\\server", "/") stay; only trailing ones go.
  std::size_t keep = 0;
  while (keep < joined.size() && IsSeparator(style, joined[keep])) ++keep;
  while (joined.size() > keep && IsSeparator(style, joined.back())) joined.pop_back();
  std::string tail(path);
  std::replace_if(
      tail.begin(), tail.end(), [&](char c) { return IsSeparator(style, c); }, separator);
  while (!tail.empty() && tail.front() == separator) tail.erase(0, 1);
  if (joined.empty()) return tail;
  if (joined.back() != separator) joined += separator;
  return joined + tail;
}

std::string PathRoot(PathStyle style, std::string_view path) {
  if (style != PathStyle::kWindows) return {};
  if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
    return std::string{static_cast<char>(std::toupper(static_cast<unsigned char>(path[0]))), ':',
                       '\\'};
  }
  if (path.size() < 3 || !IsSeparator(style, path[0]) || !IsSeparator(style, path[1])) return {};
  // \\server\share: the first two names after the leading separators.
  std::string root = "\\\\";
  std::size_t at = 2;
  for (int names = 0; names < 2; ++names) {
    const std::size_t begin = at;
    while (at < path.size() && !IsSeparator(style, path[at])) ++at;
    if (at == begin) return {};
    root.append(path.substr(begin, at - begin)).append("\\");
    ++at;
  }
  return root;
}

std::string RootMissing(std::string_view root) {
  if (root.size() == 3 && root[1] == ':') {
    return "the drive " + std::string(root.substr(0, 2)) +
           " is not there (a network drive that is not connected?)";
  }
  return "the share " + std::string(root.substr(0, root.size() - 1)) + " cannot be reached";
}

std::string SystemEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

namespace {

// $`variable`, else $HOME/`fallback` (POSIX).
std::string XdgFolder(const Environment& environment, const char* variable, const char* fallback) {
  const std::string set = environment(variable);
  if (!set.empty()) return set;
  return JoinPath(PathStyle::kPosix, environment("HOME"), fallback);
}

}  // namespace

std::vector<std::string> SettingsFiles(PathStyle style, const Environment& environment) {
  if (const std::string named = environment("KESTREL_SETTINGS"); !named.empty()) return {named};
  if (style == PathStyle::kWindows) {
    std::vector<std::string> files;
    for (const char* folder : {"PROGRAMDATA", "APPDATA"}) {
      const std::string root = environment(folder);
      if (!root.empty()) files.push_back(JoinPath(style, root, "Kestrel/site.ini"));
    }
    return files;
  }
  return {
      JoinPath(style, XdgFolder(environment, "XDG_CONFIG_HOME", ".config"), "kestrel/site.ini")};
}

std::string DefaultLogFolder(PathStyle style, const Environment& environment) {
  if (style == PathStyle::kWindows) {
    return JoinPath(style, environment("LOCALAPPDATA"), "Kestrel/sessions");
  }
  return JoinPath(style, XdgFolder(environment, "XDG_STATE_HOME", ".local/state"),
                  "kestrel/sessions");
}

}  // namespace kestrel::platform
