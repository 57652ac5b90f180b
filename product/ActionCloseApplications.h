// The first step of a run: closing the running player and its companion
// tools, so that their files can be replaced.
#pragma once

#include "ZUX/Base/Strings.h"
#include "engine/SetupActions.h"

#include <atomic>
#include <cstdint>
#include <vector>

// Closes the top-level windows of the player and its companion tools.
class TSetupActionCloseApplications : public TSetupAction {
public:
    // Searched in this order on every pass.
    static const std::vector<ZUX::String>& ApplicationWindowClasses();

    void DoExecute() override;
    void Cancel() override { cancelled_ = true; }

    // A window that never closes must not hold the setup for ever: after
    // MaxPasses passes the run goes on and the files in use are dealt with
    // by extraction.
    int MaxPasses = 15;
    uint32_t PassDelayMs = 2000;
    // How long one window may take to handle the close request.
    uint32_t CloseTimeoutMs = 5000;

    // The passes the last run made.
    int Passes() const { return passes_; }

private:
    std::atomic<bool> cancelled_{false};
    int passes_ = 0;
};
