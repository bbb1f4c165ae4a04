#include "text/stop.hpp"

#include <new>

namespace wq {

Ending endingInFlight() {
    try {
        throw;
    } catch (const Stop& s) {
        return {s.status, s.reason};
    } catch (const InternalError& e) {
        return {ExitStatus::internal, "internal error: " + e.what};
    } catch (const std::bad_alloc&) {
        return {ExitStatus::internal, "internal error: out of memory"};
    }
}

}  // namespace wq
