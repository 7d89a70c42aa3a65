#include "app/appstate.h"

namespace app {

Application& state() {
    // Made on first use, so no other start-up code can see it before its start values.
    static Application application;
    return application;
}

} // namespace app
