#pragma once

#include <string>

struct AVInputFormat;

namespace s::video {

/// Whether inputs of `format` must not be opened: demuxers that read a list
/// of other files or addresses and open those (a text file named like a
/// video must never make us read anything else), and formats that open their
/// sources by name themselves (devices, network sessions). The image reader
/// is kept; its callers turn name patterns off.
bool isRefusedInputFormat(const AVInputFormat* format);

/// `path` made absolute against the current folder (unchanged when it is
/// already); empty when the current folder cannot be read.
std::string absolutePath(const std::string& path);

} // namespace s::video
