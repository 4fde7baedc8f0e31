#include "publish/internet_errors.h"

#include <curl/curl.h>

namespace sq {

long InternetErrorNumber(int curl_code) {
  switch (static_cast<CURLcode>(curl_code)) {
    case CURLE_OK:
      return 0;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return kInetErrorNameNotResolved;
    case CURLE_COULDNT_CONNECT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
      return kInetErrorCannotConnect;
    case CURLE_OPERATION_TIMEDOUT:
      return kInetErrorTimeout;
    case CURLE_LOGIN_DENIED:
      return kInetErrorLoginFailure;
    default:
      return kInetErrorExtended;
  }
}

}  // namespace sq
