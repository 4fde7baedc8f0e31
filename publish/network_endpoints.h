// The service endpoints of the maker's weather network: a production and a staging
// URL, kept for every station in the program folder's "network_upload.cfg", a text
// file of "production=URL" and "staging=URL" lines ('#' starts a comment). With no
// endpoint set the uploads are off.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sq {

inline constexpr char kEndpointsFileName[] = "network_upload.cfg";
// The path the service answers on, added to a URL typed without one.
inline constexpr char kServicePath[] = "/bin.php";

struct NetworkEndpoints {
  std::string production;
  std::string staging;
};

// Parses the file's text; lines it does not know are skipped, `bad_lines` counts them.
[[nodiscard]] NetworkEndpoints ParseEndpoints(std::string_view text, int* bad_lines = nullptr);
[[nodiscard]] std::string FormatEndpoints(const NetworkEndpoints& endpoints);

// Reads `folder`/network_upload.cfg; empty endpoints when there is none. `error` gets a
// reason when the file exists but cannot be read.
[[nodiscard]] NetworkEndpoints LoadEndpoints(const std::string& folder, std::string* error = nullptr);
// Replaces the file whole; false with `error` set on failure.
[[nodiscard]] bool SaveEndpoints(const std::string& folder, const NetworkEndpoints& endpoints, std::string* error);

// A URL as the user typed it, checked: http or https, a host, no blanks or control
// characters; "/bin.php" is added when it has no path. Nothing when it is not usable
// (`why` says why).
[[nodiscard]] std::optional<std::string> NormalizeEndpoint(std::string_view url, std::string* why);

// The endpoint in use: staging when `staging`, else production (empty: none).
[[nodiscard]] std::string GetServerURL(const NetworkEndpoints& endpoints, bool staging);

}  // namespace sq
