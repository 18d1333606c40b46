#include "util/Errors.h"

namespace torvel {

ListIndexError::ListIndexError(int index)
    : Error("List index out of bounds (" + std::to_string(index) + ")") {}

} // namespace torvel
