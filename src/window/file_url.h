#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace roruvez {

// The local path a file URL names, as the bytes of the name: "file:///tmp/a%FF" gives
// "/tmp/a\xFF". Only file URLs without a host or on localhost are local. Nothing for any other
// address, nor for a path that no file can have (a NUL, or a '/' encoded inside a name).
std::optional<std::string> localPathOfUrl(std::string_view url);

// The local files a text/uri-list names, in order; comments and other addresses are left out.
std::vector<std::string> localPathsOfUriList(std::string_view list);

}  // namespace roruvez
