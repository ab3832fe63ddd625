#pragma once
// Text as the system hands it over: file names and arguments are bytes, UTF-8 by custom
// but not by rule (a file saved from an old site may be named in Latin-1). The bytes that
// are no UTF-8 travel through a QString as the lone surrogates U+DC80 to U+DCFF, one a
// byte, so that such a name reaches the system again exactly as it came.

#include <QString>

#include <string>
#include <string_view>

namespace HostText {

// The bytes as text: UTF-8 where they are, each other byte as its own surrogate.
QString fromBytes(std::string_view bytes);
// The text as the bytes it came from: UTF-8, each surrogate of a byte that byte.
std::string toBytes(const QString& text);

} // namespace HostText
