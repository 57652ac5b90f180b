// The interactive run: the wizard until it is closed and freed.
#pragma once

void RunSetupWizard();
