// Socket failures of the network logger link, as error codes -19 .. -33 with their
// texts. The text names the calling place ("In RecvMsg() ...recv()") first.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sq {

struct NetworkError {
  int code;               // -19 .. -33
  std::uint32_t status;   // extra status bits (network sub-error), often 0
  std::uint32_t text_id;  // string table entry with one %s for the place
};

// Maps an errno value of the socket layer (or one of the codes -27, -29 themselves)
// onto the table.
[[nodiscard]] NetworkError MapNetworkError(int error);

// The table's text for `code` (-19 .. -33) with `place` filled in; a generic text for
// codes outside the table.
[[nodiscard]] std::string NetworkErrorText(int code, std::string_view place);

}  // namespace sq
