#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::platform {

// The site's connection values and limits. The built-in defaults point at the gateway
// simulator on loopback, so the programs run out of the box against the demo network.
struct SiteSettings {
  // The demo network's password: sent only to a gateway on loopback, never elsewhere.
  static constexpr const char* kBuiltInPassword = "kestrel";

  std::string user = "kestrel";
  std::string password = kBuiltInPassword;
  // True when the password came from the settings file (or, in the runner, from a password
  // file or the environment), not from the built-in default.
  bool password_configured = false;
  std::string gateway_host = "127.0.0.1";
  int gateway_port = 52200;
  std::string report_share_root;
  // The largest printout a session takes, in MB: past it the session is ended.
  int max_printout_mb = 64;
  std::size_t MaxPrintoutBytes() const { return static_cast<std::size_t>(max_printout_mb) << 20; }
  // Seconds without text from a Proses session before its watchdog ends it.
  int proses_watchdog_s = 60;
  // The pace of the endless Daily check: the shortest cycle over the list, and the first
  // back-off of an element that could not be checked (doubling up to ten minutes).
  int dailycheck_min_cycle_s = 60;
  int dailycheck_retry_s = 30;
  // Session logs: the folder (empty: the default under the user's state folder), how many
  // days are kept, and whether they are written at all.
  std::string log_dir;
  int log_keep_days = 30;
  int log_max_mb = 500;
  bool log_sessions = true;
  // The file these came from (it may not exist): other parts read their own sections of it.
  std::string source_path;

  // How sessions reach the gateway ("telnet" or "ssh"), and what SSH sessions need: a key
  // file (empty: the agent's keys), the known-hosts file (empty: kestrel/known_hosts under
  // the user's configuration folder), a pinned host key, seconds of silence before a
  // keepalive request (0: none).
  std::string transport = "telnet";
  std::string ssh_identity;
  std::string ssh_known_hosts;
  std::string ssh_host_key;
  int ssh_keepalive_s = 60;
  // The prompts the login answers, in the words of the site's gateway.
  std::string user_prompt = "User";
  std::string password_prompt = "Password";
  std::string element_prompt = "NE:";
  std::string ready_prompt = "<";
  // Elements reached directly, not through the gateway: name and "ssh://host:port" or
  // "telnet://host:port", in the file's order.
  std::vector<std::pair<std::string, std::string>> elements;
  // The known-hosts file that SSH sessions use.
  std::string KnownHostsPath() const;

  // What the engineer should hear about the settings (a file others can read, ...).
  std::vector<std::string> warnings;

  // Reads an INI file:
  //   [gateway]  host=  port=  user=  password=
  //   [reports]  share_root=
  //   [limits]   max_printout_mb=
  //   [proses]   watchdog_s=
  //   [dailycheck] min_cycle_s=  retry_s=
  //   [logs]     dir=  keep_days=  max_mb=  enabled=
  //   [gateway]  transport=telnet|ssh
  //   [ssh]      identity=  known_hosts=  host_key=  keepalive_s=
  //   [dialogue] user_prompt=  password_prompt=  element_prompt=  ready_prompt=
  //   [elements] NAME=ssh://HOST:PORT or telnet://HOST:PORT
  // Keys that are absent keep their defaults. A file that is missing at the default path
  // gives the defaults; a missing file named explicitly, or a bad number, is an error.
  static SiteSettings Load(const std::string& path, bool must_exist);
  // The files in order, a key of a later file winning over an earlier one's.
  static SiteSettings Load(const std::vector<std::string>& paths, bool must_exist);
  // The files read when none is named (platform::SettingsFiles): $KESTREL_SETTINGS if set;
  // else %PROGRAMDATA% then %APPDATA% Kestrel\site.ini on Windows, ~/.config/kestrel/site.ini
  // on POSIX.
  static std::vector<std::string> DefaultPaths();
  // The last of them, whose keys win: where the other parts of the program read their own
  // sections when no file is named.
  static std::string UserPath();

  // Where no password is configured, the one `store` keeps for the gateway's host (the
  // Windows Credential Manager: platform::StoredPassword), before any other is asked for.
  void UseStoredPassword(
      const std::function<std::optional<std::string>(const std::string& host)>& store);

  // Reads the INI file `path` over what is there.
  void Read(const std::string& path, bool must_exist);

  // True when the gateway is this machine (127.0.0.0/8, ::1, "localhost"), and so is every
  // element reached directly.
  bool GatewayOnLoopback() const;
  // Empty when the password may be sent to the gateway; otherwise why nothing may be sent:
  // the built-in demo password never goes to a gateway that is not on loopback.
  std::string PasswordProblem() const;
};

// A warning when the file at `path` can be read by users other than its owner (it holds a
// password); empty when it cannot, or when there is no such file. POSIX: its permission bits;
// Windows: its access list (others than the owner, the administrators and the system).
std::string ReadableByOthers(const std::string& path, const std::string& what);

// The host of "scheme://host:port" ("[::1]" without its brackets); empty when there is none.
std::string HostOfAddress(const std::string& address);

}  // namespace kestrel::platform
