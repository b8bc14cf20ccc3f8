#include "velcore/protocol/Runtime.h"

namespace velor {

Runtime& TheRuntime() {
    static Runtime runtime;
    return runtime;
}

}  // namespace velor
