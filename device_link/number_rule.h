#pragma once

#include <QString>
#include <optional>

namespace ringlatch {

// A telephone number as the user may give it: printable ASCII only (blank to
// tilde), at most 20 characters, so that every character is one byte on the
// line and a request is at most 21 bytes.
inline constexpr int kNumberLimit = 20;

bool isNumberCharacter(QChar c);

// Why the number may not be sent, for the user; nullopt when it may.
std::optional<QString> numberProblem(const QString &number);

} // namespace ringlatch
