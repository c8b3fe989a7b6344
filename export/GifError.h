#pragma once
// The error the GIF writer raises for every failure, with the texts it uses.

#include <stdexcept>
#include <string>

// Raised by the GIF writer when an image cannot be written (invalid graphic operation).
class EInvalidGraphicOperation : public std::runtime_error
{
public:
    explicit EInvalidGraphicOperation(const std::string &message) : std::runtime_error(message) {}
};

namespace gif {
inline constexpr const char *kNoDataText = "No GIF Data to write";
inline constexpr const char *kEncodingErrorText = "GIF image encoding error";
inline constexpr const char *kWrongColorCountText = "Wrong number of colors; must be a power of 2";
inline constexpr const char *kCannotResizeText = "Cannot change the Size of a GIF image";
} // namespace gif

// Raised when a file cannot be created or opened for writing; the message names the file and
// the reason the system gave.
class EFCreateError : public std::runtime_error
{
public:
    explicit EFCreateError(const std::string &message) : std::runtime_error(message) {}
};

// Raised when bytes could not be written to a stream or file.
class EWriteError : public std::runtime_error
{
public:
    explicit EWriteError(const std::string &message) : std::runtime_error(message) {}
};

namespace gif {
inline constexpr const char *kWriteErrorText = "Stream write error";
} // namespace gif
