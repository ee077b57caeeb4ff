#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// File names and paths by the rules of either system, chosen explicitly so that the Windows
// rules are tested on every system. Nothing here needs Qt.
namespace kestrel::platform {

enum class PathStyle { kPosix, kWindows };
#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::kWindows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::kPosix;
#endif

// A name that can only ever be one file name, the same on both systems, so that a report
// share read from Windows and Linux holds the same names: separators, control characters
// and the characters Windows forbids (<>:"|?*) become "_"; so do trailing dots and blanks,
// which Windows drops. A name Windows keeps for a device (CON, NUL, COM1, LPT1, ..., with or
// without an extension) gets a "_" in front, as do "", "." and "..".
std::string FileSafe(std::string_view name);

// `root` followed by the relative `path` ("Kestreldailycheck/BSC9.txt"), with one separator
// between them and the style's separators throughout: a UNC root (\\server\share\folder)
// keeps its leading "\\", a drive root ("X:\") its separator. An empty root gives `path`.
std::string JoinPath(PathStyle style, std::string_view root, std::string_view path);

// The drive or share a Windows path lies on, as "X:\" or "\\server\share\"; empty for a
// relative path, or any path in the POSIX style.
std::string PathRoot(PathStyle style, std::string_view path);
// What the engineer reads when the root of a path is not there.
std::string RootMissing(std::string_view root);

// An environment variable's value, empty when it is not set.
using Environment = std::function<std::string(const char* name)>;
std::string SystemEnvironment(const char* name);

// The site settings files, read in this order, a key of a later one winning: the one file
// $KESTREL_SETTINGS names, where it is set; else on Windows the site's defaults
// %PROGRAMDATA%\Kestrel\site.ini (written by the installer) and the user's own
// %APPDATA%\Kestrel\site.ini; on POSIX ~/.config/kestrel/site.ini ($XDG_CONFIG_HOME).
std::vector<std::string> SettingsFiles(PathStyle style, const Environment& environment);
// The session logs' folder when the site names none: %LOCALAPPDATA%\Kestrel\sessions on
// Windows, ~/.local/state/kestrel/sessions ($XDG_STATE_HOME) on POSIX.
std::string DefaultLogFolder(PathStyle style, const Environment& environment);

}  // namespace kestrel::platform
