// The internet error numbers that the upload messages show ("Opening URL %d"), from
// libcurl's failures. The numbers are those users and their support texts know.
#pragma once

namespace sq {

inline constexpr long kInetErrorNone = 0;
inline constexpr long kInetErrorTimeout = 12002;   // the operation timed out
inline constexpr long kInetErrorExtended = 12003;  // the server answered with an error
inline constexpr long kInetErrorInternal = 12004;  // a failure of this computer's side
inline constexpr long kInetErrorNameNotResolved = 12007;
inline constexpr long kInetErrorBadUserName = 12013;
inline constexpr long kInetErrorBadPassword = 12014;
inline constexpr long kInetErrorLoginFailure = 12015;
inline constexpr long kInetErrorCannotConnect = 12029;
inline constexpr long kInetErrorConnectionAborted = 12030;  // the connection broke mid-way
inline constexpr long kInetErrorSecure = 12157;             // TLS or SSH could not be set up or verified

// The error number for a libcurl result code (CURLcode); 0 for CURLE_OK.
[[nodiscard]] long InternetErrorNumber(int curl_code);

}  // namespace sq
