#pragma once

#include <string>

struct AVInputFormat;
struct AVStream;

namespace s::video {

/// Whether inputs of `format` must not be opened: demuxers that read a list
/// of other files or addresses and open those (a text file named like a
/// video must never make us read anything else), and formats that open their
/// sources by name themselves (devices, network sessions). The image reader
/// is kept; its callers turn name patterns off.
bool isRefusedInputFormat(const AVInputFormat* format);

/// How far a player turns the pictures of `stream` for showing them: 0,
/// 90, 180 or 270 degrees clockwise, from the stream's display matrix (a
/// phone held upright records sideways pictures and says so there). Angles
/// in between are rounded to the nearest quarter turn; 0 without a matrix.
int displayRotation(const AVStream* stream);

/// `path` made absolute against the current folder (unchanged when it is
/// already); empty when the current folder cannot be read.
std::string absolutePath(const std::string& path);

} // namespace s::video
