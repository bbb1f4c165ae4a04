#include "text/table.hpp"

#include "text/stop.hpp"

namespace wq {

void indexOutOfRange(long index, long capacity) {
    throw InternalError{"table index " + std::to_string(index) + " outside 1.." +
                        std::to_string(capacity)};
}

}  // namespace wq
