#pragma once

#include <string>

namespace kestrel::platform {

// The site's connection values. The built-in defaults point at the gateway simulator on
// loopback, so the programs run out of the box against the demo network.
struct SiteSettings {
  std::string user = "kestrel";
  std::string password = "kestrel";
  std::string gateway_host = "127.0.0.1";
  int gateway_port = 52200;
  std::string report_share_root;

  // Reads an INI file:
  //   [gateway]  host=  port=  user=  password=
  //   [reports]  share_root=
  // Keys that are absent keep their defaults. A file that is missing at the default path
  // gives the defaults; a missing file named explicitly, or a bad port, is an error.
  static SiteSettings Load(const std::string& path, bool must_exist);
  // $KESTREL_SETTINGS if set, else kestrel/site.ini under the user's configuration folder.
  static std::string DefaultPath();
};

}  // namespace kestrel::platform
