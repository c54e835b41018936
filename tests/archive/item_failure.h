#pragma once

#include "archive/ab_exception.h"

#include <ostream>
#include <string>

namespace sw::test {

// An item the unzipper reported as failed: its name, and the class and code of the error.
struct ItemFailure {
    std::string name;
    TAbErrorClass errorClass;
    int code;
    bool operator==(const ItemFailure&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const ItemFailure& f) {
    return os << f.name << " " << errorClassName(f.errorClass) << " " << f.code;
}

} // namespace sw::test
