#include "platform/io_error.h"

#include <cstring>

namespace sw {

IoError IoError::fromErrno(int errnoValue, const std::string& context) {
    std::string text = context;
    if (errnoValue != 0)
        text += std::string(": ") + std::strerror(errnoValue);
    return IoError(text, errnoValue);
}

} // namespace sw
