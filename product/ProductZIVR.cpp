#include "product/ProductZIVR.h"

#include "engine/Setup.h"

void TProductInfoZIVR::PopulateActions(const std::function<void(TSetupActionClass)>& callback) {
    if (Setup->Mode == smInstall) callback(&CreateAction<TSetupActionExtract>);
}

namespace {

// Registered while the program's modules are initialised, before the main routine.
const bool kRegistered = [] {
    ProductInfoClass = [] { return std::unique_ptr<TSetupProductInfo>(new TProductInfoZIVR); };
    return true;
}();

} // namespace
