#pragma once
// Length-prefixed strings of project files and settings blocks: a 32-bit little-endian signed
// byte count, then that many bytes of 8-bit text, no terminator.

#include "archive/TStream.h"
#include "platform/Exception.h"

#include <string>

namespace pagolux {

// Input/output error of the string routines (a failed or short write or read).
class EInOutError : public Exception {
  public:
    EInOutError(int errorCode, const std::string& message) : Exception(message), ErrorCode(errorCode) {}
    int ErrorCode; // 100: read past the end or failed read, 101: failed write
};

// Writes the length, then the bytes. Raises EInOutError when a write fails or is short.
void WriteStr(TStream& f, const std::string& text);

// Reads a length L, then L bytes, into text (empty for L = 0). Raises EInOutError when a read
// fails or is short, and for a negative L or an L larger than what is left in the stream
// (checked before anything is allocated). text is changed only on success.
void ReadStr(TStream& f, std::string& text);

} // namespace pagolux
